#pragma once
// Message boxes, error display and beeps with the original platform's flags and results.
// Every one goes through a hook, so tests can answer and record instead of waiting for a person.

#include <QString>
#include <functional>

class QWidget;

namespace platform {

// Buttons (low nibble) and icons, as the original flags combine them.
enum MessageBoxFlags : int {
    MB_OK = 0,
    MB_OKCANCEL = 1,
    MB_YESNOCANCEL = 3,
    MB_YESNO = 4,
    MB_ICONERROR = 16,
    MB_ICONQUESTION = 32,
    MB_ICONWARNING = 48,
    MB_ICONINFORMATION = 64,
};

enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageBoxHook = std::function<int(const QString& text, const QString& caption, int flags)>;

// Shows a modal box through ShowModal (or asks the hook) and returns one of MessageBoxResult.
// With a help context, a "&Help" button and F1 open the help there and leave the box open.
int MessageBox(const QString& text, const QString& caption, int flags, QWidget* parent = nullptr,
               int helpContext = 0);

// Installs a hook that answers every box instead of showing it; an empty hook restores the boxes.
// Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// The caption of the program's own boxes: the application's display name.
QString ProductCaption();

// Reports a failure the user must see: product name as caption, error icon.
void ShowError(const QString& text, QWidget* parent = nullptr);

// Beeps, through a hook tests can record. kind is the platform's sound kind (0 default, 16, 48...).
using BeepHook = std::function<void(int kind)>;
void Beep(int kind = 0);
BeepHook SetBeepHook(BeepHook hook);

} // namespace platform
