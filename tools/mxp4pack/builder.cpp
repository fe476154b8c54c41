// Package builder: name resolution, checks, audio encoding and table layout.
#include "builder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "resource_encode.h"
#include "wav_input.h"

namespace mxpack {

double BuildReport::kbps(int sampleRate) const {
    if (audioFrames == 0 || sampleRate <= 0) return 0.0;
    return double(resourceBytes) * 8.0 / (double(audioFrames) / sampleRate) / 1000.0;
}

namespace {

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string nodeWhere(size_t i, const DNode& n) {
    return "nodes[" + std::to_string(i) + "] " + quoted(n.name);
}

std::string relationWhere(size_t ni, const DNode& n, size_t ri) {
    const DRelation& r = n.relations[ri];
    return nodeWhere(ni, n) + ": relations[" + std::to_string(ri) + "]" +
           (r.name.empty() ? "" : " " + quoted(r.name));
}

std::string clipWhere(size_t i, const DClip& c) {
    return "clips[" + std::to_string(i) + "] " + quoted(c.name);
}

// Every name of the description resolved to the table layout of the package: options, relations
// and conditions are laid out node after node, each node's activation conditions before the
// conditions of its relations.
struct Layout {
    std::map<std::string, int32_t> nodes, clips;
    std::vector<std::map<std::string, int32_t>> optionNames; // per node: name -> index in node
    std::vector<int32_t> optionFirst, relationFirst, nodeCondFirst;
    std::vector<std::vector<int32_t>> relationCondFirst; // per node, per relation
    int32_t optionCount = 0, relationCount = 0, conditionCount = 0;
    std::vector<int32_t> optionOwner; // global option -> node
    std::vector<int32_t> clipOption;  // clip -> first option that plays it, or -1
};

class Resolver {
  public:
    explicit Resolver(const Description& d) : d_(d) {}

    bool run(std::string& error) {
        try {
            names();
            buildLayout();
            references();
            order();
            weights();
            lengths();
        } catch (const std::string& e) {
            error = e;
            return false;
        }
        return true;
    }

    const Layout& layout() const { return l_; }

    // Global option index of a reference; throws a message naming `where` when it is unusable.
    int32_t option(const OptionRef& r, const std::string& where) const {
        auto n = l_.nodes.find(r.node);
        if (n == l_.nodes.end())
            throw where + ": unknown node " + quoted(r.node) + " in " + quoted(r.written);
        const int32_t node = n->second;
        const int32_t count = static_cast<int32_t>(d_.nodes[size_t(node)].options.size());
        int64_t index = r.index;
        if (!r.option.empty()) {
            auto o = l_.optionNames[size_t(node)].find(r.option);
            if (o == l_.optionNames[size_t(node)].end())
                throw where + ": node " + quoted(r.node) + " has no option " + quoted(r.option);
            index = o->second;
        } else if (index < 0 || index >= count) {
            throw where + ": option index " + std::to_string(index) + " out of range (node " +
                quoted(r.node) + " has " + std::to_string(count) + " options)";
        }
        return l_.optionFirst[size_t(node)] + static_cast<int32_t>(index);
    }

    int32_t node(const std::string& name, const std::string& where) const {
        auto n = l_.nodes.find(name);
        if (n == l_.nodes.end()) throw where + ": unknown node " + quoted(name);
        return n->second;
    }

  private:
    void names() {
        for (size_t i = 0; i < d_.nodes.size(); ++i) {
            const DNode& n = d_.nodes[i];
            if (n.name.empty()) throw nodeWhere(i, n) + ": a node needs a name";
            if (!l_.nodes.emplace(n.name, int32_t(i)).second)
                throw nodeWhere(i, n) + ": duplicate node name";
            std::map<std::string, int32_t> options;
            for (size_t k = 0; k < n.options.size(); ++k) {
                const std::string& name = n.options[k].name;
                if (!name.empty() && !options.emplace(name, int32_t(k)).second)
                    throw nodeWhere(i, n) + ": duplicate option name " + quoted(name);
            }
            l_.optionNames.push_back(std::move(options));
        }
        for (size_t i = 0; i < d_.clips.size(); ++i) {
            const DClip& c = d_.clips[i];
            if (c.name.empty()) throw clipWhere(i, c) + ": a clip needs a name";
            if (!l_.clips.emplace(c.name, int32_t(i)).second)
                throw clipWhere(i, c) + ": duplicate clip name";
        }
    }

