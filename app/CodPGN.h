#pragma once
// PGN text without widgets: tag lines, dates, the move tokens of a game, the index of the games
// of a text, the exported game, the external PGN program and a file reader that works in slices
// so a large file never blocks the window.

#include "board/BoardModel.h"

#include <QFile>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace CodPGN {

// The most games one text is browsed for.
inline constexpr int MaxGames = 4096;

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
// it fails, runs longer than timeoutMs or writes nothing.
QString PassThroughExternalProgram(const QString& text, int timeoutMs = 2000);
// Writes the text to the file, or appends it after a blank line; all or nothing.
bool WritePgnText(const QString& fileName, const QString& text, bool append, QString* error);

// Reads a PGN file into lines in slices from the event loop; reading stops after the first game
// beyond MaxGames. Starting again, or Abandon, drops a reading under way.
class TPgnFileReader : public QObject {
    Q_OBJECT
public:
    explicit TPgnFileReader(QObject* parent = nullptr);

    // False (and nothing read) when the file cannot be opened.
    bool Start(const QString& fileName);
    void Abandon();
    bool Busy() const { return FTimer.isActive(); }
    int GamesFound() const { return FGamesFound; }
    // The lines read so far; taken once Finished.
    QStringList TakeLines();

    static constexpr qint64 SliceBytes = 1 << 20;

signals:
    void Progress(int gamesFound);
    void Finished();

private:
    void ReadSlice();
    void AddLines(const QByteArray& data);
    void Finish();

    QFile FFile;
    QTimer FTimer;
    QByteArray FPending;
    QStringList FLines;
    int FGamesFound = 0;
};

} // namespace CodPGN
