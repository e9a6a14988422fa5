// The board's notations: move texts, PGN moves, reading algebraic moves, FEN and the move list.

#include "board/BoardModel.h"

#include <QVarLengthArray>
#include <cctype>
#include <limits>

namespace {

const char* const PieceLetters = "RDTACPRDTACP";

QString SquareText(Square sq) {
    return QString(QChar('a' + rules::FileOf(sq) - 1)) + QChar('0' + rules::RankOf(sq));
}

bool IsPromotion(char piece, Square to) {
    return (piece == 'P' && rules::RankOf(to) == 8) || (piece == 'p' && rules::RankOf(to) == 1);
}

} // namespace

Square SquareOfText(QChar file, QChar rank) {
    const char f = file.toLower().toLatin1();
    const char r = rank.toLatin1();
    if (f < 'a' || f > 'h' || r < '1' || r > '8')
        return None;
    return rules::SquareAt(f - 'a' + 1, r - '0');
}

char TChessBoardModel::GetPieceLetter(char c) {
    static const char order[] = "kqrbnp";
    const char lower = char(std::tolower(static_cast<unsigned char>(c)));
    for (int i = 0; i < 6; ++i)
        if (order[i] == lower)
            return PieceLetters[i + (std::isupper(static_cast<unsigned char>(c)) ? 6 : 0)];
    return ' ';
}

QString TChessBoardModel::GetTextMove(int moveNo, bool white) const {
    return MoveText(moveNo, white, false);
}

QString TChessBoardModel::GetPgnMove(int moveNo, bool white) const {
    return MoveText(moveNo, white, true);
}

QString TChessBoardModel::MoveText(int moveNo, bool white, bool pgn) const {
    const MoveInfo* rec = StoredRecord(moveNo, white);
    if (!rec || rec->ToSq == None || !rules::OnBoard(rec->FromSq) || !rules::OnBoard(rec->ToSq))
        return {};
    const Square from = rec->FromSq;
    const Square to = rec->ToSq;
    const char piece = rec->Placement[from];

    // The promoted piece: from the record that follows when it is stored, else from the board.
    const int nextMove = white ? moveNo : moveNo + 1;
    const MoveInfo* next = StoredRecord(nextMove, !white);
    const char promoted = next ? next->Placement[to] : FState.squares[to];

    QString text;
    const rules::RookMove rook = rules::CastlingRookMove(piece, from, to);
    if (rook.from != None) {
        const bool shortCastle = rules::FileOf(to) == 7;
        text = pgn ? (shortCastle ? "O-O" : "O-O-O") : (shortCastle ? "0-0" : "0-0-0");
    } else {
        if (pgn && piece != 'P' && piece != 'p')
            text += QChar(std::toupper(static_cast<unsigned char>(piece)));
        text += SquareText(from) + (rec->Placement[to] == ' ' ? "-" : "x") + SquareText(to);
        if (IsPromotion(piece, to)) {
            text += '=';
            text += pgn ? QChar(std::toupper(static_cast<unsigned char>(promoted)))
                        : QChar(GetPieceLetter(promoted));
        }
    }

    rules::BoardState before;
    before.squares = rec->Placement;
    before.whiteToMove = white;
    before.castling = rec->Castling;
    before.enPassant = rec->EnPassantSq;
    const rules::BoardState after = rules::AfterMove(before, from, to, promoted);
    if (rules::KingAttacked(after.squares, true) || rules::KingAttacked(after.squares, false))
        text += rules::AnyLegalMoveByRules(after) ? '+' : '#';
    return text;
}

void TChessBoardModel::MovePGN(const QString& input) {
    // Read in place: a game's import reads every one of its moves here.
    QVarLengthArray<QChar, 32> text;
    for (const QChar c : input) {
        if (c == QLatin1Char('='))
            break;
        if (c != QLatin1Char('+') && c != QLatin1Char('#'))
            text.append(c);
    }
    while (text.size() < 8)
        text.append(QLatin1Char(' '));
    const bool white = FState.whiteToMove;

    const QStringView trimmed = QStringView(text.data(), text.size()).trimmed();
    if (trimmed == QLatin1String("O-O") || trimmed == QLatin1String("O-O-O")) {
        const bool shortCastle = trimmed.size() == 3;
        Move(white ? E1 : E8, white ? (shortCastle ? G1 : C1) : (shortCastle ? G8 : C8));
        return;
    }

    Square from = None;
    Square to = None;
    const QChar first = text[0];
    if (!(first.isLetter() && first.isUpper())) {
        if (text[2] == QLatin1Char('x') || text[2] == QLatin1Char('-')) {
            from = SquareOfText(text[0], text[1]);
            to = SquareOfText(text[3], text[4]);
        } else if (text[1] != QLatin1Char('x')) {
            to = SquareOfText(text[0], text[1]);
            if (to != None) {
                const int step = white ? 8 : -8;
                const char pawn = white ? 'P' : 'p';
                const int one = to + step;
                const int two = to + 2 * step;
                if (rules::OnBoard(one) && FState.squares[one] == pawn)
                    from = Square(one);
                else if (rules::OnBoard(two))
                    from = Square(two);
            }
        } else {
            to = SquareOfText(text[2], text[3]);
            const Square fileSq = SquareOfText(text[0], QChar('1'));
            if (to != None && fileSq != None) {
                const int rank = rules::RankOf(to) + (white ? -1 : 1);
                if (rank >= 1 && rank <= 8)
                    from = rules::SquareAt(rules::FileOf(fileSq), rank);
            }
        }
    } else {
        const char letter = (white ? first.toUpper() : first.toLower()).toLatin1();
        QVarLengthArray<QChar, 32> kept;
        for (qsizetype i = 1; i < text.size(); ++i)
            if (text[i] != QLatin1Char('x') && text[i] != QLatin1Char('-'))
                kept.append(text[i]);
        const QStringView rest = QStringView(kept.data(), kept.size()).trimmed();
        // The target is the last letter-digit pair: annotations such as "!?" may follow it.
        qsizetype digit = rest.size() - 1;
        while (digit >= 1 && !(rest[digit].isDigit() && rest[digit - 1].isLetter()))
            --digit;
        if (digit < 1)
            return;
        to = SquareOfText(rest[digit - 1], rest[digit]);
        const QStringView hint = rest.left(digit - 1);
        int wantFile = 0;
        int wantRank = 0;
        if (hint.size() == 2) {
            from = SquareOfText(hint[0], hint[1]);
            if (from == None)
                return;
        } else if (hint.size() == 1 && hint[0] >= QLatin1Char('1') && hint[0] <= QLatin1Char('8')) {
            wantRank = hint[0].toLatin1() - '0';
        } else if (hint.size() == 1 && hint[0].toLower() >= QLatin1Char('a') &&
                   hint[0].toLower() <= QLatin1Char('h')) {
            wantFile = hint[0].toLower().toLatin1() - 'a' + 1;
        } else if (!hint.isEmpty()) {
            return;
        }
        for (int s = 1; s <= 64 && from == None && to != None; ++s) {
            if (FState.squares[s] != letter || (wantFile && rules::FileOf(s) != wantFile) ||
                (wantRank && rules::RankOf(s) != wantRank))
                continue;
            if (MoveIsLegal(Square(s), to)) {
                // Found legal just now: Move would only test it again.
                if (!FMoving)
                    PlayLegalMove(Square(s), to);
                return;
            }
        }
    }
    if (from != None && to != None)
        Move(from, to);
}

