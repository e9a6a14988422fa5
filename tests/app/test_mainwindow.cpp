// The main window driven through its menus, the board's mouse input and the hooks: start-up,
// menus, a whole game with its end, promotion, take-back and replay.
#include "MainWindowFixture.h"

#include "app/about.h"

#include <QClipboard>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QWindow>

namespace {

QAction* Item(const char* name) {
    auto* item = FormMain->findChild<QAction*>(name);
    EXPECT_NE(item, nullptr) << name;
    return item;
}

// Whether a menu command or a tool-bar item's button answers.
bool Answers(const char* name) {
    if (auto* item = FormMain->findChild<TSpeedItem*>(name))
        return item->Button()->isEnabled();
    return Item(name)->isEnabled();
}

} // namespace

TEST_F(MainWindowTest, SplashShowsOverTheShownMainWindowThenCloses) {
    FormMain->hide();
    bool checked = false;
    auto old = SetSplashWaitHook([&](int milliseconds) {
        EXPECT_EQ(milliseconds, 2000);
        EXPECT_TRUE(FormMain->isVisible());
        EXPECT_TRUE(AboutBox->isVisible());
        EXPECT_FALSE(AboutBox->isModal());
        EXPECT_EQ(AboutBox->LabelVersione->text(), "Versione 2.09  -  30/1/2012");
        const QRect main = FormMain->frameGeometry();
        EXPECT_EQ(AboutBox->x(), main.left() + main.width() / 2 - 404 / 2);
        EXPECT_EQ(AboutBox->y(), main.top() + main.height() / 2 - 272 / 2);
        checked = true;
    });
    ShowMainWindowWithSplash();
    SetSplashWaitHook(old);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(AboutBox->isVisible());
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09");
    EXPECT_EQ(QApplication::applicationName(), "Quendel");
}

