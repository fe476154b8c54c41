// Shared pieces of the mxp4 commands: argument scanning, package loading, error reporting.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "mxp4/mxp4.h"
#include "mxp4/mxp4_inspect.h"

namespace cli {

// The commands; argv[0] is the command name. Each returns the process exit status.
int cmdInfo(int argc, char** argv);
int cmdSolve(int argc, char** argv);
int cmdRender(int argc, char** argv);
int cmdPlay(int argc, char** argv);

struct PackageDeleter {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};
using Package = std::unique_ptr<mxp4_package, PackageDeleter>;

// "loader -N" or "validation N" for a loader diagnostic code.
std::string verdictText(int code);

// Full load for the commands that render. On failure (a rejected package, or one whose sample
// rate no output can play) prints why and returns null.
Package loadForMix(const std::string& path);

// "sample rate N Hz is not playable (8000 to 192000 Hz)".
std::string unplayableRateText(int rate);

// Prints "mxp4: <message>" on stderr; returns 1, the exit status of every failure.
int fail(const std::string& message);

// Argument scanning: positional arguments and "--name value" options, in command-line order.
class Args {
  public:
    // `flags` are options without a value; every other "--x" takes the next argument.
    Args(int argc, char** argv, std::vector<std::string> flags);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const std::vector<std::string>& positional() const { return positional_; }
    bool has(const std::string& name) const;
    // Every value given for the option, in order.
    std::vector<std::string> all(const std::string& name) const;
    // The last value given, or `fallback`.
    std::string get(const std::string& name, const std::string& fallback = "") const;
    // Options not in `known` (including the flags); returns the first unknown one or "".
    std::string unknown(const std::vector<std::string>& known) const;

  private:
    std::vector<std::string> flags_;
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<std::string> positional_;
    std::string error_;
};

// Strict number parsing: the whole text must be a number in range.
bool parseInt(const std::string& text, long long min, long long max, long long* out);
bool parseDouble(const std::string& text, double* out);

// `text` followed by spaces up to `width` characters (UTF-8 aware, for aligned columns).
std::string padRight(const std::string& text, size_t width);

// Applies "--skin I" options (state 1, clean 0). False with a message on a bad index.
bool selectSkins(mxp4_package* p, const Args& args);

} // namespace cli
