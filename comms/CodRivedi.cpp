#include "comms/CodRivedi.h"

#include "platform/MessageBox.h"
#include "platform/SafeWrite.h"
#include "platform/TextLines.h"
#include "storage/Placemnt.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormRivedi* FormRivedi = nullptr;

namespace {

QPushButton* NavigationButton(QWidget* parent, const char* name, const QString& text,
                              const QString& hint) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFormRivedi::TFormRivedi(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormRivedi"));
    setWindowTitle(QStringLiteral("Rivedi messaggi in uscita"));
    CreateComponents();
    resize(520, 420);
}

void TFormRivedi::CreateComponents() {
    Label1 = new QLabel(QStringLiteral("Messaggio 1/999"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::Monospace);
    Memo1->setFont(fixed);

    BtnStart = NavigationButton(this, "BtnStart", QStringLiteral("|<"), "Primo messaggio");
    BtnBack = NavigationButton(this, "BtnBack", QStringLiteral("<"), "Precedente");
    BtnForw = NavigationButton(this, "BtnForw", QStringLiteral(">"), "Successivo");
    BtnEnd = NavigationButton(this, "BtnEnd", QStringLiteral(">|"), "Ultimo messaggio");
    BtnDelete = NavigationButton(this, "BtnDelete", QStringLiteral("Cancella"),
                                 QStringLiteral("Cancella messaggio corrente"));
    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    BtnAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    BtnAnnulla->setObjectName(QStringLiteral("BtnAnnulla"));

    connect(BtnStart, &QPushButton::clicked, this, &TFormRivedi::BtnStartClick);
    connect(BtnBack, &QPushButton::clicked, this, &TFormRivedi::BtnBackClick);
    connect(BtnForw, &QPushButton::clicked, this, &TFormRivedi::BtnForwClick);
    connect(BtnEnd, &QPushButton::clicked, this, &TFormRivedi::BtnEndClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TFormRivedi::BtnDeleteClick);
    connect(BtnOk, &QPushButton::clicked, this, &TFormRivedi::BtnOkClick);
    connect(BtnAnnulla, &QPushButton::clicked, this, &QDialog::reject);

    auto* navigation = new QHBoxLayout;
    for (QPushButton* button : {BtnStart, BtnBack, BtnForw, BtnEnd})
        navigation->addWidget(button);
    navigation->addSpacing(12);
    navigation->addWidget(BtnDelete);
    navigation->addStretch();
    navigation->addWidget(BtnOk);
    navigation->addWidget(BtnAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);
    layout->addLayout(navigation);

    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("RivediMessaggi"));
}

int TFormRivedi::LoadMessages() {
    file_ = correspondence::TMessageFile(Separator);
    MessageCount = 0;
    QFile file(FileName);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const QStringList lines = platform::SplitLines(data);
    if (lines.isEmpty()) {
        platform::MessageBox(QStringLiteral("Nessun messaggio da visualizzare"),
                             QStringLiteral("Messaggi in coda"), 16, this);
        return 1;
    }
    file_.Split(lines);
    MessageCount = static_cast<int>(file_.Messages.size());
    CurrentMessage = 1;
    SetNavigationEnabled(true);
    ShowCurrentMessage();
    return 0;
}

void TFormRivedi::ShowCurrentMessage() {
    Label1->setText(QStringLiteral("Messaggio %1/%2").arg(CurrentMessage).arg(MessageCount));
    ShowLines(file_.Messages.value(CurrentMessage - 1));
}

void TFormRivedi::ShowLines(const QStringList& lines) {
    shown_ = lines;
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList TFormRivedi::MemoLines() const {
    // Unedited, the lines are the ones shown, final empty lines included; edited, the memo's
    // lines as a string list counts them: an empty memo has none, a final break adds none.
    const QString text = Memo1->toPlainText();
    return text == shown_.join(QLatin1Char('\n')) ? shown_ : platform::SplitTextLines(text);
}

void TFormRivedi::StoreCurrentMessage() {
    if (CurrentMessage >= 1 && CurrentMessage <= file_.Messages.size())
        file_.Messages[CurrentMessage - 1] = MemoLines();
}

void TFormRivedi::MoveTo(int message) {
    StoreCurrentMessage();
    CurrentMessage = std::clamp(message, 1, std::max(MessageCount, 1));
    ShowCurrentMessage();
}

void TFormRivedi::BtnStartClick() {
    MoveTo(1);
}

void TFormRivedi::BtnBackClick() {
    MoveTo(CurrentMessage - 1);
}

void TFormRivedi::BtnForwClick() {
    MoveTo(CurrentMessage + 1);
}

void TFormRivedi::BtnEndClick() {
    MoveTo(MessageCount);
}

void TFormRivedi::BtnDeleteClick() {
    if (CurrentMessage >= 1 && CurrentMessage <= file_.Messages.size())
        file_.Messages[CurrentMessage - 1].clear();
    ShowCurrentMessage();
}

void TFormRivedi::BtnOkClick() {
    if (!FileName.isEmpty()) {
        StoreCurrentMessage();
        QString error;
        if (!platform::WriteLines(FileName, file_.Join(), &error)) {
            platform::ShowError(error, this);
            return;
        }
    }
    accept();
}

void TFormRivedi::SetNavigationEnabled(bool enabled) {
    for (QPushButton* button : {BtnStart, BtnBack, BtnForw, BtnEnd, BtnDelete})
        button->setEnabled(enabled);
}

void TFormRivedi::BeginPreview(const QString& caption, const QStringList& article) {
    FileName.clear();
    ShowLines(article);
    Label1->setText(caption);
    SetNavigationEnabled(false);
}

QStringList TFormRivedi::EndPreview() {
    SetNavigationEnabled(true);
    return MemoLines();
}
