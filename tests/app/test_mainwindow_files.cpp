// Game files, recent files, dropped files, the command line and pasted moves, through the real
// main window.
#include "MainWindowFixture.h"

#include "ChildProcess.h"

#include "app/GameFile.h"
#include "platform/DateTime.h"
#include "platform/IniFile.h"

#include "storage/MRUList.h"

#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>

namespace {

QByteArray Header(int days, const char* orientation = "-------------") {
    return "Quendel\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n" + QByteArray::number(days) + "\r\n" +
           orientation + "\r\n";
}

const QByteArray Nine =
    "Quendel\n4001\nAnna Neri (ZT0001)\nBruno Bassi (ZT0002)\nR\nH1\nH2\nI\n40000\n";

} // namespace

class MainWindowFilesTest : public MainWindowTest {
protected:
    QString path = dir.filePath("corta.qzd");
    const int today = platform::DateToDays(QDate::currentDate());

    void Paste(const QString& text) {
        QApplication::clipboard()->setText(text);
        FormMain->findChild<QAction*>("Incollamossadaformatotesto1")->trigger();
    }

    struct Snapshot {
        QStringList lines;
        QString title;
        QString fileName;
        bool modified;
        bool hasFile;
        QString position;
    };
    Snapshot Take() const {
        return {Lines(),
                FormMain->windowTitle(),
                FormMain->GameFileName,
                FormMain->Modified,
                FormMain->HasGameFile,
                Board()->Position()};
    }
    void ExpectSame(const Snapshot& a) const {
        const Snapshot b = Take();
        EXPECT_EQ(a.lines, b.lines);
        EXPECT_EQ(a.title, b.title);
        EXPECT_EQ(a.fileName, b.fileName);
        EXPECT_EQ(a.modified, b.modified);
        EXPECT_EQ(a.hasFile, b.hasFile);
        EXPECT_EQ(a.position, b.position);
    }
};

TEST_F(MainWindowFilesTest, ASavedGameIsWrittenByteForByteAndReadBack) {
    Play({{E2, E4}, {E7, E5}, {G1, F3}});
    fileAnswer = path;
    ClickItem(FormMain->SpeedItemSave);
    EXPECT_EQ(fileDialogs, std::vector<QString>{"SaveDialog1:"});
    EXPECT_EQ(FileBytes("corta.qzd"),
              Header(today) + "1. e2-e4   \r\n1. e7-e5   \r\n2. g1-f3   \r\n@8-@8\r\n");
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09 - " + path);
    EXPECT_TRUE(FormMain->HasGameFile);
    EXPECT_FALSE(FormMain->Modified);

    ASSERT_TRUE(FormMain->NewGame());
    beeps.clear();
    fileDialogs.clear();
    FormMain->findChild<QAction*>("Load1")->trigger();
    EXPECT_EQ(fileDialogs, std::vector<QString>{"OpenDialog1:"});
    EXPECT_EQ(Lines(), (QStringList{"1.  e2-e4    e7-e5", "2.  g1-f3    "}));
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09 - " + path);
    EXPECT_FALSE(FormMain->Modified);
    EXPECT_FALSE(FormMain->Replaying);
    EXPECT_TRUE(beeps.empty());
    EXPECT_EQ(FormMain->MRUManager1->Strings().Count(), 1);
    EXPECT_TRUE(FormMain->Recent1->menuAction()->isEnabled());

    // Saving again needs no dialog.
    Play({{B8, C6}});
    fileDialogs.clear();
    ClickItem(FormMain->SpeedItemSave);
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_TRUE(FileBytes("corta.qzd").endsWith("2. g1-f3   \r\n2. b8-c6   \r\n@8-@8\r\n"));
}

TEST_F(MainWindowFilesTest, SaveAsProposesTheMatchCode) {
    FormMain->MatchCode = "4001";
    fileAnswer = "";
    FormMain->findChild<QAction*>("SaveAs1")->trigger();
    EXPECT_EQ(fileDialogs, std::vector<QString>{"SaveDialog1:Part4001.qzd"});
    EXPECT_FALSE(FormMain->HasGameFile);
    EXPECT_EQ(FormMain->SaveDialog1->Filter, "File Quendel (*.qzd)|*.qzd|Tutti i file (*.*)|*.*");
}

