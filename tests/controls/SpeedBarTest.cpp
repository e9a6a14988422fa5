#include "controls/SpeedBar.h"

#include "../ConfigHome.h"
#include "ControlsTestUtil.h"
#include "platform/IniFile.h"
#include "tests/controls/MouseDrag.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Records the change messages a bar sends it.
class EditWindow : public QWidget {
public:
    QList<std::pair<int, QObject*>> Messages;

protected:
    bool event(QEvent* event) override {
        if (event->type() == CM_SPEEDBARCHANGED()) {
            auto* m = static_cast<TSpeedbarChangedEvent*>(event);
            Messages.append({m->WParam, m->LParam});
            return true;
        }
        return QWidget::event(event);
    }
};

void Escape(QWidget* w) {
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A form with the main window's bar: 26 x 26 buttons, offsets 3, two sections.
struct BarForm {
    QWidget form;
    TSpeedBar* bar;
    TSpeedItem* save;
    TSpeedItem* open;
    TSpeedItem* fresh;
    TSpeedItem* hidden;

    BarForm() {
        form.resize(400, 300);
        bar = new TSpeedBar(&form);
        bar->setObjectName(QStringLiteral("SpeedBar2"));
        bar->BeginLoading();
        bar->SetBtnWidth(26);
        bar->SetBtnHeight(26);
        bar->SetBtnOffsetHorz(3);
        bar->SetBtnOffsetVert(3);
        bar->resize(bar->width(), 32);
        bar->AddSection(QStringLiteral("File"));
        bar->AddSection(QStringLiteral("Partita"));
        save = Item(0, "SpeedItemSave", 29, true);
        open = Item(0, "SpeedItemOpen", 3, true);
        fresh = Item(1, "SpeedItemNew", 68, true);
        hidden = Item(1, "SpeedItemBack", 120, false);
        bar->EndLoading();
    }

    TSpeedItem* Item(int section, const char* name, int left, bool visible) {
        TSpeedItem* item = bar->NewItem(&form, section, QString::fromLatin1(name));
        item->SetLeft(left);
        item->SetTop(3);
        item->SetVisible(visible);
        return item;
    }

    void Show() {
        form.show();
        form.activateWindow();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
};

} // namespace

TEST(SpeedBarGeometryTest, GridStepsFollowTheButtonSizeAlongTheBar) {
    const std::pair<int, int> cases[] = {{24, 8}, {26, 13}, {23, 1}, {1, 1},  {2, 1},
                                         {9, 3},  {16, 8},  {8, 2},  {30, 10}};
    for (auto [size, step] : cases) {
        TSpeedBar bar;
        bar.SetBtnWidth(size);
        EXPECT_EQ(bar.GridSize(), QPoint(step, 23)) << size;
        bar.SetAlign(alLeft);
        // Turned: the width became the height, the step runs down the bar.
        EXPECT_EQ(bar.GridSize(), QPoint(23, step)) << size;
    }
}

TEST(SpeedBarGeometryTest, DropsSnapAlongTheBarToTheNearestStepHalvesToEven) {
    BarForm f;
    // Step 13, offsets 3: (20 - 3) / 13 = 1.3 rounds to 1; y 27 truncates to row 0.
    EXPECT_TRUE(f.bar->AcceptDropItem(f.hidden, 20, 27));
    EXPECT_EQ(QPoint(f.hidden->Left(), f.hidden->Top()), QPoint(16, 3));
    EXPECT_TRUE(f.hidden->Visible());

    f.bar->SetBtnWidth(24); // step 8
    const std::pair<int, int> cases[] = {{7, 3}, {15, 19}, {19, 19}, {23, 19}, {31, 35}, {-2, -5}};
    for (auto [x, left] : cases) {
        f.bar->AcceptDropItem(f.hidden, x, 3);
        EXPECT_EQ(f.hidden->Left(), left) << x;
    }
    // Outside the bar: hidden, and refused.
    EXPECT_FALSE(f.bar->AcceptDropItem(f.hidden, 3, 70));
    EXPECT_FALSE(f.hidden->Visible());
    // An item of no section of this bar is refused and keeps its place.
    TSpeedBar other;
    other.AddSection(QStringLiteral("X"));
    EXPECT_FALSE(other.AcceptDropItem(f.save, 60, 3));
    EXPECT_EQ(f.save->Left(), 29);
}

TEST(SpeedBarGeometryTest, AVerticalBarTransposesButtonsOffsetsAndGrid) {
    BarForm f;
    f.bar->SetBtnWidth(24); // 24 x 26, step 8 along
    f.bar->SetBtnOffsetVert(5);
    f.save->SetLeft(43);
    QPointer<TSpeedbarButton> button = f.save->Button();
    EXPECT_EQ(button->geometry(), QRect(43, 5, 24, 26));

    f.bar->SetAlign(alLeft);
    EXPECT_EQ(f.bar->GetOrientation(), boVertical);
    EXPECT_EQ(f.bar->BtnWidth(), 26);
    EXPECT_EQ(f.bar->BtnHeight(), 24);
    EXPECT_EQ(f.bar->BtnOffsetHorz(), 5);
    EXPECT_EQ(f.bar->BtnOffsetVert(), 3);
    EXPECT_EQ(f.bar->GridSize(), QPoint(26, 8));
    EXPECT_EQ(button->geometry(), QRect(5, 43, 26, 24));
    EXPECT_EQ(f.bar->width(), 32);

    // On a vertical bar a button keeps Left at the offset or more.
    f.save->SetLeft(0);
    EXPECT_EQ(f.save->Left(), 5);
    // Across the bar truncated, along it rounded.
    EXPECT_TRUE(f.bar->AcceptDropItem(f.save, 20, 17));
    EXPECT_EQ(QPoint(f.save->Left(), f.save->Top()), QPoint(5, 19));

    f.bar->SetAlign(alBottom);
    EXPECT_EQ(f.bar->GetOrientation(), boHorizontal);
    EXPECT_EQ(button->geometry(), QRect(19, 5, 24, 26));

    EXPECT_THROW(f.bar->SetAlign(alClient), ESpeedbarError);
    EXPECT_THROW(f.bar->SetAlign(alNone), ESpeedbarError);
    EXPECT_THROW(f.bar->SetOrientation(boVertical), ESpeedbarError);
    f.bar->Position = bpCustom;
    f.bar->SetOrientation(boVertical);
    EXPECT_EQ(f.bar->GetOrientation(), boVertical);
    EXPECT_EQ(f.bar->Align(), alBottom);
}

TEST(SpeedBarGeometryTest, SizesOffsetsAndScaleStayInBounds) {
    BarForm f;
    f.bar->SetBtnWidth(0);
    f.bar->SetBtnHeight(-5);
    EXPECT_EQ(f.bar->BtnWidth(), 1);
    EXPECT_EQ(f.bar->BtnHeight(), 1);
    EXPECT_EQ(f.save->Button()->size(), QSize(1, 1));
    f.bar->SetBtnWidth(26);
    f.bar->SetBtnHeight(26);

    // Offsets never fall below the minimum (2 + the raised bevel's width).
    EXPECT_EQ(f.bar->MinButtonsOffset(), 3);
    f.bar->SetBtnOffsetHorz(0);
    EXPECT_EQ(f.bar->BtnOffsetHorz(), 3);
    f.bar->SetBtnOffsetHorz(7);
    EXPECT_EQ(f.save->Left(), 33); // moved by the delta
    f.bar->SetBtnOffsetHorz(3);

    f.bar->ChangeScale(3, 0);
    EXPECT_EQ(f.bar->BtnWidth(), 26);
    EXPECT_EQ(f.save->Left(), 29);
    f.bar->ChangeScale(2, 1);
    EXPECT_EQ(f.bar->BtnWidth(), 52);
    EXPECT_EQ(f.bar->BtnOffsetVert(), 6);
    EXPECT_EQ(f.save->Button()->size(), QSize(52, 52));
    EXPECT_EQ(f.save->Left(), 58);
    EXPECT_EQ(f.bar->height(), 64);

    // Size index out of range reads 0 and writes nothing.
    EXPECT_EQ(f.bar->GetButtonSize(2), 0);
    f.bar->SetButtonSize(2, 9);
    EXPECT_EQ(f.bar->GetButtonsOffset(-1), 0);
}

TEST(SpeedBarPaintTest, BoundLinesAndWallpaperByPixels) {
    TSpeedBar bar;
    bar.SetBevelOuter(platform::TCustomPanel::bvNone);
    bar.resize(40, 20);
    bar.SetBoundLines(blTop | blLeft | blBottom | blRight);
    QImage shot = Shot(bar);
    const TColor dark = Plain(platform::clBtnShadow), light = Plain(platform::clBtnHighlight);
    const TColor face = Plain(platform::clBtnFace);
    EXPECT_EQ(PixelAt(shot, 5, 0), dark);
    EXPECT_EQ(PixelAt(shot, 5, 1), light);
    EXPECT_EQ(PixelAt(shot, 0, 10), dark);
    EXPECT_EQ(PixelAt(shot, 1, 10), light);
    EXPECT_EQ(PixelAt(shot, 5, 18), dark);
    EXPECT_EQ(PixelAt(shot, 5, 19), light);
    EXPECT_EQ(PixelAt(shot, 38, 10), dark);
    EXPECT_EQ(PixelAt(shot, 39, 10), light);
    EXPECT_EQ(PixelAt(shot, 5, 5), face);
    // The left light line starts below the top dark line; the right dark line stops above the
    // bottom light one.
    EXPECT_EQ(PixelAt(shot, 1, 0), dark);
    EXPECT_EQ(PixelAt(shot, 38, 19), light);

    bar.SetBoundLines({});
    QPixmap tile(7, 5);
    tile.fill(Qt::red);
    QPainter(&tile).fillRect(0, 0, 1, 1, Qt::blue);
    bar.SetWallpaper(tile);
    shot = Shot(bar);
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(7, 5), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(35, 15), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(39, 19), qRgb(255, 0, 0));

    // Inside a raised bevel the wallpaper is clipped to the bevel's inside.
    bar.SetBevelOuter(platform::TCustomPanel::bvRaised);
    shot = Shot(bar);
    EXPECT_EQ(shot.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_NE(shot.pixel(0, 10), qRgb(255, 0, 0));

    bar.SetOptions(bar.Options() | sbStretchBitmap);
    shot = Shot(bar);
    EXPECT_EQ(shot.pixel(20, 10), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(1, 1), qRgb(0, 0, 255));
}

TEST(SpeedBarPaintTest, TheSingleBorderFollowsTheParentsLookUntilItsOwnIsSet) {
    platform::TCustomPanel parent;
    auto* bar = new TSpeedBar(&parent);
    EXPECT_TRUE(bar->Ctl3D());
    EXPECT_TRUE(bar->ParentCtl3D());
    bar->SetBevelOuter(platform::TCustomPanel::bvNone);
    bar->resize(40, 20);
    bar->SetBorderStyle(platform::TCustomPanel::bsSingle);
    QImage shot = Shot(*bar);
    EXPECT_EQ(PixelAt(shot, 20, 0), Plain(platform::clBtnShadow));
    EXPECT_EQ(PixelAt(shot, 20, 1), Plain(platform::cl3DDkShadow));
    EXPECT_EQ(PixelAt(shot, 20, 19), Plain(platform::clBtnHighlight));
    EXPECT_EQ(PixelAt(shot, 20, 18), Plain(platform::cl3DLight));
    EXPECT_EQ(bar->contentsMargins().top(), 2) << "aligned children stand inside the edge";

    parent.SetCtl3D(false);
    EXPECT_FALSE(bar->Ctl3D());
    shot = Shot(*bar);
    EXPECT_EQ(PixelAt(shot, 20, 0), Plain(platform::clWindowFrame));
    EXPECT_EQ(PixelAt(shot, 20, 19), Plain(platform::clWindowFrame));
    EXPECT_EQ(PixelAt(shot, 20, 1), Plain(platform::clBtnFace));
    EXPECT_EQ(bar->contentsMargins().top(), 1);

    bar->SetCtl3D(true);
    parent.SetCtl3D(true);
    parent.SetCtl3D(false);
    EXPECT_TRUE(bar->Ctl3D()) << "its own look stays";
    EXPECT_EQ(PixelAt(Shot(*bar), 20, 0), Plain(platform::clBtnShadow));
}

TEST(SpeedBarSectionsTest, CaptionsSectionsAndTheirErrors) {
    QWidget form;
    auto* bar = new TSpeedBar(&form);
    EXPECT_EQ(bar->AddSection(QStringLiteral("File")), 0);
    bar->AddSection(QStringLiteral("Partita"));
    auto* second = new TSpeedbarSection(&form);
    second->SetCaption(QStringLiteral("File"));
    auto* third = new TSpeedbarSection(&form);
    third->SetCaption(QStringLiteral("File"));
    second->SetSpeedbar(bar);
    third->SetSpeedbar(bar);
    EXPECT_EQ(second->Caption(), QStringLiteral("File (1)"));
    EXPECT_EQ(third->Caption(), QStringLiteral("File (2)"));
    EXPECT_EQ(third->GetIndex(), 3);
    // A new section's taken caption is suffixed as it joins; renaming one in the bar is refused.
    const int added = bar->AddSection(QStringLiteral("File (1)"));
    EXPECT_EQ(bar->GetSection(added)->Caption(), QStringLiteral("File (1) (1)"));
    bar->RemoveSection(added);
    EXPECT_THROW(second->SetCaption(QStringLiteral("Partita")), ESpeedbarError);
    EXPECT_EQ(bar->SearchSection(QStringLiteral("file")), -1);
    EXPECT_EQ(bar->SearchSection(QStringLiteral("Partita")), 1);
    third->SetIndex(-7);
    EXPECT_EQ(bar->GetSection(0), third);
    EXPECT_THROW(bar->GetSection(4), std::out_of_range);
    EXPECT_THROW(bar->RemoveSection(-1), std::out_of_range);
    EXPECT_THROW(bar->DeleteSection(9), std::out_of_range);
    EXPECT_EQ(bar->Items(9, 0), nullptr);
    EXPECT_EQ(bar->ItemsCount(-1), 0);
    EXPECT_EQ(bar->NewItem(&form, 9, QStringLiteral("X")), nullptr);

    // Detaching keeps the items, out of every bar; removing destroys each once.
    const int file = bar->SearchSection(QStringLiteral("File"));
    QPointer<TSpeedItem> a = bar->NewItem(&form, file, QStringLiteral("A"));
    QPointer<TSpeedItem> b = bar->NewItem(&form, file, QStringLiteral("B"));
    a->SetVisible(true);
    bar->DeleteSection(file);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->SpeedBar(), nullptr);
    EXPECT_EQ(a->GetSection(), -1);
    EXPECT_EQ(a->Button()->parentWidget(), nullptr);
    EXPECT_TRUE(a->Button()->isHidden());
    const int partita = bar->SearchSection(QStringLiteral("Partita"));
    bar->AddItem(partita, a);
    bar->AddItem(partita, b);
    EXPECT_EQ(a->GetSection(), partita);
    EXPECT_FALSE(a->Button()->isHidden());
    bar->RemoveSection(partita);
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(b.isNull());
    bar->ClearSections();
    EXPECT_EQ(bar->GetSectionCount(), 0);
}

