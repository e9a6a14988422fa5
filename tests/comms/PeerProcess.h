#pragma once
// The test-only copy of the program (tests/comms/peer) in a second process, driven by lines on its
// standard input and read back line by line.

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

class TPeer {
public:
    explicit TPeer(const QString& folder, const QProcessEnvironment& environment =
                                              QProcessEnvironment::systemEnvironment()) {
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QUENDEL_PEER, {});
        EXPECT_TRUE(process.waitForStarted(10000));
        WaitFor("ready");
    }
    ~TPeer() {
        Send("quit");
        if (!process.waitForFinished(10000))
            process.kill();
    }

    void Send(const QString& line) {
        process.write((line + "\n").toUtf8());
        process.waitForBytesWritten(5000);
    }

    // The first output line from now on that starts with `prefix`; empty when none came in time.
    QString WaitFor(const QString& prefix) {
        QDeadlineTimer deadline(20000);
        for (;;) {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                seen << line;
                if (line.startsWith(prefix))
                    return line;
            }
            if (deadline.hasExpired() || !MoreOutput(int(deadline.remainingTime())))
                return {};
        }
    }

    // Asks for the state until it satisfies `contains`.
    QString ShowUntil(const QString& contains) {
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            Send("show");
            const QString line = WaitFor("show ");
            if (line.contains(contains))
                return line;
        }
        return {};
    }

    bool Ended() { return process.waitForFinished(10000); }

    static QString Moves(const QString& show) {
        return show.section(" moves=", 1).section(" log=", 0, 0);
    }

    QStringList seen;
    // This process's own events go on while it waits for the peer (it has sockets to serve).
    bool serveEvents = false;

private:
    bool MoreOutput(int milliseconds) {
        if (!serveEvents)
            return process.waitForReadyRead(milliseconds);
        return QTest::qWaitFor(
                   [this] {
                       return process.canReadLine() || process.state() == QProcess::NotRunning;
                   },
                   milliseconds) &&
               process.canReadLine();
    }

    QProcess process;
};
