// Application directories: data, documents and the package of shipped files.
#include "platform/app_directories.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/bundle_info.h"

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
std::filesystem::path& packageSlot() {
    static std::filesystem::path slot;
    return slot;
}

bool isDirectory(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

std::string packageName() {
    return bundleDisplayName() + ".app";
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

std::filesystem::path packageDirectoryBesideExecutable(const std::filesystem::path& executable) {
    const std::filesystem::path bin = executable.parent_path();
    std::filesystem::path installed =
        (bin / ".." / "share" / "zephrun" / packageName()).lexically_normal();
    if (isDirectory(installed)) return installed;
    // A build tree: the package sits at its top, a few levels above any of its programs.
    std::filesystem::path dir = bin;
    for (int level = 0; level < 4 && !dir.empty(); ++level) {
        if (isDirectory(dir / packageName())) return dir / packageName();
        if (dir == dir.parent_path()) break;
        dir = dir.parent_path();
    }
    return {};
}

void setApplicationPackageDirectory(const std::filesystem::path& directory) {
    std::lock_guard lock(overrideMutex);
    packageSlot() = directory;
}

std::filesystem::path applicationPackageDirectory() {
    {
        std::lock_guard lock(overrideMutex);
        if (!packageSlot().empty()) return packageSlot();
    }
    if (const char* dir = nonEmptyEnv("ZEPHRUN_PACKAGE_DIR")) return dir;
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        std::filesystem::path found = packageDirectoryBesideExecutable(self);
        if (!found.empty()) return found;
    }
#ifdef ZEPHRUN_BUILD_PACKAGE_DIR
    if (isDirectory(ZEPHRUN_BUILD_PACKAGE_DIR)) return ZEPHRUN_BUILD_PACKAGE_DIR;
#endif
    return ZEPHRUN_RESOURCES_DIR;
}

std::filesystem::path picturesDirectoryFromUserDirs(std::string_view text,
                                                    const std::filesystem::path& home) {
    std::filesystem::path found;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        constexpr std::string_view kKey = "XDG_PICTURES_DIR=";
        if (!line.starts_with(kKey)) continue;
        std::string_view value = line.substr(kKey.size());
        while (!value.empty() &&
               (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.remove_suffix(1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
        value = value.substr(1, value.size() - 2);
        std::filesystem::path dir;
        if (value == "$HOME" || value == "$HOME/") {
            dir = home;
        } else if (value.starts_with("$HOME/")) {
            dir = home / std::string(value.substr(6));
        } else if (value.starts_with("/")) {
            dir = std::string(value);
        } else {
            continue;
        }
        // The last assignment wins, as when the shell sources the file.
        found = dir.lexically_normal();
    }
    if (!found.empty() && found == home.lexically_normal()) return {};
    return found;
}

std::filesystem::path picturesDirectory() {
    const char* home = nonEmptyEnv("HOME");
    std::filesystem::path homeDir = home ? home : std::filesystem::current_path();
    std::filesystem::path config = nonEmptyEnv("XDG_CONFIG_HOME")
                                       ? std::filesystem::path(nonEmptyEnv("XDG_CONFIG_HOME"))
                                       : homeDir / ".config";
    if (auto text = readWholeFile(config / "user-dirs.dirs")) {
        std::filesystem::path dir = picturesDirectoryFromUserDirs(*text, homeDir);
        if (!dir.empty()) return dir;
    }
    return homeDir / "Pictures";
}

} // namespace zplatform
