// ShowHint and ParentShowHint of the label, the speed button and the splitter: without ShowHint
// no tool tip shows; with ParentShowHint the control follows its parent's setting until its own
// is set.
#include "controls/KXCtrls.h"
#include "controls/KXSplit.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Control {
    const char* name;
    std::function<QWidget*(QWidget*)> make;
    bool parentShowHint; // as built
};

template <class T> Control Kind(const char* name, bool parentShowHint) {
    return {name, [](QWidget* parent) { return new T(parent); }, parentShowHint};
}

const Control kinds[] = {Kind<TKxLabel>("label", true), Kind<TKxSpeedButton>("button", false),
                         Kind<TKxSplitter>("splitter", true)};

bool ShowHint(const QObject* control) {
    return control->property("ShowHint").toBool();
}

// Whether a new tool tip of the control shows when the pointer rests on it.
bool HintShown(QWidget* control) {
    static int asked = 0;
    control->setToolTip(QStringLiteral("Suggerimento %1").arg(++asked));
    const QPoint at(2, 1);
    QHelpEvent help(QEvent::ToolTip, at, control->mapToGlobal(at));
    QApplication::sendEvent(control, &help);
    return help.isAccepted() && QToolTip::isVisible() && QToolTip::text() == control->toolTip();
}

} // namespace

TEST(ShowHintTest, WithoutShowHintNoToolTipShows) {
    for (const Control& kind : kinds) {
        SCOPED_TRACE(kind.name);
        QWidget form;
        QWidget* control = kind.make(&form);
        form.show();
        EXPECT_TRUE(ShowHint(control));
        EXPECT_TRUE(HintShown(control));
        control->setProperty("ShowHint", false);
        EXPECT_FALSE(HintShown(control));
        control->setProperty("ShowHint", true);
        EXPECT_TRUE(HintShown(control));
    }
}

TEST(ShowHintTest, ParentShowHintFollowsTheParentUntilTheOwnIsSet) {
    for (const Control& kind : kinds) {
        SCOPED_TRACE(kind.name);
        QWidget form;
        auto* parent = new TKxSplitter(&form);
        QWidget* control = kind.make(parent);
        EXPECT_EQ(control->property("ParentShowHint").toBool(), kind.parentShowHint);

        parent->SetShowHint(false);
        control->setProperty("ParentShowHint", true);
        EXPECT_FALSE(ShowHint(control)) << "taken at once";
        parent->SetShowHint(true);
        EXPECT_TRUE(ShowHint(control));
        // Through any depth: a following control inside the control follows too.
        auto* inner = new TKxLabel(control);
        parent->SetShowHint(false);
        EXPECT_FALSE(ShowHint(control));
        EXPECT_FALSE(inner->ShowHint());

        // A new parent's setting is taken.
        auto* other = new TKxSplitter(&form);
        control->setParent(other);
        EXPECT_TRUE(ShowHint(control));

        // Its own setting ends the following.
        control->setProperty("ShowHint", false);
        EXPECT_FALSE(control->property("ParentShowHint").toBool());
        other->SetShowHint(false);
        other->SetShowHint(true);
        EXPECT_FALSE(ShowHint(control));
    }
}
