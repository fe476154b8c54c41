// Device information: identifier, system name and version, device name.
#pragma once

#include <filesystem>
#include <string>

namespace zplatform {

struct DeviceInfo {
    std::string uniqueIdentifier; // 40 lower-case hexadecimal digits, stable across launches
    std::string systemName;       // uname's system name, e.g. "Linux"
    std::string systemVersion;    // uname's release
    std::string name;             // the host name
};

// The device's information. The identifier is generated once and kept in "device-id" in
// userDataDirectory(); if that file cannot be written, a fresh one is used for this run only.
DeviceInfo currentDevice();
// Reads the identifier stored in `file`, creating it when missing or malformed.
std::string deviceIdentifierIn(const std::filesystem::path& file);

} // namespace zplatform
