#include "ChildProcess.h"
#include "comms/CodNntpThread.h"
#include "peers/ScriptedServer.h"
#include "platform/TextLines.h"

#include <QTest>
#include <QTimer>
#include <QUuid>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

// One operation set up and started in its worker thread.
std::unique_ptr<TNntpThread> StartOperation(int operation, int port, const QString& group,
                                            const std::function<void(TNntpThread&)>& setUp,
                                            const QString& host) {
    auto thread = std::make_unique<TNntpThread>();
    thread->Operation = operation;
    thread->Host = host;
    thread->Port = port;
    thread->NewsGroup = group;
    thread->UserName = "tester";
    thread->Password = "secret";
    if (setUp)
        setUp(*thread);
    thread->Start();
    return thread;
}

// Runs one operation in its worker thread while this thread's event loop serves the peers.
std::unique_ptr<TNntpThread> RunOperation(int operation, int port, const QString& group = "g",
                                          std::function<void(TNntpThread&)> setUp = {},
                                          const QString& host = "127.0.0.1") {
    auto thread = StartOperation(operation, port, group, setUp, host);
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread->Finished(); }, 30000));
    thread->Wait();
    return thread;
}

// Runs one operation in a child of RunMeasured, whose peers the parent serves: the child waits
// without running its own event loop.
std::unique_ptr<TNntpThread> RunInChild(int operation, int port,
                                        const std::function<void(TNntpThread&)>& setUp) {
    auto thread = StartOperation(operation, port, "g", setUp, "127.0.0.1");
    while (!thread->Finished())
        usleep(10000);
    thread->Wait();
    return thread;
}

int EnvPort(const char* name) {
    return qEnvironmentVariableIntValue(name);
}

const QStringList Article{"Newsgroups: zeltor.test",
                          "Subject: 4001-01b[e2-e4]Cog-Gio",
                          "From: ZT0123@zeltor.invalid",
                          "",
                          "- - -",
                          ".",
                          ".riga",
                          "..due",
                          "1b e2-e4"};

// AddressSanitizer holds freed memory back (up to 256 MB) before it reuses it: in a sanitizer
// build the peak of a client that goes through much memory counts that too.
#ifdef __SANITIZE_ADDRESS__
constexpr long QuarantineKb = 256 * 1024;
#else
constexpr long QuarantineKb = 0;
#endif

// The test article with a subject no other article has: other test programs post to the same
// group at the same time, so the newest article need not be this one.
QStringList OwnArticle(const QString& tag) {
    QStringList article = Article;
    article[1] += " " + tag + " " + QUuid::createUuid().toString(QUuid::WithoutBraces);
    return article;
}

// The number of the group's article with the subject of this one (0 if none): a test reads
// back the article it posted, wherever it stands.
int NumberOfArticle(int port, const QStringList& article, const QString& host = "127.0.0.1") {
    const auto headers = RunOperation(opHeaders, port, "zeltor.test", {}, host);
    EXPECT_EQ(headers->OpResult, 0) << headers->ErrorText.toStdString();
    for (const NntpHeader& header : headers->Headers) {
        if ("Subject: " + header.Subject == article[1])
            return header.Number;
    }
    return 0;
}

} // namespace

