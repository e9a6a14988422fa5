// Setting up a position by hand or from FEN in the real main window, and the FEN export.
#include "MainWindowFixture.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>

namespace {

const QString Empty64(64, QLatin1Char(' '));

class PositionEditingTest : public MainWindowTest {
protected:
    void Trigger(const char* name) {
        auto* item = FormMain->findChild<QAction*>(name);
        ASSERT_NE(item, nullptr) << name;
        item->trigger();
        QApplication::processEvents();
    }

    // The piece button of a letter, found by its name as the window's form gives it.
    QToolButton* PieceButton(char letter) const {
        static const QByteArray order("KQRBNPkqrbnp");
        const QString name = QStringLiteral("SpeedButton%1").arg(order.indexOf(letter) + 1);
        return FormMain->findChild<QToolButton*>(name);
    }

    void Place(char letter, Square sq) {
        QToolButton* button = PieceButton(letter);
        if (!button->isChecked())
            QTest::mouseClick(button, Qt::LeftButton);
        QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(sq));
    }

    void ReleasePieceButtons() {
        for (QToolButton* button : FormMain->PieceButtons) {
            if (button->isChecked())
                QTest::mouseClick(button, Qt::LeftButton);
        }
    }

    QMenuBar* ShownMenuBar() const {
        return qobject_cast<QMenuBar*>(
            FormMain->findChild<QStackedWidget*>("MenuBars")->currentWidget());
    }

    void Activate() {
        FormMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FormMain));
    }

    QString At(Square sq) const { return Board()->Position().mid(sq - 1, 1); }
};

TEST_F(PositionEditingTest, EnteringKeepsPlacementAndSideAndEmptiesTheGame) {
    Play({{E2, E4}, {D7, D5}, {E4, D5}});
    ASSERT_EQ(Captured('p'), 1);
    const QString placement = Board()->Position();
    FormMain->WhitePlayer = "Anna";
    FormMain->RadioGroupBlack->SetItemIndex(2);
    Trigger("Editboard1");

    EXPECT_TRUE(FormMain->EditingPosition);
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(CapturedTotal(), 0);
    EXPECT_EQ(Board()->Position(), placement);
    EXPECT_FALSE(Board()->WhiteToMove());
    EXPECT_EQ(FormMain->RadioGroupTurn->ItemIndex(), 1);
    EXPECT_EQ(FormMain->RadioGroupWhite->ItemIndex(), 0);
    EXPECT_EQ(FormMain->RadioGroupBlack->ItemIndex(), 0);
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageEdit);
    EXPECT_EQ(ShownMenuBar(), FormMain->MainMenuModificaPosizione);
    EXPECT_EQ(FormMain->WhitePlayer, "Anna");

    FormMain->GameOver = true;
    Trigger("Done1");
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageLista);
    EXPECT_EQ(ShownMenuBar(), FormMain->MainMenu1);
    EXPECT_FALSE(FormMain->GameOver);
    EXPECT_EQ(Board()->Position(), placement);
    // The game starts from an edited position: it cannot be saved as a game file.
    EXPECT_TRUE(FormMain->EditingPosition);
    Open(FormMain->File1);
    EXPECT_FALSE(FormMain->Save1->isEnabled());
    EXPECT_FALSE(FormMain->SaveAs1->isEnabled());
    Play({{D8, D5}});
    EXPECT_EQ(Lines(), QStringList{"1.           d8xd5"});
}

TEST_F(PositionEditingTest, PieceButtonsMayAllBeUpButAtMostOneDown) {
    Trigger("Editboard1");
    QToolButton* king = PieceButton('K');
    QToolButton* queen = PieceButton('q');
    EXPECT_EQ(king->objectName(), "SpeedButton1");
    EXPECT_EQ(queen->objectName(), "SpeedButton8");
    EXPECT_EQ(FormMain->PieceButtons[5], king);
    EXPECT_EQ(FormMain->PieceButtons[10], queen);
    QTest::mouseClick(king, Qt::LeftButton);
    QTest::mouseClick(queen, Qt::LeftButton);
    EXPECT_FALSE(king->isChecked());
    EXPECT_TRUE(queen->isChecked());
    QTest::mouseClick(queen, Qt::LeftButton);
    for (QToolButton* button : FormMain->PieceButtons)
        EXPECT_FALSE(button->isChecked()) << button->objectName().toStdString();
}

