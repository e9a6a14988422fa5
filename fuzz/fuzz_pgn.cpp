// Any PGN text: its tags and dates are read, its games indexed and their tokens replayed on a
// board, which only ever holds the twelve piece letters, and the replay always ends. The text
// read in pieces, as the browser reads a file, gives the same games as its lines, and the places
// it keeps give each game again.

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

// Feeds the bytes to the index as Latin-1 in pieces of that size, until done says so.
template <typename Done>
void AddInPieces(CodPGN::TPgnGameIndex& index, QByteArrayView bytes, qsizetype piece, Done done) {
    for (qsizetype at = 0; at < bytes.size() && !done(); at += piece) {
        const QByteArrayView part = bytes.sliced(at, std::min(piece, bytes.size() - at));
        index.Add(QLatin1StringView(part.data(), part.size()));
    }
    index.Finish();
}

const auto never = [] { return false; };

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
    AddInPieces(index, bytes, piece, never);
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
    // Keeping only places finds the same games, and the text from a game's place gives it again.
    CodPGN::TPgnGameIndex places(false);
    AddInPieces(places, bytes, piece, never);
    if (places.Games().size() != index.Games().size())
        std::abort();
    for (qsizetype i = 0; i < std::min<qsizetype>(starts.size(), 8); ++i) {
        const CodPGN::TPgnGame& place = places.Games()[i];
        const CodPGN::TPgnGame& read = index.Games()[i];
        if (!place.Tags.isEmpty() || !place.Moves.isEmpty() || place.Start != read.Start ||
            place.Size != read.Tags.size() + read.Moves.size() || place.Cut != read.Cut)
            std::abort();
        // Read on only while the game may still take lines, as the browser reads one.
        CodPGN::TPgnGameIndex again;
        AddInPieces(again, bytes.sliced(qsizetype(place.Start)), 4096, [&] {
            return !again.Games().isEmpty() && (again.Games().size() > 1 || !again.Taking());
        });
        if (again.Games().isEmpty() || again.Games()[0].Line != 0 ||
            again.Games()[0].Tags != read.Tags || again.Games()[0].Moves != read.Moves)
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
