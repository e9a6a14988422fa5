#include "controls/KxMenus.h"
#include "ControlsTestUtil.h"
#include "tests/WaitFor.h"

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

using namespace controls;
using namespace platform;

namespace {

QImage Square(TColor color) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(ToQColor(color));
    return image;
}

struct PopupFixture : ::testing::Test {
    TImageList images{16, 16};
    TKxPopupMenu menu;
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* quit = nullptr;

    void SetUp() override {
        menu.setFont(SharpFont());
        open = menu.addAction("&Apri");
        open->setData(0);
        save = menu.addAction("Salva");
        save->setData(1);
        menu.addSeparator();
        quit = menu.addAction("Esci");
        images.Add(Square(clRed), {});
        images.Add(Square(clLime), {});
    }

    QImage shot() {
        menu.adjustSize();
        return Shot(menu);
    }
    QRect itemRect(QAction* item) { return menu.actionGeometry(item); }
};

TEST_F(PopupFixture, ProxyStyleOnlyWhileOwnerDrawing) {
    QStyle* plain = menu.style();
    EXPECT_FALSE(menu.OwnerDraw());
    menu.SetStyle(msOwnerDraw);
    EXPECT_TRUE(menu.OwnerDraw());
    EXPECT_NE(menu.style(), plain);
    menu.SetStyle(msStandard);
    EXPECT_FALSE(menu.OwnerDraw());
    EXPECT_EQ(menu.style(), plain);
    menu.SetImages(&images);
    EXPECT_TRUE(menu.OwnerDraw());
    menu.SetImages(nullptr);
    EXPECT_FALSE(menu.OwnerDraw());
}

TEST_F(PopupFixture, ItemsDrawnWithTheirImages) {
    menu.SetImages(&images);
    const QImage image = shot();
    EXPECT_TRUE(Holds(image, itemRect(open), clRed));
    EXPECT_FALSE(Holds(image, itemRect(open), clLime));
    EXPECT_TRUE(Holds(image, itemRect(save), clLime));
    EXPECT_FALSE(Holds(image, itemRect(quit), clRed));
    // Every item reserves the image's room, so captions line up.
    EXPECT_GE(itemRect(open).height(), 20);
}

TEST_F(PopupFixture, DisabledImageEmbossedAndTextGrey) {
    menu.SetImages(&images);
    open->setEnabled(false);
    const QImage image = shot();
    EXPECT_FALSE(Holds(image, itemRect(open), clRed));
    EXPECT_TRUE(Holds(image, itemRect(open), clBtnShadow));
    EXPECT_FALSE(Holds(image, itemRect(open), clMenuText));
}

