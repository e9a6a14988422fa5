#include "app/CodInfo.h"

#include "app/Help.h"
#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"
#include "platform/MaskEdit.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

TFormInfo* FormInfo = nullptr;

namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const QString& hint = {}) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setToolTip(hint);
    return edit;
}

} // namespace

TFormInfo::TFormInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormInfo"));
    setWindowTitle(QStringLiteral("Dati partita"));
    const QString playerHint = QStringLiteral("nel formato\r\n\"nome cognome (ztxxxx)\"");
    EditWhitePlayer = Edit(this, "EditWhitePlayer", playerHint);
    EditBlackPlayer = Edit(this, "EditBlackPlayer", playerHint);
    EditMatchName = new platform::TMaskEdit(this);
    EditMatchName->setObjectName(QStringLiteral("EditMatchName"));
    EditMatchName->setMaxLength(4);
    EditLine1 = Edit(this, "EditLine1", QStringLiteral("Riga di intestazione"));
    EditLine2 = Edit(this, "EditLine2", QStringLiteral("Riga di intestazione"));
    EditRound = Edit(this, "EditRound", QStringLiteral("Turno di gioco"));
    EditInfo = Edit(this, "EditInfo");
    EditStartDate = new TDateEdit(this);
    EditStartDate->setObjectName(QStringLiteral("EditStartDate"));
    EditStartDate->SetYearDigits(dyFour);
    EditStartDate->DefaultToday = true;
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::Monospace);
    EditStartDate->setFont(fixed);
    cbZeltor = new QCheckBox(QStringLiteral("Torneo di Zeltor"), this);
    cbZeltor->setObjectName(QStringLiteral("cbZeltor"));
    connect(cbZeltor, &QCheckBox::toggled, this, &TFormInfo::cbZeltorClick);
    cbZeltor->setChecked(true);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { ShowHelpContext(this, HelpContext); });

    auto* code = new QHBoxLayout;
    code->addWidget(EditMatchName);
    code->addWidget(cbZeltor);
    code->addStretch();
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Giocatore bianco:"), EditWhitePlayer);
    fields->addRow(QStringLiteral("Giocatore nero:"), EditBlackPlayer);
    fields->addRow(QStringLiteral("Codice partita:"), code);
    fields->addRow(QStringLiteral("Riga di intestazione:"), EditLine1);
    fields->addRow(QString(), EditLine2);
    fields->addRow(QStringLiteral("Turno di gioco"), EditRound);
    fields->addRow(QStringLiteral("Altre informazioni:"), EditInfo);
    fields->addRow(QStringLiteral("Data inizio:"), EditStartDate);
    QHBoxLayout* buttons = platform::OkCancelButtons(*this, BitBtnOk, BitBtnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

void TFormInfo::cbZeltorClick() {
    const bool edited = MatchCodeEdited();
    const QString code = edited ? EditMatchName->Text() : matchCode_;
    EditMatchName->SetEditMask(cbZeltor->isChecked() ? QString::fromLatin1(ZeltorMask) : QString());
    // A change of mask resets the length limit.
    EditMatchName->setMaxLength(4);
    EditMatchName->SetText(code);
    if (!edited)
        shownCode_ = EditMatchName->Text();
}

void TFormInfo::SetMatchCode(const QString& code) {
    matchCode_ = code;
    EditMatchName->SetText(code);
    shownCode_ = EditMatchName->Text();
}

bool TFormInfo::MatchCodeEdited() const {
    return EditMatchName->Text() != shownCode_;
}

QString TFormInfo::MatchCode() const {
    if (!MatchCodeEdited())
        return matchCode_;
    return EditMatchName->Text().remove(QLatin1Char('*')).trimmed();
}
