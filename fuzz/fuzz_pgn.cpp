// Any PGN text: its tags and dates are read, its games indexed and their tokens replayed on a
// board, which only ever holds the twelve piece letters, and the replay always ends. The text
// read in pieces, as the browser reads a file, gives the same games as its lines.

#include "app/CodPGN.h"
#include "platform/TextLines.h"

#include <cstdlib>

namespace {

void CheckSquares(const TChessBoardModel& board) {
    for (int sq = 1; sq <= 64; ++sq) {
        const char c = board.Squares()[sq];
        if (c != ' ' && !QByteArrayView("PNBRQKpnbrqk").contains(c))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList lines = platform::SplitLines(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const QString& line : lines) {
        CodPGN::GetPgnTagName(line);
        CodPGN::GetPgnTagValue(line);
        CodPGN::PgnDateToDate(line);
    }
    TChessBoardModel board;
    char promotion = 'q';
    bool replaying = false;
    board.OnPromotion = [&](TChessBoardModel*, Square, Square, char& piece) { piece = promotion; };
    board.OnLegalMove = [&](TChessBoardModel* sender, Square, Square) { CheckSquares(*sender); };
    const QByteArrayView bytes(data, qsizetype(size));
    CodPGN::TPgnGameIndex index;
    const qsizetype piece = size > 0 ? 1 + data[0] % 16 : 1;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        const QByteArrayView part = bytes.sliced(at, std::min(piece, bytes.size() - at));
        index.Add(QLatin1StringView(part.data(), part.size()));
    }
    index.Finish();
    const QList<int> starts = CodPGN::IndexPgnGames(lines);
    if (index.Games().size() != starts.size())
        std::abort();
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const CodPGN::TPgnGameLines game = CodPGN::GameLines(lines, starts[i]);
        const CodPGN::TPgnGame& read = index.Games()[i];
        if (read.TagLines() != game.Tags || read.MoveLines() != game.Moves)
            std::abort();
        CodPGN::ReadPgnTags(game.Tags);
        board.NewGame();
        CodPGN::ReplayPgnMoves(board, CodPGN::ReadPgnMoves(game.Moves), promotion, replaying);
        CheckSquares(board);
        if (replaying)
            std::abort();
    }
    // Text without tags, as pasted moves often are, goes through the tokeniser too.
    board.NewGame();
    CodPGN::ReplayPgnMoves(board, CodPGN::ReadPgnMoves(lines), promotion, replaying);
    CheckSquares(board);
    if (replaying)
        std::abort();
    return 0;
}
