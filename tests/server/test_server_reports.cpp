// Photo reports: the reporter's upload stored and shown in the concert's album, malformed
// reports refused, and the album pages.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include "client/base64.h"
#include "demo_server.h"
#include "feeds/feed_exchange.h"
#include "server/content_records.h"
#include "server/feed_handlers.h"
#include "server/image_resize.h"
#include "server/photo_reports.h"

using namespace demo;

namespace {

constexpr int kAlbum = 115, kReporter = 118;
const std::string kWithoutPhotos = "1004"; // a past concert without seed photos
const std::string kTwoPages = "1002";      // a past concert with 7 seed photos

void append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<char*>(data), size);
}

std::string jpeg(int w, int h) {
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7);
    std::string out;
    stbi_write_jpg_to_func(append, &out, w, h, 3, rgb.data(), 80);
    return out;
}

// A photograph-like picture: noise does not compress, so a few megapixels weigh about a
// megabyte, as a phone's pictures do.
std::string noisyJpeg(int w, int h, int quality) {
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    unsigned state = 12345;
    for (size_t i = 0; i < rgb.size(); ++i) {
        state = state * 1103515245u + 12345u;
        rgb[i] =
            static_cast<unsigned char>((i / 3 % static_cast<size_t>(w)) / 8 + (state >> 24) / 2);
    }
    std::string out;
    stbi_write_jpg_to_func(append, &out, w, h, 3, rgb.data(), quality);
    return out;
}

// A small JPEG whose frame header is rewritten to announce w x h.
std::string announcing(int w, int h) {
    std::string bytes = jpeg(8, 8);
    size_t sof = bytes.find("\xFF\xC0");
    bytes[sof + 5] = static_cast<char>(h >> 8);
    bytes[sof + 6] = static_cast<char>(h & 0xFF);
    bytes[sof + 7] = static_cast<char>(w >> 8);
    bytes[sof + 8] = static_cast<char>(w & 0xFF);
    return bytes;
}

std::string png(int w, int h) {
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3, 128);
    std::string out;
    stbi_write_png_to_func(append, &out, w, h, 3, rgb.data(), w * 3);
    return out;
}

size_t occurrences(const std::string& text, const std::string& word) {
    size_t n = 0;
    for (size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) ++n;
    return n;
}

// The reporter's parameters, in its order.
Params report(const std::string& concert, const std::string& photo,
              const std::string& author = "ada_1815", const std::string& comment = "Superbe") {
    return {
        {"auteur", author}, {"commentaire", comment}, {"id_concert", concert}, {"photo", photo}};
}

class Reports : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.start()); }

    // The album model's cut of one page, read back: the "photos" record first.
    std::vector<zserver::ContentRecord> album(const std::string& concert, int page) {
        auto reply = server_.webRequest(
            kAlbum, {{"num_page", std::to_string(page)}, {"id_concert", concert}});
        auto doc = zephrun::cutElement(reply, "115", "<photos total", "</photos>");
        if (!doc) return {};
        return zserver::readRecords(*doc, {"photos", "photo"})
            .value_or(std::vector<zserver::ContentRecord>{});
    }

    ts::TempDir dir_;
    DemoServer server_{dir_};
};

} // namespace

TEST_F(Reports, AnUploadIsStoredAndShownLastInTheConcertsAlbum) {
    auto before = album(kWithoutPhotos, 1);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0].attribute("total"), "0");
    EXPECT_EQ(before[0].attribute("nbpage"), "1");

    const std::string picture = jpeg(64, 48);
    auto reply = server_.webRequest(kReporter, report(kWithoutPhotos, kt::encodeBase64(picture),
                                                      "ada_1815", "Premier rang & bonne humeur"));
    // The reporter counts a success when the word occurs exactly once in the answer.
    EXPECT_EQ(occurrences(reply, "success"), 1u) << reply;
    EXPECT_NE(reply.find(zephrun::actionMarker(kReporter) + "success</action>"), std::string::npos);

    auto stored = server_.server().photoReports().forConcert(kWithoutPhotos);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].author, "ada_1815");
    EXPECT_EQ(stored[0].width, 64);
    EXPECT_EQ(stored[0].height, 48);
    EXPECT_EQ(readText(server_.data() / "reports" / (std::to_string(stored[0].id) + ".jpg")),
              picture);

    auto after = album(kWithoutPhotos, 1);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].attribute("total"), "1");
    const auto& photo = after[1];
    const std::string src = photo.attribute("src");
    EXPECT_EQ(src, server_.base() + "reports/" + std::to_string(stored[0].id) + ".jpg");
    EXPECT_EQ(photo.child("auteur"), "ada_1815");
    EXPECT_EQ(photo.child("commentaire"), "Premier rang & bonne humeur");
    EXPECT_EQ(photo.child("date"), stored[0].date);
    auto [status, served] = server_.get(src.substr(server_.base().size() - 1));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(served, picture);
    // The tour map asks for the thumbnail through the resize service.
    auto [thumbStatus, thumb] = server_.get("/resize.aspx?url=" + src + "&r=1&w=60");
    EXPECT_EQ(thumbStatus, 200);
    EXPECT_EQ(thumb.substr(0, 3), "\xFF\xD8\xFF");
}

