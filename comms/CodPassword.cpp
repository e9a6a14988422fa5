#include "comms/CodPassword.h"

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
    BitBtnOk = new QPushButton(QStringLiteral("Ok"), this);
    BitBtnOk->setObjectName(QStringLiteral("BitBtnOk"));
    BitBtnOk->setDefault(true);
    BitBtnCancel = new QPushButton(QStringLiteral("Annulla"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Nome utente:"), EditUsername);
    fields->addRow(QStringLiteral("Password:"), EditPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}
