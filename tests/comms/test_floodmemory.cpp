// The play window of a second process flooded with long chat lines by a peer that never reads:
// its peak memory stays far below what keeping every line would take, and it answers meanwhile.

#include "tests/comms/PeerProcess.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A field of the peer's "stats" line.
qint64 Field(const QString& stats, const QString& name) {
    return stats.section(' ' + name + '=', 1).section(' ', 0, 0).toLongLong();
}

TEST(FloodedPeerProcess, MemoryStaysBounded) {
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Freed memory is reused at once, so that the peak shows what the window keeps.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":quarantine_size_mb=0");
    TPeer peer(folder.path(), environment);
    peer.serveEvents = true;
    peer.Send("nick Anna");
    peer.Send("server");
    const QString port = peer.WaitFor("port ").section(' ', 1);
    ASSERT_FALSE(port.isEmpty());
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, port.toUShort());
    ASSERT_TRUE(raw.waitForConnected(10000));
    raw.write("helo Raw\n");
    ASSERT_FALSE(peer.ShowUntil("Connesso con Raw").isEmpty());
    peer.Send("stats");
    const qint64 before = Field(peer.WaitFor("stats "), "peak");
    ASSERT_GT(before, 0);

    // 6 MB of chat in lines of 20,000 characters.
    const QByteArray line = "say " + QByteArray(20000, 'c') + '\n';
    for (int i = 0; i < 300; ++i)
        raw.write(line);
    raw.write("say fine\n");
    QString stats;
    int answers = 0;
    for (const QDeadlineTimer deadline(240000); !deadline.hasExpired();) {
        peer.Send("stats");
        stats = peer.WaitFor("stats ");
        ++answers;
        if (stats.endsWith("last=< fine"))
            break;
    }
    ASSERT_TRUE(stats.endsWith("last=< fine")) << stats.toStdString();
    EXPECT_GT(answers, 1);
    EXPECT_LE(Field(stats, "characters"), 500000);
    const qint64 grown = Field(stats, "peak") - before;
    std::printf("peak grew by %lld kB\n", grown);
    EXPECT_LT(grown, 64 * 1024);
}

} // namespace
