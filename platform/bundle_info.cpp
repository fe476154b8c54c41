// Bundle information and the preferred languages taken from the locale variables.
#include "platform/bundle_info.h"

#include <cstdlib>

#ifndef ZEPHRUN_VERSION
#define ZEPHRUN_VERSION "1.0"
#endif

namespace zplatform {

std::string bundleDisplayName() {
    return "Zephrun";
}
std::string bundleVersion() {
    return ZEPHRUN_VERSION;
}

std::optional<std::string> bundleInfoValue(const std::string& key) {
    if (key == "CFBundleDisplayName") return bundleDisplayName();
    if (key == "CFBundleVersion") return bundleVersion();
    return std::nullopt;
}

namespace {

// "fr_FR.UTF-8@euro" → "fr"; "C", "POSIX" and malformed names → nothing.
std::optional<std::string> languageCode(std::string_view locale) {
    size_t end = locale.find_first_of("_.@-");
    std::string_view code = locale.substr(0, end);
    if (code.size() < 2 || code.size() > 3) return std::nullopt;
    std::string out;
    for (char c : code) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c < 'a' || c > 'z') return std::nullopt;
        out += c;
    }
    return out;
}

void addUnique(std::vector<std::string>& list, std::string code) {
    for (const auto& existing : list)
        if (existing == code) return;
    list.push_back(std::move(code));
}

} // namespace

std::vector<std::string>
preferredLanguagesFrom(const std::function<const char*(const char*)>& getenv) {
    auto value = [&](const char* name) -> std::string_view {
        const char* v = getenv(name);
        return v ? v : "";
    };
    // The locale in effect for messages: LC_ALL, then LC_MESSAGES, then LANG.
    std::string_view locale = value("LC_ALL");
    if (locale.empty()) locale = value("LC_MESSAGES");
    if (locale.empty()) locale = value("LANG");

    std::vector<std::string> languages;
    // As gettext does, LANGUAGE's list is ignored when the locale is the plain C locale.
    std::string_view list = value("LANGUAGE");
    if (!list.empty() && locale != "C" && locale != "POSIX") {
        while (!list.empty()) {
            size_t colon = list.find(':');
            if (auto code = languageCode(list.substr(0, colon))) addUnique(languages, *code);
            if (colon == std::string_view::npos) break;
            list.remove_prefix(colon + 1);
        }
    }
    if (auto code = languageCode(locale)) addUnique(languages, *code);
    if (languages.empty()) languages.push_back("en");
    return languages;
}

std::vector<std::string> preferredLanguages() {
    return preferredLanguagesFrom([](const char* name) { return std::getenv(name); });
}

} // namespace zplatform
