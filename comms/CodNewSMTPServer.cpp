#include "comms/CodNewSMTPServer.h"

#include "controls/KXSpin.h"
#include "platform/Dialogs.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TFormNewSMTP* FormNewSMTP = nullptr;

TFormNewSMTP::TFormNewSMTP(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormNewSMTP"));
    setWindowTitle(QStringLiteral("Aggiungi SMTP server"));
    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditHost = new QLineEdit(this);
    EditHost->setObjectName(QStringLiteral("EditHost"));
    EditPort = new TKxSpinEdit(this);
    EditPort->setObjectName(QStringLiteral("EditPort"));
    EditPort->SetMinValue(1);
    EditPort->SetMaxValue(64535);
    EditPort->SetValue(25);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Nome"), EditName);
    fields->addRow(QStringLiteral("Indirizzo (hostname oppure IP)"), EditHost);
    fields->addRow(QStringLiteral("Porta"), EditPort);
    QHBoxLayout* buttons = platform::OkCancelButtons(*this, BitBtnOk, BitBtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}
