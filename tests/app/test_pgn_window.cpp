// The PGN browser and the main window's PGN and tournament-file commands.
#include "MainWindowFixture.h"

#include "app/FormPGN.h"
#include "platform/DateTime.h"
#include "tests/WaitFor.h"

#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace {

QString Game(int number, const QString& moves = QStringLiteral("1. e4 e5")) {
    return QStringLiteral("[Event \"E%1\"]\n[White \"W%1\"]\n\n%2\n\n").arg(number).arg(moves);
}

int Days(int y, int m, int d) {
    return platform::DateToDays(QDate(y, m, d));
}

} // namespace

class PgnWindowTest : public MainWindowTest {
protected:
    TFormPGN* Form() const { return FormPGN; }

    // The clipboard's text is read in slices like a file; this waits until it is read.
    void Paste(const QString& text) {
        QApplication::clipboard()->setText(text);
        Form()->IncollaClick();
        EXPECT_TRUE(WaitFor([this] { return !Form()->Reading(); }, 20000));
    }

    QString Enabled() const {
        QString s;
        for (const QPushButton* b :
             {Form()->BtnFirst, Form()->BtnPrev, Form()->BtnNext, Form()->BtnLast})
            s += b->isEnabled() ? '1' : '0';
        return s;
    }

    void Choose(const QString& name) {
        Form()->ChoosePgnFile(name);
        EXPECT_TRUE(WaitFor([this] { return !Form()->Reading(); }, 20000)) << name.toStdString();
    }

    // The import answered by the browser: the source chosen, then OK.
    void Import(const std::function<void()>& choose) {
        modalAnswer = [&](QDialog& dialog) {
            choose();
            Form()->BtnOkClick();
            return dialog.result();
        };
        FormMain->findChild<QAction*>("ImportafilePGN1")->trigger();
    }

    void Export(const QString& name) {
        fileAnswer = name;
        FormMain->findChild<QAction*>("EsportafilePGN1")->trigger();
    }
};

TEST_F(PgnWindowTest, TheBrowserWalksThroughTheGamesOfPastedText) {
    EXPECT_EQ(Form()->windowTitle(), "PGN");
    EXPECT_EQ(Form()->minimumSize(), QSize(590, 410));
    EXPECT_EQ(Form()->LabelCounter->text(), "Partita 0/0");
    EXPECT_EQ(Enabled(), "0000");

    Paste("junk\r\n" + Game(1) + Game(2, "1. d4 d5\n2. c4") + Game(3));
    EXPECT_EQ(Form()->LabelCounter->text(), "Partita 1/3");
    EXPECT_EQ(Enabled(), "0011");
    EXPECT_EQ(Form()->MemoTags->toPlainText(), "[Event \"E1\"]\n[White \"W1\"]");
    EXPECT_EQ(Form()->MemoMoves->toPlainText(), "1. e4 e5");

    struct Step {
        QPushButton* button;
        const char* counter;
        const char* enabled;
    } steps[] = {{Form()->BtnLast, "Partita 3/3", "1100"},
                 {Form()->BtnPrev, "Partita 2/3", "1111"},
                 {Form()->BtnFirst, "Partita 1/3", "0011"},
                 {Form()->BtnNext, "Partita 2/3", "1111"}};
    for (const Step& step : steps) {
        step.button->click();
        EXPECT_EQ(Form()->LabelCounter->text(), step.counter);
        EXPECT_EQ(Enabled(), step.enabled) << step.counter;
    }
    EXPECT_EQ(Form()->MemoMoves->toPlainText(), "1. d4 d5\n2. c4");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PgnWindowTest, MoreGamesThanTheCapAreCutWithABox) {
    QString text;
    for (int i = 1; i <= 5000; ++i)
        text += Game(i);
    Paste(text);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Il numero massimo di partite per singolo file\ngestito dal "
                             "programma e' di 4096\nLe partite in eccesso non saranno caricate");
    EXPECT_EQ(boxes[0].caption, "PGN");
    EXPECT_EQ(boxes[0].flags, platform::MB_ICONWARNING);
    Form()->BtnLast->click();
    EXPECT_EQ(Form()->LabelCounter->text(), "Partita 4096/4096");
    EXPECT_EQ(Form()->MemoTags->toPlainText(), "[Event \"E4096\"]\n[White \"W4096\"]");
}

