// Photo reports: JPEG and Base64 checks, then the picture file and its row.
#include "server/photo_reports.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>

#include "server/image_resize.h"
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

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes the picture under a temporary name, makes it durable (file, then rename, then the
// directory), so that once this returns a power loss cannot leave the name empty or missing.
bool writeDurably(const fs::path& path, std::string_view bytes) {
    const std::string tmp = path.string() + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

bool looksLikeJpeg(std::string_view bytes) {
    return bytes.size() >= 4 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xD8 &&
           static_cast<unsigned char>(bytes[2]) == 0xFF;
}

} // namespace

std::optional<PictureSize> checkJpeg(std::string_view bytes) {
    if (!looksLikeJpeg(bytes)) return std::nullopt;
    // A header alone is not a picture: the whole scan must decode.
    auto picture = decodePicture(bytes);
    if (!picture) return std::nullopt;
    return PictureSize{picture->width, picture->height};
}

std::optional<StoredPicture> reportPicture(std::string_view bytes) {
    if (!looksLikeJpeg(bytes)) return std::nullopt;
    auto picture = decodePicture(bytes);
    if (!picture) return std::nullopt;
    StoredPicture out;
    int longSide = std::max(picture->width, picture->height);
    if (longSide <= kMaxStoredSide) {
        out.jpeg.assign(bytes);
        out.size = {picture->width, picture->height};
        return out;
    }
    double scale = static_cast<double>(kMaxStoredSide) / longSide;
    int w = std::max(1, static_cast<int>(std::lround(picture->width * scale)));
    int h = std::max(1, static_cast<int>(std::lround(picture->height * scale)));
    RgbPicture smaller = scaledPicture(*picture, w, h);
    picture.reset(); // the full-size pixels go before the encoder's buffers come
    out.jpeg = encodeJpeg(smaller);
    if (out.jpeg.empty()) return std::nullopt;
    out.size = {w, h};
    return out;
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
    // The row and its picture: the picture is durable before the row is committed, so a row
    // never names a picture that a crash lost.
    bool stored = db_.transaction([&] {
        SqliteStatement st(db_, "INSERT INTO photo_reports (concert, author, comment, width, "
                                "height, received_at) VALUES (?,?,?,?,?,?)");
        if (!st) return false;
        st.bind(1, concert);
        st.bind(2, author);
        st.bind(3, comment);
        st.bind(4, static_cast<long long>(size.width));
        st.bind(5, static_cast<long long>(size.height));
        st.bind(6, r.date);
        if (st.step() != SQLITE_DONE) return false;
        r.id = db_.lastInsertId();
        return writeDurably(picturePath(r.id), jpeg);
    });
    if (!stored) {
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