TEST(SpeedBarSectionsTest, ItemsOfLaterSectionsFollowWhenOneGoes) {
    const std::function<void(TSpeedBar*)> removals[] = {
        [](TSpeedBar* bar) { bar->RemoveSection(0); },
        [](TSpeedBar* bar) { bar->DeleteSection(0); },
        [](TSpeedBar* bar) { delete bar->GetSection(0); },
    };
    for (const auto& remove : removals) {
        QWidget form;
        auto* bar = new TSpeedBar(&form);
        bar->AddSection(QStringLiteral("File"));
        bar->AddSection(QStringLiteral("Partita"));
        bar->AddSection(QStringLiteral("Zeltor"));
        bar->NewItem(&form, 0, QStringLiteral("Gone"));
        TSpeedItem* game = bar->NewItem(&form, 1, QStringLiteral("Game"));
        TSpeedItem* mail = bar->NewItem(&form, 2, QStringLiteral("Mail"));
        remove(bar);
        EXPECT_EQ(game->GetSection(), 0);
        EXPECT_EQ(game->GetSectionName(), QStringLiteral("Partita"));
        EXPECT_EQ(mail->GetSection(), 1);
        EXPECT_EQ(mail->GetSectionName(), QStringLiteral("Zeltor"));
    }
}

TEST(SpeedBarSectionsTest, AddingItemsFindsOrMakesTheirSection) {
    QWidget form;
    auto* bar = new TSpeedBar(&form);
    auto* loose = new TSpeedItem(&form);
    bar->AddItem(0, loose);
    ASSERT_EQ(bar->GetSectionCount(), 1);
    EXPECT_EQ(bar->GetSection(0)->Caption(), QString());
    EXPECT_EQ(loose->SpeedBar(), bar);
    bar->AddSection(QStringLiteral("Second"));

    // A section beyond the last means the last; a negative one from OnAddItem means the first.
    auto* far = new TSpeedItem(&form);
    bar->AddItem(7, far);
    EXPECT_EQ(far->GetSection(), 1);
    bar->OnAddItem = [](TSpeedItem* item) { item->SetSection(-3); };
    auto* pushed = new TSpeedItem(&form);
    bar->AddItem(1, pushed);
    EXPECT_EQ(pushed->GetSection(), 0);
    bar->OnAddItem = nullptr;
    // Already in the bar: it moves to the end of the other section.
    bar->AddItem(1, loose);
    EXPECT_EQ(loose->GetSection(), 1);
    EXPECT_EQ(bar->Items(1, 1), loose);
    int section = 0, index = 0;
    EXPECT_TRUE(bar->FindItem(far, section, index));
    EXPECT_EQ(std::make_pair(section, index), std::make_pair(1, 0));

    // A duplicate component name destroys the new item and is passed on.
    auto* named = bar->NewItem(&form, 0, QStringLiteral("Name1"));
    EXPECT_EQ(named->Caption(), QStringLiteral("Name1"));
    EXPECT_THROW(bar->NewItem(&form, 0, QStringLiteral("name1")), ESpeedbarError);
    EXPECT_EQ(bar->ItemsCount(0), 2);
    EXPECT_EQ(bar->SearchItem(QStringLiteral("NAME1")), named);
    // A rename carries a caption that showed the old name.
    named->SetName(QStringLiteral("Renamed"));
    EXPECT_EQ(named->Caption(), QStringLiteral("Renamed"));
    named->SetCaption(QStringLiteral("Other"));
    named->SetName(QStringLiteral("Again"));
    EXPECT_EQ(named->Caption(), QStringLiteral("Other"));

    // A destroyed item leaves its section.
    delete far;
    EXPECT_EQ(bar->ItemsCount(1), 1);
}