    void buildLayout() {
        for (size_t i = 0; i < d_.nodes.size(); ++i) {
            const DNode& n = d_.nodes[i];
            l_.optionFirst.push_back(l_.optionCount);
            for (size_t k = 0; k < n.options.size(); ++k) l_.optionOwner.push_back(int32_t(i));
            l_.optionCount += int32_t(n.options.size());
            l_.relationFirst.push_back(l_.relationCount);
            l_.relationCount += int32_t(n.relations.size());
            l_.nodeCondFirst.push_back(l_.conditionCount);
            l_.conditionCount += int32_t(n.conditions.size());
            std::vector<int32_t> rel;
            for (const DRelation& r : n.relations) {
                rel.push_back(l_.conditionCount);
                l_.conditionCount += int32_t(r.conditions.size());
            }
            l_.relationCondFirst.push_back(std::move(rel));
        }
    }

    void references() {
        for (size_t i = 0; i < d_.tracks.size(); ++i) {
            const DTrack& t = d_.tracks[i];
            const std::string where =
                "tracks[" + std::to_string(i) + "]" + (t.name.empty() ? "" : " " + quoted(t.name));
            node(t.node, where);
            if (!t.master && !t.user)
                throw where + ": a track is a master track, a user track or both";
        }
        l_.clipOption.assign(d_.clips.size(), -1);
        for (size_t i = 0; i < d_.nodes.size(); ++i) {
            const DNode& n = d_.nodes[i];
            if (n.options.empty()) throw nodeWhere(i, n) + ": a node needs at least one option";
            for (size_t k = 0; k < n.options.size(); ++k) {
                const DOption& o = n.options[k];
                if (o.clip.empty()) continue;
                auto c = l_.clips.find(o.clip);
                if (c == l_.clips.end())
                    throw nodeWhere(i, n) + ": options[" + std::to_string(k) + "]" +
                        (o.name.empty() ? "" : " " + quoted(o.name)) + ": unknown clip " +
                        quoted(o.clip);
                if (l_.clipOption[size_t(c->second)] < 0)
                    l_.clipOption[size_t(c->second)] = l_.optionFirst[i] + int32_t(k);
            }
            for (size_t k = 0; k < n.conditions.size(); ++k)
                option(n.conditions[k],
                       nodeWhere(i, n) + ": conditions[" + std::to_string(k) + "]");
            for (size_t r = 0; r < n.relations.size(); ++r) relation(i, r);
        }
        for (size_t i = 0; i < d_.presets.size(); ++i)
            option(d_.presets[i].option,
                   "presets[" + std::to_string(i) + "]" +
                       (d_.presets[i].name.empty() ? "" : " " + quoted(d_.presets[i].name)));
        for (size_t i = 0; i < d_.skins.size(); ++i)
            if (d_.skins[i].option)
                option(*d_.skins[i].option,
                       "skins[" + std::to_string(i) + "]" +
                           (d_.skins[i].name.empty() ? "" : " " + quoted(d_.skins[i].name)));
    }

    void relation(size_t ni, size_t ri) {
        const DNode& n = d_.nodes[ni];
        const DRelation& r = n.relations[ri];
        const std::string where = relationWhere(ni, n, ri);
        const int32_t other = node(r.other, where);
        const size_t rows = d_.nodes[size_t(other)].options.size() + 1;
        const size_t cols = n.options.size();
        if (r.hasMatrix) {
            if (r.matrix.size() != rows)
                throw where + ": affinity matrix has " + std::to_string(r.matrix.size()) +
                    " rows, expected " + std::to_string(rows) + " (options of " + quoted(r.other) +
                    " + 1 for no option)";
            for (size_t k = 0; k < rows; ++k)
                if (r.matrix[k].size() != cols)
                    throw where + ": affinity matrix row " + std::to_string(k) + " has " +
                        std::to_string(r.matrix[k].size()) + " cells, expected " +
                        std::to_string(cols) + " (options of " + quoted(n.name) + ")";
        }
        for (size_t k = 0; k < r.cells.size(); ++k) {
            const DCell& c = r.cells[k];
            const std::string cw = where + ": cells[" + std::to_string(k) + "]";
            if (!c.other.empty() && !l_.optionNames[size_t(other)].count(c.other))
                throw cw + ": node " + quoted(r.other) + " has no option " + quoted(c.other);
            if (!l_.optionNames[ni].count(c.own))
                throw cw + ": node " + quoted(n.name) + " has no option " + quoted(c.own);
        }
        for (size_t k = 0; k < r.conditions.size(); ++k)
            option(r.conditions[k], where + ": conditions[" + std::to_string(k) + "]");
    }

