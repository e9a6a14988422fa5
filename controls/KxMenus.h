#pragma once
// Menus whose items the component draws: an image from a list or a graphic beside each item,
// flat or button-like selection, a coloured margin down a pop-up menu and events to change or
// draw an item. Qt draws menus through the widget's style, so while owner drawing is on each
// menu, and every sub-menu it opens at any depth, wears a proxy style of its own that hands
// items to the menu.

#include "platform/Colors.h"
#include "platform/Graphics.h"
#include "platform/PopupMenu.h"

#include <QFont>
#include <QMenuBar>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QAction;
class QStyle;

namespace controls {

enum TKxMenuStyle { msStandard, msOwnerDraw, msBtnLowered, msBtnRaised };

// The same bits as the system's owner-draw item state.
enum TMenuOwnerDrawStateBit {
    mdSelected = 1,
    mdGrayed = 2,
    mdDisabled = 4,
    mdChecked = 8,
    mdFocused = 16,
    mdDefault = 32
};
using TMenuOwnerDrawState = int;

using TDrawMenuItemEvent = std::function<void(QWidget* Sender, QAction* Item, QPainter& Canvas,
                                              QRect Rect, TMenuOwnerDrawState State)>;
using TMeasureMenuItemEvent =
    std::function<void(QWidget* Sender, QAction* Item, int& Width, int& Height)>;
using TDrawMarginEvent = std::function<void(QWidget* Sender, QPainter& Canvas, QRect Rect)>;
using TItemImageEvent =
    std::function<void(QWidget* Sender, QAction* Item, TMenuOwnerDrawState State, int& ImageIndex)>;

// What an item is drawn with, after OnGetItemParams.
struct TMenuItemParams {
    QFont Font;
    TColor FontColor = platform::clMenuText;
    TColor Color = platform::clMenu;
    platform::TBitmap Graphic;
    int NumGlyphs = 1;
};
// Called with the font, colours, graphic and glyph count the item would be drawn with.
using TItemParamsEvent = std::function<void(QWidget* Sender, QAction* Item,
                                            TMenuOwnerDrawState State, TMenuItemParams& Params)>;

// The font items are drawn and measured with: the menu's own (the system's menu font unless the
// program gave the menu another), without bold, italics, underline or strike-out, in clMenuText.
void SetDefaultMenuFont(QFont& Font, TColor& Color, const QWidget* Menu = nullptr);

// The part both menus share: the properties, the events and the drawing and measuring of items.
// The image index of an item is its QAction's data when that is an integer, else none.
class TKxMenuDrawer {
public:
    explicit TKxMenuDrawer(QWidget* menu);
    virtual ~TKxMenuDrawer();
    TKxMenuDrawer(const TKxMenuDrawer&) = delete;
    TKxMenuDrawer& operator=(const TKxMenuDrawer&) = delete;

    TKxMenuStyle Style() const { return style_; }
    void SetStyle(TKxMenuStyle value);
    const platform::TImageList* Images() const { return imagesLink_.Sender(); }
    // The list is not owned; several menus may share it, and when it goes the menus let it go.
    void SetImages(platform::TImageList* value);
    bool ShowCheckMarks = true;
    int MinTextOffset = 0;
    Qt::CursorShape Cursor = Qt::ArrowCursor;

    TDrawMenuItemEvent OnDrawItem;
    TMeasureMenuItemEvent OnMeasureItem;
    TItemParamsEvent OnGetItemParams;
    TItemImageEvent OnGetImageIndex;

    bool IsOwnerDrawMenu() const;
    bool OwnerDraw() const { return proxy_ != nullptr; }
    void Refresh() { RefreshMenu(IsOwnerDrawMenu()); }
    virtual void RefreshMenu(bool on);
    // True unless the item is a top-level item of a main menu.
    virtual bool IsItemPopup(QAction* item) const = 0;

    // The default drawing, for OnDrawItem handlers.
    void DefaultDrawItem(QPainter& canvas, QAction* item, QRect rect, TMenuOwnerDrawState state,
                         const TMenuItemParams& params, int imageIndex);

    // Called by the proxy style.
    virtual void PaintItem(QPainter& canvas, QAction* item, QRect rect, TMenuOwnerDrawState state);
    QSize MeasureItemSize(QAction* item);
    virtual void PaintPanel(QPainter&, const QWidget* /*panel*/, QRect) {}
    // Sub-menus that came into the menu wear the proxy; ones taken out of it go back.
    void WearSubMenus();
    void LetGoOfStrayMenus();

