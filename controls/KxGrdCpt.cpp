#include "controls/KxGrdCpt.h"

#include "controls/KxGrdCptFrame.h"
#include "storage/KxHook.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWidget>

namespace controls {

using namespace platform;

TFrameMetrics SystemFrameMetrics(const QWidget* form) {
    TFrameMetrics metrics;
    if (!form)
        return metrics;
    QStyleOptionTitleBar option;
    option.initFrom(form);
    option.titleBarFlags = Qt::Window;
    metrics.CyCaption = form->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, form);
    option.titleBarFlags = Qt::Tool;
    metrics.CySmCaption = form->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, form);
    metrics.CxSize = metrics.CyCaption;
    metrics.CxSmSize = metrics.CySmCaption;
    return metrics;
}

TBorderIcons ShownBorderIcons(TFormBorderStyle borderStyle, TBorderIcons icons) {
    if (borderStyle == bsDialog)
        return icons & (biSystemMenu | biHelp);
    if (borderStyle == bsToolWindow || borderStyle == bsSizeToolWin)
        return icons & biSystemMenu;
    if (!(icons & biSystemMenu))
        return icons & ~(biMinimize | biMaximize);
    if (icons & (biMinimize | biMaximize))
        return icons & ~biHelp;
    return icons;
}

QMargins FrameMargins(TFormBorderStyle borderStyle, const TFrameMetrics& metrics) {
    switch (borderStyle) {
    case bsNone:
        return {};
    case bsSizeable:
        return {metrics.CxSizeFrame, metrics.CySizeFrame + metrics.CyCaption, metrics.CxSizeFrame,
                metrics.CySizeFrame};
    case bsSizeToolWin:
        return {metrics.CxSizeFrame, metrics.CySizeFrame + metrics.CySmCaption, metrics.CxSizeFrame,
                metrics.CySizeFrame};
    case bsToolWindow:
        return {metrics.CxFixedFrame, metrics.CyFixedFrame + metrics.CySmCaption,
                metrics.CxFixedFrame, metrics.CyFixedFrame};
    default:
        return {metrics.CxFixedFrame, metrics.CyFixedFrame + metrics.CyCaption,
                metrics.CxFixedFrame, metrics.CyFixedFrame};
    }
}

QRect CaptionRect(QRect windowRect, TFormBorderStyle borderStyle, TBorderIcons icons,
                  const TFrameMetrics& metrics) {
    icons = ShownBorderIcons(borderStyle, icons);
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
    Metrics = SystemFrameMetrics(form);
    // A form announces its end before it deletes its children, this component among them.
    if (form)
        connect(form, &QObject::destroyed, this, [this] { formDying_ = true; });
}

TKxGradientCaption::~TKxGradientCaption() {
    destroying_ = true;
    OnActivate = nullptr;
    OnDeactivate = nullptr;
    hook_.reset();
    if (frame_ && formDying_)
        frame_->Abandon();
    frame_.reset();
    if (form() && !formDying_)
        form()->setWindowTitle(formCaption_);
}

QWidget* TKxGradientCaption::form() const {
    auto* owner = qobject_cast<QWidget*>(parent());
    return owner && owner->isWindow() ? owner : nullptr;
}

bool TKxGradientCaption::GetActive() const {
    return active_ && form();
}

