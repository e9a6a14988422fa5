#include "storage/Maxmin.h"
#include "storage/Kxconst.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

TEST(Maxmin, ArraysGiveTheirExtremesAndTheFirstOfEqualValues) {
    const int ints[] = {3, -7, 9, 9, 0};
    EXPECT_EQ(MaxInteger(ints), 9);
    EXPECT_EQ(MinInteger(ints), -7);
    const std::int64_t big[] = {5000000000LL, -1};
    EXPECT_EQ(MaxInt64(big), 5000000000LL);
    EXPECT_EQ(MinInt64(big), -1);
    const long double floats[] = {1.5L, -2.25L};
    EXPECT_EQ(MaxFloat(floats), 1.5L);
    EXPECT_EQ(MinFloat(floats), -2.25L);
    const double dates[] = {45000.5, 45000.25};
    EXPECT_EQ(MaxDateTime(dates), 45000.5);
    EXPECT_EQ(MinDateTime(dates), 45000.25);
    const QVariant variants[] = {QVariant(2), QVariant(10), QVariant(10.0), QVariant("x")};
    EXPECT_EQ(MaxOf(variants), QVariant(10));
    EXPECT_EQ(MinOf(variants), QVariant(2));
    EXPECT_EQ(Max(3, -4), 3);
    EXPECT_EQ(Min(3, -4), -4);
    int a = 1;
    int b = 2;
    SwapInt(a, b);
    EXPECT_EQ(a, 2);
    std::int64_t c = 1;
    std::int64_t d = 5000000000LL;
    SwapInt64(c, d);
    EXPECT_EQ(c, 5000000000LL);
}

TEST(Kxconst, TheTwoCursorsAreDrawnAndOtherNumbersGiveTheArrow) {
    const QCursor hand = ScreenCursor(crHand);
    const QCursor drag = ScreenCursor(crDragHand);
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(drag.shape(), Qt::BitmapCursor);
    EXPECT_FALSE(hand.pixmap().isNull());
    EXPECT_NE(hand.pixmap().toImage(), drag.pixmap().toImage());
    EXPECT_EQ(hand.hotSpot(), QPoint(11, 2));
    EXPECT_EQ(ScreenCursor(0).shape(), Qt::ArrowCursor);
}

} // namespace
