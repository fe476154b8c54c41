// Package description: JSON reading with errors that name the item and member at fault.
#include "description.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace mxpack {

const char* encodingName(Encoding e) {
    switch (e) {
    case Encoding::Vorbis:
        return "vorbis";
    case Encoding::Wav:
        return "wav";
    case Encoding::Adpcm:
        return "adpcm";
    }
    return "?";
}

namespace {

using json = nlohmann::json;

// Thrown inside the parser only; parseDescription turns it into its error text.
struct ParseError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw ParseError{where.empty() ? what : where + ": " + what};
}

std::string itemName(const std::string& list, size_t i, const json& item) {
    std::string s = list + "[" + std::to_string(i) + "]";
    if (item.is_object() && item.contains("name") && item["name"].is_string())
        s += " \"" + item["name"].get<std::string>() + "\"";
    return s;
}

// Musical lengths: {"bars": n} or {"beats": n} when the description gives its tempo.
struct Tempo {
    int64_t samplesPerBeat = 0;
    int64_t beatsPerBar = 4;
};

class Object {
  public:
    Object(const json& j, std::string where, const std::set<std::string>& allowed)
        : j_(j), where_(std::move(where)) {
        if (!j.is_object()) fail(where_, "must be an object");
        for (const auto& [key, value] : j.items())
            if (!allowed.count(key)) fail(where_, "unknown member \"" + key + "\"");
    }

    bool has(const char* key) const { return j_.contains(key); }
    const json& at(const char* key) const { return j_.at(key); }
    const std::string& where() const { return where_; }
    std::string member(const char* key) const { return where_ + ": \"" + key + "\""; }

    std::string string(const char* key, bool required = false) const {
        if (!has(key)) {
            if (required) fail(where_, std::string("missing \"") + key + "\"");
            return {};
        }
        if (!at(key).is_string()) fail(member(key), "must be a string");
        return at(key).get<std::string>();
    }

    int64_t integer(const char* key, int64_t fallback, int64_t lo, int64_t hi) const {
        if (!has(key)) return fallback;
        return checkedInteger(at(key), member(key), lo, hi);
    }

    double number(const char* key, double fallback) const {
        if (!has(key)) return fallback;
        if (!at(key).is_number()) fail(member(key), "must be a number");
        return at(key).get<double>();
    }

    bool boolean(const char* key, bool fallback) const {
        if (!has(key)) return fallback;
        if (!at(key).is_boolean()) fail(member(key), "must be true or false");
        return at(key).get<bool>();
    }

    const json& array(const char* key) const {
        static const json empty = json::array();
        if (!has(key)) return empty;
        if (!at(key).is_array()) fail(member(key), "must be an array");
        return at(key);
    }

    static int64_t checkedInteger(const json& v, const std::string& where, int64_t lo, int64_t hi) {
        if (!v.is_number_integer())
            fail(where, "must be an integer in " + std::to_string(lo) + ".." + std::to_string(hi));
        const int64_t x = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT64_MAX)
                              ? INT64_MAX
                              : v.get<int64_t>();
        if (x < lo || x > hi)
            fail(where, "value " + std::to_string(x) + " is outside " + std::to_string(lo) + ".." +
                            std::to_string(hi));
        return x;
    }

  private:
    const json& j_;
    std::string where_;
};

constexpr int64_t kInt32Max = 2147483647;
constexpr int64_t kInt32Min = -kInt32Max - 1;

Text readText(const json& v, const std::string& where) {
    Text t;
    if (v.is_string()) {
        t.push_back(v.get<std::string>());
    } else if (v.is_array() && !v.empty()) {
        for (const json& s : v) {
            if (!s.is_string()) fail(where, "text variants must be strings");
            t.push_back(s.get<std::string>());
        }
    } else {
        fail(where, "must be a string or an array of strings (French, then English)");
    }
    for (const std::string& s : t)
        if (s.find('\0') != std::string::npos) fail(where, "a text may not contain NUL");
    return t;
}

OptionRef readOptionRef(const json& v, const std::string& where) {
    OptionRef r;
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        r.written = s;
        const size_t slash = s.rfind('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == s.size())
            fail(where,
                 "option reference \"" + s + "\" must read \"node/option\" or \"node/#index\"");
        r.node = s.substr(0, slash);
        const std::string opt = s.substr(slash + 1);
        if (opt[0] == '#') {
            try {
                size_t used = 0;
                r.index = std::stoll(opt.substr(1), &used);
                if (used + 1 != opt.size()) throw std::invalid_argument("trailing");
            } catch (const std::exception&) {
                fail(where, "option reference \"" + s + "\": bad index");
            }
        } else {
            r.option = opt;
        }
        return r;
    }
    Object o(v, where, {"node", "option"});
    r.node = o.string("node", true);
    if (!o.has("option")) fail(where, "missing \"option\"");
    const json& opt = o.at("option");
    if (opt.is_string()) {
        r.option = opt.get<std::string>();
        r.written = r.node + "/" + r.option;
    } else {
        r.index = Object::checkedInteger(opt, o.member("option"), kInt32Min, kInt32Max);
        r.written = r.node + "/#" + std::to_string(r.index);
    }
    return r;
}

