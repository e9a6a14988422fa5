#include "controls/KxMenus.h"

#include "storage/kxVclutils.h"

#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace controls {

using namespace platform;

namespace {

// Hands the menu's items and panel to its drawer; everything else is the application's style.
// It also watches the menus wearing it for sub-menus coming and going.
class TKxMenuProxy : public QProxyStyle {
public:
    explicit TKxMenuProxy(TKxMenuDrawer& drawer) : drawer_(drawer) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged) {
            drawer_.WearSubMenus();
        } else if (event->type() == QEvent::ActionRemoved) {
            // A menu whose item goes may be in the middle of its deletion: let go of it later.
            QMetaObject::invokeMethod(
                this, [this] { drawer_.LetGoOfStrayMenus(); }, Qt::QueuedConnection);
        }
        return QProxyStyle::eventFilter(watched, event);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuItem || element == CE_MenuBarItem) {
            if (QAction* item = actionAt(widget, option->rect.center())) {
                painter->save();
                painter->setClipRect(option->rect);
                drawer_.PaintItem(*painter, item, option->rect, stateOf(option, item, widget));
                painter->restore();
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element == PE_PanelMenu) {
            const int frame = pixelMetric(PM_MenuPanelWidth, option, widget);
            drawer_.PaintPanel(*painter, widget,
                               option->rect.adjusted(frame, frame, -frame, -frame));
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuItem || type == CT_MenuBarItem) {
            const auto* menuOption = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (QAction* item = menuOption ? actionOf(widget, *menuOption) : nullptr)
                return drawer_.MeasureItemSize(item);
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        // Items fill the menu from edge to edge, as owner-drawn items do.
        if (metric == PM_MenuHMargin || metric == PM_MenuVMargin ||
            metric == PM_MenuBarItemSpacing || metric == PM_MenuBarHMargin ||
            metric == PM_MenuBarVMargin)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    static QAction* actionAt(const QWidget* widget, QPoint point) {
        if (const auto* menu = qobject_cast<const QMenu*>(widget))
            return menu->actionAt(point);
        if (const auto* bar = qobject_cast<const QMenuBar*>(widget))
            return bar->actionAt(point);
        return nullptr;
    }

    // The option carries no action, and while the menu measures, no place either: the first
    // visible action of the same caption that looks as the option says, so that items of one
    // caption are told apart; else the first of that caption (or a separator).
    static QAction* actionOf(const QWidget* widget, const QStyleOptionMenuItem& option) {
        const bool separator = option.menuItemType == QStyleOptionMenuItem::Separator;
        const auto* menu = qobject_cast<const QMenu*>(widget);
        QAction* sameCaption = nullptr;
        for (QAction* action : widget->actions()) {
            if (!action->isVisible() || action->isSeparator() != separator)
                continue;
            if (separator)
                return action;
            if (option.text.section(u'\t', 0, 0) != action->text())
                continue;
            if (!menu || looksAs(*menu, *action, option))
                return action;
            if (!sameCaption)
                sameCaption = action;
        }
        return sameCaption;
    }

    // Whether the menu's option for the action would be this one.
    static bool looksAs(const QMenu& menu, const QAction& action,
                        const QStyleOptionMenuItem& option) {
        using Item = QStyleOptionMenuItem;
        const Item::MenuItemType type = action.menu()                     ? Item::SubMenu
                                        : menu.defaultAction() == &action ? Item::DefaultItem
                                                                          : Item::Normal;
        const bool checkable = option.checkType != Item::NotCheckable;
        const bool enabled = menu.isEnabled() && action.isEnabled() &&
                             (!action.menu() || action.menu()->isEnabled());
        const QIcon icon = action.isIconVisibleInMenu() ? action.icon() : QIcon();
        return option.menuItemType == type && checkable == action.isCheckable() &&
               (!checkable || option.checked == action.isChecked()) &&
               bool(option.state & State_Enabled) == enabled &&
               option.icon.cacheKey() == icon.cacheKey() &&
               option.font == action.font().resolve(menu.font());
    }

    static TMenuOwnerDrawState stateOf(const QStyleOption* option, QAction* item,
                                       const QWidget* widget) {
        TMenuOwnerDrawState state = 0;
        if (option->state & (State_Selected | State_Sunken))
            state |= mdSelected;
        if (!item->isEnabled())
            state |= mdGrayed | mdDisabled;
        if (item->isChecked())
            state |= mdChecked;
        const auto* menu = qobject_cast<const QMenu*>(widget);
        if (menu && menu->defaultAction() == item)
            state |= mdDefault;
        return state;
    }

    TKxMenuDrawer& drawer_;
};

int tabWidth(const QFontMetrics& metrics) {
    return 8 * metrics.averageCharWidth();
}

QString plainCaption(const QAction* item) {
    QString text = item->text();
    return text.remove(u'&');
}

QString shortcutText(const QAction* item) {
    return item->shortcut().toString(QKeySequence::NativeText);
}

void drawLine(QPainter& canvas, int left, int right, int y, TColor color) {
    canvas.fillRect(QRect(left, y, right - left, 1), ToQColor(color));
}

} // namespace

