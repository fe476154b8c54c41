// The image-resize service: answer sizes for the application's queries, fill and fit, the 1 x 1
// answer, and addresses that must not leave the server's own files.
#include <gtest/gtest.h>

#include <stb_image.h>
#include <stb_image_write.h>

#include "demo_server.h"
#include "server/image_resize.h"
#include "server/static_files.h"

using namespace demo;
using zserver::ResizeQuery;

namespace {

void append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<char*>(data), size);
}

// A picture whose left half is red and right half blue.
std::string halves(int w, int h, bool asPng) {
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rgb[(static_cast<size_t>(y) * w + x) * 3 + (x < w / 2 ? 0 : 2)] = 255;
    std::string out;
    if (asPng)
        stbi_write_png_to_func(append, &out, w, h, 3, rgb.data(), w * 3);
    else
        stbi_write_jpg_to_func(append, &out, w, h, 3, rgb.data(), 95);
    return out;
}

struct Decoded {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    // The colour at (x, y).
    std::array<int, 3> at(int x, int y) const {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

Decoded decode(const std::string& bytes) {
    Decoded d;
    int n = 0;
    stbi_uc* p = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                       static_cast<int>(bytes.size()), &d.w, &d.h, &n, 3);
    if (p) {
        d.rgb.assign(p, p + static_cast<size_t>(d.w) * d.h * 3);
        stbi_image_free(p);
    }
    return d;
}

std::pair<int, int> sizeFor(const char* w, const char* h, const char* r, int srcW, int srcH) {
    auto opt = [](const char* s) { return s ? std::optional<std::string_view>(s) : std::nullopt; };
    auto q = zserver::parseResizeQuery("x", opt(w), opt(h), opt(r), std::nullopt);
    EXPECT_TRUE(q);
    int outW = 0, outH = 0;
    zserver::answerSize(*q, srcW, srcH, outW, outH);
    return {outW, outH};
}

} // namespace

TEST(ImageResize, AnswerSizesOfTheApplicationsQueries) {
    using P = std::pair<int, int>;
    EXPECT_EQ(sizeFor("120", nullptr, "1", 300, 300), P(120, 120));     // covers
    EXPECT_EQ(sizeFor("67", nullptr, "1", 300, 200), P(67, 67));        // news thumbnails
    EXPECT_EQ(sizeFor("120", nullptr, "1.33", 320, 240), P(120, 90));   // video thumbnails
    EXPECT_EQ(sizeFor("60", nullptr, "1", 480, 640), P(60, 60));        // album strip
    EXPECT_EQ(sizeFor("10", nullptr, nullptr, 640, 480), P(10, 8));     // landscape probe
    EXPECT_EQ(sizeFor("10", nullptr, nullptr, 480, 640), P(10, 13));    // portrait probe
    EXPECT_EQ(sizeFor("320", nullptr, nullptr, 640, 480), P(320, 240)); // full photo
    EXPECT_EQ(sizeFor(nullptr, "380", nullptr, 480, 640), P(285, 380));
    EXPECT_EQ(sizeFor("50", "20", nullptr, 640, 480), P(50, 20));
    EXPECT_EQ(sizeFor(nullptr, nullptr, nullptr, 33, 44), P(33, 44));

    auto bad = [](const char* w, const char* r, const char* f) {
        auto opt = [](const char* s) {
            return s ? std::optional<std::string_view>(s) : std::nullopt;
        };
        return !zserver::parseResizeQuery("x", opt(w), std::nullopt, opt(r), opt(f));
    };
    EXPECT_TRUE(bad("0", nullptr, nullptr));
    EXPECT_TRUE(bad("5000", nullptr, nullptr));
    EXPECT_TRUE(bad("12px", nullptr, nullptr));
    EXPECT_TRUE(bad("10", "0", nullptr));
    EXPECT_TRUE(bad("10", "nan", nullptr));
    EXPECT_TRUE(bad("10", nullptr, "2"));
    EXPECT_FALSE(zserver::parseResizeQuery(std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                           std::nullopt));
}

TEST(ImageResize, FillCropsAroundTheCentreAndFitLetterboxes) {
    const std::string source = halves(200, 100, true);
    ResizeQuery fill{"x", 50, 0, 1.0, false};
    Decoded a = decode(zserver::resizePicture(source, fill).value_or(""));
    ASSERT_EQ(a.w, 50);
    ASSERT_EQ(a.h, 50);
    // The centred square holds both halves, from edge to edge.
    EXPECT_GT(a.at(2, 25)[0], 200);
    EXPECT_LT(a.at(2, 25)[2], 60);
    EXPECT_GT(a.at(47, 25)[2], 200);
    EXPECT_GT(a.at(2, 1)[0], 200); // no bars

    ResizeQuery fit{"x", 50, 0, 1.0, true};
    Decoded b = decode(zserver::resizePicture(source, fit).value_or(""));
    ASSERT_EQ(b.w, 50);
    ASSERT_EQ(b.h, 50);
    // The whole picture, 50 x 25, between black bars.
    EXPECT_LT(b.at(10, 3)[0] + b.at(10, 3)[1] + b.at(10, 3)[2], 40);
    EXPECT_GT(b.at(10, 25)[0], 200);
    EXPECT_GT(b.at(40, 25)[2], 200);
    EXPECT_LT(b.at(40, 47)[2], 40);

    EXPECT_FALSE(zserver::resizePicture("not a picture", fill));
    EXPECT_FALSE(zserver::resizePicture(source.substr(0, 40), fill));
    Decoded one = decode(zserver::onePixelPicture());
    EXPECT_EQ(one.w, 1);
    EXPECT_EQ(one.h, 1);
}

