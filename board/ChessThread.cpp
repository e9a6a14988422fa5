#include "board/ChessThread.h"

#include "board/ChessEngine.h"
#include "board/Chessbrd.h"
#include "platform/MessageBox.h"

#include <QThread>
#include <algorithm>
#include <string_view>

namespace {

QThread::Priority ToQtPriority(TThreadPriority priority) {
    switch (priority) {
    case tpIdle:
        return QThread::IdlePriority;
    case tpLowest:
        return QThread::LowestPriority;
    case tpLower:
        return QThread::LowPriority;
    case tpNormal:
        return QThread::NormalPriority;
    case tpHigher:
        return QThread::HighPriority;
    case tpHighest:
        return QThread::HighestPriority;
    case tpTimeCritical:
        return QThread::TimeCriticalPriority;
    }
    return QThread::NormalPriority;
}

} // namespace

// ---- the thread

ChessThread::ChessThread(QObject* receiver, TDeliverMove deliverMove, TFinished finished,
                         TThreadPriority priority)
    : FReceiver(receiver), FDeliverMove(std::move(deliverMove)), FFinished(std::move(finished)),
      FEngine(std::make_unique<ChessEngine>()), FPriority(ToQtPriority(priority)) {
    Start();
}

void ChessThread::Start() {
    FThread.reset(QThread::create([this] { Execute(); }));
    QObject::connect(FThread.get(), &QThread::finished, FReceiver, FFinished, Qt::QueuedConnection);
    FThread->setObjectName(QStringLiteral("ChessThread"));
    FThread->start();
}

ChessThread::~ChessThread() {
    {
        std::lock_guard lock(FMutex);
        FTerminated = true;
        FPending.reset();
        FStop = true;
    }
    FWake.notify_all();
    FThread->wait();
}

void ChessThread::RequestMove(const EngineRequest& request) {
    RestartWhenOwed();
    {
        std::lock_guard lock(FMutex);
        FPending = request;
    }
    FWake.notify_all();
}

void ChessThread::StopThinking() {
    std::unique_lock lock(FMutex);
    FPending.reset();
    if (!FSearching)
        return;
    FStop = true;
    FWake.wait(lock, [this] { return !FSearching; });
    FStop = false;
}

void ChessThread::SetPriority(TThreadPriority priority) {
    FRestartOwed = !FPriority.Set(ToQtPriority(priority));
    RestartWhenOwed();
}

// A new thread starts at the level of the GUI thread that creates it, the process's own. The old
// one is only waiting (or about to), so it ends at once; a request it has not taken up stays for
// the new one, and its end is no end of the engine thread for the receiver.
void ChessThread::RestartWhenOwed() {
    if (!FRestartOwed)
        return;
    {
        std::lock_guard lock(FMutex);
        if (FSearching)
            return;
        FTerminated = true;
        QObject::disconnect(FThread.get(), &QThread::finished, FReceiver, nullptr);
    }
    FWake.notify_all();
    FThread->wait();
    FTerminated = false;
    FRestartOwed = false;
    Start();
}

void ChessThread::Execute() {
    const platform::TWorkerPriority::Scope running(FPriority);
    EngineRequest request;
    const std::function<bool()> stop = [this] { return FStop.load(std::memory_order_relaxed); };
    while (NextRequest(request)) {
        FEngine->Load(std::string_view(request.squares.data() + 1, 64), request.whiteToMove,
                      request.castling, request.enPassant);
        const EngineResult result = FEngine->Think(request.depth, stop);
        if (!result.stopped)
            Answer(request, result);
        EndSearch();
    }
}

bool ChessThread::NextRequest(EngineRequest& request) {
    std::unique_lock lock(FMutex);
    FWake.wait(lock, [this] { return FTerminated || FPending.has_value(); });
    if (FTerminated)
        return false;
    request = *FPending;
    FPending.reset();
    FSearching = true;
    return true;
}

// Posted before the search counts as ended, so once StopThinking returns every answer of the
// stopped request is already queued, and the receiver's own check discards it.
void ChessThread::Answer(const EngineRequest& request, const EngineResult& result) {
    const Square from = result.hasMove ? Square(result.move.from + 1) : None;
    const Square to = result.hasMove ? Square(result.move.to + 1) : None;
    QMetaObject::invokeMethod(
        FReceiver,
        [deliver = FDeliverMove, number = request.number, from, to] { deliver(number, from, to); },
        Qt::QueuedConnection);
}

void ChessThread::EndSearch() {
    {
        std::lock_guard lock(FMutex);
        FSearching = false;
    }
    FWake.notify_all();
}

// ---- the board's engine side

void TChessBoard::InitChessThread() {
    if (FChessThread)
        return;
    FChessThread = std::make_unique<ChessThread>(
        this,
        [this](std::uint64_t request, Square from, Square to) { DeliverMove(request, from, to); },
        [this] { FinishedThread(this); }, FThinkingPriority);
}

void TChessBoard::MoveNow() {
    CancelThinking();
    if (!LegalMoveAvailable())
        return;
    InitChessThread();
    const rules::BoardState& state = State();
    FThinking = true;
    FChessThread->RequestMove({++FEngineRequest, state.squares, state.whiteToMove, state.castling,
                               state.enPassant, FSearchDepth});
}

// Clearing Thinking first makes any answer still on its way find the board no longer waiting.
void TChessBoard::CancelThinking() {
    FThinking = false;
    if (FChessThread)
        FChessThread->StopThinking();
}

void TChessBoard::DeliverMove(std::uint64_t request, Square from, Square to) {
    if (!FThinking || request != FEngineRequest)
        return;
    FThinking = false; // the board refuses every move while thinking
    if (!Move(from, to))
        platform::MessageBox(QStringLiteral("Engine tried to perform Illegal Move"),
                             QStringLiteral("Error"), platform::MB_OKCANCEL, this);
}

// The board owns and joins its thread, so there is nothing to free when it ends.
void TChessBoard::FinishedThread(QObject* /*Sender*/) {}

void TChessBoard::SetSearchDepth(int value) {
    FSearchDepth = std::clamp(value, 1, 10);
}

void TChessBoard::SetThinkingPriority(TThreadPriority value) {
    FThinkingPriority = std::clamp(value, tpIdle, tpNormal);
    if (FChessThread)
        FChessThread->SetPriority(FThinkingPriority);
}