TEST(NntpScripted, ErrorTextsOfEveryStep) {
    struct Case {
        const char* name;
        int operation;
        std::vector<ScriptedServer::Rule> rules;
        QString error;
    };
    const QByteArray ok = "211 3 1 3 g\r\n";
    const Case cases[] = {
        {"probe hang-up", opPost, {{"STAT", "<close>"}}, "Impossibile connettersi al server"},
        {"login refused",
         opPost,
         {{"STAT", "480 login\r\n"},
          {"AUTHINFO USER", "381 pass\r\n"},
          {"AUTHINFO PASS", "481 no\r\n"}},
         "Login rifiutato\n\nErrore:\n481 no\r\n"},
        {"post refused",
         opPost,
         {{"STAT", "412 x\r\n"}, {"POST", "440 no\n"}},
         "Impossibile inviare il messaggio\n\nErrore:\n440 no\n"},
        {"article refused",
         opPost,
         {{"STAT", "412 x\r\n"}, {"POST", "340 go\r\n"}, {".\r\n", "441 no From\r\n"}},
         "Errore nell'invio del messaggio\n\nErrore:\n441 no From\r\n"},
        {"group refused",
         opHeaders,
         {{"STAT", "412 x\r\n"}, {"GROUP", "411 none\r\n"}},
         "Impossibile aprire il newsgroup g\n\nErrore:\n411 none\r\n"},
        {"overview refused",
         opHeaders,
         {{"STAT", "412 x\r\n"}, {"GROUP", ok}, {"XOVER", "502 no\r\n"}},
         "M'ha risposto male! \n\nHa detto:\n502 no\r\n"},
        {"article missing",
         opArticles,
         {{"STAT", "412 x\r\n"}, {"GROUP", ok}, {"ARTICLE", "430 no\r\n"}},
         "M'ha risposto male! \n\nHa detto:\n430 no\r\n"},
        {"hang-up in data",
         opArticles,
         {{"STAT", "412 x\r\n"}, {"GROUP", ok}, {"ARTICLE", "220 1\r\nline\r\n<close>"}},
         "Errore nella ricezione dei dati"},
    };
    for (const Case& c : cases) {
        ScriptedServer server("200 hello\r\n", c.rules);
        const auto thread = RunOperation(c.operation, server.Port(), "g", [&](TNntpThread& t) {
            t.Messages = {Article};
            t.WantedArticles = {1};
        });
        EXPECT_EQ(thread->OpResult, 1) << c.name;
        EXPECT_TRUE(thread->ErrorText.startsWith(c.error))
            << c.name << ": " << thread->ErrorText.toStdString();
    }
}

TEST(NntpScripted, TheDialogueOnTheWire) {
    ScriptedServer server("200 hello\n", {{"STAT", "480 login\n"},
                                          {"AUTHINFO USER", "281 ok already\n"},
                                          {"POST", "340 go\n"},
                                          {".\r\n", "240 ok\n"}});
    const auto thread = RunOperation(opPost, server.Port(), "g", [](TNntpThread& t) {
        t.UserName = "tes\r\nter\0x";
        t.Messages = {{"A: b", "", ".", "x"}, {"B: c", "", "..y"}};
    });
    EXPECT_EQ(thread->OpResult, 0) << thread->ErrorText.toStdString();
    EXPECT_EQ(thread->DoneCount, 2);
    // The last bytes reach the server's event loop after the worker has finished.
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.Received().endsWith("QUIT\r\n"); }, 5000));
    EXPECT_EQ(server.Received(), "STAT\r\nAUTHINFO USER tester\r\nPOST\r\nA: b\r\n\r\n..\r\nx\r\n"
                                 ".\r\nPOST\r\nB: c\r\n\r\n...y\r\n.\r\nQUIT\r\n");
}