TEST_F(MainWindowTest, AboutBoxFromTheHelpMenuIsModalAndClosesOnAClick) {
    Item("About1")->trigger();
    ASSERT_EQ(modalShown, std::vector<QString>{"AboutBox"});
    EXPECT_EQ(AboutBox->LabelVersione->text(), "Versione 2.09  -  30/1/2012");
    EXPECT_EQ(AboutBox->size(), QSize(404, 272));

    AboutBox->show();
    QTest::mouseClick(AboutBox->LabelVersione, Qt::LeftButton);
    EXPECT_FALSE(AboutBox->isVisible());
    AboutBox->show();
    QTest::keyClick(AboutBox, Qt::Key_A);
    EXPECT_FALSE(AboutBox->isVisible());
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsShortcutsAndStates) {
    struct Expected {
        const char* name;
        const char* caption;
        QKeySequence shortcut;
        bool enabled;
    };
    const Expected items[] = {
        {"Save1", "&Salva", Qt::Key_F2, false},
        {"SaveAs1", "Salva con &nome..", {}, true},
        {"Load1", "&Carica..", Qt::Key_F3, true},
        {"Importafilesca1", "I&mporta file \".sca\"..", {}, true},
        {"ImportafilePGN1", "&Importa file PGN", {}, true},
        {"EsportafilePGN1", "&Esporta file PGN", {}, true},
        {"Exit1", "&Uscita", QKeySequence(Qt::CTRL | Qt::Key_Q), true},
        {"New1", "&Nuova", QKeySequence(Qt::CTRL | Qt::Key_N), true},
        {"Undo1", "&Annulla mossa", QKeySequence(Qt::ALT | Qt::Key_Backspace), true},
        {"Moveforward1", "&Ripeti mossa", Qt::Key_Insert, true},
        {"Editboard1", "&Modifica posizione", {}, true},
        {"EsportainformatoFEN1", "Esporta in formato &FEN", {}, true},
        {"Visualizzapezzicatturati1", "Visualizza pezzi catturati", {}, true},
        {"Sound1", "Suono", QKeySequence(Qt::CTRL | Qt::Key_S), true},
        {"Reverseboard1", "Capovolgi scacchiera", QKeySequence(Qt::CTRL | Qt::Key_R), true},
        {"Impostazioni1", "Impostazioni..", {}, true},
        {"Personalizza1", "Personalizza toolbar..", {}, true},
        {"Datipartita1", "&Dati partita..", {}, true},
        {"PrintMove1", "&Stampa mossa", {}, false},
        {"SendmoveNTTP1", "&Invia mossa immediatamente", {}, false},
        {"InviamossaviaEmail", "Invia mossa via &e-mail", {}, true},
        {"GetMoveNTTP1", "&Ricevi mosse via NNTP", {}, true},
        {"Incollamossadaformatotesto1", "Incolla mossa da formato testo",
         QKeySequence(Qt::CTRL | Qt::Key_V), true},
        {"Giocainrete1", "&Gioca in rete", {}, true},
        {"Aiuto1", "Aiuto", {}, true},
        {"About1", "Informazioni su..", {}, true},
    };
    for (const Expected& e : items) {
        QAction* item = Item(e.name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), e.caption) << e.name;
        EXPECT_EQ(item->shortcut(), e.shortcut) << e.name;
        EXPECT_EQ(item->isEnabled(), e.enabled) << e.name;
    }
    EXPECT_TRUE(Item("Sound1")->isChecked());
    EXPECT_FALSE(FormMain->Recent1->menuAction()->isEnabled());
    EXPECT_EQ(FormMain->Recent1->title(), "&Riapri");

    for (const char* hidden : {"Engine1", "Debugwindow1"}) {
        EXPECT_FALSE(Item(hidden)->isVisible()) << hidden;
        EXPECT_FALSE(Item(hidden)->isEnabled()) << hidden;
    }
    EXPECT_EQ(Item("Engine1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(Item("Debugwindow1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    QTest::keyClick(FormMain, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageLista);

    QStringList titles;
    for (QAction* menu : FormMain->MainMenu1->actions()) {
        if (menu->isVisible())
            titles.append(menu->text());
    }
    EXPECT_EQ(titles, (QStringList{"&File", "&Partita", "&Opzioni", "&Zeltor", "&Gioca in rete",
                                   "&Aiuto"}));
}

TEST_F(MainWindowTest, ToolBarItemsWithTheirCaptionsHintsAndVisibility) {
    struct Expected {
        const char* name;
        const char* caption;
        const char* hint;
        bool visible;
        bool enabled;
    };
    const Expected items[] = {
        {"SpeedItemSave", "Salva partita", "Salva partita", true, true},
        {"SpeedItemOpen", "Carica partita", "Apri file", true, true},
        {"SpeedItemNew", "Nuova partita", "Nuova partita", true, true},
        {"SpeedItemGameEdit", "Modifica posizione", "Modifica posizione", true, true},
        {"SpeedItemBack", "Annulla mossa", "Annulla mossa", true, true},
        {"SpeedItemForw", "Ripeti mossa", "Ripeti mossa", true, true},
        {"SpeedItemNetGame", "Gioca in rete", "Partita in rete con un altro giocatore", true, true},
        {"SpeedItemHelp", "Aiuto", "Aiuto", true, true},
        {"SpeedItemOpzioni", "Opzioni", "Opzioni", true, true},
        {"SpeedItemVexlorWrite", "Stampa mossa in formato Vexlor", "Stampa mossa in formato Vexlor",
         false, false},
        {"SpeedItemNntpGet", "Ricevi mosse via NNTP", "Ricevi mosse via NNTP", false, true},
        {"SpeedItem1", "Invia mossa via e-mail", "Invia mossa via e-mail", true, true},
    };
    for (const Expected& e : items) {
        auto* item = FormMain->findChild<TSpeedItem*>(e.name);
        ASSERT_NE(item, nullptr) << e.name;
        EXPECT_EQ(item->Caption(), e.caption) << e.name;
        EXPECT_EQ(item->Button()->toolTip(), e.hint) << e.name;
        EXPECT_EQ(item->Visible(), e.visible) << e.name;
        EXPECT_EQ(item->Button()->isVisible(), e.visible) << e.name;
        EXPECT_EQ(item->Button()->isEnabled(), e.enabled) << e.name;
    }
    TSpeedBar* bar = FormMain->SpeedBar2;
    QStringList sections;
    int count = 0;
    for (int i = 0; i < bar->GetSectionCount(); ++i) {
        sections << bar->GetSection(i)->Caption();
        count += bar->ItemsCount(i);
    }
    EXPECT_EQ(sections, (QStringList{"File", "Partita", "Strumenti", "Zeltor"}));
    EXPECT_EQ(count, 17);
    EXPECT_EQ(FormMain->SpeedItemNetGame->GetSectionName(), "Partita");
    EXPECT_EQ(FormMain->SpeedItem1->GetSectionName(), "Zeltor");
}

// A disabled item looks it, whatever its picture: the glyph fades towards the button's face.
TEST_F(MainWindowTest, DisabledToolBarItemsLookDisabled) {
    auto contrast = [](TSpeedItem* item) {
        const QImage image = item->Button()->grab().toImage();
        const QColor face = image.pixelColor(2, 2);
        qint64 sum = 0;
        for (int y = 4; y < image.height() - 4; ++y)
            for (int x = 4; x < image.width() - 4; ++x) {
                const QColor c = image.pixelColor(x, y);
                sum += std::abs(c.red() - face.red()) + std::abs(c.green() - face.green()) +
                       std::abs(c.blue() - face.blue());
            }
        return sum;
    };
    for (TSpeedItem* item : {FormMain->SpeedItem1, FormMain->SpeedItemBack}) {
        const qint64 enabled = contrast(item);
        item->SetEnabled(false);
        EXPECT_LT(contrast(item) * 2, enabled) << item->objectName().toStdString();
        item->SetEnabled(true);
    }
}

TEST_F(MainWindowTest, ComponentsOfTheFormExistUnderTheirNames) {
    for (const char* name :
         {"ImagePieceSet",   "Panel1",           "Notebook1",        "LabelGameInfo",
          "MemoListaMosse",  "EditDepth",        "UpDownDepth",      "RadioGroupWhite",
          "RadioGroupBlack", "Button1",          "SpeedBar2",        "StatusBar1",
          "MainMenu1",       "FormStorage1",     "MRUManager1",      "SaveDialog1",
          "OpenDialog1",     "ColorDialogBordo", "PopupMenuComment", "PopupMenuToolbar"})
        EXPECT_NE(FormMain->findChild<QObject*>(name), nullptr) << name;
    EXPECT_FALSE(FormMain->ImagePieceSet->isVisible());
    EXPECT_EQ(FormMain->ImagePieceSet->pixmap().size(), QSize(240, 160));
    EXPECT_EQ(Board()->geometry().size(), QSize(380, 380));
    EXPECT_EQ(Board()->SizeOfBorder(), 30);
    EXPECT_EQ(Board()->SizeOfSquare(), 40);
    EXPECT_TRUE(Board()->BoardFrame());
    EXPECT_EQ(FormMain->Panel1->y(), Board()->y());
    EXPECT_EQ(FormMain->RadioGroupWhite->Button(1)->text(), "Zub");
    EXPECT_EQ(FormMain->RadioGroupWhite->ItemIndex(), 0);
    EXPECT_EQ(FormMain->RadioGroupBlack->ItemIndex(), 0);
    EXPECT_EQ(FormMain->ReplayPromotion, 'q');
    EXPECT_EQ(FormMain->NntpQueueFileName, "nntp.out");
    EXPECT_EQ(FormMain->NntpSeparator, "--- NNTP ---");
    EXPECT_FALSE(FormMain->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, MovesByClicksFillTheMoveList) {
    Play({{E2, E4}});
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});
    Play({{E7, E5}});
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    e7-e5"});
    Play({{G1, F3}});
    EXPECT_EQ(Lines(), (QStringList{"1.  e2-e4    e7-e5", "2.  g1-f3    "}));
    EXPECT_TRUE(FormMain->Modified);
    EXPECT_EQ(beeps, (std::vector<int>{0, 0, 0}));

    // A first click on the opponent's piece or an empty square selects nothing.
    QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(E4));
    QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(E3));
    EXPECT_EQ(FormMain->ClickFromSquare, None);
    // An illegal second click plays nothing and clears the selection.
    Click(B8, B5);
    EXPECT_EQ(FormMain->ClickFromSquare, None);
    EXPECT_EQ(Lines().size(), 2);
}