    // Over a highlighted item, the menu showing it wears Cursor when the item is a pop-up item
    // or opens nothing; otherwise the default cursor.
    void ShowItemCursor(QAction* item);

    // The check mark's width and a menu bar's height, as the system reports them.
    static int CheckMarkWidth();
    static int MenuHeight(const QFontMetrics& metrics);
    static int GapUnit() { return (CheckMarkWidth() * 3 + 5) / 10; }

protected:
    virtual void DrawItem(QPainter& canvas, QAction* item, QRect rect, TMenuOwnerDrawState state);
    virtual TMenuItemParams GetItemParams(QAction* item, TMenuOwnerDrawState state);
    virtual int GetImageIndex(QAction* item, TMenuOwnerDrawState state);
    virtual void MeasureItem(QAction* item, int& width, int& height);
    virtual int ExtraTopLevelWidth() const { return 0; }
    // The items measured again, as after a change of what they show.
    void Remeasure();
    // The menu or sub-menu showing the item: its font and siblings are the item's.
    QWidget* shownIn(const QAction* item) const;

    QWidget* menu_;

private:
    int textStart(QAction* item) const;
    int imageSlot(QAction* item, int imageIndex, const TMenuItemParams& params) const;
    void drawImage(QPainter& canvas, QAction* item, QRect area, int imageIndex,
                   const TMenuItemParams& params, TMenuOwnerDrawState state) const;
    void drawCheck(QPainter& canvas, QAction* item, QRect checkArea, QRect imageArea,
                   const TMenuItemParams& params, bool buttons) const;
    void drawCaption(QPainter& canvas, QAction* item, QRect rect, int left,
                     TMenuOwnerDrawState state, const TMenuItemParams& params) const;
    // A caption and two tabs; shortcuts start after the widest of the item's siblings.
    static int captionColumn(const QAction* item, const QFontMetrics& metrics);
    static int shortcutColumn(const QWidget* shownIn, const QFontMetrics& metrics);
    static int widestShortcut(const QWidget* shownIn, const QFontMetrics& metrics);
    // The menu and its sub-menus at any depth.
    std::vector<QWidget*> reachableMenus() const;
    bool wears(const QWidget* widget) const;
    void wear(QWidget* widget);
    void letGo(QWidget* widget);

    TKxMenuStyle style_ = msStandard;
    platform::TChangeLink imagesLink_;
    std::unique_ptr<QStyle> proxy_;
    // The widgets wearing the proxy; any may be deleted by its owner meanwhile.
    std::vector<QPointer<QWidget>> worn_;
};

// The bar lays out no separator and never asks its style about one, so a separator among the
// top-level items is neither measured nor drawn; the room it would be given is 0 wide anyway.
class TKxMainMenu : public QMenuBar, public TKxMenuDrawer {
    Q_OBJECT
public:
    explicit TKxMainMenu(QWidget* parent = nullptr);
    ~TKxMainMenu() override;

    bool IsItemPopup(QAction* item) const override;
};

class TKxPopupMenu : public platform::TPopupMenu, public TKxMenuDrawer {
    Q_OBJECT
public:
    explicit TKxPopupMenu(QWidget* parent = nullptr);
    ~TKxPopupMenu() override;

    int LeftMargin() const { return leftMargin_; }
    void SetLeftMargin(int value);
    TDrawMarginEvent OnDrawMargin;
    QPoint PopupPoint() const { return popupPoint_; }

    // Remembers the point, reads in the opening control's direction (which swaps a left and a
    // right alignment when it runs right to left), refreshes owner drawing, then pops up as the
    // plain pop-up menu does.
    void Popup(QPoint screenPoint) override;

    bool IsItemPopup(QAction*) const override { return true; }
    void PaintPanel(QPainter& canvas, const QWidget* panel, QRect rect) override;
    void PaintItem(QPainter& canvas, QAction* item, QRect rect, TMenuOwnerDrawState state) override;

    // A gradient from clBlue to a quarter of its components, with the 3-D edge on the right.
    static void DefaultDrawMargin(QPainter& canvas, QRect rect, TColor startColor, TColor endColor);

protected:
    virtual void DrawMargin(QPainter& canvas, QRect rect);
    // The margin runs down the menu itself, not down its sub-menus.
    int ExtraTopLevelWidth() const override { return leftMargin_ > 0 ? leftMargin_ + 1 : 0; }

private:
    int leftMargin_ = 0;
    QPoint popupPoint_{-1, -1};
};

// A colour made of a quarter of each component of the colour (truncated).
TColor QuarterColor(TColor color);

} // namespace controls
