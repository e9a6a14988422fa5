// Controls that take their parent's colour: the label, the splitter and the speed bar follow a
// plain parent's window colour and a panel's Color until their own colour is set.
#include "controls/KXCtrls.h"
#include "controls/KXSplit.h"
#include "controls/SpeedBar.h"

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace platform;

namespace {

struct Control {
    const char* name;
    std::function<QWidget*(QWidget*)> make; // a control that follows its parent's colour
    std::function<TColor(QWidget*)> color;
};

template <class T> Control Following(const char* name) {
    return {name,
            [](QWidget* parent) {
                auto* control = new T(parent);
                control->SetParentColor(true);
                return control;
            },
            [](QWidget* control) { return static_cast<T*>(control)->Color(); }};
}

TColor Shown(QWidget* w) {
    return FromQColor(w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2));
}

} // namespace

TEST(ParentColorTest, TheControlFollowsItsParentsColourUntilItsOwnIsSet) {
    for (const Control& control : {Following<TKxLabel>("label"), Following<TKxSplitter>("splitter"),
                                   Following<TSpeedBar>("speed bar")}) {
        SCOPED_TRACE(control.name);
        QWidget form;
        QPalette palette = form.palette();
        palette.setColor(QPalette::Window, Qt::yellow);
        form.setPalette(palette);
        auto* panel = new TCustomPanel(&form);
        panel->SetColor(clLime);
        QWidget* onForm = control.make(&form);
        QWidget* onPanel = control.make(panel);
        onForm->setGeometry(0, 0, 60, 40);
        onPanel->setGeometry(0, 0, 60, 40);
        EXPECT_EQ(control.color(onForm), clYellow);
        EXPECT_EQ(control.color(onPanel), clLime);
        EXPECT_EQ(Shown(onPanel), clLime);

        palette.setColor(QPalette::Window, Qt::blue);
        form.setPalette(palette);
        panel->SetColor(clRed);
        EXPECT_EQ(control.color(onForm), clBlue);
        EXPECT_EQ(control.color(onPanel), clRed);
        EXPECT_EQ(Shown(onPanel), clRed);

        // Its own colour ends the following.
        onPanel->setProperty("Color", int(clAqua));
        EXPECT_FALSE(onPanel->property("ParentColor").toBool());
        panel->SetColor(clFuchsia);
        EXPECT_EQ(control.color(onPanel), clAqua);
    }
}
