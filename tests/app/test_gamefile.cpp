#include "app/GameFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

TGameFile ShortGame() {
    TGameFile game;
    game.MatchCode = "4001";
    game.WhitePlayer = "Mario Rossi (ZT0123)";
    game.BlackPlayer = QString::fromLatin1("Nicol\xf2 Bianchi (ZT0456)");
    game.GameRound = "Turno 1";
    game.HeaderLine1 = "Torneo";
    game.HeaderLine2 = "";
    game.GameInfo = "Note";
    game.StartDate = 40938;
    game.Moves = {"1. e2-e4   ", "1. e7-e5   ", "2. g1-f3   "};
    return game;
}

const QByteArray ShortGameBytes = "Quendel\r\n4001\r\nMario Rossi (ZT0123)\r\n"
                                  "Nicol\xf2 Bianchi (ZT0456)\r\nTurno 1\r\nTorneo\r\n\r\nNote\r\n"
                                  "40938\r\n-------------\r\n1. e2-e4   \r\n1. e7-e5   \r\n"
                                  "2. g1-f3   \r\n@8-@8\r\n";

} // namespace

class GameFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("game.qzd");
};

TEST_F(GameFileTest, WritesLatin1WithCrLfByteForByte) {
    QString error;
    ASSERT_TRUE(ShortGame().Save(path, error)) << error.toStdString();
    EXPECT_EQ(ReadAll(path), ShortGameBytes);

    TGameFile turned = ShortGame();
    turned.WhiteOnTop = true;
    turned.Moves.clear();
    ASSERT_TRUE(turned.Save(path, error));
    EXPECT_TRUE(ReadAll(path).endsWith("40938\r\n-------------/w_top\r\n@8-@8\r\n"));
}

TEST_F(GameFileTest, ReadsBackWhatItWrote) {
    QString error;
    ASSERT_TRUE(ShortGame().Save(path, error));
    TGameFile game;
    ASSERT_TRUE(game.Load(path, error)) << error.toStdString();
    const TGameFile expected = ShortGame();
    EXPECT_EQ(game.MatchCode, expected.MatchCode);
    EXPECT_EQ(game.WhitePlayer, expected.WhitePlayer);
    EXPECT_EQ(game.BlackPlayer, expected.BlackPlayer);
    EXPECT_EQ(game.GameRound, expected.GameRound);
    EXPECT_EQ(game.HeaderLine1, expected.HeaderLine1);
    EXPECT_EQ(game.HeaderLine2, expected.HeaderLine2);
    EXPECT_EQ(game.GameInfo, expected.GameInfo);
    EXPECT_EQ(game.StartDate, 40938);
    EXPECT_FALSE(game.WhiteOnTop);
    EXPECT_EQ(game.Moves, expected.Moves);
}

TEST_F(GameFileTest, NineLinesGiveWhiteAtTheBottomAndNoMoves) {
    WriteAll(path, "Quendel\n1\nW\nB\nR\nH1\nH2\nI\n40000\n");
    TGameFile game;
    QString error;
    ASSERT_TRUE(game.Load(path, error));
    EXPECT_FALSE(game.WhiteOnTop);
    EXPECT_TRUE(game.Moves.isEmpty());
    EXPECT_EQ(game.StartDate, 40000);
}

TEST_F(GameFileTest, LinesAfterTheEndMarkerAreNotMoves) {
    WriteAll(path, "Quendel\n\n\n\n\n\n\n\n0\n-------------/w_top\n1. e2-e4\n@8-@8\n1. e7-e5\n");
    TGameFile game;
    QString error;
    ASSERT_TRUE(game.Load(path, error));
    EXPECT_TRUE(game.WhiteOnTop);
    EXPECT_EQ(game.Moves, QStringList{"1. e2-e4"});
}

TEST_F(GameFileTest, RefusalsLeaveTheObjectUntouched) {
    const QList<QByteArray> bad{
        "Quendel\n1\n2\n3\n4\n5\n6\n7\n",                 // eight lines
        "Quendal\n1\n2\n3\n4\n5\n6\n7\n40000\n",          // another mark
        "Quendel\n1\n2\n3\n4\n5\n6\n7\nieri\n",           // line 9 not a number
        "Quendel\n1\n2\n3\n4\n5\n6\n7\n99999999999999\n", // line 9 out of range
        "",
    };
    for (const QByteArray& data : bad) {
        WriteAll(path, data);
        TGameFile game = ShortGame();
        QString error;
        EXPECT_FALSE(game.Load(path, error)) << data.toStdString();
        EXPECT_EQ(error, "Formato di file non valido");
        EXPECT_EQ(game.MatchCode, "4001");
        EXPECT_EQ(game.Moves.size(), 3);
    }
}

TEST_F(GameFileTest, AMissingOrHugeFileIsRefused) {
    TGameFile game;
    QString error;
    EXPECT_FALSE(game.Load(dir.filePath("missing.qzd"), error));
    EXPECT_TRUE(error.startsWith("Impossibile aprire il file")) << error.toStdString();

    WriteAll(path, "Quendel\n" + QByteArray(2 * 1024 * 1024, 'x'));
    EXPECT_FALSE(game.Load(path, error));
    EXPECT_EQ(error, "Formato di file non valido");
}

TEST_F(GameFileTest, AFailedWriteIsReportedAndKeepsTheOldFile) {
    QString error;
    EXPECT_FALSE(ShortGame().Save(dir.filePath("no/such/folder/game.qzd"), error));
    EXPECT_TRUE(error.startsWith("Impossibile scrivere il file")) << error.toStdString();

    // A folder standing where the file should be cannot be replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.qzd"));
    EXPECT_FALSE(ShortGame().Save(dir.filePath("taken.qzd"), error));
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.qzd")).isDir());
}