    // The engine solves nodes in an order where every node comes after the nodes it reads; a
    // cycle would leave nodes out of the order, and the engine rejects such a package.
    void order() {
        const size_t n = d_.nodes.size();
        std::vector<std::set<int32_t>> deps(n);
        auto ownerOf = [&](const OptionRef& r) { return l_.optionOwner[size_t(option(r, ""))]; };
        for (size_t i = 0; i < n; ++i) {
            const DNode& node = d_.nodes[i];
            for (const OptionRef& c : node.conditions) deps[i].insert(ownerOf(c));
            for (const DRelation& r : node.relations) {
                if (!r.useCurrent) deps[i].insert(l_.nodes.at(r.other));
                for (const OptionRef& c : r.conditions) deps[i].insert(ownerOf(c));
            }
        }
        std::vector<int> state(n, 0); // 0 unvisited, 1 on the path, 2 done
        std::vector<int32_t> path;
        std::function<void(int32_t)> visit = [&](int32_t v) {
            state[size_t(v)] = 1;
            path.push_back(v);
            for (int32_t w : deps[size_t(v)]) {
                if (state[size_t(w)] == 1) {
                    std::string cycle;
                    auto from = std::find(path.begin(), path.end(), w);
                    for (auto it = from; it != path.end(); ++it)
                        cycle += quoted(d_.nodes[size_t(*it)].name) + " -> ";
                    throw nodeWhere(size_t(w), d_.nodes[size_t(w)]) +
                        ": cyclic dependency between nodes (" + cycle +
                        quoted(d_.nodes[size_t(w)].name) +
                        "); compare with the current solution (\"useCurrent\") to break it";
                }
                if (state[size_t(w)] == 0) visit(w);
            }
            path.pop_back();
            state[size_t(v)] = 2;
        };
        for (size_t i = 0; i < n; ++i)
            if (state[i] == 0) visit(int32_t(i));
    }

    // The solver scales an option's weight by every affinity cell over 128, then by a random
    // byte, in 32-bit integers: the largest product must stay representable.
    void weights() {
        for (size_t i = 0; i < d_.nodes.size(); ++i) {
            const DNode& n = d_.nodes[i];
            for (size_t k = 0; k < n.options.size(); ++k) {
                double w = double(n.options[k].weight);
                for (const DRelation& r : n.relations) {
                    int64_t cell = r.hasMatrix ? 0 : r.defaultCell;
                    for (const auto& row : r.matrix) cell = std::max(cell, row[k]);
                    for (const DCell& c : r.cells)
                        if (l_.optionNames[i].at(c.own) == int32_t(k))
                            cell = std::max(cell, c.value);
                    w = std::floor(w * double(cell) / 128.0);
                }
                if (w * 255.0 + 1.0 > 2147483647.0)
                    throw nodeWhere(i, n) + ": options[" + std::to_string(k) + "]" +
                        (n.options[k].name.empty() ? "" : " " + quoted(n.options[k].name)) +
                        ": weight " + std::to_string(n.options[k].weight) +
                        " scaled by its relations' cells overflows the solver's 32-bit keys";
            }
        }
    }

    // A master clip sets the time to the next decision: it must be a positive length.
    void lengths() {
        for (size_t i = 0; i < d_.tracks.size(); ++i) {
            const DTrack& t = d_.tracks[i];
            if (!t.master) continue;
            const DNode& n = d_.nodes[size_t(l_.nodes.at(t.node))];
            for (const DOption& o : n.options) {
                if (o.clip.empty()) continue;
                const size_t ci = size_t(l_.clips.at(o.clip));
                const DClip& c = d_.clips[ci];
                if (!c.sectionLength && c.file.empty() &&
                    c.startOffset + c.audioLength.value_or(0) <= 0)
                    throw clipWhere(ci, c) + ": clip of master track " + quoted(t.name) +
                        " needs a positive \"sectionLength\"";
            }
        }
    }