TEST(SpeedBarItemsTest, TheHintFollowsTheCaption) {
    struct Case {
        const char* oldCaption;
        const char* hint;
        const char* caption;
        const char* expected;
    };
    const Case cases[] = {
        {"Save", "Save", "Store", "Store|"},
        {"Save", "Save|Saves the game", "Store", "Store|Saves the game"},
        {"Save", "Save|Saves", "Store|Keeps it", "Store|Keeps it"},
        {"Save", "Save|Saves", "Store|", "Store|Saves"},
        {"Save", "Other|Saves", "Store", "Other|Saves"}, // the hint is the user's own
    };
    QWidget form;
    TSpeedBar bar(&form);
    bar.AddSection(QStringLiteral("S"));
    for (const Case& c : cases) {
        TSpeedItem* item = bar.NewItem(&form, 0, QString());
        bar.BeginLoading();
        item->SetCaption(QString::fromLatin1(c.oldCaption));
        item->SetHint(QString::fromLatin1(c.hint));
        bar.EndLoading();
        item->SetCaption(QString::fromLatin1(c.caption));
        EXPECT_EQ(item->Hint(), QString::fromLatin1(c.expected)) << c.caption;
        delete item;
    }
    // Without an owner that is a control the hint always follows.
    QObject plain;
    TSpeedItem item(&plain);
    item.SetHint(QStringLiteral("Mine|Long"));
    item.SetCaption(QStringLiteral("New"));
    EXPECT_EQ(item.Hint(), QStringLiteral("New|Long"));
    EXPECT_EQ(item.Button()->toolTip(), QStringLiteral("New"));
    EXPECT_EQ(item.Button()->statusTip(), QStringLiteral("Long"));
}

