// The peer, a second process, sends a line that opens a box here and hangs up while the box is
// open; the box is answered only after the hang-up has been handled, as a user would answer it.
// And the peer leaves in the middle of a game or of a proposal, with or without a box open here.
// Each case runs in a child process, so that a crash fails the case instead of the whole binary.

#include "app/CodMain.h"
#include "app/Quendel.h"
#include "comms/CodNet.h"
#include "controls/KXSpin.h"
#include "controls/KxRichEdit.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "tests/comms/PeerProcess.h"

#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

enum class TOpener { Match, Resign, Draw, Mate };

struct THangUpCase {
    const char* name;
    bool localServer;
    TOpener opener;
    // The box during which the peer goes.
    const char* box;
};

void PrintTo(const THangUpCase& c, std::ostream* os) {
    *os << c.name;
}

// A nested event loop, as an open box runs it, until `done` holds and a few turns after that
// (deferred deletions included); at most twenty seconds.
void SpinLikeABox(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    int turnsAfter = 0;
    const QDeadlineTimer deadline(20000);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if ((done() && ++turnsAfter > 5) || deadline.hasExpired())
            loop.quit();
    });
    poll.start(10);
    loop.exec();
}

bool Connected() {
    return FormNet->Protocol.Connected;
}

// The play window's sockets: the client socket and the server's connections.
QList<QPointer<QTcpSocket>> Sockets() {
    QList<QPointer<QTcpSocket>> sockets;
    for (QTcpSocket* socket : FormNet->findChildren<QTcpSocket*>())
        sockets << socket;
    return sockets;
}

// Both sides in a game, the peer with White when `peerWhite`.
bool StartMatch(TPeer& peer, bool peerWhite) {
    peer.Send(peerWhite ? "match white 5" : "match black 5");
    return !peer.ShowUntil(peerWhite ? "state=2" : "state=3").isEmpty() &&
           QTest::qWaitFor([] { return FormNet->Protocol.GameRunning(); }, 20000);
}

bool LocalMove(TPeer& peer, const char* move) {
    return FormMain->ApplyMoveText(move) && !peer.ShowUntil(move).isEmpty();
}

bool PeerMove(TPeer& peer, const char* move) {
    peer.Send(QStringLiteral("move ") + move);
    return peer.WaitFor("played") == "played 1" &&
           QTest::qWaitFor([move] { return FormMain->MoveListLines().join(' ').contains(move); },
                           20000);
}

// The windows made and this copy connected to the peer, as the server or as the client.
bool Connect(TPeer& peer, bool localServer) {
    platform::SetBeepHook([](int) {});
    platform::SetFileDialogHook([](const platform::TFileDialog&) { return QString(); });
    CreateWindows();
    FormMain->show();
    FormMain->Giocainrete1->trigger();
    TFormNet& net = *FormNet;
    net.EditNickName->setText("Anna");
    peer.Send("nick Bruno");
    if (localServer) {
        net.EditPort->SetValue(0);
        net.BtnStartServer->click();
        peer.Send(QStringLiteral("connect %1").arg(net.ServerSocket1->serverPort()));
    } else {
        peer.Send("server");
        const QString port = peer.WaitFor("port ").section(' ', 1);
        net.ComboBoxConnection->addItem(QStringLiteral("Casa (127.0.0.1:%1)").arg(port));
        net.ComboBoxConnection->setCurrentIndex(net.ComboBoxConnection->count() - 1);
        net.BtnStartClient->click();
    }
    return QTest::qWaitFor([&] { return Connected() && net.Protocol.OpponentNick == "Bruno"; },
                           20000) &&
           !peer.ShowUntil("Connesso con Anna").isEmpty();
}

