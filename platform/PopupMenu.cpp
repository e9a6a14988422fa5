#include "platform/PopupMenu.h"

namespace platform {

namespace {

PopupMenuHook& popupHook() {
    static PopupMenuHook hook;
    return hook;
}

} // namespace

void TPopupMenu::Popup(QPoint screenPoint) {
    if (OnPopup) {
        const QPointer<TPopupMenu> alive(this);
        OnPopup(this);
        if (!alive)
            return;
    }
    Track(screenPoint);
}

void TPopupMenu::Track(QPoint screenPoint) {
    if (popupHook()) {
        if (QAction* chosen = popupHook()(*this, screenPoint))
            chosen->trigger();
        return;
    }
    const int width = sizeHint().width();
    if (Alignment == paRight)
        screenPoint.rx() -= width;
    else if (Alignment == paCenter)
        screenPoint.rx() -= width / 2;
    exec(screenPoint);
}

PopupMenuHook SetPopupMenuHook(PopupMenuHook hook) {
    return std::exchange(popupHook(), std::move(hook));
}

} // namespace platform
