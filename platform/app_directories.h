// Where the application keeps its data and where its shipped files live.
#pragma once

#include <filesystem>
#include <string_view>

namespace zplatform {

// The user's data directory for this application: the directory set by setUserDataDirectory(),
// else $ZEPHRUN_DATA_DIR, else $XDG_DATA_HOME/zephrun, else $HOME/.local/share/zephrun.
// Not created here.
std::filesystem::path userDataDirectory();
// Overrides the data directory for this process (tests, a shell with its own profile). Call it
// before the first use of the defaults store or of the directories below.
void setUserDataDirectory(const std::filesystem::path& directory);

// The documents directory (userDataDirectory()/"Documents"), created when missing.
std::filesystem::path documentsDirectory();

// The application package ("Zephrun.app"): the directory holding everything the application
// ships (the copies of the configuration and feed files, the pictures, the mix packages, the
// thumbnails). In order: the directory set by setApplicationPackageDirectory(), else
// $ZEPHRUN_PACKAGE_DIR, else the installed package (PREFIX/share/zephrun/Zephrun.app beside
// PREFIX/bin), else the one of the build tree that holds the executable, else the build tree's
// own, else the source tree's resources/ (the shipped copies only).
std::filesystem::path applicationPackageDirectory();
void setApplicationPackageDirectory(const std::filesystem::path& directory);
// The package directory found from an executable's path with the rules above (no override, no
// environment); empty when neither an installed nor a build-tree package is there.
std::filesystem::path packageDirectoryBesideExecutable(const std::filesystem::path& executable);

// The user's pictures folder: XDG_PICTURES_DIR of the user's user-dirs.dirs (as
// `xdg-user-dir PICTURES` reads it), else $HOME/Pictures. Not created here.
std::filesystem::path picturesDirectory();
// XDG_PICTURES_DIR as written in a user-dirs.dirs text, with $HOME expanded to `home`; empty
// when the text does not set it, or sets it to the home directory itself (meaning: disabled).
std::filesystem::path picturesDirectoryFromUserDirs(std::string_view text,
                                                    const std::filesystem::path& home);

} // namespace zplatform