TEST(SpeedBarItemsTest, VisibilityEnablingAndEditing) {
    BarForm f;
    f.Show();
    EXPECT_TRUE(f.save->Button()->isVisible());
    EXPECT_FALSE(f.hidden->Button()->isVisible());
    f.hidden->SetVisible(true);
    EXPECT_TRUE(f.hidden->Button()->isVisible());
    EXPECT_EQ(f.hidden->Button()->parentWidget(), f.bar);

    // A button without a parent is never shown, not even as a window of its own.
    QObject plain;
    TSpeedItem loose(&plain);
    loose.SetVisible(true);
    EXPECT_TRUE(loose.Visible());
    EXPECT_FALSE(loose.Button()->isVisible());
    EXPECT_TRUE(loose.Button()->isHidden());

    f.save->SetEnabled(false);
    EXPECT_FALSE(f.save->Button()->isEnabled());
    EditWindow editor;
    f.bar->SetEditing(&editor);
    EXPECT_TRUE(f.save->Editing());
    EXPECT_TRUE(f.save->Button()->isEnabled()); // an edited button can be dragged
    f.save->SetEnabled(true);
    f.save->SetEnabled(false);
    EXPECT_TRUE(f.save->Button()->isEnabled());
    int customized = 0;
    f.bar->OnCustomize = [&](QObject*) { ++customized; };
    f.bar->SetEditing(nullptr);
    EXPECT_EQ(customized, 1);
    EXPECT_FALSE(f.save->Button()->isEnabled());

    // A disabled item's faded second glyph is what the button draws.
    QImage glyph(40, 20, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter(&glyph).fillRect(0, 0, 20, 20, Qt::blue);
    QPainter(&glyph).fillRect(20, 0, 20, 20, QColor(200, 200, 255));
    platform::TBitmap bitmap(glyph);
    bitmap.SetTransparentColor(platform::clFuchsia);
    f.fresh->SetGlyph(bitmap);
    f.fresh->SetNumGlyphs(2);
    const QImage on = Shot(*f.fresh->Button());
    f.fresh->SetEnabled(false);
    const QImage off = Shot(*f.fresh->Button());
    EXPECT_EQ(on.pixel(13, 13), qRgb(0, 0, 255));
    EXPECT_EQ(off.pixel(13, 13), qRgb(200, 200, 255));
}

TEST(SpeedBarLayoutTest, SavesTheSectionKeyByKey) {
    QTemporaryDir dir;
    BarForm f;
    TIniFile ini(dir.filePath("t.ini"));
    f.bar->SaveLayout(&ini);
    const QString section = QStringLiteral("QWidgetSpeedBar2");
    EXPECT_EQ(ini.ReadSection(section),
              QStringList({"Position", "Width", "Version", "PixelsPerInch", "BtnWidth", "BtnHeight",
                           "Button1", "Button2", "Button3", "Count"}));
    EXPECT_EQ(ini.ReadString(section, "Button1", ""), QStringLiteral("SpeedItemSave,29,3"));
    EXPECT_EQ(ini.ReadString(section, "Button2", ""), QStringLiteral("SpeedItemOpen,3,3"));
    EXPECT_EQ(ini.ReadString(section, "Button3", ""), QStringLiteral("SpeedItemNew,68,3"));
    EXPECT_EQ(ini.ReadInteger(section, "Count", 0), 3);
    EXPECT_EQ(ini.ReadInteger(section, "Width", 0), 32);

    f.bar->SetAlign(alLeft);
    f.bar->resize(40, f.bar->height());
    f.save->SetStored(false);
    f.bar->SaveLayout(&ini);
    EXPECT_EQ(ini.ReadInteger(section, "Position", 0), 3);
    EXPECT_EQ(ini.ReadInteger(section, "Width", 0), 40);
    EXPECT_EQ(ini.ReadInteger(section, "Count", 0), 2);
    EXPECT_EQ(ini.ReadString(section, "Button1", ""), QStringLiteral("SpeedItemOpen,3,3"));
}

TEST(SpeedBarLayoutTest, RestoresAndSurvivesDamagedSections) {
    struct Case {
        const char* name;
        QStringList lines;
        TAlign align;
        QStringList visible; // name@left,top
    };
    const QStringList defaults{"SpeedItemSave@29,3", "SpeedItemOpen@3,3", "SpeedItemNew@68,3"};
    const Case cases[] = {
        {"left edge, two buttons",
         {"Position=3", "PixelsPerInch=%PPI%", "Button1=speeditemnew 40 3",
          "Button2=SpeedItemBack,0,0", "Count=2"},
         alLeft,
         {"SpeedItemNew@40,3", "SpeedItemBack@3,3"}},
        {"same item twice: the later decides",
         {"Button1=SpeedItemNew,40,3", "Button2=SpeedItemNew,94,3", "Count=2"},
         alTop,
         {"SpeedItemNew@94,3"}},
        {"unknown names, empty values, words missing or not numbers",
         {"Button1=Nobody,1,1", "Button2=", "Button3=SpeedItemOpen,x", "Button4=SpeedItemSave",
          "Count=4"},
         alTop,
         {"SpeedItemSave@29,3", "SpeedItemOpen@3,3"}},
        {"count zero keeps the built layout",
         {"Button1=SpeedItemBack,3,3", "Count=0"},
         alTop,
         defaults},
        {"a huge count reaches only the keys there are",
         {"Count=2147483647", "Button7=SpeedItemBack,200,3"},
         alTop,
         {"SpeedItemBack@200,3"}},
        {"position out of range gives the top edge", {"Position=9", "Count=0"}, alTop, defaults},
        {"position client gives the top edge", {"Position=5"}, alTop, defaults},
        {"negative position gives the top edge", {"Position=-4"}, alTop, defaults},
        {"another resolution restores only the edge",
         {"Position=2", "PixelsPerInch=1", "Button1=SpeedItemBack,3,3", "Count=1"},
         alBottom,
         defaults},
        {"an older version is ignored",
         {"Version=-1", "Position=4", "Button1=SpeedItemBack,3,3", "Count=1"},
         alTop,
         defaults},
        {"garbage", {"Position=abc", "Count=zz", "Button1=,,,"}, alTop, defaults},
        {"places beyond any screen",
         {"Button1=SpeedItemNew,2147483647,-2147483648", "Count=1"},
         alTop,
         {"SpeedItemNew@32767,3"}},
    };
    const QString ppi =
        QString::number(qRound(QApplication::primaryScreen()->logicalDotsPerInch()));
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QStringList text{"[QWidgetSpeedBar2]"};
        for (QString line : c.lines)
            text << line.replace("%PPI%", ppi);
        QFile file(dir.filePath("t.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.join("\n").toLatin1());
        file.close();
        BarForm f;
        int moved = 0;
        f.bar->OnPosChanged = [&](QObject*) { ++moved; };
        TIniFile ini(dir.filePath("t.ini"));
        f.bar->RestoreLayout(&ini);
        EXPECT_EQ(f.bar->Align(), c.align) << c.name;
        EXPECT_EQ(moved, c.align == alTop ? 0 : 1) << c.name;
        QStringList visible;
        for (TSpeedItem* item : {f.save, f.open, f.fresh, f.hidden})
            if (item->Visible())
                visible << QStringLiteral("%1@%2,%3")
                               .arg(item->objectName())
                               .arg(item->Left())
                               .arg(item->Top());
        QStringList expected = c.visible;
        std::sort(expected.begin(), expected.end());
        std::sort(visible.begin(), visible.end());
        EXPECT_EQ(visible, expected) << c.name;
    }
}

TEST(SpeedBarLayoutTest, ResizableBarsAndTheRegistryRoundTrip) {
    ConfigHome home;
    BarForm f;
    f.bar->SetOptions(f.bar->Options() | sbAllowResize);
    f.bar->SetAlign(alRight);
    f.bar->resize(58, f.bar->height());
    f.fresh->SetVisible(false);
    f.hidden->SetVisible(true);
    f.hidden->SetTop(42);
    {
        TRegIniFile reg(QStringLiteral("Software\\Quendel"));
        f.bar->SaveLayoutReg(&reg);
    }
    BarForm g;
    g.bar->SetOptions(g.bar->Options() | sbAllowResize);
    {
        TRegIniFile reg(QStringLiteral("Software\\Quendel"));
        g.bar->RestoreLayoutReg(&reg);
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("QWidgetSpeedBar2"), "Width", 0), 58);
    }
    EXPECT_EQ(g.bar->Align(), alRight);
    EXPECT_EQ(g.bar->width(), 58);
    EXPECT_FALSE(g.fresh->Visible());
    EXPECT_TRUE(g.hidden->Visible());
    EXPECT_EQ(g.hidden->Top(), 42);

    // A stored thickness too thin for a button is raised to two offsets and a button.
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("t.ini"));
    ini.WriteString("QWidgetSpeedBar2", "Position", "1");
    ini.WriteString("QWidgetSpeedBar2", "Width", "-100");
    g.bar->RestoreLayout(&ini);
    EXPECT_EQ(g.bar->Align(), alTop);
    EXPECT_EQ(g.bar->height(), 32);
}