TEST(NntpScripted, HeadersAndArticlesParsed) {
    const QByteArray overview = "224 follows\r\n"
                                "7\tSubject one\tA <a@x>\tMon, 1 Jan\t<id>\t\t10\t2\r\n"
                                "8\t\tB\tTue\r\n" +
                                QByteArray("9\t") + QByteArray(200, 's') + "\tlost\r\n.\r\n";
    ScriptedServer server("200 hi\r\n", {{"STAT", "412 x\r\n"},
                                         {"GROUP g", "211 5 5 9 g\r\n"},
                                         {"GROUP empty", "211 0 5 4 empty\r\n"},
                                         {"XOVER", overview},
                                         {"ARTICLE 7", "220 7\r\nH: v\r\n\r\n..dot\r\n.\r\n"},
                                         {"ARTICLE 8", "220 8\nbody\n.\n"}});
    const auto headers =
        RunOperation(opHeaders, server.Port(), "g", [](TNntpThread& t) { t.MaxHeaders = 3; });
    EXPECT_EQ(headers->OpResult, 0);
    ASSERT_EQ(headers->Headers.size(), 3);
    EXPECT_EQ(headers->Headers[0].Number, 7);
    EXPECT_EQ(headers->Headers[0].Subject, "Subject one");
    EXPECT_EQ(headers->Headers[0].Author, "A <a@x>");
    EXPECT_EQ(headers->Headers[0].Date, "Mon, 1 Jan");
    EXPECT_EQ(headers->Headers[1].Subject, "B"); // runs of tabs are one separator
    EXPECT_EQ(headers->Headers[2].Subject.size(), 126);
    EXPECT_EQ(headers->Headers[2].Author, "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.Received().endsWith("QUIT\r\n"); }, 5000));
    EXPECT_TRUE(server.Received().contains("XOVER 7-9\r\n"));

    const auto empty = RunOperation(opHeaders, server.Port(), "empty");
    EXPECT_EQ(empty->OpResult, 0);
    EXPECT_TRUE(empty->Headers.isEmpty());
    EXPECT_EQ(server.Received().count("XOVER"), 1);

    const auto articles = RunOperation(opArticles, server.Port(), "g", [](TNntpThread& t) {
        t.WantedArticles = {8, 7};
    });
    EXPECT_EQ(articles->OpResult, 0);
    ASSERT_EQ(articles->Articles.size(), 2);
    EXPECT_EQ(articles->Articles[0], "body\n");
    EXPECT_EQ(articles->Articles[1], "H: v\r\n\r\n.dot\r\n");
}

TEST(NntpScripted, FailuresEndEveryWait) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const int closedPort = closed.serverPort();
    closed.close();
    const auto refused = RunOperation(opPost, closedPort);
    EXPECT_EQ(refused->ErrorText,
              QString("Impossibile connettersi al server 127.0.0.1:%1").arg(closedPort));

    // A server that greets and hangs up was never there to use.
    ScriptedServer rude("200 hi\r\n<close>");
    EXPECT_EQ(RunOperation(opPost, rude.Port())->ErrorText,
              QString("Impossibile connettersi al server 127.0.0.1:%1").arg(rude.Port()));

    // An endless line, then a server that never answers, aborted by the user.
    ScriptedServer endless("200 hi\r\n",
                           {{"STAT", QByteArray(TNntpSession::MaxLineBytes + 10, 'x')}});
    EXPECT_EQ(RunOperation(opPost, endless.Port())->ErrorText, "Errore nella ricezione dei dati");

    ScriptedServer silent("200 hi\r\n", {{"STAT", "<silent>"}});
    TNntpThread thread;
    thread.Host = "127.0.0.1";
    thread.Port = silent.Port();
    thread.Start();
    QTest::qWait(300);
    EXPECT_FALSE(thread.Finished());
    EXPECT_EQ(thread.StatusText(), "Connessione in corso");
    thread.Terminate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.Finished(); }, 5000));
    EXPECT_EQ(thread.ErrorText, "Operazione annullata");
    EXPECT_EQ(thread.OpResult, 1);
}

// More headers than asked for and an article above the bound end the operation, keep what came
// complete before and close the connection.
TEST(NntpScripted, TooMuchIsRefusedAndTheConnectionClosed) {
    ScriptedServer lister("200 hi\r\n",
                          {{"STAT", "412 x\r\n"},
                           {"GROUP", "211 3 7 9 g\r\n"},
                           {"XOVER", "224 segue\r\n7\ta\r\n8\tb\r\n9\tc\r\n10\td\r\n.\r\n"}});
    const auto headers = RunOperation(opHeaders, lister.Port());
    EXPECT_EQ(headers->OpResult, 1);
    EXPECT_EQ(headers->ErrorText,
              "Il server ha inviato piu' di 3 intestazioni: scaricamento interrotto");
    ASSERT_EQ(headers->Headers.size(), 3);
    EXPECT_EQ(headers->Headers[2].Subject, "c");
    EXPECT_TRUE(QTest::qWaitFor([&] { return lister.Disconnections() == 1; }, 5000));

    const QByteArray line = QByteArray(1000, 'x') + "\r\n";
    ScriptedServer sender("200 hi\r\n",
                          {{"STAT", "412 x\r\n"},
                           {"GROUP", "211 2 7 8 g\r\n"},
                           {"ARTICLE 7", "220 7\r\n" + line.repeated(1040) + ".\r\n"},
                           {"ARTICLE 8", "220 8\r\n" + line.repeated(1050) + ".\r\n"}});
    const auto articles = RunOperation(opArticles, sender.Port(), "g", [](TNntpThread& t) {
        t.WantedArticles = {7, 8};
    });
    EXPECT_EQ(articles->OpResult, 1);
    EXPECT_EQ(articles->ErrorText,
              "Il messaggio 8 e' troppo grande (oltre 1 MB): scaricamento interrotto");
    ASSERT_EQ(articles->Articles.size(), 1);
    EXPECT_EQ(articles->Articles[0], line.repeated(1040));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sender.Disconnections() == 1; }, 5000));
}

