// Two play windows over real loopback sockets, and a raw socket as a rough peer.

#include "app/RadioGroup.h"
#include "comms/CodNet.h"
#include "comms/CodNewConnection.h"
#include "controls/KXCtrls.h"
#include "controls/KXSpin.h"
#include "controls/KxRichEdit.h"
#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "storage/StoredForm.h"
#include "tests/WaitFor.h"
#include "tests/comms/FakeNetHost.h"
#include "tests/controls/ControlsTestUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The condition met within a minute: two peers and their sockets may be slow to settle.
bool Eventually(const std::function<bool()>& condition) {
    return WaitFor(condition, 60000);
}

// One window with a recording stand-in for its main window.
struct TSide {
    std::unique_ptr<TFormNet> window{new TStoredForm<TFormNet>};
    QStringList calls;
    bool inGame = false;

    explicit TSide(const QString& nick) {
        window->EditNickName->setText(nick);
        TNetMainWindowLink& main = window->Main;
        main.StartNetworkGame = [this](const QString& w, const QString& b, bool localWhite) {
            calls << QStringLiteral("start %1 %2 %3").arg(w, b).arg(localWhite);
            inGame = true;
            return true;
        };
        main.EndNetworkGame = [this] {
            calls << "end";
            inGame = false;
            window->EndGame();
        };
        main.ShowTimeout = [this](bool white) {
            calls << QStringLiteral("timeout %1").arg(white);
            window->Main.EndNetworkGame();
        };
        main.ApplyMoveText = [this](const QString& text) {
            calls << "apply " + text;
            if (text == "draw" || text == "resign")
                window->Main.EndNetworkGame();
            return text != "x9-x9";
        };
        main.NetworkGame = [this] { return inGame; };
    }

    QStringList Log() const {
        QStringList lines;
        for (int i = 0; i < window->RichEditMemo->Lines.Count(); ++i)
            lines << window->RichEditMemo->Lines[i];
        return lines;
    }
    // The colour (0x00BBGGRR), weight and italics of a log line.
    QString Style(int line) const {
        const QTextBlock block = window->RichEditMemo->document()->findBlockByNumber(line);
        const QTextCharFormat f = block.begin().fragment().charFormat();
        return QStringLiteral("%1 %2 %3")
            .arg(platform::FromQColor(f.foreground().color()), 6, 16, QLatin1Char('0'))
            .arg(f.fontWeight() == QFont::Bold ? "bold" : "normal")
            .arg(f.fontItalic() ? "italic" : "upright");
    }
    netplay::TNetProtocol& P() const { return window->Protocol; }
};

class NetWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString previousFolder = QDir::currentPath();
    std::vector<QString> boxes;
    int answer = platform::IDYES;
    platform::MessageBoxHook oldBox;
    std::unique_ptr<TFormNewConnection> dialog;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        oldBox = platform::SetMessageBoxHook([this](const QString& t, const QString& c, int f) {
            boxes.push_back(QStringLiteral("%1|%2|%3").arg(t, c).arg(f));
            return answer;
        });
        dialog.reset(new TFormNewConnection);
        FormNewConnection = dialog.get();
    }
    void TearDown() override {
        FormNewConnection = nullptr;
        platform::SetMessageBoxHook(oldBox);
        QDir::setCurrent(previousFolder);
    }

    static quint16 Listen(TSide& server) {
        server.window->EditPort->SetValue(0);
        server.window->BtnStartServer->click();
        EXPECT_TRUE(server.window->ServerSocket1->isListening());
        return server.window->ServerSocket1->serverPort();
    }

    void Connect(TSide& server, TSide& client) {
        const quint16 port = Listen(server);
        client.window->ComboBoxConnection->addItem(
            netplay::BookEntry("Casa", "127.0.0.1", QString::number(port)));
        client.window->ComboBoxConnection->setCurrentIndex(0);
        client.window->BtnStartClient->click();
        ASSERT_TRUE(Eventually([&] { return server.P().Connected && client.P().Connected; }));
        ASSERT_TRUE(Eventually([&] { return client.P().OpponentNick == server.P().OwnNick; }));
    }

    // A raw socket connected to the listening window as its peer.
    static std::unique_ptr<QTcpSocket> RawPeer(TSide& server) {
        auto raw = std::make_unique<QTcpSocket>();
        raw->connectToHost("127.0.0.1", Listen(server));
        EXPECT_TRUE(raw->waitForConnected(5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.P().Connected; }, 60000));
        return raw;
    }
};