TEST_F(Reports, RealisticPicturesAreStoredAndLargeOnesNormalised) {
    // About a megabyte of picture: a body of 1.4 MB once in Base64, sent as the application
    // sends it (a form post).
    const std::string photo = noisyJpeg(1200, 900, 92);
    ASSERT_GT(photo.size(), 700'000u);
    auto reply = server_.webRequest(kReporter, report(kWithoutPhotos, kt::encodeBase64(photo)));
    EXPECT_EQ(occurrences(reply, "success"), 1u) << reply.substr(0, 300);
    auto stored = server_.server().photoReports().forConcert(kWithoutPhotos);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(readText(server_.data() / "reports" / (std::to_string(stored[0].id) + ".jpg")),
              photo);

    // A large picture is kept at a sane size, and its thumbnail comes from the kept picture.
    reply =
        server_.webRequest(kReporter, report(kWithoutPhotos, kt::encodeBase64(jpeg(3000, 2000))));
    EXPECT_EQ(occurrences(reply, "success"), 1u);
    stored = server_.server().photoReports().forConcert(kWithoutPhotos);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].width, zserver::kMaxStoredSide);
    EXPECT_EQ(stored[1].height, 1067);
    auto kept = zserver::checkJpeg(
        readText(server_.data() / "reports" / (std::to_string(stored[1].id) + ".jpg")));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->width, zserver::kMaxStoredSide);

    // A tiny upload announcing a huge picture is refused from its header, without decoding.
    EXPECT_FALSE(zserver::checkJpeg(announcing(8192, 8192)));
    EXPECT_FALSE(zserver::pictureHeader(announcing(5000, 5000)));
    EXPECT_TRUE(zserver::pictureHeader(announcing(4096, 4096)));
    reply = server_.webRequest(kReporter,
                               report(kWithoutPhotos, kt::encodeBase64(announcing(8000, 8000))));
    EXPECT_NE(reply.find(errorMarker(kReporter)), std::string::npos);
}

TEST_F(Reports, FansTextsComeBackAsWritten) {
    const std::string author = "@SERVER@", comment = "see @SERVER@media/x.jpg";
    ASSERT_NE(server_
                  .webRequest(kReporter,
                              report(kWithoutPhotos, kt::encodeBase64(jpeg(8, 8)), author, comment))
                  .find("success"),
              std::string::npos);
    auto photos = album(kWithoutPhotos, 1);
    ASSERT_EQ(photos.size(), 2u);
    EXPECT_EQ(photos[1].child("auteur"), author);
    EXPECT_EQ(photos[1].child("commentaire"), comment);
    // The server's own photos still name the server.
    auto seed = album(kTwoPages, 1);
    ASSERT_GT(seed.size(), 1u);
    EXPECT_EQ(seed[1].attribute("src").rfind(server_.base(), 0), 0u);
}

TEST_F(Reports, AReportWhosePictureCannotBeWrittenLeavesNoRow) {
    // The picture directory replaced by a file: the picture cannot be written.
    fs::remove_all(server_.data() / "reports");
    std::ofstream(server_.data() / "reports") << "not a directory";
    auto reply =
        server_.webRequest(kReporter, report(kWithoutPhotos, kt::encodeBase64(jpeg(8, 8))));
    EXPECT_NE(reply.find(errorMarker(kReporter)), std::string::npos);
    EXPECT_TRUE(server_.server().photoReports().forConcert(kWithoutPhotos).empty());
}

TEST(ResizeCacheStore, KeepsTheMostRecentWithinItsBytes) {
    zserver::ResizeCache cache(10);
    cache.add("a", "1234");
    cache.add("b", "5678");
    EXPECT_EQ(cache.find("a"), "1234"); // a is now the most recent
    cache.add("c", "90");
    cache.add("d", "xyz");
    EXPECT_FALSE(cache.find("b"));
    EXPECT_EQ(cache.find("a"), "1234");
    EXPECT_EQ(cache.find("d"), "xyz");
    cache.add("huge", std::string(11, 'h'));
    EXPECT_FALSE(cache.find("huge"));
}

