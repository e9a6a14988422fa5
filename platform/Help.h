#pragma once
// The road to the program's help from any window: the program installs the help it ships, so
// controls and dialogs open it at a help context without knowing the help window. Tests install
// their own road to record the calls.

#include <functional>

class QWidget;

namespace platform {

using HelpHook = std::function<void(QWidget* owner, int helpContext)>;

// Installs the road; returns the previous one.
HelpHook SetHelpHook(HelpHook hook);

// Opens the help at the context through the installed road; nothing without one.
void ShowHelp(QWidget* owner, int helpContext);

} // namespace platform