TEST_F(NetWindowTest, ConnectChatMatchMovesAndDisconnect) {
    TSide a("Anna"), b("Bruno");
    EXPECT_EQ(a.window->StatusText(), "     Non connesso");
    EXPECT_EQ(a.window->ShapeStatus->BrushColor(), platform::clRed);
    Connect(a, b);
    EXPECT_EQ(a.window->StatusText(), "     Client connesso");
    EXPECT_EQ(b.window->StatusText(), "     Connesso al server");
    EXPECT_EQ(b.window->ShapeStatus->BrushColor(), 0x008000);
    EXPECT_EQ(a.P().OpponentNick, "Bruno");
    EXPECT_TRUE(a.Log().first().startsWith("Creato server: indirizzo "));
    EXPECT_TRUE(a.Log().contains("Connesso con Bruno"));
    EXPECT_EQ(a.Style(0), "000000 normal italic");

    QTest::keyClicks(b.window->RichEditSendMessage, "ciao Anna");
    QTest::keyClick(b.window->RichEditSendMessage, Qt::Key_Return);
    ASSERT_TRUE(Eventually([&] { return a.Log().contains("< ciao Anna"); }));
    EXPECT_EQ(a.Style(int(a.Log().indexOf("< ciao Anna"))), "ff0000 normal upright");
    EXPECT_EQ(b.Log().last(), "> ciao Anna");
    EXPECT_EQ(b.Style(int(b.Log().size()) - 1), "0000ff normal upright");
    EXPECT_TRUE(b.window->RichEditSendMessage->Text().isEmpty());
    // Each entry ends with its own line break, so the caret waits on an empty last line.
    EXPECT_TRUE(b.window->RichEditMemo->document()->lastBlock().text().isEmpty());
    EXPECT_EQ(b.window->RichEditMemo->SelLength(), 0);

    a.window->KxSpinEditDurata->SetValue(1);
    a.window->BtnMatch->click();
    ASSERT_TRUE(Eventually([&] { return b.P().GameState == netplay::gsOpponentTurn; }));
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsMyTurn; }));
    EXPECT_EQ(boxes.back(),
              "Proposta di partita da Anna, pezzi Neri, tempo 1 minuti.\nAccetti?|Quendel|3");
    EXPECT_EQ(a.calls, QStringList{"start Anna Bruno 1"});
    EXPECT_EQ(b.calls, QStringList{"start Anna Bruno 0"});
    EXPECT_EQ(a.window->LabelWhiteTime->Caption(), "01:00");
    EXPECT_EQ(a.window->LabelWhitePlayer->Caption(), "Anna");
    EXPECT_EQ(a.window->LabelWhiteTime->FontColor(), platform::clGreen);
    EXPECT_TRUE(a.window->Timer1->isActive());
    EXPECT_TRUE(a.window->BtnDraw->isEnabled());
    EXPECT_FALSE(b.window->BtnDraw->isEnabled());

    a.window->SendMove("e2-e4");
    ASSERT_TRUE(Eventually([&] { return b.P().GameState == netplay::gsMyTurn; }));
    EXPECT_EQ(b.calls.last(), "apply e2-e4");
    b.window->SendMove("x9-x9");
    ASSERT_TRUE(Eventually([&] { return a.Log().contains("Mossa errata: move x9-x9"); }));
    ASSERT_TRUE(Eventually([&] { return b.Log().contains("Errore nel messaggio: error"); }));
    EXPECT_EQ(a.P().GameState, netplay::gsOpponentTurn);

    // A lost link leaves the way out of the game.
    b.window->CloseConnection();
    ASSERT_TRUE(
        Eventually([&] { return a.window->StatusText() == "     In attesa di connessione"; }));
    EXPECT_EQ(b.window->StatusText(), "     Non connesso");
    EXPECT_TRUE(b.window->BtnDisconnetti->isEnabled());
    b.window->BtnDisconnetti->click();
    EXPECT_EQ(b.calls.last(), "end");
    EXPECT_FALSE(b.window->BtnDisconnetti->isEnabled());
    a.window->BtnDisconnetti->click();
    EXPECT_EQ(a.window->StatusText(), "     Non connesso");
    EXPECT_EQ(a.window->ShapeStatus->BrushColor(), platform::clRed);
    EXPECT_FALSE(a.window->ServerSocket1->isListening());
}

