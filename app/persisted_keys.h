// The values that persist between launches: the key suffixes of the defaults store the
// application uses (the feed models' own are in feeds/feed_keys.h), the table of every cache
// file under the documents directory, and the launch steps that initialise them.
//
// Every key is the application's display name immediately followed by a suffix, for example
// "Zephrun" + "_IsFrench". All functions here may be called from any thread; they touch only the
// store and the files they are given.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_keys.h"

namespace zplatform {
class UserDefaults;
}

namespace zephrun {

namespace keys {
// Bools.
inline constexpr std::string_view kIsFrench = "_IsFrench";
inline constexpr std::string_view kApplicationRunning = "_ApplicationRunning";
// Strings.
inline constexpr std::string_view kNetworkType = "_NetworkType";
inline constexpr std::string_view kNetworkDebit = "_NetworkDebit";
inline constexpr std::string_view kApplicationID = "_ApplicationID";
inline constexpr std::string_view kDateConfig = "_DateConfig";
inline constexpr std::string_view kDateNotif = "_DateNotif";
inline constexpr std::string_view kZephrunLogin = "_ZephrunLogin";
inline constexpr std::string_view kZephrunPassword = "_ZephrunPassword";
// Cache paths of the application's own files, rewritten at every launch (see cachePaths()).
inline constexpr std::string_view kPathConfigFile = "_PathConfigFile";
inline constexpr std::string_view kPathImageReporter = "_PathImageReporter";
inline constexpr std::string_view kPathMXP4File = "_PathMXP4File";
} // namespace keys

// The application id stored under "_ApplicationID" by every request client.
inline constexpr std::string_view kApplicationIDValue = "7";

// One row of the cache-path table: the key suffix and the absolute path stored under it.
struct CachePath {
    std::string_view suffix;
    std::string path;
};

// The cache-path table for documents directory `documentsDir` (D), in table order. Files are
// D + "/" + name; "_PathConcertsFile" is D + "/" (a prefix), "_PathDisqueFile" the prefix
// D + "/ZephrunDisque_", "_PathImage" the directory D + "/image", and "_PathMXP4File" the
// directory D + "/mxp4/" (ending with "/").
std::vector<CachePath> cachePaths(std::string_view documentsDir);

// Launch step 7: stores every cache path under its key and creates the image and mix-package
// directories (with intermediate directories). Returns false when a directory could not be
// created; the keys are stored in any case.
bool storeCachePaths(zplatform::UserDefaults& defaults, std::string_view displayName,
                     std::string_view documentsDir);

// Launch steps 4 to 6: on first launch stores "_IsFrench" as YES exactly when
// `firstPreferredLanguage` is "fr" (an existing value is never overwritten); stores YES under
// "_ApplicationRunning"; replaces a "_NumVersionDiscographie" of "" by "0" (absent stays absent).
void initialiseLaunchKeys(zplatform::UserDefaults& defaults, std::string_view displayName,
                          std::string_view firstPreferredLanguage);

} // namespace zephrun
