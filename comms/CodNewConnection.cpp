#include "comms/CodNewConnection.h"

#include "controls/KXSpin.h"
#include "platform/PropertyAdapters.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TFormNewConnection* FormNewConnection = nullptr;

TFormNewConnection::TFormNewConnection(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormNewConnection"));
    setWindowTitle(QStringLiteral("Nuova Connessione"));
    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditHost = new TComboBox(this);
    EditHost->setObjectName(QStringLiteral("EditHost"));
    EditHost->setEditable(true);
    EditHost->setEditText(QStringLiteral("0.0.0.0"));
    EditHost->setToolTip(QStringLiteral("Inserire l'indirizzo IP o il nome dell'host."));
    EditPort = new TKxSpinEdit(this);
    EditPort->setObjectName(QStringLiteral("EditPort"));
    EditPort->SetMinValue(1);
    EditPort->SetMaxValue(64535);
    EditPort->SetValue(4444);
    BitBtnOk = new QPushButton(QStringLiteral("OK"), this);
    BitBtnOk->setObjectName(QStringLiteral("BitBtnOk"));
    BitBtnOk->setDefault(true);
    BitBtnCancel = new QPushButton(QStringLiteral("Annulla"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Nome per la connessione"), EditName);
    form->addRow(QStringLiteral("Indirizzo"), EditHost);
    form->addRow(QStringLiteral("Porta"), EditPort);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnCancel);
    form->addRow(buttons);
}