TEST_F(NetWindowTest, DrawResignAndTheFlag) {
    TSide a("Anna"), b("Bruno");
    Connect(a, b);
    b.window->RadioGroupPezzi->SetItemIndex(1);
    b.window->KxSpinEditDurata->SetValue(0);
    b.window->BtnMatch->click();
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsMyTurn; }));
    EXPECT_FALSE(a.window->Timer1->isActive());
    a.window->BtnDraw->click();
    ASSERT_TRUE(Eventually([&] { return b.Log().contains("L'avversario propone patta"); }));
    a.window->SendMove("e2-e4");
    ASSERT_TRUE(Eventually([&] { return b.P().GameState == netplay::gsMyTurn; }));
    b.window->BtnDraw->click();
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsIdle; }));
    EXPECT_EQ(a.calls.last(), "end");
    EXPECT_TRUE(b.calls.contains("apply draw"));

    a.window->KxSpinEditDurata->SetValue(1);
    a.window->BtnMatch->click();
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsMyTurn; }));
    a.P().WhiteSeconds = 0.15f;
    ASSERT_TRUE(Eventually([&] { return a.calls.contains("timeout 1"); }));
    EXPECT_EQ(a.window->LabelWhiteTime->Caption(), "00:00");
    EXPECT_EQ(a.window->LabelWhiteTime->FontColor(), platform::clRed);
    EXPECT_FALSE(a.window->Timer1->isActive());
}

TEST_F(NetWindowTest, RawPeerGetsExactBytesAndItsRoughLinesAreHandled) {
    TSide a("Anna");
    const quint16 port = Listen(a);
    QTcpSocket raw;
    raw.connectToHost("127.0.0.1", port);
    ASSERT_TRUE(raw.waitForConnected(5000));
    ASSERT_TRUE(Eventually([&] { return a.P().Connected; }));
    raw.write("helo Raw\nsay uno\nsay d");
    ASSERT_TRUE(Eventually([&] { return raw.bytesAvailable() >= 10; }));
    EXPECT_EQ(raw.readAll(), QByteArray("helo Anna\n"));
    raw.write("ue\n" + QByteArray(netplay::TLineFramer::MaxLine + 5, 'g') + "\n\xff\x01garbage\n");

    // A second client is closed at once; the first stays.
    QTcpSocket stranger;
    stranger.connectToHost("127.0.0.1", port);
    ASSERT_TRUE(stranger.waitForConnected(5000));
    ASSERT_TRUE(Eventually([&] { return stranger.state() == QAbstractSocket::UnconnectedState; }));
    ASSERT_TRUE(Eventually([&] {
        return a.Log().contains(QString::fromLatin1("Errore nel messaggio: \xff\x01garbage"));
    }));
    const QStringList log = a.Log();
    EXPECT_TRUE(log.contains("< uno"));
    EXPECT_TRUE(log.contains("< due"));
    EXPECT_EQ(log.filter("Errore nel messaggio: ggg").size(), 1);
    EXPECT_EQ(a.window->StatusText(), "     Client connesso");

    a.window->BtnMatch->click();
    a.window->SendMove("e2-e4");
    ASSERT_TRUE(Eventually([&] { return raw.bytesAvailable() >= 14; }));
    EXPECT_EQ(raw.readAll(), QByteArray("match black 5\n"));
    raw.write("accept_match\n");
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsMyTurn; }));
    a.window->SendMove("e2-e4");
    a.window->BtnDraw->click();
    ASSERT_TRUE(Eventually([&] { return raw.bytesAvailable() >= 11; }));
    EXPECT_EQ(raw.readAll(), QByteArray("move e2-e4\n"));
    raw.write("propose_draw\nmove e7-e5\n");
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsMyTurn; }));
    a.window->BtnDraw->click();
    a.window->BtnSendPopup->click();
    ASSERT_TRUE(Eventually([&] { return raw.bytesAvailable() >= 19; }));
    EXPECT_EQ(raw.readAll(), QByteArray("accept_draw\npopup \n"));

    raw.disconnectFromHost();
    ASSERT_TRUE(
        Eventually([&] { return a.window->StatusText() == "     In attesa di connessione"; }));
    EXPECT_FALSE(a.P().Connected);
}

