// Per-user defaults persisted as a small line-based file, written through on every change.
#include "platform/user_defaults.h"

#include "platform/app_directories.h"
#include "platform/atomic_file.h"

#include <charconv>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace zplatform {

namespace {

constexpr std::string_view kHeader = "zephrun-defaults 1";

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace

std::string UserDefaults::serialize(const std::map<std::string, Value>& values) {
    std::string out(kHeader);
    out += '\n';
    for (const auto& [key, value] : values) {
        if (const bool* b = std::get_if<bool>(&value)) {
            out += "b\t" + escape(key) + '\t' + (*b ? "1" : "0") + '\n';
        } else {
            out += "s\t" + escape(key) + '\t' + escape(std::get<std::string>(value)) + '\n';
        }
    }
    out += "end " + std::to_string(values.size()) + '\n';
    return out;
}

std::optional<std::map<std::string, UserDefaults::Value>>
UserDefaults::parse(const std::string& text) {
    std::map<std::string, Value> values;
    std::string_view rest(text);
    auto nextLine = [&]() -> std::optional<std::string_view> {
        size_t nl = rest.find('\n');
        if (nl == std::string_view::npos) return std::nullopt; // every line ends with '\n'
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl + 1);
        return line;
    };
    auto header = nextLine();
    if (!header || *header != kHeader) return std::nullopt;
    for (;;) {
        auto line = nextLine();
        if (!line) return std::nullopt; // no end line: truncated
        if (line->starts_with("end ")) {
            std::string_view count = line->substr(4);
            size_t n = 0;
            auto [ptr, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
            if (ec != std::errc() || ptr != count.data() + count.size() || n != values.size() ||
                !rest.empty())
                return std::nullopt;
            return values;
        }
        if (line->size() < 2 || (*line)[1] != '\t') return std::nullopt;
        char type = (*line)[0];
        std::string_view body = line->substr(2);
        size_t tab = body.find('\t');
        if (tab == std::string_view::npos) return std::nullopt;
        auto key = unescape(body.substr(0, tab));
        std::string_view raw = body.substr(tab + 1);
        if (!key) return std::nullopt;
        if (type == 'b' && (raw == "0" || raw == "1")) {
            values[*key] = raw == "1";
        } else if (type == 's') {
            auto value = unescape(raw);
            if (!value) return std::nullopt;
            values[*key] = std::move(*value);
        } else {
            return std::nullopt;
        }
    }
}

namespace {

// Narrows an existing file or directory of ours to `mode`; leaves alone what another user owns
// and shared sticky directories such as /tmp.
void narrowMode(const std::filesystem::path& path, mode_t mode) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || st.st_uid != ::geteuid()) return;
    if (S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) return;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) return;
    if ((st.st_mode & 07777 & ~mode) == 0) return;
    ::chmod(path.c_str(), st.st_mode & mode);
}

} // namespace

void UserDefaults::protectLocked(bool create) const {
    std::filesystem::path dir = file_.parent_path();
    if (!dir.empty()) {
        std::error_code ec;
        if (create && !std::filesystem::exists(dir, ec)) {
            std::filesystem::create_directories(dir.parent_path(), ec);
            ::mkdir(dir.c_str(), kDirectoryMode);
        }
        narrowMode(dir, kDirectoryMode);
    }
    narrowMode(file_, kFileMode);
    narrowMode(file_.string() + ".lock", kFileMode);
}

UserDefaults::UserDefaults(std::filesystem::path file) : file_(std::move(file)) {
    protectLocked(false);
    if (auto text = readWholeFile(file_)) {
        if (auto values = parse(*text)) {
            values_ = std::move(*values);
        } else {
            std::fprintf(stderr, "defaults: %s is unreadable, starting empty\n",
                         file_.string().c_str());
        }
    }
}

UserDefaults& UserDefaults::standard() {
    static UserDefaults defaults(userDataDirectory() / "defaults");
    return defaults;
}

bool UserDefaults::hasKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.count(key) != 0;
}

bool UserDefaults::boolForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return false;
    if (const bool* b = std::get_if<bool>(&it->second)) return *b;
    const std::string& s = std::get<std::string>(it->second);
    if (s == "YES" || s == "yes" || s == "true") return true;
    long n = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    return ec == std::errc() && n != 0;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    if (const bool* b = std::get_if<bool>(&it->second)) return *b ? "1" : "0";
    return std::get<std::string>(it->second);
}

bool UserDefaults::persistLocked() {
    protectLocked(true);
    return writeFileAtomically(file_, serialize(values_), kFileMode);
}

bool UserDefaults::setBool(const std::string& key, bool value) {
    return setValues({{key, Value(value)}});
}

bool UserDefaults::setString(const std::string& key, const std::string& value) {
    return setValues({{key, Value(value)}});
}

bool UserDefaults::setValues(const std::vector<std::pair<std::string, Value>>& values) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : values) values_[key] = value;
    return persistLocked();
}

bool UserDefaults::removeObject(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) == 0) return true;
    return persistLocked();
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    return persistLocked();
}

std::map<std::string, UserDefaults::Value> UserDefaults::snapshot() const {
    std::lock_guard lock(mutex_);
    return values_;
}

} // namespace zplatform
