#include "comms/CodEmail.h"

#include "app/CodVersione.h"
#include "comms/CodNewSMTPServer.h"
#include "comms/NetProtocol.h"
#include "controls/KXSpin.h"
#include "platform/Dialogs.h"
#include "platform/Mailto.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "platform/TextLines.h"
#include "storage/Placemnt.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

TFormEmail* FormEmail = nullptr;

namespace {

const QString Caption = QStringLiteral("Invia mossa via email");
const QString MailClientItem = QStringLiteral("Nessuno (usa l'applicazione di default)");

QLineEdit* Edit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

TFormEmail::TFormEmail(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormEmail"));
    setWindowTitle(Caption);
    CreateComponents();
    ConnectSmtpEvents();
    resize(560, 460);
}

void TFormEmail::CreateComponents() {
    EditTo = Edit(this, "EditTo");
    EditCc = Edit(this, "EditCc");
    EditFrom = Edit(this, "EditFrom");
    EditSubject = Edit(this, "EditSubject");
    cbSMTP = new TComboBox(this);
    cbSMTP->setObjectName(QStringLiteral("cbSMTP"));
    cbSMTP->SetItems({MailClientItem, QStringLiteral("Zeltor (smtp.zeltor.invalid:25)")});
    cbSMTP->SetItemIndex(0);
    cbSMTP->setContextMenuPolicy(Qt::CustomContextMenu);
    PopupMenuServers = new QMenu(this);
    PopupMenuServers->setObjectName(QStringLiteral("PopupMenuServers"));
    Cancellaquestaconnessionedallelenco1 =
        PopupMenuServers->addAction(QStringLiteral("Cancella questo SMTP server dall'elenco"));
    Cancellaquestaconnessionedallelenco1->setObjectName(
        QStringLiteral("Cancellaquestaconnessionedallelenco1"));
    connect(cbSMTP, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuServersPopup();
        PopupMenuServers->popup(cbSMTP->mapToGlobal(at));
    });
    connect(Cancellaquestaconnessionedallelenco1, &QAction::triggered, this,
            &TFormEmail::Cancellaquestaconnessionedallelenco1Click);
    BtnNewServer = new QPushButton(QStringLiteral("Nuovo"), this);
    BtnNewServer->setObjectName(QStringLiteral("BtnNewServer"));
    BtnNewServer->setToolTip(QStringLiteral("Inserimento parametri per una nuova connessione"));
    connect(BtnNewServer, &QPushButton::clicked, this, &TFormEmail::BtnNewServerClick);
    MemoEmail = new QPlainTextEdit(this);
    MemoEmail->setObjectName(QStringLiteral("MemoEmail"));
    MemoEmail->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoEmail->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoEmail->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    BtnAnnulla->setObjectName(QStringLiteral("BtnAnnulla"));
    connect(BtnOk, &QPushButton::clicked, this, &TFormEmail::BtnOkClick);
    connect(BtnAnnulla, &QPushButton::clicked, this, &TFormEmail::BtnAnnullaClick);
    NMSMTP1 = new TNMSMTP(this);
    NMSMTP1->setObjectName(QStringLiteral("NMSMTP1"));

    auto* server = new QHBoxLayout;
    server->addWidget(cbSMTP, 1);
    server->addWidget(BtnNewServer);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("A:"), EditTo);
    fields->addRow(QStringLiteral("Copia:"), EditCc);
    fields->addRow(QStringLiteral("Da:"), EditFrom);
    fields->addRow(QStringLiteral("Oggetto:"), EditSubject);
    fields->addRow(QStringLiteral("SMTP Server:"), server);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(MemoEmail, 1);
    layout->addLayout(buttons);

    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("InviaEmail"));
    FormStorage1->SetStoredProps({QStringLiteral("cbSMTP.Items"), QStringLiteral("cbSMTP.Text"),
                                  QStringLiteral("cbSMTP.ItemIndex")});
    FormStorage1->OnRestorePlacement = [this](QObject*) { KeepMailClientItem(); };
}