TEST_F(NetWindowTest, FailedListenAndConnectionBookAndSettings) {
    QTcpServer busy;
    ASSERT_TRUE(busy.listen(QHostAddress::Any));
    {
        TSide a("Anna");
        a.window->EditPort->SetValue(busy.serverPort());
        a.window->BtnStartServer->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].endsWith("|Quendel|16"));
        EXPECT_EQ(a.window->StatusText(), "     Non connesso");
        EXPECT_TRUE(a.window->BtnStartServer->isEnabled());

        platform::SetShowModalHook([](QDialog& d) {
            auto& c = static_cast<TFormNewConnection&>(d);
            c.EditName->setText(" Ca(s)a: ");
            c.EditHost->SetText("localhost");
            c.EditPort->SetValue(4445);
            return int(QDialog::Accepted);
        });
        a.window->BtnNewConnectionClick();
        a.window->BtnNewConnectionClick();
        platform::SetShowModalHook({});
        EXPECT_EQ(a.window->ComboBoxConnection->Items(),
                  (QStringList{"Casa (localhost:4445)", "Casa (localhost:4445)"}));
        a.window->Cancellaquestaconnessionedallelenco1Click();
        a.window->ComboBoxConnection->addItem("Rotta");
        a.window->ComboBoxConnection->setCurrentIndex(1);
        a.window->BtnStartClient->click();
        EXPECT_EQ(a.window->StatusText(), "     Errore durante il collegamento con Rotta");
        a.window->ComboBoxConnection->setCurrentIndex(0);
        a.window->EditNickName->setText("Annina");
        EXPECT_EQ(a.P().OwnNick, "Annina");
        a.window->show();
        a.window->close();
    }
    TIniFile ini("./Quendel.ini");
    EXPECT_EQ(ini.ReadString("FinestraConnessione", "EditNickName_Text", ""), "Annina");
    EXPECT_EQ(ini.ReadString("FinestraConnessione", "ComboBoxConnection_Text", ""),
              "Casa (localhost:4445)");
    TSide again("x");
    again.window->show();
    EXPECT_EQ(again.P().OwnNick, "Annina");
    EXPECT_EQ(again.window->ComboBoxConnection->Items(),
              (QStringList{"Casa (localhost:4445)", "Rotta"}));
}

