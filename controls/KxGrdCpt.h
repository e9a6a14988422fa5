#pragma once
// A title bar in a colour gradient, its caption made of several parts with their own fonts and
// colours followed by the form's caption. The window manager owns the real title bar, so while
// active the component makes the form frameless and draws the title bar and frame itself, along
// the form's edges, with the buttons, moving and sizing the window manager's frame would offer.
// The window keeps the title the parts make, for task bars.

#include "platform/Colors.h"
#include "platform/FormFlags.h"
#include "platform/PopupMenu.h"

#include <QFont>
#include <QImage>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QWidget;
class TKxWindowHook;

namespace controls {

enum THideDirection { hdLeftToRight, hdRightToLeft };
using platform::TBorderIcon;
using platform::TBorderIcons;
using platform::TFormBorderStyle;
using enum platform::TBorderIcon;
using enum platform::TFormBorderStyle;

// The frame and title-bar sizes the system would report.
struct TFrameMetrics {
    int CxFixedFrame = 3;
    int CyFixedFrame = 3;
    int CxSizeFrame = 4;
    int CySizeFrame = 4;
    int CyCaption = 19;
    int CySmCaption = 15;
    int CxSize = 18;
    int CxSmSize = 12;
};

// The sizes of the style's title bars, with the classic frame widths.
TFrameMetrics SystemFrameMetrics(const QWidget* form);
// The icons whose buttons the title bar shows for the border style.
TBorderIcons ShownBorderIcons(TFormBorderStyle borderStyle, TBorderIcons icons);
// The part of the title bar left of its buttons, inside the frame.
QRect CaptionRect(QRect windowRect, TFormBorderStyle borderStyle, TBorderIcons icons,
                  const TFrameMetrics& metrics);
// The room the frame and the title bar take at each edge of the window.
QMargins FrameMargins(TFormBorderStyle borderStyle, const TFrameMetrics& metrics);

class TKxCaptionFrame;
class TKxCaptionList;
class TKxGradientCaption;

class TKxCaption {
public:
    // A part made inside a list takes the owner's font and colour.
    explicit TKxCaption(TKxCaptionList* list = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    QFont Font() const { return font_; }
    TColor FontColor() const { return fontColor_; }
    // A font of its own: ParentFont goes off.
    void SetFont(const QFont& value, TColor color);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool GlueNext() const { return glueNext_; }
    void SetGlueNext(bool value);
    TColor InactiveColor() const { return inactiveColor_; }
    void SetInactiveColor(TColor value);

    void Assign(const TKxCaption& source);
    virtual void RestoreDefaults();
    virtual ~TKxCaption() = default;

private:
    void changed();

    TKxCaptionList* list_;
    QString caption_;
    QFont font_;
    TColor fontColor_ = platform::clCaptionText;
    bool parentFont_ = true;
    bool visible_ = true;
    bool glueNext_ = false;
    TColor inactiveColor_ = platform::clInactiveCaptionText;
};

class TKxCaptionList {
public:
    explicit TKxCaptionList(TKxGradientCaption* owner) : owner_(owner) {}

    TKxCaption& Add();
    int Count() const { return int(items_.size()); }
    TKxCaption& GetCaption(int index) const { return *items_.at(index); }
    void SetCaption(int index, const TKxCaption& part) { items_.at(index)->Assign(part); }
    void Move(int from, int to);
    void Clear();
    void RestoreDefaults();
    TKxGradientCaption* Owner() const { return owner_; }

    // Any change of a part updates the owner, once for a bracket of changes.
    void Update();

private:
    TKxGradientCaption* owner_;
    std::vector<std::unique_ptr<TKxCaption>> items_;
    int updating_ = 0;
};

class TKxGradientCaption : public QObject {
    Q_OBJECT
public:
    explicit TKxGradientCaption(QWidget* form);
    ~TKxGradientCaption() override;

    bool Active() const { return active_; }
    // Fires OnActivate or OnDeactivate by the value, unless the component is being destroyed.
    void SetActive(bool value);
    // Active, and owned by a window.
    bool GetActive() const;

