#include "platform/FormFlags.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

constexpr char HeldFlags[] = "quendelHeldFormFlags";

} // namespace

TFormBorderStyle FormBorderStyle(Qt::WindowFlags flags, bool fixedSize) {
    if (flags & Qt::FramelessWindowHint)
        return bsNone;
    if ((flags & Qt::WindowType_Mask) == Qt::Tool)
        return fixedSize ? bsToolWindow : bsSizeToolWin;
    if ((flags & Qt::WindowType_Mask) == Qt::Dialog)
        return bsDialog;
    return fixedSize ? bsSingle : bsSizeable;
}

TBorderIcons FormBorderIcons(Qt::WindowFlags flags) {
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

void SetFlagsInPlace(QWidget& form, Qt::WindowFlags flags) {
    form.overrideWindowFlags(flags);
    if (QWindow* window = form.windowHandle())
        window->setFlags(flags);
}

Qt::WindowFlags FormFlags(const QWidget& form) {
    const QVariant held = form.property(HeldFlags);
    return held.isValid() ? Qt::WindowFlags::fromInt(held.toInt()) : form.windowFlags();
}

QEvent::Type FormFlagsChange() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void SetFormFlags(QWidget& form, Qt::WindowFlags flags) {
    if (!form.property(HeldFlags).isValid()) {
        SetFlagsInPlace(form, flags);
        return;
    }
    HoldFormFlags(form, flags);
    QEvent changed(FormFlagsChange());
    QCoreApplication::sendEvent(&form, &changed);
}

void HoldFormFlags(QWidget& form, Qt::WindowFlags flags) {
    form.setProperty(HeldFlags, flags.toInt());
}

void ReleaseFormFlags(QWidget& form) {
    form.setProperty(HeldFlags, QVariant());
}

void SetMaximizeIcon(QWidget& form, bool shown) {
    Qt::WindowFlags flags = FormFlags(form);
    if (bool(FormBorderIcons(flags) & biMaximize) == shown)
        return;
    // Without the customising hint the window manager shows every icon Qt filled in: the hint makes
    // the icons those named.
    flags |= Qt::CustomizeWindowHint;
    flags.setFlag(Qt::WindowMaximizeButtonHint, shown);
    SetFormFlags(form, flags);
}

} // namespace platform
