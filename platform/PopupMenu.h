#pragma once
// The pop-up menu of the controls: where it opens relative to the point, whether it opens by
// itself, and which control opened it. It pops up through a hook, so tests choose an item
// instead of waiting for a person.

#include "platform/Classes.h"

#include <QMenu>
#include <QPointer>
#include <functional>

namespace platform {

class TPopupMenu : public QMenu {
    Q_OBJECT
public:
    enum TPopupAlignment { paLeft, paRight, paCenter };
    Q_ENUM(TPopupAlignment)

    explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}

    TPopupAlignment Alignment = paLeft;
    bool AutoPopup = true;
    QPointer<QObject> PopupComponent;
    // Fired just before the menu opens, to set its items up.
    TNotifyEvent OnPopup;

    // Fires OnPopup, then opens at the screen point, aligned by Alignment, and returns once it
    // has closed with the chosen item triggered.
    virtual void Popup(QPoint screenPoint);

protected:
    // Opens the menu as Popup does, without the event.
    void Track(QPoint screenPoint);
};

// Answers a pop-up instead of showing it: the item to trigger, or none for a dismissed menu.
using PopupMenuHook = std::function<QAction*(TPopupMenu& menu, QPoint screenPoint)>;
PopupMenuHook SetPopupMenuHook(PopupMenuHook hook);

} // namespace platform
