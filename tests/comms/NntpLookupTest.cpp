// A news server's name looked up through a name server that never answers: the real resolver,
// pointed at a silent loopback socket inside private mount and network namespaces of a child
// process, so nothing outside the child sees it.
#include "comms/CodNntpThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char* const SilentSetup = "QUENDEL_SILENT_NAME_SERVER";
const QString ServerName = "news.quendel.test";
const char* const NoNameServer = "the namespaces allow no silent name server: ";

const QStringList Namespaces{"--user", "--map-root-user", "--mount", "--net", "--"};

bool NamespacesAllowed() {
    QProcess probe;
    probe.start("unshare", Namespaces + QStringList{"true"});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

// A fresh network namespace knows only the loopback interface; the files below are mounted only
// there, never over the machine's own.
bool InPrivateNamespaces() {
    struct if_nameindex* interfaces = ::if_nameindex();
    if (!interfaces)
        return false;
    const bool onlyLoopback = interfaces[0].if_name &&
                              std::strcmp(interfaces[0].if_name, "lo") == 0 &&
                              !interfaces[1].if_name;
    ::if_freenameindex(interfaces);
    return onlyLoopback;
}

// Makes the files in folder (resolv.conf, nsswitch.conf) the resolver's, raises the loopback
// interface and opens the name server's port without ever answering on it.
int SilentNameServer(const QString& folder) {
    for (const char* name : {"resolv.conf", "nsswitch.conf"}) {
        const QByteArray source = QFile::encodeName(folder + "/" + name);
        const QByteArray target = QByteArray("/etc/") + name;
        if (::mount(source.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
            return -1;
    }
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq loopback{};
    std::strcpy(loopback.ifr_name, "lo");
    const bool up = ::ioctl(control, SIOCGIFFLAGS, &loopback) == 0 &&
                    (loopback.ifr_flags |= IFF_UP, ::ioctl(control, SIOCSIFFLAGS, &loopback) == 0);
    ::close(control);
    const int server = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!up || ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return -1;
    return server;
}

bool QueryArrives(int server, int waitMs) {
    pollfd query{server, POLLIN, 0};
    return ::poll(&query, 1, waitMs) == 1;
}

// Answers one waiting query "no such name": its header and question, flagged as a reply.
void AnswerNoSuchName(int server) {
    unsigned char packet[512];
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const ssize_t size = ::recvfrom(server, packet, sizeof packet, MSG_DONTWAIT,
                                    reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (size < 12)
        return;
    ssize_t end = 12;
    while (end < size && packet[end] != 0)
        end += packet[end] + 1;
    end = std::min(end + 5, size);
    packet[2] |= 0x80;             // a reply
    packet[3] = 0x80 | 3;          // recursion available, no such name
    std::memset(packet + 6, 0, 6); // no answer, authority or additional records
    ::sendto(server, packet, size_t(end), 0, reinterpret_cast<sockaddr*>(&from), fromSize);
}

int ThreadCount() {
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

std::unique_ptr<TNntpThread> StartHeaders() {
    auto thread = std::make_unique<TNntpThread>();
    thread->Operation = opHeaders;
    thread->Host = ServerName;
    thread->Port = 119;
    thread->NewsGroup = "g";
    thread->Start();
    return thread;
}

} // namespace

// The parent: runs the child below (disabled on its own) in its namespaces; the child must end
// although its last lookup still waits on the silent name server (for minutes: five attempts of 30
// seconds).
TEST(NntpLookup, ASilentNameServerHoldsNeitherAbortNorBudgetNorExit) {
    if (!NamespacesAllowed())
        GTEST_SKIP() << "this machine forbids private user, mount and network namespaces "
                        "(unshare), which the silent name server needs";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile resolv(folder.filePath("resolv.conf"));
    QFile nsswitch(folder.filePath("nsswitch.conf"));
    ASSERT_TRUE(resolv.open(QIODevice::WriteOnly) && nsswitch.open(QIODevice::WriteOnly));
    resolv.write("nameserver 127.0.0.1\noptions timeout:30 attempts:5\n");
    nsswitch.write("hosts: files dns\n");
    resolv.close();
    nsswitch.close();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(SilentSetup, folder.path());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("unshare", Namespaces + QStringList{QCoreApplication::applicationFilePath(),
                                                    "--gtest_filter=NntpLookupChild.*",
                                                    "--gtest_also_run_disabled_tests"});
    const bool ended = child.waitForFinished(60000);
    if (!ended) {
        child.kill();
        child.waitForFinished(10000);
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (const qsizetype refused = output.indexOf(NoNameServer); refused >= 0)
        GTEST_SKIP() << output.mid(refused).section('\n', 0, 0).toStdString();
    EXPECT_TRUE(ended) << "the child did not end\n" << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test.")) << output.toStdString();
    EXPECT_FALSE(output.contains("SKIPPED")) << output.toStdString();
}

TEST(NntpLookupChild, DISABLED_InsideASilentNameServer) {
    const QString folder = qEnvironmentVariable(SilentSetup);
    if (folder.isEmpty() || !InPrivateNamespaces())
        GTEST_SKIP() << "run by NntpLookup inside its namespaces";
    const int server = SilentNameServer(folder);
    if (server < 0)
        GTEST_SKIP() << NoNameServer << std::strerror(errno);
    const int threadsBefore = ThreadCount();

    // "Annulla" while the name is being looked up.
    auto aborted = StartHeaders();
    ASSERT_TRUE(QueryArrives(server, 20000));
    aborted->Terminate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return aborted->Finished(); }, 20000));
    EXPECT_EQ(aborted->ErrorText, "Connessione interrotta");
    EXPECT_EQ(aborted->OpResult, 1);
    aborted.reset();

    // The abandoned lookup ends now, after its operation is gone: it must touch nothing freed.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            while (QueryArrives(server, 0))
                AnswerNoSuchName(server);
            return ThreadCount() == threadsBefore;
        },
        20000));

    // No answer within the connect budget; this lookup is still waiting when the process exits.
    auto unanswered = StartHeaders();
    ASSERT_TRUE(QTest::qWaitFor([&] { return unanswered->Finished(); }, 30000));
    EXPECT_EQ(unanswered->ErrorText, "Impossibile connettersi al server " + ServerName + ":119");
    EXPECT_EQ(unanswered->OpResult, 1);
    EXPECT_TRUE(QueryArrives(server, 0));
}
