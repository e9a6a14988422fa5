#include "app/CodInfo.h"
#include "platform/MaskEdit.h"

#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

TEST(GameDataDialog, MatchCodeMaskTakesTheServiceCodes) {
    TFormInfo dialog;
    struct Case {
        QString typed;
        QString code;
    };
    const Case cases[] = {
        {"4001", "4001"},
        {"12ab", "12ab"},
        {"12AB", "12AB"},
        {"40015", "4001"},
    };
    for (const Case& c : cases) {
        dialog.EditMatchName->clear();
        dialog.EditMatchName->setCursorPosition(0);
        QTest::keyClicks(dialog.EditMatchName, c.typed);
        EXPECT_EQ(dialog.EditMatchName->Text().remove('*'), c.code) << c.typed.toStdString();
    }
    dialog.EditMatchName->SetText("4001");
    dialog.cbZeltor->setChecked(false);
    EXPECT_FALSE(dialog.EditMatchName->IsMasked());
    EXPECT_EQ(dialog.EditMatchName->Text(), "4001");
    dialog.EditMatchName->clear();
    QTest::keyClicks(dialog.EditMatchName, "A-1x9");
    EXPECT_EQ(dialog.EditMatchName->Text(), "A-1x");
    dialog.cbZeltor->setChecked(true);
    EXPECT_TRUE(dialog.EditMatchName->IsMasked());
}

TEST(GameDataDialog, AnUneditedMatchCodeGoesBackWhole) {
    TFormInfo dialog;
    for (const QString code : {"ABCD", "Coppa", "4001", "12A", "", "Coppa Italia 2026"}) {
        for (const bool zeltor : {true, false}) {
            dialog.cbZeltor->setChecked(zeltor);
            dialog.SetMatchCode(code);
            EXPECT_EQ(dialog.MatchCode(), code) << code.toStdString();
            dialog.cbZeltor->setChecked(!zeltor);
            dialog.cbZeltor->setChecked(zeltor);
            EXPECT_EQ(dialog.MatchCode(), code) << code.toStdString();
        }
    }
    // Typed over, the code is what the edit holds, without the mask's blanks.
    dialog.cbZeltor->setChecked(true);
    dialog.SetMatchCode("Coppa");
    dialog.EditMatchName->selectAll();
    QTest::keyClicks(dialog.EditMatchName, "12");
    EXPECT_EQ(dialog.MatchCode(), "12");
    dialog.cbZeltor->setChecked(false);
    EXPECT_EQ(dialog.MatchCode(), "12");
}
