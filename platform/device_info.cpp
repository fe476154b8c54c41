// Device information from uname and the host name, with an identifier kept in a file.
#include "platform/device_info.h"

#include "platform/app_directories.h"
#include "platform/atomic_file.h"

#include <random>
#include <sys/utsname.h>
#include <unistd.h>

namespace zplatform {

namespace {

bool isIdentifier(const std::string& text) {
    if (text.size() != 40) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string freshIdentifier() {
    std::random_device random; // the kernel's entropy source
    static const char digits[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 40; ++i) id += digits[random() & 15u];
    return id;
}

} // namespace

std::string deviceIdentifierIn(const std::filesystem::path& file) {
    if (auto text = readWholeFile(file)) {
        std::string id = *text;
        while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
        if (isIdentifier(id)) return id;
    }
    std::string id = freshIdentifier();
    writeFileAtomically(file, id + "\n");
    return id;
}

DeviceInfo currentDevice() {
    DeviceInfo info;
    info.uniqueIdentifier = deviceIdentifierIn(userDataDirectory() / "device-id");
    utsname names{};
    if (::uname(&names) == 0) {
        info.systemName = names.sysname;
        info.systemVersion = names.release;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0) info.name = host;
    return info;
}

} // namespace zplatform
