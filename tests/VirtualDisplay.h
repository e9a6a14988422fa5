#pragma once
// Runs tests of this executable that need a real X display in a child process on a virtual X
// server of their own (Xvfb, Debian package xvfb), optionally with a window manager (openbox)
// running on it, so that moving, maximising, stacking and focus are the window manager's. The
// child's tests are disabled on their own and skip on any other platform than X.

#include <QCoreApplication>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// The programs a run needs; empty when all of them are installed, else what is missing.
inline QString MissingPrograms(const QStringList& programs) {
    QStringList missing;
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing << program;
    }
    return missing.join(QStringLiteral(", "));
}

// A process of the run, ended by its own id when the run ends, however it ends.
class TRunProcess : public QProcess {
public:
    ~TRunProcess() override {
        if (state() == QProcess::NotRunning)
            return;
        terminate();
        if (!waitForFinished(5000)) {
            kill();
            waitForFinished(5000);
        }
    }
};

// Runs the disabled tests that filter names on a fresh virtual 1024 x 768 display, with openbox
// managing its windows when windowManager is set. Fails the calling test with the child's output
// unless every test the filter names passed.
inline void RunOnVirtualDisplay(const QString& filter, bool windowManager) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TRunProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-displayfd"),
                  QStringLiteral("1")});
    ASSERT_TRUE(server.waitForStarted(10000)) << server.errorString().toStdString();
    // The server writes its display number once it takes connections.
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine() || !server.isOpen(); }, 20000))
        << "Xvfb gave no display number";
    bool numbered = false;
    const int number = server.readLine().trimmed().toInt(&numbered);
    ASSERT_TRUE(numbered) << QString::fromLocal8Bit(server.readAllStandardError()).toStdString();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(number));

    TRunProcess manager;
    if (windowManager) {
        // Openbox runs the command once it manages the display.
        const QString ready = folder.filePath(QStringLiteral("ready"));
        manager.setProcessEnvironment(environment);
        manager.setProcessChannelMode(QProcess::MergedChannels);
        manager.start(QStringLiteral("openbox"),
                      {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                       QStringLiteral("touch %1").arg(ready)});
        ASSERT_TRUE(manager.waitForStarted(10000)) << manager.errorString().toStdString();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QFile::exists(ready) || manager.state() == QProcess::NotRunning; },
            20000));
        ASSERT_TRUE(QFile::exists(ready))
            << "openbox did not start\n"
            << QString::fromLocal8Bit(manager.readAll()).toStdString();
    }

    // The session bus library that Qt's X platform loads keeps a buffer to the end of the process.
    QFile suppressions(folder.filePath(QStringLiteral("lsan.supp")));
    ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly) &&
                suppressions.write("leak:libdbus-1.so\n") > 0);
    suppressions.close();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString leaks = environment.value(QStringLiteral("LSAN_OPTIONS"));
    environment.insert(QStringLiteral("LSAN_OPTIONS"),
                       (leaks.isEmpty() ? QString() : leaks + QLatin1Char(':')) +
                           QStringLiteral("suppressions=") + suppressions.fileName());
    TRunProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + filter,
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    const bool ended = child.waitForFinished(120000);
    const std::string output = QString::fromLocal8Bit(child.readAll()).toStdString();
    EXPECT_TRUE(ended) << "the child did not end\n" << output;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ]"), std::string::npos) << output;
    EXPECT_EQ(output.find("[  PASSED  ] 0 tests"), std::string::npos) << output;
    EXPECT_EQ(output.find("FAILED"), std::string::npos) << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
}

// Drives the display's real pointer and keyboard through the X server's test extension
// (xdotool, Debian package xdotool): the events reach the program as a person's would, through
// the window manager. Each call serves this process's events until xdotool has done.
inline bool XInput(const QStringList& arguments) {
    TRunProcess xdotool;
    xdotool.setProcessChannelMode(QProcess::MergedChannels);
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 10000) &&
           xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

inline bool XPointerTo(QPoint screenPoint) {
    return XInput({QStringLiteral("mousemove"), QString::number(screenPoint.x()),
                   QString::number(screenPoint.y())});
}