TEST_F(MainWindowTest, TakeBackAndReplayFollowTheMoveList) {
    Play({{E2, E4}, {E7, E5}, {G1, F3}});
    Item("Undo1")->trigger();
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    e7-e5"});
    Item("Undo1")->trigger();
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4   "});
    ClickItem(FormMain->SpeedItemBack);
    EXPECT_TRUE(Lines().isEmpty());
    beeps.clear();
    Item("Undo1")->trigger();
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(beeps, std::vector<int>{48});

    Item("Moveforward1")->trigger();
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});
    ClickItem(FormMain->SpeedItemForw);
    Item("Moveforward1")->trigger();
    EXPECT_EQ(Lines(), (QStringList{"1.  e2-e4    e7-e5", "2.  g1-f3    "}));
    beeps.clear();
    Item("Moveforward1")->trigger();
    EXPECT_EQ(beeps, std::vector<int>{48});

    // Without sound nothing beeps.
    Item("Sound1")->trigger();
    EXPECT_FALSE(Item("Sound1")->isChecked());
    beeps.clear();
    Item("Moveforward1")->trigger();
    Play({{B8, C6}});
    EXPECT_TRUE(beeps.empty());
}

TEST_F(MainWindowTest, ScholarsMateEndsTheGameWithItsBoxAndResult) {
    Play({{E2, E4}, {E7, E5}, {F1, C4}, {B8, C6}, {D1, H5}, {G8, F6}, {H5, F7}});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Scacco matto!\nIl Bianco vince");
    EXPECT_EQ(boxes[0].caption, "Quendel");
    EXPECT_EQ(boxes[0].flags, 0);
    EXPECT_EQ(results, std::vector<int>{1});
    EXPECT_TRUE(FormMain->GameOver);
    EXPECT_EQ(Lines().last(), "4.  h5xf7#   ");
    EXPECT_EQ(Captured('p'), 1);

    // Taking the mate back clears the flag and returns the pawn.
    Item("Undo1")->trigger();
    EXPECT_FALSE(FormMain->GameOver);
    EXPECT_EQ(Captured('p'), 0);
}