TColor QuarterColor(TColor color) {
    const QColor plain = ToQColor(color);
    return platform::FromQColor(QColor(plain.red() / 4, plain.green() / 4, plain.blue() / 4));
}

TKxMenuDrawer::TKxMenuDrawer(QWidget* menu) : menu_(menu) {
    imagesLink_.OnChange = [this] { Refresh(); };
}

TKxMenuDrawer::~TKxMenuDrawer() = default;

void TKxMenuDrawer::SetStyle(TKxMenuStyle value) {
    style_ = value;
    Refresh();
}

void TKxMenuDrawer::SetImages(platform::TImageList* value) {
    if (value)
        value->RegisterChanges(imagesLink_);
    else if (imagesLink_.Sender())
        imagesLink_.Sender()->UnRegisterChanges(imagesLink_);
    Refresh();
}

bool TKxMenuDrawer::IsOwnerDrawMenu() const {
    return style_ != msStandard || (Images() && Images()->Count() > 0);
}

void TKxMenuDrawer::RefreshMenu(bool on) {
    if (on == OwnerDraw()) {
        // Images or a margin may have come or gone: the items are measured again.
        if (on)
            Remeasure();
        return;
    }
    if (on) {
        proxy_ = std::make_unique<TKxMenuProxy>(*this);
        WearSubMenus();
    } else {
        // The widgets let go of the proxy before it is deleted.
        for (QWidget* widget : worn_)
            if (widget)
                letGo(widget);
        worn_.clear();
        proxy_.reset();
    }
    menu_->adjustSize();
}

void TKxMenuDrawer::Remeasure() {
    // What a new style brings about: a menu forgets its item sizes and lays them out again.
    for (QWidget* widget : worn_) {
        if (!widget)
            continue;
        QEvent change(QEvent::StyleChange);
        QCoreApplication::sendEvent(widget, &change);
        widget->update();
    }
    menu_->adjustSize();
}

std::vector<QWidget*> TKxMenuDrawer::reachableMenus() const {
    std::vector<QWidget*> menus{menu_};
    for (std::size_t i = 0; i < menus.size(); ++i)
        for (QAction* item : menus[i]->actions())
            if (QMenu* sub = item->menu(); sub && std::ranges::find(menus, sub) == menus.end())
                menus.push_back(sub);
    return menus;
}

bool TKxMenuDrawer::wears(const QWidget* widget) const {
    return std::ranges::find(worn_, widget) != worn_.end();
}

void TKxMenuDrawer::wear(QWidget* widget) {
    widget->installEventFilter(proxy_.get());
    widget->setStyle(proxy_.get());
    worn_.emplace_back(widget);
}

void TKxMenuDrawer::letGo(QWidget* widget) {
    widget->removeEventFilter(proxy_.get());
    if (widget->style() == proxy_.get())
        widget->setStyle(nullptr);
}

void TKxMenuDrawer::WearSubMenus() {
    for (QWidget* menu : reachableMenus())
        if (!wears(menu))
            wear(menu);
}

void TKxMenuDrawer::LetGoOfStrayMenus() {
    const std::vector<QWidget*> reachable = reachableMenus();
    std::erase_if(worn_, [&](const QPointer<QWidget>& widget) {
        if (widget && std::ranges::find(reachable, widget.data()) != reachable.end())
            return false;
        if (widget)
            letGo(widget);
        return true;
    });
}

