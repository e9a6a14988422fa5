#include "controls/KxGrdCpt.h"

#include "storage/KxHook.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QWidget>

namespace controls {

using namespace platform;

QRect CaptionRect(QRect windowRect, TFormBorderStyle borderStyle, TBorderIcons icons,
                  const TFrameMetrics& metrics) {
    if (borderStyle == bsDialog)
        icons &= biSystemMenu | biHelp;
    else if (borderStyle == bsToolWindow || borderStyle == bsSizeToolWin)
        icons &= biSystemMenu;
    else if (!(icons & biSystemMenu))
        icons &= ~(biMinimize | biMaximize);
    else if (icons & (biMinimize | biMaximize))
        icons &= ~biHelp;
    int count = 0;
    for (TBorderIcon icon : {biSystemMenu, biMinimize, biMaximize, biHelp})
        count += (icons & icon) ? 1 : 0;
    // Minimise and maximise come as a pair of buttons.
    if (bool(icons & biMinimize) != bool(icons & biMaximize))
        ++count;
    QRect rect = windowRect;
    if (borderStyle == bsSingle || borderStyle == bsDialog || borderStyle == bsToolWindow)
        rect.adjust(metrics.CxFixedFrame, metrics.CyFixedFrame, -metrics.CxFixedFrame,
                    -metrics.CyFixedFrame);
    else if (borderStyle == bsSizeable || borderStyle == bsSizeToolWin)
        rect.adjust(metrics.CxSizeFrame, metrics.CySizeFrame, -metrics.CxSizeFrame,
                    -metrics.CySizeFrame);
    const bool tool = borderStyle == bsToolWindow || borderStyle == bsSizeToolWin;
    rect.setBottom(rect.top() + (tool ? metrics.CySmCaption : metrics.CyCaption) - 1);
    rect.setRight(rect.right() - (tool ? metrics.CxSmSize : metrics.CxSize) * count);
    return rect;
}

TFormBorderStyle FormBorderStyle(const QWidget* form) {
    const Qt::WindowFlags flags = form->windowFlags();
    if (flags & Qt::FramelessWindowHint)
        return bsNone;
    const bool fixed = form->minimumSize() == form->maximumSize();
    if ((flags & Qt::WindowType_Mask) == Qt::Tool)
        return fixed ? bsToolWindow : bsSizeToolWin;
    if ((flags & Qt::WindowType_Mask) == Qt::Dialog)
        return bsDialog;
    return fixed ? bsSingle : bsSizeable;
}

TBorderIcons FormBorderIcons(const QWidget* form) {
    const Qt::WindowFlags flags = form->windowFlags();
    if (!(flags & Qt::CustomizeWindowHint))
        return biSystemMenu | biMinimize | biMaximize;
    TBorderIcons icons = 0;
    if (flags & Qt::WindowSystemMenuHint)
        icons |= biSystemMenu;
    if (flags & Qt::WindowMinimizeButtonHint)
        icons |= biMinimize;
    if (flags & Qt::WindowMaximizeButtonHint)
        icons |= biMaximize;
    if (flags & Qt::WindowContextHelpButtonHint)
        icons |= biHelp;
    return icons;
}

TKxCaption::TKxCaption(TKxCaptionList* list) : list_(list) {
    if (list_ && list_->Owner()) {
        font_ = list_->Owner()->Font();
        fontColor_ = list_->Owner()->FontColor();
    }
}

void TKxCaption::changed() {
    if (list_)
        list_->Update();
}

void TKxCaption::SetCaption(const QString& value) {
    if (caption_ != value) {
        caption_ = value;
        changed();
    }
}

void TKxCaption::SetFont(const QFont& value, TColor color) {
    font_ = value;
    fontColor_ = color;
    parentFont_ = false;
    changed();
}

void TKxCaption::SetParentFont(bool value) {
    if (parentFont_ == value)
        return;
    parentFont_ = value;
    if (value && list_ && list_->Owner()) {
        font_ = list_->Owner()->Font();
        fontColor_ = list_->Owner()->FontColor();
    }
    changed();
}

void TKxCaption::SetVisible(bool value) {
    if (visible_ != value) {
        visible_ = value;
        changed();
    }
}

void TKxCaption::SetGlueNext(bool value) {
    if (glueNext_ != value) {
        glueNext_ = value;
        changed();
    }
}

void TKxCaption::SetInactiveColor(TColor value) {
    if (inactiveColor_ == value)
        return;
    inactiveColor_ = value;
    // An active form does not show the inactive colour.
    if (!(list_ && list_->Owner() && list_->Owner()->FormActive()))
        changed();
}

void TKxCaption::Assign(const TKxCaption& source) {
    caption_ = source.caption_;
    font_ = source.font_;
    fontColor_ = source.fontColor_;
    parentFont_ = source.parentFont_;
    visible_ = source.visible_;
    glueNext_ = source.glueNext_;
    inactiveColor_ = source.inactiveColor_;
    changed();
}

void TKxCaption::RestoreDefaults() {
    inactiveColor_ = clInactiveCaptionText;
    visible_ = true;
    parentFont_ = false;
    SetParentFont(true);
}

TKxCaption& TKxCaptionList::Add() {
    items_.push_back(std::make_unique<TKxCaption>(this));
    Update();
    return *items_.back();
}

void TKxCaptionList::Move(int from, int to) {
    auto item = std::move(items_.at(from));
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + std::clamp(to, 0, Count()), std::move(item));
    Update();
}