TEST_F(MainWindowTest, FoolsMateIsWonByBlack) {
    Play({{F2, F3}, {E7, E5}, {G2, G4}, {D8, H4}});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Scacco matto!\nIl Nero vince");
    EXPECT_EQ(results, std::vector<int>{2});
    EXPECT_EQ(Lines().last(), "2.  g2-g4    d8-h4#");
}

TEST_F(MainWindowTest, ThreefoldRepetitionShowsExactlyOneBox) {
    for (int i = 0; i < 2; ++i)
        Play({{G1, F3}, {G8, F6}, {F3, G1}, {F6, G8}});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Posizione ripetuta 3 volte\nPartita patta");
    EXPECT_EQ(results, std::vector<int>{3});
    EXPECT_TRUE(FormMain->GameOver);
    Play({{E2, E4}});
    QApplication::processEvents();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Lines().size(), 4);
}

TEST_F(MainWindowTest, HumanPromotionAsksForEachPiece) {
    const char* const expected[] = {"Q", "R", "B", "N"};
    for (int index = 0; index < 4; ++index) {
        answers = {platform::IDNO};
        ASSERT_TRUE(FormMain->NewGame());
        ASSERT_TRUE(Board()->SetFENPosition("8/1P5k/8/8/8/8/6p1/4K3 w - - 0 40"));
        modalAnswer = [&, index](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Promozione");
            EXPECT_TRUE(FormMain->GameOver);
            FormPromotion->RGPromotion->SetItemIndex(index);
            return int(QDialog::Accepted);
        };
        Click(B7, B8);
        EXPECT_EQ(Board()->Position().at(B8 - 1), QChar(expected[index][0])) << index;
        EXPECT_FALSE(FormMain->GameOver);
        // Black's promotion is lower case.
        Click(G2, G1);
        EXPECT_EQ(Board()->Position().at(G1 - 1), QChar(expected[index][0]).toLower()) << index;
    }
    EXPECT_EQ(modalShown.size(), 8u);
    EXPECT_EQ(FormPromotion->RGPromotion->Button(3)->text(), "&Cavallo");
}

