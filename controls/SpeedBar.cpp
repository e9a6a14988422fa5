#include "controls/SpeedBar.h"

#include "controls/SbSetup.h"
#include "platform/Classes.h"
#include "platform/Scaling.h"
#include "storage/Apputils.h"
#include "storage/Kxconst.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <map>

const char* const TSpeedBar::DuplicateSectionText = "String list does not allow duplicates";
const char* const TSpeedBar::AutoPositionText =
    "Cannot set this property value while Position is bpAuto";

namespace {

constexpr int FrameWidth = 3;
// A stored place beyond any screen is not taken literally.
constexpr int MaxPlace = 32767;

QString ShortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? QString() : hint.mid(bar + 1);
}

bool IsHorizontalEdge(TAlign align) {
    return align == alTop || align == alBottom;
}

bool IsEdge(TAlign align) {
    return align >= alTop && align <= alRight;
}

// The list's index error.
void CheckIndex(int Index, int Count) {
    if (Index < 0 || Index >= Count)
        throw std::out_of_range(
            QStringLiteral("List index out of bounds (%1)").arg(Index).toStdString());
}

bool OwnerLoading(const TSpeedItem* item) {
    return item->SpeedBar() && item->SpeedBar()->Loading();
}

} // namespace

// ---- the change message

TSpeedbarChangedEvent::TSpeedbarChangedEvent(TSpeedbarChange wParam, QObject* lParam)
    : QEvent(EventType()), WParam(wParam), LParam(lParam) {}

QEvent::Type TSpeedbarChangedEvent::EventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QEvent::Type CM_SPEEDBARCHANGED() {
    return TSpeedbarChangedEvent::EventType();
}

// ---- cancelling drags

TDragCancel::TDragCancel(QObject* AOwner, std::function<void()> Cancel)
    : QObject(AOwner), cancel_(std::move(Cancel)) {
    qApp->installEventFilter(this);
}

TDragCancel::~TDragCancel() {
    qApp->removeEventFilter(this);
}

bool TDragCancel::eventFilter(QObject*, QEvent* event) {
    const bool escape = event->type() == QEvent::KeyPress &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (escape || event->type() == QEvent::ApplicationDeactivate) {
        // The callback deletes this filter: nothing of it is touched afterwards.
        const std::function<void()> cancel = cancel_;
        cancel();
        return escape;
    }
    return false;
}

// ---- the drag image

TBtnControl::TBtnControl(QObject* AOwner)
    // A tool-tip window stays above the others without asking the window manager.
    : QWidget(qobject_cast<QWidget*>(AOwner),
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(ScreenCursor(crDragHand));
    resize(0, 0);
    imagesLink_.OnChange = [this] {
        image_.Invalidate();
        update();
    };
}

TBtnControl::~TBtnControl() {
    if (CursorWidget)
        CursorWidget->unsetCursor();
}

void TBtnControl::AssignSpeedItem(TSpeedItem* Item) {
    TSpeedbarButton* button = Item->Button();
    image_.Alignment() = button->Alignment();
    image_.SetGlyph(Item->Glyph());
    image_.SetNumGlyphs(Item->NumGlyphs());
    Spacing = Item->Spacing();
    Margin = Item->Margin();
    Layout = Item->Layout();
    image_.Caption = Item->BtnCaption();
    image_.WordWrap() = Item->WordWrap();
    ImageIndex = Item->ImageIndex();
    TSpeedBar* bar = Item->SpeedBar();
    if (bar && bar->Images())
        bar->Images()->RegisterChanges(imagesLink_);
    else if (imagesLink_.Sender())
        imagesLink_.Sender()->UnRegisterChanges(imagesLink_);
    setFont(button->font());
    setLayoutDirection(button->layoutDirection());
    if (bar)
        setGeometry(0, 0, bar->BtnWidth(), bar->BtnHeight());
}

void TBtnControl::Activate(const QRect& Rect) {
    if (width() <= 0 || height() <= 0)
        resize(Rect.size());
    move(Rect.topLeft());
    show();
    if (CursorWidget)
        CursorWidget->setCursor(cursor());
}

void TBtnControl::ReleaseHandle() {
    hide();
}

void TBtnControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    image_.DrawEx(painter, 0, 0, Margin, Spacing, Layout, &font(), Images(), ImageIndex,
                  AlignmentFlags(image_.Alignment()));
}

void TBtnControl::resizeEvent(QResizeEvent*) {
    image_.ButtonSize = QPoint(width(), height());
}

// ---- the button

TSpeedbarButton::TSpeedbarButton(TSpeedItem* AItem) : TKxSpeedButton(nullptr), item_(AItem) {
    hide();
    SetStyle(bsNew);
}

TSpeedbarButton::~TSpeedbarButton() {
    delete drag_;
}

void TSpeedbarButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (TSpeedBar* bar = item_->SpeedBar()) {
        if (bar->GetOrientation() == boHorizontal)
            ATop = std::max(ATop, bar->BtnOffsetVert());
        else
            ALeft = std::max(ALeft, bar->BtnOffsetHorz());
    }
    setGeometry(ALeft, ATop, AWidth, AHeight);
}

void TSpeedbarButton::SetCursor(int Value) {
    cursor_ = Value;
    ApplyCursor();
}

void TSpeedbarButton::ApplyCursor() {
    if (cursor_ == 0)
        unsetCursor();
    else
        setCursor(ScreenCursor(cursor_));
}

bool TSpeedbarButton::ShowHint() const {
    TSpeedBar* bar = item_->SpeedBar();
    return parentShowHint_ && bar ? bar->ShowHint : showHint_;
}

void TSpeedbarButton::SetShowHint(bool Value) {
    showHint_ = Value;
    parentShowHint_ = false;
}

void TSpeedbarButton::SetParentShowHint(bool Value) {
    if (Value && item_->SpeedBar())
        showHint_ = item_->SpeedBar()->ShowHint;
    parentShowHint_ = Value;
}

void TSpeedbarButton::SetFont(const QFont& Value) {
    // Every attribute is the button's own, so a new parent changes none of them.
    QFont own(Value);
    own.setResolveMask(QFont::AllPropertiesResolved);
    setFont(own);
}

void TSpeedbarButton::SetParentFont(bool Value) {
    if (Value == ParentFont())
        return;
    if (Value)
        setFont(QFont());
    else
        SetFont(font());
}

void TSpeedbarButton::paintEvent(QPaintEvent* event) {
    if (dragHidden_) {
        QPainter painter(this);
        CopyParentImage(this, painter);
        return;
    }
    TKxSpeedButton::paintEvent(event);
}

