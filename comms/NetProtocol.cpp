#include "comms/NetProtocol.h"

#include "platform/TextLines.h"

#include "app/MoveText.h"
#include "platform/IniFile.h"
#include "platform/TextLines.h"

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace netplay {

namespace {

constexpr int MaxMatchMinutes = 999;
// What an overflow report quotes of the dropped line.
constexpr qsizetype QuotedOverflow = 64;

QString ErrorText(const QString& message) {
    return QStringLiteral("Errore nel messaggio: ") + message;
}

const QString OpponentLeftText = QStringLiteral("L'avversario ha lasciato la partita");

} // namespace

qint64 SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// ---- framing

void TLineFramer::Append(const QByteArray& data) {
    qsizetype start = 0;
    for (qsizetype end = data.indexOf('\n'); end >= 0; end = data.indexOf('\n', start)) {
        const QByteArrayView piece(data.constData() + start, end - start);
        if (FDropping) {
            FDropping = false;
        } else if (FTail.size() + piece.size() > TLineFramer::MaxLine) {
            FTail.append(piece.first(std::min(piece.size(), QuotedOverflow)));
            Overflow();
            FDropping = false;
        } else {
            FTail.append(piece);
            FFrames.push_back({FTail, false});
        }
        FTail.clear();
        start = end + 1;
    }
    if (FDropping)
        return;
    const QByteArrayView rest(data.constData() + start, data.size() - start);
    if (FTail.size() + rest.size() > MaxLine) {
        FTail.append(rest.first(std::min(rest.size(), QuotedOverflow)));
        Overflow();
        return;
    }
    FTail.append(rest);
}

void TLineFramer::Overflow() {
    FFrames.push_back({FTail.left(QuotedOverflow), true});
    FTail.clear();
    FDropping = true;
}

std::optional<TLineFramer::TFrame> TLineFramer::Take() {
    if (FFrames.empty())
        return std::nullopt;
    TFrame frame = std::move(FFrames.front());
    FFrames.pop_front();
    return frame;
}

void TLineFramer::Clear() {
    FTail.clear();
    FDropping = false;
    FFrames.clear();
}

// ---- texts

TMessage ParseMessage(const QString& text) {
    QString message = text;
    message.remove(QLatin1Char('\n'));
    message = platform::Trim(message);
    const qsizetype blank = message.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {message, QString()};
    return {message.left(blank).toLower().trimmed(), platform::Trim(message.mid(blank + 1))};
}

QString ClockText(float seconds) {
    const int minutes = static_cast<int>(std::floor(seconds / 60));
    const int rest = static_cast<int>(std::floor(seconds - minutes * 60.0f));
    return QStringLiteral("%1:%2")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(rest, 2, 10, QLatin1Char('0'));
}

QString BookEntry(const QString& name, const QString& host, const QString& port) {
    QString clean = name;
    clean.remove(QLatin1Char('(')).remove(QLatin1Char(')')).remove(QLatin1Char(':'));
    clean = clean.trimmed();
    if (clean.isEmpty())
        clean = QStringLiteral("noname");
    return clean + QStringLiteral(" (") + host + QLatin1Char(':') + port + QLatin1Char(')');
}

std::optional<TBookEntry> ParseBookEntry(const QString& entry) {
    const qsizetype open = entry.indexOf(QStringLiteral(" ("));
    if (open < 0)
        return std::nullopt;
    const QString rest = entry.mid(open + 2);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    const qsizetype close = rest.indexOf(QLatin1Char(')'), colon + 1);
    if (colon < 0 || close < 0)
        return std::nullopt;
    const QString digits = rest.mid(colon + 1, close - colon - 1);
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    bool ok = false;
    const qulonglong number = digits.toULongLong(&ok);
    // Only a number too long for any integer fails here: it is above the limit too.
    const qulonglong port =
        ok ? std::clamp<qulonglong>(number, MinBookPort, MaxBookPort) : qulonglong(MaxBookPort);
    return TBookEntry{entry.left(open), rest.left(colon), static_cast<quint16>(port)};
}

std::optional<int> ParseMatchMinutes(const QString& argument) {
    const qsizetype blank = argument.indexOf(QLatin1Char(' '));
    const QString text = blank < 0 ? argument : argument.mid(blank + 1).trimmed();
    qsizetype digits = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'));
    if (digits == text.size())
        return std::nullopt;
    for (qsizetype i = digits; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int minutes = text.toInt(&ok);
    if (!ok || minutes < -MaxMatchMinutes || minutes > MaxMatchMinutes)
        return std::nullopt;
    return minutes;
}

// ---- receiving

void TNetProtocol::Receive(TLineFramer& framer, const QByteArray& data) {
    framer.Append(data);
    while (HandleNext(framer)) {
    }
}

bool TNetProtocol::HandleNext(TLineFramer& framer) {
    // A box opened by one line lets later lines in; they are taken from the same queue, in order.
    const auto frame = framer.Take();
    if (!frame)
        return false;
    Handle(*frame);
    return true;
}

bool TNetProtocol::ReplyDue(std::optional<qint64>& last) {
    const qint64 now = Clock();
    if (last && now - *last < ReplyInterval)
        return false;
    last = now;
    return true;
}

void TNetProtocol::NewPeer() {
    FLastHeloReply.reset();
    FLastDecline.reset();
}

void TNetProtocol::PeerLeft() {
    Connected = false;
    if (GameState == gsIdle)
        return;
    FHost.AddText(OpponentLeftText, lkError);
    if (GameRunning()) {
        GameResult = 0;
        FHost.EndNetworkGame();
    }
    if (GameState != gsIdle)
        EndGame();
}

void TNetProtocol::Handle(const TLineFramer::TFrame& frame) {
    const QString text = QString::fromLatin1(frame.text);
    if (frame.overflow) {
        FHost.AddText(ErrorText(text + QStringLiteral("...")), lkError);
        return;
    }
    ProcessMessage(text);
}

void TNetProtocol::BadMessage(const QString& text) {
    FHost.AddText(ErrorText(text), lkError);
    if (GameState == gsProposed) {
        GameState = gsIdle;
        FHost.StateChanged();
    }
}

void TNetProtocol::ProcessMessage(const QString& text) {
    FHost.FlashMainWindow();
    const TMessage message = ParseMessage(text);
    const QString& key = message.keyword;
    const QString& argument = message.argument;
    const QString whole = platform::Trim(QString(text).remove(QLatin1Char('\n')));
    if (key == QLatin1String("say")) {
        FHost.AddText(argument, lkReceived);
    } else if (key == QLatin1String("popup")) {
        QueuePopup(argument);
    } else if (key == QLatin1String("helo")) {
        OpponentNick = argument;
        FHost.AddText(QStringLiteral("Connesso con ") + argument, lkInfo);
        if (ServerMode && ReplyDue(FLastHeloReply))
            SendLine(QStringLiteral("helo ") + OwnNick);
    } else if (key == QLatin1String("match") && GameState == gsIdle && !FMatchQuestionOpen) {
        ReceiveMatch(whole, argument);
    } else if (key == QLatin1String("accept_match") && GameState == gsProposed) {
        ReceiveAcceptMatch();
    } else if (key == QLatin1String("decline") && GameState == gsProposed) {
        FHost.AddText(QStringLiteral("Partita rifiutata dall'avversario"), lkInfo);
        GameState = gsIdle;
        FHost.StateChanged();
    } else if (key == QLatin1String("move") && GameState == gsOpponentTurn) {
        ReceiveMove(whole, argument);
    } else if (key == QLatin1String("resign") && GameState == gsOpponentTurn) {
        FHost.ApplyMoveText(QStringLiteral("resign"));
    } else if (key == QLatin1String("propose_draw") && GameState == gsOpponentTurn) {
        FHost.AddText(QStringLiteral("L'avversario propone patta"), lkError);
        OpponentOfferedDraw = true;
    } else if (key == QLatin1String("accept_draw") && DrawOffered) {
        DrawOffered = false;
        FHost.ApplyMoveText(QStringLiteral("draw"));
    } else {
        BadMessage(whole);
    }
}

void TNetProtocol::ReceiveMatch(const QString& text, const QString& argument) {
    const std::optional<int> minutes = ParseMatchMinutes(argument);
    if (!minutes) {
        BadMessage(text);
        Decline();
        return;
    }
    LocalIsWhite = argument.toLower().contains(QLatin1String("white"));
    GameMinutes = *minutes;
    const QString proposal =
        QStringLiteral("Proposta di partita da ") + OpponentNick + QStringLiteral(", pezzi ") +
        (LocalIsWhite ? QStringLiteral("Bianchi") : QStringLiteral("Neri")) +
        (GameMinutes >= 1
             ? QStringLiteral(", tempo ") + QString::number(GameMinutes) + QStringLiteral(" minuti")
             : QStringLiteral(", senza tempo"));
    FHost.AddText(proposal, lkInfo);
    // A peer that proposes again and again right after a refusal is not asked about each time.
    const bool justRefused = FLastDecline && Clock() - *FLastDecline < ReplyInterval;
    bool yes = false;
    if (!justRefused) {
        FMatchQuestionOpen = true;
        yes = FHost.AskMatch(proposal + QStringLiteral(".\nAccetti?"));
        FMatchQuestionOpen = false;
    }
    // The proposer may have gone while the question was open: no game against nobody.
    if (yes && Connected && GameState == gsIdle && StartGame()) {
        SendLine(QStringLiteral("accept_match"));
        FHost.AddText(QStringLiteral("Inizio partita"), lkInfo);
    } else {
        Decline();
        FHost.AddText(QStringLiteral("Proposta di partita rifiutata"), lkInfo);
    }
}

void TNetProtocol::Decline() {
    if (ReplyDue(FLastDecline))
        SendLine(QStringLiteral("decline"));
}

void TNetProtocol::ReceiveAcceptMatch() {
    FHost.AddText(QStringLiteral("Inizio partita"), lkInfo);
    if (StartGame())
        return;
    FHost.EndNetworkGame();
    GameState = gsIdle;
    FHost.StateChanged();
}

void TNetProtocol::ReceiveMove(const QString& text, const QString& argument) {
    const TMoveCommand::Kind kind = ParseMoveText(argument, true).kind;
    // Only "resign" and "accept_draw" end a game by agreement, never a move.
    const bool agreement = kind == TMoveCommand::Resign || kind == TMoveCommand::Draw;
    if (agreement || !FHost.ApplyMoveText(argument)) {
        SendLine(QStringLiteral("error"));
        FHost.AddText(QStringLiteral("Mossa errata: ") + text, lkError);
    } else if (GameState == gsOpponentTurn) {
        SetMyTurn();
    }
    if (DrawOffered) {
        DrawOffered = false;
        FHost.AddText(QStringLiteral("Proposta di patta rifiutata"), lkInfo);
    }
}

void TNetProtocol::QueuePopup(const QString& text) {
    if (FPopups.size() >= MaxQueuedPopups)
        return;
    FPopups.push_back(text);
    FHost.PopupQueued();
}

void TNetProtocol::ShowPopups() {
    if (FPopupOpen)
        return;
    FPopupOpen = true;
    while (!FPopups.empty()) {
        const QString text = FPopups.front();
        FPopups.pop_front();
        FHost.ShowPopup(text);
    }
    FPopupOpen = false;
}

// ---- sending and the game

void TNetProtocol::SendLine(QString text) {
    // A line break or NUL the user typed or pasted would end the message early and smuggle in
    // another (a "resign" inside a chat line).
    text = platform::ProtocolLineText(text) + QLatin1Char('\n');
    if (Connected)
        FHost.WriteLine(text.toLatin1());
}

void TNetProtocol::SetMyTurn() {
    GameState = gsMyTurn;
    PlayEnabled = true;
    FHost.StateChanged();
}

void TNetProtocol::SetOpponentTurn() {
    GameState = gsOpponentTurn;
    PlayEnabled = false;
    FHost.StateChanged();
}

bool TNetProtocol::StartGame() {
    const bool started = LocalIsWhite ? FHost.StartNetworkGame(OwnNick, OpponentNick, true)
                                      : FHost.StartNetworkGame(OpponentNick, OwnNick, false);
    if (!started)
        return false;
    // The peer left while the main window asked about the current game.
    if (!Connected) {
        FHost.EndNetworkGame();
        return false;
    }
    GameResult = 0;
    MatchEnabled = false;
    if (LocalIsWhite)
        SetMyTurn();
    else
        SetOpponentTurn();
    DrawOffered = false;
    OpponentOfferedDraw = false;
    // Minutes of 0 or less mean no clock, not a flag already fallen.
    WhiteSeconds = BlackSeconds = static_cast<float>(std::max(GameMinutes, 0) * 60);
    WhitePlayerLabel = LocalIsWhite ? OwnNick : OpponentNick;
    BlackPlayerLabel = LocalIsWhite ? OpponentNick : OwnNick;
    TimerRunning = GameMinutes > 0;
    ClocksGreen = true;
    WhiteTimeRed = BlackTimeRed = false;
    WhiteTimeEnabled = BlackTimeEnabled = true;
    UpdateClocks();
    return true;
}

void TNetProtocol::EndGame() {
    GameState = gsIdle;
    MatchEnabled = true;
    PlayEnabled = false;
    DrawOffered = false;
    OpponentOfferedDraw = false;
    TimerRunning = false;
    FHost.StateChanged();
    switch (GameResult) {
    case 1:
        FHost.AddText(QStringLiteral("Fine partita: il Bianco vince"), lkInfo);
        break;
    case 2:
        FHost.AddText(QStringLiteral("Fine partita: il Nero vince"), lkInfo);
        break;
    case 3:
        FHost.AddText(QStringLiteral("Fine partita: patta"), lkInfo);
        break;
    default:
        break;
    }
    GameResult = 0;
}

void TNetProtocol::ResetGame() {
    GameResult = 0;
    EndGame();
}

void TNetProtocol::ClientConnected() {
    Connected = true;
    SendLine(QStringLiteral("helo ") + OwnNick);
}

void TNetProtocol::SendMove(const QString& text) {
    if (GameState == gsMyTurn) {
        SendLine(QStringLiteral("move ") + text);
        SetOpponentTurn();
    }
    OpponentOfferedDraw = false;
}

void TNetProtocol::ProposeMatch(bool localIsWhite, int minutes) {
    if (!Connected) {
        FHost.AddText(QStringLiteral("L'avversario non e' connesso: proposta non inviata"),
                      lkError);
        return;
    }
    LocalIsWhite = localIsWhite;
    GameMinutes = minutes;
    SendLine(QStringLiteral("match ") +
             (LocalIsWhite ? QStringLiteral("black") : QStringLiteral("white")) + QLatin1Char(' ') +
             QString::number(minutes));
    FHost.AddText(QStringLiteral("Proposta di partita inviata"), lkInfo);
    GameState = gsProposed;
    FHost.StateChanged();
}

void TNetProtocol::DrawClick() {
    if (GameState != gsMyTurn)
        return;
    if (OpponentOfferedDraw) {
        SendLine(QStringLiteral("accept_draw"));
        FHost.ApplyMoveText(QStringLiteral("draw"));
    } else {
        SendLine(QStringLiteral("propose_draw"));
        DrawOffered = true;
    }
}

void TNetProtocol::ResignClick() {
    if (GameState != gsMyTurn)
        return;
    SendLine(QStringLiteral("resign"));
    FHost.ApplyMoveText(QStringLiteral("resign"));
}

void TNetProtocol::SendChat(const QString& line) {
    SendLine(QStringLiteral("say ") + line);
    FHost.AddText(line, lkSent);
}

void TNetProtocol::SendPopup(const QString& line) {
    SendLine(QStringLiteral("popup ") + line);
    FHost.AddText(QStringLiteral("Popup inviato: ") + line, lkInfo);
}

// ---- clocks

void TNetProtocol::Tick() {
    if (!GameRunning())
        return;
    const bool whiteRuns = (GameState == gsMyTurn) == LocalIsWhite;
    (whiteRuns ? WhiteSeconds : BlackSeconds) -= 0.1f;
    WhiteTimeEnabled = whiteRuns;
    BlackTimeEnabled = !whiteRuns;
    UpdateClocks();
}

bool TNetProtocol::UpdateClock(float seconds, QString& label, bool& red, bool white) {
    if (seconds >= 0) {
        label = ClockText(seconds);
        return false;
    }
    red = true;
    label = QStringLiteral("00:00");
    // The flag fell once: no further tick may report it again.
    TimerRunning = false;
    FHost.StateChanged();
    FHost.ShowTimeout(white);
    return true;
}

void TNetProtocol::UpdateClocks() {
    const bool whiteFell = UpdateClock(WhiteSeconds, WhiteTimeText, WhiteTimeRed, true);
    if (!whiteFell)
        UpdateClock(BlackSeconds, BlackTimeText, BlackTimeRed, false);
    FHost.StateChanged();
}

} // namespace netplay
