// The engine thread and its hand-shake with the board: requests answered on the GUI thread,
// cancels that leave nothing to play, the illegal-move report, and the properties.

#include "board/ChessThread.h"
#include "tests/ThreadSchedule.h"
#include "tests/WaitFor.h"
#include "tests/board/BoardTestUtil.h"
#include "tests/board/test_chessthread_util.h"

#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char* const kFoolsMate = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
const char* const kStalemate = "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";
const char* const kScholarsMateInOne =
    "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 0 4";

struct Answer {
    std::uint64_t request;
    Square from;
    Square to;
    bool onReceiverThread;
};

// A thread answering into a list, as the board's queue would.
struct AnsweredThread {
    explicit AnsweredThread(TThreadPriority priority = tpLower)
        : thread(std::make_unique<ChessThread>(
              &receiver,
              [this](std::uint64_t request, Square from, Square to) {
                  answers.push_back(
                      {request, from, to, QThread::currentThread() == receiver.thread()});
              },
              [] {}, priority)) {}

    QObject receiver;
    std::vector<Answer> answers;
    std::unique_ptr<ChessThread> thread;
};

// The engine thread once it is the only one and runs with that schedule (any nice in the idle
// class); 0 when that never came.
pid_t EngineAt(int policy, int nice) {
    pid_t found = 0;
    WaitFor([&] {
        const QList<pid_t> engines = ThreadsNamed(QStringLiteral("ChessThread"));
        const TThreadSchedule s =
            engines.size() == 1 ? ScheduleOf(engines.front()) : TThreadSchedule{};
        const bool at = s.policy == policy && (policy == SCHED_IDLE || s.nice == nice);
        found = at ? engines.front() : 0;
        return at;
    });
    return found;
}

EngineRequest RequestFor(const char* fen, std::uint64_t number, int depth) {
    TChessBoardModel model;
    EXPECT_TRUE(model.SetFENPosition(fen));
    const rules::BoardState& s = model.State();
    return {number, s.squares, s.whiteToMove, s.castling, s.enPassant, depth};
}

} // namespace

// ---- the thread on its own

TEST(ChessThread, AnswersARequestOnTheReceiversThreadWithItsNumber) {
    Watchdog dog("answer");
    AnsweredThread t(tpIdle);
    t.thread->RequestMove(RequestFor(kStart, 7, 2));
    ASSERT_TRUE(PumpUntil([&] { return !t.answers.empty(); }));
    const Answer a = t.answers.front();
    EXPECT_EQ(a.request, 7u);
    EXPECT_TRUE(a.onReceiverThread);
    TChessBoardModel model;
    EXPECT_TRUE(model.MoveIsLegal(a.from, a.to));

    // The same thread takes the next request.
    t.thread->RequestMove(RequestFor(kScholarsMateInOne, 8, 1));
    ASSERT_TRUE(PumpUntil([&] { return t.answers.size() == 2; }));
    EXPECT_EQ(t.answers[1].request, 8u);
    EXPECT_EQ(t.answers[1].from, Sq("f3"));
    EXPECT_EQ(t.answers[1].to, Sq("f7"));
}

TEST(ChessThread, APositionWithoutAMoveIsAnsweredWithNoSquares) {
    Watchdog dog("no move");
    AnsweredThread t;
    t.thread->RequestMove(RequestFor(kFoolsMate, 1, 3));
    ASSERT_TRUE(PumpUntil([&] { return !t.answers.empty(); }));
    EXPECT_EQ(t.answers[0].from, None);
    EXPECT_EQ(t.answers[0].to, None);
}

