#pragma once
// The engine's worker thread. It searches one request at a time on a snapshot of the position,
// so it never reads the board, and hands each answer to the GUI thread without waiting for it.

#include "board/BoardTypes.h"
#include "platform/ThreadPriority.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class ChessEngine;
struct EngineResult;
class QObject;
class QThread;

// The platform's thread priority levels, lowest first.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// What the engine is asked to answer: everything it needs, copied from the board.
struct EngineRequest {
    std::uint64_t number = 0;
    TPlacement squares{};
    bool whiteToMove = true;
    TCastleSet castling = 0;
    Square enPassant = None;
    int depth = 1;
};

class ChessThread {
public:
    // Runs on the receiver's thread. from and to are None when the engine found no move.
    using TDeliverMove = std::function<void(std::uint64_t request, Square from, Square to)>;
    using TFinished = std::function<void()>;

    // Starts the thread at once. Answers and the end notification are queued to the receiver, so
    // they are dropped if it dies first; the receiver must outlive this object.
    ChessThread(QObject* receiver, TDeliverMove deliverMove, TFinished finished,
                TThreadPriority priority);
    // Stops a running search and joins the thread.
    ~ChessThread();
    ChessThread(const ChessThread&) = delete;
    ChessThread& operator=(const ChessThread&) = delete;

    // Replaces any request the thread has not taken up yet.
    void RequestMove(const EngineRequest& request);
    // Drops the waiting request, and stops a running search and waits for its end. The engine
    // never waits for the caller's thread, so this returns within a few moves of the search.
    void StopThinking();
    // Applied at once; a thread that the system will not take back up to the priority is
    // replaced by a new one at once when it is not searching, else just before its next search.
    void SetPriority(TThreadPriority priority);

private:
    void Start();
    void RestartWhenOwed();
    void Execute();
    bool NextRequest(EngineRequest& request);
    void Answer(const EngineRequest& request, const EngineResult& result);
    void EndSearch();

    QObject* FReceiver;
    TDeliverMove FDeliverMove;
    TFinished FFinished;
    std::unique_ptr<ChessEngine> FEngine;

    std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<EngineRequest> FPending;
    bool FSearching = false;
    bool FTerminated = false;
    std::atomic<bool> FStop = false;
    platform::TWorkerPriority FPriority;
    bool FRestartOwed = false; // the GUI thread's own

    std::unique_ptr<QThread> FThread;
};