// Each server below would make the client take gigabytes or wait for ever. The client runs in a
// child process where its peak memory is measured; the servers run here.
TEST(NntpScripted, HostileServersAreCutOffWithinBoundedMemory) {
    const QString tooLarge =
        "Il messaggio 8 e' troppo grande (oltre 1 MB): scaricamento interrotto";
    const QString timedOut = "Il server non risponde: tempo di attesa scaduto";
    struct Case {
        const char* name;
        int operation;
        QByteArray stream; // what the reply of the last rule is followed by
        qint64 streamBytes;
        QByteArray last;
        QString error;
        int kept; // headers or articles
        QByteArray group = "211 3 7 9 g\r\n";
        long boundKb = 64 * 1024; // what a client that holds only what it keeps may grow by
    };
    const Case cases[] = {
        {"endless overview", opHeaders, "7\tSoggetto\tAutore\tData\r\n", -1, "224 segue\r\n",
         "Il server ha inviato piu' di 3 intestazioni: scaricamento interrotto", 3},
        {"endless overview of a huge group", opHeaders, "7\tSoggetto\tAutore\tData\r\n", -1,
         "224 segue\r\n",
         "Il server ha inviato piu' di 100000 intestazioni: scaricamento interrotto", 100000,
         "211 2000000000 1 2000000000 g\r\n", 256 * 1024},
        {"endless article", opArticles, "riga\r\n", -1, "220 8\r\n", tooLarge, 1},
        {"1 GB article", opArticles, QByteArray(998, 'x') + "\r\n", qint64(1) << 30, "220 8\r\n",
         tooLarge, 1},
        {"endless line", opArticles, QByteArray(65536, 'x'), -1, "220 8\r\n", tooLarge, 1},
        {"silence after the greeting", opHeaders, {}, 0, "<silent>", timedOut, 0},
        {"silence after the data", opArticles, {}, 0, "220 8\r\nriga\r\n", timedOut, 1},
    };
    for (const Case& c : cases) {
        const QByteArray lastCommand = c.operation == opHeaders ? "XOVER" : "ARTICLE 8";
        std::vector<ScriptedServer::Rule> rules{
            {"GROUP", c.group}, {"ARTICLE 7", "220 7\r\nintero\r\n.\r\n"}, {lastCommand, c.last}};
        rules.insert(rules.begin(), {"STAT", c.last == "<silent>" ? c.last : "412 x\r\n"});
        ScriptedServer server("200 hi\r\n", rules);
        if (!c.stream.isEmpty())
            server.AddStream(lastCommand, c.stream, c.streamBytes, ".\r\n");
        const TMeasuredRun run = RunMeasured(
            [&] {
                const auto thread = RunInChild(c.operation, server.Port(), [](TNntpThread& t) {
                    t.WantedArticles = {7, 8};
                    t.ReadTimeoutMs = 300;
                });
                const qsizetype kept =
                    c.operation == opHeaders ? thread->Headers.size() : thread->Articles.size();
                return QString("%1|%2").arg(kept).arg(thread->ErrorText).toStdString();
            },
            512 * 1024, 30000, [] { QTest::qWait(5); });
        EXPECT_TRUE(run.ended) << c.name << ": the client grew past 512 MB or never ended";
        if (!run.ended)
            continue;
        EXPECT_EQ(QString::fromStdString(run.output), QString("%1|%2").arg(c.kept).arg(c.error))
            << c.name;
        EXPECT_LT(run.growthKb, c.boundKb) << c.name;
        std::cout << c.name << ": " << run.growthKb << " KB\n";
    }
}

