#include "app/Correspondence.h"

#include "app/CodVersione.h"
#include "board/BoardModel.h"
#include "platform/TextLines.h"

#include <algorithm>

namespace correspondence {

namespace {

bool IsMemberCodeAt(const QString& text, qsizetype k) {
    if (k + 5 >= text.size() || text[k].toUpper() != QLatin1Char('Z') || !text[k + 1].isLetter())
        return false;
    for (qsizetype d = k + 2; d <= k + 5; ++d) {
        if (!text[d].isDigit())
            return false;
    }
    return true;
}

QString ShortName3(const QString& player) {
    return PlayerShortName(player).left(3);
}

// The number part padded with leading blanks to four characters: " 12b".
QString PaddedNumberPart(const TLastMove& move) {
    return move.NumberPart.rightJustified(4, QLatin1Char(' '));
}

// Lines of the Vexlor message from its dashes line to the empty line after the signature.
QStringList Body(const TGameData& game, const TLastMove& move, const TMessageSettings& settings) {
    QStringList lines{QString::fromLatin1(Dashes)};
    for (const QString& header : {game.HeaderLine1, game.HeaderLine2, game.GameRound}) {
        if (!header.isEmpty())
            lines.append(header);
    }
    if (!game.WhitePlayer.isEmpty())
        lines.append(QStringLiteral("Bianchi: ") + game.WhitePlayer);
    if (!game.BlackPlayer.isEmpty())
        lines.append(QStringLiteral("Neri   : ") + game.BlackPlayer);
    lines << QString::fromLatin1(Dashes) << QString() << move.Line() << move.Line() << QString();
    lines += platform::SplitLines(settings.Signature.toLatin1());
    lines.append(QString());
    return lines;
}

QString Ending(const QString& extra) {
    return QStringLiteral(" --- ") + AppInfo.Name + QLatin1Char(' ') + AppInfo.VersionText + extra +
           QStringLiteral(" --- ");
}

} // namespace

QString PlayerShortName(const QString& player) {
    const qsizetype blank = player.indexOf(QLatin1Char(' '));
    const qsizetype first = blank < 0 ? player.size() : blank;
    qsizetype next = player.indexOf(QLatin1Char(' '), first + 1);
    if (next < 0)
        next = player.size();
    for (qsizetype k = next + 1; k + 5 < player.size(); ++k) {
        if (IsMemberCodeAt(player, k)) {
            const QString second = player.mid(first, next - first).trimmed();
            return second.isEmpty() ? player : second;
        }
    }
    return player;
}

QString PlayerEmailAddress(const QString& player) {
    const qsizetype open = player.indexOf(QLatin1Char('('));
    const qsizetype close = open < 0 ? -1 : player.indexOf(QLatin1Char(')'), open + 1);
    if (close < 0)
        return {};
    QString address = player.mid(open + 1, close - open - 1);
    if (!address.isEmpty() && !address.contains(QLatin1Char('@')))
        address += QLatin1Char('@') + QString::fromLatin1(MailDomain);
    return address;
}

QString MissingEmailText(const QString& player) {
    return QStringLiteral("Impossibile trovare email per il giocatore: \n") + player +
           QStringLiteral("\n"
                          "Per evitare di dover introdurre manualmente l'infdirizzo  \n"
                          "ogni volta che si deve inviare una mossa, specificare     \n"
                          "il codice zeltor (esempio ZT0123) o l'indirizzo di email  \n"
                          "fra parentesi accanto al nome del giocatore nella         \n"
                          "schermata accessibile col menu Zeltor->Dati Partita       \n");
}

std::optional<TLastMove> LastHalfMove(const TChessBoardModel& board) {
    // The side not to move played last; with White to move, that was Black in the move before.
    const bool whiteMoved = !board.WhiteToMove();
    const int moveNo = board.WhiteToMove() ? board.CurrentMove() - 1 : board.CurrentMove();
    if (moveNo < 1)
        return std::nullopt;
    const QString text = board.GetTextMove(moveNo, whiteMoved);
    if (text.isEmpty())
        return std::nullopt;
    return TLastMove{QString::number(moveNo) + (whiteMoved ? QLatin1Char('b') : QLatin1Char('n')),
                     text, whiteMoved};
}

QString BuildMoveSubject(const TGameData& game, const TLastMove& move, bool newFormat) {
    if (!newFormat)
        return game.MatchCode + QLatin1Char('-') + PaddedNumberPart(move) + QLatin1Char(' ') +
               PlayerShortName(game.WhitePlayer) + QLatin1Char('-') +
               PlayerShortName(game.BlackPlayer);
    const QString number = move.NumberPart.rightJustified(3, QLatin1Char('0'));
    return game.MatchCode + QLatin1Char('-') + number + QLatin1Char('[') + move.MoveText +
           QLatin1Char(']') + ShortName3(game.WhitePlayer) + QLatin1Char('-') +
           ShortName3(game.BlackPlayer);
}

QStringList BuildVexlorMessage(const TGameData& game, const TLastMove& move,
                               const TMessageSettings& settings) {
    QStringList lines{
        QString::fromLatin1(VexlorSeparator), QStringLiteral("area ") + settings.VexlorArea,
        QStringLiteral("ogg ") + BuildMoveSubject(game, move, settings.NewSubjectFormat),
        QString()};
    lines += Body(game, move, settings);
    lines.append(Ending(QString()));
    return lines;
}

QStringList BuildNntpMessage(const TGameData& game, const TLastMove& move,
                             const TMessageSettings& settings) {
    QStringList lines{QStringLiteral("Newsgroups: ") + settings.NewsGroup,
                      QStringLiteral("Subject: ") +
                          BuildMoveSubject(game, move, settings.NewSubjectFormat)};
    // News servers refuse an article without a sender.
    const QString mover = move.WhiteMoved ? game.WhitePlayer : game.BlackPlayer;
    const QString from = PlayerEmailAddress(mover);
    if (!from.isEmpty())
        lines.append(QStringLiteral("From: ") + from);
    lines.append(QString());
    lines += Body(game, move, settings);
    lines.append(Ending(QString()));
    return lines;
}

TEmail BuildEmail(const TGameData& game, const TLastMove& move, const TMessageSettings& settings) {
    const QString mover = move.WhiteMoved ? game.WhitePlayer : game.BlackPlayer;
    const QString other = move.WhiteMoved ? game.BlackPlayer : game.WhitePlayer;
    TEmail mail;
    mail.From = PlayerEmailAddress(mover);
    mail.To = PlayerEmailAddress(other);
    mail.Cc = QString::fromLatin1(TournamentAddress) + QStringLiteral(", ") + mail.From;
    mail.Subject = BuildMoveSubject(game, move, settings.NewSubjectFormat);
    mail.Body = Body(game, move, settings);
    mail.Body.append(Ending(QStringLiteral(" via email")));
    return mail;
}

void TMessageFile::Split(const QStringList& lines) {
    Messages = {QStringList()};
    for (const QString& line : lines) {
        if (line != separator_)
            Messages.last().append(line);
        else if (!Messages.last().isEmpty())
            Messages.append(QStringList());
    }
}

QStringList TMessageFile::Join() const {
    QStringList lines;
    for (const QStringList& message : NonEmpty())
        lines << separator_ << message;
    return lines;
}

QList<QStringList> TMessageFile::NonEmpty() const {
    QList<QStringList> result;
    for (const QStringList& message : Messages) {
        if (!message.isEmpty())
            result.append(message);
    }
    return result;
}

QList<QStringList> TMessageFile::WithText() const {
    QList<QStringList> result;
    for (const QStringList& message : Messages) {
        if (HasText(message))
            result.append(message);
    }
    return result;
}

bool HasText(const QStringList& message) {
    return std::any_of(message.begin(), message.end(),
                       [](const QString& line) { return !line.trimmed().isEmpty(); });
}

QStringList QueueAfterPosting(const QStringList& queueLines, int doneCount) {
    TMessageFile queue{QString::fromLatin1(NntpSeparator)};
    queue.Split(queueLines);
    queue.Messages = queue.WithText().mid(std::max(doneCount, 0));
    return queue.Join();
}

namespace {

// An article is known by its subject; one without gives its first line with text.
QString ArticleName(const QStringList& article) {
    static const QString subject = QStringLiteral("Subject:");
    for (const QString& line : article) {
        if (line.isEmpty())
            break; // the end of the header lines
        if (line.startsWith(subject, Qt::CaseInsensitive))
            return line.mid(subject.size()).trimmed();
    }
    const auto first = std::find_if(article.begin(), article.end(),
                                    [](const QString& line) { return !line.trimmed().isEmpty(); });
    return first == article.end() ? QString() : first->trimmed();
}

} // namespace

QString PostedButQueuedText(const QList<QStringList>& posted, const QString& fileName) {
    QString text =
        posted.size() == 1
            ? QStringLiteral("Questo messaggio e' stato inviato ma resta nel file %1: toglierlo "
                             "prima del prossimo invio, che lo spedirebbe di nuovo:")
                  .arg(fileName)
            : QStringLiteral("Questi %1 messaggi sono stati inviati ma restano nel file %2: "
                             "toglierli prima del prossimo invio, che li spedirebbe di nuovo:")
                  .arg(posted.size())
                  .arg(fileName);
    for (const QStringList& article : posted)
        text += QStringLiteral("\n") + ArticleName(article);
    return text;
}

} // namespace correspondence