QWidget* TKxMenuDrawer::shownIn(const QAction* item) const {
    for (QObject* shown : item->associatedObjects())
        if (auto* widget = qobject_cast<QWidget*>(shown); widget && wears(widget))
            return widget;
    return menu_;
}

int TKxMenuDrawer::CheckMarkWidth() {
    return 13;
}

int TKxMenuDrawer::MenuHeight(const QFontMetrics& metrics) {
    return metrics.height() + 7;
}

void SetDefaultMenuFont(QFont& Font, TColor& Color, const QWidget* Menu) {
    Font = Menu ? Menu->font() : QApplication::font("QMenu");
    Font.setBold(false);
    Font.setItalic(false);
    Font.setUnderline(false);
    Font.setStrikeOut(false);
    Color = clMenuText;
}

TMenuItemParams TKxMenuDrawer::GetItemParams(QAction* item, TMenuOwnerDrawState state) {
    TMenuItemParams params;
    SetDefaultMenuFont(params.Font, params.FontColor, shownIn(item));
    params.Font.setBold(state & mdDefault);
    if ((state & mdSelected) && style_ != msBtnLowered && style_ != msBtnRaised) {
        params.Color = clHighlight;
        params.FontColor = clHighlightText;
    }
    if (OnGetItemParams)
        OnGetItemParams(menu_, item, state, params);
    if (item->isSeparator())
        params.Graphic = {};
    if (params.NumGlyphs < 1 || params.NumGlyphs > 5)
        params.NumGlyphs = 1;
    return params;
}

int TKxMenuDrawer::GetImageIndex(QAction* item, TMenuOwnerDrawState state) {
    bool isIndex = false;
    int index = item->data().toInt(&isIndex);
    if (!isIndex)
        index = -1;
    if (Images() && !item->isSeparator() && OnGetImageIndex)
        OnGetImageIndex(menu_, item, state, index);
    return index;
}

void TKxMenuDrawer::PaintItem(QPainter& canvas, QAction* item, QRect rect,
                              TMenuOwnerDrawState state) {
    DrawItem(canvas, item, rect, state);
}

void TKxMenuDrawer::DrawItem(QPainter& canvas, QAction* item, QRect rect,
                             TMenuOwnerDrawState state) {
    const TMenuItemParams params = GetItemParams(item, state);
    if (params.Color != clNone)
        canvas.fillRect(rect, ToQColor(params.Color));
    if (OnDrawItem) {
        canvas.setFont(params.Font);
        OnDrawItem(menu_, item, canvas, rect, state);
        return;
    }
    DefaultDrawItem(canvas, item, rect, state, params, GetImageIndex(item, state));
}

int TKxMenuDrawer::imageSlot(QAction* item, int imageIndex, const TMenuItemParams& params) const {
    const bool popup = IsItemPopup(item);
    if (const platform::TImageList* images = Images()) {
        const bool inRange = imageIndex >= 0 && imageIndex < images->Count();
        if (popup)
            return std::max(images->Width() + 2, MinTextOffset);
        return inRange ? images->Width() + 2 : 0;
    }
    if (!params.Graphic.Empty()) {
        const int cell = params.Graphic.Width() / params.NumGlyphs + 2;
        return popup ? std::max(cell, MinTextOffset) : cell;
    }
    return popup ? MinTextOffset : 0;
}

int TKxMenuDrawer::textStart(QAction* item) const {
    const int g = GapUnit();
    if (!IsItemPopup(item))
        return g + 2;
    return 2 * g + (ShowCheckMarks ? CheckMarkWidth() : 2);
}

