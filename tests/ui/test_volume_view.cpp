// Volume view: dragging its thumb sets the music volume; volume changes move the thumb.
#include "platform/ui/volume_view.h"

#include <gtest/gtest.h>

#include "platform/ui/system_services.h"
#include "platform/ui/test_driver.h"

using namespace ui;

TEST(VolumeView, DraggingTheThumbSetsTheVolumeAndOutsideChangesMoveIt) {
    TestDriver driver;
    SystemServices& services = driver.window().services();
    services.setMusicVolume(1.0f);
    auto volume = std::make_shared<VolumeView>(Rect{20, 100, 222, 30});
    driver.window().addSubview(volume);
    EXPECT_FLOAT_EQ(volume->value(), 1.0f);
    // The track runs from x 31 to x 231 in the window (thumb 22 wide): 200 points.
    Point thumbCentre{20 + volume->thumbRect().midX(), 100 + volume->thumbRect().midY()};
    EXPECT_NEAR(thumbCentre.x, 231, 0.01);

    driver.drag(thumbCentre, {131, 115});
    EXPECT_NEAR(services.musicVolume(), 0.5f, 0.01f);
    EXPECT_NEAR(volume->value(), 0.5f, 0.01f);
    // Beyond the ends: clamped.
    driver.drag({131, 115}, {0, 115});
    EXPECT_FLOAT_EQ(services.musicVolume(), 0.0f);

    // A touch away from the thumb does not grab it.
    driver.drag({200, 115}, {220, 115});
    EXPECT_FLOAT_EQ(services.musicVolume(), 0.0f);

    // Someone else sets the volume: the thumb follows.
    services.setMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(volume->value(), 0.25f);
    EXPECT_NEAR(20 + volume->thumbRect().midX(), 81, 0.01);

    // A view that is gone is no longer told, and a new one starts at the current volume.
    volume->removeFromSuperview();
    volume.reset();
    services.setMusicVolume(0.75f);
    auto again = std::make_shared<VolumeView>(Rect{0, -30, 100, 20});
    driver.window().addSubview(again);
    EXPECT_FLOAT_EQ(again->value(), 0.75f);
}