void TSpeedbarButton::PaintGlyph(QPainter& Canvas, const QRect& ARect, TKxButtonState AState,
                                 bool DrawMark) {
    TSpeedBar* bar = item_->SpeedBar();
    if (!bar || !bar->Images() || item_->ImageIndex() < 0) {
        TKxSpeedButton::PaintGlyph(Canvas, ARect, AState, DrawMark);
        return;
    }
    int flags = AlignmentFlags(Alignment()) | Qt::TextShowMnemonic;
    if (layoutDirection() == Qt::RightToLeft && Alignment() != taCenter)
        flags ^= Qt::AlignLeft | Qt::AlignRight;
    ButtonGlyph().DrawEx(Canvas, ARect, Caption(), Layout(), Margin(), Spacing(), DrawMark,
                         bar->Images(), item_->ImageIndex(), AState, flags);
}

// The image's top-left corner for a pointer at Pos: the pointer sits at its bottom-right.
QPoint TSpeedbarButton::ImageTopLeft(QPoint Pos) const {
    return mapToGlobal(Pos + dragOffset_ - QPoint(drag_->width(), drag_->height()));
}

void TSpeedbarButton::mousePressEvent(QMouseEvent* event) {
    if (!item_->Editing()) {
        // The event comes first, as the handler may destroy the item.
        const QPoint p = event->position().toPoint();
        QPointer<TSpeedbarButton> alive(this);
        if (OnMouseDown)
            OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
        if (alive)
            TKxSpeedButton::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || isHidden() || !item_->SpeedBar())
        return;
    if (!drag_) {
        const QPoint corner = mapToGlobal(QPoint(width(), height()));
        QCursor::setPos(corner);
        // Where the pointer cannot be moved, the image keeps the same place by an offset.
        dragOffset_ = QCursor::pos() == corner
                          ? QPoint()
                          : QPoint(width(), height()) - event->position().toPoint();
        drag_ = new TBtnControl(this);
        drag_->CursorWidget = this;
        drag_->AssignSpeedItem(item_);
        dragCancel_ = new TDragCancel(this, [this] { CancelDrag(); });
        // A move without the button down tells of a release that went elsewhere.
        setMouseTracking(true);
    }
    raise();
}

void TSpeedbarButton::mouseMoveEvent(QMouseEvent* event) {
    if (!item_->Editing()) {
        const QPoint p = event->position().toPoint();
        QPointer<TSpeedbarButton> alive(this);
        if (OnMouseMove)
            OnMouseMove(this, event->modifiers(), p.x(), p.y());
        if (alive)
            TKxSpeedButton::mouseMoveEvent(event);
        return;
    }
    if (!drag_)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        CancelDrag();
        return;
    }
    TSpeedBar* bar = item_->SpeedBar();
    if (!bar)
        return;
    const QPoint p = ImageTopLeft(event->position().toPoint());
    if (!dragHidden_) {
        dragHidden_ = true;
        update();
    }
    if (bar->rect().contains(bar->mapFromGlobal(p)))
        drag_->Activate(QRect(p, drag_->size()));
    else
        drag_->ReleaseHandle();
}

void TSpeedbarButton::mouseReleaseEvent(QMouseEvent* event) {
    if (!item_->Editing()) {
        const QPoint p = event->position().toPoint();
        QPointer<TSpeedbarButton> alive(this);
        if (OnMouseUp)
            OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
        if (alive)
            TKxSpeedButton::mouseReleaseEvent(event);
        return;
    }
    if (!drag_ || event->button() != Qt::LeftButton)
        return;
    const QPoint p = ImageTopLeft(event->position().toPoint());
    EndDrag();
    TSpeedBar* bar = item_->SpeedBar();
    if (!bar)
        return;
    const QPoint q = bar->mapFromGlobal(p);
    if (!bar->rect().contains(q)) {
        lower();
        item_->SetVisible(false);
        bar->NotifyEditWindow(sbcLayout, bar);
    } else if (bar->AcceptDropItem(item_, q.x(), q.y())) {
        bar->NotifyEditWindow(sbcItemDropped, item_);
        update();
    } else {
        bar->NotifyEditWindow(sbcLayout, bar);
    }
}

bool TSpeedbarButton::event(QEvent* event) {
    if (event->type() == QEvent::UngrabMouse && drag_)
        CancelDrag();
    if (event->type() == QEvent::ToolTip && !ShowHint()) {
        event->ignore();
        return true;
    }
    return TKxSpeedButton::event(event);
}

void TSpeedbarButton::EndDrag() {
    delete drag_;
    drag_ = nullptr;
    ApplyCursor();
    delete dragCancel_;
    dragCancel_ = nullptr;
    setMouseTracking(false);
    dragHidden_ = false;
    // A button shows as its item says, and never without a parent.
    setVisible(item_->Visible() && parentWidget());
    update();
}

void TSpeedbarButton::CancelDrag() {
    if (drag_)
        EndDrag();
}

// ---- sections

TSpeedbarSection::TSpeedbarSection(QObject* AOwner) : QObject(AOwner) {}

TSpeedbarSection::~TSpeedbarSection() {
    Clear();
    if (bar_) {
        const int index = bar_->sections_.indexOf(this);
        if (index >= 0)
            bar_->DeleteSection(index);
    }
}

int TSpeedbarSection::GetIndex() const {
    return bar_ ? int(bar_->sections_.indexOf(this)) : -1;
}

void TSpeedbarSection::SetIndex(int Value) {
    if (!bar_)
        return;
    const int count = bar_->GetSectionCount();
    Value = std::clamp(Value, 0, count - 1);
    const int old = GetIndex();
    if (old == Value || old < 0)
        return;
    bar_->sections_.move(old, Value);
    bar_->RenumberItems();
}

void TSpeedbarSection::SetCaption(const QString& Value) {
    if (bar_ && !bar_->Loading())
        bar_->CheckSectionCaption(this, Value);
    caption_ = Value;
}

void TSpeedbarSection::SetSpeedbar(TSpeedBar* Value) {
    if (Value == bar_)
        return;
    const int oldIndex = GetIndex();
    if (bar_ && oldIndex >= 0)
        bar_->DeleteSection(oldIndex);
    if (Value) {
        Value->AppendSection(this);
        if (oldIndex >= 0)
            SetIndex(oldIndex);
    }
}

void TSpeedbarSection::RemoveItem(TSpeedItem* Item) {
    const qsizetype index = items_.indexOf(Item);
    if (index < 0)
        return;
    if (Item->button_->parentWidget())
        Item->button_->setParent(nullptr);
    Item->bar_ = nullptr;
    Item->section_ = -1;
    items_.removeAt(index);
}

void TSpeedbarSection::Clear() {
    const QList<TSpeedItem*> items = items_;
    items_.clear();
    for (TSpeedItem* item : items)
        delete item;
}

// ---- items

TSpeedItem::TSpeedItem(QObject* AOwner) : QObject(AOwner), button_(new TSpeedbarButton(this)) {
    button_->setGeometry(0, 0, 24, 23);
    button_->SetSpacing(4);
}

TSpeedItem::~TSpeedItem() {
    visible_ = false;
    if (bar_)
        bar_->RemoveItem(this);
    delete button_;
}

void TSpeedItem::SetHint(const QString& Value) {
    hint_ = Value;
    button_->setToolTip(ShortHint(Value));
    button_->setStatusTip(LongHint(Value));
}

