#include "comms/CodPassword.h"

#include "platform/Dialogs.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TFormPassword* FormPassword = nullptr;

TFormPassword::TFormPassword(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormPassword"));
    setWindowTitle(QStringLiteral("Login"));
    EditUsername = new QLineEdit(this);
    EditUsername->setObjectName(QStringLiteral("EditUsername"));
    EditUsername->setToolTip(
        QStringLiteral("Nome utente da utilizzare\r\nper l'accesso al server\r\ndi news."));
    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Nome utente:"), EditUsername);
    fields->addRow(QStringLiteral("Password:"), EditPassword);
    QHBoxLayout* buttons =
        platform::OkCancelButtons(*this, BitBtnOk, BitBtnCancel, QStringLiteral("Ok"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}