    const Description& d_;
    Layout l_;
};

int32_t fixed1616(double v) {
    return static_cast<int32_t>(std::lround(v * 65536.0));
}

std::string resolvePath(const std::string& file, const std::string& dir) {
    std::filesystem::path p(file);
    if (p.is_absolute() || dir.empty()) return p.string();
    return (std::filesystem::path(dir) / p).string();
}

// File name of a resource written beside the package: clip names are free text, so anything
// that could leave the directory or trouble a file system becomes '_', and a clash with an
// earlier name gets a number.
std::string resourceFileName(const std::string& package, const std::string& clip, Encoding e,
                             std::set<std::string>& taken) {
    std::string stem = package + "_" + clip;
    for (char& ch : stem) {
        const bool safe = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                          (ch >= '0' && ch <= '9') || ch == '_' || ch == '-' || ch == '.';
        if (!safe) ch = '_';
    }
    std::string name = stem + resourceExtension(e);
    for (int n = 2; !taken.insert(name).second; ++n)
        name = stem + "_" + std::to_string(n) + resourceExtension(e);
    return name;
}

// Strings and texts are pooled once each: many items share names such as "silence".
class Pools {
  public:
    explicit Pools(mxp4w::PackageWriter& w) : w_(w) {}
    int32_t string(const std::string& s) {
        if (s.empty()) return -1;
        auto it = strings_.find(s);
        if (it != strings_.end()) return it->second;
        return strings_[s] = w_.addString(s);
    }
    int32_t text(const Text& t) { return t.empty() ? -1 : w_.addText(t); }