std::vector<OptionRef> readOptionRefs(const Object& o, const char* key) {
    std::vector<OptionRef> out;
    const json& list = o.array(key);
    for (size_t i = 0; i < list.size(); ++i)
        out.push_back(readOptionRef(list[i], o.member(key) + "[" + std::to_string(i) + "]"));
    return out;
}

// A length in samples, or in bars/beats of the description's tempo.
int64_t readLength(const json& v, const std::string& where, const Tempo& tempo, int64_t lo) {
    if (v.is_object()) {
        Object o(v, where, {"bars", "beats"});
        if (tempo.samplesPerBeat <= 0)
            fail(where, "bars and beats need \"tempo\" at the top level");
        const int64_t bars = o.integer("bars", 0, 0, 1 << 16);
        const int64_t beats = o.integer("beats", 0, -(1 << 16), 1 << 16);
        const int64_t total = (bars * tempo.beatsPerBar + beats) * tempo.samplesPerBeat;
        if (total < lo || total > kInt32Max)
            fail(where, "length " + std::to_string(total) + " is out of range");
        return total;
    }
    return Object::checkedInteger(v, where, lo, kInt32Max);
}

Encoding readEncoding(const json& v, const std::string& where) {
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        if (s == "vorbis") return Encoding::Vorbis;
        if (s == "wav") return Encoding::Wav;
        if (s == "adpcm") return Encoding::Adpcm;
    }
    fail(where, "must be \"vorbis\", \"wav\" or \"adpcm\"");
}

DRelation readRelation(const json& j, const std::string& where) {
    Object o(
        j, where,
        {"name", "other", "priority", "useCurrent", "matrix", "default", "cells", "conditions"});
    DRelation r;
    r.name = o.string("name");
    r.other = o.string("other", true);
    r.priority = o.integer("priority", 0, 0, kInt32Max);
    r.useCurrent = o.boolean("useCurrent", false);
    if (o.has("matrix") && (o.has("default") || o.has("cells")))
        fail(where, "give either \"matrix\" or \"default\"/\"cells\", not both");
    if (o.has("matrix")) {
        r.hasMatrix = true;
        const json& rows = o.array("matrix");
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::string rw = o.member("matrix") + "[" + std::to_string(i) + "]";
            if (!rows[i].is_array()) fail(rw, "each row must be an array of 0..255");
            std::vector<int64_t> row;
            for (size_t c = 0; c < rows[i].size(); ++c)
                row.push_back(
                    Object::checkedInteger(rows[i][c], rw + "[" + std::to_string(c) + "]", 0, 255));
            r.matrix.push_back(std::move(row));
        }
    } else {
        r.defaultCell = o.integer("default", 128, 0, 255);
        const json& cells = o.array("cells");
        for (size_t i = 0; i < cells.size(); ++i) {
            const std::string cw = o.member("cells") + "[" + std::to_string(i) + "]";
            Object c(cells[i], cw, {"other", "own", "value"});
            DCell cell;
            // "other": null (or absent) names the row used when the other node has no option.
            if (c.has("other") && !c.at("other").is_null()) cell.other = c.string("other");
            cell.own = c.string("own", true);
            if (!c.has("value")) fail(cw, "missing \"value\"");
            cell.value = c.integer("value", 128, 0, 255);
            r.cells.push_back(cell);
        }
    }
    r.conditions = readOptionRefs(o, "conditions");
    return r;
}

DNode readNode(const json& j, const std::string& where) {
    Object o(j, where, {"name", "options", "relations", "conditions"});
    DNode n;
    n.name = o.string("name", true);
    const json& options = o.array("options");
    for (size_t i = 0; i < options.size(); ++i) {
        const std::string ow = where + ": " + itemName("options", i, options[i]);
        Object oo(options[i], ow, {"name", "clip", "weight"});
        DOption opt;
        opt.name = oo.string("name");
        // Weight 0 would be read as 256 by the engine: "never" is written as an unavailable clip.
        opt.weight = oo.integer("weight", 256, 1, 65535);
        if (oo.has("clip") && !oo.at("clip").is_null()) opt.clip = oo.string("clip");
        n.options.push_back(opt);
    }
    const json& relations = o.array("relations");
    for (size_t i = 0; i < relations.size(); ++i)
        n.relations.push_back(
            readRelation(relations[i], where + ": " + itemName("relations", i, relations[i])));
    n.conditions = readOptionRefs(o, "conditions");
    return n;
}

