// The calculator's dialog as TKxCalculator shows it, embedded in the page: without a help
// context, and with one (its help key opens the program's help there).

#include "Gallery.h"
#include "controls/KxCalc.h"

#include <QLabel>

namespace {

class CalculatorPage : public QWidget {
public:
    CalculatorPage() {
        const struct {
            int helpContext;
            const char* caption;
            const char* keys;
        } forms[] = {{0, "Senza contesto d'aiuto", "355/113="},
                     {4100, "Con contesto d'aiuto", "12*3="}};
        int left = 20;
        for (int i = 0; i < 2; ++i) {
            auto* caption = new QLabel(QString::fromUtf8(forms[i].caption), this);
            caption->move(left, 12);
            auto* form = CreateCalculatorForm(this, forms[i].helpContext);
            form->setWindowFlags(Qt::Widget);
            form->move(left, 34);
            left += form->width() + 40;
            for (const QChar key : QString::fromLatin1(forms[i].keys))
                form->CalcPanel()->PressKey(key);
            form->CalcPanel()->Key(24)->ButtonClick();
        }
    }
};

const bool registered = gallery::AddPage("Calculator", [] { return new CalculatorPage; });

} // namespace