TEST_F(PopupFixture, DefaultItemIsBoldAndWider) {
    menu.SetStyle(msOwnerDraw);
    const int plain = shot().width();
    menu.setDefaultAction(quit);
    menu.RefreshMenu(false);
    menu.Refresh();
    int darkPlain = 0, darkBold = 0;
    const QImage image = shot();
    for (QAction* item : {save, quit})
        for (int y = itemRect(item).top(); y <= itemRect(item).bottom(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (PixelAt(image, x, y) == Plain(clMenuText))
                    (item == quit ? darkBold : darkPlain)++;
    EXPECT_GT(darkBold, 0);
    EXPECT_GE(image.width(), plain);
    // "Esci" is shorter than "Salva" yet bold: more ink per letter.
    EXPECT_GT(darkBold * 5, darkPlain * 3);
}

TEST_F(PopupFixture, MarginGradientFromBlueToAQuarter) {
    EXPECT_EQ(QuarterColor(clBlue), 0x3F0000);
    EXPECT_EQ(QuarterColor(0x030507), 0x000101);
    menu.SetLeftMargin(20);
    menu.SetStyle(msOwnerDraw);
    const QImage image = shot();
    const QRect first = itemRect(open);
    const int x = first.left() + 2;
    const TColor top = PixelAt(image, x, first.top());
    const TColor bottom = PixelAt(image, x, itemRect(quit).bottom());
    EXPECT_GT(top >> 16, bottom >> 16);
    EXPECT_EQ(top & 0xFFFF, 0);
    EXPECT_EQ(PixelAt(image, first.left() + 18, first.top()), Plain(clBtnShadow));
    EXPECT_EQ(PixelAt(image, first.left() + 19, first.top()), Plain(clBtnHighlight));
    // The item starts past the margin and a pixel more.
    EXPECT_EQ(PixelAt(image, first.left() + 21, first.top()), Plain(clMenu));
}

TEST_F(PopupFixture, SelectedItemHighlightedExceptInButtonStyles) {
    menu.SetStyle(msOwnerDraw);
    menu.show();
    menu.setActiveAction(save);
    QImage image = shot();
    EXPECT_TRUE(Holds(image, itemRect(save), clHighlight));
    menu.SetStyle(msBtnLowered);
    menu.setActiveAction(save);
    image = shot();
    EXPECT_FALSE(Holds(image, itemRect(save), clHighlight));
    const QRect r = itemRect(save);
    EXPECT_EQ(PixelAt(image, r.left() + 5, r.top()), Plain(clBtnShadow));
    EXPECT_EQ(PixelAt(image, r.left() + 5, r.bottom()), Plain(clBtnHighlight));
    menu.hide();
}

TEST_F(PopupFixture, GlyphCountOutsideOneToFiveCountsAsOne) {
    TBitmap graphic(32, 16, clRed);
    graphic.SetTransparentColor(clFuchsia);
    QPainter(&graphic.Image()).fillRect(16, 0, 16, 16, ToQColor(clLime));
    int glyphs = 0;
    int measuredWidth = 0;
    menu.OnGetItemParams = [&](QWidget*, QAction* item, TMenuOwnerDrawState,
                               TMenuItemParams& params) {
        if (item == open) {
            params.Graphic = graphic;
            params.NumGlyphs = glyphs;
        }
    };
    menu.OnMeasureItem = [&](QWidget*, QAction* item, int& width, int&) {
        if (item == open)
            measuredWidth = width;
    };
    std::vector<int> widths;
    for (int count : {0, 1, 2, 6, -3}) {
        glyphs = count;
        menu.RefreshMenu(false);
        menu.SetStyle(msOwnerDraw);
        const QImage image = shot();
        widths.push_back(measuredWidth);
        EXPECT_TRUE(Holds(image, itemRect(open), clRed)) << count;
        EXPECT_EQ(Holds(image, itemRect(open), clLime), count != 2) << count;
    }
    EXPECT_EQ(widths[0], widths[1]);
    EXPECT_EQ(widths[0], widths[3]);
    EXPECT_EQ(widths[0], widths[4]);
    EXPECT_EQ(widths[0] - widths[2], 16);
}

TEST_F(PopupFixture, DrawItemEventReplacesTheDefaultDrawing) {
    menu.OnDrawItem = [](QWidget*, QAction*, QPainter& canvas, QRect rect, TMenuOwnerDrawState) {
        canvas.fillRect(rect.adjusted(2, 2, -2, -2), ToQColor(clYellow));
    };
    menu.SetStyle(msOwnerDraw);
    const QImage image = shot();
    EXPECT_TRUE(Holds(image, itemRect(quit), clYellow));
    EXPECT_FALSE(Holds(image, itemRect(quit), clMenuText));
}

TEST_F(PopupFixture, PopupRemembersThePointAndAligns) {
    QPoint answered;
    const auto old = SetPopupMenuHook([&](TPopupMenu&, QPoint point) {
        answered = point;
        return static_cast<QAction*>(nullptr);
    });
    menu.Alignment = TPopupMenu::paRight;
    menu.Popup({100, 50});
    EXPECT_EQ(menu.PopupPoint(), QPoint(100, 50));
    EXPECT_EQ(answered, QPoint(100, 50));
    SetPopupMenuHook(old);
}

TEST_F(PopupFixture, DefaultItemIsMeasuredInBold) {
    menu.SetStyle(msOwnerDraw);
    int width = 0;
    menu.OnMeasureItem = [&](QWidget*, QAction* item, int& w, int&) {
        if (item == save)
            width = w;
    };
    shot();
    const int plain = width;
    menu.setDefaultAction(save);
    menu.Refresh();
    shot();
    EXPECT_GT(width, plain);
}

TEST(KxMenus, SeparatorsTakeHalfTheTextHeightAtLeastNine) {
    for (const int pixels : {8, 12, 40, 64}) {
        for (const TKxMenuStyle style : {msOwnerDraw, msBtnRaised}) {
            TKxPopupMenu menu;
            menu.setFont(SharpFont(pixels));
            menu.addAction("Apri");
            QAction* separator = menu.addSeparator();
            menu.addAction("Esci");
            menu.SetStyle(style);
            menu.adjustSize();
            const int expected = std::max(QFontMetrics(menu.font()).height() / 2, 9);
            const QRect r = menu.actionGeometry(separator);
            EXPECT_EQ(r.height(), expected) << pixels;
            const QImage image = Shot(menu);
            const int middle = r.top() + r.height() / 2;
            EXPECT_EQ(PixelAt(image, r.center().x(), middle - 1), Plain(clBtnShadow)) << pixels;
            EXPECT_EQ(PixelAt(image, r.center().x(), middle), Plain(clBtnHighlight)) << pixels;
        }
    }
}

TEST(KxMenus, MainMenuMeasuresAgainWhenImagesCome) {
    QMainWindow window;
    auto* bar = new TKxMainMenu;
    window.setMenuBar(bar);
    window.resize(300, 200);
    bar->setFont(SharpFont());
    bar->addMenu("File")->addAction("Esci");
    QAction* help = bar->addAction("Aiuto");
    help->setData(0);
    QAction* info = bar->addAction("Info");
    info->setData(1);
    TImageList images(16, 16);
    images.Add(Square(clRed), {});
    bar->SetStyle(msOwnerDraw);
    window.show();
    const int plain = bar->actionGeometry(help).width();
    const int plainInfo = bar->actionGeometry(info).width();
    bar->SetImages(&images);
    QRect r = bar->actionGeometry(help);
    EXPECT_GE(r.width(), plain + 16);
    EXPECT_GE(r.height(), 20);
    EXPECT_TRUE(Holds(Shot(*bar), r, clRed));
    EXPECT_EQ(bar->actionGeometry(info).width(), plainInfo) << "no image of its own yet";
    images.Add(Square(clLime), {});
    r = bar->actionGeometry(info);
    EXPECT_GE(r.width(), plainInfo + 16);
    EXPECT_TRUE(Holds(Shot(*bar), r, clLime));
}

TEST(KxMenus, AnImageListServesEveryMenuAndMayGoFirst) {
    auto images = std::make_unique<TImageList>(16, 16);
    TKxPopupMenu first;
    auto second = std::make_unique<TKxPopupMenu>();
    for (TKxPopupMenu* menu : {&first, second.get()}) {
        menu->addAction("Apri")->setData(0);
        menu->SetImages(images.get());
        EXPECT_FALSE(menu->OwnerDraw());
    }
    images->Add(Square(clRed), {});
    EXPECT_TRUE(first.OwnerDraw());
    EXPECT_TRUE(second->OwnerDraw());
    second.reset();
    images->Add(Square(clLime), {});
    images.reset(); // the sanitizer would catch a list used after its deletion
    EXPECT_EQ(first.Images(), nullptr);
    EXPECT_FALSE(first.OwnerDraw());
}

TEST(KxMenus, TheCursorShowsOverItemsThatOpenNothingOrArePopupItems) {
    QMainWindow window;
    auto* bar = new TKxMainMenu;
    window.setMenuBar(bar);
    bar->setFont(SharpFont());
    QMenu* file = bar->addMenu("File");
    QAction* quit = file->addAction("Esci");
    QAction* help = bar->addAction("Aiuto");
    bar->Cursor = Qt::PointingHandCursor;
    bar->SetStyle(msOwnerDraw);
    window.show();
    bar->setActiveAction(help);
    EXPECT_EQ(bar->cursor().shape(), Qt::PointingHandCursor);
    bar->setActiveAction(bar->actions().at(0));
    EXPECT_FALSE(bar->testAttribute(Qt::WA_SetCursor)) << "a top-level item with a sub-menu";
    file->setActiveAction(quit);
    EXPECT_EQ(file->cursor().shape(), Qt::PointingHandCursor);
    file->hide();

    TKxPopupMenu popup;
    QMenu* more = popup.addMenu("Altro");
    more->addAction("Niente");
    QAction* open = popup.addAction("Apri");
    popup.Cursor = Qt::CrossCursor;
    popup.show();
    for (QAction* item : {more->menuAction(), open}) {
        popup.unsetCursor();
        popup.setActiveAction(item);
        EXPECT_EQ(popup.cursor().shape(), Qt::CrossCursor) << item->text().toStdString();
        EXPECT_TRUE(popup.testAttribute(Qt::WA_SetCursor));
    }
}

TEST(KxMenus, PopupAlignmentFollowsTheOpenersReadingOrder) {
    struct Case {
        Qt::LayoutDirection direction;
        TPopupMenu::TPopupAlignment asked, used;
    };
    const Case cases[] = {
        {Qt::LeftToRight, TPopupMenu::paLeft, TPopupMenu::paLeft},
        {Qt::LeftToRight, TPopupMenu::paRight, TPopupMenu::paRight},
        {Qt::RightToLeft, TPopupMenu::paLeft, TPopupMenu::paRight},
        {Qt::RightToLeft, TPopupMenu::paRight, TPopupMenu::paLeft},
        {Qt::RightToLeft, TPopupMenu::paCenter, TPopupMenu::paCenter},
    };
    for (const Case& c : cases) {
        QWidget opener;
        opener.setLayoutDirection(c.direction);
        TKxPopupMenu menu;
        menu.addAction("Apri");
        menu.PopupComponent = &opener;
        menu.Alignment = c.asked;
        TPopupMenu::TPopupAlignment used = TPopupMenu::paCenter;
        Qt::LayoutDirection read = Qt::LayoutDirectionAuto;
        const auto old = SetPopupMenuHook([&](TPopupMenu& shown, QPoint) {
            used = shown.Alignment;
            read = shown.layoutDirection();
            return static_cast<QAction*>(nullptr);
        });
        menu.Popup({100, 50});
        SetPopupMenuHook(old);
        EXPECT_EQ(used, c.used) << c.asked;
        EXPECT_EQ(read, c.direction) << c.asked;
        EXPECT_EQ(menu.Alignment, c.asked) << "given back";
        EXPECT_EQ(menu.layoutDirection(), Qt::LeftToRight) << "given back";
    }
}

// The items a drop-down menu and a pop-up menu are both given.
std::vector<QAction*> FillWithImages(QMenu& menu) {
    menu.setFont(SharpFont());
    QAction* open = menu.addAction("&Apri");
    open->setData(0);
    open->setShortcut(QKeySequence("Ctrl+O"));
    menu.addAction("Salva")->setData(1);
    menu.addSeparator();
    menu.addAction("Esci");
    const QList<QAction*> items = menu.actions();
    return {items.begin(), items.end()};
}

std::vector<QSize> ItemSizes(QMenu& menu) {
    std::vector<QSize> sizes;
    for (QAction* item : menu.actions())
        sizes.push_back(menu.actionGeometry(item).size());
    return sizes;
}

bool WearsPlatformStyle(QWidget& widget) {
    return widget.style() == QApplication::style() && !widget.testAttribute(Qt::WA_SetStyle);
}

TEST(KxMenus, MainMenuDropDownsAreDrawnLikePopupMenus) {
    QMainWindow window;
    auto* bar = new TKxMainMenu;
    window.setMenuBar(bar);
    window.resize(300, 200);
    bar->setFont(SharpFont());
    QMenu* file = bar->addMenu("File");
    const std::vector<QAction*> items = FillWithImages(*file);
    TKxPopupMenu popup;
    FillWithImages(popup);
    const std::vector<QSize> plainSizes = ItemSizes(*file);
    TImageList images(16, 16);
    images.Add(Square(clRed), {});
    images.Add(Square(clLime), {});
    bar->SetImages(&images);
    popup.SetImages(&images);
    window.show();
    bar->setActiveAction(file->menuAction());
    ASSERT_TRUE(WaitFor([&] { return file->isVisible(); }));
    QImage image = Shot(*file);
    EXPECT_TRUE(Holds(image, file->actionGeometry(items[0]), clRed));
    EXPECT_TRUE(Holds(image, file->actionGeometry(items[1]), clLime));
    EXPECT_FALSE(Holds(image, file->actionGeometry(items[3]), clRed));
    popup.adjustSize();
    EXPECT_EQ(ItemSizes(*file), ItemSizes(popup));
    file->hide();

    // Sub-menus that come later, at any depth, and one built before it was added.
    QMenu* more = file->addMenu("Altro");
    QAction* deep = more->addAction("Profondo");
    deep->setData(1);
    QMenu* deeper = more->addMenu("Ancora");
    QAction* deepest = deeper->addAction("In fondo");
    deepest->setData(0);
    QMenu built("Pronto");
    built.setFont(SharpFont());
    QAction* ready = built.addAction("Fatto");
    ready->setData(1);
    deeper->addMenu(&built);
    const struct {
        QMenu* menu;
        QAction* item;
        TColor color;
    } subMenus[] = {{more, deep, clLime}, {deeper, deepest, clRed}, {&built, ready, clLime}};
    for (const auto& sub : subMenus) {
        sub.menu->adjustSize();
        EXPECT_TRUE(Holds(Shot(*sub.menu), sub.menu->actionGeometry(sub.item), sub.color))
            << sub.item->text().toStdString();
    }

    // Taken out of the main menu, a menu is the platform's again.
    deeper->removeAction(built.menuAction());
    ASSERT_TRUE(WaitFor([&] { return WearsPlatformStyle(built); }));
    EXPECT_FALSE(WearsPlatformStyle(*deeper));

    bar->SetImages(nullptr);
    EXPECT_FALSE(bar->OwnerDraw());
    for (QMenu* menu : {file, more, deeper})
        EXPECT_TRUE(WearsPlatformStyle(*menu)) << menu->title().toStdString();
    EXPECT_EQ(ItemSizes(*file).at(0), plainSizes.at(0));
    file->adjustSize();
    image = Shot(*file);
    EXPECT_FALSE(Holds(image, file->actionGeometry(items[0]), clRed));
    EXPECT_FALSE(Holds(image, file->actionGeometry(items[1]), clLime));
}

TEST(KxMenus, PopupSubMenusAreOwnerDrawnWithoutTheMargin) {
    TImageList images(16, 16);
    images.Add(Square(clRed), {});
    TKxPopupMenu popup;
    popup.setFont(SharpFont());
    QAction* open = popup.addAction("Apri");
    open->setData(0);
    QMenu* more = popup.addMenu("Altro");
    more->setFont(SharpFont());
    QAction* deep = more->addAction("Apri");
    deep->setData(0);
    popup.SetLeftMargin(20);
    popup.SetImages(&images);
    more->adjustSize();
    const QImage image = Shot(*more);
    const QRect r = more->actionGeometry(deep);
    EXPECT_TRUE(Holds(image, r, clRed));
    EXPECT_EQ(PixelAt(image, r.left() + 1, r.top()), Plain(clMenu)) << "no margin strip";
    EXPECT_EQ(popup.MeasureItemSize(open).width(), popup.MeasureItemSize(deep).width() + 21);
}

// An item that opens a sub-menu leaves room for its arrow: two tab widths past its caption.
TEST(KxMenus, AnItemThatOpensASubMenuHasRoomForItsArrow) {
    TKxPopupMenu withArrow;
    TKxPopupMenu without;
    for (TKxPopupMenu* popup : {&withArrow, &without}) {
        popup->setFont(SharpFont());
        popup->SetStyle(msOwnerDraw);
    }
    QAction* opener = withArrow.addMenu("Scacchiera")->menuAction();
    QAction* plain = without.addAction("Scacchiera");
    const int arrow = 2 * 8 * QFontMetrics(withArrow.font()).averageCharWidth();
    EXPECT_EQ(withArrow.MeasureItemSize(opener).width(),
              without.MeasureItemSize(plain).width() + arrow);
    withArrow.adjustSize();
    without.adjustSize();
    EXPECT_EQ(withArrow.actionGeometry(opener).width(),
              without.actionGeometry(plain).width() + arrow);
}

// Items of one caption are each measured as themselves, whichever comes first.
TEST(KxMenus, ItemsOfTheSameCaptionAreMeasuredEachAsItself) {
    for (const bool defaultItem : {false, true}) {
        TKxPopupMenu popup;
        popup.setFont(SharpFont());
        popup.SetStyle(msOwnerDraw);
        popup.addAction("Scacchiera");
        QAction* wider =
            defaultItem ? popup.addAction("Scacchiera") : popup.addMenu("Scacchiera")->menuAction();
        if (defaultItem)
            popup.setDefaultAction(wider);
        popup.adjustSize();
        EXPECT_EQ(popup.actionGeometry(wider).width(), popup.MeasureItemSize(wider).width())
            << defaultItem;
    }
}

// Menus, sub-menus and the image list go in every order; the sanitizer watches.
TEST(KxMenus, MenusAndImagesMayGoInAnyOrder) {
    enum Part { Bar, DropDown, SubMenu, Images };
    std::vector<Part> order = {Bar, DropDown, SubMenu, Images};
    do {
        auto window = std::make_unique<QMainWindow>();
        auto images = std::make_unique<TImageList>(16, 16);
        images->Add(Square(clRed), {});
        auto* bar = new TKxMainMenu;
        window->setMenuBar(bar);
        bar->setFont(SharpFont());
        auto dropDown = std::make_unique<QMenu>("File");
        dropDown->addAction("Apri")->setData(0);
        auto subMenu = std::make_unique<QMenu>("Altro");
        subMenu->addAction("Profondo")->setData(0);
        dropDown->addMenu(subMenu.get());
        bar->addMenu(dropDown.get());
        bar->SetImages(images.get());
        window->show();
        const auto paintAll = [&] {
            for (QWidget* widget :
                 {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(dropDown.get()),
                  static_cast<QWidget*>(subMenu.get())})
                if (widget) {
                    widget->adjustSize();
                    Shot(*widget);
                }
            QCoreApplication::processEvents();
        };
        paintAll();
        for (const Part part : order) {
            if (part == Bar)
                window.reset();
            else if (part == DropDown)
                dropDown.reset();
            else if (part == SubMenu)
                subMenu.reset();
            else
                images.reset();
            paintAll();
            // A menu is owner-drawn while the main menu and the images last and it is reachable.
            const bool drawn = window && images;
            if (dropDown) {
                EXPECT_EQ(WearsPlatformStyle(*dropDown), !drawn);
            }
            if (subMenu) {
                EXPECT_EQ(WearsPlatformStyle(*subMenu), !(drawn && dropDown));
            }
        }
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(KxMenus, ProxyLeavesTheMenuBeforeItIsDeleted) {
    auto* window = new QWidget;
    auto* bar = new TKxMainMenu(window);
    bar->setFont(SharpFont());
    QPointer<QStyle> proxy;
    bar->addMenu("File")->addAction("Esci");
    bar->addAction("Aiuto");
    bar->SetStyle(msBtnRaised);
    proxy = bar->style();
    window->show();
    const QImage image = Shot(*bar);
    EXPECT_TRUE(Holds(image, bar->actionGeometry(bar->actions().at(1)), clMenuText));
    EXPECT_FALSE(bar->IsItemPopup(bar->actions().at(0)));
    EXPECT_TRUE(bar->IsItemPopup(bar->actions().at(0)->menu()->actions().at(0)));
    delete window; // the sanitizer would catch a style used after its deletion
    EXPECT_TRUE(proxy.isNull());
}

TEST(KxMenus, OnPopupSeesTheOpenersReadingOrderAndMayTurnOwnerDrawingOn) {
    QWidget opener;
    opener.setLayoutDirection(Qt::RightToLeft);
    TKxPopupMenu menu;
    menu.addAction("Apri");
    menu.PopupComponent = &opener;
    Qt::LayoutDirection read = Qt::LayoutDirectionAuto;
    menu.OnPopup = [&](QObject* sender) {
        EXPECT_EQ(sender, &menu);
        read = menu.layoutDirection();
        menu.SetStyle(msOwnerDraw);
    };
    bool ownerDrawn = false;
    const auto old = SetPopupMenuHook([&](TPopupMenu&, QPoint) {
        ownerDrawn = menu.OwnerDraw();
        return static_cast<QAction*>(nullptr);
    });
    // What the event sets is in force when the menu opens.
    menu.Popup({100, 50});
    EXPECT_EQ(read, Qt::RightToLeft);
    EXPECT_TRUE(ownerDrawn);
    menu.OnPopup = [&](QObject*) { menu.SetStyle(msStandard); };
    menu.Popup({100, 50});
    EXPECT_FALSE(ownerDrawn);
    // Opened as a plain pop-up menu (a speed button's drop-down), it is still the component's.
    static_cast<TPopupMenu&>(menu).Popup({7, 8});
    EXPECT_EQ(menu.PopupPoint(), QPoint(7, 8));
    // The plain pop-up menu fires it too.
    TPopupMenu plain;
    int fired = 0;
    plain.OnPopup = [&](QObject*) { ++fired; };
    plain.Popup({10, 10});
    EXPECT_EQ(fired, 1);
    SetPopupMenuHook(old);
}

TEST(KxMenus, ItemsUseThePlainMenuFontInMenuTextColour) {
    TKxPopupMenu menu;
    QFont fancy = SharpFont(14, true);
    fancy.setItalic(true);
    fancy.setUnderline(true);
    fancy.setStrikeOut(true);
    menu.setFont(fancy);
    QFont font;
    TColor color = clRed;
    SetDefaultMenuFont(font, color, &menu);
    EXPECT_EQ(font.family(), fancy.family());
    EXPECT_EQ(font.pixelSize(), 14);
    EXPECT_FALSE(font.bold() || font.italic() || font.underline() || font.strikeOut());
    EXPECT_EQ(color, clMenuText);
    SetDefaultMenuFont(font, color);
    EXPECT_EQ(font.family(), QApplication::font("QMenu").family());
    // Items are measured and drawn with it.
    QAction* open = menu.addAction("Apri");
    menu.SetStyle(msOwnerDraw);
    QFont given;
    menu.OnGetItemParams = [&](QWidget*, QAction* item, TMenuOwnerDrawState,
                               TMenuItemParams& params) {
        if (item == open)
            given = params.Font;
    };
    menu.adjustSize();
    Shot(menu);
    EXPECT_EQ(given.pixelSize(), 14);
    EXPECT_FALSE(given.italic() || given.underline() || given.strikeOut() || given.bold());
}

} // namespace