// 2,000 articles just under the size of one: the download keeps what its bound allows, says how
// many came, and the client's memory stays near what it keeps.
TEST(NntpScripted, ADownloadKeepsNoMoreThanItsBound) {
    const QByteArray line = QByteArray(998, 'x') + "\r\n";
    const QByteArray article = line.repeated(1040);
    ASSERT_LT(article.size(), TNntpSession::MaxArticleBytes);
    ScriptedServer server(
        "200 hi\r\n",
        {{"STAT", "412 x\r\n"}, {"GROUP", "211 2000 1 2000 g\r\n"}, {"ARTICLE", "220 segue\r\n"}});
    server.AddStream("ARTICLE", line, article.size(), ".\r\n");
    const TMeasuredRun run = RunMeasured(
        [&] {
            const auto thread = RunInChild(opArticles, server.Port(), [](TNntpThread& t) {
                for (int number = 1; number <= 2000; ++number)
                    t.WantedArticles.append(number);
            });
            const bool whole = std::all_of(thread->Articles.begin(), thread->Articles.end(),
                                           [&](const QByteArray& kept) { return kept == article; });
            return QString("%1|%2|%3")
                .arg(thread->Articles.size())
                .arg(thread->ErrorText)
                .arg(whole)
                .toStdString();
        },
        512 * 1024, 60000, [] { QTest::qWait(5); });
    ASSERT_TRUE(run.ended) << "the client grew past 512 MB or never ended";
    EXPECT_EQ(run.output, "64|Scaricamento interrotto al limite di 64 MB: sono arrivati 64 "
                          "messaggi|1");
    EXPECT_LT(run.growthKb, (TNntpSession::MaxDownloadBytes >> 10) + 64 * 1024 + QuarantineKb);
    std::cout << "64 articles kept: " << run.growthKb << " KB\n";
}

// A server that is never quite silent, sending a byte now and then: the greeting, a reply line
// and the lines of an article each have a bound of their own (shortened here), and the client
// gives up within it.
TEST(NntpScripted, ATrickleIsGivenUpWithinItsBound) {
    struct Case {
        const char* name;
        QByteArray greeting;
        QByteArray after; // the command whose reply trickles on; none for the greeting
        QByteArray trickle;
    };
    const Case cases[] = {
        {"greeting", "200 ", "", "x"},
        {"reply line", "200 hi\r\n", "GROUP", "1"},
        {"article lines", "200 hi\r\n", "ARTICLE 7", "x\r\n"},
    };
    for (const Case& c : cases) {
        ScriptedServer server(c.greeting,
                              {{"STAT", "412 x\r\n"},
                               {"GROUP", c.after == "GROUP" ? "211 " : "211 1 7 7 g\r\n"},
                               {"ARTICLE 7", "220 7\r\n"}});
        server.AddTrickle(c.after, c.trickle, 100);
        const TMeasuredRun run = RunMeasured(
            [&] {
                const auto thread = RunInChild(opArticles, server.Port(), [](TNntpThread& t) {
                    t.WantedArticles = {7};
                    t.ReadTimeoutMs = 300;
                    t.ReplyTimeoutMs = 1000;
                    t.DataTimeoutMs = 1500;
                });
                return QString("%1|%2")
                    .arg(thread->Articles.size())
                    .arg(thread->ErrorText)
                    .toStdString();
            },
            512 * 1024, 30000, [] { QTest::qWait(5); });
        EXPECT_TRUE(run.ended) << c.name << ": the client never gave up";
        EXPECT_EQ(run.output, "0|Il server non risponde: tempo di attesa scaduto") << c.name;
        EXPECT_LT(run.growthKb, 64 * 1024) << c.name;
    }
}

// The server's address in the form of the IPv6 loopback: the connection is made for that family.
TEST(NntpScripted, AServerOnTheIPv6Loopback) {
    ScriptedServer server("200 hi\r\n",
                          {{"STAT", "412 x\r\n"}, {"POST", "340 go\r\n"}, {".\r\n", "240 ok\r\n"}},
                          ScriptedServer::Start::Open, QHostAddress::LocalHostIPv6);
    if (!server.Listening())
        GTEST_SKIP() << "this machine has no IPv6 loopback address (::1)";
    const auto posted = RunOperation(
        opPost, server.Port(), "g", [](TNntpThread& t) { t.Messages = {Article}; }, "::1");
    EXPECT_EQ(posted->OpResult, 0) << posted->ErrorText.toStdString();
    EXPECT_EQ(posted->DoneCount, 1);
    EXPECT_TRUE(server.Received().contains("Subject: 4001-01b[e2-e4]Cog-Gio\r\n"));
}