  private:
    mxp4w::PackageWriter& w_;
    std::map<std::string, int32_t> strings_;
};

} // namespace

bool validateDescription(const Description& d, std::string& error) {
    Resolver r(d);
    return r.run(error);
}

bool buildPackage(const Description& d, const BuildOptions& options, mxp4w::PackageWriter& w,
                  BuildReport* report, std::string& error) {
    Resolver resolver(d);
    if (!resolver.run(error)) return false;
    const Layout& l = resolver.layout();
    BuildReport rep;
    w = mxp4w::PackageWriter();
    Pools pools(w);
    w.embedResources = options.embed.value_or(d.embed);
    const double quality = options.quality.value_or(d.quality);
    const std::string audioDir = options.audioDir.empty() ? d.baseDir : options.audioDir;

    // Header.
    w.headerWord2 = static_cast<int32_t>(d.headerWord2);
    w.header[0] = static_cast<int32_t>(d.headerWords[0]);
    w.header[1] = static_cast<int32_t>(d.headerWords[1]);
    w.header[5] = static_cast<int32_t>(d.headerWords[2]);
    w.header[7] = static_cast<int32_t>(d.headerWords[3]);
    w.header[2] = pools.text(d.title);
    w.header[3] = pools.text(d.subtitle);
    w.header[6] = static_cast<int32_t>(d.sampleRate);
    if (d.compressor.enabled) {
        const DCompressor& c = d.compressor;
        w.header[4] = static_cast<int32_t>(c.mode);
        w.header[14] = fixed1616(c.threshold);
        w.header[15] = fixed1616(c.ratio);
        w.header[16] = fixed1616(c.attack);
        w.header[17] = fixed1616(c.release);
        w.header[18] = fixed1616(c.makeup);
        w.header[19] = fixed1616(c.ceiling);
    }
    w.header[12] = -1;
    for (size_t i = 0; i < d.comments.size(); ++i) {
        const int32_t ref = pools.text(d.comments[i]);
        if (i == 0) w.header[12] = ref;
    }
    w.header[13] = static_cast<int32_t>(d.comments.size());

    // Tracks, nodes, options, relations, conditions, affinity.
    for (const DTrack& t : d.tracks) {
        mxp4w::Track tr;
        tr.flags = (t.master ? 1 : 0) | (t.user ? 2 : 0);
        tr.keepPriority = static_cast<int32_t>(t.keepPriority);
        tr.node = l.nodes.at(t.node);
        tr.name = pools.string(t.name);
        w.tracks.push_back(tr);
    }
    for (size_t i = 0; i < d.nodes.size(); ++i) {
        const DNode& n = d.nodes[i];
        mxp4w::Node node;
        node.optionFirst = l.optionFirst[i];
        node.optionCount = static_cast<int32_t>(n.options.size());
        node.relationFirst = l.relationFirst[i];
        node.relationCount = static_cast<int32_t>(n.relations.size());
        node.condFirst = l.nodeCondFirst[i];
        node.condCount = static_cast<int32_t>(n.conditions.size());
        node.name = pools.string(n.name);
        w.nodes.push_back(node);
        for (const DOption& o : n.options) {
            mxp4w::Option opt;
            opt.clip = o.clip.empty() ? -1 : l.clips.at(o.clip);
            opt.name = pools.string(o.name);
            opt.weight = static_cast<int32_t>(o.weight);
            w.options.push_back(opt);
        }
        for (const OptionRef& c : n.conditions) w.conditions.push_back({0, resolver.option(c, "")});
        for (size_t ri = 0; ri < n.relations.size(); ++ri) {
            const DRelation& r = n.relations[ri];
            const int32_t other = l.nodes.at(r.other);
            const DNode& on = d.nodes[size_t(other)];
            const size_t rows = on.options.size() + 1, cols = n.options.size();
            std::vector<uint8_t> cells(rows * cols, static_cast<uint8_t>(r.defaultCell));
            if (r.hasMatrix) {
                for (size_t y = 0; y < rows; ++y)
                    for (size_t x = 0; x < cols; ++x)
                        cells[y * cols + x] = static_cast<uint8_t>(r.matrix[y][x]);
            }
            for (const DCell& c : r.cells) {
                const size_t y = c.other.empty() ? on.options.size()
                                                 : size_t(l.optionNames[size_t(other)].at(c.other));
                const size_t x = size_t(l.optionNames[i].at(c.own));
                cells[y * cols + x] = static_cast<uint8_t>(c.value);
            }
            mxp4w::Relation rel;
            rel.flags = r.useCurrent ? 1 : 0;
            rel.other = other;
            rel.priority = static_cast<int32_t>(r.priority);
            rel.matrixOffset = w.addMatrix(cells);
            rel.condFirst = l.relationCondFirst[i][ri];
            rel.condCount = static_cast<int32_t>(r.conditions.size());
            rel.name = pools.string(r.name);
            w.relations.push_back(rel);
        }
        for (const DRelation& r : n.relations)
            for (const OptionRef& c : r.conditions)
                w.conditions.push_back({0, resolver.option(c, "")});
    }
    // An empty affinity blob has no valid offset; relation-free packages need none, but keep
    // one neutral byte so every offset 0 stays inside the blob.
    if (w.affinity.empty()) w.affinity.push_back(128);

    for (const DPreset& p : d.presets) {
        mxp4w::Preset pr;
        pr.flags = (p.active ? 2 : 0) | (p.firstDecision ? 1 : 0);
        pr.option = resolver.option(p.option, "");
        pr.priority = static_cast<int32_t>(p.priority);
        pr.name = pools.string(p.name);
        w.presets.push_back(pr);
    }
    for (const DSkin& s : d.skins) {
        mxp4w::Skin sk;
        sk.option = s.option ? resolver.option(*s.option, "") : -1;
        sk.priority = static_cast<int32_t>(s.priority);
        sk.string = pools.string(s.name);
        sk.displayName = pools.text(s.displayName);
        w.skins.push_back(sk);
    }

    // Clips and their audio; clips that name the same file with the same encoding share one
    // resource.
    std::map<std::pair<std::string, int>, int32_t> shared;
    std::set<std::string> fileNames;
    bool allVorbis = true;
    uint64_t dataBytes = 0;
    for (size_t i = 0; i < d.clips.size(); ++i) {
        const DClip& c = d.clips[i];
        const std::string where = clipWhere(i, c);
        mxp4w::Clip clip;
        clip.flags = c.unavailable ? 2 : 0;
        clip.gainLeft = static_cast<int32_t>(c.gainLeft);
        clip.gainRight = static_cast<int32_t>(c.gainRight);
        clip.keepMin = static_cast<int32_t>(c.keepMin);
        clip.keepMax = static_cast<int32_t>(c.keepMax);
        clip.option = l.clipOption[i];
        clip.name = pools.string(c.name);
        // The comment draw indexes consecutive texts: lay them out back to back.
        for (size_t k = 0; k < c.comments.size(); ++k) {
            const int32_t ref = pools.text(c.comments[k]);
            if (k == 0) clip.commentFirst = ref;
        }
        clip.commentWeight = static_cast<int32_t>(c.comments.size());
        int64_t frames = 0;
        int64_t lead = 0; // silence the encoding put before the audio
        if (!c.file.empty()) {
            const Encoding enc = options.encoding.value_or(c.encoding.value_or(d.encoding));
            const std::string path = resolvePath(c.file, audioDir);
            WavAudio audio;
            std::string why;
            if (!std::filesystem::exists(path)) {
                error = where + ": missing audio file " + path;
                return false;
            }
            if (!readWav(path, audio, why)) {
                error = where + ": " + why;
                return false;
            }
            if (audio.sampleRate != d.sampleRate) {
                error = where + ": audio file " + path + " is at " +
                        std::to_string(audio.sampleRate) + " Hz, the package at " +
                        std::to_string(d.sampleRate) + " Hz";
                return false;
            }
            frames = static_cast<int64_t>(audio.frames());
            lead = enc == Encoding::Vorbis ? kVorbisLeadFrames : 0;
            const auto key = std::make_pair(path, static_cast<int>(enc));
            auto it = shared.find(key);
            if (it != shared.end()) {
                clip.resource = it->second;
            } else {
                EncodedResource encoded;
                const uint32_t serial = static_cast<uint32_t>(w.resources.size() + 1);
                if (!encodeResource(audio, enc, quality, static_cast<int>(d.sampleRate), serial,
                                    encoded, why)) {
                    error = where + ": " + why;
                    return false;
                }
                dataBytes += encoded.bytes.size();
                if (dataBytes > uint64_t(INT32_MAX)) {
                    error = where + ": the resources exceed 2 GiB, which the format cannot address";
                    return false;
                }
                mxp4w::Resource r;
                r.name = pools.string(resourceFileName(d.name, c.name, enc, fileNames));
                r.kind = encoded.kind;
                r.data = std::move(encoded.bytes);
                allVorbis = allVorbis && enc == Encoding::Vorbis;
                rep.resourceBytes += r.data.size();
                rep.audioFrames += audio.frames();
                clip.resource = static_cast<int32_t>(w.resources.size());
                shared.emplace(key, clip.resource);
                w.resources.push_back(std::move(r));
            }
        }
        const int64_t audioLength = c.audioLength.value_or(frames);
        if (!c.file.empty() && audioLength > frames) {
            error = where + ": \"audioLength\" " + std::to_string(audioLength) +
                    " exceeds the audio file's " + std::to_string(frames) + " frames";
            return false;
        }
        // The clip plays the lead too, starting that much earlier: what follows it keeps its place.
        if (audioLength + lead > INT32_MAX || c.startOffset - lead < INT32_MIN) {
            error = where + ": \"startOffset\" and \"audioLength\" leave no room for the " +
                    std::to_string(lead) + "-sample lead of a Vorbis clip";
            return false;
        }
        clip.audioLength = static_cast<int32_t>(audioLength + lead);
        clip.startOffset = static_cast<int32_t>(c.startOffset - lead);
        const int64_t section = c.sectionLength.value_or(c.startOffset + audioLength);
        if (section > INT32_MAX) {
            error = where + ": section length " + std::to_string(section) + " is too long";
            return false;
        }
        clip.sectionLength = static_cast<int32_t>(section);
        w.clips.push_back(clip);
    }
    // Master clips with audio were only checkable now that their lengths are known.
    for (const DTrack& t : d.tracks) {
        if (!t.master) continue;
        for (const DOption& o : d.nodes[size_t(l.nodes.at(t.node))].options) {
            if (o.clip.empty()) continue;
            const int32_t ci = l.clips.at(o.clip);
            if (w.clips[size_t(ci)].sectionLength <= 0) {
                error = clipWhere(size_t(ci), d.clips[size_t(ci)]) + ": clip of master track " +
                        quoted(t.name) + " needs a positive section length";
                return false;
            }
        }
    }

    rep.resources = static_cast<int>(w.resources.size());
    rep.freqMixable = allVorbis;
    if (report) *report = rep;
    return true;
}

bool writePackage(const Description& d, const BuildOptions& options, const std::string& path,
                  BuildReport* report, std::string& error) {
    mxp4w::PackageWriter w;
    BuildReport rep;
    if (!buildPackage(d, options, w, &rep, error)) return false;
    if (!w.write(path, &error)) return false;
    std::error_code ec;
    rep.packageBytes = std::filesystem::file_size(path, ec);
    if (report) *report = rep;
    return true;
}

} // namespace mxpack
