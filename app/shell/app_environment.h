// What the host hands the application: the window, the defaults store, where the user's data
// and the shipped files live, the system's language, the log and the server to talk to.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "client/kt_webtools.h"

namespace ui {
class Window;
}
namespace zplatform {
class UserDefaults;
}

namespace zephrun {

class AppLog;

struct AppEnvironment {
    ui::Window* window = nullptr;          // the single window; outlives the delegate
    zplatform::UserDefaults* defaults = nullptr;
    AppLog* log = nullptr;
    std::string displayName = "Zephrun";   // prefixes every persisted key
    std::string documentsDirectory;        // D: caches, pictures, mix packages
    std::string packageDirectory;          // the files shipped with the application
    std::string firstPreferredLanguage;    // the system's first language ("fr", "en", …)
    // The content server's base address ("http://host:port/"): configuration addresses that
    // begin with the shipped server's address are taken relative to it. None: as configured.
    std::optional<std::string> serverBase;
    // Device, language and version the request clients report (unset: the machine's).
    kt::KT_webtoolsEnvironment webtools;
    // 32-bit random numbers (box placement, shakes, backgrounds); tests give a seeded one.
    std::function<std::uint32_t()> random;
    // The launch's wait for the push token: rounds of `tokenWaitSlice` seconds.
    int tokenWaitRounds = 20;
    double tokenWaitSlice = 0.5;
};

} // namespace zephrun