TEST(ChessThread, StopThinkingEndsALongSearchWhoseAnswerNeverComes) {
    Watchdog dog("stop");
    AnsweredThread t;
    t.thread->RequestMove(RequestFor(kStart, 1, 10));
    QThread::msleep(20); // most likely searching by now; either way nothing may come
    t.thread->StopThinking();
    t.thread->RequestMove(RequestFor(kStart, 2, 1));
    ASSERT_TRUE(PumpUntil([&] { return !t.answers.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(t.answers.size(), 1u);
    EXPECT_EQ(t.answers[0].request, 2u);
}

// An answer already queued still reaches the receiver; a stopped search never answers.
TEST(ChessThread, DestroyingItInTheMiddleOfASearchStopsAndJoinsIt) {
    Watchdog dog("destroy");
    for (int depth : {1, 10}) {
        AnsweredThread t;
        t.thread->RequestMove(RequestFor(kStart, 1, depth));
        QThread::msleep(5);
        t.thread->SetPriority(tpLowest);
        t.thread.reset();
        QCoreApplication::processEvents();
        EXPECT_LE(t.answers.size(), depth == 1 ? 1u : 0u);
    }
}

// ---- the board's hand-shake

TEST(ChessBoardEngine, MoveNowBeforeInitChessThreadPlaysAnEngineMoveThroughTheEventLoop) {
    Watchdog dog("first move");
    BoxRecorder boxes;
    TChessBoard board;
    board.SetSearchDepth(2);
    int played = 0;
    board.OnLegalMove = [&](TChessBoardModel*, Square, Square) { ++played; };

    board.MoveNow();
    EXPECT_TRUE(board.Thinking());
    EXPECT_FALSE(board.MoveIsLegal(E2, E4)); // no move while the engine owes one
    EXPECT_FALSE(board.Move(E2, E4));
    ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); }));
    EXPECT_EQ(played, 1);
    EXPECT_FALSE(board.WhiteToMove());
    EXPECT_NE(board.GetMove(1, true).FromSq, None);

    // Black answers too, and then the board stays quiet.
    board.MoveNow();
    ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(played, 2);
    EXPECT_EQ(HalfMovesPlayed(board), 2);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(ChessBoardEngine, FindsAMateInOneAtDepthOne) {
    Watchdog dog("mate in one");
    BoxRecorder boxes;
    TChessBoard board;
    ASSERT_TRUE(board.SetFENPosition(kScholarsMateInOne));
    board.SetSearchDepth(1);
    bool mated = false;
    board.OnMate = [&](TChessBoardModel*, Square from, Square to) {
        mated = from == Sq("f3") && to == Sq("f7");
    };
    board.MoveNow();
    ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); }));
    EXPECT_TRUE(mated);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(ChessBoardEngine, MoveNowStaysIdleWhenTheSideToMoveHasNoMove) {
    Watchdog dog("no move");
    for (const char* fen : {kFoolsMate, kStalemate}) {
        TChessBoard board;
        ASSERT_TRUE(board.SetFENPosition(fen));
        board.MoveNow();
        EXPECT_FALSE(board.Thinking()) << fen;
    }

    // After a threefold repetition no move is legal, so the engine is not asked either.
    TChessBoard board;
    ASSERT_EQ(Play(board, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8"), 8);
    ASSERT_TRUE(board.CheckForThreefoldPosition());
    board.MoveNow();
    EXPECT_FALSE(board.Thinking());
}

// Every operation that changes what the engine was asked about cancels it; whether the answer
// was still being searched or already on its way, nothing is played afterwards, and the next
// request is answered for the position then on the board.
TEST(ChessBoardEngine, NoMoveIsPlayedAfterACancel) {
    Watchdog dog("cancel");
    BoxRecorder boxes;
    const std::vector<std::pair<const char*, std::function<void(TChessBoard&)>>> cancels = {
        {"CancelThinking", [](TChessBoard& b) { b.CancelThinking(); }},
        {"NewGame", [](TChessBoard& b) { b.NewGame(); }},
        {"GotoMove", [](TChessBoard& b) { b.GotoMove(1, true); }},
        {"MoveBackward", [](TChessBoard& b) { b.MoveBackward(); }},
        {"Position", [](TChessBoard& b) { b.SetPosition(b.Position()); }},
        {"WhiteToMove", [](TChessBoard& b) { b.SetWhiteToMove(b.WhiteToMove()); }},
        {"EnPassant", [](TChessBoard& b) { b.SetEnPassant(b.EnPassant()); }},
        {"CastlingAllowed", [](TChessBoard& b) { b.SetCastlingAllowed(b.CastlingAllowed()); }},
        {"ComputerPlaysWhite", [](TChessBoard& b) { b.SetComputerPlaysWhite(false); }},
        {"ComputerPlaysBlack", [](TChessBoard& b) { b.SetComputerPlaysBlack(false); }},
        {"SetFENPosition", [](TChessBoard& b) { b.SetFENPosition(b.GetFENPosition()); }},
    };
    for (const auto& [name, cancel] : cancels) {
        for (int round = 0; round < 12; ++round) {
            TChessBoard board;
            ASSERT_EQ(Play(board, "e2e4 e7e5"), 2);
            EngineMoveChecker checker(board);
            board.SetSearchDepth(round % 3 == 2 ? 10 : 1);
            board.MoveNow();
            ASSERT_TRUE(board.Thinking());
            QThread::usleep(round * 500); // sometimes the answer is already queued
            cancel(board);
            EXPECT_FALSE(board.Thinking()) << name;
            if (round % 2 == 0) {
                QCoreApplication::processEvents();
                EXPECT_EQ(checker.played, 0) << name << " round " << round;
            }

            // Asked again at once, the stale answer may still be queued ahead of the new one.
            board.SetSearchDepth(1);
            board.MoveNow();
            ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); })) << name;
            QCoreApplication::processEvents();
            EXPECT_EQ(checker.played, 1) << name << " round " << round;
            EXPECT_EQ(checker.stale, 0) << name << " round " << round;
        }
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(ChessBoardEngine, AnAnswerToARequestNotAwaitedIsDiscarded) {
    Watchdog dog("discard");
    BoxRecorder boxes;
    TChessBoard board;
    board.DeliverMove(1, E2, E4); // nothing asked
    EXPECT_EQ(board.Squares()[E4], ' ');

    board.SetSearchDepth(10);
    board.MoveNow();
    board.DeliverMove(0, E2, E4); // not the request the board waits for
    EXPECT_TRUE(board.Thinking());
    EXPECT_EQ(board.Squares()[E4], ' ');
    board.CancelThinking();
    EXPECT_TRUE(boxes.boxes.empty());
}

