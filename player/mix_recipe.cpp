// Mix recipes: the text form, the sequencer that records or replays the selection of each
// decision, and the renderer and WAV writer of a recipe.
#include "player/mix_recipe.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace zplayer {

namespace {

constexpr int kBufferFrames = MXP4_BUFFER_FRAMES;

bool parseInt(std::string_view text, long long min, long long max, long long* out) {
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || v < min || v > max) return false;
    *out = v;
    return true;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool parseVariants(std::string_view text, std::vector<int>* out) {
    for (std::string_view run : split(text, ',')) {
        size_t star = run.find('*');
        long long variant, count = 1;
        if (!parseInt(run.substr(0, star), -1, MixRecipe::kMaxVariant, &variant)) return false;
        if (star != std::string_view::npos &&
            !parseInt(run.substr(star + 1), 1, MixRecipe::kMaxSections, &count))
            return false;
        if (static_cast<long long>(out->size()) + count > MixRecipe::kMaxSections) return false;
        out->insert(out->end(), static_cast<size_t>(count), static_cast<int>(variant));
    }
    return !out->empty();
}

bool parseLevels(std::string_view text, std::vector<std::array<int, 2>>* out) {
    for (std::string_view pair : split(text, ',')) {
        std::vector<std::string_view> lr = split(pair, ':');
        long long left, right;
        if (lr.size() != 2 || !parseInt(lr[0], 0, MixRecipe::kFullLevel, &left) ||
            !parseInt(lr[1], 0, MixRecipe::kFullLevel, &right) ||
            out->size() >= static_cast<size_t>(MixRecipe::kMaxTracks))
            return false;
        out->push_back({static_cast<int>(left), static_cast<int>(right)});
    }
    return true;
}

// Writes a little-endian integer of `bytes` bytes.
void putLE(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string wavHeader(int rate, uint32_t dataBytes) {
    std::string h = "RIFF";
    putLE(h, 36 + dataBytes, 4);
    h += "WAVEfmt ";
    putLE(h, 16, 4);
    putLE(h, 1, 2); // PCM
    putLE(h, 2, 2);
    putLE(h, static_cast<uint32_t>(rate), 4);
    putLE(h, static_cast<uint32_t>(rate) * 4, 4);
    putLE(h, 4, 2);
    putLE(h, 16, 2);
    h += "data";
    putLE(h, dataBytes, 4);
    return h;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
struct PackageReleaser {
    void operator()(mxp4_package* p) const { mxp4Release(p); }
};

} // namespace

// --- Text form ---

bool MixRecipe::isValidPackageName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
}

std::string MixRecipe::toText() const {
    std::string s = std::string(kTag) + " " + package + " seed=" + std::to_string(seed) + " v=";
    for (size_t i = 0; i < variants.size();) {
        size_t j = i;
        while (j < variants.size() && variants[j] == variants[i]) ++j;
        if (i) s += ',';
        s += std::to_string(variants[i]);
        if (j - i > 1) s += '*' + std::to_string(j - i);
        i = j;
    }
    if (lock >= 0) s += " lock=" + std::to_string(lock);
    if (!levels.empty()) {
        s += " lv=";
        for (size_t i = 0; i < levels.size(); ++i)
            s += (i ? "," : "") + std::to_string(levels[i][0]) + ":" + std::to_string(levels[i][1]);
    }
    return s;
}

std::optional<MixRecipe> MixRecipe::fromText(std::string_view text) {
    if (text.size() > 64 * 1024) return std::nullopt;
    std::vector<std::string_view> words;
    for (size_t i = 0; i < text.size();) {
        while (i < text.size() && isBlank(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !isBlank(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    if (words.size() < 2 || words[0] != kTag || !isValidPackageName(words[1])) return std::nullopt;
    MixRecipe r;
    r.package = std::string(words[1]);
    bool seenSeed = false, seenVariants = false, seenLock = false, seenLevels = false;
    for (size_t i = 2; i < words.size(); ++i) {
        size_t eq = words[i].find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        std::string_view key = words[i].substr(0, eq), value = words[i].substr(eq + 1);
        long long v;
        if (key == "seed" && !seenSeed) {
            if (!parseInt(value, INT32_MIN, INT32_MAX, &v)) return std::nullopt;
            r.seed = static_cast<int32_t>(v);
            seenSeed = true;
        } else if (key == "v" && !seenVariants) {
            if (!parseVariants(value, &r.variants)) return std::nullopt;
            seenVariants = true;
        } else if (key == "lock" && !seenLock) {
            if (!parseInt(value, -1, kMaxVariant, &v)) return std::nullopt;
            r.lock = static_cast<int>(v);
            seenLock = true;
        } else if (key == "lv" && !seenLevels) {
            if (!parseLevels(value, &r.levels)) return std::nullopt;
            seenLevels = true;
        } else {
            return std::nullopt;
        }
    }
    if (!seenSeed || !seenVariants) return std::nullopt;
    return r;
}

// --- Sequencer ---

MixSequencer::MixSequencer(int capacity)
    : record_(static_cast<size_t>(std::max(capacity, 1)), -1) {}

void MixSequencer::setPlan(const std::vector<int>& variants, int after) {
    plan_.assign(variants.begin(), variants.end());
    planSize_ = static_cast<int>(plan_.size());
    after_ = after;
    planActive_ = true;
}

void MixSequencer::apply(mxp4_package* p, int variant) {
    if (variant >= 0 && variant < mxp4SkinNb(p)) {
        mxp4SkinSelect(p, variant, 1, 1);
        current_ = variant;
    } else {
        mxp4SkinSelect(p, -1, 0, 1);
        current_ = -1;
    }
}

void MixSequencer::select(mxp4_package* p, int index, int state, int clean) {
    planActive_ = false;
    mxp4SkinSelect(p, index, state, clean);
    const bool valid = index >= 0 && index < mxp4SkinNb(p);
    if (clean)
        current_ = state && valid ? index : -1;
    else if (state && valid)
        current_ = index; // several skins: the latest stands for them
    else if (!state && index == current_)
        current_ = -1;
}

int MixSequencer::render(mxp4_package* p, int16_t* out, int frames) {
    int decided = 0;
    while (frames > 0) {
        const int into = static_cast<int>(frames_ % kBufferFrames);
        const int piece = std::min(frames, kBufferFrames - into);
        // A piece that starts an engine buffer may start a decision: the plan's variant first.
        if (into == 0 && planActive_) {
            const int d = decisions_;
            apply(p, d < planSize_ ? plan_[static_cast<size_t>(d)] : after_);
        }
        if (mxp4NextBufferN(p, out, piece)) {
            if (decisions_ < static_cast<int>(record_.size()))
                record_[static_cast<size_t>(decisions_)] = static_cast<int16_t>(current_);
            ++decisions_;
            decided = 1;
        }
        out += 2 * piece;
        frames -= piece;
        frames_ += piece;
    }
    return decided;
}

std::vector<int> MixSequencer::recorded() const {
    const int n = std::min(decisions_, static_cast<int>(record_.size()));
    return std::vector<int>(record_.begin(), record_.begin() + n);
}

// --- Rendering a recipe ---

RecipeRender::RecipeRender(mxp4_package* package, const MixRecipe& recipe)
    : package_(package), sequencer_(1), sections_(static_cast<int>(recipe.variants.size())) {
    const int skins = mxp4SkinNb(package);
    for (int v : recipe.variants)
        if (v >= skins) error_ = "variant " + std::to_string(v) + " past the package's skins";
    if (recipe.lock >= skins) error_ = "lock past the package's skins";
    if (static_cast<int>(recipe.levels.size()) > mxp4AudiotrackNb(package))
        error_ = "more levels than the package's user tracks";
    if (sections_ == 0) error_ = "no section";
    if (mxp4RandSeed(package, recipe.seed) != 0) error_ = "the package is not loaded for playback";
    if (!error_.empty()) {
        done_ = true;
        return;
    }
    for (size_t t = 0; t < recipe.levels.size(); ++t)
        mxp4AudiotrackVol(package, static_cast<int>(t), recipe.levels[t][0], recipe.levels[t][1]);
    sequencer_.setPlan(recipe.variants, recipe.variantAfter());
}

int RecipeRender::render(int16_t* out, int frames, bool open) {
    if (!error_.empty()) return 0;
    int written = 0;
    while (written < frames && (open || !done_)) {
        const int into = static_cast<int>(sequencer_.framesRendered() % kBufferFrames);
        const int piece = std::min(frames - written, kBufferFrames - into);
        sequencer_.render(package_, out + 2 * written, piece);
        const int64_t end = sequencer_.framesRendered();
        // Which section the next frame belongs to: its downbeat is the first frame of it heard.
        int64_t length = 0, offset = 0;
        if (mxp4Progress(package_, end, &length, &offset) >= 0 && length > 0) {
            const int64_t downbeat = end - offset;
            if (downbeat > lastDownbeat_) {
                lastDownbeat_ = downbeat;
                ++heard_;
                if (heard_ > sections_ && !open && !done_) {
                    // The section after the last one began within this piece: cut there.
                    done_ = true;
                    written +=
                        static_cast<int>(std::clamp<int64_t>(downbeat - (end - piece), 0, piece));
                    return written;
                }
            }
            within_ = static_cast<double>(offset) / static_cast<double>(length);
        }
        written += piece;
        // Sections shorter than a piece could hide a downbeat: never run far past the recipe.
        if (!open && sequencer_.decisions() > sections_ + 2) done_ = true;
    }
    if (heard_ > sections_) done_ = true;
    return written;
}

double RecipeRender::progress() const {
    if (done_ && error_.empty()) return 1;
    if (sections_ == 0 || heard_ == 0) return 0;
    return std::clamp((heard_ - 1 + within_) / sections_, 0.0, 1.0);
}

std::optional<std::vector<std::string>> packageSkinNames(const std::string& path) {
    std::unique_ptr<mxp4_package, PackageReleaser> package(mxp4Loader(path.c_str(), 0));
    if (!package) return std::nullopt;
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(std::max(0, mxp4SkinNb(package.get()))));
    for (int i = 0; i < mxp4SkinNb(package.get()); ++i)
        names.emplace_back(mxp4SkinName(package.get(), i));
    return names;
}

bool writeRecipeWav(const std::string& packagePath, const MixRecipe& recipe,
                    const std::string& outPath, const std::function<void(double)>& progress,
                    const std::atomic<bool>* cancel, std::string* error) {
    auto failWith = [error](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    std::unique_ptr<mxp4_package, PackageReleaser> package(mxp4Loader(packagePath.c_str(), 1));
    if (!package) return failWith("the package does not load");
    RecipeRender render(package.get(), recipe);
    if (!render.error().empty()) return failWith(render.error());
    const int rate = mxp4SampleRate(package.get());

    const std::string partial = outPath + ".part";
    std::unique_ptr<FILE, FileCloser> file(std::fopen(partial.c_str(), "wb"));
    if (!file) return failWith("cannot create " + partial);
    std::error_code ec;
    auto abandon = [&](std::string why) {
        file.reset();
        std::filesystem::remove(partial, ec);
        return failWith(std::move(why));
    };
    std::string header = wavHeader(rate, 0);
    if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size())
        return abandon("cannot write " + partial);

    constexpr int kChunk = 8820;
    constexpr uint64_t kMaxBytes = 0xFFFFFFFFull - 36; // the RIFF sizes are 32-bit
    std::vector<int16_t> buffer(2 * kChunk);
    uint64_t bytes = 0;
    while (!render.done()) {
        if (cancel && cancel->load()) return abandon("cancelled");
        const int n = render.render(buffer.data(), kChunk);
        // The samples are little-endian on every platform this runs on.
        if (n > 0 && std::fwrite(buffer.data(), 4, static_cast<size_t>(n), file.get()) !=
                         static_cast<size_t>(n))
            return abandon("cannot write " + partial);
        bytes += 4 * static_cast<uint64_t>(n);
        if (bytes > kMaxBytes) return abandon("longer than a WAV file can hold");
        if (progress) progress(render.progress());
    }
    header = wavHeader(rate, static_cast<uint32_t>(bytes));
    if (std::fseek(file.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), file.get()) != header.size() ||
        std::fflush(file.get()) != 0 || ::fsync(fileno(file.get())) != 0)
        return abandon("cannot write " + partial);
    file.reset();
    std::filesystem::rename(partial, outPath, ec);
    if (ec) return abandon("cannot store " + outPath);
    return true;
}

} // namespace zplayer
