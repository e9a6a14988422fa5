// The board's patterns and colours chosen in the real main window, and their coming back at the
// next start through ./Quendel.ini.
#include "MainWindowFixture.h"

#include "app/BoardAppearance.h"
#include "platform/PropertyAdapters.h"

#include <QColorDialog>

namespace {

// Inside square a6 (light), b6 (dark) and the left border, away from frames and coordinates.
const QPoint LightSpot(35, 115);
const QPoint DarkSpot(75, 115);
const QPoint BorderSpot(3, 45);

QRgb TilePixel(int image, QPoint spot) {
    const QImage tile = BoardPatternImage(image).toImage();
    return tile.pixel(spot.x() % tile.width(), spot.y() % tile.height());
}

QRgb Rgb(TColor colour) {
    return platform::ToQColor(colour).rgb();
}

QRgb IconColour(const QAction* item) {
    return item->icon().pixmap(16, 16).toImage().pixel(8, 8);
}

class BoardLookTest : public MainWindowTest {
protected:
    platform::ColorDialogHook oldColour;
    std::vector<QString> colourDialogs;
    QColor colourAnswer; // invalid: the dialog is cancelled

    void SetUp() override {
        MainWindowTest::SetUp();
        oldColour = platform::SetColorDialogHook([this](const QColorDialog& d, QColor& colour) {
            colourDialogs.push_back(d.objectName());
            if (!colourAnswer.isValid())
                return false;
            colour = colourAnswer;
            return true;
        });
    }

    void TearDown() override {
        platform::SetColorDialogHook(oldColour);
        MainWindowTest::TearDown();
    }

    void Restart() {
        DestroyWindows();
        CreateWindows();
        FormMain->show();
        QApplication::processEvents();
    }

    void ChooseColour(QAction* item, TColor colour) {
        colourAnswer = platform::ToQColor(colour);
        item->trigger();
    }

    QRgb Seen(QPoint spot) const { return Board()->grab().toImage().pixel(spot); }

    void ExpectPattern(int tag) const {
        EXPECT_TRUE(Board()->BoardFrame());
        EXPECT_EQ(Board()->SquareDark().toImage(), BoardPatternImage(tag).toImage()) << tag;
        EXPECT_EQ(Board()->BorderBitmap().toImage(), BoardPatternImage(tag).toImage()) << tag;
        EXPECT_EQ(Board()->SquareLight().toImage(), BoardPatternImage(tag + 1).toImage()) << tag;
        EXPECT_EQ(Seen(LightSpot), TilePixel(tag + 1, LightSpot)) << tag;
        EXPECT_EQ(Seen(DarkSpot), TilePixel(tag, DarkSpot)) << tag;
        EXPECT_EQ(Seen(BorderSpot), TilePixel(tag, BorderSpot)) << tag;
    }

    void ExpectColours(TColor light, TColor dark, TColor border) const {
        EXPECT_FALSE(TChessBoard::BitmapExists(Board()->SquareLight()));
        EXPECT_FALSE(TChessBoard::BitmapExists(Board()->SquareDark()));
        EXPECT_FALSE(TChessBoard::BitmapExists(Board()->BorderBitmap()));
        EXPECT_EQ(Seen(LightSpot), Rgb(light));
        EXPECT_EQ(Seen(DarkSpot), Rgb(dark));
        EXPECT_EQ(Seen(BorderSpot), Rgb(border));
    }

