// The edits as the program's dialogs place them: a dialog like the new-connection one (host with
// its button, port), the TCP play window's spin edits, the game's start date with its calendar,
// the edits' buttons beside a library speed button of the same glyph, and the calculator's
// dialog keypad, and the edits' borders: three-dimensional, flat and none.
// QUENDEL_GALLERY_DROPDOWN=1 opens the calendar at start.

#include "Gallery.h"
#include "controls/CurrEdit.h"
#include "controls/KXSpin.h"
#include "controls/KxCalc.h"
#include "controls/ToolEdit.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QLabel* Caption(QWidget* parent, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->move(at);
    return label;
}

QWidget* ConnectionBox(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Nuova connessione"), parent);
    box->setGeometry(10, 10, 300, 130);
    Caption(box, QStringLiteral("Host:"), {12, 34});
    auto* host = new TComboEdit(box);
    host->setObjectName("EditHost");
    host->setGeometry(70, 30, 140, 21);
    host->SetText(QStringLiteral("0.0.0.0"));
    host->SetButtonWidth(26);
    host->SetGlyphKind(gkEllipsis);
    host->SetButtonHint(QStringLiteral("Indirizzo del server|"));
    Caption(box, QStringLiteral("Porta:"), {12, 66});
    auto* port = new TKxSpinEdit(box);
    port->setObjectName("EditPort");
    port->setGeometry(70, 62, 80, 21);
    port->SetMinValue(1);
    port->SetMaxValue(64535);
    port->SetArrowKeys(false);
    port->SetButtonKind(TKxSpinEdit::bkStandard);
    port->SetValue(4444);
    auto* ok = new QPushButton(QStringLiteral("OK"), box);
    ok->setGeometry(120, 96, 80, 24);
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), box);
    cancel->setGeometry(206, 96, 80, 24);
    return box;
}

QWidget* PlayBox(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Partita"), parent);
    box->setGeometry(10, 150, 300, 100);
    Caption(box, QStringLiteral("Durata (minuti):"), {12, 32});
    auto* minutes = new TKxSpinEdit(box);
    minutes->setObjectName("KxSpinEditDurata");
    minutes->setGeometry(130, 28, 60, 21);
    minutes->SetMaxValue(90);
    minutes->SetValue(5);
    Caption(box, QStringLiteral("Messaggi:"), {12, 64});
    auto* count = new TKxSpinEdit(box);
    count->setObjectName("EditCount");
    count->setGeometry(130, 60, 60, 21);
    count->SetAlignment(Qt::AlignRight);
    count->SetValue(100);
    return box;
}

// Each kind of edit, enabled and disabled, beside a speed button with the same glyph.
QWidget* ButtonsBox(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Pulsanti"), parent);
    box->setGeometry(10, 260, 300, 150);
    const char* const captions[] = {"File:", "Numero:", "Data:"};
    for (int row = 0; row < 3; ++row) {
        Caption(box, QString::fromLatin1(captions[row]), {12, 28 + row * 38});
        for (int col = 0; col < 2; ++col) {
            TCustomComboEdit* edit = nullptr;
            if (row == 0)
                edit = new TFilenameEdit(box);
            else if (row == 1)
                edit = new TKxCalcEdit(box);
            else
                edit = new TDateEdit(box);
            edit->setGeometry(78 + col * 98, 24 + row * 38, 92, 21);
            edit->setEnabled(col == 0);
            if (col == 0) {
                auto* plain = new TKxSpeedButton(box);
                plain->SetGlyph(edit->Button()->Glyph());
                plain->SetNumGlyphs(edit->Button()->NumGlyphs());
                plain->setGeometry(274, 26 + row * 38, edit->Button()->width(),
                                   edit->Button()->height());
            }
        }
    }
    return box;
}

// A combo edit and both spin edits with each border.
QWidget* BordersBox(QWidget* parent) {
    auto* box = new QGroupBox(QStringLiteral("Bordi"), parent);
    box->setGeometry(330, 100, 262, 180);
    const char* const captions[] = {"3-D:", "Piatto:", "Nessuno:"};
    for (int row = 0; row < 3; ++row) {
        Caption(box, QString::fromLatin1(captions[row]), {12, 32 + row * 48});
        auto* combo = new TComboEdit(box);
        combo->SetGlyphKind(gkEllipsis);
        combo->SetText(QStringLiteral("testo"));
        combo->setGeometry(76, 28 + row * 48, 80, 24);
        auto* diagonal = new TKxSpinEdit(box);
        diagonal->setGeometry(162, 28 + row * 48, 44, 24);
        auto* upDown = new TKxSpinEdit(box);
        upDown->SetButtonKind(TKxSpinEdit::bkStandard);
        upDown->setGeometry(212, 28 + row * 48, 44, 24);
        for (platform::TCustomEdit* edit :
             std::initializer_list<platform::TCustomEdit*>{combo, diagonal, upDown}) {
            if (row == 1)
                edit->SetCtl3D(false);
            else if (row == 2)
                edit->setFrame(false);
        }
    }
    return box;
}

class EditsPage : public QWidget {
public:
    EditsPage() {
        ConnectionBox(this);
        PlayBox(this);
        ButtonsBox(this);
        BordersBox(this);
        auto* box = new QGroupBox(QStringLiteral("Dati partita"), this);
        box->setGeometry(330, 10, 260, 80);
        Caption(box, QStringLiteral("Data inizio:"), {12, 34});
        date_ = new TDateEdit(box);
        date_->setObjectName("EditStartDate");
        date_->DefaultToday = true;
        date_->SetYearDigits(dyFour);
        QFont mono(QStringLiteral("Courier New"));
        mono.setStyleHint(QFont::Monospace);
        date_->setFont(mono);
        date_->setGeometry(110, 30, 120, 21);
        date_->SetDate(NullDate);
        auto* calc = new QGroupBox(QStringLiteral("Calcolatrice"), this);
        calc->setGeometry(330, 290, 262, 160);
        auto* panel = new TCalculatorPanel(clDialog, calc);
        panel->move(10, 22);
        for (const QChar key : QStringLiteral("12.5*4"))
            panel->PressKey(key);
    }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (qEnvironmentVariableIntValue("QUENDEL_GALLERY_DROPDOWN") == 1)
            QTimer::singleShot(500, date_, [this] { date_->DoClick(); });
    }

private:
    TDateEdit* date_;
};

const bool registered = gallery::AddPage("Edits", [] { return new EditsPage; });

} // namespace
