#include "ControlsTestUtil.h"
#include "VirtualDisplay.h"
#include "controls/KxGrdCpt.h"
#include "controls/KxMenus.h"

#include <QApplication>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <QWindow>
#include <gtest/gtest.h>

using namespace controls;
using namespace platform;

namespace {

// The parents: run the children below (disabled on their own) on a virtual X display, without a
// window manager, where the frame's own moving and sizing are what move and size the window, and
// with one, which moves, maximises and decorates the window as on a desktop.
TEST(CaptionWindow, DrivenWithTheMouseOnARealDisplay) {
    if (const QString missing = MissingPrograms({"Xvfb"}); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    RunOnVirtualDisplay("CaptionWindowChild.*", false);
}

TEST(CaptionWindow, DrivenWithTheRealPointerUnderAWindowManager) {
    if (const QString missing = MissingPrograms({"Xvfb", "openbox", "xdotool"}); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    RunOnVirtualDisplay("CaptionWindowManagedChild.*", true);
}

QIcon SolidIcon(TColor color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(ToQColor(color));
    return QIcon(pixmap);
}

// The mouse on the form's window, in the form's coordinates; drags go in steps on the screen, so
// the window may move under the pointer.
struct Mouse {
    QWidget& form;
    QWindow* window() const { return form.windowHandle(); }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(window(), button, {}, at);
    }
    void doubleClick(QPoint at) { QTest::mouseDClick(window(), Qt::LeftButton, {}, at); }
    void hover(QPoint at) { QTest::mouseMove(window(), at); }
    void drag(QPoint from, QPoint by) {
        const QPoint start = form.mapToGlobal(from);
        QTest::mousePress(window(), Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(window(), form.mapFromGlobal(start + by * step / 4));
        QTest::mouseRelease(window(), Qt::LeftButton, {}, form.mapFromGlobal(start + by));
    }
};

bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

TEST(CaptionWindowChild, DISABLED_OnTheVirtualDisplay) {
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "run by CaptionWindow on a virtual X display";
    QWidget form;
    (new QVBoxLayout(&form))->addWidget(new QWidget);
    form.setWindowTitle("Quendel");
    form.setWindowIcon(SolidIcon(clLime));
    form.move(100, 80);
    form.resize(320, 200);
    TKxGradientCaption* caption = GradientFormCaption(&form, clRed);
    auto* menu = new TKxPopupMenu(&form);
    menu->addAction("Chiudi");
    caption->SetPopupMenu(menu);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return caption->FormActive(); }));
    const QMargins margins = form.contentsMargins();
    ASSERT_GT(margins.top(), margins.bottom());
    const QRect rect = caption->CalculateGradientParams();
    const QPoint onCaption(rect.right() - 10, rect.center().y());

    // The strip as the X server shows it: gradient from red, the icon in its square.
    QApplication::processEvents();
    const QImage screen =
        form.screen()->grabWindow(0, form.x(), form.y(), form.width(), form.height()).toImage();
    EXPECT_EQ(PixelAt(screen, rect.left(), rect.bottom()), Plain(clRed));
    EXPECT_EQ(PixelAt(screen, rect.left() + 1 + rect.height() / 2, rect.center().y()),
              Plain(clLime));

    Mouse mouse{form};
    QPoint pos = form.pos();
    QSize size = form.size();
    mouse.drag(onCaption, QPoint(60, 40));
    ASSERT_TRUE(WaitFor([&] { return form.pos() == pos + QPoint(60, 40); })) << form.pos().x();
    EXPECT_EQ(form.size(), size);

    // The right edge and the bottom-left corner size the form; the edge shows the sizing cursor.
    pos = form.pos();
    const QPoint rightEdge(form.width() - 1, form.height() / 2);
    mouse.hover(rightEdge);
    EXPECT_EQ(form.childAt(rightEdge)->cursor().shape(), Qt::SizeHorCursor);
    mouse.drag(rightEdge, QPoint(50, 0));
    ASSERT_TRUE(WaitFor([&] { return form.size() == size + QSize(50, 0); }));
    EXPECT_EQ(form.pos(), pos);
    mouse.drag(QPoint(0, form.height() - 1), QPoint(-30, 25));
    ASSERT_TRUE(WaitFor([&] { return form.size() == size + QSize(80, 25); }));
    EXPECT_EQ(form.pos(), pos - QPoint(30, 0));