void TKxMenuDrawer::DefaultDrawItem(QPainter& canvas, QAction* item, QRect rect,
                                    TMenuOwnerDrawState state, const TMenuItemParams& params,
                                    int imageIndex) {
    if (item->isSeparator()) {
        const int middle = rect.top() + rect.height() / 2;
        drawLine(canvas, rect.left(), rect.right() + 1, middle - 1, clBtnShadow);
        drawLine(canvas, rect.left(), rect.right() + 1, middle, clBtnHighlight);
        return;
    }
    const bool buttons = style_ == msBtnLowered || style_ == msBtnRaised;
    if (buttons && (state & mdSelected)) {
        QRect frame = rect;
        const bool lowered = style_ == msBtnLowered;
        platform::Frame3D(canvas, frame, lowered ? clBtnShadow : clBtnHighlight,
                          lowered ? clBtnHighlight : clBtnShadow);
    }
    int left = rect.left() + textStart(item);
    const int slot = imageSlot(item, imageIndex, params);
    const platform::TImageList* images = Images();
    const bool hasImage = (images && imageIndex >= 0 && imageIndex < images->Count()) ||
                          (!images && !params.Graphic.Empty());
    const QRect area(left - 1, rect.top(), slot + 2, rect.height());
    if (hasImage)
        drawImage(canvas, item, area, imageIndex, params, state);
    else if (state & mdChecked && IsItemPopup(item))
        drawCheck(canvas, item, QRect(rect.left(), rect.top(), left - rect.left(), rect.height()),
                  area, params, buttons);
    if (slot > 0)
        left += GapUnit() + slot;
    drawCaption(canvas, item, rect, left, state, params);
}

void TKxMenuDrawer::drawImage(QPainter& canvas, QAction* item, QRect area, int imageIndex,
                              const TMenuItemParams& params, TMenuOwnerDrawState state) const {
    const bool enabled = item->isEnabled();
    if (const platform::TImageList* images = Images()) {
        const int x = area.left() + (area.width() - images->Width()) / 2;
        const int y = area.top() + (area.height() - images->Height()) / 2;
        if (enabled)
            images->Draw(canvas, x, y, imageIndex);
        else
            images->DrawDisabled(canvas, x, y, imageIndex, clBtnHighlight, clBtnShadow, true);
        return;
    }
    const int cellWidth = params.Graphic.Width() / params.NumGlyphs;
    // Cells: up, disabled, down (selected), checked, and a fifth for a checked selected item.
    int cell = 0;
    if (!enabled)
        cell = 1;
    else if ((state & mdSelected) && (state & mdChecked))
        cell = 4;
    else if (state & mdChecked)
        cell = 3;
    else if (state & mdSelected)
        cell = 2;
    if (cell >= params.NumGlyphs)
        cell = 0;
    const QImage picture =
        params.Graphic.Masked().copy(cell * cellWidth, 0, cellWidth, params.Graphic.Height());
    canvas.drawImage(area.left() + (area.width() - cellWidth) / 2,
                     area.top() + (area.height() - picture.height()) / 2, picture);
}

void TKxMenuDrawer::drawCheck(QPainter& canvas, QAction* item, QRect checkArea, QRect imageArea,
                              const TMenuItemParams& params, bool buttons) const {
    if (!ShowCheckMarks) {
        if (buttons)
            return;
        canvas.fillRect(imageArea, QBrush(ToQColor(clBtnHighlight), Qt::Dense4Pattern));
        QRect frame = imageArea;
        platform::Frame3D(canvas, frame, clBtnShadow, clBtnHighlight);
        return;
    }
    const int size = CheckMarkWidth();
    const QRect mark(checkArea.left() + (checkArea.width() - size) / 2,
                     checkArea.top() + (checkArea.height() - size) / 2, size, size);
    canvas.save();
    canvas.setPen(ToQColor(params.FontColor));
    canvas.setBrush(ToQColor(params.FontColor));
    if (item->actionGroup() && item->actionGroup()->isExclusive()) {
        canvas.drawEllipse(mark.adjusted(4, 4, -5, -5));
    } else {
        for (int i = 0; i < 3; ++i)
            canvas.drawPolyline(QPolygon({{mark.left() + 3, mark.top() + 5 + i},
                                          {mark.left() + 5, mark.top() + 7 + i},
                                          {mark.left() + 9, mark.top() + 3 + i}}));
    }
    canvas.restore();
}