    QString Ini() const { return QString::fromLatin1(FileBytes("Quendel.ini")); }
};

TEST_F(BoardLookTest, FirstStartWearsRosewoodAndBoxwoodWithTheDialogsColoursInTheMenu) {
    EXPECT_TRUE(FormMain->PatternPalissandroefaggio1->isChecked());
    ExpectPattern(0);
    EXPECT_EQ(IconColour(FormMain->Colorecasellechiare1), Rgb(platform::clSilver));
    EXPECT_EQ(IconColour(FormMain->Colorecasellescure1), Rgb(platform::clGray));
    EXPECT_EQ(IconColour(FormMain->Colorebordo1), Rgb(platform::clOlive));
    EXPECT_EQ(FormMain->Colorebordo1->icon().availableSizes().value(0), QSize(16, 16));
    EXPECT_FALSE(FormMain->PatternTessuto1->isVisible());
}

TEST_F(BoardLookTest, EachPatternItemDressesTheBoard) {
    const std::pair<QAction*, int> items[] = {
        {FormMain->PatternEbanoesicomoro1, 2},
        {FormMain->PatternPelle1, 4},
        {FormMain->PatternTessuto1, 6},
        {FormMain->PatternPalissandroefaggio1, 0},
    };
    for (const auto& [item, tag] : items) {
        EXPECT_EQ(item->isEnabled(), item->isVisible()) << tag;
        item->trigger();
        EXPECT_TRUE(item->isChecked());
        ExpectPattern(tag);
    }
    FormMain->PatternColori1->trigger();
    ExpectColours(platform::clSilver, platform::clGray, platform::clOlive);
}

TEST_F(BoardLookTest, AChosenColourShowsPlainColoursAndKeepsThePatternChecked) {
    FormMain->PatternPelle1->trigger();
    ChooseColour(FormMain->Colorecasellechiare1, 0x00E0F0);
    EXPECT_EQ(colourDialogs, std::vector<QString>{"ColorDialogCaselleChiare"});
    EXPECT_TRUE(FormMain->PatternPelle1->isChecked());
    EXPECT_EQ(FormMain->ColorDialogCaselleChiare->Color(), 0x00E0F0);
    EXPECT_EQ(IconColour(FormMain->Colorecasellechiare1), Rgb(0x00E0F0));
    ExpectColours(0x00E0F0, platform::clGray, platform::clOlive);

    ChooseColour(FormMain->Colorecasellescure1, 0x204060);
    ChooseColour(FormMain->Colorebordo1, 0x103020);
    ExpectColours(0x00E0F0, 0x204060, 0x103020);

    // A cancelled dialog changes nothing.
    FormMain->PatternPelle1->trigger();
    colourAnswer = QColor();
    FormMain->Colorebordo1->trigger();
    EXPECT_EQ(FormMain->ColorDialogBordo->Color(), 0x103020);
    EXPECT_EQ(IconColour(FormMain->Colorebordo1), Rgb(0x103020));
    ExpectPattern(4);
}

TEST_F(BoardLookTest, PatternAndColoursComeBackAfterARestart) {
    ChooseColour(FormMain->Colorecasellechiare1, 0x00E0F0);
    ChooseColour(FormMain->Colorecasellescure1, 0x204060);
    ChooseColour(FormMain->Colorebordo1, 0x103020);
    FormMain->PatternPelle1->trigger();
    Restart();

    const QString ini = Ini();
    EXPECT_TRUE(ini.contains("[FinestraPrincipale]"));
    for (const char* line :
         {"PatternPelle1_Checked=True", "PatternPalissandroefaggio1_Checked=False",
          "PatternColori1_Checked=False", "ColorDialogCaselleChiare_Color=57584",
          "ColorDialogCaselleScure_Color=2113632", "ColorDialogBordo_Color=1060896"})
        EXPECT_TRUE(ini.contains(line)) << line << "\n" << ini.toStdString();

    EXPECT_TRUE(FormMain->PatternPelle1->isChecked());
    EXPECT_FALSE(FormMain->PatternPalissandroefaggio1->isChecked());
    ExpectPattern(4);
    EXPECT_EQ(FormMain->ColorDialogCaselleChiare->Color(), 0x00E0F0);
    EXPECT_EQ(IconColour(FormMain->Colorecasellechiare1), Rgb(0x00E0F0));
    EXPECT_EQ(IconColour(FormMain->Colorecasellescure1), Rgb(0x204060));
    EXPECT_EQ(IconColour(FormMain->Colorebordo1), Rgb(0x103020));

    FormMain->PatternColori1->trigger();
    Restart();
    EXPECT_TRUE(FormMain->PatternColori1->isChecked());
    ExpectColours(0x00E0F0, 0x204060, 0x103020);
}

TEST_F(BoardLookTest, NoPatternCheckedInADamagedFileGivesTheFirstPattern) {
    DestroyWindows();
    WriteFile("Quendel.ini", "[FinestraPrincipale]\n"
                             "PatternColori1_Checked=False\n"
                             "PatternEbanoesicomoro1_Checked=False\n"
                             "PatternPalissandroefaggio1_Checked=False\n"
                             "PatternPelle1_Checked=nonsense\n");
    CreateWindows();
    FormMain->show();
    QApplication::processEvents();
    EXPECT_TRUE(FormMain->PatternPalissandroefaggio1->isChecked());
    ExpectPattern(0);
}

} // namespace
