// The engine page of the real main window and a side played by Zub through the engine thread.
#include "MainWindowFixture.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QStackedWidget>

namespace {

constexpr int EngineWaitMilliseconds = 60000;

TEST_F(MainWindowTest, EnginePageShowsAndSetsTheSearchDepth) {
    FormMain->Engine1Click();
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageEngine);
    EXPECT_EQ(FormMain->UpDownDepth->value(), Board()->SearchDepth());
    EXPECT_EQ(FormMain->findChild<QLineEdit*>("EditDepth")->text(),
              QString::number(Board()->SearchDepth()));

    FormMain->UpDownDepth->setValue(2);
    EXPECT_EQ(Board()->SearchDepth(), 2);
    FormMain->UpDownDepth->setValue(10);
    FormMain->UpDownDepth->stepUp();
    EXPECT_EQ(FormMain->UpDownDepth->value(), 1);
    EXPECT_EQ(Board()->SearchDepth(), 1);

    FormMain->Engine1Click();
    EXPECT_EQ(FormMain->Notebook1->currentWidget(), FormMain->PageLista);
}

TEST_F(MainWindowTest, ZubAnswersForBlackThroughTheEngineThread) {
    FormMain->Engine1Click();
    FormMain->UpDownDepth->setValue(2);
    FormMain->RadioGroupBlack->SetItemIndex(1);
    Play({{E2, E4}});
    ASSERT_TRUE(QTest::qWaitFor([] { return FormMain->ChessBoard1->WhiteToMove(); },
                                EngineWaitMilliseconds));
    EXPECT_FALSE(Board()->Thinking());
    ASSERT_EQ(Lines().size(), 1);
    EXPECT_TRUE(Lines()[0].startsWith("1.  e2-e4    "));
    EXPECT_GT(Lines()[0].size(), 13);

    // The engine's move is an ordinary one: the next human move follows it.
    const QString answer = Board()->GetFENPosition();
    EXPECT_NE(answer, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(Board()->CurrentMove(), 2);
}

} // namespace
