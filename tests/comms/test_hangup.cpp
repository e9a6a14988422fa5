// The peer, a second process, sends a line that opens a box here and hangs up while the box is
// open; the box is answered only after the hang-up has been handled, as a user would answer it.
// Each case runs in a child process, so that a crash fails the case instead of the whole binary.

#include "app/CodMain.h"
#include "app/Quendel.h"
#include "comms/CodNet.h"
#include "controls/KXSpin.h"
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
    platform::SetBeepHook([](int) {});
    platform::SetFileDialogHook([](const platform::TFileDialog&) { return QString(); });
    CreateWindows();
    FormMain->show();
    FormMain->Giocainrete1->trigger();
    TFormNet& net = *FormNet;
    net.EditNickName->setText("Anna");
    peer.Send("nick Bruno");
    if (c.localServer) {
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
    bool ok = QTest::qWaitFor([&] { return Connected() && net.Protocol.OpponentNick == "Bruno"; },
                              20000) &&
              !peer.ShowUntil("Connesso con Anna").isEmpty();
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