TEST_F(PositionEditingTest, GlyphsAreThePieceSetsCellsWithTheBackgroundLeftOut) {
    const QImage set = FormMain->ImagePieceSet->pixmap().toImage();
    for (int tag = 0; tag < 12; ++tag) {
        const int column = tag % 6;
        const int row = tag < 6 ? 0 : 2;
        const QImage glyph =
            FormMain->PieceButtons[tag]->icon().pixmap(40, 40).toImage().convertToFormat(
                QImage::Format_ARGB32);
        ASSERT_EQ(glyph.size(), QSize(40, 40)) << tag;
        EXPECT_EQ(qAlpha(glyph.pixel(0, 0)), 0) << tag;
        EXPECT_EQ(qAlpha(glyph.pixel(20, 30)), 255) << tag;
        EXPECT_EQ(glyph.pixel(20, 30), set.pixel(column * 40 + 20, row * 40 + 30)) << tag;
    }
}

// The hand-made position is the start of the history: Black moves first, and a take-back stops
// there instead of reaching the record of the game before editing.
TEST_F(PositionEditingTest, PositionMadeByClicksWithBlackToMoveStopsTheTakeBackAtItsStart) {
    Trigger("Editboard1");
    Trigger("Clearall1");
    Place('K', E1);
    Place('R', H1);
    Place('k', E8);
    Place('p', A7);
    Place('P', B2);
    ReleasePieceButtons();
    QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(B2));
    EXPECT_EQ(At(B2), " ");
    QTest::mouseClick(FormMain->RadioGroupTurn->Button(1), Qt::LeftButton);
    EXPECT_FALSE(Board()->WhiteToMove());
    EXPECT_TRUE(Lines().isEmpty());
    Trigger("Done1");

    EXPECT_EQ(Board()->GetFENPosition(), "4k3/p7/8/8/8/8/8/4K2R b KQkq - 0 1");
    EXPECT_EQ(Board()->CurrentMove(), 1);
    EXPECT_EQ(Board()->CastlingAllowed(), AllCastling);
    EXPECT_EQ(Board()->EnPassant(), None);

    Play({{A7, A5}, {E1, G1}});
    EXPECT_EQ(Lines(), (QStringList{"1.           a7-a5", "2.  0-0      "}));
    EXPECT_EQ(At(F1), "R");
    beeps.clear();
    FormMain->Undo1->trigger();
    FormMain->Undo1->trigger();
    EXPECT_TRUE(beeps.empty());
    EXPECT_TRUE(Lines().isEmpty());
    const QString start = Board()->Position();
    FormMain->Undo1->trigger();
    EXPECT_EQ(beeps, std::vector<int>{48});
    EXPECT_EQ(Board()->Position(), start);
    EXPECT_FALSE(Board()->WhiteToMove());
    EXPECT_EQ(Board()->GetFENPosition(), "4k3/p7/8/8/8/8/8/4K2R b KQkq - 0 1");
}

TEST_F(PositionEditingTest, CancellaTuttoEmptiesEverySquare) {
    Play({{E2, E4}});
    Trigger("Editboard1");
    Trigger("Clearall1");
    EXPECT_EQ(Board()->Position(), Empty64);
    EXPECT_FALSE(Board()->WhiteToMove());
}

TEST_F(PositionEditingTest, FenTypedIntoTheEditSetsThePositionUp) {
    Trigger("Editboard1");
    const QString fen = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
    QTest::keyClicks(FormMain->EditFEN, fen);
    QTest::mouseClick(FormMain->BtnDoneEditing, Qt::LeftButton);
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageLista);
    EXPECT_EQ(Board()->GetFENPosition(), fen);
    EXPECT_EQ(Board()->EnPassant(), E3);
    Play({{D7, D5}, {E4, D5}});
    EXPECT_EQ(Lines(), (QStringList{"1.           d7-d5", "2.  e4xd5    "}));
}

