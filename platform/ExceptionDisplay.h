#pragma once
// The display of exceptions that escape a handler: they are shown, never unwound through Qt.

#include <exception>
#include <functional>

namespace platform {

// Shows the exception through the error helper.
void ShowException(std::exception_ptr exception);

// Runs `handler`; an exception it raises is shown. False when it raised one.
bool RunGuarded(const std::function<void()>& handler);

} // namespace platform
