// Every test binary runs with one QApplication, so widget and event-loop tests work headless, and
// with the desktop's configuration and data folders in a temporary folder of its own, so no test
// writes into the user's.
#include "platform/SafeWrite.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    // As the program: a write beyond a file-size limit fails instead of killing the tests.
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
