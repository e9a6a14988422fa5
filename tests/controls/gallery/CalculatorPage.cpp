// The calculator's dialog as TKxCalculator shows it, embedded in the page.

#include "Gallery.h"
#include "controls/KxCalc.h"

namespace {

class CalculatorPage : public QWidget {
public:
    CalculatorPage() {
        auto* form = CreateCalculatorForm(this, 0);
        form->setWindowFlags(Qt::Widget);
        form->move(20, 20);
        for (const QChar key : QStringLiteral("355/113="))
            form->CalcPanel()->PressKey(key);
        form->CalcPanel()->Key(24)->ButtonClick();
    }
};

const bool registered = gallery::AddPage("Calculator", [] { return new CalculatorPage; });

} // namespace