void TKxMenuDrawer::drawCaption(QPainter& canvas, QAction* item, QRect rect, int left,
                                TMenuOwnerDrawState state, const TMenuItemParams& params) const {
    const bool buttons = style_ == msBtnLowered || style_ == msBtnRaised;
    const bool selected = state & mdSelected;
    const QRect textRect(left, rect.top(), rect.right() + 1 - left, rect.height());
    const QWidget* siblings = shownIn(item);
    const int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    canvas.setFont(params.Font);
    const auto drawText = [&](const QRect& where, TColor color) {
        canvas.setPen(ToQColor(color));
        canvas.drawText(where, flags, item->text());
        const QString shortcut = shortcutText(item);
        if (IsItemPopup(item) && !item->menu() && !shortcut.isEmpty())
            canvas.drawText(
                where.adjusted(shortcutColumn(siblings, QFontMetrics(siblings->font())), 0, 0, 0),
                flags, shortcut);
    };
    if (item->isEnabled()) {
        drawText(textRect, params.FontColor);
        return;
    }
    if (!selected || buttons || ToQColor(clBtnShadow) == ToQColor(clBtnHighlight))
        drawText(textRect.translated(1, 1), clBtnHighlight);
    drawText(textRect, selected && !buttons ? clGrayText : clBtnShadow);
}

int TKxMenuDrawer::captionColumn(const QAction* item, const QFontMetrics& metrics) {
    return metrics.horizontalAdvance(plainCaption(item)) + 2 * tabWidth(metrics);
}

int TKxMenuDrawer::shortcutColumn(const QWidget* shownIn, const QFontMetrics& metrics) {
    int widest = 0;
    for (QAction* sibling : shownIn->actions())
        widest = std::max(widest, captionColumn(sibling, metrics));
    return widest;
}

QSize TKxMenuDrawer::MeasureItemSize(QAction* item) {
    int width = 0;
    int height = 0;
    MeasureItem(item, width, height);
    return {width, height};
}

void TKxMenuDrawer::MeasureItem(QAction* item, int& width, int& height) {
    QWidget* siblings = shownIn(item);
    const auto* popupMenu = qobject_cast<QMenu*>(siblings);
    const TMenuOwnerDrawState state =
        popupMenu && popupMenu->defaultAction() == item ? mdDefault : 0;
    const TMenuItemParams params = GetItemParams(item, state);
    const int imageIndex = GetImageIndex(item, state);
    const QFontMetrics metrics(params.Font);
    const bool popup = IsItemPopup(item);
    height = MenuHeight(metrics) - 2;
    // A separator keeps the starting width: a menu shows no item that is 0 wide.
    width = popup ? 2 * GapUnit() : 0;
    if (item->isSeparator()) {
        height = std::max(metrics.height() / 2, 9);
    } else {
        const int slot = imageSlot(item, imageIndex, params);
        width = textStart(item) + (slot > 0 ? GapUnit() + slot : 0);
        if (popup) {
            // The caption in the item's own font; with a shortcut, the widest of the menu's.
            const bool hasShortcut = !shortcutText(item).isEmpty();
            width +=
                (hasShortcut ? shortcutColumn(siblings, metrics) : captionColumn(item, metrics)) +
                GapUnit();
            if (hasShortcut)
                width += widestShortcut(siblings, metrics) + metrics.horizontalAdvance(u' ');
            if (item->menu())
                width += 2 * tabWidth(metrics);
        } else {
            width += metrics.horizontalAdvance(plainCaption(item)) + GapUnit();
        }
        const platform::TImageList* images = Images();
        int pictureHeight = 0;
        if (images && imageIndex >= 0 && imageIndex < images->Count())
            pictureHeight = images->Height();
        else if (!images && !params.Graphic.Empty())
            pictureHeight = params.Graphic.Height();
        if (pictureHeight > 0)
            height = std::max(height, pictureHeight + 4);
    }
    if (siblings == menu_)
        width += ExtraTopLevelWidth();
    if (OnMeasureItem)
        OnMeasureItem(menu_, item, width, height);
}

int TKxMenuDrawer::widestShortcut(const QWidget* shownIn, const QFontMetrics& metrics) {
    int widest = 0;
    for (QAction* sibling : shownIn->actions())
        widest = std::max(widest, metrics.horizontalAdvance(shortcutText(sibling)));
    return widest;
}