TEST_F(MainWindowFilesTest, CastlingAndPromotionSurviveTheFile) {
    WriteFile("arrocco.qzd", Header(40000, "-------------/w_top") +
                                 "1. e2-e4\r\n1. e7-e5\r\n2. g1-f3\r\n2. b8-c6\r\n3. f1-c4\r\n"
                                 "3. g8-f6\r\n4. e1-g1\r\n@8-@8\r\n");
    FormMain->LoadGameFile(dir.filePath("arrocco.qzd"));
    EXPECT_TRUE(Board()->WhiteOnTop());
    EXPECT_EQ(Lines().last(), "4.  0-0      ");
    EXPECT_EQ(Board()->Position().at(F1 - 1), QChar('R'));
    EXPECT_EQ(FormMain->StartDate, 40000);
    FormMain->SaveGameFile();
    EXPECT_TRUE(FileBytes("arrocco.qzd").contains("-------------/w_top\r\n"));
    EXPECT_TRUE(FileBytes("arrocco.qzd").endsWith("4. e1-g1   \r\n@8-@8\r\n"));

    // Replayed: the text names the piece and nobody is asked.
    FormMain->Replaying = true;
    ASSERT_TRUE(Board()->SetFENPosition("8/4P2k/8/8/8/8/8/4K3 w - - 0 40"));
    EXPECT_TRUE(FormMain->ApplyMoveText("40. e7-e8=T"));
    FormMain->Replaying = false;
    EXPECT_EQ(Board()->Position().at(E8 - 1), QChar('R'));
    EXPECT_TRUE(modalShown.empty());
}