void TSpeedItem::ApplyHint(const QString& OldCaption, const QString& Value) {
    QObject* owner = parent();
    const bool follows =
        !owner || !owner->isWidgetType() || (!OwnerLoading(this) && OldCaption == ShortHint(hint_));
    if (!follows)
        return;
    const bool valueBar = Value.contains(u'|');
    const bool hintBar = hint_.contains(u'|');
    if (!valueBar && !hintBar)
        SetHint(Value + u'|');
    else if (!valueBar)
        SetHint(Value + u'|' + LongHint(hint_));
    else if (!LongHint(Value).isEmpty())
        SetHint(Value);
    else
        SetHint(ShortHint(Value) + u'|' + LongHint(hint_));
}

void TSpeedItem::SetCaption(const QString& Value) {
    const QString old = caption_;
    caption_ = Value;
    ApplyHint(old, Value);
}

void TSpeedItem::SetName(const QString& Value) {
    if (Value == objectName())
        return;
    if (QObject* owner = parent()) {
        QObject* other = platform::FindComponent(owner, Value);
        if (other && other != this)
            throw ESpeedbarError(QStringLiteral("A component named %1 already exists").arg(Value));
    }
    const bool captionFollows = caption_ == objectName() && !OwnerLoading(this);
    setObjectName(Value);
    if (captionFollows)
        SetCaption(Value);
}

void TSpeedItem::SetEnabled(bool Value) {
    const bool buttonEnabled = !button_->testAttribute(Qt::WA_ForceDisabled);
    if (Value == enabled_ && Value == buttonEnabled)
        return;
    enabled_ = Value;
    if (editing_)
        return;
    button_->setEnabled(Value);
}

void TSpeedItem::SetVisible(bool Value) {
    if (Value == !button_->isHidden() && Value == visible_ && (!Value || button_->parentWidget()))
        return;
    visible_ = Value;
    if (Value && bar_ && button_->parentWidget() != bar_)
        button_->setParent(bar_);
    button_->setVisible(Value && button_->parentWidget());
}

void TSpeedItem::SetEditing(bool Value) {
    editing_ = Value;
    if (Value) {
        button_->setEnabled(true);
        button_->SetFlat(false);
    } else {
        button_->setEnabled(enabled_);
        button_->SetFlat(bar_ && bar_->Options().testFlag(sbFlatBtns));
    }
}

void TSpeedItem::SetImageIndex(int Value) {
    if (Value == imageIndex_)
        return;
    imageIndex_ = Value;
    button_->ButtonGlyph().Invalidate();
    button_->update();
}

void TSpeedItem::SetTag(int Value) {
    tag_ = Value;
    button_->Tag = Value;
}

int TSpeedItem::Left() const {
    return button_->x();
}

void TSpeedItem::SetLeft(int Value) {
    button_->SetBounds(Value, Top(), button_->width(), button_->height());
}

int TSpeedItem::Top() const {
    return button_->y();
}

void TSpeedItem::SetTop(int Value) {
    button_->SetBounds(Left(), Value, button_->width(), button_->height());
}

int TSpeedItem::GetSection() const {
    return bar_ ? section_ : -1;
}

void TSpeedItem::SetSection(int Value) {
    if (!bar_)
        section_ = Value;
}

QString TSpeedItem::GetSectionName() const {
    const int section = GetSection();
    return bar_ && section >= 0 && section < bar_->GetSectionCount()
               ? bar_->GetSection(section)->Caption()
               : QString();
}

void TSpeedItem::UpdateSection() {
    int section = -1, index = -1;
    if (bar_)
        bar_->FindItem(this, section, index);
    section_ = section;
}

// ---- the bar

TSpeedBar::TSpeedBar(QWidget* AOwner) : TCustomPanel(AOwner) {
    const int offset = MinButtonsOffset();
    offset_ = QPoint(offset, offset);
    resize(width(), 2 * offset + btnSize_.y());
    SetFontDefault();
    platform::SetAlign(this, alTop);
    align_ = alTop;
    UpdateGridSize();
    iniLink_.OnSave = [this](TIniLink* sender) { IniSave(sender); };
    iniLink_.OnLoad = [this](TIniLink* sender) { IniLoad(sender); };
    imagesLink_.OnChange = [this] { ImageListChange(); };
    AlignControls();
}

TSpeedBar::~TSpeedBar() {
    destroying_ = true;
    imagesLink_.OnChange = nullptr;
    OnApplyAlign = nullptr;
    OnPosChanged = nullptr;
    OnVisibleChanged = nullptr;
    OnCustomize = nullptr;
    CancelDrag();
    iniLink_.SetStorage(nullptr);
    NotifyEditWindow(sbcDestroyed, this);
    editWin_ = nullptr;
    ClearSections();
}

void TSpeedBar::BeginLoading() {
    loading_ = true;
}

void TSpeedBar::EndLoading() {
    loading_ = false;
    Loaded();
}

void TSpeedBar::Loaded() {
    UpdateGridSize();
    ForEachItem([this](TSpeedItem* item, int) { SetItemButtonSize(item); }, 0);
    AlignControls();
}

void TSpeedBar::SetItemButtonSize(TSpeedItem* Item) {
    TSpeedbarButton* button = Item->button_;
    button->SetBounds(button->x(), button->y(), btnSize_.x(), btnSize_.y());
    button->setVisible(Item->visible_ && button->parentWidget());
}

// ---- sections and items

void TSpeedBar::CheckSectionCaption(TSpeedbarSection* Section, const QString& Caption) const {
    for (TSpeedbarSection* other : sections_)
        if (other != Section && other->caption_ == Caption)
            throw ESpeedbarError(QString::fromLatin1(DuplicateSectionText));
}

int TSpeedBar::AddSection(const QString& ACaption) {
    // Checked first, so that a refused caption leaves no section behind.
    CheckSectionCaption(nullptr, ACaption);
    QObject* owner = platform::OwnerOf(this);
    auto* section = new TSpeedbarSection(owner ? owner : this);
    section->caption_ = ACaption;
    return AppendSection(section);
}

int TSpeedBar::AppendSection(TSpeedbarSection* Section) {
    const QString base = Section->caption_;
    for (int n = 1; SearchSection(Section->caption_) >= 0; ++n)
        Section->caption_ = base + QStringLiteral(" (%1)").arg(n);
    sections_.append(Section);
    Section->bar_ = this;
    const int index = int(sections_.size()) - 1;
    for (TSpeedItem* item : Section->items_) {
        item->section_ = index;
        SetItemParams(item, !loading_);
    }
    return index;
}

void TSpeedBar::RemoveSection(int Index) {
    CheckIndex(Index, GetSectionCount());
    TSpeedbarSection* section = sections_.at(Index);
    section->Clear();
    section->bar_ = nullptr;
    sections_.removeAt(Index);
    RenumberItems();
    delete section;
}