void TKxGradientCaption::SetActive(bool value) {
    active_ = value;
    rightDown_ = false;
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
    font_ = QFontDatabase::systemFont(QFontDatabase::TitleFont);
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

void TKxGradientCaption::CheckToggleHook() {
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

// The frame is drawn for a form that has one of its own; a form without a border stays bare.
void TKxGradientCaption::checkFrame() {
    const bool wanted = GetActive() && !formDying_ && BorderStyle() != bsNone;
    if (wanted && !frame_)
        frame_ = std::make_unique<TKxCaptionFrame>(*this, *form());
    else if (!wanted && frame_)
        frame_.reset();
}

TFormBorderStyle TKxGradientCaption::BorderStyle() const {
    const QWidget* owner = form();
    if (!owner)
        return bsNone;
    if (frame_)
        return FormBorderStyle(frame_->FormFlags(), frame_->FixedSize());
    return FormBorderStyle(owner->windowFlags(), owner->minimumSize() == owner->maximumSize());
}

TBorderIcons TKxGradientCaption::BorderIcons() const {
    const QWidget* owner = form();
    if (!owner)
        return 0;
    return FormBorderIcons(frame_ ? frame_->FormFlags() : owner->windowFlags());
}

void TKxGradientCaption::hookMessage(QEvent* event) {
    // The owner's flags may bring other icons or another border style.
    if (event->type() == FormFlagsChange()) {
        if (frame_)
            frame_->ApplyFlags();
        Update();
        return;
    }
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        formActive_ = event->type() == QEvent::WindowActivate;
        redraw();
        break;
    case QEvent::Resize:
        redraw();
        break;
    case QEvent::WindowStateChange:
        if (frame_)
            frame_->Repaint();
        break;
    case QEvent::ChildAdded:
        // The frame stays above children the form gains later.
        if (frame_)
            frame_->Fit(FrameMargins(BorderStyle(), Metrics));
        break;
    default:
        break;
    }
}

void TKxGradientCaption::rightButtonDown() {
    if (popupMenu_ && popupMenu_->AutoPopup)
        rightDown_ = true;
}

void TKxGradientCaption::rightButtonUp(QPoint screenPoint) {
    if (!rightDown_)
        return;
    rightDown_ = false;
    if (!popupMenu_)
        return;
    popupMenu_->PopupComponent = this;
    if (frame_)
        frame_->CancelMode();
    popupMenu_->Popup(screenPoint);
}

void TKxGradientCaption::Update() {
    QWidget* owner = form();
    if (!owner)
        return;
    CheckToggleHook();
    checkFrame();
    formActive_ = false;
    if (owner->isVisible())
        formActive_ = GetActive() && owner->isActiveWindow();
    redraw();
}

void TKxGradientCaption::redraw() {
    if (!GetActive())
        return;
    // The frame first: taking its room may resize the form.
    if (frame_)
        frame_->Fit(FrameMargins(BorderStyle(), Metrics));
    DrawGradientCaption();
    if (frame_)
        frame_->Repaint();
    form()->setWindowTitle(Title());
}

QRect TKxGradientCaption::CalculateGradientParams() const {
    const QWidget* owner = form();
    if (!owner)
        return {};
    return CaptionRect(QRect(QPoint(0, 0), owner->frameGeometry().size()), BorderStyle(),
                       BorderIcons(), Metrics);
}

TColor TKxGradientCaption::endColor() const {
    return formActive_ ? clActiveCaption : clInactiveCaption;
}

bool TKxGradientCaption::hasIcon() const {
    const TFormBorderStyle style = BorderStyle();
    return (BorderIcons() & biSystemMenu) && (style == bsSingle || style == bsSizeable);
}

int TKxGradientCaption::textLeft() const {
    return (hasIcon() ? CalculateGradientParams().height() + 1 : 0) + 2;
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

QString TKxGradientCaption::joined(const std::vector<TText>& texts) {
    QString joined;
    for (const TText& text : texts)
        joined += text.Text;
    return joined;
}

QString TKxGradientCaption::Title() const {
    return joined(texts());
}

QString TKxGradientCaption::StripText() const {
    return joined(fittingTexts(CalculateGradientParams().width() - textLeft()));
}

void TKxGradientCaption::DrawGradientCaption() {
    const QRect rect = CalculateGradientParams();
    if (rect.isEmpty()) {
        image_ = {};
        return;
    }
    image_ = QImage(rect.size(), QImage::Format_RGB32);
    QPainter painter(&image_);
    const QRect area(QPoint(0, 0), rect.size());
    if (formActive_ ? gradientActive_ : gradientInactive_)
        GradientFillRect(painter, area, startColor_, endColor(), fdLeftToRight, gradientSteps_);
    else
        painter.fillRect(area, ToQColor(endColor()));
    if (hasIcon()) {
        QIcon icon = form()->windowIcon();
        if (icon.isNull())
            icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = form()->style()->standardIcon(QStyle::SP_TitleBarMenuButton, nullptr, form());
        const int side = area.height();
        const int size = std::min(16, side);
        icon.paint(&painter, QRect(1 + (side - size) / 2, (side - size) / 2, size, size));
    }
    // Under right-to-left reading each text is read so and the texts run from the right edge.
    const bool rightToLeft = form()->isRightToLeft();
    if (rightToLeft)
        painter.setLayoutDirection(Qt::RightToLeft);
    const Qt::Alignment side = rightToLeft ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignLeft;
    int left = textLeft();
    int right = area.width();
    for (const TText& text : fittingTexts(right - left)) {
        const QFontMetrics metrics(text.Font);
        const QString shown = MinimizeText(text.Text, metrics, right - left);
        painter.setFont(text.Font);
        painter.setPen(ToQColor(text.Color));
        painter.drawText(QRect(left, 0, right - left, area.height()),
                         side | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        const int advance = metrics.horizontalAdvance(shown);
        if (rightToLeft)
            right -= advance;
        else
            left += advance;
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
