// The rich edit as the network window uses it: a chat log of coloured lines, the input box, and
// the find dialog over the log.

#include "Gallery.h"

#include "controls/KxRichEdit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class RichEditPage : public QWidget {
public:
    RichEditPage() {
        log_.setObjectName("RichEditMemo");
        log_.SetReadOnly(true);
        input_.setObjectName("RichEditSendMessage");
        input_.SetWordWrap(false);
        input_.setFixedHeight(48);
        const struct {
            const char* text;
            TColor color;
            TFontStyles style;
        } lines[] = {
            {"*** Connesso a 127.0.0.1 porta 4444", platform::clGreen, fsBold},
            {"<Bianco> Ciao! Giochiamo una partita da 5 minuti?", platform::clBlue, {}},
            {"<Nero> Volentieri, tocca a te proporla.", platform::clRed, {}},
            {"*** Proposta di partita inviata", platform::clGreen, fsItalic},
            {"<Bianco> Il regolamento è su www.quendel.invalid/regole", platform::clBlue, {}},
            {"<Nero> Accetto. Buona partita!", platform::clRed, fsBold},
        };
        for (const auto& line : lines) {
            log_.SetSelStart(int(log_.Lines.Text().size()));
            log_.SetSelLength(0);
            log_.SelAttributes.SetColor(line.color);
            log_.SelAttributes.SetStyle(line.style);
            log_.SetSelText(QString::fromUtf8(line.text));
            log_.Lines.Append("");
            log_.ScrollPageDown();
        }
        input_.SetSelText("e4 e poi vediamo");
        input_.OnKeyDown = [this](QObject*, Word& key, TShiftState) {
            if (key == 13) {
                key = 0;
                input_.Clear();
            }
        };
        auto* send = new QPushButton("Invia testo");
        auto* find = new QPushButton("Trova...");
        connect(find, &QPushButton::clicked, this, [this] { log_.FindDialog("partita"); });
        auto* row = new QHBoxLayout;
        row->addWidget(&input_, 1);
        row->addWidget(send);
        row->addWidget(find);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(&log_, 1);
        layout->addLayout(row);
        QTimer::singleShot(300, find, &QPushButton::click);
    }

private:
    TKxRichEdit log_;
    TKxRichEdit input_;
};

const bool registered = gallery::AddPage("Rich edit", [] { return new RichEditPage; });

} // namespace