void TSpeedBar::DeleteSection(int Index) {
    CheckIndex(Index, GetSectionCount());
    TSpeedbarSection* section = sections_.at(Index);
    while (!section->items_.isEmpty())
        RemoveItem(section->items_.first());
    section->bar_ = nullptr;
    sections_.removeAt(Index);
    RenumberItems();
}

// The items of the sections after a moved or removed one keep telling their own section.
void TSpeedBar::RenumberItems() {
    for (int s = 0; s < sections_.size(); ++s)
        for (TSpeedItem* item : sections_.at(s)->items_)
            item->section_ = s;
}

void TSpeedBar::ClearSections() {
    for (int i = GetSectionCount() - 1; i >= 0; --i)
        RemoveSection(std::min(i, GetSectionCount() - 1));
    sections_.clear();
}

int TSpeedBar::SearchSection(const QString& ACaption) const {
    for (int i = 0; i < sections_.size(); ++i)
        if (sections_.at(i)->caption_ == ACaption)
            return i;
    return -1;
}

TSpeedbarSection* TSpeedBar::GetSection(int Index) const {
    CheckIndex(Index, GetSectionCount());
    return sections_.at(Index);
}

TSpeedItem* TSpeedBar::Items(int Section, int Index) const {
    if (Section < 0 || Section >= sections_.size())
        return nullptr;
    const QList<TSpeedItem*>& items = sections_.at(Section)->items_;
    return Index >= 0 && Index < items.size() ? items.at(Index) : nullptr;
}

int TSpeedBar::ItemsCount(int Section) const {
    return Section >= 0 && Section < sections_.size() ? int(sections_.at(Section)->items_.size())
                                                      : 0;
}

TSpeedItem* TSpeedBar::NewItem(QObject* AOwner, int Section, const QString& AName) {
    if (Section < 0 || Section >= sections_.size())
        return nullptr;
    auto* item = new TSpeedItem(AOwner);
    sections_.at(Section)->items_.append(item);
    item->section_ = Section;
    SetItemParams(item, true);
    if (!AName.isEmpty()) {
        try {
            item->SetName(AName);
        } catch (...) {
            delete item;
            throw;
        }
        item->SetCaption(AName);
        item->button_->setParent(this);
        item->button_->hide();
    }
    return item;
}

void TSpeedBar::AddItem(int Section, TSpeedItem* Item) {
    if (!Item)
        return;
    int oldSection = -1, oldIndex = -1;
    if (FindItem(Item, oldSection, oldIndex)) {
        const int target = std::clamp(Section, 0, GetSectionCount() - 1);
        sections_.at(oldSection)->items_.removeAt(oldIndex);
        sections_.at(target)->items_.append(Item);
        Item->section_ = target;
        return;
    }
    if (Section < 0)
        return;
    if (Item->bar_ && Item->bar_ != this)
        Item->bar_->RemoveItem(Item);
    if (OnAddItem) {
        Item->section_ = Section;
        OnAddItem(Item);
        Section = std::max(Item->section_, 0);
    }
    if (sections_.isEmpty())
        AddSection(QString());
    Section = std::min(Section, GetSectionCount() - 1);
    sections_.at(Section)->items_.append(Item);
    Item->section_ = Section;
    SetItemParams(Item, !loading_);
    if (Item->button_->parentWidget() != this)
        Item->button_->setParent(this);
    Item->button_->setVisible(Item->visible_);
}

void TSpeedBar::RemoveItem(TSpeedItem* Item) {
    int section = -1, index = -1;
    if (FindItem(Item, section, index))
        sections_.at(section)->RemoveItem(Item);
}

bool TSpeedBar::FindItem(TSpeedItem* Item, int& Section, int& Index) const {
    for (int s = 0; s < sections_.size(); ++s) {
        const qsizetype i = sections_.at(s)->items_.indexOf(Item);
        if (i >= 0) {
            Section = s;
            Index = int(i);
            return true;
        }
    }
    Section = -1;
    return false;
}

TSpeedItem* TSpeedBar::SearchItem(const QString& ItemName) const {
    for (TSpeedbarSection* section : sections_)
        for (TSpeedItem* item : section->items_)
            if (QString::compare(item->objectName(), ItemName, Qt::CaseInsensitive) == 0)
                return item;
    return nullptr;
}

void TSpeedBar::ForEachItem(const TForEachItem& Proc, int Data) {
    for (TSpeedbarSection* section : QList<TSpeedbarSection*>(sections_))
        for (TSpeedItem* item : QList<TSpeedItem*>(section->items_))
            Proc(item, Data);
}

void TSpeedBar::SetItemParams(TSpeedItem* Item, bool ApplySize) {
    Item->bar_ = this;
    TSpeedbarButton* button = Item->button_;
    if (ApplySize)
        button->SetBounds(0, 0, btnSize_.x(), btnSize_.y());
    button->SetStyle(btnStyle_);
    button->SetFlat(options_.testFlag(sbFlatBtns));
    button->SetTransparent(options_.testFlag(sbTransparentBtns));
    button->SetGrayedInactive(options_.testFlag(sbGrayedBtns));
    Item->SetEditing(GetEditing());
}

// ---- geometry

int TSpeedBar::GetButtonSize(int Index) const {
    return Index == 0 ? btnSize_.x() : Index == 1 ? btnSize_.y() : 0;
}

void TSpeedBar::SetButtonSize(int Index, int Value) {
    if (Index != 0 && Index != 1)
        return;
    Value = std::max(Value, 1);
    if (Index == 0) {
        btnSize_.setX(Value);
        scaleFlags_ |= sfBtnSizeX;
    } else {
        btnSize_.setY(Value);
        scaleFlags_ |= sfBtnSizeY;
    }
    UpdateGridSize();
    if (loading_)
        return;
    if (GetOrientation() == boHorizontal)
        resize(width(), std::max(height(), 2 * offset_.y() + btnSize_.y()));
    else
        resize(std::max(width(), 2 * offset_.x() + btnSize_.x()), height());
    ApplyButtonSize();
}

int TSpeedBar::GetButtonsOffset(int Index) const {
    return Index == 0 ? offset_.x() : Index == 1 ? offset_.y() : 0;
}

void TSpeedBar::SetButtonsOffset(int Index, int Value) {
    if (Index != 0 && Index != 1)
        return;
    Value = std::max(Value, MinButtonsOffset());
    int dx = 0, dy = 0;
    if (Index == 0) {
        dx = Value - offset_.x();
        offset_.setX(Value);
        scaleFlags_ |= sfOffsetX;
    } else {
        dy = Value - offset_.y();
        offset_.setY(Value);
        scaleFlags_ |= sfOffsetY;
    }
    if (dx != 0 || dy != 0)
        OffsetItems(dx, dy);
}

int TSpeedBar::MinButtonsOffset() const {
    int result = (options_.testFlag(sbFlatBtns) ? 0 : 2) + BorderWidth();
    if (BevelOuter() != bvNone)
        result += BevelWidth();
    if (BevelInner() != bvNone)
        result += BevelWidth();
    return result;
}