QString TChessBoardModel::GetFENPosition() const {
    QString fen;
    for (int rank = 8; rank >= 1; --rank) {
        int empty = 0;
        for (int file = 1; file <= 8; ++file) {
            const char c = FState.squares[rules::SquareAt(file, rank)];
            if (c == ' ') {
                ++empty;
                continue;
            }
            if (empty)
                fen += QString::number(empty);
            empty = 0;
            fen += QChar(c);
        }
        if (empty)
            fen += QString::number(empty);
        if (rank > 1)
            fen += '/';
    }
    fen += FState.whiteToMove ? " w " : " b ";
    QString castling;
    if (FState.castling & WhiteKingSide)
        castling += 'K';
    if (FState.castling & WhiteQueenSide)
        castling += 'Q';
    if (FState.castling & BlackKingSide)
        castling += 'k';
    if (FState.castling & BlackQueenSide)
        castling += 'q';
    fen += castling.isEmpty() ? "-" : castling;
    fen += ' ';
    fen += FState.enPassant == None ? QString("-") : SquareText(FState.enPassant);
    fen += " 0 " + QString::number(FCurrentMove);
    return fen;
}

bool TChessBoardModel::SetFENPosition(const QString& input) {
    const QStringList fields = input.simplified().split(' ', Qt::SkipEmptyParts);
    if (fields.size() < 4)
        return false;

    MoveInfo rec;
    int square = 0;
    int slashes = 0;
    for (QChar ch : fields[0]) {
        const char c = ch.toLatin1();
        if (std::isalpha(static_cast<unsigned char>(c))) {
            if (++square > 64)
                return false;
            rec.Placement[square] = c;
        } else if (c >= '0' && c <= '9') {
            for (int i = 0; i < c - '0'; ++i) {
                if (++square > 64)
                    return false;
                rec.Placement[square] = ' ';
            }
        } else if (c == '/') {
            ++slashes;
        }
    }
    if (square != 64 || slashes != 7)
        return false;

    const bool white = fields[1] == QLatin1String("w") || fields[1] == QLatin1String("W");
    rec.Castling = 0;
    for (QChar c : fields[2]) {
        if (c == 'K')
            rec.Castling |= WhiteKingSide;
        else if (c == 'Q')
            rec.Castling |= WhiteQueenSide;
        else if (c == 'k')
            rec.Castling |= BlackKingSide;
        else if (c == 'q')
            rec.Castling |= BlackQueenSide;
    }

    rec.EnPassantSq = None;
    if (fields[3] != QLatin1String("-")) {
        if (fields[3].size() != 2)
            return false;
        rec.EnPassantSq = SquareOfText(fields[3][0], fields[3][1]);
        if (rec.EnPassantSq == None)
            return false;
    }

    int moveNo = 0;
    if (fields.size() > 5) {
        for (QChar c : fields[5]) {
            if (!c.isDigit())
                continue;
            const int digit = c.toLatin1() - '0';
            moveNo = moveNo > (std::numeric_limits<int>::max() - digit) / 10
                         ? std::numeric_limits<int>::max()
                         : moveNo * 10 + digit;
        }
    }
    return SetUpPosition(rec, moveNo, white);
}

QStringList TChessBoardModel::GetMoveList() const {
    auto upper = [](Square sq) {
        return QString(QChar('A' + XPos(sq) - 1)) + QChar('0' + YPos(sq));
    };
    QStringList list;
    for (int n = FirstMove; n <= LastMove; ++n) {
        for (bool white : {true, false}) {
            if (n == LastMove && LastMoveIsWhite && !white)
                break;
            const bool missing = n == FirstMove && white && !FirstMoveIsWhite;
            QString line = white ? QString::number(n) + ". " : QString(14, ' ');
            if (missing) {
                list << line + " ...   ";
                continue;
            }
            const MoveInfo& rec = FHistory[n][white ? 0 : 1];
            list << line + upper(rec.FromSq) + "-" + upper(rec.ToSq);
        }
    }
    return list;
}
