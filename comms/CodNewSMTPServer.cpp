#include "comms/CodNewSMTPServer.h"

#include "controls/KXSpin.h"

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
    BitBtnOk = new QPushButton(QStringLiteral("OK"), this);
    BitBtnOk->setObjectName(QStringLiteral("BitBtnOk"));
    BitBtnOk->setDefault(true);
    BitBtnCancel = new QPushButton(QStringLiteral("Annulla"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Nome"), EditName);
    fields->addRow(QStringLiteral("Indirizzo (hostname oppure IP)"), EditHost);
    fields->addRow(QStringLiteral("Porta"), EditPort);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}