void TSpeedBar::OffsetItems(int DX, int DY) {
    ForEachItem(
        [&](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->SetBounds(b->x() + DX, b->y() + DY, btnSize_.x(), btnSize_.y());
        },
        0);
}

void TSpeedBar::UpdateGridSize() {
    const bool horizontal = GetOrientation() == boHorizontal;
    const int s = horizontal ? btnSize_.x() : btnSize_.y();
    int g = std::max(1, std::min(8, s / 3));
    while (s % g != 0)
        ++g;
    if (g == s && s > 1) {
        --g;
        while (g > 1 && s % g != 0)
            --g;
    }
    grid_ = horizontal ? QPoint(g, btnSize_.y()) : QPoint(btnSize_.x(), g);
}

QPoint TSpeedBar::GridPosition(int X, int Y) const {
    const double along = GetOrientation() == boHorizontal ? double(X - offset_.x()) / grid_.x()
                                                          : double(Y - offset_.y()) / grid_.y();
    const double across = GetOrientation() == boHorizontal ? double(Y - offset_.y()) / grid_.y()
                                                           : double(X - offset_.x()) / grid_.x();
    // Along the bar to the nearest step (halves to even), across it truncated.
    const int rounded = int(std::nearbyint(along));
    const int truncated = int(std::trunc(across));
    if (GetOrientation() == boHorizontal)
        return {rounded * grid_.x() + offset_.x(), truncated * grid_.y() + offset_.y()};
    return {truncated * grid_.x() + offset_.x(), rounded * grid_.y() + offset_.y()};
}

void TSpeedBar::AlignItemToGrid(TSpeedItem* Item) {
    if (!Item->Visible())
        return;
    const QPoint p = GridPosition(Item->Left(), Item->Top());
    Item->button_->SetBounds(p.x(), p.y(), Item->button_->width(), Item->button_->height());
}

void TSpeedBar::AlignItemsToGrid() {
    ForEachItem([this](TSpeedItem* item, int) { AlignItemToGrid(item); }, 0);
}

void TSpeedBar::ApplyButtonSize() {
    ForEachItem(
        [this](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->SetBounds(b->x(), b->y(), btnSize_.x(), btnSize_.y());
        },
        0);
    NotifyEditWindow(sbcButtonSize, this);
}

TBarOrientation TSpeedBar::GetOrientation() const {
    if (Position == bpCustom)
        return orientation_;
    if (IsHorizontalEdge(align_))
        return boHorizontal;
    if (align_ == alLeft || align_ == alRight)
        return boVertical;
    return orientation_;
}

void TSpeedBar::SetOrientation(TBarOrientation Value) {
    if (Value == GetOrientation())
        return;
    if (Position == bpAuto)
        throw ESpeedbarError(QString::fromLatin1(AutoPositionText));
    ApplyOrientation(Value);
}

void TSpeedBar::ApplyOrientation(TBarOrientation Value) {
    if (Value == orientation_)
        return;
    if (loading_) {
        orientation_ = Value;
        return;
    }
    swapping_ = true;
    orientation_ = Value;
    btnSize_ = btnSize_.transposed();
    grid_ = grid_.transposed();
    offset_ = offset_.transposed();
    ForEachItem(
        [this](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->setGeometry(b->y(), b->x(), btnSize_.x(), btnSize_.y());
        },
        0);
    swapping_ = false;
    update();
    if (GetEditing())
        NotifyEditWindow(sbcButtonSize, this);
}

void TSpeedBar::SetAlign(TAlign Value) {
    if (Value == align_ && platform::GetAlign(this) == Value)
        return;
    if (Position == bpAuto && (Value == alNone || Value == alClient))
        throw ESpeedbarError(QString::fromLatin1(AutoPositionText));
    const QSize old = size();
    platform::SetAlign(this, Value);
    if (loading_)
        resize(old);
    if (Position == bpAuto) {
        if (IsHorizontalEdge(Value))
            ApplyOrientation(boHorizontal);
        else if (Value == alLeft || Value == alRight)
            ApplyOrientation(boVertical);
    }
    align_ = Value;
}

void TSpeedBar::SetOptions(TSpeedbarOptions Value) {
    if (Value == options_)
        return;
    const bool flatChanged = (Value ^ options_).testFlag(sbFlatBtns);
    options_ = Value;
    ForEachItem(
        [this](TSpeedItem* item, int) {
            item->button_->SetFlat(options_.testFlag(sbFlatBtns) && !item->Editing());
            item->button_->SetTransparent(options_.testFlag(sbTransparentBtns));
            item->button_->SetGrayedInactive(options_.testFlag(sbGrayedBtns));
        },
        0);
    UpdateGridSize();
    if (flatChanged)
        AlignControls();
    update();
}

void TSpeedBar::SetBoundLines(TBoundLines Value) {
    if (Value == boundLines_)
        return;
    boundLines_ = Value;
    AlignControls();
    update();
}

void TSpeedBar::SetWallpaper(const QPixmap& Value) {
    wallpaper_ = Value;
    update();
}

void TSpeedBar::SetImages(platform::TImageList* Value) {
    if (Value == Images())
        return;
    if (Value)
        Value->RegisterChanges(imagesLink_);
    else
        imagesLink_.Sender()->UnRegisterChanges(imagesLink_);
    ImageListChange();
}

void TSpeedBar::ImageListChange() {
    ForEachItem(
        [](TSpeedItem* item, int) {
            if (item->ImageIndex() >= 0) {
                item->button_->ButtonGlyph().Invalidate();
                item->button_->update();
            }
        },
        0);
}

void TSpeedBar::SetFontDefault() {
    setFont(QApplication::font("QMenu"));
}

void TSpeedBar::FrameChanged() {
    AlignControls();
}

// Aligned children stand inside the frame and the bound lines; offsets never fall below the
// minimum, and buttons move with them.
void TSpeedBar::AlignControls() {
    const QRect inner = InnerRect();
    const auto line = [this](TBoundLine side) { return boundLines_.testFlag(side) ? 2 : 0; };
    setContentsMargins(inner.left() + line(blLeft), inner.top() + line(blTop),
                       width() - 1 - inner.right() + line(blRight),
                       height() - 1 - inner.bottom() + line(blBottom));
    platform::Realign(this);
    const int minimum = MinButtonsOffset();
    const int dx = std::max(0, minimum - offset_.x());
    const int dy = std::max(0, minimum - offset_.y());
    offset_ += QPoint(dx, dy);
    if (!loading_ && (dx || dy))
        OffsetItems(dx, dy);
}

