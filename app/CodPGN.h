#pragma once
// PGN text without widgets: tag lines, dates, the move tokens of a game, the index of the games
// of a text, the exported game, the external PGN program and a reader that works in slices so a
// large file or clipboard text never blocks the window, and keeps only where each game is.

#include "board/BoardModel.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace CodPGN {

// The most games one text is browsed for.
inline constexpr int MaxGames = 4096;
// The most characters of one game's tag and move lines kept; a game beyond it is cut there.
inline constexpr qsizetype MaxGameText = 1 << 20;
// What a text box shows of a game: each line at most MaxShownLine characters, the whole text at
// most MaxShownText, so laying it out never holds up the window.
inline constexpr qsizetype MaxShownLine = 8 * 1024;
inline constexpr qsizetype MaxShownText = 256 * 1024;

QString GetPgnTagName(const QString& line);
QString GetPgnTagValue(const QString& line);
// Days on the original date scale; an unknown or impossible date is 1 January 1900.
double PgnDateToDate(const QString& line);

// The seven tags in their order; Date on the original date scale.
struct TPgnTags {
    QString Event;
    QString Site;
    double Date = 0;
    QString Round;
    QString White;
    QString Black;
    QString Result;
};

TPgnTags ReadPgnTags(const QStringList& lines);
// The move tokens: comments, variations, move numbers and NAGs left out; anything else stays,
// results too, for the board to refuse.
QStringList ReadPgnMoves(const QStringList& lines);

// One game as kept: its tag lines and its move lines, each joined by line feeds, together at most
// MaxGameText characters; Cut when the game's text went beyond them. An index that keeps only
// places leaves Tags and Moves empty.
struct TPgnGame {
    QString Tags;
    QString Moves;
    bool Cut = false;
    // Its first line's number in the text.
    qsizetype Line = 0;
    // Where its first line begins: characters into the text, which are bytes into a file.
    qint64 Start = 0;
    // The characters of Tags and Moves together, counted also where they are not kept.
    qsizetype Size = 0;

    QStringList TagLines() const;
    QStringList MoveLines() const;
};

// The games of a PGN text fed in pieces of any size, lines split at CR LF, LF and CR also across
// pieces. A line beginning with "[Event " starts a game; of a game the tag lines are kept, then
// after one empty line the move lines up to the next empty line; the rest of the text is passed
// over. Time is linear in the text; memory holds the games kept and never a whole line.
class TPgnGameIndex {
public:
    // Without keepText no game text is kept, only each game's place, size and cut.
    explicit TPgnGameIndex(bool keepText = true) : FKeepText(keepText) {}

    void Add(QStringView text);
    void Add(QLatin1StringView text);
    // One whole line, without its line end (not mixed with Add).
    void AddLine(QStringView line);
    // The end of the text: a last line without a line end counts.
    void Finish();

    // A game beyond MaxGames was met; nothing after it is looked at.
    bool Excess() const { return FExcess; }
    // The last game still takes the lines that follow.
    bool Taking() const { return FPart != TPart::None; }
    const QList<TPgnGame>& Games() const { return FGames; }
    // Taking them ends the last game.
    QList<TPgnGame> TakeGames() {
        FKeeping = false;
        FPart = TPart::None;
        return std::exchange(FGames, {});
    }

private:
    enum class TPart { None, Tags, Moves };

    template <typename View> void AddText(View text);
    template <typename View> void TakePiece(View piece);
    template <typename View> void Keep(View piece);
    // Adds to the current part of the last game.
    template <typename View> void Append(View piece);
    void EndLine();
    void Classify();
    void CloseGame();

    QList<TPgnGame> FGames;
    TPart FPart = TPart::None;
    // The current line's first characters until they tell what the line is.
    QString FHead;
    bool FClassified = false;
    bool FKeeping = false;
    bool FLineOpen = false;
    bool FAfterCr = false;
    bool FExcess = false;
    bool FKeepText = true;
    // Characters in the current part of the last game.
    qsizetype FPartSize = 0;
    qsizetype FLine = 0;
    // Characters taken so far, and where the current line began.
    qint64 FOffset = 0;
    qint64 FLineStart = 0;
};

// The first line of each game ("[Event " starts one), at most MaxGames; excess tells whether a
// game beyond them was found.
QList<int> IndexPgnGames(const QStringList& lines, bool* excess = nullptr);

// One game from its first line: the tag lines, then after one empty line the move lines up to
// the next empty line, the next game or the end.
struct TPgnGameLines {
    QStringList Tags;
    QStringList Moves;
};
TPgnGameLines GameLines(const QStringList& lines, int start);

// Lines joined by line feeds as a text box shows them: a line beyond MaxShownLine is cut with a
// mark, and where the text would go beyond MaxShownText a closing line says the rest is not shown.
QString ShownText(QStringView text);

// The promotion a move names after "=" (q, r, b or n in either case), else current.
char PgnPromotionLetter(const QString& move, char current);
// Plays the tokens on the board, each promotion by its letter; refused moves are skipped.
// replaying is set while the moves are played.
void ReplayPgnMoves(TChessBoardModel& board, const QStringList& moves, char& promotion,
                    bool& replaying);

// The export's move lines: "n." padded to 4, White's move padded to 16, Black's move; a mating
// move carries the result, which result receives ("1-0", "0-1" or "*").
QStringList ExportMovePairs(const TChessBoardModel& board, QString& result);
// The exported game: the seven tag lines, an empty line, four move pairs to a line, "*" for an
// unfinished game, a line feed.
QString BuildPgnGame(const TPgnTags& tags, const QStringList& moveLines);

// The external program: "./extract.exe" in the working folder, when it exists and may be run.
QString ExternalProgram();
// The text as the external program rewrites it, or the text itself when there is no program or
// it fails, runs longer than timeoutMs, writes nothing or more than MaxGameText.
QString PassThroughExternalProgram(const QString& text, int timeoutMs = 2000);
// Writes the text to the file, or appends it after a blank line; all or nothing.
bool WritePgnText(const QString& fileName, const QString& text, bool append, QString* error);

// Reads a PGN file, or text already in memory, into the places of its games in slices from the
// event loop; reading stops at the first game beyond MaxGames. A game's text is read again from
// its source when it is wanted, so memory holds one game's text, never every game's. Starting
// again, or Abandon, drops a reading under way and its source.
class TPgnReader : public QObject {
    Q_OBJECT
public:
    explicit TPgnReader(QObject* parent = nullptr);

    // False (and nothing read) when the file cannot be opened.
    bool Start(const QString& fileName);
    void StartText(const QString& text);
    void Abandon();
    bool Busy() const { return FTimer.isActive(); }
    int GamesFound() const { return int(FIndex.Games().size()); }
    bool Excess() const { return FIndex.Excess(); }
    // The places of the games read (no text); taken once Finished.
    QList<TPgnGame> TakeGames() { return FIndex.TakeGames(); }
    // The game at place, read again from the file or text: false when it is no longer there
    // (the file changed, went away or cannot be read).
    bool ReadGame(const TPgnGame& place, TPgnGame& game) const;

    static constexpr qsizetype SliceBytes = 1 << 20;

signals:
    void Progress(int gamesFound);
    void Finished();

private:
    void ReadSlice();
    void Finish();

    QFile FFile;
    QByteArray FBuffer;
    // The source: a file's name, or the text itself.
    QString FFileName;
    qint64 FFileSize = 0;
    QDateTime FFileTime;
    QString FText;
    qsizetype FTextRead = 0;
    QTimer FTimer;
    TPgnGameIndex FIndex{false};
};

} // namespace CodPGN