void TKxCaptionList::Clear() {
    items_.clear();
    Update();
}

void TKxCaptionList::RestoreDefaults() {
    ++updating_;
    for (auto& item : items_)
        item->RestoreDefaults();
    --updating_;
    Update();
}

void TKxCaptionList::Update() {
    if (updating_ == 0 && owner_ && owner_->GetActive())
        owner_->Update();
}

TKxGradientCaption::TKxGradientCaption(QWidget* form) : QObject(form) {
    SetFontDefault();
}

TKxGradientCaption::~TKxGradientCaption() {
    destroying_ = true;
    OnActivate = nullptr;
    OnDeactivate = nullptr;
    hook_.reset();
}

QWidget* TKxGradientCaption::form() const {
    auto* owner = qobject_cast<QWidget*>(parent());
    return owner && owner->isWindow() ? owner : nullptr;
}

bool TKxGradientCaption::GetActive() const {
    return active_ && form();
}

void TKxGradientCaption::SetActive(bool value) {
    if (active_ == value)
        return;
    active_ = value;
    Update();
    if (destroying_)
        return;
    if (value && OnActivate)
        OnActivate(this);
    else if (!value && OnDeactivate)
        OnDeactivate(this);
}

void TKxGradientCaption::SetStartColor(TColor value) {
    startColor_ = value;
    if (GetActive())
        Update();
}

void TKxGradientCaption::SetFormCaption(const QString& value) {
    formCaption_ = value;
    if (GetActive())
        Update();
    else if (form())
        form()->setWindowTitle(value);
}

void TKxGradientCaption::SetFont(const QFont& value, TColor color) {
    font_ = value;
    fontColor_ = color;
    defaultFont_ = false;
    if (GetActive())
        Update();
}

void TKxGradientCaption::SetDefaultFont(bool value) {
    if (value)
        SetFontDefault();
    else
        defaultFont_ = false;
    if (GetActive())
        Update();
}

void TKxGradientCaption::SetFontDefault() {
    font_ = QApplication::font();
    font_.setBold(true);
    fontColor_ = clCaptionText;
    defaultFont_ = true;
}

void TKxGradientCaption::SetHideDirection(THideDirection value) {
    hideDirection_ = value;
    if (GetActive())
        Update();
}

void TKxGradientCaption::SetGradientActive(bool value) {
    gradientActive_ = value;
    if (GetActive() && formActive_)
        Update();
}

void TKxGradientCaption::SetGradientInactive(bool value) {
    gradientInactive_ = value;
    if (GetActive() && !formActive_)
        Update();
}

void TKxGradientCaption::SetFontInactiveColor(TColor value) {
    fontInactiveColor_ = value;
    if (GetActive() && !formActive_)
        Update();
}

void TKxGradientCaption::SetGradientSteps(int value) {
    gradientSteps_ = value;
    if (GetActive() && (formActive_ ? gradientActive_ : gradientInactive_))
        Update();
}

void TKxGradientCaption::checkToggleHook() {
    if (GetActive() && !hook_) {
        hook_ = std::make_unique<TKxWindowHook>();
        hook_->AfterMessage = [this](TKxWindowHook*, QEvent* event, bool&) { hookMessage(event); };
        hook_->SetWinControl(form());
    } else if (!GetActive() && hook_) {
        hook_.reset();
        if (form())
            form()->setWindowTitle(formCaption_);
    }
}

void TKxGradientCaption::hookMessage(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        formActive_ = event->type() == QEvent::WindowActivate;
        redraw();
    } else if (event->type() == QEvent::Resize) {
        redraw();
    }
}

void TKxGradientCaption::Update() {
    QWidget* owner = form();
    if (!owner)
        return;
    checkToggleHook();
    formActive_ = false;
    if (owner->isVisible())
        formActive_ = GetActive() && owner->isActiveWindow();
    redraw();
}

