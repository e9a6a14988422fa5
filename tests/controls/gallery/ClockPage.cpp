// Both clock faces, running.
#include "Gallery.h"
#include "controls/KXClock.h"

#include <QHBoxLayout>

namespace {

class ClockPage : public QWidget {
public:
    ClockPage() {
        auto* layout = new QHBoxLayout(this);
        auto* digital = new TKxClock(this);
        digital->setFixedSize(260, 70);
        digital->SetAutoSize(true);
        digital->SetFontColor(platform::clNavy);
        auto* twelve = new TKxClock(this);
        twelve->setFixedSize(260, 70);
        twelve->SetTwelveHour(true);
        twelve->SetShowSeconds(false);
        twelve->SetAutoSize(true);
        auto* analog = new TKxClock(this);
        analog->setFixedSize(180, 180);
        analog->SetShowMode(TKxClock::scAnalog);
        analog->SetColor(platform::clWhite);
        auto* column = new QVBoxLayout;
        column->addWidget(digital);
        column->addWidget(twelve);
        column->addStretch();
        layout->addLayout(column);
        layout->addWidget(analog, 0, Qt::AlignTop);
        layout->addStretch();
    }
};

const bool registered = gallery::AddPage("Clock", [] { return new ClockPage; });

} // namespace
