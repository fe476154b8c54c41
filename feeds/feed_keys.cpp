// Persisted keys and cache files of the feed models.
#include "feeds/feed_keys.h"

#include "platform/atomic_file.h"

namespace zephrun {

std::string persistedKey(std::string_view displayName, std::string_view suffix) {
    std::string key(displayName);
    key += suffix;
    return key;
}

std::string packageCopyPath(std::string_view packageDirectory, std::string_view fileName) {
    std::string path(packageDirectory);
    path += "/";
    path += fileName;
    return path;
}

std::optional<std::string> readCacheOrPackageCopy(const std::string& cachePath,
                                                  const std::string& packageCopy) {
    if (!cachePath.empty()) {
        auto cached = zplatform::readWholeFile(cachePath);
        if (cached && cached->size() >= 2) return cached;
    }
    auto shipped = zplatform::readWholeFile(packageCopy);
    if (!shipped) return std::nullopt;
    if (!cachePath.empty()) zplatform::writeFileAtomically(cachePath, *shipped);
    return shipped;
}

} // namespace zephrun
