// Bundle information: the values the application reads from its package's information table.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zplatform {

// "CFBundleDisplayName" → "Zephrun", "CFBundleVersion" → the build's version. Unknown keys:
// nothing.
std::optional<std::string> bundleInfoValue(const std::string& key);
std::string bundleDisplayName();
std::string bundleVersion();

// "AppleLanguages": the user's preferred languages as plain language codes ("fr", "en"), most
// preferred first, never empty ("en" when the locale says nothing).
std::vector<std::string> preferredLanguages();
// Same, reading the locale variables through `getenv` (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, in
// the C library's order of precedence).
std::vector<std::string>
preferredLanguagesFrom(const std::function<const char*(const char*)>& getenv);

} // namespace zplatform