TEST_F(Reports, AlbumPagesHoldSeedPhotosThenReports) {
    auto first = album(kTwoPages, 1);
    ASSERT_EQ(first.size(), 1u + zserver::kPhotosPerPage);
    EXPECT_EQ(first[0].attribute("total"), "7");
    EXPECT_EQ(first[0].attribute("page"), "1");
    EXPECT_EQ(first[0].attribute("nbpage"), "2");
    EXPECT_EQ(first[1].attribute("src").rfind(server_.base() + "media/photos/" + kTwoPages, 0), 0u);

    ASSERT_NE(server_.webRequest(kReporter, report(kTwoPages, kt::encodeBase64(jpeg(8, 8))))
                  .find("success"),
              std::string::npos);
    auto second = album(kTwoPages, 2);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0].attribute("total"), "8");
    EXPECT_EQ(second[2].attribute("src").find("/reports/"), server_.base().size() - 1);

    EXPECT_TRUE(album(kTwoPages, 3).empty());
    EXPECT_TRUE(album("9999", 1).empty());
    EXPECT_TRUE(album("", 1).empty());
}

TEST_F(Reports, MalformedReportsAreRefusedAndStoreNothing) {
    const std::string good = kt::encodeBase64(jpeg(32, 32));
    const std::string picture = jpeg(32, 32);
    const Params bad[] = {
        report(kWithoutPhotos, "not*base64!"),
        report(kWithoutPhotos, good.substr(0, good.size() - 3) + "="), // broken padding
        report(kWithoutPhotos, kt::encodeBase64(png(16, 16))),         // not a JPEG
        report(kWithoutPhotos, kt::encodeBase64(picture.substr(0, picture.size() / 2))),
        report(kWithoutPhotos, kt::encodeBase64("\xFF\xD8\xFF\xE0 header only")),
        report(kWithoutPhotos, ""),
        report("2001", good),             // a coming concert
        report("../1004", good),          // no such concert
        report(kWithoutPhotos, good, ""), // no author
        report(kWithoutPhotos, good, "a", std::string(2001, 'c')),
        {{"auteur", "a"}, {"id_concert", kWithoutPhotos}}, // no photo
    };
    for (const Params& p : bad) {
        auto reply = server_.webRequest(kReporter, p);
        EXPECT_EQ(reply.find("success"), std::string::npos) << p[2].second;
        EXPECT_NE(reply.find(errorMarker(kReporter)), std::string::npos);
    }
    EXPECT_TRUE(server_.server().photoReports().forConcert(kWithoutPhotos).empty());
    EXPECT_TRUE(fs::is_empty(server_.data() / "reports"));
    EXPECT_EQ(album(kWithoutPhotos, 1)[0].attribute("total"), "0");
}

TEST(ReportChecks, Base64AndJpegValidation) {
    EXPECT_EQ(zserver::decodeStrictBase64("aGVsbG8="), "hello");
    EXPECT_EQ(zserver::decodeStrictBase64("aGVs\nbG8"), "hello"); // no padding, a line break
    EXPECT_EQ(zserver::decodeStrictBase64("+/8="), std::string("\xFB\xFF"));
    EXPECT_FALSE(zserver::decodeStrictBase64("_/8="));  // the request variant's "+"
    EXPECT_FALSE(zserver::decodeStrictBase64("aGVsb")); // a lone 6-bit group
    EXPECT_FALSE(zserver::decodeStrictBase64("aG=Vs")); // data after padding
    EXPECT_FALSE(zserver::decodeStrictBase64("aGVsbG8==="));

    auto size = zserver::checkJpeg(jpeg(20, 10));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 20);
    EXPECT_EQ(size->height, 10);
    EXPECT_FALSE(zserver::checkJpeg(png(4, 4)));
    EXPECT_FALSE(zserver::checkJpeg(""));
}

TEST(ReportStore, ReportsSurviveARestart) {
    ts::TempDir dir;
    const std::string db = dir.file("zserver.db");
    DemoServer server(dir, db);
    ASSERT_TRUE(server.start());
    ASSERT_NE(server.webRequest(kReporter, report("1001", kt::encodeBase64(jpeg(16, 16))))
                  .find("success"),
              std::string::npos);
    server.stop();
    ASSERT_TRUE(server.start());
    auto reply = server.webRequest(kAlbum, {{"num_page", "1"}, {"id_concert", "1001"}});
    EXPECT_NE(reply.find(server.base() + "reports/1.jpg"), std::string::npos) << reply;
    EXPECT_EQ(server.get("/reports/1.jpg").first, 200);
    EXPECT_EQ(server.get("/reports/2.jpg").first, 404);
}