TEST(SpeedBarDragTest, TheFrameGoesToTheEdgeUnderThePointer) {
    BarForm f;
    f.Show();
    int moved = 0;
    f.bar->OnPosChanged = [&](QObject*) { ++moved; };
    auto drag = [&](QPoint formPoint) {
        const QPoint start(f.bar->width() / 2, f.bar->height() / 2);
        Press(f.bar, start);
        Move(f.bar, start + QPoint(6, 6));
        Move(f.bar, f.bar->mapFrom(&f.form, formPoint));
        Release(f.bar, f.bar->mapFrom(&f.form, formPoint));
    };
    drag({20, 150});
    EXPECT_EQ(f.bar->Align(), alLeft);
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 32, 300));
    EXPECT_EQ(QPoint(f.save->Left(), f.save->Top()), QPoint(3, 29));
    drag({380, 150});
    EXPECT_EQ(f.bar->Align(), alRight);
    EXPECT_EQ(f.bar->geometry(), QRect(368, 0, 32, 300));
    drag({200, 290});
    EXPECT_EQ(f.bar->Align(), alBottom);
    drag({200, 10});
    EXPECT_EQ(f.bar->Align(), alTop);
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 400, 32));
    EXPECT_EQ(moved, 4);

    // The frame shows the target while dragging, cut to the bar's thickness.
    Press(f.bar, {50, 10});
    Move(f.bar, {60, 20});
    ASSERT_TRUE(f.bar->FrameDragging());
    Move(f.bar, f.bar->mapFrom(&f.form, QPoint(20, 150)));
    EXPECT_EQ(f.bar->DragFrameRect(), QRect(f.form.mapToGlobal(QPoint(0, 0)), QSize(32, 300)));
    auto* overlay = f.form.findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    // Escape: no frame, nothing moved, the cursor back.
    Escape(f.bar);
    EXPECT_FALSE(f.bar->FrameDragging());
    Release(f.bar, f.bar->mapFrom(&f.form, QPoint(20, 150)));
    EXPECT_EQ(f.bar->Align(), alTop);
    EXPECT_FALSE(f.bar->testAttribute(Qt::WA_SetCursor));
    for (QWidget* child : f.form.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child != f.bar && child->isVisible())
            ADD_FAILURE() << "an overlay stays: " << child->metaObject()->className();
    (void)overlay;

    // A lost grab cancels too.
    Press(f.bar, {50, 10});
    Move(f.bar, {60, 20});
    QEvent ungrab(QEvent::UngrabMouse);
    QApplication::sendEvent(f.bar, &ungrab);
    EXPECT_FALSE(f.bar->FrameDragging());
    Move(f.bar, {60, 200});
    Release(f.bar, f.bar->mapFrom(&f.form, QPoint(20, 150)));
    EXPECT_EQ(f.bar->Align(), alTop);

    // OnApplyAlign refuses the left edge: the frame stays, the last accepted edge wins.
    f.bar->OnApplyAlign = [](QObject*, TAlign align, bool& apply) { apply = align != alLeft; };
    Press(f.bar, {50, 10});
    Move(f.bar, {60, 20});
    Move(f.bar, f.bar->mapFrom(&f.form, QPoint(200, 290)));
    Move(f.bar, f.bar->mapFrom(&f.form, QPoint(20, 150)));
    EXPECT_EQ(f.bar->DragFrameRect().top(), f.form.mapToGlobal(QPoint(0, 268)).y());
    Release(f.bar, f.bar->mapFrom(&f.form, QPoint(20, 150)));
    EXPECT_EQ(f.bar->Align(), alBottom);

    // Without sbAllowDrag the bar stays.
    f.bar->OnApplyAlign = nullptr;
    f.bar->SetOptions(f.bar->Options() & ~TSpeedbarOptions(sbAllowDrag));
    Press(f.bar, {50, 10});
    Move(f.bar, {60, 20});
    EXPECT_FALSE(f.bar->FrameDragging());
    Release(f.bar, {60, 20});
}

