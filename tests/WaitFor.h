#pragma once
// Waiting inside a GoogleTest body. Qt's QTRY_ and QVERIFY/QCOMPARE checks report to QTest,
// which GoogleTest never hears of: a failed one only leaves the test early and it passes. Wait
// with this instead and check its result: ASSERT_TRUE(WaitFor(...)) << what was awaited.

#include <QTest>
#include <functional>

// Long enough for a loaded machine and a sanitized build; a wait ends as soon as it is met.
inline constexpr int kWaitTimeoutMs = 5000;

// Whether the condition came true within the time, the events served meanwhile.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kWaitTimeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}