void TKxGradientCaption::redraw() {
    if (!GetActive())
        return;
    drawGradientCaption();
    form()->setWindowTitle(Title());
}

QRect TKxGradientCaption::CaptionRectangle() const {
    const QWidget* owner = form();
    if (!owner)
        return {};
    return CaptionRect(QRect(QPoint(0, 0), owner->frameGeometry().size()), FormBorderStyle(owner),
                       FormBorderIcons(owner), Metrics);
}

bool TKxGradientCaption::hasIcon() const {
    const TFormBorderStyle style = FormBorderStyle(form());
    return (FormBorderIcons(form()) & biSystemMenu) && (style == bsSingle || style == bsSizeable);
}

int TKxGradientCaption::textLeft() const {
    return (hasIcon() ? CaptionRectangle().height() + 1 : 0) + 2;
}

std::vector<TKxGradientCaption::TText> TKxGradientCaption::texts() const {
    std::vector<TText> result;
    for (int i = 0; i < captions_.Count(); ++i) {
        const TKxCaption& part = captions_.GetCaption(i);
        if (!part.Visible())
            continue;
        const bool parent = part.ParentFont();
        const TColor color =
            formActive_ ? (parent ? fontColor_ : part.FontColor()) : part.InactiveColor();
        result.push_back({part.Caption(), parent ? font_ : part.Font(), color, i});
    }
    if (!formCaption_.isEmpty())
        result.push_back({formCaption_, font_, formActive_ ? fontColor_ : fontInactiveColor_, -1});
    return result;
}

std::vector<TKxGradientCaption::TText> TKxGradientCaption::fittingTexts(int room) const {
    std::vector<TText> all = texts();
    const auto width = [](const TText& text) {
        return QFontMetrics(text.Font).horizontalAdvance(text.Text);
    };
    if (hideDirection_ == hdRightToLeft) {
        std::vector<TText> shown;
        int used = 0;
        bool full = false;
        for (const TText& text : all) {
            if (text.PartIndex < 0) {
                if (used < room)
                    shown.push_back(text);
            } else if (!full && used + width(text) <= room) {
                used += width(text);
                shown.push_back(text);
            } else {
                full = true;
            }
        }
        return shown;
    }
    const auto total = [&] {
        int sum = 0;
        for (const TText& text : all)
            sum += width(text);
        return sum;
    };
    while (total() > room && !all.empty() && all.front().PartIndex >= 0) {
        const bool glued = captions_.GetCaption(all.front().PartIndex).GlueNext();
        all.erase(all.begin());
        // A glued part goes with the next part, never with the form's caption.
        if (glued && !all.empty() && all.front().PartIndex >= 0)
            all.erase(all.begin());
    }
    return all;
}

QString TKxGradientCaption::Title() const {
    QString title;
    for (const TText& text : fittingTexts(CaptionRectangle().width() - textLeft()))
        title += text.Text;
    return title;
}

void TKxGradientCaption::drawGradientCaption() {
    const QRect rect = CaptionRectangle();
    if (rect.isEmpty()) {
        image_ = {};
        return;
    }
    image_ = QImage(rect.size(), QImage::Format_RGB32);
    QPainter painter(&image_);
    const QRect area(QPoint(0, 0), rect.size());
    const TColor endColor = formActive_ ? clActiveCaption : clInactiveCaption;
    if (formActive_ ? gradientActive_ : gradientInactive_)
        GradientFillRect(painter, area, startColor_, endColor, fdLeftToRight, gradientSteps_);
    else
        painter.fillRect(area, ToQColor(endColor));
    if (hasIcon()) {
        QIcon icon = form()->windowIcon();
        if (icon.isNull())
            icon = QApplication::windowIcon();
        const int side = area.height();
        const int size = std::min(16, side);
        icon.paint(&painter, QRect(1 + (side - size) / 2, (side - size) / 2, size, size));
    }
    int left = textLeft();
    for (const TText& text : fittingTexts(area.width() - left)) {
        const QFontMetrics metrics(text.Font);
        const QString shown = MinimizeText(text.Text, metrics, area.width() - left);
        painter.setFont(text.Font);
        painter.setPen(ToQColor(text.Color));
        painter.drawText(QRect(left, 0, area.width() - left, area.height()),
                         Qt::AlignVCenter | Qt::TextSingleLine, shown);
        left += metrics.horizontalAdvance(shown);
    }
}

TKxGradientCaption* GradientFormCaption(QWidget* form, TColor startColor) {
    // Taken first: once active, the component writes the window's title itself.
    const QString title = form->windowTitle();
    auto* caption = new TKxGradientCaption(form);
    caption->SetStartColor(startColor);
    caption->SetFormCaption(title);
    caption->Update();
    return caption;
}

} // namespace controls