// Drives the case; false (with a note on standard error) when a step failed.
bool RunCase(const THangUpCase& c) {
    QTemporaryDir folder, peerFolder;
    QDir::setCurrent(folder.path());
    TPeer peer(peerFolder.path());
    peer.serveEvents = true;
    bool hungUpUnderTheBox = false;
    // The box opened from a socket's read handler: no socket may go while it is open.
    bool socketsKept = true;
    platform::SetMessageBoxHook([&](const QString& text, const QString&, int flags) {
        const int answer = (flags & 15) == platform::MB_OK ? platform::IDOK : platform::IDYES;
        if (!text.contains(QLatin1String(c.box)) || hungUpUnderTheBox)
            return answer;
        const QList<QPointer<QTcpSocket>> sockets = Sockets();
        peer.Send("quit");
        SpinLikeABox([] { return !Connected(); });
        hungUpUnderTheBox = !Connected();
        socketsKept = !sockets.contains(nullptr);
        return answer;
    });
    bool ok = Connect(peer, c.localServer);
    TFormNet& net = *FormNet;
    switch (c.opener) {
    case TOpener::Match:
        peer.Send("match white 5");
        break;
    case TOpener::Resign:
        ok = ok && StartMatch(peer, true);
        peer.Send("resign");
        break;
    case TOpener::Draw:
        ok = ok && StartMatch(peer, false);
        net.BtnDraw->click();
        ok = ok && LocalMove(peer, "e2-e4") && !peer.ShowUntil("state=2").isEmpty();
        peer.Send("draw");
        break;
    case TOpener::Mate:
        ok = ok && StartMatch(peer, false) && LocalMove(peer, "f2-f3") && PeerMove(peer, "e7-e5") &&
             LocalMove(peer, "g2-g4");
        peer.Send("move d8-h4");
        break;
    }
    ok = ok && QTest::qWaitFor([&] { return hungUpUnderTheBox; }, 20000);
    // The window goes on: idle, a server waits for the next player, and the departed
    // player's connection is gone once nothing runs on it.
    const QString status = c.localServer ? "     In attesa di connessione" : "     Non connesso";
    const bool released = QTest::qWaitFor(
        [&] { return net.ServerSocket1->findChildren<QTcpSocket*>().isEmpty(); }, 20000);
    ok = ok && socketsKept && released && net.StatusText() == status &&
         !net.Protocol.GameRunning() && net.BtnStartServer->isEnabled() != c.localServer;
    if (!ok)
        std::fprintf(stderr, "failed: status '%s' state %d hung up %d kept %d released %d\n",
                     qPrintable(net.StatusText()), net.Protocol.GameState, hungUpUnderTheBox,
                     socketsKept, released);
    FormMain->Modified = false;
    DestroyWindows();
    return ok;
}

class HangUpUnderABox : public ::testing::TestWithParam<THangUpCase> {};

