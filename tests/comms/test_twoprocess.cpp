// A whole network game between two real processes over loopback: connection, chat, a match with
// clocks, moves to a mate with a draw offer answered by a move, and a second game ended by
// resignation. The move lists agree throughout.

#include "tests/comms/PeerProcess.h"
#include "tests/peers/ScriptedServer.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Anna opens a server and Bruno connects to it: the server's port, empty when none came.
QString ServeAndConnect(TPeer& anna, TPeer& bruno) {
    anna.Send("nick Anna");
    bruno.Send("nick Bruno");
    anna.Send("server");
    const QString port = anna.WaitFor("port ").section(' ', 1);
    if (!port.isEmpty())
        bruno.Send("connect " + port);
    return port;
}

TEST(TwoProcesses, AWholeNetworkGame) {
    QTemporaryDir folderA, folderB;
    TPeer anna(folderA.path()), bruno(folderB.path());
    const QString port = ServeAndConnect(anna, bruno);
    ASSERT_FALSE(port.isEmpty());
    ASSERT_FALSE(anna.ShowUntil("Connesso con Bruno").isEmpty());
    ASSERT_FALSE(bruno.ShowUntil("Connesso con Anna").isEmpty());

    bruno.Send("say ciao Anna");
    ASSERT_FALSE(anna.ShowUntil("< ciao Anna").isEmpty());

    // Game one: Anna White with five minutes each; Bruno mates.
    anna.Send("match white 5");
    EXPECT_EQ(bruno.WaitFor("box "),
              "box Proposta di partita da Anna, pezzi Neri, tempo 5 minuti.\\nAccetti?|Quendel|3");
    ASSERT_FALSE(anna.ShowUntil("state=2").isEmpty());
    ASSERT_FALSE(bruno.ShowUntil("state=3").isEmpty());
    const std::pair<TPeer*, const char*> game[] = {
        {&anna, "f2-f3"}, {&bruno, "e7-e5"}, {&anna, "g2-g4"}, {&bruno, "d8-h4"}};
    for (int i = 0; i < 4; ++i) {
        if (i == 0)
            anna.Send("draw");
        game[i].first->Send(QStringLiteral("move ") + game[i].second);
        EXPECT_EQ(game[i].first->WaitFor("played"), "played 1") << i;
        TPeer& other = game[i].first == &anna ? bruno : anna;
        const QString shown = other.ShowUntil(game[i].second);
        ASSERT_FALSE(shown.isEmpty()) << i;
        EXPECT_EQ(TPeer::Moves(shown).toStdString(),
                  TPeer::Moves(game[i].first->ShowUntil(game[i].second)).toStdString());
    }
    const QString annaEnd = anna.ShowUntil("Fine partita: il Nero vince");
    ASSERT_FALSE(annaEnd.isEmpty());
    EXPECT_TRUE(annaEnd.contains("Proposta di patta rifiutata"));
    EXPECT_TRUE(annaEnd.contains("state=0"));
    ASSERT_FALSE(bruno.ShowUntil("Fine partita: il Nero vince").isEmpty());
    EXPECT_FALSE(bruno.ShowUntil("L'avversario propone patta").isEmpty());

    // Game two: Bruno White without a clock, then he resigns. Neither saves the first game.
    anna.Send("answer yes");
    anna.Send("answer no");
    bruno.Send("answer no");
    bruno.Send("match white 0");
    EXPECT_EQ(anna.WaitFor("box Proposta"),
              "box Proposta di partita da Bruno, pezzi Neri, senza tempo.\\nAccetti?|Quendel|3");
    ASSERT_FALSE(bruno.ShowUntil("state=2").isEmpty());
    bruno.Send("move e2-e4");
    ASSERT_FALSE(anna.ShowUntil("state=2").isEmpty());
    anna.Send("move e7-e5");
    const QString brunoTurn = bruno.ShowUntil("state=2");
    ASSERT_FALSE(brunoTurn.isEmpty());
    bruno.Send("resign");
    EXPECT_EQ(anna.WaitFor("box "), "box Il bianco abbandona|Quendel|0");
    EXPECT_EQ(bruno.WaitFor("box "), "box Il bianco abbandona|Quendel|0");
    const QString annaLast = anna.ShowUntil("state=0");
    const QString brunoLast = bruno.ShowUntil("state=0");
    EXPECT_EQ(TPeer::Moves(annaLast).toStdString(), TPeer::Moves(brunoLast).toStdString());
    EXPECT_TRUE(TPeer::Moves(annaLast).contains("e7-e5"));
    EXPECT_EQ(annaLast.count("Fine partita: il Nero vince"), 2);
}

// The opponent resigns and quits at once; the user clicks the end-of-game box afterwards, and
// the server takes the next player.
TEST(TwoProcesses, TheOpponentResignsAndQuitsAtOnce) {
    QTemporaryDir folderA, folderB, folderC;
    TPeer anna(folderA.path()), bruno(folderB.path());
    const QString port = ServeAndConnect(anna, bruno);
    ASSERT_FALSE(port.isEmpty());
    ASSERT_FALSE(anna.ShowUntil("Connesso con Bruno").isEmpty());
    bruno.Send("match white 0");
    ASSERT_FALSE(anna.ShowUntil("state=3").isEmpty());
    ASSERT_FALSE(bruno.ShowUntil("state=2").isEmpty());

    anna.Send("answer hold");
    bruno.Send("resign\nquit");
    EXPECT_EQ(anna.WaitFor("box "), "box Il bianco abbandona|Quendel|0");
    ASSERT_FALSE(anna.ShowUntil("connected=0").isEmpty());
    anna.Send("click");
    EXPECT_EQ(anna.WaitFor("clicked"), "clicked");
    EXPECT_FALSE(anna.ShowUntil("state=0").isEmpty());

    TPeer carla(folderC.path());
    carla.Send("nick Carla");
    carla.Send("connect " + port);
    EXPECT_FALSE(anna.ShowUntil("Connesso con Carla").isEmpty());
    EXPECT_FALSE(carla.ShowUntil("Connesso con Anna").isEmpty());
}

// Quitting while the download window waits on a server that never answers, or whose connection
// never completes: the worker is told to stop, its failure is reported, and the program ends.
// Through the user's "Esci", and through an end of the event loops that closes no window first.
TEST(PeerProcess, QuittingDuringADownloadFromASilentServer) {
    ScriptedServer silent("200 hi\r\n", {{"STAT", "<silent>"}});
    ScriptedServer unreachable("200 hi\r\n", {}, ScriptedServer::Start::Held);
    for (const char* quit : {"exit", "halt"}) {
        QTemporaryDir folder;
        TPeer peer(folder.path());
        const int asked = int(silent.Received().count("STAT"));
        peer.Send(QStringLiteral("download %1").arg(silent.Port()));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return silent.Received().count("STAT") > asked; }, 20000));
        peer.Send(quit);
        EXPECT_EQ(peer.WaitFor("box "), "box Operazione annullata|Operazione fallita|16") << quit;
        EXPECT_TRUE(peer.Ended()) << quit;

        QTemporaryDir other;
        TPeer waiting(other.path());
        waiting.Send(QStringLiteral("download %1").arg(unreachable.Port()));
        waiting.Send("show"); // a round trip: the download has begun before the next line
        EXPECT_FALSE(waiting.WaitFor("show ").isEmpty());
        waiting.Send(quit);
        EXPECT_EQ(waiting.WaitFor("box "), "box Connessione interrotta|Operazione fallita|16")
            << quit;
        EXPECT_TRUE(waiting.Ended()) << quit;
    }
}

} // namespace
