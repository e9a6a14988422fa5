#include "app/Quendel.h"
#include "platform/SafeWrite.h"

int main(int argc, char** argv) {
    // The side windows dock by placing themselves, which a Wayland client cannot do: run on X11
    // (XWayland under a Wayland session) unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    platform::IgnoreFileSizeSignal();
    TQuendelApplication app(argc, argv);
    return RunQuendel(app);
}