TEST_F(PositionEditingTest, AnEarlierFenDoesNotReplaceTheNextHandMadePosition) {
    Trigger("Editboard1");
    FormMain->EditFEN->setText("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    Trigger("Done1");
    Trigger("Editboard1");
    EXPECT_TRUE(FormMain->EditFEN->text().isEmpty());
    Place('Q', D4);
    Trigger("Done1");
    EXPECT_EQ(At(D4), "Q");
    EXPECT_EQ(At(E8), "k");
}

// While a position is edited nothing may replace, rewind or replay the game.
TEST_F(PositionEditingTest, CommandsThatReplaceTheGameWaitUntilEditingEnds) {
    WriteFile("a.qzd", "Quendel\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n40000\r\n-------------\r\n"
                       "1. d2-d4   \r\n@8-@8\r\n");
    FormMain->LoadGameFile(dir.filePath("a.qzd"));
    Trigger("Undo1");
    Trigger("Editboard1");
    Place('Q', D5);
    const QString placement = Board()->Position();
    const QList<TSpeedItem*> commands{FormMain->SpeedItemNew, FormMain->SpeedItemOpen,
                                      FormMain->SpeedItemBack, FormMain->SpeedItemForw,
                                      FormMain->SpeedItemGameEdit};
    fileAnswer = dir.filePath("a.qzd");
    for (TSpeedItem* command : commands) {
        EXPECT_FALSE(command->Button()->isEnabled()) << command->objectName().toStdString();
        ClickItem(command);
    }
    EXPECT_FALSE(FormMain->SpeedItemSave->Button()->isEnabled());
    EXPECT_FALSE(FormMain->Recent1->menuAction()->isEnabled());
    FormMain->MRUManager1Click(dir.filePath("a.qzd"));
    FormMain->DropFiles({dir.filePath("a.qzd")});
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageEdit);
    EXPECT_EQ(Board()->Position(), placement);

    Trigger("Done1");
    for (TSpeedItem* command : commands)
        EXPECT_TRUE(command->Button()->isEnabled()) << command->objectName().toStdString();
    EXPECT_TRUE(FormMain->Recent1->menuAction()->isEnabled());
    // A game set up by hand is not saved, not even into the file it was set up from.
    EXPECT_FALSE(FormMain->SpeedItemSave->Button()->isEnabled());
    Play({{D2, D4}});
    answers = {platform::IDYES};
    FormMain->New1->trigger();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].text.startsWith("Una partita che parte da una posizione modificata"));
    QString afterD4 = placement;
    afterD4[D2 - 1] = ' ';
    afterD4[D4 - 1] = 'P';
    EXPECT_EQ(Board()->Position(), afterD4);
    EXPECT_TRUE(FileBytes("a.qzd").contains("1. d2-d4   \r\n@8-@8"));
}

TEST_F(PositionEditingTest, ANewGameAfterASetUpWithBlackToMoveStartsWithWhite) {
    Trigger("Editboard1");
    QTest::mouseClick(FormMain->RadioGroupTurn->Button(1), Qt::LeftButton);
    Trigger("Done1");
    ASSERT_FALSE(Board()->WhiteToMove());
    answers = {platform::IDNO};
    Trigger("New1");
    Click(E2, E4);
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});
    Trigger("Undo1");
    EXPECT_TRUE(Lines().isEmpty());
    EXPECT_EQ(At(E2), "P");
    EXPECT_TRUE(Board()->WhiteToMove());
}

TEST_F(PositionEditingTest, RefusedFenKeepsTheHandMadePosition) {
    Trigger("Editboard1");
    Trigger("Clearall1");
    Place('K', A1);
    Place('k', H8);
    FormMain->EditFEN->setText("8/8/8 w - -");
    Trigger("Done1");
    EXPECT_EQ(Board()->GetFENPosition(), "7k/8/8/8/8/8/8/K7 w KQkq - 0 1");
    beeps.clear();
    FormMain->Undo1->trigger();
    EXPECT_EQ(beeps, std::vector<int>{48});
}

