// The application's picture package: every picture of the manifest is drawn at its size (and
// at twice it as "@2x"), in the format its name says, and every picture name the code uses is
// in the package.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = ZEPHRUN_IMAGES_DIR;
const fs::path kSource = ZEPHRUN_SOURCE_DIR;

struct Entry {
    std::string name;
    int width = 0, height = 0;
};

std::vector<Entry> manifest() {
    std::vector<Entry> out;
    std::ifstream in(kSource / "resources/images/manifest.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream f(line);
        Entry e;
        f >> e.name >> e.width >> e.height;
        out.push_back(e);
    }
    return out;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string at2x(const std::string& name) {
    auto dot = name.rfind('.');
    return name.substr(0, dot) + "@2x" + name.substr(dot);
}

TEST(AppImages, EveryManifestPictureIsDrawnAtItsSizeInItsFormat) {
    auto entries = manifest();
    ASSERT_GT(entries.size(), 100u);
    std::set<std::string> names;
    for (const auto& e : entries) {
        EXPECT_TRUE(names.insert(e.name).second) << "listed twice: " << e.name;
        for (int scale : {1, 2}) {
            fs::path file = kImages / (scale == 1 ? e.name : at2x(e.name));
            std::string bytes = readFile(file);
            ASSERT_FALSE(bytes.empty()) << file;
            int w = 0, h = 0, n = 0;
            ASSERT_TRUE(stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                              int(bytes.size()), &w, &h, &n))
                << file;
            EXPECT_EQ(w, e.width * scale) << file;
            EXPECT_EQ(h, e.height * scale) << file;
            const std::string ext = fs::path(e.name).extension().string();
            const std::string magic = ext == ".png"   ? bytes.substr(1, 3)
                                      : ext == ".gif" ? bytes.substr(0, 4)
                                                      : bytes.substr(0, 2);
            const std::string expected = ext == ".png"   ? "PNG"
                                         : ext == ".gif" ? "GIF8"
                                                         : "\xFF\xD8";
            EXPECT_EQ(magic, expected) << file;
        }
    }
}

TEST(AppImages, PicturesAreNotBlankAndTransparencySurvivesInGif) {
    for (const char* name : {"home-box-news.png", "bkg-ZR7.jpg", "equalizer0005.gif",
                             "tourtracker-picto-male.png", "news-title.png"}) {
        int w = 0, h = 0, n = 0;
        stbi_uc* px = stbi_load((kImages / name).c_str(), &w, &h, &n, 4);
        ASSERT_NE(px, nullptr) << name;
        std::set<unsigned> colours;
        int transparent = 0;
        for (int i = 0; i < w * h; ++i) {
            colours.insert(px[i * 4] << 16 | px[i * 4 + 1] << 8 | px[i * 4 + 2]);
            transparent += px[i * 4 + 3] == 0;
        }
        stbi_image_free(px);
        EXPECT_GT(colours.size(), 3u) << name << " looks blank";
        if (std::string(name) == "equalizer0005.gif") {
            EXPECT_GT(transparent, 0) << "the bars stand on a transparent ground";
        }
        if (std::string(name) == "news-title.png") {
            // A band the screens tint: fully opaque, so the tint fills all of it.
            EXPECT_EQ(transparent, 0);
        }
    }
}

// The text with line comments removed (a "//" at a line start or after a blank), so that
// examples in comments do not count as pictures the code shows.
std::string withoutComments(const std::string& text) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line)) {
        size_t cut = line.find("// ");
        if (cut != std::string::npos && (cut == 0 || line[cut - 1] == ' ' || line[cut - 1] == '\t'))
            line.erase(cut);
        out += line + "\n";
    }
    return out;
}

// Picture names written in the code: literals like "home-box-news.png"; "%d" stands for a
// number and "%@" for a language suffix.
TEST(AppImages, EveryPictureNameInTheCodeIsInThePackage) {
    const std::regex literal(R"re("([A-Za-z0-9_%@-]+\.(png|jpg|jpeg|gif))")re");
    std::set<std::string> missing;
    int seen = 0;
    for (const char* dir : {"app", "platform", "feeds", "tools/uidemo"}) {
        if (!fs::exists(kSource / dir)) continue;
        for (const auto& f : fs::recursive_directory_iterator(kSource / dir)) {
            auto ext = f.path().extension();
            if (ext != ".cpp" && ext != ".h") continue;
            std::string text = withoutComments(readFile(f.path()));
            for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) {
                std::string name = (*it)[1];
                ++seen;
                if (name.find('%') == std::string::npos) {
                    if (!fs::exists(kImages / name))
                        missing.insert(name + " (" + f.path().filename().string() + ")");
                    continue;
                }
                std::string pattern = std::regex_replace(name, std::regex("\\."), "\\.");
                pattern = std::regex_replace(pattern, std::regex("%d"), "[0-9]+");
                pattern = std::regex_replace(pattern, std::regex("%@"), "(fr|uk|en)");
                const std::regex re(pattern);
                bool any = false;
                for (const auto& img : fs::directory_iterator(kImages))
                    any |= std::regex_match(img.path().filename().string(), re);
                if (!any) missing.insert(name);
            }
        }
    }
    EXPECT_TRUE(missing.empty()) << [&] {
        std::string all;
        for (const auto& m : missing) all += m + "\n";
        return all;
    }();
    (void)seen;
}

} // namespace
