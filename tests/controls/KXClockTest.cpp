// The clock with an injected time and a pinned locale: both hour modes, the alarm once per
// arrival, the error, the hands, the fitted font and the face's table.
#include "controls/KXClock.h"
#include "ControlsTestUtil.h"
#include "storage/DateUtil.h"

#include <QLocale>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace platform;

namespace {

double At(int hour, int minute, int second, int day = 45000) {
    return day + (hour * 3600 + minute * 60 + second) / 86400.0;
}

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        clock.OnGetTime = [this](QObject*, double& time) { time = now; };
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    double now = At(12, 0, 0);
    TKxClock clock;
};

// Counts its paintings.
class TCountingClock : public TKxClock {
public:
    int paints = 0;

protected:
    void Paint(QPainter& painter) override {
        ++paints;
        TKxClock::Paint(painter);
    }
};

} // namespace

TEST_F(ClockTest, BothHourModes) {
    const struct {
        double time;
        bool twelve, leadingZero, seconds;
        const char* text;
    } cases[] = {
        {At(0, 15, 7), false, true, true, "00:15:07"},
        {At(0, 15, 7), true, true, true, "12:15:07 AM"},
        {At(13, 5, 0), true, false, false, "1:05 PM"},
        {At(9, 5, 0), false, false, true, "9:05:00"},
        {At(12, 0, 0), true, true, false, "12:00 PM"},
    };
    for (const auto& c : cases) {
        now = c.time;
        clock.SetTwelveHour(c.twelve);
        clock.SetLeadingZero(c.leadingZero);
        clock.SetShowSeconds(c.seconds);
        EXPECT_EQ(clock.TimeText(), c.text);
    }
}

TEST_F(ClockTest, AlarmFiresOncePerArrival) {
    int alarms = 0;
    clock.OnAlarm = [&](QObject* sender) {
        EXPECT_EQ(sender, &clock);
        ++alarms;
    };
    now = At(11, 0, 0);
    clock.SetAlarmHour(12);
    clock.SetAlarmSecond(30);
    clock.AlarmEnabled = true;
    const double steps[] = {At(12, 0, 29),      At(12, 0, 30),        At(12, 0, 45),
                            At(12, 0, 59),      At(12, 1, 0),         At(18, 0, 0),
                            At(0, 0, 1, 45001), At(12, 0, 31, 45001), At(12, 0, 40, 45001)};
    std::vector<int> counts;
    for (double step : steps) {
        now = step;
        clock.TimerExpired();
        counts.push_back(alarms);
    }
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 1, 1, 1, 1, 1, 2, 2}));
}

TEST_F(ClockTest, InvalidAlarmPartsRaiseAndKeepTheAlarm) {
    clock.SetAlarmHour(12);
    clock.SetAlarmSecond(30);
    try {
        clock.SetAlarmHour(24);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "''24:0:30'' is not a valid time");
    }
    EXPECT_THROW(clock.SetAlarmMinute(60), EConvertError);
    EXPECT_EQ(clock.AlarmHour(), 12);
    EXPECT_EQ(clock.AlarmMinute(), 0);
    EXPECT_EQ(clock.AlarmSecond(), 30);
    clock.SetAlarmTime(-1.25); // before day 0: the time of day of its absolute value
    EXPECT_EQ(clock.AlarmHour(), 6);
    clock.SetAlarmTime(3.5);
    EXPECT_EQ(clock.AlarmHour(), 12);
}

TEST_F(ClockTest, ClockRectangleLosesBorderPixelAndBevels) {
    clock.resize(100, 60);
    clock.SetBorderWidth(2);
    EXPECT_EQ(clock.ClockRect(), QRect(5, 5, 90, 50));
    clock.SetBevelInner(TCustomPanel::bvNone);
    EXPECT_EQ(clock.ClockRect(), QRect(4, 4, 92, 52));
}

TEST_F(ClockTest, HandsPointAtTheTime) {
    clock.resize(200, 200);
    clock.SetShowMode(TKxClock::scAnalog);
    clock.SetShowSeconds(false);
    clock.SetColor(clWhite);
    clock.SetFontColor(clBlack);
    now = At(3, 0, 0);
    const QRect face = clock.ClockRect();
    const QPoint centre(face.x() + face.width() / 2, face.y() + face.height() / 2);
    const int radius = face.width() / 2;
    const QImage shot = Shot(clock);
    // Minute hand up to 80%, hour hand right to 60%.
    // Each hand is an outline: sample across it.
    const auto across = [&](const QImage& image, int dx, int dy) {
        const QPoint at = centre + QPoint(radius * dx / 100, radius * dy / 100);
        return Holds(image,
                     dx == 0 ? QRect(at.x() - 4, at.y(), 9, 1) : QRect(at.x(), at.y() - 4, 1, 9),
                     clBlack);
    };
    EXPECT_TRUE(across(shot, 0, -70));
    EXPECT_TRUE(across(shot, 50, 0));
    EXPECT_FALSE(across(shot, -50, 0));
    EXPECT_FALSE(across(shot, 0, 50));
    EXPECT_TRUE(Holds(shot, QRect(centre.x() - 3, face.y(), 7, 12), clTeal));

    clock.SetShowSeconds(true);
    now = At(3, 0, 45);
    const QImage seconds = Shot(clock);
    EXPECT_TRUE(across(seconds, -50, 0));
}

