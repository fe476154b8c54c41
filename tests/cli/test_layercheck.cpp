// The layering check run on a planted tree under the build's own rules: forbidden includes and
// links are named with their file and line, allowed ones and commented-out ones are not.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

void write(const ts::TempDir& root, const std::string& rel, const std::string& text) {
    fs::create_directories(fs::path(root.file(rel)).parent_path());
    std::ofstream(root.file(rel)) << text;
}

struct CheckRun {
    int status = -1;
    std::set<std::string> errors; // "file:line" of each error line
    std::string out;
};

CheckRun layercheck(const ts::TempDir& root) {
    std::string cmd = std::string("'") + LAYERCHECK_TOOL + "' --root '" + root.path() +
                      "' --facts '" + root.file("facts.txt") +
                      "' --private-viewer tests --public-only tests/fuzz";
    std::stringstream rules(LAYERCHECK_RULES);
    for (std::string layer; std::getline(rules, layer, '|');) cmd += " --layer '" + layer + "'";
    CheckRun r;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return r;
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        r.out += line;
        std::string text = line;
        const size_t at = text.find(": error: ");
        if (at != std::string::npos) r.errors.insert(text.substr(0, at));
    }
    const int st = pclose(f);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(Layercheck, NamesEveryForbiddenIncludeAndLinkWithItsLine) {
    ts::TempDir root;
    write(root, "feeds/news.h", "#pragma once\n");
    write(root, "feeds/news.cpp",
          "// News\n#include \"feeds/news.h\"\n#include \"app/shell.h\"\n#include <vector>\n");
    write(root, "app/shell.h", "#include \"feeds/news.h\"\n#include \"player/mix.h\"\n");
    write(root, "player/mix.h", "#include \"engine/include/mxp4.h\"\n");
    write(root, "engine/include/mxp4.h", "");
    write(root, "engine/src/package.h", "#include \"mxp4.h\"\n");
    write(root, "client/c.h", "");
    write(root, "platform/p.cpp",
          "/* once:\n#include \"client/c.h\"\n*/\n  #  include \"client/c.h\"\n");
    write(root, "tools/t.cpp", "#include \"engine/include/mxp4.h\"\n#include \"package.h\"\n");
    write(root, "tests/engine/x.cpp", "#include \"package.h\"\n");
    write(root, "tests/fuzz/f.cpp", "#include \"engine/include/mxp4.h\"\n#include \"package.h\"\n");
    write(root, "feeds/CMakeLists.txt",
          "add_library(zfeeds STATIC news.cpp)\ntarget_link_libraries(zfeeds PUBLIC zclient\n"
          "                      zapp)\n");
    write(root, "facts.txt",
          "include-root engine/src\ninclude-root engine/include\n"
          "link zfeeds feeds zclient client\nlink zfeeds feeds zapp app\n");

    CheckRun r = layercheck(root);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.errors,
              (std::set<std::string>{"feeds/news.cpp:3", "platform/p.cpp:4", "tools/t.cpp:2",
                                     "tests/fuzz/f.cpp:2", "feeds/CMakeLists.txt:3"}))
        << r.out;
    EXPECT_NE(r.out.find("feeds may not use app (feeds -> client, platform)"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("a header private to engine"), std::string::npos) << r.out;

    // The same tree with the forbidden arrows taken out passes.
    write(root, "feeds/news.cpp", "#include \"feeds/news.h\"\n");
    write(root, "platform/p.cpp", "");
    write(root, "tools/t.cpp", "");
    write(root, "tests/fuzz/f.cpp", "#include \"engine/include/mxp4.h\"\n");
    write(root, "facts.txt", "include-root engine/src\nlink zfeeds feeds zclient client\n");
    r = layercheck(root);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.errors.empty()) << r.out;
}

} // namespace
