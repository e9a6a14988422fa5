#pragma once
// Random games as PGN text in short algebraic notation, from a seeded generator: legal moves of
// the rules, castling, captures and pawn pushes favoured so promotions come too, with NAGs,
// comments, mates, stalemates and threefold repetitions. The PGN import's benchmark and its
// cross-check against pgn-extract read games made here.

#include "board/Rules.h"

#include <QHash>
#include <QString>
#include <algorithm>
#include <cctype>
#include <random>
#include <vector>

namespace randompgn {

struct Legal {
    Square from;
    Square to;
};

// In square order, from-square first, so the same seed always makes the same file.
inline std::vector<Legal> LegalMoves(const rules::BoardState& state) {
    std::vector<Legal> moves;
    rules::FindLegalMove(state, [&](Square from, Square to) {
        moves.push_back({from, to});
        return false;
    });
    std::sort(moves.begin(), moves.end(),
              [](Legal a, Legal b) { return a.from != b.from ? a.from < b.from : a.to < b.to; });
    return moves;
}

inline QString SquareName(Square sq) {
    return QString(QChar('a' + rules::FileOf(sq) - 1)) + QChar('0' + rules::RankOf(sq));
}

// Standard algebraic notation of a legal move, check and mate included.
inline QString San(const rules::BoardState& state, const std::vector<Legal>& legal, Legal m,
                   char promoted, rules::BoardState& after) {
    const char piece = state.squares[m.from];
    const char upper = char(std::toupper(static_cast<unsigned char>(piece)));
    const bool capture =
        state.squares[m.to] != ' ' || rules::EnPassantVictim(state, m.from, m.to) != None;
    QString san;
    if (rules::CastlingRookMove(piece, m.from, m.to).from != None) {
        san = rules::FileOf(m.to) == 7 ? "O-O" : "O-O-O";
    } else if (upper == 'P') {
        if (capture)
            san = QString(QChar('a' + rules::FileOf(m.from) - 1)) + 'x';
        san += SquareName(m.to);
        if (rules::RankOf(m.to) == 8 || rules::RankOf(m.to) == 1)
            san += QString("=") + QChar(std::toupper(static_cast<unsigned char>(promoted)));
    } else {
        bool sameFile = false, sameRank = false, other = false;
        for (const Legal& l : legal) {
            if (l.to != m.to || l.from == m.from || state.squares[l.from] != piece)
                continue;
            other = true;
            sameFile = sameFile || rules::FileOf(l.from) == rules::FileOf(m.from);
            sameRank = sameRank || rules::RankOf(l.from) == rules::RankOf(m.from);
        }
        san = QChar(upper);
        if (other && !sameFile)
            san += QChar('a' + rules::FileOf(m.from) - 1);
        else if (other && !sameRank)
            san += QChar('0' + rules::RankOf(m.from));
        else if (other)
            san += SquareName(m.from);
        if (capture)
            san += 'x';
        san += SquareName(m.to);
    }
    after = rules::AfterMove(state, m.from, m.to, promoted);
    if (rules::KingAttacked(after.squares, after.whiteToMove))
        san += rules::AnyLegalMoveByRules(after) ? '+' : '#';
    return san;
}

// Random legal moves that favour castling, captures and pawn pushes, so promotions come too.
inline Legal Choose(const rules::BoardState& state, const std::vector<Legal>& legal,
                    std::mt19937& rng) {
    std::vector<Legal> castles, captures, pawns;
    for (const Legal& l : legal) {
        const char piece = state.squares[l.from];
        if (rules::CastlingRookMove(piece, l.from, l.to).from != None)
            castles.push_back(l);
        else if (state.squares[l.to] != ' ')
            captures.push_back(l);
        else if (piece == 'P' || piece == 'p')
            pawns.push_back(l);
    }
    const unsigned roll = rng() % 100;
    if (!castles.empty() && roll < 60)
        return castles[rng() % castles.size()];
    if (!captures.empty() && roll < 40)
        return captures[rng() % captures.size()];
    if (!pawns.empty() && roll < 70)
        return pawns[rng() % pawns.size()];
    return legal[rng() % legal.size()];
}

struct MadeGame {
    QString text;
    int halfMoves = 0;
};

inline MadeGame MakeGame(int number, std::mt19937& rng) {
    static const char* const names[] = {"Anna Neri",   "Bruno Bassi", "Carla Verdi",
                                        "Dario Gallo", "Elena Russo", "Franco Conti"};
    static const char* const comments[] = {"{una mossa naturale}", "{forse meglio Cf3}",
                                           "{il Nero reagisce subito}"};
    static const char* const nags[] = {"$1", "$2", "$6", "$14"};
    const int target = 40 + int(rng() % 81);
    rules::BoardState state;
    QString moves;
    QString line;
    int halfMoves = 0;
    QString result = "*";
    // The board refuses every move after a threefold repetition: the game ends there, drawn.
    QHash<QByteArray, int> seen;
    auto add = [&](const QString& token) {
        if (line.size() + token.size() + 1 > 79) {
            moves += line + '\n';
            line.clear();
        }
        line += line.isEmpty() ? token : ' ' + token;
    };
    while (halfMoves < target) {
        const std::vector<Legal> legal = LegalMoves(state);
        if (legal.empty()) {
            if (!rules::KingAttacked(state.squares, state.whiteToMove))
                result = "1/2-1/2";
            break;
        }
        const Legal m = Choose(state, legal, rng);
        const char promoted = "qrbn"[rng() % 4];
        rules::BoardState after;
        const QString san = San(state, legal, m, promoted, after);
        const int moveNumber = halfMoves / 2 + 1;
        if (state.whiteToMove)
            add(QString::number(moveNumber) + '.');
        else if (line.endsWith('}'))
            add(QString::number(moveNumber) + "...");
        add(san);
        if (san.endsWith('#'))
            result = state.whiteToMove ? "1-0" : "0-1";
        if (rng() % 12 == 0)
            add(nags[rng() % 4]);
        if (rng() % 15 == 0)
            add(comments[rng() % 3]);
        state = after;
        ++halfMoves;
        const QByteArray key = QByteArray(state.squares.data(), 65) + char(state.castling) +
                               (state.whiteToMove ? 'w' : 'b');
        if (++seen[key] == 3) {
            result = "1/2-1/2";
            break;
        }
    }
    add(result);
    moves += line + '\n';
    const QString tags =
        QString("[Event \"Torneo %1\"]\n[Site \"Sede %2\"]\n[Date \"%3.%4.%5\"]\n"
                "[Round \"%6\"]\n[White \"%7\"]\n[Black \"%8\"]\n[Result \"%9\"]\n\n")
            .arg(number / 64 + 1)
            .arg(number % 7 + 1)
            .arg(1990 + number % 30)
            .arg(number % 12 + 1, 2, 10, QChar('0'))
            .arg(number % 28 + 1, 2, 10, QChar('0'))
            .arg(number % 9 + 1)
            .arg(names[number % 6], names[(number + 1) % 6], result);
    return {tags + moves + '\n', halfMoves};
}

} // namespace randompgn