    // A double click on the caption maximises and restores; so does the maximise button.
    mouse.doubleClick(onCaption);
    ASSERT_TRUE(WaitFor([&] { return form.isMaximized(); }));
    mouse.doubleClick(onCaption);
    ASSERT_TRUE(WaitFor([&] { return !form.isMaximized(); }));
    mouse.click(caption->ButtonRect(biMaximize).center());
    ASSERT_TRUE(WaitFor([&] { return form.isMaximized(); }));
    mouse.click(caption->ButtonRect(biMaximize).center());
    ASSERT_TRUE(WaitFor([&] { return !form.isMaximized(); }));
    mouse.click(caption->ButtonRect(biMinimize).center());
    ASSERT_TRUE(WaitFor([&] { return form.isMinimized(); }));
    form.showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // The right click opens the pop-up menu for this component, not the form's own menu.
    QObject* opener = nullptr;
    const PopupMenuHook previous = SetPopupMenuHook([&](TPopupMenu& shown, QPoint) {
        opener = shown.PopupComponent;
        return nullptr;
    });
    int formMenus = 0;
    form.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&form, &QWidget::customContextMenuRequested, [&] { ++formMenus; });
    mouse.click(onCaption, Qt::RightButton);
    SetPopupMenuHook(previous);
    EXPECT_EQ(opener, caption);
    EXPECT_EQ(formMenus, 0);
    mouse.click(QPoint(form.width() / 2, form.height() / 2), Qt::RightButton);
    EXPECT_EQ(formMenus, 1);

    // Leaving active gives the window manager's frame back at the same place and size.
    pos = form.pos();
    size = form.size();
    caption->SetActive(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.pos(), pos);
    EXPECT_EQ(form.size(),
              size - QSize(margins.left() + margins.right(), margins.top() + margins.bottom()));
    caption->SetActive(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.size(), size);
    mouse.click(caption->ButtonRect(biSystemMenu).center());
    ASSERT_TRUE(WaitFor([&] { return !form.isVisible(); }));

    // A dialog's help button asks what the next click points at.
    QWidget dialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowSystemMenuHint |
                                Qt::WindowContextHelpButtonHint);
    dialog.resize(200, 100);
    TKxGradientCaption* help = GradientFormCaption(&dialog, clBlue);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    Mouse{dialog}.click(help->ButtonRect(biHelp).center());
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

// The form is maximised as the window manager shows it: over the whole work area, in the
// window manager's state too.
bool ShownMaximized(const QWidget& form) {
    return form.isMaximized() && form.frameGeometry() == form.screen()->availableGeometry();
}

TEST(CaptionWindowManagedChild, DISABLED_UnderAWindowManager) {
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "run by CaptionWindow on a virtual X display with a window manager";
    QWidget form;
    (new QVBoxLayout(&form))->addWidget(new QWidget);
    form.setWindowTitle("Quendel");
    form.move(100, 80);
    form.resize(320, 200);
    TKxGradientCaption* caption = GradientFormCaption(&form, clRed);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return caption->FormActive(); }));
    // The frameless form stands where it was put, without the window manager's decoration.
    ASSERT_TRUE(WaitFor([&] { return form.frameGeometry() == form.geometry(); }));
    const QRect rect = caption->CalculateGradientParams();
    const auto onCaption = [&] {
        return form.mapToGlobal(QPoint(rect.right() - 10, rect.center().y()));
    };
    const QPoint pos = form.pos();
    const QSize size = form.size();

    // A click that does not travel leaves the pointer to the program: the second click of a
    // double click reaches the caption, which maximises and restores the form.
    const int travel = QGuiApplication::styleHints()->startDragDistance() - 1;
    ASSERT_TRUE(XPointerTo(onCaption()));
    ASSERT_TRUE(XInput({"mousedown", "1"}));
    ASSERT_TRUE(XPointerTo(onCaption() + QPoint(travel, 0)));
    ASSERT_TRUE(XInput({"mouseup", "1"}));
    QTest::qWait(100);
    EXPECT_EQ(form.pos(), pos) << "a press that did not travel moved the form";
    ASSERT_TRUE(XPointerTo(onCaption()));
    ASSERT_TRUE(XInput({"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(WaitFor([&] { return ShownMaximized(form); }))
        << form.frameGeometry().width() << "x" << form.frameGeometry().height();
    ASSERT_TRUE(XPointerTo(onCaption()));
    ASSERT_TRUE(XInput({"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(WaitFor([&] { return !form.isMaximized() && form.size() == size; }));
    ASSERT_TRUE(WaitFor([&] { return form.pos() == pos; }));

    // Past the drag distance the window manager moves the form with the pointer, from where
    // the pointer was when it took the move.
    const QPoint start = onCaption();
    ASSERT_TRUE(XPointerTo(start));
    ASSERT_TRUE(XInput({"mousedown", "1"}));
    const QPoint step(3, 2);
    for (int count = 1; count <= 30; ++count) {
        ASSERT_TRUE(XPointerTo(start + step * count));
        QTest::qWait(20);
    }
    ASSERT_TRUE(XInput({"mouseup", "1"}));
    ASSERT_TRUE(WaitFor([&] { return form.pos() != pos; }));
    const QPoint lag = step * 30 - (form.pos() - pos);
    EXPECT_LE(lag.manhattanLength(), travel + 1 + step.manhattanLength())
        << form.pos().x() << "," << form.pos().y();
    EXPECT_EQ(form.size(), size);

    // Leaving active and coming back keep the form maximised, with and without the window
    // manager's decoration.
    form.showMaximized();
    ASSERT_TRUE(WaitFor([&] { return ShownMaximized(form); }));
    caption->SetActive(false);
    ASSERT_TRUE(WaitFor([&] { return form.frameGeometry() != form.geometry(); }))
        << "the window manager's frame did not come back";
    EXPECT_TRUE(WaitFor([&] { return ShownMaximized(form); }))
        << form.frameGeometry().width() << "x" << form.frameGeometry().height();
    caption->SetActive(true);
    ASSERT_TRUE(WaitFor([&] { return form.frameGeometry() == form.geometry(); }));
    EXPECT_TRUE(WaitFor([&] { return ShownMaximized(form); }))
        << form.frameGeometry().width() << "x" << form.frameGeometry().height();
}

} // namespace
