// Discography load speed: the index, every track list and every cover from their files, as a
// launch without a version change does it (30 releases of 12 tracks).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "feeds/discographie.h"
#include "feeds/feed_fixture.h"
#include "platform/atomic_file.h"
#include "test_support.h"

namespace {

constexpr const char* kKinds[] = {"album", "maxi", "compil"};

std::string gif(int width, int height) {
    std::string b = "GIF89a";
    for (int v : {width, height}) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>(v >> 8);
    }
    return b + std::string(2000, '\0'); // about the size of a small cover
}

std::string trackList(const std::string& title, int tracks) {
    std::string doc = "<xmlpipe><disque>";
    for (int t = 1; t <= tracks; ++t) {
        std::string n = std::to_string(t);
        doc += "<track><titre>" + title + " - morceau " + n +
               "</titre><artiste>Zephrun</artiste><duree>3:4" + n.substr(0, 1) +
               "</duree><extrait>http://media.zephrun.example/extraits/" + n +
               ".mp3</extrait><iTunes>http://itunes.example/album/id" + n +
               "</iTunes><name>null</name></track>";
    }
    return doc + "</disque>";
}

void BM_DiscographieLoadFromFiles(benchmark::State& state) {
    const int releases = static_cast<int>(state.range(0));
    const int tracks = static_cast<int>(state.range(1));
    ts::TempDir dir;
    const std::filesystem::path package = std::filesystem::path(dir.path()) / "package";
    std::filesystem::create_directories(package);
    std::filesystem::copy_file(feedtest::kRoot / "resources/ZephrunConfig.xml",
                               package / "ZephrunConfig.xml");
    feedtest::TestDelegate device(dir.file("docs"), package);

    std::string index = "<xmlpipe><discographie>";
    for (int r = 0; r < releases; ++r) {
        std::string title = "Disque+numero+" + std::to_string(r);
        std::string cover = "http://img.zephrun.example/covers/" + std::to_string(r) + ".gif";
        index += std::string("<") + kKinds[r % 3] + " total=\"" + std::to_string(2000 + r) +
                 "\"><titre>" + title + "</titre><pochette>" + cover + "</pochette></" +
                 kKinds[r % 3] + ">";
        zplatform::writeFileAtomically(
            dir.file("docs/ZephrunDisque_Disque_numero_" + std::to_string(r) + ".xml"),
            trackList("Disque " + std::to_string(r), tracks));
        zplatform::writeFileAtomically(dir.file("docs/image/" + std::to_string(r) + ".gif"),
                                       gif(120, 120));
    }
    zplatform::writeFileAtomically(dir.file("docs/ZephrunDisco.xml"), index + "</discographie>");

    for (auto _ : state) {
        zephrun::Discographie disco(device);
        int failures = disco.loadDisque(false);
        if (failures != 0 || disco.listAlbum()->at(0)->listTracks->size() != size_t(tracks) ||
            !disco.listCompil()->back()->dPochette.image) {
            state.SkipWithError("incomplete load");
            break;
        }
        benchmark::DoNotOptimize(disco);
    }
    state.SetItemsProcessed(state.iterations() * releases);
}
BENCHMARK(BM_DiscographieLoadFromFiles)->Args({30, 12})->Unit(benchmark::kMillisecond);

} // namespace