TEST(NntpScripted, AnArticleCutOffIsNotKept) {
    ScriptedServer server("200 hi\r\n", {{"STAT", "412 x\r\n"},
                                         {"GROUP", "211 2 7 8 g\r\n"},
                                         {"ARTICLE 7", "220 7\r\nintero\r\n.\r\n"},
                                         {"ARTICLE 8", "220 8\r\nmezzo\r\n<close>"}});
    const auto fetched = RunOperation(opArticles, server.Port(), "g", [](TNntpThread& t) {
        t.WantedArticles = {7, 8};
    });
    EXPECT_EQ(fetched->OpResult, 1);
    EXPECT_EQ(fetched->ErrorText, "Errore nella ricezione dei dati");
    EXPECT_EQ(fetched->Articles, QList<QByteArray>{"intero\r\n"});
}

TEST(NntpScripted, ASlowConnectHasTheWholeBudget) {
    const std::vector<ScriptedServer::Rule> poster{
        {"STAT", "412 x\r\n"}, {"POST", "340 go\r\n"}, {".\r\n", "240 ok\r\n"}};
    // The first connection request is dropped; the next one, a second later, gets through.
    ScriptedServer slow("200 hi\r\n", poster, ScriptedServer::Start::Held);
    QTimer::singleShot(300, &slow, [&] { slow.Release(); });
    const auto posted = RunOperation(opPost, slow.Port(), "g", [](TNntpThread& t) {
        t.Messages = {{"A: b", "", "x"}};
    });
    EXPECT_EQ(posted->OpResult, 0) << posted->ErrorText.toStdString();
    EXPECT_EQ(posted->DoneCount, 1);

    ScriptedServer never("200 hi\r\n", poster, ScriptedServer::Start::Held);
    EXPECT_EQ(RunOperation(opPost, never.Port())->ErrorText,
              QString("Impossibile connettersi al server 127.0.0.1:%1").arg(never.Port()));

    TNntpThread aborted;
    aborted.Host = "127.0.0.1";
    aborted.Port = never.Port();
    aborted.Start();
    QTest::qWait(300);
    EXPECT_FALSE(aborted.Finished());
    aborted.Terminate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return aborted.Finished(); }, 5000));
    EXPECT_EQ(aborted.ErrorText, "Connessione interrotta");
}

TEST(NntpParsers, GroupRepliesAndOverviewLines) {
    const TGroupInfo info = ParseGroupReply("211  300   1\t 300 zeltor.test\r\n");
    EXPECT_EQ(info.Count, 300);
    EXPECT_EQ(info.Last, 300);
    const TGroupInfo bad = ParseGroupReply("211 x -5");
    EXPECT_EQ(bad.Count, 0);
    EXPECT_EQ(bad.First, -5);
    EXPECT_EQ(bad.Last, 0);
    EXPECT_EQ(ParseGroupReply(QByteArray(130, ' ') + "211 1 2 3").Count, 0);
    EXPECT_EQ(ParseOverviewLine("").Number, 0);
    EXPECT_EQ(ParseOverviewLine("\t\t\t").Subject, "");
}

class NntpInn : public ::testing::Test {
protected:
    void SetUp() override {
        if (EnvPort("NNTP_OPEN_PORT") == 0)
            GTEST_SKIP() << "no news server: scripts/test starts INN and sets NNTP_OPEN_PORT";
    }
};

TEST_F(NntpInn, PostedArticleComesBackLineForLine) {
    const QStringList article = OwnArticle("riletto");
    const auto post = RunOperation(opPost, EnvPort("NNTP_OPEN_PORT"), "zeltor.test",
                                   [&](TNntpThread& t) { t.Messages = {article}; });
    ASSERT_EQ(post->OpResult, 0) << post->ErrorText.toStdString();
    EXPECT_EQ(post->DoneCount, 1);

    const auto headers = RunOperation(opHeaders, EnvPort("NNTP_OPEN_PORT"), "zeltor.test",
                                      [](TNntpThread& t) { t.MaxHeaders = 5; });
    ASSERT_EQ(headers->OpResult, 0) << headers->ErrorText.toStdString();
    ASSERT_EQ(headers->Headers.size(), 5);
    EXPECT_EQ(headers->DoneCount, 5);

    const int number = NumberOfArticle(EnvPort("NNTP_OPEN_PORT"), article);
    ASSERT_GT(number, 0);
    const auto fetched = RunOperation(opArticles, EnvPort("NNTP_OPEN_PORT"), "zeltor.test",
                                      [&](TNntpThread& t) { t.WantedArticles = {number}; });
    ASSERT_EQ(fetched->OpResult, 0) << fetched->ErrorText.toStdString();
    ASSERT_EQ(fetched->Articles.size(), 1);
    const QByteArray& text = fetched->Articles[0];
    const qsizetype body = text.indexOf("\r\n\r\n");
    ASSERT_GT(body, 0);
    EXPECT_TRUE(text.endsWith("\r\n"));
    EXPECT_EQ(platform::SplitLines(text.mid(body + 4)), article.mid(4));

    const auto all = RunOperation(opHeaders, EnvPort("NNTP_OPEN_PORT"), "zeltor.test");
    EXPECT_GE(all->Headers.size(), 300);
    const auto empty = RunOperation(opHeaders, EnvPort("NNTP_OPEN_PORT"), "zeltor.empty");
    EXPECT_EQ(empty->OpResult, 0);
    EXPECT_TRUE(empty->Headers.isEmpty());
}