TEST_F(MainWindowTest, AnEngineSidePromotesWithoutTheQuestion) {
    ASSERT_TRUE(Board()->SetFENPosition("4k3/8/8/8/8/8/6p1/4K3 b - - 0 40"));
    FormMain->RadioGroupBlack->SetItemIndex(1);
    ASSERT_TRUE(Board()->Move(G2, G1));
    EXPECT_TRUE(modalShown.empty());
    EXPECT_EQ(Board()->Position().at(G1 - 1), QChar('q'));
    EXPECT_FALSE(FormMain->GameOver);
}

TEST_F(MainWindowTest, CapturedPiecesFollowTakeBackAndReplay) {
    Play({{E2, E4}, {D7, D5}, {E4, D5}});
    EXPECT_EQ(Captured('p'), 1);
    Item("Undo1")->trigger();
    EXPECT_EQ(Captured('p'), 0);
    Item("Moveforward1")->trigger();
    EXPECT_EQ(Captured('p'), 1);
    EXPECT_EQ(Lines().last(), "2.  e4xd5    ");

    // A promotion that captures counts the captured piece only; one that does not, nothing.
    answers = {platform::IDNO};
    ASSERT_TRUE(FormMain->NewGame());
    EXPECT_EQ(CapturedTotal(), 0);
    ASSERT_TRUE(Board()->SetFENPosition("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 30"));
    Click(B7, A8);
    EXPECT_EQ(Captured('r'), 1);
    Item("Undo1")->trigger();
    EXPECT_EQ(Captured('r'), 0);
    EXPECT_EQ(Captured('P'), 0);
    Click(B7, B8);
    Item("Undo1")->trigger();
    Item("Moveforward1")->trigger();
    EXPECT_EQ(CapturedTotal(), 0);

    Item("Visualizzapezzicatturati1")->trigger();
    EXPECT_TRUE(FormCaptured->isVisible());
}

TEST_F(MainWindowTest, TheCapturedPiecesWindowIsAToolWindowOfTheMainWindow) {
    Item("Visualizzapezzicatturati1")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FormCaptured));
    EXPECT_TRUE(FormCaptured->isWindow());
    EXPECT_EQ(FormCaptured->windowType(), Qt::Tool);
    EXPECT_EQ(FormCaptured->windowHandle()->transientParent(), FormMain->windowHandle());
}

TEST_F(MainWindowTest, NewGameOnAModifiedGameAsksToSave) {
    fileAnswer = dir.filePath("partita.qzd");
    Play({{E2, E4}});
    ClickItem(FormMain->SpeedItemSave);
    ASSERT_TRUE(FormMain->HasGameFile);
    Play({{E7, E5}});
    ASSERT_TRUE(FormMain->Modified);

    // Cancel: nothing changes.
    answers = {platform::IDCANCEL};
    Item("New1")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Sono state effettuate delle modifiche non registrate su file. Salvare ora?");
    EXPECT_EQ(boxes[0].caption, "Abbandona modifiche");
    EXPECT_EQ(boxes[0].flags, platform::MB_YESNOCANCEL | platform::MB_ICONWARNING);
    EXPECT_EQ(Lines().size(), 1);
    EXPECT_TRUE(FormMain->Modified);

    // Yes: the game is saved, then a new one starts.
    answers = {platform::IDYES};
    Item("New1")->trigger();
    EXPECT_TRUE(FileBytes("partita.qzd").contains("1. e7-e5   \r\n@8-@8"));
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_FALSE(FormMain->Modified);
    EXPECT_FALSE(FormMain->HasGameFile);
    EXPECT_EQ(FormMain->windowTitle(), "Quendel 2.09");

    // No: the new game starts without saving.
    FormMain->LoadGameFile(dir.filePath("partita.qzd"));
    Play({{G1, F3}});
    answers = {platform::IDNO};
    boxes.clear();
    Item("New1")->trigger();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_FALSE(FileBytes("partita.qzd").contains("g1-f3"));
}

// A game never saved is not thrown away without a word.
TEST_F(MainWindowTest, NewGameWithoutAFileNameAsksAndSavesThroughTheDialog) {
    Play({{E2, E4}});
    answers = {platform::IDYES};
    fileAnswer = "";
    Item("New1")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Abbandona modifiche");
    EXPECT_EQ(fileDialogs, std::vector<QString>{"SaveDialog1:"});
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});

    answers = {platform::IDYES};
    fileAnswer = dir.filePath("nuova.qzd");
    Item("New1")->trigger();
    EXPECT_TRUE(FileBytes("nuova.qzd").contains("1. e2-e4   \r\n@8-@8"));
    EXPECT_TRUE(Lines().isEmpty());

    Play({{D2, D4}});
    answers = {platform::IDNO};
    Item("New1")->trigger();
    EXPECT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(Board()->Position(),
              QString("rnbqkbnrpppppppp") + QString(32, ' ') + "PPPPPPPPRNBQKBNR");
}

