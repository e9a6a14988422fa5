// The calculator's dialog as TKxCalculator shows it, embedded in the page: without a help
// context, and with one (its help key opens the program's help there) in the flat look.

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
            bool ctl3D;
        } forms[] = {{0, "Senza contesto d'aiuto", "355/113=", true},
                     {4100, "Con contesto d'aiuto, piatta", "12*3=", false}};
        int left = 20;
        for (int i = 0; i < 2; ++i) {
            auto* caption = new QLabel(QString::fromUtf8(forms[i].caption), this);
            caption->move(left, 12);
            auto* form = CreateCalculatorForm(this, forms[i].helpContext);
            form->setWindowFlags(Qt::Widget);
            form->SetCtl3D(forms[i].ctl3D);
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
