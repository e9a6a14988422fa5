#include "platform/Help.h"

#include <utility>

namespace platform {

namespace {

HelpHook& helpHook() {
    static HelpHook hook;
    return hook;
}

} // namespace

HelpHook SetHelpHook(HelpHook hook) {
    return std::exchange(helpHook(), std::move(hook));
}

void ShowHelp(QWidget* owner, int helpContext) {
    if (helpHook())
        helpHook()(owner, helpContext);
}

} // namespace platform
