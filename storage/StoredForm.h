#pragma once
// A window with settings stores (TFormPlacement children) is created as TStoredForm<TWindow>.
// As the most derived class it drives the stores around the window's own handlers:
// - after the window's constructor, the stores are loaded (bound to its components);
// - on a show from hidden (not the window system's restore from minimised), the stores restore
//   before the window's own showEvent;
// - after the window's own closeEvent allows the close, and when a dialog ends through done(),
//   the stores save; a close's saves, with those its handler makes, are one rewrite;
// - when it is destroyed, stores that saved nothing since their last restore save, before any
//   of the window's own destruction.

#include "storage/Placemnt.h"

#include <QCloseEvent>
#include <QDialog>
#include <QShowEvent>
#include <type_traits>

namespace storage_detail {

template <class Window> class StoredFormBase : public Window {
public:
    template <class... Args>
    explicit StoredFormBase(Args&&... args) : Window(std::forward<Args>(args)...) {
        for (TFormPlacement* store : stores())
            store->Loaded();
    }

    ~StoredFormBase() override {
        for (TFormPlacement* store : stores())
            store->FormDestroy();
    }

protected:
    void showEvent(QShowEvent* event) override {
        if (!event->spontaneous()) {
            for (TFormPlacement* store : stores())
                store->FormShow();
        }
        Window::showEvent(event);
    }

    // What the close saves, the window's own handler's saves included, is one rewrite.
    void closeEvent(QCloseEvent* event) override {
        const TSavesInOneRewrite saves;
        ++closing_;
        Window::closeEvent(event);
        --closing_;
        if (event->isAccepted())
            saveStores();
    }

    void saveStores() {
        for (TFormPlacement* store : stores())
            store->FormCloseQuery();
    }

    // A dialog's closeEvent may end it through done(): that close saves once, afterwards.
    int closing_ = 0;

private:
    QList<TFormPlacement*> stores() const {
        return this->template findChildren<TFormPlacement*>(QString(), Qt::FindDirectChildrenOnly);
    }
};

template <class Window, bool IsDialog = std::is_base_of_v<QDialog, Window>>
class StoredForm : public StoredFormBase<Window> {
public:
    using StoredFormBase<Window>::StoredFormBase;
};

template <class Window> class StoredForm<Window, true> : public StoredFormBase<Window> {
public:
    using StoredFormBase<Window>::StoredFormBase;

    void done(int result) override {
        const bool wasVisible = this->isVisible();
        Window::done(result);
        if (this->closing_ == 0 && wasVisible && !this->isVisible())
            this->saveStores();
    }
};

} // namespace storage_detail

template <class Window> using TStoredForm = storage_detail::StoredForm<Window>;
