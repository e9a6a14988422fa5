#include "app/Correspondence.h"
#include "board/BoardModel.h"

#include <gtest/gtest.h>

using namespace correspondence;

namespace {

TGameData Game() {
    return {"4001", "Nome Cognome (ZT0123)", "Altro Giocatore (ZT0456)", "", "", ""};
}

TLastMove Played(const QStringList& moves) {
    TChessBoardModel board;
    for (const QString& move : moves)
        board.MovePGN(move);
    return LastHalfMove(board).value();
}

} // namespace

TEST(Correspondence, ShortNamesAndAddressesOfPlayerTexts) {
    struct Case {
        QString player, shortName, address;
    };
    const QString longText = QString(5000, QLatin1Char('x')) + " y (ZT0001";
    const Case cases[] = {
        {"Nome Cognome (ZT0123)", "Cognome", "ZT0123@zeltor.invalid"},
        {"Nome Cognome (zt0123)", "Cognome", "zt0123@zeltor.invalid"},
        {"Mario Rossi (mario@example.invalid)", "Mario Rossi (mario@example.invalid)",
         "mario@example.invalid"},
        {"Mario Rossi", "Mario Rossi", ""},
        {"Mario Rossi ()", "Mario Rossi ()", ""},
        {"Mario Rossi )ZT0123(", "Rossi", ""},
        {"Rossi (ZT0123)", "Rossi (ZT0123)", "ZT0123@zeltor.invalid"},
        {"ZT0123", "ZT0123", ""},
        {"", "", ""},
        {"A B ZxZT123", "A B ZxZT123", ""},
        {longText, "y", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlayerShortName(c.player), c.shortName) << c.player.left(40).toStdString();
        EXPECT_EQ(PlayerEmailAddress(c.player), c.address) << c.player.left(40).toStdString();
    }
}

TEST(Correspondence, SubjectsInBothFormats) {
    const TLastMove first = Played({"e4"});
    EXPECT_EQ(first.Line(), "1b e2-e4");
    EXPECT_EQ(BuildMoveSubject(Game(), first, false), "4001-  1b Cognome-Giocatore");
    EXPECT_EQ(BuildMoveSubject(Game(), first, true), "4001-01b[e2-e4]Cog-Gio");
    const TLastMove reply = Played({"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "b5", "Bb3",
                                    "Na5", "Nxe5", "Nxb3", "axb3", "d6"});
    EXPECT_EQ(reply.Line(), "7n d7-d6");
    EXPECT_EQ(BuildMoveSubject(Game(), reply, false), "4001-  7n Cognome-Giocatore");
    EXPECT_EQ(BuildMoveSubject(Game(), reply, true), "4001-07n[d7-d6]Cog-Gio");
}

TEST(Correspondence, NoMessageBeforeTheFirstMoveOfAPosition) {
    TChessBoardModel board;
    EXPECT_FALSE(LastHalfMove(board).has_value());
    board.MovePGN("e4");
    board.MoveBackward();
    EXPECT_FALSE(LastHalfMove(board).has_value());
}

TEST(Correspondence, MessagesLineForLine) {
    TGameData game = Game();
    const TMessageSettings settings{"ZELTOR.SCACCHI", "zeltor.test", "Ciao\r\nMario", false};
    const TLastMove move = Played({"e4", "e5"});
    const QStringList body{"- - - - - - - - - - - - - - - - - - - -",
                           "Bianchi: Nome Cognome (ZT0123)",
                           "Neri   : Altro Giocatore (ZT0456)",
                           "- - - - - - - - - - - - - - - - - - - -",
                           "",
                           "1n e7-e5",
                           "1n e7-e5",
                           "",
                           "Ciao",
                           "Mario",
                           ""};
    EXPECT_EQ(
        BuildVexlorMessage(game, move, settings),
        QStringList({"vexlor", "area ZELTOR.SCACCHI", "ogg 4001-  1n Cognome-Giocatore", ""}) +
            body + QStringList{" --- Quendel 2.09 --- "});
    EXPECT_EQ(BuildNntpMessage(game, move, settings),
              QStringList({"Newsgroups: zeltor.test", "Subject: 4001-  1n Cognome-Giocatore",
                           "From: ZT0456@zeltor.invalid", ""}) +
                  body + QStringList{" --- Quendel 2.09 --- "});

    const TEmail mail = BuildEmail(game, move, settings);
    EXPECT_EQ(mail.From, "ZT0456@zeltor.invalid");
    EXPECT_EQ(mail.To, "ZT0123@zeltor.invalid");
    EXPECT_EQ(mail.Cc, "tornei@zeltor.invalid, ZT0456@zeltor.invalid");
    EXPECT_EQ(mail.Body, body + QStringList{" --- Quendel 2.09 via email --- "});

    game.HeaderLine1 = "Torneo";
    game.GameRound = "Turno 3";
    game.BlackPlayer = "Senza Codice";
    const QStringList article = BuildNntpMessage(game, move, settings);
    EXPECT_EQ(article.mid(2, 6),
              QStringList({"", "- - - - - - - - - - - - - - - - - - - -", "Torneo", "Turno 3",
                           "Bianchi: Nome Cognome (ZT0123)", "Neri   : Senza Codice"}));
}

TEST(Correspondence, MessageFilesSplitAndJoin) {
    struct Case {
        QStringList lines;
        int messages;
        QStringList joined;
    };
    const QString sep = NntpSeparator;
    const Case cases[] = {
        {{}, 1, {}},
        {{sep, "a", sep, sep, "b", "c"}, 2, {sep, "a", sep, "b", "c"}},
        {{"a", sep}, 2, {sep, "a"}},
        {{sep, "", sep, "x"}, 2, {sep, "", sep, "x"}},
    };
    for (const Case& c : cases) {
        TMessageFile file(sep);
        file.Split(c.lines);
        EXPECT_EQ(file.Messages.size(), c.messages) << c.lines.join('|').toStdString();
        EXPECT_EQ(file.Join(), c.joined) << c.lines.join('|').toStdString();
    }
}

TEST(Correspondence, QueueKeepsTheArticlesNotPosted) {
    const QString sep = NntpSeparator;
    const QStringList queue{sep, "new", "", "body", sep, sep, "middle", sep, "old"};
    EXPECT_EQ(QueueAfterPosting(queue, 0),
              QStringList({sep, "new", "", "body", sep, "middle", sep, "old"}));
    EXPECT_EQ(QueueAfterPosting(queue, 2), QStringList({sep, "old"}));
    EXPECT_EQ(QueueAfterPosting(queue, 3), QStringList());
    EXPECT_EQ(QueueAfterPosting(queue, 9), QStringList());

    // Blank messages are never posted: they leave with the first article that went out.
    const QStringList blanks{"", " ", sep, "new", sep, "\t", "", sep, "old", sep, ""};
    TMessageFile file(sep);
    file.Split(blanks);
    EXPECT_EQ(file.WithText(), (QList<QStringList>{{"new"}, {"old"}}));
    EXPECT_EQ(QueueAfterPosting(blanks, 1), QStringList({sep, "old"}));
    EXPECT_EQ(QueueAfterPosting(blanks, 2), QStringList());
}
