#pragma once
// The display of exceptions that escape a handler: they are shown, never unwound through Qt.

#include <exception>
#include <functional>

#include <stdexcept>

namespace platform {

// The silent exception: it ends the command and is shown to nobody.
class EAbort : public std::runtime_error {
public:
    EAbort() : std::runtime_error("Operation aborted") {}
};

// Shows the exception through the error helper; an EAbort is not shown.
void ShowException(std::exception_ptr exception);

// Runs `handler`; an exception it raises is shown. False when it raised one.
bool RunGuarded(const std::function<void()>& handler);

} // namespace platform
