#include "comms/CodNewConnection.h"

#include "comms/NetProtocol.h"
#include "controls/KXSpin.h"
#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"

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
    EditHost = new TComboEdit(this);
    EditHost->setObjectName(QStringLiteral("EditHost"));
    EditHost->SetText(QStringLiteral("0.0.0.0"));
    // The button is only the look the dialog was drawn with; clicking it does nothing.
    EditHost->SetButtonWidth(26);
    EditHost->setToolTip(QStringLiteral("Inserire l'indirizzo IP o il nome dell'host."));
    EditPort = new TKxSpinEdit(this);
    EditPort->setObjectName(QStringLiteral("EditPort"));
    EditPort->SetMinValue(netplay::MinBookPort);
    EditPort->SetMaxValue(netplay::MaxBookPort);
    EditPort->SetArrowKeys(false);
    EditPort->SetButtonKind(TKxSpinEdit::bkStandard);
    EditPort->SetValue(4444);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Nome per la connessione"), EditName);
    form->addRow(QStringLiteral("Indirizzo"), EditHost);
    form->addRow(QStringLiteral("Porta"), EditPort);
    QHBoxLayout* buttons = platform::OkCancelButtons(*this, BitBtnOk, BitBtnCancel);
    form->addRow(buttons);
}