    TKxCaptionList& Captions() { return captions_; }
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor value);
    QString FormCaption() const { return formCaption_; }
    void SetFormCaption(const QString& value);
    QFont Font() const { return font_; }
    TColor FontColor() const { return fontColor_; }
    void SetFont(const QFont& value, TColor color);
    bool DefaultFont() const { return defaultFont_; }
    void SetDefaultFont(bool value);
    void SetFontDefault();
    THideDirection HideDirection() const { return hideDirection_; }
    void SetHideDirection(THideDirection value);
    bool GradientActive() const { return gradientActive_; }
    void SetGradientActive(bool value);
    bool GradientInactive() const { return gradientInactive_; }
    void SetGradientInactive(bool value);
    TColor FontInactiveColor() const { return fontInactiveColor_; }
    void SetFontInactiveColor(TColor value);
    int GradientSteps() const { return gradientSteps_; }
    void SetGradientSteps(int value);
    void MoveCaption(int from, int to) { captions_.Move(from, to); }
    void Clear() { captions_.Clear(); }
    // Opened by a right click on the title bar or frame, when it pops up by itself.
    platform::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(platform::TPopupMenu* value) { popupMenu_ = value; }

    std::function<void(TKxGradientCaption*)> OnActivate;
    std::function<void(TKxGradientCaption*)> OnDeactivate;

    // The style's sizes; tests set their own.
    TFrameMetrics Metrics;

    // Attaches or detaches the hook, takes the form's activity and draws afresh.
    void Update();
    bool FormActive() const { return formActive_; }
    // The border style and icons of the form as its owner set them.
    TFormBorderStyle BorderStyle() const;
    TBorderIcons BorderIcons() const;
    // The caption rectangle (left of the title bar's buttons), in the form's coordinates.
    QRect CalculateGradientParams() const;
    // The title bar's button for the icon (biSystemMenu: the close button); empty when absent.
    QRect ButtonRect(TBorderIcon icon) const;
    // Whether the component draws the form's frame; a form without a border gets none.
    bool DrawsFrame() const { return frame_ != nullptr; }
    // Every visible part, then the form's caption: the window's title, however narrow the strip.
    QString Title() const;
    // The texts that fit on the strip, before any is shortened.
    QString StripText() const;
    // The last drawing of the caption rectangle, which the frame shows.
    const QImage& CaptionImage() const { return image_; }

private:
    friend class TKxCaptionFrame;
    struct TText {
        QString Text;
        QFont Font;
        TColor Color;
        int PartIndex; // -1 for the form's caption
    };
    QWidget* form() const;
    std::vector<TText> texts() const;
    std::vector<TText> fittingTexts(int room) const;
    static QString joined(const std::vector<TText>& texts);
    int textLeft() const;
    bool hasIcon() const;
    void DrawGradientCaption();
    void redraw();
    void hookMessage(QEvent* event);
    void CheckToggleHook();
    void checkFrame();
    TColor endColor() const;
    // A right press anywhere on the frame arms the pop-up; the release opens it.
    void rightButtonDown();
    void rightButtonUp(QPoint screenPoint);

    bool active_ = true;
    bool formActive_ = false;
    std::unique_ptr<TKxWindowHook> hook_;
    TColor startColor_ = platform::clWindowText;
    TKxCaptionList captions_{this};
    QFont font_;
    TColor fontColor_ = platform::clCaptionText;
    bool defaultFont_ = true;
    THideDirection hideDirection_ = hdLeftToRight;
    bool gradientInactive_ = false;
    bool gradientActive_ = true;
    TColor fontInactiveColor_ = platform::clInactiveCaptionText;
    QString formCaption_;
    int gradientSteps_ = 64;
    QImage image_;
    QPointer<platform::TPopupMenu> popupMenu_;
    bool rightDown_ = false;
    std::unique_ptr<TKxCaptionFrame> frame_;
    bool destroying_ = false;
    bool formDying_ = false;
};

// A gradient caption for the form, starting from the colour, over the form's own caption.
TKxGradientCaption* GradientFormCaption(QWidget* form, TColor startColor);

} // namespace controls
