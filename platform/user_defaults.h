// Per-user defaults: bool and string values under text keys, persisted in one file.
//
// Every change is written through at once with writeFileAtomically, so a crash (even kill -9
// during the write) leaves the file holding either the previous or the new full set of values.
// A missing, unreadable or corrupt file reads as an empty store. Thread-safe.
//
// The store holds the member's password: the file is private to the user (mode 0600, in a
// directory of mode 0700, both narrowed when found looser), and no value is ever logged.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace zplatform {

class UserDefaults {
  public:
    using Value = std::variant<bool, std::string>;

    // Loads the store from `file` (which need not exist yet; its directory is created on the
    // first write).
    explicit UserDefaults(std::filesystem::path file);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The user's store: "defaults" in userDataDirectory(), opened on first use.
    static UserDefaults& standard();

    bool hasKey(const std::string& key) const;
    // False when absent; a string reads true when it is "YES", "true" or a non-zero integer.
    bool boolForKey(const std::string& key) const;
    // Nothing when absent; a bool reads "1" or "0".
    std::optional<std::string> stringForKey(const std::string& key) const;

    // Each setter persists before it returns; false when the file could not be written (the
    // value is then kept in memory only, and written with the next successful change).
    bool setBool(const std::string& key, bool value);
    bool setString(const std::string& key, const std::string& value);
    bool removeObject(const std::string& key);
    // Sets several values in one write: all of them persist, or none.
    bool setValues(const std::vector<std::pair<std::string, Value>>& values);
    // Writes the current values again.
    bool synchronize();

    std::map<std::string, Value> snapshot() const;
    const std::filesystem::path& file() const { return file_; }

    // File format, exposed for tests: a header line, one escaped entry per line, an end line.
    static std::string serialize(const std::map<std::string, Value>& values);
    static std::optional<std::map<std::string, Value>> parse(const std::string& text);

    static constexpr unsigned kFileMode = 0600;
    static constexpr unsigned kDirectoryMode = 0700;

  private:
    bool persistLocked();
    // Narrows the file's and the directory's modes, creating the directory first if asked.
    void protectLocked(bool create) const;
    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::map<std::string, Value> values_;
};

} // namespace zplatform