TEST(SpeedBarDragTest, AnEmptyParentKeepsTheEdge) {
    BarForm f;
    f.bar->SetAlign(alRight);
    f.form.resize(0, 0);
    bool apply = true;
    EXPECT_EQ(f.bar->GetFramePos(5, 5, apply), 3);
    f.bar->SetAlign(alBottom);
    EXPECT_EQ(f.bar->GetFramePos(-50, 7, apply), 1);
}

TEST(SpeedBarDragTest, ABarOnNoFormAnswersAsOneNotPlaced) {
    TSpeedBar bar(nullptr);
    bar.SetAlign(alBottom);
    bool apply = true;
    EXPECT_EQ(bar.GetFramePos(5, 5, apply), 1);
    EXPECT_TRUE(bar.GetFrameRect(5, 5).isEmpty());
}

TEST(SpeedBarDragTest, ResizingInWholeRowsOnlyWhileEditing) {
    BarForm f;
    f.Show();
    f.bar->SetOptions(f.bar->Options() | sbAllowResize);
    Press(f.bar, {100, 31});
    Move(f.bar, {100, 70});
    Release(f.bar, {100, 70});
    EXPECT_EQ(f.bar->height(), 32); // not customised: no resize
    EditWindow editor;
    f.bar->SetEditing(&editor);
    Press(f.bar, {100, 31});
    Move(f.bar, {100, 70});
    EXPECT_EQ(f.bar->height(), 58); // |70 - 6| div 26 = 2
    Release(f.bar, {100, 70});
    EXPECT_FALSE(f.bar->testAttribute(Qt::WA_SetCursor));
    Press(f.bar, {100, 57});
    Move(f.bar, {100, 5});
    EXPECT_EQ(f.bar->height(), 32); // at least one row
    Release(f.bar, {100, 5});
}

