// AppLog: the application's record of what a fan would see and what it sends — alerts shown,
// sections shown and hidden, requests to the server, addresses opened with the system,
// statistics events — one line each, stamped with the seconds since launch. A headless run
// writes it beside its screenshots; a run in a window writes it to standard error when asked.
//
// Threads: record() may be called from any thread; lines keep their order.
#pragma once

#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zephrun {

class AppLog {
  public:
    AppLog();
    // Also appends every line to `path` (flushed per line, so a crash keeps what came before).
    bool openFile(const std::string& path);
    void setEcho(bool toStandardError) { echo_ = toStandardError; }

    // One line: "<seconds> <kind>: <text>".
    void record(std::string_view kind, std::string_view text);
    std::vector<std::string> lines() const;
    // The lines of `kind` (their text only), for tests.
    std::vector<std::string> linesOf(std::string_view kind) const;

  private:
    mutable std::mutex mutex_;
    std::chrono::steady_clock::time_point start_;
    std::vector<std::string> lines_;
    std::ofstream file_;
    bool echo_ = false;
};

} // namespace zephrun