// A handler that runs the event loop in the middle of a move (as a modal box does) lets the
// engine's answer arrive while the board is still moving: Move refuses it, and that is reported.
TEST(ChessBoardEngine, AMoveTheBoardRefusesIsReportedAsIllegal) {
    Watchdog dog("illegal move");
    BoxRecorder boxes;
    TChessBoard board;
    board.SetSearchDepth(1);
    bool nested = false;
    board.OnLegalMove = [&](TChessBoardModel*, Square, Square) {
        if (std::exchange(nested, false)) {
            board.MoveNow();
            PumpUntil([&] { return !boxes.boxes.empty(); });
        }
    };
    nested = true;
    ASSERT_TRUE(board.Move(E2, E4));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Engine tried to perform Illegal Move");
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].flags, platform::MB_OKCANCEL);
    EXPECT_FALSE(board.Thinking());
    EXPECT_FALSE(board.WhiteToMove()); // Black's answer was not played

    // The thread went back to waiting: the next request is answered and played.
    board.MoveNow();
    ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); }));
    EXPECT_TRUE(board.WhiteToMove());
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(ChessBoardEngine, SearchDepthAndThinkingPriorityAreClamped) {
    TChessBoard board;
    EXPECT_EQ(board.SearchDepth(), 3);
    board.SetSearchDepth(0);
    EXPECT_EQ(board.SearchDepth(), 1);
    board.SetSearchDepth(15);
    EXPECT_EQ(board.SearchDepth(), 10);
    board.SetSearchDepth(6);
    EXPECT_EQ(board.SearchDepth(), 6);

    EXPECT_EQ(board.ThinkingPriority(), tpLower);
    board.SetThinkingPriority(tpHighest);
    EXPECT_EQ(board.ThinkingPriority(), tpNormal);
    board.SetThinkingPriority(tpTimeCritical);
    EXPECT_EQ(board.ThinkingPriority(), tpNormal);
    board.InitChessThread(); // a running thread takes the new priority
    board.SetThinkingPriority(tpIdle);
    EXPECT_EQ(board.ThinkingPriority(), tpIdle);
}

