// Accelerometer: deliveries at the update interval on the interface clock, readings, shakes.
#include "platform/ui/accelerometer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/ui/clock.h"
#include "platform/ui/test_driver.h"

using namespace ui;

TEST(Accelerometer, DeliversAtTheIntervalOnlyWhileADelegateIsSet) {
    Clock clock;
    Accelerometer accelerometer(clock);
    std::vector<Acceleration> got;
    accelerometer.setReading(0.1, 0.2, -0.9);
    clock.advanceBy(1.0); // no delegate: nothing runs
    accelerometer.setUpdateInterval(0.25);
    accelerometer.setDelegate([&](const Acceleration& a) { got.push_back(a); });
    clock.advanceBy(1.0);
    ASSERT_EQ(got.size(), 4u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_DOUBLE_EQ(got[i].timestamp, 1.0 + 0.25 * (i + 1));
        EXPECT_DOUBLE_EQ(got[i].x, 0.1);
        EXPECT_DOUBLE_EQ(got[i].z, -0.9);
    }
    // A new interval takes effect at once; a new reading shows in the next delivery.
    got.clear();
    accelerometer.setUpdateInterval(0.5);
    accelerometer.setReading(0, 1, 0);
    clock.advanceBy(1.0);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_DOUBLE_EQ(got[0].y, 1);
    // Intervals below 1/100 s are raised to it.
    accelerometer.setUpdateInterval(0.0001);
    EXPECT_DOUBLE_EQ(accelerometer.updateInterval(), 0.01);
    got.clear();
    clock.advanceBy(0.1);
    EXPECT_NEAR(static_cast<double>(got.size()), 10, 1);
    // No delegate: the updates stop; a delegate may clear itself while called.
    accelerometer.setDelegate({});
    got.clear();
    clock.advanceBy(1.0);
    EXPECT_TRUE(got.empty());
    int calls = 0;
    accelerometer.setDelegate([&](const Acceleration&) {
        ++calls;
        accelerometer.setDelegate({});
    });
    clock.advanceBy(1.0);
    EXPECT_EQ(calls, 1);
}

TEST(Accelerometer, AShakeIsAStrongAlternatingBurstThenRest) {
    Clock clock;
    Accelerometer accelerometer(clock);
    accelerometer.setReading(0.0, -1.0, 0.0);
    accelerometer.setUpdateInterval(0.05);
    std::vector<Acceleration> got;
    accelerometer.setDelegate([&](const Acceleration& a) { got.push_back(a); });
    clock.advanceBy(0.2);
    got.clear();
    accelerometer.shake(0.5);
    EXPECT_TRUE(accelerometer.isShaking());
    clock.advanceBy(0.49);
    ASSERT_GE(got.size(), 8u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_GT(std::abs(got[i].x), 1.05) << i; // strong enough to count as a shake
        if (i) {
            EXPECT_LT(got[i].x * got[i - 1].x, 0) << i; // alternating
        }
    }
    got.clear();
    clock.advanceBy(0.5);
    EXPECT_FALSE(accelerometer.isShaking());
    ASSERT_FALSE(got.empty());
    EXPECT_DOUBLE_EQ(got.back().x, 0.0);
    EXPECT_DOUBLE_EQ(got.back().y, -1.0);
    EXPECT_DOUBLE_EQ(accelerometer.current().y, -1.0);
}

TEST(Accelerometer, TheWindowsAccelerometerShakesOnTheDriversClock) {
    TestDriver driver;
    int strong = 0;
    driver.window().accelerometer().setUpdateInterval(0.25);
    driver.window().accelerometer().setDelegate([&](const Acceleration& a) {
        if (std::abs(a.x) > 1.05 || std::abs(a.y) > 1.4 || std::abs(a.z) > 2.1) ++strong;
    });
    driver.advance(1.0);
    EXPECT_EQ(strong, 0);
    driver.shake();
    EXPECT_GE(strong, 1);
    driver.window().accelerometer().setDelegate({});
}