TEST_F(MainWindowTest, FileMenuStates) {
    EXPECT_FALSE(Item("Save1")->isEnabled());
    Open(FormMain->File1);
    EXPECT_FALSE(Item("Save1")->isEnabled());
    EXPECT_TRUE(Item("SaveAs1")->isEnabled());
    FormMain->GameFileName = dir.filePath("x.qzd");
    Open(FormMain->File1);
    EXPECT_TRUE(Item("Save1")->isEnabled());
    FormMain->EditingPosition = true;
    Open(FormMain->File1);
    EXPECT_FALSE(Item("Save1")->isEnabled());
    EXPECT_FALSE(Item("SaveAs1")->isEnabled());
}

// Shortcuts follow the same rules whether or not a menu was opened first; while a position is
// edited none of the main bar's answers.
TEST_F(MainWindowTest, ShortcutsFollowTheCommandStatesFromStartUp) {
    FormMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    // The File menu seen once for a game without a file must not keep F2 dead afterwards.
    Open(FormMain->File1);
    WriteFile("a.qzd", "Quendel\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n40000\r\n-------------\r\n"
                       "1. e2-e4   \r\n@8-@8\r\n");
    FormMain->LoadGameFile(dir.filePath("a.qzd"));
    Click(E7, E5);
    QTest::keyClick(FormMain, Qt::Key_F2);
    EXPECT_TRUE(FileBytes("a.qzd").contains("1. e7-e5   \r\n@8-@8"));
    QTest::keyClick(FormMain, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4   "});
    QTest::keyClick(FormMain, Qt::Key_Insert);
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    e7-e5"});

    Item("Editboard1")->trigger();
    const QString placement = Board()->Position();
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_F2), QKeyCombination(Qt::Key_F3), Qt::CTRL | Qt::Key_N,
          QKeyCombination(Qt::Key_Insert), Qt::ALT | Qt::Key_Backspace, Qt::CTRL | Qt::Key_S,
          Qt::CTRL | Qt::Key_E})
        QTest::keyClick(FormMain, key.key(), key.keyboardModifiers());
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Item("Sound1")->isChecked());
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageEdit);
    EXPECT_EQ(Board()->Position(), placement);
}

TEST_F(MainWindowTest, ZeltorMenuStatesFollowTheFirstMove) {
    int printed = 0;
    for (QAction* item :
         {FormMain->PrintMove1, FormMain->SendmoveNTTP1, FormMain->AccodamossaNNTP1})
        FormMain->BindCommand(item, [&] { ++printed; });
    Open(FormMain->Zeltor1);
    for (const char* name : {"PrintMove1", "SendmoveNTTP1", "AccodamossaNNTP1"})
        EXPECT_FALSE(Item(name)->isEnabled()) << name;
    Play({{E2, E4}});
    Open(FormMain->Zeltor1);
    for (const char* name : {"PrintMove1", "SendmoveNTTP1", "AccodamossaNNTP1"})
        EXPECT_TRUE(Item(name)->isEnabled()) << name;
    // Commands that need no played move answer from the start.
    EXPECT_TRUE(Item("Datipartita1")->isEnabled());
    EXPECT_TRUE(Item("GetMoveNTTP1")->isEnabled());
}

TEST_F(MainWindowTest, ClosingAModifiedGameCanBeRefused) {
    FormMain->GameFileName = dir.filePath("x.qzd");
    Play({{E2, E4}});
    answers = {platform::IDCANCEL};
    EXPECT_FALSE(FormMain->close());
    EXPECT_TRUE(FormMain->isVisible());
    answers = {platform::IDNO};
    bool closed = false;
    QObject::connect(FormMain, &TFormMain::Closed, [&] { closed = true; });
    Item("Exit1")->trigger();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(FormMain->isVisible());
}

