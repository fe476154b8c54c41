// Fans' photo reports of a concert: metadata in SQLite, the pictures as JPEG files under the
// data directory ("reports/ID.jpg"). Every member may be called from any thread.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/sqlite_db.h"

namespace zserver {

struct PhotoReport {
    long long id = 0;
    std::string concert, author, comment;
    std::string date; // protocol date of reception, UTC
    int width = 0, height = 0;
};

// The size of a JPEG picture that decodes completely, or nullopt for anything else (other
// formats, truncated or corrupt data, pictures whose header announces more than the decoding
// bounds of image_resize.h).
struct PictureSize {
    int width = 0, height = 0;
};
std::optional<PictureSize> checkJpeg(std::string_view bytes);

// A report picture as it is kept: the JPEG as sent when its long side is at most kMaxStoredSide,
// else scaled down to it (the application shows reports at most 380 points high, and a resize
// of a kept picture must stay cheap). nullopt when it is not a JPEG that decodes.
inline constexpr int kMaxStoredSide = 1600;
struct StoredPicture {
    std::string jpeg;
    PictureSize size;
};
std::optional<StoredPicture> reportPicture(std::string_view bytes);

// Strict standard Base64: the alphabet, "=" padding only at the end, whitespace skipped.
// nullopt for any other character or a truncated group.
std::optional<std::string> decodeStrictBase64(std::string_view text);

class PhotoReports {
  public:
    // Opens the metadata table and the picture directory dataDir/reports (created).
    bool open(const std::string& dbPath, const std::filesystem::path& dataDir,
              std::string* error = nullptr);

    // Stores the picture (already checked) and its metadata; the new report, or nullopt when
    // either could not be written (then nothing is kept).
    std::optional<PhotoReport> add(const std::string& concert, const std::string& author,
                                   const std::string& comment, std::string_view jpeg,
                                   PictureSize size);
    // The reports of a concert, oldest first.
    std::vector<PhotoReport> forConcert(const std::string& concert);
    // The picture file of a report id ("reports/ID.jpg" under the data directory).
    std::filesystem::path picturePath(long long id) const;

  private:
    std::mutex mutex_;
    SqliteDb db_;
    std::filesystem::path dir_;
};

} // namespace zserver
