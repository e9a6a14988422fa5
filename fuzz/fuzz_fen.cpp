// Any text given to SetFENPosition is refused or read into a position that writes and reads back.

#include "board/BoardModel.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TChessBoardModel board;
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString before = board.GetFENPosition();
    if (!board.SetFENPosition(text)) {
        if (board.GetFENPosition() != before)
            std::abort();
        return 0;
    }
    const QString fen = board.GetFENPosition();
    TChessBoardModel copy;
    if (!copy.SetFENPosition(fen) || copy.GetFENPosition() != fen)
        std::abort();
    board.LegalMoveAvailable();
    board.MovePGN("e4");
    return 0;
}
