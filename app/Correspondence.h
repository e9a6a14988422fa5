#pragma once
// The correspondence messages of a move: Vexlor print messages, news articles, e-mails, and the
// message files that queue them. Plain functions over the game data; the main window calls them.

#include <QString>
#include <QStringList>

#include <optional>

class TChessBoardModel;

namespace correspondence {

inline constexpr char MailDomain[] = "zeltor.invalid";
inline constexpr char TournamentAddress[] = "tornei@zeltor.invalid";
inline constexpr char VexlorSeparator[] = "vexlor";
inline constexpr char NntpSeparator[] = "--- NNTP ---";
inline constexpr char Dashes[] = "- - - - - - - - - - - - - - - - - - - -";

struct TGameData {
    QString MatchCode;
    QString WhitePlayer;
    QString BlackPlayer;
    QString HeaderLine1;
    QString HeaderLine2;
    QString GameRound;
};

// The settings a message carries.
struct TMessageSettings {
    QString VexlorArea;
    QString NewsGroup;
    QString Signature; // its lines separated by any line ending
    bool NewSubjectFormat = false;
};

// The last played half-move: "12b" or "12n" and its move text.
struct TLastMove {
    QString NumberPart;
    QString MoveText;
    bool WhiteMoved = false;
    QString Line() const { return NumberPart + QLatin1Char(' ') + MoveText; }
};

struct TEmail {
    QString From;
    QString To;
    QString Cc;
    QString Subject;
    QStringList Body;
};

// "Nome Cognome (ZT0123)" gives "Cognome"; a text without a member code is returned whole.
QString PlayerShortName(const QString& player);

// The text in parentheses, with the service's mail domain added to a member code; "" when none.
QString PlayerEmailAddress(const QString& player);

// The long explanation shown when a player text holds no address.
QString MissingEmailText(const QString& player);

// The half-move played last, or nothing when it has no move text (a set-up position before its
// first move).
std::optional<TLastMove> LastHalfMove(const TChessBoardModel& board);

QString BuildMoveSubject(const TGameData& game, const TLastMove& move, bool newFormat);

// The messages; each needs a match code (checked by the caller).
QStringList BuildVexlorMessage(const TGameData& game, const TLastMove& move,
                               const TMessageSettings& settings);
QStringList BuildNntpMessage(const TGameData& game, const TLastMove& move,
                             const TMessageSettings& settings);
TEmail BuildEmail(const TGameData& game, const TLastMove& move, const TMessageSettings& settings);

// A message file ("vexlor.out", "nntp.out"): messages, newest first, each after its separator line.
class TMessageFile {
public:
    explicit TMessageFile(QString separator) : separator_(std::move(separator)) {}

    // Splits the lines at separator lines, which belong to no message. A separator closes the
    // current message only when it has a line, so leading or repeated separators make no empty
    // message; a separator at the end leaves one more, empty message.
    void Split(const QStringList& lines);
    // Each message with at least one line, after its separator: deleted (emptied) ones vanish.
    QStringList Join() const;
    // The messages with at least one line, in file order.
    QList<QStringList> NonEmpty() const;
    // The messages with a line that is not blank, in file order: those worth posting.
    QList<QStringList> WithText() const;

    QList<QStringList> Messages;

private:
    QString separator_;
};

// Whether a message has a line that is not blank; a news server refuses one that has none.
bool HasText(const QStringList& message);

// The queue after a posting in which the first doneCount articles with text went out; blank
// ones, never posted, leave with them.
QStringList QueueAfterPosting(const QStringList& queueLines, int doneCount);

// What tells the user which articles went out though they are still queued in fileName (its
// rewrite failed): posting the queue again would post them twice.
QString PostedButQueuedText(const QList<QStringList>& posted, const QString& fileName);

} // namespace correspondence
