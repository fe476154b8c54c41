// Persisted keys, the cache-path table and the launch steps that store them.
#include "app/persisted_keys.h"

#include "platform/user_defaults.h"

#include <filesystem>
#include <system_error>

namespace zephrun {

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

} // namespace zephrun
