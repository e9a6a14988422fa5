#include "app/CodImpostazioni.h"

#include "app/Association.h"
#include "controls/KXSpin.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/Placemnt.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TFormImpostazioni* FormImpostazioni = nullptr;

namespace {

template <class Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A hint's line breaks as a tool tip shows them.
void SetHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(QString(hint).remove(QLatin1Char('\r')));
}

// The combo box's text moves to the top of its list; an empty text is not listed.
void TextToTop(TComboBox* combo) {
    const QString text = combo->currentText();
    if (text.isEmpty())
        return;
    QStringList items = combo->Items();
    items.removeAll(text);
    items.prepend(text);
    combo->SetItems(items);
    combo->setEditText(text);
}

TComboBox* EditableCombo(QWidget* parent, const char* name, const QStringList& items) {
    auto* combo = Named(new TComboBox(parent), name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    return combo;
}

} // namespace

TFormImpostazioni::TFormImpostazioni(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormImpostazioni"));
    setWindowTitle(QStringLiteral("Impostazioni"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CreateZeltorGroup());
    auto* lower = new QHBoxLayout;
    lower->addWidget(CreateLoginGroup());
    lower->addWidget(CreateInstallGroup());
    layout->addLayout(lower);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    BitBtnOk = Named(new QPushButton(QStringLiteral("OK"), this), "BitBtnOk");
    BitBtnOk->setDefault(true);
    BitBtnCancel = Named(new QPushButton(QStringLiteral("Annulla"), this), "BitBtnCancel");
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnCancel);
    layout->addLayout(buttons);
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnAssocia, &QPushButton::clicked, this, [this] { BtnAssociaClick(); });
    connect(BtnDissocia, &QPushButton::clicked, this, [this] { BtnDissociaClick(); });

    FormStorage1 = Named(new TFormStorage(this), "FormStorage1");
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("Impostazioni"));
    FormStorage1->SetOptions({});
    FormStorage1->SetStoredProps(
        {QStringLiteral("ComboBoxNewsgroup.Items"), QStringLiteral("ComboBoxVexlorArea.Items")});

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QWidget* TFormImpostazioni::CreateZeltorGroup() {
    auto* group = Named(new QGroupBox(QStringLiteral(" Invio e ricezione mosse su Zeltor "), this),
                        "GroupBoxZeltor");
    ComboBoxVexlorArea = EditableCombo(group, "ComboBoxVexlorArea",
                                       {QStringLiteral("/rubriche/giochi/arena/scacchi"),
                                        QStringLiteral("/rubriche/giochi/agonistika/scacchi-ars")});
    EditNewsServer = Named(new QLineEdit(group), "EditNewsServer");
    ComboBoxNewsgroup =
        EditableCombo(group, "ComboBoxNewsgroup",
                      {QStringLiteral("zeltor.rubriche.giochi.arena.scacchi"),
                       QStringLiteral("zeltor.rubriche.giochi.agonistika.scacchi-ars")});
    MemoFirma = Named(new QPlainTextEdit(group), "MemoFirma");
    MemoFirma->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoFirma->setTabChangesFocus(false);
    SetHint(MemoFirma, QStringLiteral("Testo da aggiungere\r\nin calce ad ogni messaggio"));
    EditVexlorFileName = Named(new QLineEdit(group), "EditVexlorFileName");
    EditPorta = Named(new TKxSpinEdit(group), "EditPorta");
    EditPorta->SetMinValue(MinPort);
    EditPorta->SetMaxValue(MaxPort);
    EditPorta->SetArrowKeys(false);
    EditPorta->SetButtonKind(TKxSpinEdit::bkStandard);
    cbFormatoOggetto =
        Named(new QCheckBox(
                  QStringLiteral("Usa nuovo formato oggetto (\"4001-01b[a2-a4]KAV-DUL\")"), group),
              "cbFormatoOggetto");

    auto* grid = new QGridLayout(group);
    auto label = [group](const QString& text) { return new QLabel(text, group); };
    grid->addWidget(label(QStringLiteral("Area per i messaggi Vexlor")), 0, 0);
    grid->addWidget(ComboBoxVexlorArea, 1, 0);
    grid->addWidget(label(QStringLiteral("Nome del file Vexlor")), 0, 1);
    grid->addWidget(EditVexlorFileName, 1, 1);
    grid->addWidget(label(QStringLiteral("News Server")), 2, 0);
    grid->addWidget(EditNewsServer, 3, 0);
    grid->addWidget(label(QStringLiteral("Porta")), 2, 1);
    grid->addWidget(EditPorta, 3, 1);
    grid->addWidget(label(QStringLiteral("Newsgroup")), 4, 0);
    grid->addWidget(ComboBoxNewsgroup, 5, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Firma")), 6, 0);
    grid->addWidget(MemoFirma, 7, 0, 1, 2);
    grid->addWidget(cbFormatoOggetto, 8, 0, 1, 2);
    return group;
}

QWidget* TFormImpostazioni::CreateInstallGroup() {
    auto* group =
        Named(new QGroupBox(QStringLiteral(" Installazione "), this), "GroupBoxInstallazione");
    BtnAssocia = Named(new QPushButton(QStringLiteral("Associa estensione"), group), "BtnAssocia");
    SetHint(BtnAssocia, QStringLiteral("Associa al programma \r\ni file con estensione .qzd"));
    BtnDissocia =
        Named(new QPushButton(QStringLiteral("Rimuovi associazione"), group), "BtnDissocia");
    SetHint(BtnDissocia, QStringLiteral("Rimuove l'associazione dei\r\nfile con estensione .qzd"));
    auto* box = new QVBoxLayout(group);
    box->addWidget(BtnAssocia);
    box->addWidget(BtnDissocia);
    return group;
}

QWidget* TFormImpostazioni::CreateLoginGroup() {
    auto* group =
        Named(new QGroupBox(QStringLiteral(" Accesso al server di news di Zeltor "), this),
              "GroupBoxLogin");
    EditUsername = Named(new QLineEdit(group), "EditUsername");
    SetHint(EditUsername,
            QStringLiteral("Nome utente da utilizzare\r\nper l'accesso al server\r\ndi news."));
    EditPassword = Named(new QLineEdit(group), "EditPassword");
    EditPassword->setEchoMode(QLineEdit::Password);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Username"), group), 0, 0);
    grid->addWidget(EditUsername, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password"), group), 1, 0);
    grid->addWidget(EditPassword, 1, 1);
    return group;
}

std::optional<int> TFormImpostazioni::Port() const {
    bool ok = false;
    EditPorta->text().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return int(EditPorta->GetAsInteger());
}

void TFormImpostazioni::BitBtnOkClick() {
    TextToTop(ComboBoxVexlorArea);
    TextToTop(ComboBoxNewsgroup);
}

void TFormImpostazioni::accept() {
    if (!Port()) {
        platform::MessageBox(
            QStringLiteral("La porta del news server deve essere un numero intero."),
            platform::ProductCaption(), platform::MB_ICONERROR, this);
        return;
    }
    BitBtnOkClick();
    QDialog::accept();
}

void TFormImpostazioni::BtnAssociaClick() {
    association::Associate(QCoreApplication::applicationFilePath());
}

void TFormImpostazioni::BtnDissociaClick() {
    association::Dissociate();
}
