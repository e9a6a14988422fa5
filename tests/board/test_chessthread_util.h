#pragma once
// Helpers for the engine thread's tests: a watchdog that turns a deadlock into a failure, a
// recorder of message boxes, and a bounded pump of the event loop.

#include "board/ChessEngine.h"
#include "board/Chessbrd.h"
#include "platform/MessageBox.h"

#include <QTest>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

// Aborts the test binary when the scope it guards has not ended within the limit.
class Watchdog {
public:
    explicit Watchdog(const char* what, std::chrono::seconds limit = std::chrono::seconds(300))
        : FThread([this, what, limit] { Guard(what, limit); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(FMutex);
            FDone = true;
        }
        FCondition.notify_all();
        FThread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void Guard(const char* what, std::chrono::seconds limit) {
        std::unique_lock lock(FMutex);
        if (!FCondition.wait_for(lock, limit, [this] { return FDone; })) {
            std::fprintf(stderr, "watchdog: %s did not end; deadlock?\n", what);
            std::abort();
        }
    }

    std::mutex FMutex;
    std::condition_variable FCondition;
    bool FDone = false;
    std::thread FThread; // last: it starts once the rest exists
};

// Answers every message box with OK and records it.
class BoxRecorder {
public:
    struct Box {
        QString text;
        QString caption;
        int flags;
    };

    BoxRecorder()
        : FPrevious(platform::SetMessageBoxHook(
              [this](const QString& text, const QString& caption, int flags) {
                  boxes.push_back({text, caption, flags});
                  return int(platform::IDOK);
              })) {}
    ~BoxRecorder() { platform::SetMessageBoxHook(FPrevious); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<Box> boxes;

private:
    platform::MessageBoxHook FPrevious;
};

// Runs the event loop until the condition holds; false if it never did within a generous bound.
template <typename Condition> bool PumpUntil(Condition condition) {
    return QTest::qWaitFor(condition, 120000);
}

// Half-moves played since the start of a game begun at move 1 with White.
inline int HalfMovesPlayed(const TChessBoardModel& board) {
    return (board.CurrentMove() - 1) * 2 + (board.WhiteToMove() ? 0 : 1);
}

// Checks every engine move against the synchronous engine at the depth the board was asked with.
class EngineMoveChecker {
public:
    explicit EngineMoveChecker(TChessBoard& board) : FBoard(board) {
        board.OnLegalMove = [this](TChessBoardModel*, Square from, Square to) { Check(from, to); };
    }

    int depth = 1;
    int played = 0;
    int stale = 0;

private:
    void Check(Square from, Square to) {
        ++played;
        // The mover's record already holds the position the move was played from.
        const MoveInfo before = FBoard.GetMove(FBoard.LastMove, FBoard.LastMoveIsWhite);
        FEngine->Load(std::string_view(before.Placement.data() + 1, 64), FBoard.LastMoveIsWhite,
                      before.Castling, before.EnPassantSq);
        const EngineResult r = FEngine->Think(depth, [] { return false; });
        if (!r.hasMove || Square(r.move.from + 1) != from || Square(r.move.to + 1) != to)
            ++stale;
    }

    TChessBoard& FBoard;
    std::unique_ptr<ChessEngine> FEngine = std::make_unique<ChessEngine>();
};