DClip readClip(const json& j, const std::string& where, const Tempo& tempo) {
    Object o(j, where,
             {"name", "file", "gain", "sectionLength", "audioLength", "startOffset", "keep",
              "unavailable", "comments", "encoding"});
    DClip c;
    c.name = o.string("name", true);
    c.file = o.string("file");
    if (o.has("gain")) {
        const json& g = o.at("gain");
        if (g.is_array() && g.size() == 2) {
            c.gainLeft = Object::checkedInteger(g[0], o.member("gain") + "[0]", 0, 4096);
            c.gainRight = Object::checkedInteger(g[1], o.member("gain") + "[1]", 0, 4096);
        } else {
            c.gainLeft = c.gainRight = Object::checkedInteger(g, o.member("gain"), 0, 4096);
        }
    }
    if (o.has("sectionLength"))
        c.sectionLength = readLength(o.at("sectionLength"), o.member("sectionLength"), tempo, 1);
    if (o.has("audioLength"))
        c.audioLength = readLength(o.at("audioLength"), o.member("audioLength"), tempo, 0);
    if (o.has("startOffset")) {
        const json& s = o.at("startOffset");
        c.startOffset = s.is_object() ? readLength(s, o.member("startOffset"), tempo, kInt32Min)
                                      : Object::checkedInteger(s, o.member("startOffset"),
                                                               kInt32Min / 2, kInt32Max / 2);
    }
    if (o.has("keep")) {
        const json& k = o.at("keep");
        if (k.is_array() && k.size() == 2) {
            c.keepMin = Object::checkedInteger(k[0], o.member("keep") + "[0]", 0, 255);
            c.keepMax = Object::checkedInteger(k[1], o.member("keep") + "[1]", 0, 255);
            if (c.keepMax < c.keepMin) fail(o.member("keep"), "maximum is below minimum");
        } else {
            c.keepMin = c.keepMax = Object::checkedInteger(k, o.member("keep"), 0, 255);
        }
    }
    c.unavailable = o.boolean("unavailable", false);
    const json& comments = o.array("comments");
    for (size_t i = 0; i < comments.size(); ++i)
        c.comments.push_back(
            readText(comments[i], o.member("comments") + "[" + std::to_string(i) + "]"));
    if (o.has("encoding")) c.encoding = readEncoding(o.at("encoding"), o.member("encoding"));
    return c;
}