// The book takes the port edit's value held to its limits, never its text; ports stored out of
// range come back held to their edits' limits.
TEST_F(NetWindowTest, PortsOutOfRangeAreHeldToTheLimits) {
    {
        TSide a("Anna");
        platform::SetShowModalHook([](QDialog& d) {
            auto& c = static_cast<TFormNewConnection&>(d);
            c.EditName->setText("Lontano");
            c.EditHost->SetText("localhost");
            c.EditPort->setText("70000");
            return int(QDialog::Accepted);
        });
        a.window->BtnNewConnectionClick();
        platform::SetShowModalHook({});
        EXPECT_EQ(a.window->ComboBoxConnection->Items(), QStringList{"Lontano (localhost:64535)"});
        a.window->show();
        a.window->close();
    }
    TIniFile ini("./Quendel.ini");
    EXPECT_EQ(ini.ReadString("FinestraConnessione", "ComboBoxConnection_Text", ""),
              "Lontano (localhost:64535)");
    ini.WriteString("FinestraConnessione", "EditPort_Value", "70000");
    ini.WriteString("FinestraConnessione", "KxSpinEditDurata_Value", "500");
    TSide again("Anna");
    again.window->show();
    EXPECT_EQ(again.window->EditPort->text(), "64535");
    EXPECT_EQ(again.window->EditPort->GetAsInteger(), 64535);
    EXPECT_EQ(again.window->KxSpinEditDurata->GetAsInteger(), 90);
}

// A peer that floods chat, greetings and proposals and never reads: the window works through
// the lines a slice at a time, answering between, keeps what it holds bounded and answers the
// repeated requests at most once a second. The server side and the client side alike.
struct TFlood {
    int ticks = 0;
    int mostLinesInATick = 0;
    qint64 mostUnread = 0;
    qint64 seconds = 0;
    QByteArray replies;
};

QByteArray FloodLines(int count) {
    QByteArray flood;
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        const char* lines[] = {"helo Raw\n", "match white x\n", "match white 5\n"};
        flood += i % 4 ? QByteArray(lines[i % 4 - 1])
                       : "say " + n + ' ' + QByteArray(i % 100 ? 4 : 20000, 'c') + '\n';
    }
    return flood + "say fine\n";
}

// The number of the newest chat line in the log, -1 before the first.
int NewestChat(const TSide& side) {
    const QTextDocument* log = side.window->RichEditMemo->document();
    QTextBlock block = log->lastBlock();
    for (int i = 0; i < 2 * TFormNet::SliceLines && block.isValid();
         ++i, block = block.previous()) {
        if (block.text().startsWith("< "))
            return block.text().section(' ', 1, 1).toInt();
    }
    return -1;
}

TFlood Flood(TSide& side, QTcpSocket& raw, int lines) {
    TFlood result;
    QTcpSocket* local = side.P().ServerMode ? side.window->ServerSocket1->findChild<QTcpSocket*>()
                                            : side.window->ClientSocket1;
    int newest = -1;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++result.ticks;
        const int chat = NewestChat(side);
        result.mostLinesInATick = std::max(result.mostLinesInATick, chat - newest);
        newest = std::max(newest, chat);
        result.mostUnread = std::max(result.mostUnread, local->bytesAvailable());
    });
    QElapsedTimer clock;
    clock.start();
    tick.start();
    raw.write(FloodLines(lines));
    const bool done = QTest::qWaitFor([&] { return side.Log().contains("< fine"); }, 300000);
    tick.stop();
    result.seconds = clock.elapsed() / 1000;
    EXPECT_TRUE(done);
    QTest::qWait(50);
    result.replies = raw.readAll();
    return result;
}

void ExpectBounded(const TFlood& flood, const TSide& side, int lines, const QStringList& boxes) {
    EXPECT_LE(flood.mostLinesInATick, 3 * TFormNet::SliceLines);
    EXPECT_GT(flood.ticks, lines / (3 * TFormNet::SliceLines));
    EXPECT_LE(flood.mostUnread, TFormNet::ReadBuffer);
    const QStringList log = side.Log();
    EXPECT_LE(log.size(), TFormNet::MaxLogLines);
    EXPECT_LE(side.window->RichEditMemo->GetTextLen(), TFormNet::MaxLogCharacters);
    // A history would hold every entry the trimming dropped.
    EXPECT_FALSE(side.window->RichEditMemo->document()->isUndoRedoEnabled());
    EXPECT_EQ(log.last(), "< fine");
    EXPECT_FALSE(log.first().startsWith("Creato server"));
    EXPECT_FALSE(log.contains("Connessione a Casa"));
    for (const char* reply : {"helo Anna\n", "decline\n"})
        EXPECT_LE(flood.replies.count(reply), 2 + flood.seconds) << reply;
    EXPECT_GE(flood.replies.count("decline\n"), 1);
    EXPECT_LE(boxes.size(), 2 + flood.seconds);
    EXPECT_TRUE(side.P().Connected);
}

