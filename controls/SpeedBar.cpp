#include "controls/SpeedBar.h"

#include "controls/SbSetup.h"
#include "platform/Classes.h"
#include "storage/Kxconst.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

const char* const TSpeedBar::DuplicateSectionText = "String list does not allow duplicates";
const char* const TSpeedBar::AutoPositionText =
    "Cannot set this property value while Position is bpAuto";

namespace {

QString ShortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? QString() : hint.mid(bar + 1);
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

TSpeedBar::TSpeedBar(QWidget* AOwner)
    : TCustomPanel(AOwner), TControlEvents(this), TDragControl(this, this) {
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
    // The new section is in no bar while its caption is set: a taken caption is suffixed when it
    // joins, never refused.
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
    UpdateMouseTracking();
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
