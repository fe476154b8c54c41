// The application package the build assembles: everything the application ships, in one flat
// directory, found from a program of the build tree.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/app_directories.h"

namespace fs = std::filesystem;

#ifdef ZEPHRUN_APP_PACKAGE
TEST(ApplicationPackage, HoldsCopiesPicturesMixPackagesAndThumbnails) {
    const fs::path package = ZEPHRUN_APP_PACKAGE;
    EXPECT_TRUE(fs::equivalent(zplatform::applicationPackageDirectory(), package));
    for (const char* name :
         {"ZephrunConfig.xml", "ZephrunNewsFR.xml", "ZephrunDisco.xml", "bkg-ZR1.jpg",
          "Default.png", "Default-uk.png", "home_2010.mxp4", "home.mxp4", "mxt_2010.mxp4",
          // Thumbnails and covers named by the shipped feed pages.
          "clip_01.jpg", "point_du_jour.jpg"})
        EXPECT_TRUE(fs::is_regular_file(package / name)) << name;
    EXPECT_FALSE(fs::exists(package / "stamp"));
    EXPECT_GT(fs::file_size(package / "mxt_2010.mxp4"), 1000u);
}
#endif