void TSpeedBar::ChangeScale(int M, int D) {
    if (D == 0 || M == D)
        return;
    platform::TAlignSuspender suspend(parentWidget());
    const TSbScaleFlags flags =
        loading_ ? scaleFlags_ : TSbScaleFlags(sfOffsetX | sfOffsetY | sfBtnSizeX | sfBtnSizeY);
    if (flags.testFlag(sfBtnSizeX))
        btnSize_.setX(std::max(1, platform::MulDiv(btnSize_.x(), M, D)));
    if (flags.testFlag(sfBtnSizeY))
        btnSize_.setY(std::max(1, platform::MulDiv(btnSize_.y(), M, D)));
    if (flags.testFlag(sfOffsetX))
        offset_.setX(std::max(MinButtonsOffset(), platform::MulDiv(offset_.x(), M, D)));
    if (flags.testFlag(sfOffsetY))
        offset_.setY(std::max(MinButtonsOffset(), platform::MulDiv(offset_.y(), M, D)));
    UpdateGridSize();
    resize(std::max(1, platform::MulDiv(width(), M, D)),
           std::max(1, platform::MulDiv(height(), M, D)));
    ForEachItem(
        [&](TSpeedItem* item, int) {
            TSpeedbarButton* b = item->button_;
            b->move(platform::MulDiv(b->x(), M, D), platform::MulDiv(b->y(), M, D));
        },
        0);
    ApplyButtonSize();
    AlignItemsToGrid();
    scaleFlags_ = {};
}

void TSpeedBar::Paint(QPainter& painter) {
    if (swapping_)
        return;
    TCustomPanel::Paint(painter);
    const QRect r = InnerRect();
    if (!wallpaper_.isNull() && wallpaper_.width() > 0 && wallpaper_.height() > 0) {
        painter.save();
        painter.setClipRect(r);
        if (options_.testFlag(sbStretchBitmap)) {
            painter.drawPixmap(r, wallpaper_);
        } else {
            const int w = r.left() - ClientRect().left();
            const int cols = (ClientRect().width() - 2 * w) / wallpaper_.width();
            const int rows = (ClientRect().height() - 2 * w) / wallpaper_.height();
            for (int row = 0; row <= rows; ++row)
                for (int col = 0; col <= cols; ++col)
                    painter.drawPixmap(r.left() + col * wallpaper_.width(),
                                       r.top() + row * wallpaper_.height(), wallpaper_);
        }
        painter.restore();
    }
    // Each line ends before its end point.
    const int left = r.left(), top = r.top(), right = r.left() + r.width(),
              bottom = r.top() + r.height();
    const QColor dark = platform::ToQColor(platform::clBtnShadow);
    const QColor light = platform::ToQColor(platform::clBtnHighlight);
    auto line = [&painter](const QColor& colour, int x1, int y1, int x2, int y2) {
        if (x1 == x2 && y1 == y2)
            return;
        painter.setPen(colour);
        painter.drawLine(x1, y1, x2 - (x2 > x1 ? 1 : 0), y2 - (y2 > y1 ? 1 : 0));
    };
    if (boundLines_.testFlag(blTop)) {
        line(dark, left, top, right, top);
        line(light, left, top + 1, right, top + 1);
    }
    if (boundLines_.testFlag(blLeft)) {
        line(dark, left, top, left, bottom);
        line(light, left + 1, boundLines_.testFlag(blTop) ? top + 1 : top, left + 1, bottom);
    }
    if (boundLines_.testFlag(blBottom)) {
        line(dark, left, bottom - 2, right, bottom - 2);
        line(light, left, bottom - 1, right, bottom - 1);
    }
    if (boundLines_.testFlag(blRight)) {
        line(dark, right - 2, top, right - 2, boundLines_.testFlag(blBottom) ? bottom - 1 : bottom);
        line(light, right - 1, top, right - 1, bottom);
    }
}

bool TSpeedBar::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        if (!loading_ && OnVisibleChanged)
            OnVisibleChanged(this);
        break;
    case QEvent::UngrabMouse:
        CancelDrag();
        break;
    default:
        break;
    }
    return TCustomPanel::event(event);
}

// ---- editing

void TSpeedBar::NotifyEditWindow(TSpeedbarChange WParam, QObject* LParam) {
    if (!editWin_)
        return;
    TSpeedbarChangedEvent message(WParam, LParam);
    QCoreApplication::sendEvent(editWin_, &message);
}

void TSpeedBar::SetEditing(QWidget* Window) {
    const bool was = GetEditing();
    editWin_ = Window;
    setMouseTracking(Window && options_.testFlag(sbAllowResize));
    ForEachItem([Window](TSpeedItem* item, int) { item->SetEditing(Window != nullptr); }, 0);
    if (was && !Window)
        AfterCustomize();
}

void TSpeedBar::Customize(int HelpCtx) {
    ShowSpeedbarSetupWindow(this, HelpCtx);
}

void TSpeedBar::PosChanged() {
    if (OnPosChanged)
        OnPosChanged(this);
}

void TSpeedBar::AfterCustomize() {
    if (!destroying_ && OnCustomize)
        OnCustomize(this);
}

bool TSpeedBar::AcceptDropItem(TSpeedItem* Item, int X, int Y) {
    int section = -1, index = -1;
    if (!FindItem(Item, section, index))
        return false;
    const QPoint p = GridPosition(X, Y);
    Item->button_->SetBounds(p.x(), p.y(), Item->button_->width(), Item->button_->height());
    const bool inside = QRect(0, 0, width(), height()).contains(Item->Left(), Item->Top());
    if (inside)
        Item->button_->raise();
    else
        Item->button_->lower();
    Item->SetVisible(inside);
    return inside;
}

bool TSpeedBar::CheckResize(Qt::KeyboardModifiers, int X, int Y) {
    if (!GetEditing() || !options_.testFlag(sbAllowResize) || dragging_)
        return false;
    const int w = width(), h = height();
    bool edge = false;
    if (IsHorizontalEdge(align_) && X > 0 && X <= w) {
        edge = align_ == alTop ? (h - 4 < Y && Y <= h + 4) : (-4 < Y && Y <= 4);
        if (edge)
            setCursor(Qt::SizeVerCursor);
    } else if ((align_ == alLeft || align_ == alRight) && Y > 0 && Y <= h) {
        edge = align_ == alLeft ? (w - 4 < X && X <= w + 4) : (-4 < X && X <= 4);
        if (edge)
            setCursor(Qt::SizeHorCursor);
    }
    return edge;
}

int TSpeedBar::GetFramePos(int X, int Y, bool& Apply) {
    QWidget* parent = parentWidget();
    if (parent->width() <= 0 || parent->height() <= 0) {
        // No room to choose from: the bar keeps its edge.
        const int pos = IsEdge(align_) ? int(align_) - 1 : 0;
        if (OnApplyAlign)
            OnApplyAlign(this, TAlign(pos + 1), Apply);
        return pos;
    }
    const QPointF p = mapToParent(QPoint(X, Y));
    const double W = parent->width();
    const double H = parent->height();
    int pos;
    if (p.y() > H / W * p.x())
        pos = p.y() < (1 - p.x() / W) * H ? 2 : 1;
    else
        pos = p.y() < (1 - p.x() / W) * H ? 0 : 3;
    if (OnApplyAlign)
        OnApplyAlign(this, TAlign(pos + 1), Apply);
    return pos;
}

