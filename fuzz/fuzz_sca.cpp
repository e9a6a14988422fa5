// Any tournament file: read whole or refused, and its moves replayed on a board that only ever
// holds the twelve piece letters.

#include "app/ScaFile.h"
#include "platform/TextLines.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList lines = platform::SplitLines(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    TScaGame game;
    if (!game.FromLines(lines, QStringLiteral("T123A001.sca")))
        return 0;
    if (game.MatchCode != QLatin1String("A001"))
        std::abort();
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    game.Replay(board, promotion, replaying);
    for (int sq = 1; sq <= 64; ++sq) {
        const char c = board.Squares()[sq];
        if (c != ' ' && !QByteArrayView("PNBRQKpnbrqk").contains(c))
            std::abort();
    }
    if (replaying)
        std::abort();
    return 0;
}
