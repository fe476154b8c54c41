// Persisted keys, cache paths and package copies.
#include "client/persisted_keys.h"

#include "platform/atomic_file.h"
#include "platform/user_defaults.h"

#include <filesystem>
#include <system_error>

namespace zephrun {

std::string persistedKey(std::string_view displayName, std::string_view suffix) {
    std::string key(displayName);
    key += suffix;
    return key;
}

std::vector<CachePath> cachePaths(std::string_view documentsDir) {
    const std::string d(documentsDir);
    auto name = [&](std::string_view file) { return d + "/" + std::string(file); };
    return {
        {keys::kPathConfigFile, name("ZephrunConfig.xml")},
        {keys::kPathImageReporter, d + "/imageReporter.jpg"},
        {keys::kPathNewsFileEN, name("ZephrunNewsEN.xml")},
        {keys::kPathNewsFileFR, name("ZephrunNewsFR.xml")},
        {keys::kPathTwitterFile, name("ZephrunTwitter.xml")},
        {keys::kPathVideosFile, name("ZephrunVideos.xml")},
        {keys::kPathConcertsFile, d + "/"},
        {keys::kPathDiscoFile, name("ZephrunDisco.xml")},
        {keys::kPathDisqueFile, name("ZephrunDisque_")},
        {keys::kPathMembresFile, name("ZephrunMembres.xml")},
        {keys::kPathShowLiveFile2010, name("ZephrunShowLive2010.xml")},
        {keys::kPathImage, d + "/image"},
        {keys::kPathMXP4File, d + "/mxp4" + "/"},
    };
}

bool storeCachePaths(zplatform::UserDefaults& defaults, std::string_view displayName,
                     std::string_view documentsDir) {
    std::vector<std::pair<std::string, zplatform::UserDefaults::Value>> entries;
    for (auto& row : cachePaths(documentsDir))
        entries.emplace_back(persistedKey(displayName, row.suffix), std::move(row.path));
    defaults.setValues(entries);

    const std::string d(documentsDir);
    bool ok = true;
    for (const char* dir : {"/image", "/mxp4"}) {
        std::error_code ec;
        std::filesystem::create_directories(d + dir, ec);
        if (ec || !std::filesystem::is_directory(d + dir, ec)) ok = false;
    }
    return ok;
}

void initialiseLaunchKeys(zplatform::UserDefaults& defaults, std::string_view displayName,
                          std::string_view firstPreferredLanguage) {
    const std::string isFrench = persistedKey(displayName, keys::kIsFrench);
    if (!defaults.hasKey(isFrench)) defaults.setBool(isFrench, firstPreferredLanguage == "fr");
    defaults.setBool(persistedKey(displayName, keys::kApplicationRunning), true);
    const std::string version = persistedKey(displayName, keys::kNumVersionDiscographie);
    if (auto stored = defaults.stringForKey(version); stored && stored->empty())
        defaults.setString(version, "0");
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