TEST(ChessBoardEngine, TheEngineThreadRunsAtTheThinkingPriority) {
    const QString name = QStringLiteral("ChessThread");
    ASSERT_TRUE(WaitFor([&] { return ThreadsNamed(name).isEmpty(); })) << "an earlier engine ends";
    TChessBoard board;
    board.InitChessThread();
    ASSERT_TRUE(WaitFor([&] { return ThreadsNamed(name).size() == 1; }));
    const pid_t engine = ThreadsNamed(name).front();
    const auto runsAt = [engine](int policy, int nice) {
        return WaitFor([&] {
            const TThreadSchedule s = ScheduleOf(engine);
            return s.policy == policy && (policy == SCHED_IDLE || s.nice == nice);
        });
    };
    EXPECT_TRUE(runsAt(SCHED_OTHER, NormalNicePlus(5))) << "lower at first";
    board.SetThinkingPriority(tpIdle);
    EXPECT_TRUE(runsAt(SCHED_IDLE, 0));
    board.SetThinkingPriority(tpLowest);
    if (MayRaiseThreads()) {
        EXPECT_TRUE(runsAt(SCHED_OTHER, NormalNicePlus(10))) << "out of the idle class";
        board.SetThinkingPriority(tpHighest);
        EXPECT_TRUE(runsAt(SCHED_OTHER, NormalNice())) << "never above normal";
    }
    // The engine still answers.
    board.MoveNow();
    ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); }));
}

// As a desktop user, whom the system never lets take a thread back up, the engine still comes
// back from a lower level or the idle class between searches; in the middle of a search it keeps
// its thread, and every move it plays is the one asked for.
TEST(ChessBoardEngine, AnOrdinaryUsersEngineComesBackUpBetweenSearches) {
    const std::string failures = RunAsOrdinaryUser([] {
        std::string failed;
        const auto expect = [&](bool held, const char* what) {
            if (!held)
                failed += std::string(what) + "\n";
        };
        TChessBoard board;
        EngineMoveChecker checker(board);
        board.SetSearchDepth(1);
        board.InitChessThread();
        expect(EngineAt(SCHED_OTHER, NormalNicePlus(5)) != 0, "lower at first");
        board.SetThinkingPriority(tpNormal);
        expect(EngineAt(SCHED_OTHER, NormalNice()) != 0, "back to normal");
        board.SetThinkingPriority(tpIdle);
        expect(EngineAt(SCHED_IDLE, 0) != 0, "idle");
        board.SetThinkingPriority(tpLower);
        const pid_t lower = EngineAt(SCHED_OTHER, NormalNicePlus(5));
        expect(lower != 0, "out of the idle class");

        board.SetSearchDepth(10);
        const long before = CpuTicksOf(lower);
        board.MoveNow();
        expect(WaitFor([&] { return CpuTicksOf(lower) >= before + 3; }), "searching");
        board.SetThinkingPriority(tpNormal);
        expect(ThreadsNamed(QStringLiteral("ChessThread")) == QList<pid_t>{lower} &&
                   ScheduleOf(lower).nice == NormalNicePlus(5),
               "the searching thread kept");
        board.SetSearchDepth(1);
        board.MoveNow();
        expect(PumpUntil([&] { return !board.Thinking(); }), "answered");
        const pid_t normal = EngineAt(SCHED_OTHER, NormalNice());
        expect(normal != 0 && normal != lower, "the next search on a new thread at normal");

        // Requests and changes of priority in every order: each request is answered once.
        const TThreadPriority priorities[] = {tpIdle, tpNormal, tpLowest, tpNormal, tpLower};
        for (int round = 0; round < 40; ++round) {
            board.SetThinkingPriority(priorities[round % 5]);
            board.MoveNow();
            board.SetThinkingPriority(priorities[(round + 2) % 5]);
            expect(PumpUntil([&] { return !board.Thinking(); }), "answered again");
        }
        QCoreApplication::processEvents();
        expect(HalfMovesPlayed(board) == 41 && checker.played == 41 && checker.stale == 0,
               "every move played once, for its position");
        return failed;
    });
    EXPECT_EQ(failures, "");
}
