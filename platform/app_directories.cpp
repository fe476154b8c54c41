// Application directories: data, documents and the package of shipped files.
#include "platform/app_directories.h"

#include <cstdlib>
#include <mutex>

#ifndef ZEPHRUN_RESOURCES_DIR
#define ZEPHRUN_RESOURCES_DIR "resources"
#endif

namespace zplatform {

namespace {
std::mutex overrideMutex;
std::filesystem::path& overrideSlot() {
    static std::filesystem::path slot;
    return slot;
}

const char* nonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}
} // namespace

std::filesystem::path userDataDirectory() {
    {
        std::lock_guard lock(overrideMutex);
        if (!overrideSlot().empty()) return overrideSlot();
    }
    if (const char* dir = nonEmptyEnv("ZEPHRUN_DATA_DIR")) return dir;
    if (const char* xdg = nonEmptyEnv("XDG_DATA_HOME"))
        return std::filesystem::path(xdg) / "zephrun";
    if (const char* home = nonEmptyEnv("HOME"))
        return std::filesystem::path(home) / ".local" / "share" / "zephrun";
    // No home at all (a bare service account): the working directory is the only safe guess.
    return std::filesystem::current_path() / ".zephrun";
}

void setUserDataDirectory(const std::filesystem::path& directory) {
    std::lock_guard lock(overrideMutex);
    overrideSlot() = directory;
}

std::filesystem::path documentsDirectory() {
    std::filesystem::path dir = userDataDirectory() / "Documents";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

std::filesystem::path applicationPackageDirectory() {
    if (const char* dir = nonEmptyEnv("ZEPHRUN_PACKAGE_DIR")) return dir;
    return ZEPHRUN_RESOURCES_DIR;
}

} // namespace zplatform
