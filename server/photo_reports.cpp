// Photo reports: JPEG and Base64 checks, then the picture file and its row.
#include "server/photo_reports.h"

#include <array>
#include <fstream>
#include <sqlite3.h>
#include <stb_image.h>

#include "server/request_log.h"

namespace zserver {
namespace fs = std::filesystem;
namespace {

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS photo_reports (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    concert TEXT NOT NULL,
    author TEXT NOT NULL,
    comment TEXT NOT NULL,
    width INTEGER NOT NULL, height INTEGER NOT NULL,
    received_at TEXT NOT NULL
);
)sql";

constexpr int kMaxSide = 8192;

struct StbPixels {
    stbi_uc* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

// Writes through a temporary file and a rename, so a reader never sees half a picture.
bool writeAtomically(const fs::path& path, std::string_view bytes) {
    fs::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec) fs::remove(tmp, ec);
    return !ec;
}

} // namespace

std::optional<PictureSize> checkJpeg(std::string_view bytes) {
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8 ||
        static_cast<unsigned char>(bytes[2]) != 0xFF)
        return std::nullopt;
    if (bytes.size() > INT32_MAX) return std::nullopt;
    auto* p = reinterpret_cast<const stbi_uc*>(bytes.data());
    int len = static_cast<int>(bytes.size());
    int w = 0, h = 0, n = 0;
    if (!stbi_info_from_memory(p, len, &w, &h, &n) || w < 1 || h < 1 || w > kMaxSide ||
        h > kMaxSide)
        return std::nullopt;
    // A header alone is not a picture: the whole scan must decode.
    StbPixels pixels;
    pixels.data = stbi_load_from_memory(p, len, &w, &h, &n, 0);
    if (!pixels.data) return std::nullopt;
    return PictureSize{w, h};
}

std::optional<std::string> decodeStrictBase64(std::string_view text) {
    std::array<int, 256> value;
    value.fill(-1);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(alphabet[i])] = i;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    unsigned bits = 0;
    int count = 0, padding = 0;
    for (char ch : text) {
        if (ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t') continue;
        if (ch == '=') {
            ++padding;
            continue;
        }
        int v = value[static_cast<unsigned char>(ch)];
        if (v < 0 || padding > 0) return std::nullopt; // foreign character, or data after "="
        bits = (bits << 6) | static_cast<unsigned>(v);
        if (++count % 4 == 0) {
            out += static_cast<char>((bits >> 16) & 0xFF);
            out += static_cast<char>((bits >> 8) & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            bits = 0;
        }
    }
    int rest = count % 4;
    if (rest == 1 || padding > 2 || (padding > 0 && rest + padding != 4)) return std::nullopt;
    if (rest == 2) out += static_cast<char>((bits >> 4) & 0xFF);
    if (rest == 3) {
        out += static_cast<char>((bits >> 10) & 0xFF);
        out += static_cast<char>((bits >> 2) & 0xFF);
    }
    return out;
}

bool PhotoReports::open(const std::string& dbPath, const fs::path& dataDir, std::string* error) {
    std::lock_guard lock(mutex_);
    dir_ = dataDir / "reports";
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec) {
        if (error) *error = "cannot create " + dir_.string();
        return false;
    }
    return db_.open(dbPath, kSchema, error);
}

fs::path PhotoReports::picturePath(long long id) const {
    return dir_ / (std::to_string(id) + ".jpg");
}

std::optional<PhotoReport> PhotoReports::add(const std::string& concert, const std::string& author,
                                             const std::string& comment, std::string_view jpeg,
                                             PictureSize size) {
    std::lock_guard lock(mutex_);
    PhotoReport r{0, concert, author, comment, protocolNow(), size.width, size.height};
    if (!db_.exec("BEGIN IMMEDIATE")) return std::nullopt;
    SqliteStatement st(db_, "INSERT INTO photo_reports (concert, author, comment, width, height, "
                            "received_at) VALUES (?,?,?,?,?,?)");
    bool ok = static_cast<bool>(st);
    if (ok) {
        st.bind(1, concert);
        st.bind(2, author);
        st.bind(3, comment);
        st.bind(4, static_cast<long long>(size.width));
        st.bind(5, static_cast<long long>(size.height));
        st.bind(6, r.date);
        ok = st.step() == SQLITE_DONE;
    }
    if (ok) {
        r.id = db_.lastInsertId();
        // The row only becomes visible with its picture in place.
        ok = writeAtomically(picturePath(r.id), jpeg);
    }
    if (!ok || !db_.exec("COMMIT")) {
        db_.exec("ROLLBACK");
        if (r.id) {
            std::error_code ec;
            fs::remove(picturePath(r.id), ec);
        }
        return std::nullopt;
    }
    return r;
}

std::vector<PhotoReport> PhotoReports::forConcert(const std::string& concert) {
    std::lock_guard lock(mutex_);
    std::vector<PhotoReport> out;
    SqliteStatement st(db_, "SELECT id, concert, author, comment, received_at, width, height "
                            "FROM photo_reports WHERE concert = ? ORDER BY id");
    if (!st) return out;
    st.bind(1, concert);
    while (st.step() == SQLITE_ROW) {
        PhotoReport r;
        r.id = st.integer(0);
        r.concert = st.text(1);
        r.author = st.text(2);
        r.comment = st.text(3);
        r.date = st.text(4);
        r.width = static_cast<int>(st.integer(5));
        r.height = static_cast<int>(st.integer(6));
        out.push_back(std::move(r));
    }
    return out;
}

} // namespace zserver
