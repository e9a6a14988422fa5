// Any text given to MovePGN plays one legal move or nothing, from positions of a short game.

#include "board/BoardModel.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const setUps[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3",
    };
    if (size == 0)
        return 0;
    TChessBoardModel board;
    board.SetFENPosition(setUps[data[0] % 4]);
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    for (const QString& move : text.split(' ')) {
        const bool whiteBefore = board.WhiteToMove();
        const int lastBefore = board.LastMove;
        board.MovePGN(move);
        const bool played = board.WhiteToMove() != whiteBefore;
        if (played &&
            board.GetTextMove(board.LastMove - (board.WhiteToMove() ? 1 : 0), !board.WhiteToMove())
                .isEmpty())
            std::abort();
        if (!played && board.LastMove != lastBefore)
            std::abort();
    }
    return 0;
}
