// Storms of requests, cancels, navigation and setter calls interleaved with the event loop, boards
// destroyed while thinking, and whole engine-against-engine games. Every move the engine plays is
// checked against a fresh synchronous search of the position it was played in, so a stale answer
// (one computed for another position) would show.

#include "tests/board/test_chessthread_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

void GotoRandomMove(TChessBoard& board, std::mt19937& rng) {
    const int span = board.LastMove - board.FirstMove + 1;
    board.GotoMove(board.FirstMove + int(rng() % span), rng() % 2 == 0);
}

} // namespace

// With no computer side, only the test asks, so every pump may play at most the one move owed,
// and none when the board is not waiting.
TEST(ChessThreadStorm, RequestsCancelsAndNavigationInterleavedWithTheEventLoop) {
    Watchdog dog("storm without computer sides");
    BoxRecorder boxes;
    TChessBoard board;
    EngineMoveChecker checker(board);
    std::mt19937 rng(20240611);
    int waited = 0;

    for (int i = 0; i < 4000; ++i) {
        switch (rng() % 10) {
        case 0:
        case 1:
        case 2:
            checker.depth = board.SearchDepth();
            board.MoveNow();
            break;
        case 3:
            board.CancelThinking();
            break;
        case 4:
            if (rng() % 4 == 0)
                board.NewGame();
            break;
        case 5:
            GotoRandomMove(board, rng);
            break;
        case 6:
            board.MoveBackward();
            break;
        case 7:
            board.SetSearchDepth(1 + int(rng() % 2));
            break;
        case 8:
            board.SetWhiteToMove(board.WhiteToMove());
            break;
        case 9:
            board.SetComputerPlaysWhite(false);
            break;
        }
        const bool waiting = board.Thinking();
        const int before = checker.played;
        if (waiting && rng() % 6 == 0) {
            ++waited;
            ASSERT_TRUE(PumpUntil([&] { return !board.Thinking(); }));
            EXPECT_EQ(checker.played, before + 1);
        } else {
            QCoreApplication::processEvents();
            EXPECT_LE(checker.played - before, waiting ? 1 : 0) << "step " << i;
        }
        if (checker.played > before) {
            EXPECT_FALSE(board.Thinking());
        }
    }
    EXPECT_GT(waited, 100);
    EXPECT_EQ(checker.stale, 0);
    EXPECT_TRUE(boxes.boxes.empty());

    board.SetSearchDepth(10);
    board.MoveNow(); // and the board goes away thinking
}

// With computer sides switched on and off the board asks by itself, from Move and from its event
// handler; boards are destroyed now and then, often while thinking or with an answer queued.
TEST(ChessThreadStorm, ComputerSidesSettersAndDestructionInterleavedWithTheEventLoop) {
    Watchdog dog("storm with computer sides");
    BoxRecorder boxes;
    std::mt19937 rng(7);
    int played = 0;
    int stale = 0;

    for (int boardNo = 0; boardNo < 12; ++boardNo) {
        auto board = std::make_unique<TChessBoard>();
        board->SetSearchDepth(2);
        auto checker = std::make_unique<EngineMoveChecker>(*board);
        checker->depth = 2;
        for (int i = 0; i < 300; ++i) {
            switch (rng() % 12) {
            case 0:
                board->MoveNow();
                break;
            case 1:
                board->CancelThinking();
                break;
            case 2:
                if (rng() % 3 == 0)
                    board->NewGame();
                break;
            case 3:
                GotoRandomMove(*board, rng);
                break;
            case 4:
                board->MoveBackward();
                break;
            case 5:
                board->MoveForward();
                break;
            case 6:
                board->SetComputerPlaysWhite(rng() % 2 == 0);
                break;
            case 7:
                board->SetComputerPlaysBlack(rng() % 2 == 0);
                break;
            case 8:
                board->SetPosition(board->Position());
                break;
            case 9:
                board->SetWhiteToMove(board->WhiteToMove());
                break;
            case 10:
                QThread::usleep(rng() % 2000);
                break;
            case 11:
                PumpUntil([&] { return !board->Thinking(); });
                break;
            }
            if (rng() % 3 != 0)
                QCoreApplication::processEvents();
        }
        played += checker->played;
        stale += checker->stale;
        board->OnLegalMove = nullptr;
        checker.reset();
        board.reset();
        QCoreApplication::processEvents(); // an answer queued to the dead board must not run
    }
    EXPECT_GT(played, 100);
    EXPECT_EQ(stale, 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(ChessThreadStorm, ABoardDestroyedWhileThinkingJoinsItsThread) {
    Watchdog dog("destruction");
    for (int round = 0; round < 40; ++round) {
        auto board = std::make_unique<TChessBoard>();
        board->SetSearchDepth(round % 2 == 0 ? 1 : 10);
        board->MoveNow();
        QThread::usleep(round * 100); // sometimes the answer is already queued
        board.reset();
        QCoreApplication::processEvents();
    }
}

// Both sides played by the engine through the event loop until the game ends.
TEST(ChessThreadGame, EngineAgainstEngineRunsToItsEnd) {
    Watchdog dog("engine game", std::chrono::seconds(600));
    BoxRecorder boxes;
    for (int depth : {1, 2}) {
        TChessBoard board;
        board.SetSearchDepth(depth);
        EngineMoveChecker checker(board);
        checker.depth = depth;
        enum class End { None, Mate, StaleMate, Threefold, TwoKings } end = End::None;
        board.OnMate = [&](TChessBoardModel*, Square, Square) { end = End::Mate; };
        board.OnStaleMate = [&](TChessBoardModel*, Square, Square) { end = End::StaleMate; };
        board.OnThreefoldPosition = [&](TChessBoardModel*) { end = End::Threefold; };
        board.OnOnlyTwoKingsLeft = [&](TChessBoardModel*) { end = End::TwoKings; };

        board.SetComputerPlaysWhite(true);
        board.SetComputerPlaysBlack(true);
        ASSERT_TRUE(PumpUntil([&] { return end != End::None; })) << "depth " << depth;
        board.SetComputerPlaysWhite(false);
        board.SetComputerPlaysBlack(false);
        EXPECT_FALSE(board.Thinking());
        QCoreApplication::processEvents();

        const int halfMoves = HalfMovesPlayed(board);
        EXPECT_GT(halfMoves, 4) << "depth " << depth;
        EXPECT_EQ(checker.played, halfMoves) << "every move played once";
        EXPECT_EQ(checker.stale, 0);
        if (end != End::TwoKings) {
            EXPECT_FALSE(board.LegalMoveAvailable()) << "depth " << depth;
        }
        if (end == End::Threefold) {
            EXPECT_TRUE(board.CheckForThreefoldPosition());
        }
    }
    EXPECT_TRUE(boxes.boxes.empty());
}