TEST_F(PositionEditingTest, DraggingWhileEditingMovesNothing) {
    Trigger("Editboard1");
    QTest::mousePress(Board(), Qt::LeftButton, {}, Centre(E2));
    QTest::mouseMove(Board(), Centre(E3));
    QTest::mouseMove(Board(), Centre(E4));
    QTest::mouseRelease(Board(), Qt::LeftButton, {}, Centre(E4));
    EXPECT_EQ(At(E2), "P");
    EXPECT_EQ(At(E4), " ");
    EXPECT_TRUE(Board()->WhiteToMove());

    // The release is a click: it places the pressed piece where it happens.
    QTest::mouseClick(PieceButton('n'), Qt::LeftButton);
    QTest::mousePress(Board(), Qt::LeftButton, {}, Centre(G1));
    QTest::mouseMove(Board(), Centre(H6));
    QTest::mouseRelease(Board(), Qt::LeftButton, {}, Centre(H6));
    EXPECT_EQ(At(G1), "N");
    EXPECT_EQ(At(H6), "n");
    EXPECT_TRUE(Lines().isEmpty());

    Trigger("Done1");
    QTest::mousePress(Board(), Qt::LeftButton, {}, Centre(E2));
    QTest::mouseMove(Board(), Centre(E3));
    QTest::mouseMove(Board(), Centre(E4));
    QTest::mouseRelease(Board(), Qt::LeftButton, {}, Centre(E4));
    EXPECT_EQ(At(E4), "P");
    EXPECT_EQ(Lines(), QStringList{"1.  e2-e4    "});
}

TEST_F(PositionEditingTest, OnlyFinitoAndCancellaTuttoAreReachableWhileEditing) {
    Activate();
    Trigger("Editboard1");
    QStringList items;
    for (QAction* item : ShownMenuBar()->actions())
        items.append(item->text());
    EXPECT_EQ(items, (QStringList{"&Finito", "&Cancella tutto"}));
    EXPECT_FALSE(FormMain->MainMenu1->isVisible());

    QApplication::clipboard()->setText("1b e2-e4");
    for (const QKeyCombination key :
         {Qt::CTRL | Qt::Key_R, Qt::CTRL | Qt::Key_V, Qt::CTRL | Qt::Key_N,
          QKeyCombination(Qt::Key_F3), Qt::CTRL | Qt::Key_Q})
        QTest::keyClick(FormMain, key.key(), key.keyboardModifiers());
    EXPECT_FALSE(Board()->WhiteOnTop());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_TRUE(FormMain->isVisible());
    EXPECT_EQ(Board()->Position().mid(E2 - 1, 1), "P");

    Trigger("Done1");
    QTest::keyClick(FormMain, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(Board()->WhiteOnTop());
}

// Ctrl+V in an editable field is the field's paste, never a move.
TEST_F(PositionEditingTest, CtrlVInAnEditableFieldPastesText) {
    Activate();
    const QString fen = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";
    QApplication::clipboard()->setText(fen);
    Trigger("Editboard1");
    FormMain->EditFEN->setFocus();
    QTest::keyClick(FormMain->EditFEN, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(FormMain->EditFEN->text(), fen);
    EXPECT_TRUE(boxes.empty());
    Trigger("Done1");
    EXPECT_EQ(Board()->GetFENPosition(), fen);

    // With the main bar active, the search depth's field takes the text as well.
    FormMain->Engine1Click();
    QApplication::clipboard()->setText("5");
    auto* depth = FormMain->findChild<QLineEdit*>("EditDepth");
    depth->setFocus();
    depth->selectAll();
    QTest::keyClick(depth, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(FormMain->UpDownDepth->value(), 5);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Lines().isEmpty());
}

TEST_F(PositionEditingTest, FenExportPutsThePositionOnTheClipboard) {
    Trigger("EsportainformatoFEN1");
    EXPECT_EQ(QApplication::clipboard()->text(),
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Stringa FEN copiata negli appunti");
    EXPECT_EQ(boxes[0].caption, "Quendel");
    EXPECT_EQ(boxes[0].flags, 0);

    Play({{E2, E4}});
    Trigger("EsportainformatoFEN1");
    EXPECT_EQ(QApplication::clipboard()->text(),
              "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(boxes.size(), 2u);
}

} // namespace
