#pragma once
// The TCP play protocol without a window: line framing, the keywords and the match state, draw
// offers, the match question's text, the clocks and the connection book's entries. The play
// window is its host; tests and the fuzzer drive it through a host of their own.

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

namespace netplay {

enum NetGameState : unsigned char { gsIdle = 0, gsProposed = 1, gsMyTurn = 2, gsOpponentTurn = 3 };

// Kinds of log entries: chat received, chat sent, information, error or attention.
enum LogKind { lkReceived = 0, lkSent = 1, lkInfo = 2, lkError = 3 };

// Splits one connection's bytes into lines at "\n". An unterminated tail is kept until its end
// arrives; a line longer than MaxLine is dropped whole and reported once.
class TLineFramer {
public:
    static constexpr qsizetype MaxLine = 64 * 1024;

    struct TFrame {
        QByteArray text;
        // The line passed MaxLine: text holds only its beginning.
        bool overflow = false;
    };

    void Append(const QByteArray& data);
    // The next complete line (or overflow report) in arrival order.
    std::optional<TFrame> Take();
    bool HasLine() const { return !FFrames.empty(); }
    void Clear();

private:
    void Overflow();

    QByteArray FTail;
    bool FDropping = false;
    std::deque<TFrame> FFrames;
};

struct TMessage {
    QString keyword;
    QString argument;
};

// The keyword rule: with a blank, the keyword is lower-cased; without one it stays as it came.
TMessage ParseMessage(const QString& text);

// "mm:ss" of a clock that has not fallen (seconds >= 0).
QString ClockText(float seconds);

// A connection book entry "name (host:port)"; the name loses "(", ")" and ":" and is trimmed,
// an empty one becomes "noname".
QString BookEntry(const QString& name, const QString& host, const QString& port);

// The ports a connection book entry may name: the new-connection dialog's limits.
constexpr int MinBookPort = 1;
constexpr int MaxBookPort = 64535;

struct TBookEntry {
    QString name;
    QString host;
    quint16 port = 0;
};
// Empty when the entry lacks " (", ":" or ")", or its port is not a whole number; a port outside
// MinBookPort..MaxBookPort is held to them, as the dialog's port edit holds a typed one.
std::optional<TBookEntry> ParseBookEntry(const QString& entry);

// The minutes of a "match" argument: an optionally signed whole number in -999..999.
std::optional<int> ParseMatchMinutes(const QString& argument);

// What the protocol needs from its surroundings: the wire, the log, the boxes and the main
// window's operations.
class TNetHost {
public:
    virtual ~TNetHost() = default;
    // One line, "\n" included, to the connected peer.
    virtual void WriteLine(const QByteArray& line) = 0;
    virtual void AddText(const QString& text, LogKind kind) = 0;
    virtual void FlashMainWindow() = 0;
    // Brings the program to the front and shows the text in an information box.
    virtual void ShowPopup(const QString& text) = 0;
    // A popup text waits; the host calls ShowPopups once the current event is handled.
    virtual void PopupQueued() = 0;
    // The match question; true for "Yes".
    virtual bool AskMatch(const QString& text) = 0;
    virtual bool StartNetworkGame(const QString& white, const QString& black,
                                  bool localIsWhite) = 0;
    virtual void EndNetworkGame() = 0;
    virtual void ShowTimeout(bool whiteFlagged) = 0;
    virtual bool ApplyMoveText(const QString& text) = 0;
    // Buttons, clocks or the timer may have changed.
    virtual void StateChanged() = 0;
};

// Milliseconds on a clock that never goes back.
qint64 SteadyMilliseconds();

class TNetProtocol {
public:
    static constexpr int MaxQueuedPopups = 16;
    // A reply the peer can ask for again and again ("helo", "decline") goes out at most once in
    // this time; a proposal that comes sooner after a refusal is refused without asking.
    static constexpr qint64 ReplyInterval = 1000;

    explicit TNetProtocol(TNetHost& host) : FHost(host) {}

    // ---- the window's fields
    QString OwnNick;
    QString OpponentNick;
    bool Connected = false;
    bool ServerMode = false;
    bool LocalIsWhite = false;
    int GameMinutes = 0;
    unsigned char GameState = gsIdle;
    float WhiteSeconds = 0;
    float BlackSeconds = 0;
    bool DrawOffered = false;
    bool OpponentOfferedDraw = false;
    unsigned char GameResult = 0;

    // ---- what the window shows
    bool MatchEnabled = false;
    // "Patta" and "Abbandona".
    bool PlayEnabled = false;
    bool TimerRunning = false;
    QString WhitePlayerLabel = QStringLiteral("Bianchi");
    QString BlackPlayerLabel = QStringLiteral("Neri");
    QString WhiteTimeText = QStringLiteral("00:00");
    QString BlackTimeText = QStringLiteral("00:00");
    bool WhiteTimeEnabled = true;
    bool BlackTimeEnabled = true;
    bool WhiteTimeRed = false;
    bool BlackTimeRed = false;
    // The time labels turn green when a game starts.
    bool ClocksGreen = false;

    // The clock of the reply limits; tests set their own.
    std::function<qint64()> Clock = SteadyMilliseconds;

    bool GameRunning() const { return GameState == gsMyTurn || GameState == gsOpponentTurn; }

    // Bytes read from a connection: every complete line is handled in order.
    void Receive(TLineFramer& framer, const QByteArray& data);
    // Handles the framer's next line; false when none is waiting.
    bool HandleNext(TLineFramer& framer);
    // A new peer: its first "helo" and proposal are answered at once.
    void NewPeer();
    // The peer's connection ended: a game or a proposal with it ends too.
    void PeerLeft();
    void ProcessMessage(const QString& text);
    void SendLine(QString text);

    void SendMove(const QString& text);
    void EndGame();
    void SetMyTurn();
    void SetOpponentTurn();
    // A connection or a new server: no result left over, the match buttons reset.
    void ResetGame();
    void ClientConnected();

    // The buttons.
    void ProposeMatch(bool localIsWhite, int minutes);
    void DrawClick();
    void ResignClick();
    void SendChat(const QString& line);
    void SendPopup(const QString& line);

    void Tick();
    void UpdateClocks();
    // Shows the waiting popup texts one at a time.
    void ShowPopups();

private:
    void Handle(const TLineFramer::TFrame& frame);
    void BadMessage(const QString& text);
    void ReceiveMatch(const QString& text, const QString& argument);
    void ReceiveAcceptMatch();
    void ReceiveMove(const QString& text, const QString& argument);
    void QueuePopup(const QString& text);
    bool StartGame();
    void Decline();
    // Whether a reply last sent at `last` may go again now; if so, now becomes its time.
    bool ReplyDue(std::optional<qint64>& last);
    bool UpdateClock(float seconds, QString& label, bool& red, bool white);

    TNetHost& FHost;
    std::optional<qint64> FLastHeloReply;
    std::optional<qint64> FLastDecline;
    bool FMatchQuestionOpen = false;
    bool FPopupOpen = false;
    std::deque<QString> FPopups;
};

} // namespace netplay