TEST_F(MainWindowTest, ReverseBoardTurnsItOver) {
    Item("Reverseboard1")->trigger();
    EXPECT_TRUE(Board()->WhiteOnTop());
    Click(E2, E4);
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});
    Item("Reverseboard1")->trigger();
    EXPECT_FALSE(Board()->WhiteOnTop());
}

TEST_F(MainWindowTest, NetworkGameDisablesRewindingAndReportsItsEnd) {
    ASSERT_TRUE(FormMain->StartNetworkGame("Anna (ZT0001)", "Bruno (ZT0002)", true));
    EXPECT_TRUE(FormMain->NetworkGame);
    EXPECT_TRUE(Board()->LocalSideOnly);
    for (const char* name :
         {"Undo1", "Moveforward1", "Editboard1", "New1", "Load1", "SpeedItemOpen", "SpeedItemNew",
          "SpeedItemGameEdit", "SpeedItemBack", "SpeedItemForw"})
        EXPECT_FALSE(Answers(name)) << name;
    Play({{F2, F3}});
    EXPECT_EQ(netEvents, std::vector<QString>{"move f2-f3"});
    // The remote side's moves arrive as text.
    EXPECT_TRUE(FormMain->ApplyMoveText("e7-e5"));
    // Only the local side's pieces answer clicks.
    QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(D7));
    EXPECT_EQ(FormMain->ClickFromSquare, None);
    Play({{G2, G4}});
    EXPECT_TRUE(FormMain->ApplyMoveText("d8-h4"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(results, std::vector<int>{2});
    EXPECT_EQ(netEvents.back(), "EndGame");
    EXPECT_FALSE(FormMain->NetworkGame);
    EXPECT_FALSE(Board()->LocalSideOnly);
    for (const char* name : {"Undo1", "Moveforward1", "Editboard1", "New1", "Load1",
                             "SpeedItemOpen", "SpeedItemGameEdit"})
        EXPECT_TRUE(Answers(name)) << name;
    EXPECT_FALSE(FormMain->Recent1->menuAction()->isEnabled());
}

TEST_F(MainWindowTest, ResultAndEndComeBeforeTheBoxInANetworkGame) {
    ASSERT_TRUE(FormMain->StartNetworkGame("A", "B", false));
    platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
        EXPECT_EQ(results, std::vector<int>{1});
        EXPECT_EQ(netEvents.back(), "EndGame");
        EXPECT_FALSE(FormMain->NetworkGame);
        EXPECT_TRUE(FormMain->GameOver);
        boxes.push_back({text, {}, 0});
        return int(platform::IDOK);
    });
    FormMain->ShowTimeout(false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Timeout del Nero!\nIl Bianco vince");
}

TEST_F(MainWindowTest, HelpOpensTheItalianContents) {
    Item("Aiuto1")->trigger();
    auto* help = FormMain->findChild<QTextBrowser*>("HelpWindow");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->toPlainText().contains("La finestra principale"));
    help->close();
    QTest::keyClick(FormMain, Qt::Key_F1);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->source().toString().endsWith("#finestra-principale"));
}

TEST(StartUpTest, ItalianStandardButtons) {
    ASSERT_TRUE(LoadItalianTranslation());
    QMessageBox box(QMessageBox::Question, "t", "q",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), QString::fromUtf8("Sì"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "No");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Annulla");
}

TEST_F(MainWindowTest, MoveListPopupSelectsCopiesAndComments) {
    Play({{E2, E4}, {E7, E5}});
    Item("Selezionatutto1")->trigger();
    Item("Copia1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "1.  e2-e4    e7-e5");
    EXPECT_FALSE(Item("Inseriscicommento1")->isVisible());

    QString prompt;
    auto old =
        platform::SetInputQueryHook([&](const QString& caption, const QString& p, QString& value) {
            EXPECT_EQ(caption, "Inserisci commento");
            EXPECT_EQ(value, "prova");
            prompt = p;
            value = "apertura";
            return true;
        });
    Item("Inseriscicommento1")->trigger();
    platform::SetInputQueryHook(old);
    EXPECT_EQ(prompt, "commento alla mossa 1");
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    e7-e5     (apertura)"});
    EXPECT_EQ(Board()->GetMove(1, true).Comment, "apertura");
}