TEST_F(MainWindowFilesTest, ReplayedEndOfGameShowsItsBox) {
    WriteFile("matto.qzd", Header(40000) + "1. f2-f3\r\n1. e7-e5\r\n2. g2-g4\r\n2. d8-h4#\r\n"
                                           "3. e1-f2\r\n@8-@8\r\n");
    FormMain->GameOver = true;
    FormMain->LoadGameFile(dir.filePath("matto.qzd"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Scacco matto!\nIl Nero vince");
    EXPECT_EQ(Lines().size(), 2);
    EXPECT_TRUE(FormMain->GameOver);
    EXPECT_FALSE(FormMain->Replaying);

    // A later load starts a live game again.
    WriteFile("vuota.qzd", Nine);
    FormMain->LoadGameFile(dir.filePath("vuota.qzd"));
    EXPECT_FALSE(FormMain->GameOver);
    EXPECT_FALSE(Board()->WhiteOnTop());
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(FormMain->LabelGameInfo->text(), "4001\nNeri-Bassi");
}

TEST_F(MainWindowFilesTest, EveryRefusalLeavesTheCurrentGameUntouched) {
    WriteFile("buona.qzd", Header(40000) + "1. d2-d4\r\n@8-@8\r\n");
    FormMain->LoadGameFile(dir.filePath("buona.qzd"));
    Play({{D7, D5}});
    const Snapshot before = Take();

    const std::pair<const char*, QByteArray> bad[] = {
        {"otto.qzd", "Quendel\n1\n2\n3\n4\n5\n6\n7\n"},
        {"altro.qzd", "Scacchi\n1\n2\n3\n4\n5\n6\n7\n40000\n"},
        {"data.qzd", "Quendel\n1\n2\n3\n4\n5\n6\n7\nieri\n"},
    };
    for (const auto& [name, data] : bad) {
        WriteFile(name, data);
        FormMain->MRUManager1->Add(dir.filePath(name), 0);
        boxes.clear();
        FormMain->LoadGameFile(dir.filePath(name));
        ASSERT_EQ(boxes.size(), 1u) << name;
        EXPECT_EQ(boxes[0].text, "Formato di file non valido");
        EXPECT_EQ(boxes[0].caption, "Quendel");
        EXPECT_EQ(boxes[0].flags, platform::MB_ICONERROR);
        ExpectSame(before);
        EXPECT_EQ(FormMain->MRUManager1->Strings().IndexOf(dir.filePath(name)), -1);
    }
    boxes.clear();
    FormMain->LoadGameFile(dir.filePath("manca.qzd"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith("Impossibile aprire il file"));
    ExpectSame(before);
}

TEST_F(MainWindowFilesTest, AFailedSaveChangesNothingAndStopsTheNewGame) {
    Play({{E2, E4}});
    const QString missing = dir.filePath("non/esiste/partita.qzd");
    FormMain->GameFileName = missing;
    FormMain->HasGameFile = true;
    const Snapshot before = Take();

    Open(FormMain->File1);
    FormMain->findChild<QAction*>("Save1")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags, platform::MB_ICONERROR);
    ExpectSame(before);

    boxes.clear();
    answers = {platform::IDYES};
    EXPECT_EQ(FormMain->ConfirmSaveChanges(), 0);
    answers = {platform::IDYES};
    FormMain->findChild<QAction*>("New1")->trigger();
    ExpectSame(before);

    // Save as to a place that cannot be written keeps the old name.
    fileAnswer = dir.filePath("altrove/x.qzd");
    FormMain->findChild<QAction*>("SaveAs1")->trigger();
    EXPECT_EQ(FormMain->GameFileName, missing);
}

// Full disk: the child saves with a file-size limit below the new file's size.
TEST_F(MainWindowFilesTest, ASaveOnAFullDiskKeepsTheOldGameFileAndSaysSoOnce) {
    const QByteArray old = Header(40000) + "1. e2-e4   \r\n@8-@8\r\n";
    WriteFile("corta.qzd", old);
    FormMain->LoadGameFile(path);
    Play({{E7, E5}, {G1, F3}, {B8, C6}, {F1, B5}, {A7, A6}});
    const int verdict = RunWithFileSizeLimit(old.size(), [&] {
        boxes.clear();
        FormMain->findChild<QAction*>("Save1")->trigger();
        const bool refused = boxes.size() == 1 && boxes[0].flags == platform::MB_ICONERROR &&
                             boxes[0].text.startsWith("Impossibile scrivere il file " + path) &&
                             FormMain->Modified;
        return refused ? 0 : 1;
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(FileBytes("corta.qzd"), old);
}

TEST_F(MainWindowFilesTest, SettingsSavedOnAFullDiskKeepTheOldFileAndSaySoOnce) {
    const QByteArray old =
        "[FinestraPrincipale]\r\nFormVersion=0\r\nNote=" + QByteArray(300, 'x') + "\r\n";
    WriteFile("Quendel.ini", old);
    const int verdict = RunWithFileSizeLimit(100, [&] {
        boxes.clear();
        FormMain->close();
        const bool refused = boxes.size() == 1 && boxes[0].flags == platform::MB_ICONERROR &&
                             boxes[0].text.startsWith("Impossibile scrivere il file ./Quendel.ini");
        return refused ? 0 : 1;
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(FileBytes("Quendel.ini"), old);
}

TEST_F(MainWindowFilesTest, NoSavingWhilePositionIsEdited) {
    FormMain->EditingPosition = true;
    fileAnswer = path;
    FormMain->findChild<QAction*>("Save1")->trigger();
    FormMain->findChild<QAction*>("SaveAs1")->trigger();
    ClickItem(FormMain->SpeedItemSave);
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_FALSE(QFile::exists(path));
}

// "Yes" to the save question cannot save a game begun from an edited position: every caller of
// the question says why and leaves the game as it was.
TEST_F(MainWindowFilesTest, YesForAGameFromAnEditedPositionSaysWhyAndStops) {
    WriteFile("altra.qzd", Header(40000) + "1. d2-d4\r\n@8-@8\r\n");
    FormMain->findChild<QAction*>("Editboard1")->trigger();
    FormMain->findChild<QAction*>("Done1")->trigger();
    Play({{E2, E4}});
    ASSERT_TRUE(FormMain->Modified);
    const Snapshot before = Take();

    const std::pair<const char*, std::function<void()>> callers[] = {
        {"new game", [] { FormMain->findChild<QAction*>("New1")->trigger(); }},
        {"load", [] { FormMain->findChild<QAction*>("Load1")->trigger(); }},
        {"recent file", [&] { FormMain->MRUManager1Click(dir.filePath("altra.qzd")); }},
        {"dropped file", [&] { FormMain->DropFiles({dir.filePath("altra.qzd")}); }},
        {"tournament import", [] { FormMain->findChild<QAction*>("Importafilesca1")->trigger(); }},
        {"closing", [] { FormMain->close(); }},
    };
    for (const auto& [caller, run] : callers) {
        boxes.clear();
        fileDialogs.clear();
        fileAnswer = dir.filePath("altra.qzd");
        answers = {platform::IDYES};
        run();
        ASSERT_EQ(boxes.size(), 2u) << caller;
        EXPECT_EQ(boxes[0].caption, "Abbandona modifiche") << caller;
        EXPECT_EQ(boxes[1].text,
                  "Una partita che parte da una posizione modificata non si salva come file .qzd.")
            << caller;
        EXPECT_EQ(boxes[1].caption, "Quendel") << caller;
        EXPECT_EQ(boxes[1].flags, platform::MB_OK | platform::MB_ICONWARNING) << caller;
        for (const QString& shown : fileDialogs)
            EXPECT_FALSE(shown.startsWith("SaveDialog1")) << caller;
        ExpectSame(before);
        EXPECT_TRUE(FormMain->isVisible()) << caller;
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("Part.qzd")));
}

TEST_F(MainWindowFilesTest, ACommandLineGameLoadsAfterStartUp) {
    WriteFile("cmd.qzd", Header(40000) + "1. e2-e4\r\n@8-@8\r\n");
    auto old = SetSplashWaitHook([](int) {});
    FormMain->hide();
    ShowMainWindowWithSplash();
    LoadCommandLineGame({"quendel", dir.filePath("cmd.qzd")});
    SetSplashWaitHook(old);
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09 - " + dir.filePath("cmd.qzd"));
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});

    // The recent-files entry reaches the settings file when the window closes.
    FormMain->close();
    TIniFile ini(dir.filePath("Quendel.ini"));
    EXPECT_EQ(ini.ReadString("FinestraPrincipale\\TFormMain.MRUManager1", "Item_0", ""),
              dir.filePath("cmd.qzd"));
}

TEST_F(MainWindowFilesTest, RecentAndDroppedFilesAskFirstWhenModified) {
    WriteFile("a.qzd", Header(40000) + "1. e2-e4\r\n@8-@8\r\n");
    WriteFile("b.qzd", Header(40000) + "1. d2-d4\r\n@8-@8\r\n");
    FormMain->LoadGameFile(dir.filePath("a.qzd"));
    FormMain->LoadGameFile(dir.filePath("b.qzd"));
    const QList<QAction*> recent = FormMain->Recent1->actions();
    ASSERT_EQ(recent.size(), 2);
    recent[1]->trigger();
    EXPECT_EQ(FormMain->GameFileName, dir.filePath("a.qzd"));

    Play({{E7, E5}});
    ASSERT_TRUE(FormMain->Modified);
    answers = {platform::IDCANCEL};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.filePath("b.qzd"))});
    auto dropFile = [&] {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(FormMain, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(FormMain, &drop);
    };
    dropFile();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(FormMain->GameFileName, dir.filePath("a.qzd"));
    answers = {platform::IDNO};
    dropFile();
    EXPECT_EQ(FormMain->GameFileName, dir.filePath("b.qzd"));
    EXPECT_EQ(Lines(), QStringList{"1.  d2-d4    "});
}

TEST_F(MainWindowFilesTest, ADroppedFileIsIgnoredDuringANetworkGame) {
    WriteFile("a.qzd", Header(40000) + "1. e2-e4\r\n@8-@8\r\n");
    ASSERT_TRUE(FormMain->StartNetworkGame("A", "B", true));
    FormMain->DropFiles({dir.filePath("a.qzd")});
    EXPECT_TRUE(FormMain->NetworkGame);
    EXPECT_TRUE(Lines().isEmpty());
}

TEST_F(MainWindowFilesTest, PastedMovesAndTheirRefusals) {
    Paste("1b e2-e4");
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});
    EXPECT_TRUE(boxes.empty());

    const std::pair<const char*, const char*> refused[] = {
        {"", "Mossa: \nGli appunti non contengono testo"},
        {"abc", "Mossa: abc\nFormato mossa non valido"},
        {"12", "Mossa: 12\nFormato mossa non valido"},
        {"1b e7-e5", "Mossa: 1b e7-e5\nTurno di gioco non valido"},
        {"2n e7-e5", "Mossa: 2n e7-e5\nTurno di gioco non valido"},
        {"1n e7-e4", "Mossa: 1n e7-e4\nMossa non valida"},
    };
    for (const auto& [text, message] : refused) {
        boxes.clear();
        Paste(text);
        ASSERT_EQ(boxes.size(), 1u) << text;
        EXPECT_EQ(boxes[0].text, message);
        EXPECT_EQ(boxes[0].caption, "Quendel");
        EXPECT_EQ(boxes[0].flags, 0);
    }
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});

    // Ctrl+V pastes also while the move list has the focus.
    boxes.clear();
    QApplication::clipboard()->setText("1n e7-e5");
    FormMain->activateWindow();
    FormMain->MemoListaMosse->setFocus();
    QTest::keyClick(FormMain->MemoListaMosse, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    e7-e5"});
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindowFilesTest, PastedResignationShowsOnlyItsOwnBox) {
    Play({{E2, E4}});
    Paste("1n resign");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Il nero abbandona");
    EXPECT_EQ(results, std::vector<int>{1});
    EXPECT_TRUE(FormMain->GameOver);
    EXPECT_EQ(Lines(), (QStringList{"1.  e2-e4    ", "", "resign"}));

    // Markers are not written to the file and go before a take-back.
    fileAnswer = path;
    FormMain->findChild<QAction*>("SaveAs1")->trigger();
    EXPECT_TRUE(FileBytes("corta.qzd").endsWith("-------------\r\n1. e2-e4   \r\n@8-@8\r\n"));
    FormMain->findChild<QAction*>("Undo1")->trigger();
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_FALSE(FormMain->GameOver);
}

