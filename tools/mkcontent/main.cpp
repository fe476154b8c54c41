// mkcontent: writes the reference server's demo content.
//
//   mkcontent text RESOURCES    the feed documents under RESOURCES/server and the shipped copies
//                               under RESOURCES (both committed)
//   mkcontent media DIR         the pictures and previews under DIR (a build product)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "demo_content.h"
#include "feed_documents.h"
#include "media_files.h"

namespace {

bool writeAll(const std::filesystem::path& dir, const mkcontent::Files& files) {
    for (const auto& [name, text] : files) {
        std::filesystem::path path = dir / name;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) {
            std::fprintf(stderr, "mkcontent: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkcontent text RESOURCES | mkcontent media DIR\n");
        return 2;
    }
    const std::string command = argv[1], dir = argv[2];
    const mkcontent::DemoContent content = mkcontent::buildDemoContent();
    if (command == "text") {
        auto server = mkcontent::serverContent(content);
        if (!writeAll(std::filesystem::path(dir) / "server", server)) return 1;
        if (!writeAll(dir, mkcontent::shippedCopies(server))) return 1;
        return 0;
    }
    if (command == "media") {
        std::string failed;
        if (!mkcontent::writeMedia(content, dir, &failed)) {
            std::fprintf(stderr, "mkcontent: cannot write %s\n", failed.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "mkcontent: unknown command \"%s\"\n", command.c_str());
    return 2;
}