TEST_P(HangUpUnderABox, TheWindowLivesOn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(RunCase(GetParam()) ? 0 : 3), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HangUpUnderABox,
    ::testing::Values(
        THangUpCase{"ServerMatchQuestion", true, TOpener::Match, "Proposta di partita"},
        THangUpCase{"ServerResignation", true, TOpener::Resign, "Il bianco abbandona"},
        THangUpCase{"ServerDrawAgreed", true, TOpener::Draw, "Patta per comune accordo"},
        THangUpCase{"ServerMated", true, TOpener::Mate, "Scacco matto"},
        THangUpCase{"ClientMatchQuestion", false, TOpener::Match, "Proposta di partita"},
        THangUpCase{"ClientResignation", false, TOpener::Resign, "Il bianco abbandona"},
        THangUpCase{"ClientDrawAgreed", false, TOpener::Draw, "Patta per comune accordo"},
        THangUpCase{"ClientMated", false, TOpener::Mate, "Scacco matto"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

enum class TLeaving { Proposal, OwnTurn, OpponentsTurn, OwnTurnUnderABox };

struct TLeaveCase {
    const char* name;
    bool localServer;
    TLeaving when;
};

void PrintTo(const TLeaveCase& c, std::ostream* os) {
    *os << c.name;
}

// Whether the log holds `text` as a bold line of its own.
bool BoldLine(const QString& text) {
    for (QTextBlock b = FormNet->RichEditMemo->document()->begin(); b.isValid(); b = b.next()) {
        if (b.text() == text)
            return b.begin().fragment().charFormat().fontWeight() == QFont::Bold;
    }
    return false;
}

bool RunLeaveCase(const TLeaveCase& c) {
    QTemporaryDir folder, peerFolder;
    QDir::setCurrent(folder.path());
    TPeer peer(peerFolder.path());
    peer.serveEvents = true;
    // What a box open here while the peer went saw once the hang-up was handled.
    bool endedUnderTheBox = false;
    platform::SetMessageBoxHook([&](const QString& text, const QString&, int flags) {
        if (text == QLatin1String("ciao")) {
            peer.Send("quit");
            SpinLikeABox([] { return !Connected(); });
            endedUnderTheBox = !FormNet->Protocol.GameRunning() && !FormMain->NetworkGame;
        }
        return (flags & 15) == platform::MB_OK ? platform::IDOK : platform::IDYES;
    });
    bool ok = Connect(peer, c.localServer);
    TFormNet& net = *FormNet;
    switch (c.when) {
    case TLeaving::Proposal:
        // The peer's question stays open until its program ends.
        peer.Send("answer hold");
        net.BtnMatch->click();
        ok = ok && net.Protocol.GameState == netplay::gsProposed &&
             !peer.WaitFor("box Proposta").isEmpty();
        peer.Send("halt");
        break;
    case TLeaving::OwnTurn:
    case TLeaving::OpponentsTurn:
        ok = ok && StartMatch(peer, c.when == TLeaving::OpponentsTurn) && net.Timer1->isActive();
        peer.Send("quit");
        break;
    case TLeaving::OwnTurnUnderABox:
        ok = ok && StartMatch(peer, false);
        peer.Send("popup ciao");
        ok = ok && QTest::qWaitFor([&] { return endedUnderTheBox; }, 20000);
        break;
    }
    ok = ok && QTest::qWaitFor([&] { return !Connected() && net.Protocol.GameState == 0; }, 20000);
    const QString status = c.localServer ? "     In attesa di connessione" : "     Non connesso";
    const bool ended = BoldLine("L'avversario ha lasciato la partita") && !net.Timer1->isActive() &&
                       !net.Protocol.TimerRunning && !FormMain->NetworkGame &&
                       !net.BtnDraw->isEnabled() && !net.BtnAbbandona->isEnabled() &&
                       net.StatusText() == status;
    // No move goes anywhere afterwards: a local one is not sent, and one that comes from a new
    // player on the listening server is refused.
    const QStringList moves = FormMain->MoveListLines();
    bool refused = true;
    if (c.localServer) {
        QTcpSocket stranger;
        stranger.connectToHost(QHostAddress::LocalHost, net.ServerSocket1->serverPort());
        stranger.write("helo Carlo\nmove e7-e5\nmove e2-e4\n");
        refused =
            QTest::qWaitFor(
                [&] {
                    return net.RichEditMemo->Text().contains("Errore nel messaggio: move e2-e4");
                },
                20000) &&
            FormMain->MoveListLines() == moves;
        FormMain->ApplyMoveText(FormMain->ChessBoard1->WhiteToMove() ? "a2-a3" : "a7-a6");
        QTest::qWait(200);
        refused = refused && !stranger.readAll().contains("move");
    }
    ok = ok && ended && refused && net.Protocol.GameState == 0;
    if (!ok)
        std::fprintf(stderr, "failed: status '%s' state %d ended %d refused %d\n",
                     qPrintable(net.StatusText()), net.Protocol.GameState, ended, refused);
    FormMain->Modified = false;
    DestroyWindows();
    return ok;
}

class PeerLeaves : public ::testing::TestWithParam<TLeaveCase> {};

TEST_P(PeerLeaves, TheGameEndsWithALineSayingSo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(RunLeaveCase(GetParam()) ? 0 : 3), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PeerLeaves,
    ::testing::Values(TLeaveCase{"ServerProposal", true, TLeaving::Proposal},
                      TLeaveCase{"ServerOwnTurn", true, TLeaving::OwnTurn},
                      TLeaveCase{"ServerOpponentsTurn", true, TLeaving::OpponentsTurn},
                      TLeaveCase{"ServerUnderAPopup", true, TLeaving::OwnTurnUnderABox},
                      TLeaveCase{"ClientProposal", false, TLeaving::Proposal},
                      TLeaveCase{"ClientOwnTurn", false, TLeaving::OwnTurn},
                      TLeaveCase{"ClientOpponentsTurn", false, TLeaving::OpponentsTurn},
                      TLeaveCase{"ClientUnderAPopup", false, TLeaving::OwnTurnUnderABox}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
