// Where the application keeps its data and where its shipped files live.
#pragma once

#include <filesystem>

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

// The application package: the directory holding the shipped copies of the configuration and
// feed files (resources/ of the source tree in a build). $ZEPHRUN_PACKAGE_DIR overrides the
// built-in location.
std::filesystem::path applicationPackageDirectory();

} // namespace zplatform