void TKxMenuDrawer::ShowItemCursor(QAction* item) {
    const bool own = Cursor != Qt::ArrowCursor && (IsItemPopup(item) || !item->menu());
    for (QObject* shown : item->associatedObjects()) {
        auto* widget = qobject_cast<QWidget*>(shown);
        if (!qobject_cast<QMenu*>(widget) && !qobject_cast<QMenuBar*>(widget))
            continue;
        if (own)
            widget->setCursor(Cursor);
        else
            widget->unsetCursor();
    }
}

TKxMainMenu::TKxMainMenu(QWidget* parent) : QMenuBar(parent), TKxMenuDrawer(this) {
    // The bar hears of its drop-down menus' items too.
    connect(this, &QMenuBar::hovered, this, [this](QAction* item) {
        if (OwnerDraw())
            ShowItemCursor(item);
    });
}

TKxMainMenu::~TKxMainMenu() {
    // The widget must let go of the proxy before the proxy goes.
    RefreshMenu(false);
}

bool TKxMainMenu::IsItemPopup(QAction* item) const {
    return !actions().contains(item);
}

TKxPopupMenu::TKxPopupMenu(QWidget* parent) : platform::TPopupMenu(parent), TKxMenuDrawer(this) {
    connect(this, &QMenu::hovered, this, [this](QAction* item) { ShowItemCursor(item); });
}

TKxPopupMenu::~TKxPopupMenu() {
    // The widget must let go of the proxy before the proxy goes.
    RefreshMenu(false);
}

void TKxPopupMenu::SetLeftMargin(int value) {
    leftMargin_ = value;
    if (OwnerDraw())
        Remeasure();
}

void TKxPopupMenu::Popup(QPoint screenPoint) {
    popupPoint_ = screenPoint;
    // The reading order of the control that opens the menu, for this time only.
    const bool ownDirection = testAttribute(Qt::WA_SetLayoutDirection);
    const Qt::LayoutDirection direction = layoutDirection();
    if (const auto* opener = qobject_cast<QWidget*>(PopupComponent.data()))
        setLayoutDirection(opener->layoutDirection());
    const QPointer<TKxPopupMenu> alive(this);
    if (OnPopup) {
        OnPopup(this);
        if (!alive)
            return;
    }
    Refresh();
    // Right to left, the menu's left and right edges change places.
    const TPopupAlignment alignment = Alignment;
    if (isRightToLeft() && alignment != paCenter)
        Alignment = alignment == paLeft ? paRight : paLeft;
    Track(screenPoint);
    if (!alive)
        return;
    Alignment = alignment;
    if (ownDirection)
        setLayoutDirection(direction);
    else
        unsetLayoutDirection();
}

void TKxPopupMenu::PaintPanel(QPainter& canvas, const QWidget* panel, QRect rect) {
    if (leftMargin_ > 0 && panel == this)
        DrawMargin(canvas, QRect(rect.left(), rect.top(), leftMargin_, rect.height()));
}

void TKxPopupMenu::PaintItem(QPainter& canvas, QAction* item, QRect rect,
                             TMenuOwnerDrawState state) {
    if (leftMargin_ > 0 && shownIn(item) == this)
        rect.setLeft(rect.left() + leftMargin_ + 1);
    canvas.setClipRect(rect);
    DrawItem(canvas, item, rect, state);
}

void TKxPopupMenu::DrawMargin(QPainter& canvas, QRect rect) {
    if (OnDrawMargin)
        OnDrawMargin(this, canvas, rect);
    else
        DefaultDrawMargin(canvas, rect, clBlue, QuarterColor(clBlue));
}

void TKxPopupMenu::DefaultDrawMargin(QPainter& canvas, QRect rect, TColor startColor,
                                     TColor endColor) {
    const int right = rect.right() + 1;
    GradientFillRect(canvas, QRect(rect.left(), rect.top(), rect.width() - 3, rect.height()),
                     startColor, endColor, fdTopToBottom, 32);
    canvas.fillRect(QRect(right - 2, rect.top(), 1, rect.height()), ToQColor(clBtnShadow));
    canvas.fillRect(QRect(right - 1, rect.top(), 1, rect.height()), ToQColor(clBtnHighlight));
}

} // namespace controls