void readTop(const json& j, Description& d) {
    Object o(j, "",
             {"name", "sampleRate", "headerWord2", "header", "title", "subtitle", "compressor",
              "comments", "resources", "tempo", "tracks", "nodes", "clips", "clipDefaults",
              "presets", "skins"});
    d.name = o.string("name", true);
    if (d.name.empty() || d.name.find_first_of("/\\") != std::string::npos)
        fail("\"name\"", "must be a non-empty file name without a directory");
    d.sampleRate = o.integer("sampleRate", 44100, 8000, 192000);
    d.headerWord2 = o.integer("headerWord2", 0, kInt32Min, kInt32Max);
    if (o.has("header")) {
        Object h(o.at("header"), "\"header\"", {"H0", "H1", "H5", "H7"});
        const char* keys[4] = {"H0", "H1", "H5", "H7"};
        for (int i = 0; i < 4; ++i) d.headerWords[i] = h.integer(keys[i], 0, kInt32Min, kInt32Max);
    }
    if (o.has("title")) d.title = readText(o.at("title"), "\"title\"");
    if (o.has("subtitle")) d.subtitle = readText(o.at("subtitle"), "\"subtitle\"");
    if (o.has("compressor")) {
        Object c(o.at("compressor"), "\"compressor\"",
                 {"mode", "threshold", "ratio", "attack", "release", "makeup", "ceiling"});
        d.compressor.enabled = true;
        if (c.has("mode")) {
            const json& m = c.at("mode");
            if (m == "rms")
                d.compressor.mode = 8;
            else if (m == "peak")
                d.compressor.mode = 2;
            else if (m == "mean")
                d.compressor.mode = 1;
            else if (m == "off")
                d.compressor.enabled = false;
            else
                fail(c.member("mode"), "must be \"rms\", \"peak\", \"mean\" or \"off\"");
        }
        // The header holds 16.16 fixed point: keep every value where it converts exactly.
        auto ranged = [&](const char* key, double fallback, double lo, double hi) {
            const double v = c.number(key, fallback);
            if (!(v >= lo && v <= hi))
                fail(c.member(key),
                     "must lie in " + std::to_string(lo) + ".." + std::to_string(hi));
            return v;
        };
        d.compressor.threshold = ranged("threshold", -12.0, -128.0, 0.0);
        d.compressor.ratio = ranged("ratio", 0.5, 0.0, 1.0);
        d.compressor.attack = ranged("attack", 0.005, 0.0001, 10.0);
        d.compressor.release = ranged("release", 0.2, 0.0001, 10.0);
        d.compressor.makeup = ranged("makeup", 0.0, -144.0, 100.0);
        d.compressor.ceiling = ranged("ceiling", 1.0, 0.0, 1.0);
    }
    const json& comments = o.array("comments");
    for (size_t i = 0; i < comments.size(); ++i)
        d.comments.push_back(readText(comments[i], "\"comments\"[" + std::to_string(i) + "]"));
    if (o.has("resources")) {
        Object r(o.at("resources"), "\"resources\"", {"encoding", "quality", "embed"});
        if (r.has("encoding")) d.encoding = readEncoding(r.at("encoding"), r.member("encoding"));
        d.quality = r.number("quality", 0.5);
        if (!(d.quality >= 0.0 && d.quality <= 1.0)) fail(r.member("quality"), "must lie in 0..1");
        d.embed = r.boolean("embed", true);
    }
    Tempo tempo;
    if (o.has("tempo")) {
        Object t(o.at("tempo"), "\"tempo\"", {"samplesPerBeat", "beatsPerBar"});
        tempo.samplesPerBeat = t.integer("samplesPerBeat", 0, 1, 10 * 192000);
        tempo.beatsPerBar = t.integer("beatsPerBar", 4, 1, 64);
        if (!t.has("samplesPerBeat")) fail("\"tempo\"", "missing \"samplesPerBeat\"");
    }

    const json& tracks = o.array("tracks");
    for (size_t i = 0; i < tracks.size(); ++i) {
        const std::string w = itemName("tracks", i, tracks[i]);
        Object t(tracks[i], w, {"name", "node", "master", "user", "keepPriority"});
        DTrack tr;
        tr.name = t.string("name");
        tr.node = t.string("node", true);
        tr.master = t.boolean("master", false);
        tr.user = t.boolean("user", !tr.master);
        tr.keepPriority = t.integer("keepPriority", 0, 0, kInt32Max);
        d.tracks.push_back(tr);
    }
    const json& nodes = o.array("nodes");
    for (size_t i = 0; i < nodes.size(); ++i)
        d.nodes.push_back(readNode(nodes[i], itemName("nodes", i, nodes[i])));
    // Members of "clipDefaults" apply to every clip that does not give them itself.
    json defaults = json::object();
    if (o.has("clipDefaults")) {
        defaults = o.at("clipDefaults");
        Object check(defaults, "\"clipDefaults\"",
                     {"gain", "sectionLength", "audioLength", "startOffset", "keep", "encoding"});
    }
    const json& clips = o.array("clips");
    for (size_t i = 0; i < clips.size(); ++i) {
        const std::string where = itemName("clips", i, clips[i]);
        if (!clips[i].is_object()) fail(where, "must be an object");
        json merged = defaults;
        merged.update(clips[i]);
        d.clips.push_back(readClip(merged, where, tempo));
    }
    const json& presets = o.array("presets");
    for (size_t i = 0; i < presets.size(); ++i) {
        const std::string w = itemName("presets", i, presets[i]);
        Object p(presets[i], w, {"name", "option", "priority", "active", "firstDecision"});
        DPreset pr;
        pr.name = p.string("name");
        if (!p.has("option")) fail(w, "missing \"option\"");
        pr.option = readOptionRef(p.at("option"), p.member("option"));
        pr.priority = p.integer("priority", 1, 0, kInt32Max);
        pr.active = p.boolean("active", true);
        pr.firstDecision = p.boolean("firstDecision", false);
        d.presets.push_back(pr);
    }
    const json& skins = o.array("skins");
    for (size_t i = 0; i < skins.size(); ++i) {
        const std::string w = itemName("skins", i, skins[i]);
        Object s(skins[i], w, {"name", "displayName", "option", "priority"});
        DSkin sk;
        sk.name = s.string("name");
        if (s.has("displayName"))
            sk.displayName = readText(s.at("displayName"), s.member("displayName"));
        if (s.has("option") && !s.at("option").is_null())
            sk.option = readOptionRef(s.at("option"), s.member("option"));
        sk.priority = s.integer("priority", 1, 0, kInt32Max);
        d.skins.push_back(sk);
    }
}

} // namespace

bool parseDescription(const std::string& text, Description& out, std::string& error) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::parse_error& e) {
        error = std::string("not valid JSON: ") + e.what();
        return false;
    }
    Description d;
    try {
        readTop(j, d);
    } catch (const ParseError& e) {
        error = e.message;
        return false;
    }
    d.baseDir = out.baseDir;
    out = std::move(d);
    return true;
}

bool loadDescription(const std::string& path, Description& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the description " + path;
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    out.baseDir = std::filesystem::path(path).parent_path().string();
    if (!parseDescription(ss.str(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace mxpack
