// The protocol without a window: every keyword in every state, framing, clocks, book entries.

#include "tests/comms/FakeNetHost.h"

#include <gtest/gtest.h>

using namespace netplay;

namespace {

struct TProtocolCase {
    const char* name;
    unsigned char state;
    bool drawOffered;
    const char* message;
    bool yes;
    bool startOk;
    bool applyOk;
    const char* wire;
    QStringList log;
    QStringList calls;
    unsigned char stateAfter;
};

class ProtocolKeywords : public ::testing::TestWithParam<TProtocolCase> {};

const QString proposalWhite = "Proposta di partita da tu, pezzi Bianchi, tempo 5 minuti";

const TProtocolCase keywordCases[] = {
    {"say", 0, false, "say ciao a tutti", true, true, true, "", {"0:ciao a tutti"}, {}, 0},
    {"say_in_game", 3, false, "say x", true, true, true, "", {"0:x"}, {}, 3},
    {"say_trimmed", 0, false, "  say   hi  \r", true, true, true, "", {"0:hi"}, {}, 0},
    {"popup", 2, false, "popup Ehi tu", true, true, true, "", {}, {"popup:Ehi tu"}, 2},
    {"helo_client", 0, false, "HELO Bob", true, true, true, "", {"2:Connesso con Bob"}, {}, 0},
    {"match_yes_white",
     0,
     false,
     "match white 5",
     true,
     true,
     true,
     "accept_match\n",
     {"2:" + proposalWhite, "2:Inizio partita"},
     {"ask:" + proposalWhite + ".\nAccetti?", "start:io-tu-1"},
     2},
    {"match_yes_black_untimed",
     0,
     false,
     "match black 0",
     true,
     true,
     true,
     "accept_match\n",
     {"2:Proposta di partita da tu, pezzi Neri, senza tempo", "2:Inizio partita"},
     {"ask:Proposta di partita da tu, pezzi Neri, senza tempo.\nAccetti?", "start:tu-io-0"},
     3},
    {"match_signed",
     0,
     false,
     "match white +5",
     true,
     true,
     true,
     "accept_match\n",
     {"2:" + proposalWhite, "2:Inizio partita"},
     {"ask:" + proposalWhite + ".\nAccetti?", "start:io-tu-1"},
     2},
    {"match_no",
     0,
     false,
     "match white 5",
     false,
     true,
     true,
     "decline\n",
     {"2:" + proposalWhite, "2:Proposta di partita rifiutata"},
     {"ask:" + proposalWhite + ".\nAccetti?"},
     0},
    {"match_start_refused",
     0,
     false,
     "match white 5",
     true,
     false,
     true,
     "decline\n",
     {"2:" + proposalWhite, "2:Proposta di partita rifiutata"},
     {"ask:" + proposalWhite + ".\nAccetti?", "start:io-tu-1"},
     0},
    {"match_bad_minutes",
     0,
     false,
     "match white 5x",
     true,
     true,
     true,
     "decline\n",
     {"3:Errore nel messaggio: match white 5x"},
     {},
     0},
    {"match_too_many_minutes",
     0,
     false,
     "match white 1000",
     true,
     true,
     true,
     "decline\n",
     {"3:Errore nel messaggio: match white 1000"},
     {},
     0},
    {"match_while_proposed",
     1,
     false,
     "match white 5",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: match white 5"},
     {},
     0},
    {"match_in_game",
     3,
     false,
     "match white 5",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: match white 5"},
     {},
     3},
    {"accept_match",
     1,
     false,
     "accept_match",
     true,
     true,
     true,
     "",
     {"2:Inizio partita"},
     {"start:io-tu-1"},
     2},
    {"accept_match_refused",
     1,
     false,
     "accept_match",
     true,
     false,
     true,
     "",
     {"2:Inizio partita"},
     {"start:io-tu-1", "end"},
     0},
    {"accept_match_idle",
     0,
     false,
     "accept_match",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: accept_match"},
     {},
     0},
    {"decline",
     1,
     false,
     "decline",
     true,
     true,
     true,
     "",
     {"2:Partita rifiutata dall'avversario"},
     {},
     0},
    {"decline_in_game",
     2,
     false,
     "decline",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: decline"},
     {},
     2},
    {"move", 3, false, "move e7-e5", true, true, true, "", {}, {"apply:e7-e5"}, 2},
    {"move_refused",
     3,
     false,
     "move e7-e9",
     true,
     true,
     false,
     "error\n",
     {"3:Mossa errata: move e7-e9"},
     {"apply:e7-e9"},
     3},
    {"move_resign",
     3,
     false,
     "move resign",
     true,
     true,
     true,
     "error\n",
     {"3:Mossa errata: move resign"},
     {},
     3},
    {"move_draw",
     3,
     false,
     "move draw",
     true,
     true,
     true,
     "error\n",
     {"3:Mossa errata: move draw"},
     {},
     3},
    {"move_my_turn",
     2,
     false,
     "move e7-e5",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: move e7-e5"},
     {},
     2},
    {"move_answers_offer",
     3,
     true,
     "move e7-e5",
     true,
     true,
     true,
     "",
     {"2:Proposta di patta rifiutata"},
     {"apply:e7-e5"},
     2},
    {"resign", 3, false, "resign", true, true, true, "", {}, {"apply:resign", "end"}, 0},
    {"resign_upper",
     3,
     false,
     "RESIGN",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: RESIGN"},
     {},
     3},
    {"resign_my_turn",
     2,
     false,
     "resign",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: resign"},
     {},
     2},
    {"propose_draw",
     3,
     false,
     "propose_draw",
     true,
     true,
     true,
     "",
     {"3:L'avversario propone patta"},
     {},
     3},
    {"propose_draw_my_turn",
     2,
     false,
     "propose_draw",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: propose_draw"},
     {},
     2},
    {"accept_draw", 3, true, "accept_draw", true, true, true, "", {}, {"apply:draw", "end"}, 0},
    {"accept_draw_unoffered",
     3,
     false,
     "accept_draw",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: accept_draw"},
     {},
     3},
    {"error", 3, false, "error", true, true, true, "", {"3:Errore nel messaggio: error"}, {}, 3},
    {"error_while_proposed",
     1,
     false,
     "error",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: error"},
     {},
     0},
    {"unknown",
     0,
     false,
     "hello world",
     true,
     true,
     true,
     "",
     {"3:Errore nel messaggio: hello world"},
     {},
     0},
    {"empty", 0, false, "", true, true, true, "", {"3:Errore nel messaggio: "}, {}, 0},
};

TEST_P(ProtocolKeywords, StateWireLogAndCalls) {
    const TProtocolCase& c = GetParam();
    TFakeNetHost host;
    TNetProtocol p(host);
    host.protocol = &p;
    p.Connected = true;
    p.OwnNick = "io";
    p.OpponentNick = "tu";
    p.GameState = c.state;
    p.LocalIsWhite = true;
    p.DrawOffered = c.drawOffered;
    host.answerYes = c.yes;
    host.startResult = c.startOk;
    host.applyResult = c.applyOk;

    p.ProcessMessage(c.message);

    EXPECT_EQ(host.wire, QByteArray(c.wire));
    EXPECT_EQ(host.log, c.log);
    EXPECT_EQ(host.calls, c.calls);
    EXPECT_EQ(p.GameState, c.stateAfter);
    EXPECT_EQ(host.flashes, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ProtocolKeywords, ::testing::ValuesIn(keywordCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ProtocolTest : ::testing::Test {
    TFakeNetHost host;
    TNetProtocol p{host};
    void SetUp() override {
        host.protocol = &p;
        p.Connected = true;
        p.OwnNick = "io";
        p.OpponentNick = "tu";
    }
};

TEST_F(ProtocolTest, ServerAnswersHelo) {
    p.ServerMode = true;
    p.ProcessMessage("helo Bob");
    EXPECT_EQ(p.OpponentNick, "Bob");
    EXPECT_EQ(host.wire, "helo io\n");
}

TEST_F(ProtocolTest, FramingHandlesMergedSplitAndOversizedLines) {
    TLineFramer framer;
    p.Receive(framer, "say a\nsay b\nsa");
    p.Receive(framer, "y c");
    EXPECT_EQ(host.log, QStringList({"0:a", "0:b"}));
    p.Receive(framer, "\n" + QByteArray(TLineFramer::MaxLine + 10, 'x'));
    p.Receive(framer, QByteArray(100, 'y') + "\nsay d\n");
    ASSERT_EQ(host.log.size(), 5);
    EXPECT_EQ(host.log[2], "0:c");
    EXPECT_EQ(host.log[3], "3:Errore nel messaggio: " + QString(64, 'x') + "...");
    EXPECT_EQ(host.log[4], "0:d");
    // An overlong line that arrives whole is dropped too.
    p.Receive(framer, QByteArray(TLineFramer::MaxLine + 1, 'z') + "\nsay e\n");
    EXPECT_EQ(host.log.last(), "0:e");
    EXPECT_TRUE(host.log[5].startsWith("3:Errore nel messaggio: zzz"));
}

TEST_F(ProtocolTest, LinesTakenInOrderWhileABoxIsOpen) {
    TLineFramer framer;
    // The match question lets the later lines in before it is answered.
    struct TNestingHost : TFakeNetHost {
        TLineFramer* framer = nullptr;
        bool AskMatch(const QString& text) override {
            protocol->Receive(*framer, "say while asked\n");
            return TFakeNetHost::AskMatch(text);
        }
    } nesting;
    TNetProtocol q(nesting);
    nesting.protocol = &q;
    nesting.framer = &framer;
    q.Connected = true;
    q.Receive(framer, "match white 5\nsay after\n");
    EXPECT_EQ(nesting.log[1], "0:after");
    EXPECT_EQ(nesting.log[2], "0:while asked");
    EXPECT_EQ(q.GameState, gsMyTurn);
}

TEST_F(ProtocolTest, SendMoveOnlyOnOwnTurnAndAlwaysDropsTheOffer) {
    p.GameState = gsOpponentTurn;
    p.OpponentOfferedDraw = true;
    p.SendMove("e2-e4");
    EXPECT_EQ(host.wire, "");
    EXPECT_FALSE(p.OpponentOfferedDraw);
    p.GameState = gsMyTurn;
    p.OpponentOfferedDraw = true;
    p.SendMove("e2-e4");
    EXPECT_EQ(host.wire, "move e2-e4\n");
    EXPECT_EQ(p.GameState, gsOpponentTurn);
    EXPECT_FALSE(p.OpponentOfferedDraw);
    EXPECT_FALSE(p.PlayEnabled);
}

// With nobody to send it to, a proposal is not made and the log says why.
TEST_F(ProtocolTest, NothingIsSentUnconnectedAndNoProposalWaits) {
    p.Connected = false;
    p.ProposeMatch(false, 10);
    p.SendChat("ciao");
    EXPECT_EQ(host.wire, "");
    EXPECT_EQ(p.GameState, gsIdle);
    EXPECT_EQ(host.log,
              QStringList({"3:L'avversario non e' connesso: proposta non inviata", "1:ciao"}));
}

// The peer's connection ends in each state: a game or a proposal ends with a bold line, through
// the main window's operation for a game; an idle window, a game already over, says nothing.
TEST_F(ProtocolTest, ThePeerLeaves) {
    const struct {
        unsigned char state;
        bool timer;
        QStringList log;
        QStringList calls;
    } cases[] = {
        {gsIdle, false, {}, {}},
        {gsProposed, false, {"3:L'avversario ha lasciato la partita"}, {}},
        {gsMyTurn, true, {"3:L'avversario ha lasciato la partita"}, {"end"}},
        {gsOpponentTurn, true, {"3:L'avversario ha lasciato la partita"}, {"end"}},
    };
    for (const auto& c : cases) {
        host.log.clear();
        host.calls.clear();
        p.Connected = true;
        p.GameState = c.state;
        p.TimerRunning = c.timer;
        p.PlayEnabled = c.state == gsMyTurn;
        p.PeerLeft();
        EXPECT_EQ(host.log, c.log) << int(c.state);
        EXPECT_EQ(host.calls, c.calls) << int(c.state);
        EXPECT_EQ(p.GameState, gsIdle);
        EXPECT_FALSE(p.Connected);
        EXPECT_FALSE(p.TimerRunning);
        EXPECT_FALSE(p.PlayEnabled);
        EXPECT_EQ(host.wire, "");
    }
}

// The peer goes while the main window asks whether to save the current game: no game starts.
TEST_F(ProtocolTest, NoGameStartsWhenThePeerLeftDuringTheQuestion) {
    struct TLeavingHost : TFakeNetHost {
        bool StartNetworkGame(const QString& white, const QString& black, bool local) override {
            protocol->PeerLeft();
            return TFakeNetHost::StartNetworkGame(white, black, local);
        }
    } leaving;
    for (const bool proposer : {true, false}) {
        TNetProtocol q(leaving);
        leaving.protocol = &q;
        leaving.calls.clear();
        q.Connected = true;
        q.GameState = proposer ? gsProposed : gsIdle;
        q.ProcessMessage(proposer ? "accept_match" : "match white 5");
        EXPECT_EQ(q.GameState, gsIdle) << proposer;
        EXPECT_TRUE(leaving.calls.contains("end")) << proposer;
        EXPECT_FALSE(q.TimerRunning) << proposer;
        EXPECT_EQ(leaving.wire, "") << proposer;
    }
}

// Replies a peer can ask for without end go out at most once a second; a new peer is answered.
TEST_F(ProtocolTest, RepeatedRepliesAreLimitedToOneASecond) {
    qint64 now = 5000;
    p.Clock = [&now] { return now; };
    p.ServerMode = true;
    for (int i = 0; i < 50; ++i)
        p.ProcessMessage("helo Bob");
    EXPECT_EQ(host.wire, "helo io\n");
    now += TNetProtocol::ReplyInterval - 1;
    p.ProcessMessage("helo Bob");
    EXPECT_EQ(host.wire, "helo io\n");
    now += 1;
    p.ProcessMessage("helo Bob");
    EXPECT_EQ(host.wire, "helo io\nhelo io\n");
    p.NewPeer();
    p.ProcessMessage("helo Carla");
    EXPECT_EQ(host.wire.count("helo io\n"), 3);

    // Malformed proposals, and proposals just after a refusal, which are not asked about.
    host.wire.clear();
    host.answerYes = false;
    for (int i = 0; i < 20; ++i)
        p.ProcessMessage(i % 2 ? "match white x" : "match white 5");
    EXPECT_EQ(host.wire, "decline\n");
    EXPECT_EQ(host.calls.filter("ask:").size(), 1);
    EXPECT_EQ(host.log.filter("Proposta di partita rifiutata").size(), 10);
    now += TNetProtocol::ReplyInterval;
    p.ProcessMessage("match white 5");
    EXPECT_EQ(host.wire, "decline\ndecline\n");
    EXPECT_EQ(host.calls.filter("ask:").size(), 2);
    EXPECT_EQ(p.GameState, gsIdle);
    p.NewPeer();
    host.answerYes = true;
    p.ProcessMessage("match white 5");
    EXPECT_EQ(p.GameState, gsMyTurn);
}

TEST_F(ProtocolTest, ButtonsSendTheirLines) {
    p.ProposeMatch(true, 7);
    p.SendChat("ciao");
    p.SendPopup("guarda");
    EXPECT_EQ(host.wire, "match black 7\nsay ciao\npopup guarda\n");
    EXPECT_EQ(host.log.last(), "2:Popup inviato: guarda");
    // What the user typed never frames a message of its own.
    host.wire.clear();
    p.SendChat(QString::fromLatin1("ciao\r\nresign\n", 13) + QChar(0) + "x");
    p.SendPopup("a\rb\n");
    p.OwnNick = "Nick\r\nresign";
    p.ClientConnected();
    EXPECT_EQ(host.wire, "say ciaoresignx\npopup ab\nhelo Nickresign\n");
    host.wire.clear();
    p.DrawClick();
    p.ResignClick();
    EXPECT_EQ(host.wire, "");
    p.GameState = gsMyTurn;
    p.DrawClick();
    EXPECT_TRUE(p.DrawOffered);
    p.OpponentOfferedDraw = true;
    p.DrawClick();
    EXPECT_EQ(host.wire, "propose_draw\naccept_draw\n");
    EXPECT_EQ(host.calls, QStringList({"apply:draw", "end"}));
    p.GameState = gsMyTurn;
    p.ResignClick();
    EXPECT_EQ(host.wire.right(7), "resign\n");
}

TEST_F(ProtocolTest, EndGameLogsTheResultOnce) {
    const char* texts[] = {nullptr, "2:Fine partita: il Bianco vince",
                           "2:Fine partita: il Nero vince", "2:Fine partita: patta"};
    for (unsigned char result = 0; result < 4; ++result) {
        host.log.clear();
        p.GameState = gsMyTurn;
        p.GameResult = result;
        p.EndGame();
        p.EndGame();
        EXPECT_EQ(host.log, texts[result] ? QStringList{texts[result]} : QStringList{});
        EXPECT_EQ(p.GameState, gsIdle);
        EXPECT_TRUE(p.MatchEnabled);
        EXPECT_FALSE(p.PlayEnabled);
        EXPECT_FALSE(p.TimerRunning);
    }
}

TEST_F(ProtocolTest, ClocksRunForTheSideToMoveUntilTheFlagFalls) {
    p.GameState = gsProposed;
    p.LocalIsWhite = false;
    p.GameMinutes = 1;
    p.GameResult = 2;
    p.ProcessMessage("accept_match");
    EXPECT_EQ(p.GameResult, 0);
    EXPECT_TRUE(p.TimerRunning);
    EXPECT_EQ(p.WhiteTimeText, "01:00");
    EXPECT_EQ(p.WhitePlayerLabel, "tu");
    EXPECT_EQ(p.BlackPlayerLabel, "io");
    p.Tick();
    EXPECT_EQ(p.WhiteTimeText, "00:59");
    EXPECT_EQ(p.BlackTimeText, "01:00");
    EXPECT_TRUE(p.WhiteTimeEnabled);
    EXPECT_FALSE(p.BlackTimeEnabled);
    for (int i = 0; i < 600 && p.TimerRunning; ++i)
        p.Tick();
    EXPECT_TRUE(p.WhiteTimeRed);
    EXPECT_FALSE(p.BlackTimeRed);
    EXPECT_EQ(p.WhiteTimeText, "00:00");
    EXPECT_EQ(host.calls.count("timeout:1"), 1);
    EXPECT_EQ(p.GameState, gsIdle);
    p.Tick();
    EXPECT_EQ(host.calls.count("timeout:1"), 1);
}

TEST_F(ProtocolTest, NoClockWithoutMinutes) {
    p.GameState = gsProposed;
    p.GameMinutes = -3;
    p.ProcessMessage("accept_match");
    EXPECT_FALSE(p.TimerRunning);
    EXPECT_EQ(p.WhiteTimeText, "00:00");
    EXPECT_FALSE(p.WhiteTimeRed);
    EXPECT_TRUE(p.GameRunning());
}

TEST_F(ProtocolTest, PopupsWaitInABoundedQueue) {
    host.protocol = nullptr;
    for (int i = 0; i < TNetProtocol::MaxQueuedPopups + 5; ++i)
        p.ProcessMessage("popup " + QString::number(i));
    p.ShowPopups();
    ASSERT_EQ(host.calls.size(), TNetProtocol::MaxQueuedPopups);
    EXPECT_EQ(host.calls.front(), "popup:0");
}

struct TClockCase {
    float seconds;
    const char* text;
};
class ClockTexts : public ::testing::TestWithParam<TClockCase> {};
TEST_P(ClockTexts, MinutesAndSeconds) {
    EXPECT_EQ(ClockText(GetParam().seconds), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Table, ClockTexts,
                         ::testing::Values(TClockCase{299, "04:59"}, TClockCase{0, "00:00"},
                                           TClockCase{59.95f, "00:59"}, TClockCase{300, "05:00"},
                                           TClockCase{5999, "99:59"}, TClockCase{6000, "100:00"}));

TEST(BookEntries, BuildAndSplit) {
    EXPECT_EQ(BookEntry(" Ca(s)a: ", "10.0.0.1", "4444"), "Casa (10.0.0.1:4444)");
    EXPECT_EQ(BookEntry(":()", "h", "1"), "noname (h:1)");
    const auto entry = ParseBookEntry("Casa mia (localhost:4444)");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Casa mia");
    EXPECT_EQ(entry->host, "localhost");
    EXPECT_EQ(entry->port, 4444);
    for (const char* bad : {"", "Casa", "Casa (localhost)", "Casa (localhost:4444",
                            "Casa (localhost:x)", "Casa (h:-1)", "Casa (h:)", "Casa (h:+5)"})
        EXPECT_FALSE(ParseBookEntry(bad)) << bad;
    // A port outside the dialog's limits is held to them.
    const std::pair<const char*, int> held[] = {{"Casa (h:70000)", 64535},
                                                {"Casa (h:64536)", 64535},
                                                {"Casa (h:99999999999999999999999)", 64535},
                                                {"Casa (h:0)", 1},
                                                {"Casa (h:00080)", 80}};
    for (const auto& [text, port] : held) {
        const auto parsed = ParseBookEntry(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed->port, port) << text;
    }
}

TEST(MatchMinutes, OnlySignedWholeNumbersInRange) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"white 5", 5},          {"black 0", 0},     {"white -999", -999}, {"white +12", 12},
        {"white  7 ", 7},        {"15", 15},         {"white 1000", {}},   {"white", {}},
        {"white 5 minutes", {}}, {"white 0x10", {}}, {"white -", {}},      {"white ", {}}};
    for (const auto& [text, minutes] : cases)
        EXPECT_EQ(ParseMatchMinutes(text), minutes) << text;
}

} // namespace