void TFormEmail::ConnectSmtpEvents() {
    NMSMTP1->OnSuccess = [this] { Outcome(QStringLiteral("Email inviata con successo"), 0); };
    NMSMTP1->OnFailure = [this] {
        const QString failure = QStringLiteral("Errore nell'invio della email");
        const QString& reason = NMSMTP1->FailureReason();
        Outcome(reason.isEmpty() ? failure : failure + QStringLiteral(": ") + reason, 16);
    };
    NMSMTP1->OnAuthenticationFailed = [this] {
        Outcome(QStringLiteral("Authentication Failed"), 16);
    };
    NMSMTP1->OnHeaderIncomplete = [this](bool&, TNMSMTP::THeaderInfo info) {
        Outcome(info == TNMSMTP::hiFromAddress ? QStringLiteral("Missing From address")
                                               : QStringLiteral("Missing To address"),
                16);
    };
    NMSMTP1->OnRecipientNotFound = [this](bool&, const QString&) {
        Outcome(QStringLiteral("Recipient not found"), 16);
    };
    NMSMTP1->OnInvalidHost = [this](bool&) { Outcome(QStringLiteral("Invalid host"), 16); };
    NMSMTP1->OnConnectionFailed = [this] { Outcome(QStringLiteral("Connection failed"), 16); };
    NMSMTP1->OnAttachmentNotFound = [this](const QString&) {
        Outcome(QStringLiteral("Attachment not found"), 16);
    };
}

// A stored book may lack the mail program's entry or hold it elsewhere: it is always item 0.
void TFormEmail::KeepMailClientItem() {
    QStringList items = cbSMTP->Items();
    if (items.value(0) == MailClientItem)
        return;
    const QString chosen = cbSMTP->Text();
    items.removeAll(MailClientItem);
    items.prepend(MailClientItem);
    cbSMTP->SetItems(items);
    cbSMTP->SetItemIndex(chosen.isEmpty() ? -1 : int(items.indexOf(chosen)));
}

void TFormEmail::Outcome(const QString& text, int flags) {
    BtnOk->setEnabled(true);
    platform::MessageBox(text, Caption, flags, this);
    if (flags == 0)
        accept();
}

void TFormEmail::BtnOkClick() {
    if (NMSMTP1->Sending())
        return;
    if (cbSMTP->Text().isEmpty()) {
        platform::MessageBox(
            QStringLiteral(
                "Specificare il server da usare (esempio: smtp.zeltor.invalid porta 25)"),
            Caption, 16, this);
        return;
    }
    if (cbSMTP->Text() == MailClientItem)
        SendByMailClient();
    else
        SendBySMTP();
}

void TFormEmail::SendBySMTP() {
    const std::optional<netplay::TBookEntry> entry = netplay::ParseBookEntry(cbSMTP->Text());
    if (!entry || entry->port == 0) {
        platform::MessageBox(QStringLiteral("Server SMTP non valido: ") + cbSMTP->Text(), Caption,
                             16, this);
        return;
    }
    NMSMTP1->Host = entry->host;
    NMSMTP1->Port = entry->port;
    NMSMTP1->PostMessage = {EditFrom->text(),
                            EditTo->text(),
                            EditCc->text(),
                            EditSubject->text(),
                            platform::SplitTextLines(MemoEmail->toPlainText()),
                            AppInfo.Title()};
    // Disabled at once, so a second click cannot send the mail twice.
    if (NMSMTP1->SendMail())
        BtnOk->setEnabled(false);
}

void TFormEmail::SendByMailClient() {
    const QByteArray link = platform::MailtoUrl(EditTo->text(), EditCc->text(), EditSubject->text(),
                                                MemoEmail->toPlainText());
    QDesktopServices::openUrl(QUrl::fromEncoded(link, QUrl::StrictMode));
}

void TFormEmail::BtnAnnullaClick() {
    NMSMTP1->Abort();
    BtnOk->setEnabled(true);
    platform::MessageBox(QStringLiteral("Invio annullato"), Caption, 0, this);
    reject();
}

void TFormEmail::done(int result) {
    NMSMTP1->Abort();
    BtnOk->setEnabled(true);
    QDialog::done(result);
}

void TFormEmail::BtnNewServerClick() {
    if (!FormNewSMTP || platform::ShowModal(*FormNewSMTP) != QDialog::Accepted)
        return;
    const QString entry =
        netplay::BookEntry(FormNewSMTP->EditName->text(), FormNewSMTP->EditHost->text(),
                           QString::number(FormNewSMTP->EditPort->GetAsInteger()));
    cbSMTP->addItem(entry);
    QCoreApplication::processEvents();
    cbSMTP->SetText(entry);
    cbSMTP->SetItemIndex(cbSMTP->count() - 1);
}

void TFormEmail::Cancellaquestaconnessionedallelenco1Click() {
    const int index = cbSMTP->ItemIndex();
    if (index <= 0)
        return;
    QStringList items = cbSMTP->Items();
    items.removeAt(index);
    items.removeAll(QString());
    cbSMTP->SetItems(items);
    cbSMTP->SetItemIndex(std::min(index, int(items.size()) - 1));
}

void TFormEmail::PopupMenuServersPopup() {
    Cancellaquestaconnessionedallelenco1->setEnabled(cbSMTP->ItemIndex() > 0);
}
