// Package writer: lays out the header, the chunks and the resource data of a mix package.
#include "writer.h"

#include <cstdio>
#include <cstring>

namespace mxp4w {
namespace {

constexpr int16_t kChunkHeader = 1;
constexpr int16_t kChunkAffinity = 12;
constexpr int16_t kChunkStringOffsets = 13;
constexpr int16_t kChunkTextOffsets = 14;
constexpr int16_t kChunkResources = 15;
constexpr int16_t kChunkStringPool = 16;
constexpr int16_t kChunkTextPool = 17;
constexpr int16_t kChunkEnd = 18;
constexpr int32_t kResourceRecordSize = 16;

class Bytes {
  public:
    explicit Bytes(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t v) { out_.push_back(v); }
    void i16(int16_t v) {
        auto u = static_cast<uint16_t>(v);
        u8(static_cast<uint8_t>(u));
        u8(static_cast<uint8_t>(u >> 8));
    }
    void i32(int32_t v) {
        auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(u >> (8 * i)));
    }
    void raw(const std::vector<uint8_t>& b) { out_.insert(out_.end(), b.begin(), b.end()); }

  private:
    std::vector<uint8_t>& out_;
};

void chunkHead(Bytes& b, int32_t size, int16_t type) {
    b.i32(size);
    b.i16(0);
    b.i16(type);
}

// One record's bytes from its int32 fields, padded with zeros or truncated to `size`.
std::vector<uint8_t> fieldsRecord(const std::vector<int32_t>& fields, int32_t size) {
    std::vector<uint8_t> rec;
    Bytes b(rec);
    for (int32_t f : fields) b.i32(f);
    rec.resize(size > 0 ? static_cast<size_t>(size) : 0, 0);
    return rec;
}

std::vector<int32_t> fields(const Track& t) {
    return {t.flags, t.keepPriority, -1 - t.node, t.name};
}
std::vector<int32_t> fields(const Clip& c) {
    return {c.flags,       c.gainLeft,     c.gainRight,    c.sectionLength, c.audioLength,
            c.startOffset, c.keepMin,      c.keepMax,      c.option,        c.auxResFirst,
            c.auxResCount, c.auxTextFirst, c.auxTextCount, c.commentFirst,  c.commentWeight,
            c.name,        c.resource};
}
std::vector<int32_t> fields(const Node& n) {
    return {n.word0,         n.optionFirst, n.optionCount, n.relationFirst,
            n.relationCount, n.condFirst,   n.condCount,   n.name};
}
std::vector<int32_t> fields(const Option& o) {
    return {o.clip, o.name, o.weight};
}
std::vector<int32_t> fields(const Relation& r) {
    return {r.flags, r.other, r.priority, r.matrixOffset, r.condFirst, r.condCount, r.name};
}
std::vector<int32_t> fields(const Condition& c) {
    return {c.word0, c.option};
}
std::vector<int32_t> fields(const Preset& p) {
    return {p.flags, p.option, p.priority, p.name};
}
std::vector<int32_t> fields(const Skin& s) {
    return {s.word0,       s.option,      s.priority,     s.string,      s.displayName,
            s.auxResFirst, s.auxResCount, s.auxTextFirst, s.auxTextCount};
}
std::vector<int32_t> fields(const AuxText& a) {
    return {a.flags, a.first, a.second};
}
std::vector<int32_t> fields(const AuxResource& a) {
    return {a.w[0], a.w[1], a.w[2], a.w[3]};
}
std::vector<int32_t> fields(int32_t v) {
    return {v};
}

int32_t resourceLength(const Resource& r) {
    return r.length == -2 ? static_cast<int32_t>(r.data.size()) : r.length;
}

std::vector<uint8_t> resourceRecord(const Resource& r, int32_t offset) {
    std::vector<uint8_t> rec;
    Bytes b(rec);
    b.i32(r.name);
    b.i16(r.kind);
    b.i32(offset);
    b.i16(0);
    b.i32(resourceLength(r));
    return rec;
}

std::string directoryOf(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

} // namespace

int32_t PackageWriter::addString(const std::string& s) {
    stringOffsets_.push_back(static_cast<int32_t>(stringPool_.size()));
    stringPool_.insert(stringPool_.end(), s.begin(), s.end());
    stringPool_.push_back(0);
    return static_cast<int32_t>(stringOffsets_.size()) - 1;
}

int32_t PackageWriter::addText(const std::vector<std::string>& variants) {
    textOffsets_.push_back(static_cast<int32_t>(textPool_.size()));
    for (const std::string& v : variants) {
        textPool_.insert(textPool_.end(), v.begin(), v.end());
        textPool_.push_back(0);
    }
    if (variants.empty()) textPool_.push_back(0);
    return static_cast<int32_t>(textOffsets_.size()) - 1;
}

int32_t PackageWriter::addMatrix(const std::vector<uint8_t>& cells) {
    auto offset = static_cast<int32_t>(affinity.size());
    affinity.insert(affinity.end(), cells.begin(), cells.end());
    return offset;
}

std::vector<uint8_t> PackageWriter::build() const {
    std::vector<uint8_t> out{'m', 'x', 'p', '4'};
    Bytes b(out);
    b.i32(version);
    b.i32(headerWord2);

    auto sizeFor = [&](int type, int32_t known) {
        auto it = recordSize.find(type);
        return it == recordSize.end() ? known : it->second;
    };
    auto table = [&](int16_t type, const auto& items, int32_t knownSize) {
        if (omitChunks.count(type)) return;
        int32_t size = sizeFor(type, knownSize);
        std::vector<uint8_t> body;
        Bytes bb(body);
        bb.i32(static_cast<int32_t>(items.size()));
        bb.i32(size);
        for (const auto& item : items) bb.raw(fieldsRecord(fields(item), size));
        chunkHead(b, static_cast<int32_t>(body.size()), type);
        b.raw(body);
    };
    auto blob = [&](int16_t type, const std::vector<uint8_t>& data) {
        if (omitChunks.count(type)) return;
        chunkHead(b, static_cast<int32_t>(data.size()) + 4, type);
        b.i32(static_cast<int32_t>(data.size()));
        b.raw(data);
    };

    if (!omitChunks.count(kChunkHeader)) {
        std::vector<int32_t> words(header, header + 20);
        std::vector<uint8_t> body = fieldsRecord(words, sizeFor(kChunkHeader, 80));
        chunkHead(b, static_cast<int32_t>(body.size()), kChunkHeader);
        b.raw(body);
    }
    table(2, tracks, 16);
    table(3, clips, 68);
    table(4, nodes, 32);
    table(5, options, 12);
    table(6, relations, 28);
    table(7, conditions, 8);
    table(8, presets, 16);
    table(9, skins, 36);
    table(10, auxTexts, 12);
    table(11, auxResources, 16);
    blob(kChunkAffinity, affinity);
    table(kChunkStringOffsets, stringOffsets_, 4);
    table(kChunkTextOffsets, textOffsets_, 4);

    std::vector<int32_t> offsets;
    int32_t dataOffset = 0;
    for (const Resource& r : resources) {
        offsets.push_back(dataOffset);
        dataOffset += static_cast<int32_t>(r.data.size());
    }
    if (!omitChunks.count(kChunkResources)) {
        int32_t size = sizeFor(kChunkResources, kResourceRecordSize);
        std::vector<uint8_t> body;
        Bytes bb(body);
        bb.i32(static_cast<int32_t>(resources.size()));
        bb.i32(size);
        for (size_t i = 0; i < resources.size(); ++i) {
            std::vector<uint8_t> rec = resourceRecord(resources[i], offsets[i]);
            rec.resize(size > 0 ? static_cast<size_t>(size) : 0, 0);
            bb.raw(rec);
        }
        chunkHead(b, static_cast<int32_t>(body.size()), kChunkResources);
        b.raw(body);
    }
    blob(kChunkStringPool, stringPool_);
    blob(kChunkTextPool, textPool_);

    for (const RawChunk& c : extraChunks) {
        chunkHead(b, c.size, c.type);
        b.raw(c.body);
    }

    if (embedResources && !omitChunks.count(kChunkEnd)) {
        chunkHead(b, 0, kChunkEnd);
        for (const Resource& r : resources) b.raw(r.data);
    }
    return out;
}

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        setError(error, "cannot create " + path);
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) setError(error, "cannot write " + path);
    return ok;
}

} // namespace

bool PackageWriter::write(const std::string& path, std::string* error) const {
    if (!writeFile(path, build(), error)) return false;
    if (embedResources) return true;
    const std::string dir = directoryOf(path);
    for (const Resource& r : resources) {
        // A resource without a usable name cannot live beside the package; tests use such
        // records (without data) for resources that must fail to open.
        bool named = r.name >= 0 && r.name < static_cast<int32_t>(stringOffsets_.size());
        if (!named) {
            if (r.data.empty()) continue;
            setError(error, "external resource without a file name");
            return false;
        }
        const char* name =
            reinterpret_cast<const char*>(stringPool_.data()) + stringOffsets_[r.name];
        if (std::strlen(name) == 0) {
            setError(error, std::string("unusable resource file name \"") + name + "\"");
            return false;
        }
        if (!writeFile(dir + name, r.data, error)) return false;
    }
    return true;
}

} // namespace mxp4w
