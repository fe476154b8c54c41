#include "app/shell/app_log.h"

#include <cstdio>

namespace zephrun {

AppLog::AppLog() : start_(std::chrono::steady_clock::now()) {}

bool AppLog::openFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    file_.open(path, std::ios::out | std::ios::trunc);
    return file_.is_open();
}

void AppLog::record(std::string_view kind, std::string_view text) {
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%9.3f ", seconds);
    std::string line = stamp;
    line.append(kind).append(": ");
    // One record, one line: line breaks inside a message are shown as "\n".
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c != '\r')
            line += c;
    }
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
    if (file_.is_open()) file_ << line << '\n' << std::flush;
    if (echo_) std::fprintf(stderr, "%s\n", line.c_str());
}

std::vector<std::string> AppLog::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> AppLog::linesOf(std::string_view kind) const {
    std::vector<std::string> out;
    std::string prefix = std::string(kind) + ": ";
    std::lock_guard lock(mutex_);
    for (const auto& line : lines_) {
        auto at = line.find(prefix);
        if (at == 10) out.push_back(line.substr(at + prefix.size()));
    }
    return out;
}

} // namespace zephrun