TEST(SpeedBarDragTest, ButtonsAreDraggedOnAndOffTheBarWhileEditing) {
    BarForm f;
    f.Show();
    EditWindow editor;
    f.bar->SetEditing(&editor);
    TSpeedbarButton* button = f.fresh->Button();
    const QPoint corner(button->width(), button->height());
    // Pointer positions in the button for the image's top-left at a bar point.
    auto at = [&](QPoint barPoint) { return barPoint - button->pos() + corner; };

    Press(button, corner);
    ASSERT_NE(button->DragImage(), nullptr);
    Move(button, at({150, 5}));
    EXPECT_TRUE(button->DragHidden());
    EXPECT_TRUE(button->DragImage()->isVisible());
    EXPECT_EQ(button->DragImage()->geometry(),
              QRect(f.bar->mapToGlobal(QPoint(150, 5)), QSize(26, 26)));
    Move(button, at({150, 200}));
    EXPECT_FALSE(button->DragImage()->isVisible());
    Move(button, at({20, 27}));
    Release(button, at({20, 27}));
    EXPECT_EQ(button->DragImage(), nullptr);
    EXPECT_EQ(QPoint(f.fresh->Left(), f.fresh->Top()), QPoint(16, 3));
    EXPECT_TRUE(button->isVisible());
    ASSERT_EQ(editor.Messages.size(), 1);
    EXPECT_EQ(editor.Messages.last(), std::make_pair(2, static_cast<QObject*>(f.fresh)));

    // Off the bar: hidden, and the dialog hears of the new layout.
    Press(button, corner);
    Release(button, at({100, 80}));
    EXPECT_FALSE(f.fresh->Visible());
    EXPECT_FALSE(button->isVisible());
    EXPECT_EQ(editor.Messages.last(), std::make_pair(0, static_cast<QObject*>(f.bar)));

    // Escape and a lost grab leave everything where it was.
    for (int way = 0; way < 3; ++way) {
        TSpeedbarButton* save = f.save->Button();
        const QPoint saveCorner(save->width(), save->height());
        Press(save, saveCorner);
        Move(save, saveCorner + QPoint(60, 0));
        if (way == 0) {
            Escape(save);
        } else if (way == 1) {
            QEvent ungrab(QEvent::UngrabMouse);
            QApplication::sendEvent(save, &ungrab);
        } else {
            SendMouse(save, QEvent::MouseMove, saveCorner + QPoint(70, 0), Qt::NoButton,
                      Qt::NoButton);
        }
        EXPECT_EQ(save->DragImage(), nullptr) << way;
        EXPECT_FALSE(save->DragHidden()) << way;
        EXPECT_TRUE(save->isVisible()) << way;
        EXPECT_FALSE(save->testAttribute(Qt::WA_SetCursor)) << way;
        Release(save, saveCorner + QPoint(60, 0));
        EXPECT_EQ(f.save->Left(), 29) << way;
    }

    // An item destroyed while its button is dragged takes the drag with it.
    TSpeedbarButton* open = f.open->Button();
    Press(open, corner);
    Move(open, corner + QPoint(40, 0));
    QPointer<TBtnControl> image = open->DragImage();
    delete f.open;
    EXPECT_TRUE(image.isNull());

    // Not editing: a press is a click.
    f.bar->SetEditing(nullptr);
    int clicks = 0;
    f.save->OnClick() = [&](QObject*) { ++clicks; };
    QTest::mouseClick(f.save->Button(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST(SpeedBarDragTest, FindSpeedBarLooksThroughButtons) {
    BarForm f;
    f.Show();
    EXPECT_EQ(FindSpeedBar(f.bar->mapToGlobal(QPoint(200, 10))), f.bar);
    EXPECT_EQ(FindSpeedBar(f.save->Button()->mapToGlobal(QPoint(5, 5))), f.bar);
    EXPECT_EQ(FindSpeedBar(f.form.mapToGlobal(QPoint(200, 200))), nullptr);
}

TEST(SpeedBarTest, ADestroyedBarTellsItsEditWindow) {
    EditWindow editor;
    auto* f = new BarForm;
    TSpeedBar* bar = f->bar;
    QPointer<TSpeedItem> item = f->save;
    bar->SetEditing(&editor);
    int customized = 0;
    bar->OnCustomize = [&](QObject*) { ++customized; };
    delete f;
    ASSERT_EQ(editor.Messages.size(), 1);
    EXPECT_EQ(editor.Messages.first(), std::make_pair(1, static_cast<QObject*>(bar)));
    EXPECT_TRUE(item.isNull());
    EXPECT_EQ(customized, 0);
}

TEST(SpeedBarDragTest, AButtonThatLostItsBarDuringTheDragStaysOutOfSight) {
    BarForm f;
    f.Show();
    EditWindow editor;
    f.bar->SetEditing(&editor);
    TSpeedbarButton* button = f.save->Button();
    const QPoint corner(button->width(), button->height());
    Press(button, corner);
    Move(button, corner + QPoint(40, 0));
    ASSERT_TRUE(button->DragHidden());
    f.bar->RemoveItem(f.save);
    Release(button, corner + QPoint(40, 0));
    EXPECT_EQ(button->DragImage(), nullptr);
    EXPECT_TRUE(f.save->Visible());
    // Its item says visible, but a button without a bar is never shown.
    EXPECT_EQ(button->parentWidget(), nullptr);
    EXPECT_FALSE(button->isVisible());
    EXPECT_TRUE(editor.Messages.isEmpty());
    delete f.save;
}

TEST(SpeedBarItemsTest, AnItemShowsItsImageFromTheBarsList) {
    BarForm f;
    f.Show();
    platform::TImageList images(16, 16);
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images.Add(red, QImage());
    f.save->SetImageIndex(0);
    EXPECT_NE(Shot(*f.save->Button()).pixel(13, 13), qRgb(255, 0, 0));
    f.bar->SetImages(&images);
    EXPECT_EQ(Shot(*f.save->Button()).pixel(13, 13), qRgb(255, 0, 0));
    // The dialog's cell draws the same image, then the caption.
    QImage cell(200, 28, QImage::Format_ARGB32);
    cell.fill(Qt::white);
    QPainter painter(&cell);
    TButtonImage image;
    DrawCellButton(painter, QRect(0, 0, 200, 28), f.save, image, false);
    painter.end();
    EXPECT_EQ(cell.pixel(14, 14), qRgb(255, 0, 0));
    EXPECT_TRUE(Holds(cell, QRect(30, 0, 170, 28), platform::clBlack));
    f.bar->SetImages(nullptr);
    EXPECT_NE(Shot(*f.save->Button()).pixel(13, 13), qRgb(255, 0, 0));
}