QRect TSpeedBar::GetFrameRect(int X, int Y) {
    bool apply = true;
    const int pos = GetFramePos(X, Y, apply);
    if (!apply)
        return frameRect_;
    const TAlign target = TAlign(pos + 1);
    QWidget* parent = parentWidget();
    QRect r = parent->rect();
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child == this || child->isWindow() || child->isHidden())
            continue;
        const TAlign a = platform::GetAlign(child);
        if (a == alNone || a == alClient || a > target)
            continue;
        if (a == target) {
            const QRect g = child->geometry();
            const bool before = (a == alTop && g.top() < y()) ||
                                (a == alBottom && g.bottom() > geometry().bottom()) ||
                                (a == alLeft && g.left() < x()) ||
                                (a == alRight && g.right() > geometry().right());
            if (!before)
                continue;
        }
        switch (a) {
        case alTop:
            r.setTop(r.top() + child->height());
            break;
        case alBottom:
            r.setBottom(r.bottom() - child->height());
            break;
        case alLeft:
            r.setLeft(r.left() + child->width());
            break;
        case alRight:
            r.setRight(r.right() - child->width());
            break;
        default:
            break;
        }
    }
    r.moveTopLeft(parent->mapToGlobal(r.topLeft()));
    prevAlign_ = target;
    const int t = GetOrientation() == boHorizontal ? height() : width();
    switch (target) {
    case alTop:
        r.setHeight(t);
        break;
    case alBottom:
        r.setTop(r.bottom() + 1 - t);
        break;
    case alLeft:
        r.setWidth(t);
        break;
    default:
        r.setLeft(r.right() + 1 - t);
        break;
    }
    return r;
}

void TSpeedBar::StartDragFrame() {
    frameRect_ = QRect(mapToGlobal(QPoint(0, 0)), size());
    prevAlign_ = align_;
    DrawInvertFrame(frameRect_, FrameWidth);
    setCursor(ScreenCursor(crDragHand));
    dragging_ = true;
}

void TSpeedBar::DragFrame(int X, int Y) {
    const QRect r = GetFrameRect(X, Y);
    if (r == frameRect_)
        return;
    DrawInvertFrame(frameRect_, FrameWidth);
    setCursor(ScreenCursor(crDragHand));
    frameRect_ = r;
    DrawInvertFrame(frameRect_, FrameWidth);
}

void TSpeedBar::StopDragFrame(int X, int Y) {
    DrawInvertFrame(frameRect_, FrameWidth);
    unsetCursor();
    dragging_ = false;
    if (!IsEdge(align_))
        return;
    bool apply = true;
    const int pos = GetFramePos(X, Y, apply);
    {
        platform::TAlignSuspender suspend(parentWidget());
        SetAlign(apply ? TAlign(pos + 1) : prevAlign_);
    }
    PosChanged();
}

void TSpeedBar::ReleaseDragMouse() {
    captured_ = false;
    resizing_ = false;
    delete dragCancel_;
    dragCancel_ = nullptr;
    // The sizing cursor shows on the edge while the bar is customised.
    setMouseTracking(GetEditing() && options_.testFlag(sbAllowResize));
}

void TSpeedBar::CancelDrag() {
    if (dragging_) {
        DrawInvertFrame(frameRect_, FrameWidth);
        dragging_ = false;
    }
    if (resizing_)
        resize(sizeBeforeResize_);
    if (captured_)
        unsetCursor();
    ReleaseDragMouse();
}

void TSpeedBar::mousePressEvent(QMouseEvent* event) {
    TCustomPanel::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !parentWidget() || captured_)
        return;
    const QPoint p = event->position().toPoint();
    if (CheckResize(event->modifiers(), p.x(), p.y())) {
        resizing_ = true;
        sizeBeforeResize_ = size();
    } else if (options_.testFlag(sbAllowDrag) && IsEdge(align_)) {
        downPos_ = p;
    } else {
        return;
    }
    captured_ = true;
    dragCancel_ = new TDragCancel(this, [this] { CancelDrag(); });
    setMouseTracking(true);
}

void TSpeedBar::mouseMoveEvent(QMouseEvent* event) {
    TCustomPanel::mouseMoveEvent(event);
    const QPoint p = event->position().toPoint();
    if (captured_ && !(event->buttons() & Qt::LeftButton)) {
        CancelDrag();
        return;
    }
    if (captured_ && resizing_) {
        QWidget* parent = parentWidget();
        if (!parent->rect().contains(mapToParent(p)))
            return;
        int n;
        switch (align_) {
        case alTop:
            n = std::abs(p.y() - 2 * offset_.y()) / btnSize_.y();
            break;
        case alBottom:
            n = std::abs(height() - 2 * offset_.y() - p.y()) / btnSize_.y();
            break;
        case alLeft:
            n = std::abs(p.x() - 2 * offset_.x()) / btnSize_.x();
            break;
        default:
            n = std::abs(width() - 2 * offset_.x() - p.x()) / btnSize_.x();
            break;
        }
        n = std::max(1, n);
        if (IsHorizontalEdge(align_)) {
            setCursor(Qt::SizeVerCursor);
            resize(width(), std::min(btnSize_.y() * n + 2 * offset_.y(), parent->height()));
        } else {
            setCursor(Qt::SizeHorCursor);
            resize(std::min(btnSize_.x() * n + 2 * offset_.x(), parent->width()), height());
        }
    } else if (captured_) {
        if (dragging_)
            DragFrame(p.x(), p.y());
        else if (std::abs(p.x() - downPos_.x()) > 4 || std::abs(p.y() - downPos_.y()) > 4)
            StartDragFrame();
    } else if (!CheckResize(event->modifiers(), p.x(), p.y())) {
        unsetCursor();
    }
}

void TSpeedBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && captured_) {
        const QPoint p = event->position().toPoint();
        unsetCursor();
        if (dragging_)
            StopDragFrame(p.x(), p.y());
        ReleaseDragMouse();
    }
    TCustomPanel::mouseReleaseEvent(event);
}

// ---- stored layout

void TSpeedBar::IniSave(TIniLink* Sender) {
    if (!objectName().isEmpty() && Sender->IniObject())
        InternalSaveLayout(Sender->IniObject(), Sender->RootSection() + GetDefaultSection(this));
}

void TSpeedBar::IniLoad(TIniLink* Sender) {
    if (!objectName().isEmpty() && Sender->IniObject())
        InternalRestoreLayout(Sender->IniObject(), Sender->RootSection() + GetDefaultSection(this));
}

