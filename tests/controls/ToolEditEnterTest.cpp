// Entering the combo edit and the spin edit: the text selected with AutoSelect, kept as it was
// without it, and a focus coming back from a menu taken as no entering.

#include "controls/KXSpin.h"
#include "controls/ToolEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The text selected after the edit, its "Milano" text partly selected, gets the focus for the
// reason.
template <typename Edit> QString SelectedOnEntering(bool autoSelect, Qt::FocusReason reason) {
    QWidget form;
    auto* other = new QLineEdit(&form);
    auto* edit = new Edit(&form);
    edit->move(0, 30);
    edit->setText(QStringLiteral("Milano"));
    edit->AutoSelect = autoSelect;
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        return QStringLiteral("<no active window>");
    other->setFocus();
    edit->setSelection(0, 3);
    if (reason == Qt::PopupFocusReason) {
        // As a context menu closing gives it back.
        QFocusEvent back(QEvent::FocusIn, reason);
        QApplication::sendEvent(edit, &back);
    } else {
        edit->setFocus(reason);
    }
    return edit->selectedText();
}

template <typename Edit> void ExpectEnteringSelects() {
    struct Case {
        bool autoSelect;
        Qt::FocusReason reason;
        const char* selected;
    };
    const Case cases[] = {
        {true, Qt::TabFocusReason, "Milano"}, {true, Qt::OtherFocusReason, "Milano"},
        {false, Qt::TabFocusReason, "Mil"},   {false, Qt::OtherFocusReason, "Mil"},
        {true, Qt::PopupFocusReason, "Mil"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectedOnEntering<Edit>(c.autoSelect, c.reason), c.selected)
            << c.autoSelect << " " << c.reason;
}

TEST(EnteringTest, ComboEditSelectsAllWithAutoSelect) {
    EXPECT_TRUE(TComboEdit().AutoSelect);
    ExpectEnteringSelects<TComboEdit>();
}

TEST(EnteringTest, SpinEditSelectsAllWithAutoSelect) {
    ExpectEnteringSelects<TKxSpinEdit>();
}

} // namespace