QStringList Questions(const std::vector<QString>& boxes) {
    QStringList questions;
    for (const QString& box : boxes)
        questions << box;
    return questions.filter("Accetti?");
}

TEST_F(NetWindowTest, AFloodingPeerIsHandledInSlicesWithinBounds) {
    constexpr int lines = 16000;
    answer = platform::IDNO;
    {
        TSide a("Anna");
        const std::unique_ptr<QTcpSocket> raw = RawPeer(a);
        const TFlood flood = Flood(a, *raw, lines);
        ExpectBounded(flood, a, lines, Questions(boxes));
        EXPECT_GE(flood.replies.count("helo Anna\n"), 1);
    }
    boxes.clear();
    TSide b("Anna");
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    b.window->ComboBoxConnection->addItem(
        netplay::BookEntry("Casa", "127.0.0.1", QString::number(server.serverPort())));
    b.window->ComboBoxConnection->setCurrentIndex(0);
    b.window->BtnStartClient->click();
    ASSERT_TRUE(Eventually([&] { return server.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> raw(server.nextPendingConnection());
    ASSERT_TRUE(Eventually([&] { return b.P().Connected; }));
    const TFlood flood = Flood(b, *raw, lines);
    ExpectBounded(flood, b, lines, Questions(boxes));
}

// Lines that came before the peer closed are all handled before its leaving is.
TEST_F(NetWindowTest, LinesSentBeforeTheCloseAreHandledFirst) {
    TSide a("Anna");
    const std::unique_ptr<QTcpSocket> raw = RawPeer(a);
    QByteArray lines;
    for (int i = 0; i < 5000; ++i)
        lines += "say " + QByteArray::number(i) + '\n';
    raw->write(lines + "say ultimo\n");
    raw->disconnectFromHost();
    ASSERT_TRUE(
        Eventually([&] { return a.window->StatusText() == "     In attesa di connessione"; }));
    EXPECT_EQ(a.Log().last(), "< ultimo");
}

// A peer that reads none of what it is sent is dropped once the unsent lines pass the bound;
// the game with it ends.
TEST_F(NetWindowTest, APeerThatDoesNotReadIsDropped) {
    TSide a("Anna");
    const std::unique_ptr<QTcpSocket> raw = RawPeer(a);
    raw->setReadBufferSize(4096);
    raw->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    const QPointer<QTcpSocket> local = a.window->ServerSocket1->findChild<QTcpSocket*>();
    local->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
    raw->write("helo Raw\n");
    ASSERT_TRUE(Eventually([&] { return a.P().OpponentNick == "Raw"; }));
    a.window->BtnMatch->click();
    raw->write("accept_match\n");
    ASSERT_TRUE(Eventually([&] { return a.P().GameState == netplay::gsMyTurn; }));
    const QString line(8000, 'x');
    qint64 mostUnsent = 0;
    for (int i = 0; i < 1000 && a.P().Connected; ++i) {
        a.window->RichEditSendMessage->SetText(line);
        a.window->BtnSendMessage->click();
        if (local)
            mostUnsent = std::max(mostUnsent, local->bytesToWrite());
        QTest::qWait(1);
    }
    ASSERT_TRUE(Eventually([&] { return !a.P().Connected; }));
    EXPECT_LE(mostUnsent, TFormNet::MaxUnsent + line.size() + 5);
    const QStringList log = a.Log();
    EXPECT_TRUE(log.contains("Connessione chiusa: l'avversario non riceve i messaggi"));
    EXPECT_EQ(log.last(), "L'avversario ha lasciato la partita");
    EXPECT_EQ(a.calls.last(), "end");
    EXPECT_EQ(a.P().GameState, netplay::gsIdle);
    EXPECT_EQ(a.window->StatusText(), "     In attesa di connessione");
    EXPECT_TRUE(
        Eventually([&] { return a.window->ServerSocket1->findChildren<QTcpSocket*>().isEmpty(); }));
}

// With nobody connected "Proponi partita" sends nothing and says so.
TEST_F(NetWindowTest, NoProposalWithoutAPeer) {
    TSide a("Anna");
    const quint16 port = Listen(a);
    ASSERT_TRUE(a.window->BtnMatch->isEnabled());
    a.window->BtnMatch->click();
    EXPECT_EQ(a.Log().last(), "L'avversario non e' connesso: proposta non inviata");
    EXPECT_EQ(a.Style(int(a.Log().size()) - 1), "000000 bold upright");
    EXPECT_EQ(a.P().GameState, netplay::gsIdle);
    QTcpSocket raw;
    raw.connectToHost("127.0.0.1", port);
    ASSERT_TRUE(raw.waitForConnected(5000));
    raw.write("helo Raw\n");
    ASSERT_TRUE(Eventually([&] { return raw.bytesAvailable() >= 10; }));
    EXPECT_EQ(raw.readAll(), QByteArray("helo Anna\n"));
    QTest::qWait(100);
    EXPECT_EQ(raw.readAll(), QByteArray());
}

// Whether the edit shows the diagonal button: the line between its halves is drawn in black.
bool ShowsDiagonalButton(TKxSpinEdit& edit) {
    const QImage image = edit.grab().toImage();
    const int side = edit.height() - 3, left = edit.width() - edit.height() + 1;
    int line = 0;
    for (int i = 0; i < side; ++i)
        line += PixelAt(image, left + i, side - i) == platform::clBlack;
    return line > side / 2;
}

// The port fields take no arrow keys and show the up-down; the minutes keep both.
TEST_F(NetWindowTest, PortEditsShowTheUpDownAndTakeNoArrowKeys) {
    TSide a("Anna");
    a.window->show();
    dialog->show();
    TKxSpinEdit* minutes = a.window->KxSpinEditDurata;
    for (TKxSpinEdit* port : {a.window->EditPort, dialog->EditPort}) {
        EXPECT_FALSE(port->ArrowKeys()) << port->window()->objectName().toStdString();
        EXPECT_EQ(port->ButtonKind(), TKxSpinEdit::bkStandard);
        ASSERT_NE(port->UpDown(), nullptr);
        EXPECT_FALSE(ShowsDiagonalButton(*port));
        QTest::keyClick(port, Qt::Key_Up);
        QTest::keyClick(port, Qt::Key_Down);
        QTest::keyClick(port, Qt::Key_Up);
        EXPECT_EQ(port->text(), "4444");
    }
    EXPECT_TRUE(ShowsDiagonalButton(*minutes));
    QTest::keyClick(minutes, Qt::Key_Up);
    EXPECT_EQ(minutes->text(), "6");
}

// The host field starts at the any-address, and its button leaves the text alone.
TEST(NewConnectionDialog, HostFieldDefaultsAndInertButton) {
    TFormNewConnection dialog;
    EXPECT_EQ(dialog.EditHost->Text(), "0.0.0.0");
    EXPECT_EQ(dialog.EditHost->toolTip(), "Inserire l'indirizzo IP o il nome dell'host.");
    EXPECT_EQ(dialog.EditHost->ButtonWidth(), 26);
    dialog.EditHost->DoClick();
    EXPECT_EQ(dialog.EditHost->Text(), "0.0.0.0");
    EXPECT_EQ(dialog.EditPort->GetAsInteger(), 4444);
}

} // namespace