TEST_F(PgnWindowTest, FilesAreReadAndAnotherChoiceDropsTheFirst) {
    QByteArray many;
    for (int i = 1; i <= 3000; ++i)
        many += Game(i, "1. e4 {" + QString(400, 'x') + "} e5").toLatin1();
    WriteFile("molte.pgn", many);
    WriteFile("due.pgn", (Game(1) + Game(2)).toLatin1());

    Form()->ChoosePgnFile(dir.filePath("molte.pgn"));
    EXPECT_TRUE(Form()->Reading());
    Choose(dir.filePath("due.pgn"));
    EXPECT_EQ(Form()->LabelCounter->text(), "Partita 1/2");
    EXPECT_EQ(Form()->Games.size(), 2);

    Choose(dir.filePath("molte.pgn"));
    EXPECT_EQ(Form()->LabelCounter->text(), "Partita 1/3000");

    Choose(dir.filePath("manca.pgn"));
    EXPECT_EQ(Form()->LabelCounter->text(), "Partita 0/0");
    EXPECT_TRUE(Form()->MemoMoves->toPlainText().isEmpty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PgnWindowTest, ClosingTheWindowDropsAReadingUnderWay) {
    QByteArray many;
    for (int i = 1; i <= 3000; ++i)
        many += Game(i, "1. e4 {" + QString(400, 'x') + "} e5").toLatin1();
    WriteFile("molte.pgn", many);
    Form()->ChoosePgnFile(dir.filePath("molte.pgn"));
    ASSERT_TRUE(Form()->Reading());
    Form()->BtnAnnullaClick();
    EXPECT_FALSE(Form()->Reading());
}

// The game boxes show a game whatever its lines: each line and the whole text bounded, so the
// window lays them out at once; a game beyond its bound says it was cut.
TEST_F(PgnWindowTest, LongLinesAreShownCutAndTheWindowAnswers) {
    const QByteArray tags = "[Event \"lunga\"]\n[Site \"Roma\"]\n\n";
    struct Case {
        const char* name;
        QByteArray text;
        bool cut;
    } cases[] = {
        {"commento.pgn", tags + "1. e4 {" + QByteArray(10 << 20, 'x') + "} e5\n", true},
        {"varianti.pgn",
         tags + "1. e4 " + QByteArray(1 << 20, '(') + QByteArray(1 << 20, ')') + " e5\n", true},
        {"etichetta.pgn", "[Event \"" + QByteArray(10 << 20, 'x') + "\"]\n\n1. e4\n", true},
        {"puntoevirgola.pgn", tags + "1. e4 ;" + QByteArray(10 << 20, ';') + "\n", true},
        {"righe.pgn", tags + QByteArray("1. e4 e5\n").repeated(100'000), false},
    };
    Form()->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(c.name, c.text);
        Choose(dir.filePath(c.name));
        EXPECT_EQ(Form()->LabelCounter->text(),
                  c.cut ? QString("Partita 1/1 (troncata)") : QString("Partita 1/1"));
        for (const QPlainTextEdit* memo : {Form()->MemoTags, Form()->MemoMoves}) {
            const QString shown = memo->toPlainText();
            EXPECT_LE(shown.size(), CodPGN::MaxShownText);
            for (const QString& line : shown.split('\n'))
                EXPECT_LE(line.size(), CodPGN::MaxShownLine + 6);
            memo->viewport()->grab();
        }
        EXPECT_TRUE(Form()->MemoTags->toPlainText().startsWith("[Event \""));
        // The tag line takes the whole game's bound: no move line is kept.
        EXPECT_EQ(Form()->MemoMoves->toPlainText().left(5),
                  c.name[0] == 'e' ? QString() : QString("1. e4"));
    }
    EXPECT_TRUE(
        Form()->MemoMoves->toPlainText().endsWith("\n[... il resto del testo non e' mostrato]"));
    Form()->hide();
    EXPECT_TRUE(boxes.empty());
}

// "Ok" reads the game from its own lines, not from the boxes that show it cut.
TEST_F(PgnWindowTest, ALongLineIsImportedWholeThoughShownCut) {
    const QString moves = "1. e4 {" + QString("un commento ").repeated(50'000) + "} e5 2. Nf3 (" +
                          QString("2. d4 ").repeated(20'000) + ") Nc6";
    Import([&] {
        Paste("[Event \"Lunga\"]\n[White \"Anna\"]\n\n" + moves + "\n");
        EXPECT_EQ(Form()->LabelCounter->text(), "Partita 1/1");
        EXPECT_TRUE(Form()->MemoMoves->toPlainText().endsWith(" [...]"));
    });
    EXPECT_EQ(FormMain->MatchCode, "Lunga");
    EXPECT_EQ(FormMain->WhitePlayer, "Anna");
    EXPECT_EQ(Board()->Squares()[E4], 'P');
    EXPECT_EQ(Board()->Squares()[E5], 'p');
    EXPECT_EQ(Board()->Squares()[F3], 'N');
    EXPECT_EQ(Board()->Squares()[C6], 'n');
}

TEST_F(PgnWindowTest, EnteringAMemoMovesTheFocusToThePanelAbove) {
    Form()->show();
    Form()->activateWindow();
    QApplication::setActiveWindow(Form());
    Form()->MemoMoves->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), Form()->PanelNavigazione);
    Form()->hide();
}

TEST_F(PgnWindowTest, ImportPlaysTheGameWithTagsPromotionsAndSkipsRefusedMoves) {
    Play({{E2, E4}});
    FormMain->Modified = false;
    const QString moves = "1. e4 a5 2. e5 a4 ; a line comment\n3. e6 a3 4. exf7+ Zz9 Kxf7\r\n"
                          "5. d4 (5. h3 h6 (5... Nf6)) axb2 $2 6. Nf3 {fine} bxa1=N 7. Bd3 *";
    Import([&] {
        Paste("[Event \"Torneo\"]\n[Site \"Roma\"]\n[Date \"2001.??.??\"]\n[Round \"4\"]\n"
              "[White \"Anna Neri\"]\n[Black \"Bruno Bassi\"]\n[Result \"*\"]\n\n" +
              moves + "\n");
    });
    EXPECT_EQ(modalShown, std::vector<QString>{"FormPGN"});
    EXPECT_EQ(FormMain->MatchCode, "Torneo");
    EXPECT_EQ(FormMain->HeaderLine1, "Roma");
    EXPECT_EQ(FormMain->HeaderLine2, "");
    EXPECT_EQ(FormMain->StartDate, Days(2001, 1, 1));
    EXPECT_EQ(FormMain->GameRound, "4");
    EXPECT_EQ(FormMain->WhitePlayer, "Anna Neri");
    EXPECT_EQ(FormMain->BlackPlayer, "Bruno Bassi");
    EXPECT_FALSE(FormMain->Replaying);
    EXPECT_TRUE(FormMain->GameFileName.isEmpty());
    EXPECT_FALSE(FormMain->HasGameFile);
    // Black's last pawn became a knight by its letter, with no question asked.
    EXPECT_EQ(Board()->Squares()[A1], 'n');
    EXPECT_EQ(Board()->Squares()[F7], 'k');
    EXPECT_EQ(Board()->Squares()[D3], 'B');
    EXPECT_FALSE(Board()->WhiteToMove());
    EXPECT_EQ(Board()->CurrentMove(), 7);
}

TEST_F(PgnWindowTest, OkWithoutAGameAndCancelLeaveTheGameAlone) {
    Play({{E2, E4}, {E7, E5}});
    const QString position = Board()->Position();
    Import([] {});
    EXPECT_EQ(Board()->Position(), position);
    modalAnswer = [&](QDialog& dialog) {
        Paste(Game(1, "1. d4 d5"));
        Form()->BtnAnnullaClick();
        return dialog.result();
    };
    FormMain->findChild<QAction*>("ImportafilePGN1")->trigger();
    EXPECT_EQ(Board()->Position(), position);
    EXPECT_TRUE(Form()->Moves.isEmpty());
    EXPECT_TRUE(Form()->Event.isEmpty());
}

// The browser keeps where the games of a file are and reads the one shown from there: a file
// changed since then gives a clear error and nothing to import, a game already shown stays, and
// the window brought back browses on.
TEST_F(PgnWindowTest, AFileChangedAfterReadingIsReportedNotMisread) {
    Play({{E2, E4}, {E7, E5}});
    const QString position = Board()->Position();
    const auto choose = [&] {
        WriteFile("due.pgn", (Game(1, "1. d4 d5") + Game(2, "1. c4 c5")).toLatin1());
        Choose(dir.filePath("due.pgn"));
        EXPECT_EQ(Form()->MemoTags->toPlainText(), "[Event \"E1\"]\n[White \"W1\"]");
        Form()->BtnNext->click();
        EXPECT_EQ(Form()->MemoMoves->toPlainText(), "1. c4 c5");
        Form()->BtnFirst->click();
        WriteFile("due.pgn", (Game(3, "1. f4 f5 2. Nf3") + Game(2, "1. c4 c5")).toLatin1());
    };
    modalAnswer = [&](QDialog& dialog) {
        choose();
        EXPECT_TRUE(boxes.empty());
        // The shown game was read before the change: OK imports it.
        Form()->BtnOkClick();
        return dialog.result();
    };
    FormMain->findChild<QAction*>("ImportafilePGN1")->trigger();
    EXPECT_EQ(Form()->Event, "E1");
    EXPECT_EQ(Form()->Moves, (QStringList{"d4", "d5"}));

    modalAnswer = [&](QDialog& dialog) {
        choose();
        Form()->BtnNext->click();
        EXPECT_EQ(Form()->LabelCounter->text(), "Partita 2/2");
        EXPECT_TRUE(Form()->MemoTags->toPlainText().isEmpty());
        EXPECT_TRUE(Form()->MemoMoves->toPlainText().isEmpty());
        Form()->BtnOkClick();
        return dialog.result();
    };
    Play({{G1, F3}});
    const QString before = Board()->Position();
    boxes.clear();
    FormMain->findChild<QAction*>("ImportafilePGN1")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "La partita 2 non si puo' piu' leggere: il file e' cambiato o non "
                             "e' leggibile.\nScegliere di nuovo il file.");
    EXPECT_EQ(boxes[0].flags, platform::MB_ICONERROR);
    EXPECT_EQ(Board()->Position(), before);
    EXPECT_TRUE(Form()->Moves.isEmpty());

    // Chosen again, the file is read afresh; a pasted text stays with the window when it closes.
    modalAnswer = [&](QDialog& dialog) {
        Choose(dir.filePath("due.pgn"));
        EXPECT_EQ(Form()->MemoMoves->toPlainText(), "1. f4 f5 2. Nf3");
        Paste(Game(4, "1. b3 b6") + Game(5, "1. g3 g6"));
        Form()->BtnAnnullaClick();
        return dialog.result();
    };
    FormMain->findChild<QAction*>("ImportafilePGN1")->trigger();
    Import([&] { Form()->BtnNext->click(); });
    EXPECT_EQ(Form()->Event, "E5");
    EXPECT_EQ(Form()->Moves, (QStringList{"g3", "g6"}));
    EXPECT_NE(Board()->Position(), position);
}

namespace {

const QByteArray Tags = "[Event \"T9\"]\n[Site \"Uno - Due\"]\n[Date \"2024.03.05\"]\n"
                        "[Round \"2\"]\n[White \"Anna\"]\n[Black \"Bruno\"]\n";

} // namespace

TEST_F(PgnWindowTest, ExportAppendsOrReplacesAsAnswered) {
    FormMain->MatchCode = "T9";
    FormMain->HeaderLine1 = "Uno";
    FormMain->HeaderLine2 = "Due";
    FormMain->StartDate = Days(2024, 3, 5);
    FormMain->GameRound = "2";
    FormMain->WhitePlayer = "Anna";
    FormMain->BlackPlayer = "Bruno";
    Play({{F2, F3}, {E7, E5}, {G2, G4}, {D8, H4}});
    boxes.clear();
    const QByteArray mated = Tags + "[Result \"0-1\"]\n\n1. f2-f3 e7-e5 2. g2-g4 Qd8-h4# 0-1 \n";
    const QString name = dir.filePath("uscita.pgn");
    Export(name);
    EXPECT_EQ(fileDialogs.back(), "SaveDialogPGN:");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(FileBytes("uscita.pgn"), mated);

    struct Case {
        int answer;
        QByteArray after;
    } cases[] = {{platform::IDYES, mated + "\n\n" + mated},
                 {platform::IDCANCEL, mated + "\n\n" + mated},
                 {platform::IDNO, mated}};
    for (const Case& c : cases) {
        boxes.clear();
        answers = {c.answer};
        Export(name);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Il file " + name + " esiste gia'. Accodare?");
        EXPECT_EQ(boxes[0].caption, "Esporta PGN");
        EXPECT_EQ(boxes[0].flags, platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
        EXPECT_EQ(FileBytes("uscita.pgn"), c.after) << c.answer;
    }

    // An empty file is written from the start, without a question.
    WriteFile("vuoto.pgn", "");
    boxes.clear();
    Export(dir.filePath("vuoto.pgn"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(FileBytes("vuoto.pgn"), mated);
}

TEST_F(PgnWindowTest, ExportProposesTheGameFilesNameAndReportsAFailedWrite) {
    Play({{E2, E4}});
    FormMain->GameFileName = dir.filePath("partita.qzd");
    FormMain->HasGameFile = true;
    Export("");
    EXPECT_EQ(fileDialogs.back(), "SaveDialogPGN:" + dir.filePath("partita.pgn"));

    QDir(dir.path()).mkdir("cartella.pgn");
    boxes.clear();
    Export(dir.filePath("cartella.pgn"));
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(boxes.back().text.contains("cartella.pgn"));
    EXPECT_EQ(boxes.back().flags, platform::MB_ICONERROR);
}

TEST_F(PgnWindowTest, AnExternalProgramThatNeverEndsIsKilledAfterTwoSeconds) {
    WriteFile("extract.exe", "#!/bin/sh\necho other > \"${2#-o}\"\nexec sleep 60\n");
    QFile::setPermissions(dir.filePath("extract.exe"),
                          QFile::permissions(dir.filePath("extract.exe")) | QFileDevice::ExeOwner);
    Play({{E2, E4}, {E7, E5}, {G1, F3}});
    Export(dir.filePath("lento.pgn"));
    EXPECT_TRUE(FileBytes("lento.pgn").endsWith("\n\n1. e2-e4 e7-e5 2. Ng1-f3  *\n"));
}

TEST_F(PgnWindowTest, AnExternalProgramThatFailsLeavesTheGameAsBuilt) {
    WriteFile("extract.exe", "#!/bin/sh\necho '[Event \"mezza\"]' > \"${2#-o}\"\nexit 1\n");
    QFile::setPermissions(dir.filePath("extract.exe"),
                          QFile::permissions(dir.filePath("extract.exe")) | QFileDevice::ExeOwner);
    Play({{E2, E4}, {E7, E5}, {G1, F3}});
    Export(dir.filePath("fallito.pgn"));
    const QByteArray written = FileBytes("fallito.pgn");
    EXPECT_FALSE(written.contains("mezza"));
    EXPECT_TRUE(written.endsWith("\n\n1. e2-e4 e7-e5 2. Ng1-f3  *\n")) << written.toStdString();
}

// ---- tournament files

class ScaWindowTest : public PgnWindowTest {
protected:
    void ImportSca(const QString& name) {
        fileAnswer = dir.filePath(name);
        FormMain->findChild<QAction*>("Importafilesca1")->trigger();
    }
};

TEST_F(ScaWindowTest, ATournamentGameIsImportedWithoutAFileName) {
    WriteFile("T123A001.sca", "TORNEO\r\nGirone A\r\nSemifinale\r\n3\r\nAnna Neri\r\n"
                              "Bruno Bassi\r\n150699\r\n\r\n\r\n"
                              "e2-e4   12.06\r\ne7-e5   13.06\r\ng1-f3   \r\nb8-c6   \r\n"
                              "f1-c4   \r\ng8-f6   \r\nO-O     \r\nf8-c5   \r\n"
                              "commento qualunque\r\ne4xf6   \r\n");
    FormMain->GameFileName = dir.filePath("mia.qzd");
    FormMain->HasGameFile = true;
    Play({{D2, D4}});
    Open(FormMain->File1);
    ASSERT_TRUE(FormMain->Save1->isEnabled());
    answers = {platform::IDCANCEL};
    ImportSca("T123A001.sca");
    EXPECT_EQ(fileDialogs.back(), "OpenDialog2:");
    ASSERT_EQ(boxes.size(), 1u); // the question about the unsaved game
    EXPECT_EQ(Board()->Squares()[D4], 'P');
    EXPECT_EQ(FormMain->GameFileName, dir.filePath("mia.qzd"));

    answers = {platform::IDNO};
    ImportSca("T123A001.sca");
    EXPECT_EQ(FormMain->MatchCode, "A001");
    EXPECT_EQ(FormMain->HeaderLine1, "Girone A");
    EXPECT_EQ(FormMain->HeaderLine2, "Semifinale");
    EXPECT_EQ(FormMain->GameRound, "3");
    EXPECT_EQ(FormMain->WhitePlayer, "Anna Neri");
    EXPECT_EQ(FormMain->BlackPlayer, "Bruno Bassi");
    EXPECT_EQ(FormMain->StartDate, Days(1999, 6, 15));
    EXPECT_EQ(Board()->Squares()[G1], 'K');
    EXPECT_EQ(Board()->Squares()[C5], 'b');
    EXPECT_EQ(Board()->Squares()[E4], 'P'); // e4xf6 is no move from here
    EXPECT_EQ(Lines().size(), 4);           // eight half-moves, two to a line
    EXPECT_FALSE(FormMain->HasGameFile);
    EXPECT_TRUE(FormMain->GameFileName.isEmpty());
    EXPECT_FALSE(FormMain->Modified);
    EXPECT_FALSE(FormMain->Replaying);
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09");
    // The commands follow at once, before the File menu is opened; the title stays on a new show.
    EXPECT_FALSE(FormMain->Save1->isEnabled());
    FormMain->hide();
    FormMain->show();
    QApplication::processEvents();
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09");
    Open(FormMain->File1);
    EXPECT_FALSE(FormMain->Save1->isEnabled());
    EXPECT_TRUE(FormMain->Recent1->actions().isEmpty());
}

TEST_F(ScaWindowTest, RefusedFilesLeaveTheGameAsItWas) {
    WriteFile("corto.sca", "1\n2\n3\n4\n5\n6\n");
    WriteFile("data.sca", "1\n2\n3\n4\n5\n6\n310699\n\n\ne2-e4   \n");
    Play({{D2, D4}});
    FormMain->GameFileName = dir.filePath("mia.qzd");
    FormMain->HasGameFile = true;
    FormMain->Modified = false;
    const QString title = FormMain->windowTitle();
    const QString position = Board()->Position();
    for (const char* name : {"corto.sca", "data.sca", "manca.sca"}) {
        boxes.clear();
        ImportSca(name);
        ASSERT_EQ(boxes.size(), 1u) << name;
        EXPECT_EQ(boxes[0].flags, platform::MB_ICONERROR) << name;
        EXPECT_EQ(boxes[0].caption, "Quendel") << name;
        if (QByteArray(name) != "manca.sca") {
            EXPECT_EQ(boxes[0].text, "Formato di file \".sca\" non riconosciuto");
        }
        EXPECT_EQ(Board()->Position(), position) << name;
        EXPECT_EQ(FormMain->GameFileName, dir.filePath("mia.qzd")) << name;
        EXPECT_EQ(FormMain->windowTitle(), title) << name;
        EXPECT_FALSE(FormMain->Modified) << name;
    }
}