TEST(StaticFiles, AddressesResolveByPathInsideTheirRoots) {
    ts::TempDir dir;
    fs::path root(dir.path());
    for (auto p :
         {"content/pics/a.jpg", "media/covers/c.jpg", "data/reports/1.jpg", "outside.jpg"}) {
        fs::create_directories((root / p).parent_path());
        std::ofstream(root / p) << "x";
    }
    fs::create_symlink(root / "outside.jpg", root / "content/pics/link.jpg");
    zserver::StaticRoots roots{root / "content", root / "media", root / "data/reports"};
    auto resolves = [&](std::string_view address, const char* expected) {
        auto p = zserver::resolveStaticFile(roots, address);
        if (!expected) return !p;
        return p && *p == fs::canonical(root / expected);
    };
    EXPECT_TRUE(resolves("http://127.0.0.1:8642/pics/a.jpg", "content/pics/a.jpg"));
    EXPECT_TRUE(resolves("http://elsewhere.example/pics/a.jpg?v=2", "content/pics/a.jpg"));
    EXPECT_TRUE(resolves("/media/covers/c.jpg", "media/covers/c.jpg"));
    EXPECT_TRUE(resolves("http://h/media/covers/%63.jpg", "media/covers/c.jpg"));
    EXPECT_TRUE(resolves("http://h/reports/1.jpg", "data/reports/1.jpg"));
    EXPECT_TRUE(resolves("http://h/pics/../../outside.jpg", nullptr));
    EXPECT_TRUE(resolves("http://h/media/%2e%2e/outside.jpg", nullptr));
    EXPECT_TRUE(resolves("http://h/pics/..%2f..%2foutside.jpg", nullptr));
    EXPECT_TRUE(resolves("http://h/pics/link.jpg", nullptr)); // a link out of the root
    EXPECT_TRUE(resolves("http://h/pics", nullptr));          // a directory
    EXPECT_TRUE(resolves("http://h/pics/a.jpg%00.png", nullptr));
    EXPECT_TRUE(resolves("http://h", nullptr));
    EXPECT_TRUE(resolves("file:///etc/passwd", nullptr));
    EXPECT_TRUE(resolves("/etc/passwd", nullptr));
    zserver::StaticRoots noMedia{root / "content", {}, {}};
    EXPECT_FALSE(zserver::resolveStaticFile(noMedia, "/media/covers/c.jpg"));
}

TEST(ResizeService, AnswersOverHttp) {
    ts::TempDir dir;
    DemoServer server(dir);
    fs::create_directories(server.content() / "pics");
    std::ofstream(server.content() / "pics/halves.png", std::ios::binary) << halves(200, 100, true);
    std::ofstream(server.content() / "pics/broken.jpg", std::ios::binary)
        << halves(200, 100, false).substr(0, 100);
    std::ofstream(dir.file("secret.jpg"), std::ios::binary) << halves(20, 20, false);
    ASSERT_TRUE(server.start());
    const std::string base = server.base();

    auto [status, body] = server.get("/resize.aspx?url=" + base + "pics/halves.png&f=0&w=120&r=1");
    EXPECT_EQ(status, 200);
    Decoded cover = decode(body);
    EXPECT_EQ(cover.w, 120);
    EXPECT_EQ(cover.h, 120);
    Decoded thumb = decode(server.get("/resize.aspx?url=" + base + "test.jpg&w=120&r=1.33").second);
    EXPECT_EQ(thumb.w, 120);
    EXPECT_EQ(thumb.h, 90);

    // Missing, unreadable, outside the roots, or asked badly: a 1 x 1 picture.
    const std::vector<std::string> refused = {"url=" + base + "pics/none.jpg&w=60",
                                              "url=" + base + "pics/broken.jpg&w=60",
                                              "url=" + base + "ZephrunConfig.xml&w=60",
                                              "url=" + base + "pics/../../secret.jpg&w=60",
                                              "url=" + base + "%2e%2e/secret.jpg&w=60",
                                              "url=" + base + "pics/halves.png&w=abc",
                                              "w=60",
                                              "url=http://127.0.0.1:1/pics/halves.png&w=99999"};
    for (const std::string& query : refused) {
        auto [s, b] = server.get("/resize.aspx?" + query);
        EXPECT_NE(s, 200) << query;
        Decoded d = decode(b);
        EXPECT_EQ(d.w, 1) << query;
        EXPECT_EQ(d.h, 1) << query;
    }

    if (!mediaDir().empty()) {
        Decoded c = decode(
            server.get("/resize.aspx?url=" + base + "media/covers/grand_large.jpg&f=0&w=120&r=1")
                .second);
        EXPECT_EQ(c.w, 120);
        EXPECT_EQ(c.h, 120);
    }
}