TEST_F(ClockTest, FramedDotsAndTheSunkenEdgeOnlyWithTheLook) {
    platform::TCustomPanel parent;
    auto* analog = new TKxClock(&parent);
    analog->OnGetTime = [this](QObject*, double& time) { time = now; };
    analog->resize(200, 200);
    analog->SetShowMode(TKxClock::scAnalog);
    analog->SetShowSeconds(false);
    analog->SetColor(clYellow);
    analog->SetFontColor(clBlack);
    analog->SetBorderStyle(TCustomPanel::bsSingle);
    now = At(3, 0, 0);
    const auto look = [&](TColor color) {
        const QImage shot = Shot(*analog);
        const QRect face = analog->ClockRect();
        const QRect twelve(face.x() + face.width() / 2 - 3, face.y(), 7, 12);
        int count = 0;
        for (int y = face.top(); y <= face.bottom(); ++y)
            for (int x = face.left(); x <= face.right(); ++x)
                count += PixelAt(shot, x, y) == Plain(color);
        return std::tuple(PixelAt(shot, 100, 0), Holds(shot, twelve, color), count);
    };
    ASSERT_TRUE(analog->Ctl3D());
    const QRect raised = analog->ClockRect();
    // Every hour dot framed, every minute dot lit at its corner.
    auto [edge, twelveLit, lit] = look(clBtnHighlight);
    EXPECT_EQ(edge, Plain(clBtnShadow));
    EXPECT_TRUE(twelveLit);
    EXPECT_GE(lit, 48 + 12 * 2);
    EXPECT_TRUE(std::get<1>(look(clBtnShadow)));

    parent.SetCtl3D(false);
    EXPECT_TRUE(analog->ParentCtl3D());
    EXPECT_FALSE(analog->Ctl3D());
    EXPECT_GT(analog->ClockRect().width(), raised.width()) << "the face grows into the line";
    std::tie(edge, twelveLit, lit) = look(clBtnHighlight);
    EXPECT_EQ(edge, Plain(clWindowFrame));
    EXPECT_FALSE(twelveLit);
    EXPECT_EQ(lit, 0);
    EXPECT_FALSE(std::get<1>(look(clBtnShadow))) << "the hour dot has no frame";
    EXPECT_TRUE(std::get<1>(look(clTeal)));
    EXPECT_GE(std::get<2>(look(clBtnShadow)), 48 * 4) << "the minute dots stay, unlit";

    analog->SetCtl3D(true);
    parent.SetCtl3D(true);
    parent.SetCtl3D(false);
    EXPECT_TRUE(analog->Ctl3D());
    EXPECT_TRUE(std::get<1>(look(clBtnHighlight)));
}

TEST(ClockLook, AChangedLookRepaintsTheAnalogFaceOnly) {
    TCountingClock counted;
    counted.OnGetTime = [](QObject*, double& time) { time = At(3, 0, 0); };
    counted.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&counted));
    const auto paintsAfter = [&](bool look) {
        QCoreApplication::processEvents();
        counted.paints = 0;
        counted.SetCtl3D(look);
        QCoreApplication::processEvents();
        return counted.paints;
    };
    EXPECT_EQ(paintsAfter(false), 0) << "the digits do not change";
    counted.SetShowMode(TKxClock::scAnalog);
    EXPECT_EQ(paintsAfter(true), 1);
}

TEST_F(ClockTest, FittedFont) {
    clock.resize(200, 50);
    clock.SetAutoSize(true);
    QFont probe = clock.font();
    probe.setPixelSize(1000);
    const int sample = QFontMetrics(probe).horizontalAdvance("88888888");
    EXPECT_EQ(clock.font().pixelSize(), std::min(46 * 4 / 5, 1000 * 170 / sample));
    clock.SetTwelveHour(true);
    const int wider = QFontMetrics(probe).horizontalAdvance("88888888 AM");
    EXPECT_EQ(clock.font().pixelSize(), std::min(46 * 4 / 5, 1000 * 170 / wider));
}

TEST(ClockFaceTest, StatedTablePoints) {
    const auto& points = ClockPoints();
    const double ratio = ClockDensityRatio();
    EXPECT_EQ(points[0], QPoint(0, int(-7999 * ratio)));
    EXPECT_EQ(points[15], QPoint(8000, 0));
    EXPECT_EQ(points[5], QPoint(3999, int(-6928 * ratio)));
}