TEST_F(NntpInn, PostedThroughAConnectionThatTakesASecond) {
    Relay slow(EnvPort("NNTP_OPEN_PORT"), Relay::Start::Held);
    QTimer::singleShot(300, &slow, [&] { slow.Release(); });
    const QStringList article = OwnArticle("lento");
    const auto post = RunOperation(opPost, slow.Port(), "zeltor.test",
                                   [&](TNntpThread& t) { t.Messages = {article}; });
    EXPECT_EQ(post->OpResult, 0) << post->ErrorText.toStdString();
    EXPECT_EQ(post->DoneCount, 1);
}

// INN listens on IPv4 only: a relay on ::1 stands in front of it.
TEST_F(NntpInn, PostedAndReadOverIPv6) {
    Relay relay(EnvPort("NNTP_OPEN_PORT"), Relay::Start::Open, QHostAddress::LocalHostIPv6);
    if (!relay.Listening())
        GTEST_SKIP() << "this machine has no IPv6 loopback address (::1)";
    const QStringList article = OwnArticle("ipv6");
    const auto post = RunOperation(
        opPost, relay.Port(), "zeltor.test", [&](TNntpThread& t) { t.Messages = {article}; },
        "::1");
    ASSERT_EQ(post->OpResult, 0) << post->ErrorText.toStdString();
    const int number = NumberOfArticle(relay.Port(), article, "::1");
    ASSERT_GT(number, 0);
    const auto fetched = RunOperation(
        opArticles, relay.Port(), "zeltor.test",
        [&](TNntpThread& t) { t.WantedArticles = {number}; }, "::1");
    ASSERT_EQ(fetched->Articles.size(), 1) << fetched->ErrorText.toStdString();
    EXPECT_TRUE(fetched->Articles[0].contains(article[1].toLatin1() + "\r\n"));
    EXPECT_TRUE(fetched->Articles[0].endsWith(article.last().toLatin1() + "\r\n"));
}

TEST_F(NntpInn, AnArticleWithoutASenderIsRefused) {
    QStringList article = Article;
    article.removeAt(2);
    const auto post = RunOperation(opPost, EnvPort("NNTP_OPEN_PORT"), "zeltor.test",
                                   [&](TNntpThread& t) { t.Messages = {article}; });
    EXPECT_EQ(post->OpResult, 1);
    EXPECT_TRUE(post->ErrorText.startsWith("Errore nell'invio del messaggio\n\nErrore:\n441"))
        << post->ErrorText.toStdString();
}

TEST_F(NntpInn, LoginAcceptedAndRefused) {
    const int port = EnvPort("NNTP_AUTH_PORT");
    const auto accepted =
        RunOperation(opHeaders, port, "zeltor.test", [](TNntpThread& t) { t.MaxHeaders = 1; });
    EXPECT_EQ(accepted->OpResult, 0) << accepted->ErrorText.toStdString();
    EXPECT_EQ(accepted->Headers.size(), 1);
    const auto refused =
        RunOperation(opHeaders, port, "zeltor.test", [](TNntpThread& t) { t.Password = "wrong"; });
    EXPECT_EQ(refused->OpResult, 1);
    EXPECT_TRUE(refused->ErrorText.startsWith("Login rifiutato\n\nErrore:\n481"))
        << refused->ErrorText.toStdString();
}