void TSpeedBar::SaveLayout(TIniFile* IniFile) {
    InternalSaveLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::RestoreLayout(TIniFile* IniFile) {
    InternalRestoreLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::SaveLayoutReg(TRegIniFile* IniFile) {
    InternalSaveLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::RestoreLayoutReg(TRegIniFile* IniFile) {
    InternalRestoreLayout(IniFile, GetDefaultSection(this));
}

void TSpeedBar::InternalSaveLayout(TIniObject IniFile, const QString& Section) {
    // One rewrite of the file for the whole layout.
    platform::InOneRewrite(IniFile, [&] {
        IniEraseSection(IniFile, Section);
        IniWriteInteger(IniFile, Section, QStringLiteral("Position"), int(align_));
        if (IsEdge(align_))
            IniWriteInteger(IniFile, Section, QStringLiteral("Width"),
                            IsHorizontalEdge(align_) ? height() : width());
        IniWriteInteger(IniFile, Section, QStringLiteral("Version"), Version);
        IniWriteInteger(IniFile, Section, QStringLiteral("PixelsPerInch"), ScreenPixelsPerInch());
        IniWriteInteger(IniFile, Section, QStringLiteral("BtnWidth"), btnSize_.x());
        IniWriteInteger(IniFile, Section, QStringLiteral("BtnHeight"), btnSize_.y());
        int count = 0;
        ForEachItem(
            [&](TSpeedItem* item, int) {
                if (!item->Visible() || !item->Stored())
                    return;
                ++count;
                IniWriteString(IniFile, Section, QStringLiteral("Button%1").arg(count),
                               QStringLiteral("%1,%2,%3")
                                   .arg(item->objectName())
                                   .arg(item->Left())
                                   .arg(item->Top()));
            },
            0);
        IniWriteInteger(IniFile, Section, QStringLiteral("Count"), count);
    });
}

namespace {

// The numbers of the "Button" keys the section holds, in order.
std::vector<int> StoredButtonNumbers(TIniObject ini, const QString& section) {
    QStringList keys;
    if (ini.IniFile())
        keys = ini.IniFile()->ReadSection(section);
    else if (ini.RegIniFile())
        keys = ini.RegIniFile()->ReadSection(section);
    static const QRegularExpression pattern(QStringLiteral("^button([0-9]{1,9})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    std::vector<int> numbers;
    for (const QString& key : keys) {
        const QRegularExpressionMatch match = pattern.match(key.trimmed());
        if (match.hasMatch())
            numbers.push_back(match.captured(1).toInt());
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

int WordAsInt(const QStringList& words, int index, int fallback) {
    if (index >= words.size())
        return fallback;
    bool ok = false;
    const int value = words.at(index).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

void TSpeedBar::InternalRestoreLayout(TIniObject IniFile, const QString& Section) {
    const TAlign remembered = align_;
    prevAlign_ = remembered;
    if (IniReadInteger(IniFile, Section, QStringLiteral("Version"), Version) < Version)
        return;
    if (options_.testFlag(sbAllowDrag)) {
        const int position =
            IniReadInteger(IniFile, Section, QStringLiteral("Position"), int(align_));
        try {
            if (position < alNone || position > alClient)
                throw ESpeedbarError(QString::fromLatin1(AutoPositionText));
            SetAlign(TAlign(position));
        } catch (const ESpeedbarError&) {
            SetAlign(alTop);
        }
    }
    const int formPixels = platform::ParentForm(this) ? ScreenPixelsPerInch() : 0;
    if (IniReadInteger(IniFile, Section, QStringLiteral("PixelsPerInch"), formPixels) !=
        ScreenPixelsPerInch()) {
        if (align_ != remembered)
            PosChanged();
        return;
    }
    if (options_.testFlag(sbAllowResize)) {
        if (IsHorizontalEdge(align_)) {
            const int least = 2 * offset_.y() + btnSize_.y();
            resize(width(), std::max(least, IniReadInteger(IniFile, Section,
                                                           QStringLiteral("Width"), height())));
        } else if (align_ == alLeft || align_ == alRight) {
            const int least = 2 * offset_.x() + btnSize_.x();
            resize(
                std::max(least, IniReadInteger(IniFile, Section, QStringLiteral("Width"), width())),
                height());
        }
    }
    if (align_ != remembered)
        PosChanged();
    const int count = IniReadInteger(IniFile, Section, QStringLiteral("Count"), 0);
    if (count > 0) {
        ForEachItem([](TSpeedItem* item, int) { item->SetVisible(false); }, 0);
        static const QRegularExpression separators(QStringLiteral("[ ,]+"));
        for (int n : StoredButtonNumbers(IniFile, Section)) {
            if (n < 1 || n > count)
                continue;
            const QString value =
                IniReadString(IniFile, Section, QStringLiteral("Button%1").arg(n), QString());
            const QStringList words = value.split(separators, Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            TSpeedItem* item = SearchItem(words.at(0));
            if (!item)
                continue;
            item->SetLeft(std::clamp(WordAsInt(words, 1, item->Left()), offset_.x(), MaxPlace));
            item->SetTop(std::clamp(WordAsInt(words, 2, item->Top()), offset_.y(), MaxPlace));
            item->SetVisible(true);
        }
    }
    update();
}

// ---- free functions

int NewSpeedSection(TSpeedBar* ASpeedbar, const QString& ACaption) {
    return ASpeedbar->AddSection(ACaption);
}

TSpeedItem* NewSpeedItem(QObject* AOwner, TSpeedBar* ASpeedbar, int Section, const QString& AName) {
    return ASpeedbar->NewItem(AOwner, Section, AName);
}

TSpeedBar* FindSpeedBar(const QPoint& Pos) {
    for (QWidget* w = QApplication::widgetAt(Pos); w; w = w->parentWidget()) {
        if (auto* bar = qobject_cast<TSpeedBar*>(w))
            return bar;
        // A button stands for its bar; any other control is not a bar.
        if (!qobject_cast<TSpeedbarButton*>(w))
            return nullptr;
    }
    return nullptr;
}

void DrawCellButton(QPainter& Canvas, QRect ARect, TSpeedItem* Item, TButtonImage& Image,
                    bool ARightToLeft) {
    if (!Item)
        return;
    TSpeedBar* bar = Item->SpeedBar();
    const bool fromList = bar && bar->Images() && Item->ImageIndex() >= 0;
    Image.SetGlyph(fromList ? platform::TBitmap() : Item->Glyph());
    Image.Alignment() = Item->Button()->Alignment();
    Image.SetNumGlyphs(Item->NumGlyphs());
    Image.Caption = Item->BtnCaption();
    Image.WordWrap() = Item->WordWrap();
    const QPoint size = bar ? QPoint(bar->BtnWidth(), bar->BtnHeight()) : QPoint(24, 23);
    Image.ButtonSize = size;
    const QFont font = bar ? bar->font() : Canvas.font();
    Image.DrawEx(Canvas, ARect.left() + 1, ARect.top() + 1, Item->Margin(), Item->Spacing(),
                 Item->Layout(), &font, bar ? bar->Images() : nullptr, Item->ImageIndex(),
                 AlignmentFlags(Item->Button()->Alignment()));
    ARect.setLeft(ARect.left() + size.x() + 3);
    DrawCellText(Canvas, ARect, Item->Caption(), Qt::AlignLeft, vaCenter, ARightToLeft);
}
