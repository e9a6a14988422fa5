#include "platform/MessageBox.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {

MessageBoxHook& messageHook() {
    static MessageBoxHook hook;
    return hook;
}

BeepHook& beepHook() {
    static BeepHook hook;
    return hook;
}

QMessageBox::Icon iconOf(int flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsOf(int flags) {
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int resultOf(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

} // namespace

int MessageBox(const QString& text, const QString& caption, int flags, QWidget* parent,
               int helpContext) {
    if (messageHook())
        return messageHook()(text, caption, flags);
    QMessageBox box(iconOf(flags), caption, text, buttonsOf(flags), parent);
    // Outside the box's own buttons, every one of which closes it.
    if (helpContext != 0) {
        AddHelpButton(box, helpContext);
        AddHelpKey(box, helpContext);
    }
    return resultOf(ShowModal(box));
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(messageHook(), std::move(hook));
}

QString ProductCaption() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Quendel") : name;
}

void ShowError(const QString& text, QWidget* parent) {
    MessageBox(text, ProductCaption(), MB_ICONERROR, parent);
}

void Beep(int kind) {
    if (beepHook())
        beepHook()(kind);
    else
        QApplication::beep();
}

BeepHook SetBeepHook(BeepHook hook) {
    return std::exchange(beepHook(), std::move(hook));
}

} // namespace platform
