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
    std::function<QWidget*(QWidget*)> make;
};

template <class T> TColor ColorOf(QWidget* w) {
    return static_cast<T*>(w)->Color();
}

TColor Shown(QWidget* w) {
    return FromQColor(w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2));
}

} // namespace

TEST(ParentColorTest, TheControlFollowsItsParentsColourUntilItsOwnIsSet) {
    auto label = [](QWidget* p) {
        auto* l = new TKxLabel(p);
        l->SetParentColor(true);
        return l;
    };
    auto splitter = [](QWidget* p) {
        auto* s = new TKxSplitter(p);
        s->SetParentColor(true);
        return s;
    };
    auto bar = [](QWidget* p) {
        auto* b = new TSpeedBar(p);
        b->SetParentColor(true);
        return b;
    };
    const std::function<TColor(QWidget*)> colors[] = {ColorOf<TKxLabel>, ColorOf<TKxSplitter>,
                                                      ColorOf<TSpeedBar>};
    const Control controls[] = {{"label", label}, {"splitter", splitter}, {"speed bar", bar}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(controls[i].name);
        QWidget form;
        QPalette palette = form.palette();
        palette.setColor(QPalette::Window, Qt::yellow);
        form.setPalette(palette);
        auto* panel = new TCustomPanel(&form);
        panel->SetColor(clLime);
        QWidget* onForm = controls[i].make(&form);
        QWidget* onPanel = controls[i].make(panel);
        onForm->setGeometry(0, 0, 60, 40);
        onPanel->setGeometry(0, 0, 60, 40);
        EXPECT_EQ(colors[i](onForm), clYellow);
        EXPECT_EQ(colors[i](onPanel), clLime);
        EXPECT_EQ(Shown(onPanel), clLime);

        palette.setColor(QPalette::Window, Qt::blue);
        form.setPalette(palette);
        panel->SetColor(clRed);
        EXPECT_EQ(colors[i](onForm), clBlue);
        EXPECT_EQ(colors[i](onPanel), clRed);
        EXPECT_EQ(Shown(onPanel), clRed);

        // Its own colour ends the following.
        onPanel->setProperty("Color", int(clAqua));
        EXPECT_FALSE(onPanel->property("ParentColor").toBool());
        panel->SetColor(clFuchsia);
        EXPECT_EQ(colors[i](onPanel), clAqua);
    }
}
