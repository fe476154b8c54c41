// Argument scanning and package loading shared by the mxp4 commands.
#include "cli.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

std::string verdictText(int code) {
    if (code < 0) return "loader " + std::to_string(code);
    if (code > 0) return "validation " + std::to_string(code);
    return "ok";
}

Package loadForMix(const std::string& path) {
    int code = 0;
    Package p(mxp4LoaderDiag(path.c_str(), 1, &code));
    if (!p) {
        fail(path + ": rejected (" + verdictText(code) + ")");
        return nullptr;
    }
    mxp4_info info;
    if (mxp4GetInfo(p.get(), &info) != 0 || !info.full) {
        fail(path + ": loaded without a mix state");
        return nullptr;
    }
    if (!mxp4SampleRatePlayable(info.sampleRate)) {
        fail(path + ": " + unplayableRateText(info.sampleRate));
        return nullptr;
    }
    return p;
}

std::string unplayableRateText(int rate) {
    return "sample rate " + std::to_string(rate) + " Hz is not playable (" +
           std::to_string(MXP4_RATE_MIN) + " to " + std::to_string(MXP4_RATE_MAX) + " Hz)";
}

int fail(const std::string& message) {
    std::fprintf(stderr, "mxp4: %s\n", message.c_str());
    return 1;
}

Args::Args(int argc, char** argv, std::vector<std::string> flags) : flags_(std::move(flags)) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2);
            std::string value;
            bool isFlag = false;
            for (const std::string& f : flags_) isFlag = isFlag || f == name;
            if (!isFlag) {
                if (i + 1 >= argc) {
                    error_ = "option --" + name + " needs a value";
                    return;
                }
                value = argv[++i];
            }
            options_.emplace_back(name, value);
        } else if (a == "-o") {
            if (i + 1 >= argc) {
                error_ = "option -o needs a value";
                return;
            }
            options_.emplace_back("o", argv[++i]);
        } else {
            positional_.push_back(a);
        }
    }
}

bool Args::has(const std::string& name) const {
    for (const auto& [n, v] : options_)
        if (n == name) return true;
    return false;
}

std::vector<std::string> Args::all(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& [n, v] : options_)
        if (n == name) out.push_back(v);
    return out;
}

std::string Args::get(const std::string& name, const std::string& fallback) const {
    std::string out = fallback;
    for (const auto& [n, v] : options_)
        if (n == name) out = v;
    return out;
}

std::string Args::unknown(const std::vector<std::string>& known) const {
    for (const auto& [n, v] : options_) {
        bool found = false;
        for (const std::string& k : known) found = found || k == n;
        if (!found) return n.size() == 1 ? "-" + n : "--" + n;
    }
    return "";
}

bool parseInt(const std::string& text, long long min, long long max, long long* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    *out = v;
    return true;
}

bool parseDouble(const std::string& text, double* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

std::string padRight(const std::string& text, size_t width) {
    size_t chars = 0;
    for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
    return chars >= width ? text : text + std::string(width - chars, ' ');
}

bool selectSkins(mxp4_package* p, const Args& args) {
    for (const std::string& s : args.all("skin")) {
        long long i;
        if (!parseInt(s, 0, mxp4SkinNb(p) - 1, &i)) {
            fail("--skin " + s + ": the package has " + std::to_string(mxp4SkinNb(p)) + " skins");
            return false;
        }
        mxp4SkinSelect(p, static_cast<int>(i), 1, 0);
    }
    return true;
}

} // namespace cli
