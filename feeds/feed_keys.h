// The persisted values the feed models read and write: the key suffixes of their cache files and
// of the discography version in the defaults store, and the cache files with their copies
// shipped with the application. The application stores the cache paths at launch
// (app/persisted_keys.h, which also holds the keys only the application uses).
//
// Every key is the application's display name immediately followed by a suffix, for example
// "Zephrun" + "_PathNewsFileFR". All functions here may be called from any thread; they touch only
// the files they are given.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zephrun {

namespace keys {
inline constexpr std::string_view kNumVersionDiscographie = "_NumVersionDiscographie";
// Cache paths, rewritten at every launch.
inline constexpr std::string_view kPathNewsFileEN = "_PathNewsFileEN";
inline constexpr std::string_view kPathNewsFileFR = "_PathNewsFileFR";
inline constexpr std::string_view kPathTwitterFile = "_PathTwitterFile";
inline constexpr std::string_view kPathVideosFile = "_PathVideosFile";
inline constexpr std::string_view kPathConcertsFile = "_PathConcertsFile";
inline constexpr std::string_view kPathDiscoFile = "_PathDiscoFile";
inline constexpr std::string_view kPathDisqueFile = "_PathDisqueFile";
inline constexpr std::string_view kPathMembresFile = "_PathMembresFile";
inline constexpr std::string_view kPathShowLiveFile2010 = "_PathShowLiveFile2010";
inline constexpr std::string_view kPathImage = "_PathImage";
} // namespace keys

// displayName + suffix.
std::string persistedKey(std::string_view displayName, std::string_view suffix);

// The shipped copy of a cache file: packageDirectory + "/" + fileName.
std::string packageCopyPath(std::string_view packageDirectory, std::string_view fileName);

// Reads a cache file, falling back to its package copy when the file is unreadable or holds
// fewer than 2 bytes; the package copy is then written atomically over the cache file (a failed
// write is ignored: the bytes are still returned). Nothing when neither can be read.
std::optional<std::string> readCacheOrPackageCopy(const std::string& cachePath,
                                                  const std::string& packageCopy);

} // namespace zephrun