TEST_F(MainWindowFilesTest, DrawAndResignationEndTheNetworkGameBeforeTheBox) {
    ASSERT_TRUE(FormMain->StartNetworkGame("A", "B", true));
    platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
        EXPECT_EQ(netEvents.back(), "EndGame");
        EXPECT_TRUE(FormMain->GameOver);
        boxes.push_back({text, {}, 0});
        return int(platform::IDOK);
    });
    EXPECT_FALSE(FormMain->ApplyMoveText("draw"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Patta per comune accordo");
    EXPECT_EQ(results, std::vector<int>{3});
    EXPECT_FALSE(FormMain->NetworkGame);
    EXPECT_EQ(Lines(), (QStringList{"", "draw"}));

    EXPECT_FALSE(FormMain->ApplyMoveText("resign"));
    EXPECT_EQ(boxes.back().text, "Il bianco abbandona");
    EXPECT_EQ(results.back(), 2);
}

TEST_F(MainWindowFilesTest, APastedMoveMustBeTheLocalSidesInANetworkGame) {
    ASSERT_TRUE(FormMain->StartNetworkGame("A", "B", false));
    Paste("1b e2-e4");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Mossa: 1b e2-e4\nTurno di gioco non valido");
    EXPECT_TRUE(Lines().isEmpty());
}
