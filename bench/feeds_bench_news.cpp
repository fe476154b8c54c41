// News parsing speed: a completed cache of 50 pages of 20 items with HTML descriptions, read
// with loadNews as a launch reads it.
#include <benchmark/benchmark.h>

#include <string>

#include "feeds/feed_fixture.h"
#include "feeds/news.h"
#include "test_support.h"

namespace {

std::string newsCache(int pages, int items) {
    std::string cache;
    for (int p = 1; p <= pages; ++p) {
        cache += "<xmlpipe><news total=\"" + std::to_string(pages * items) + "\" page=\"" +
                 std::to_string(p) + "\" nbpage=\"" + std::to_string(pages) + "\">";
        for (int k = 0; k < items; ++k) {
            std::string n = std::to_string(p) + "-" + std::to_string(k);
            cache += "<new><title>Nouvelle " + n +
                     " : la tournée continue</title>"
                     "<date>2010-06-" +
                     std::to_string(1 + k) +
                     "</date><description>"
                     "&lt;p&gt;&lt;strong&gt;Zephrun&lt;/strong&gt; annonce une date à "
                     "&lt;a href=\"http://www.zephrun.example/tour/" +
                     n +
                     "\"&gt;Paris&lt;/a&gt;"
                     " le " +
                     n +
                     ".&lt;br /&gt;Les places sont en vente dès maintenant, "
                     "&lt;i&gt;ne tardez pas&lt;/i&gt;.&lt;/p&gt;&lt;p&gt;&lt;img src=\""
                     "http://www.zephrun.example/img/" +
                     n +
                     ".jpg\" alt=\"affiche\" /&gt;"
                     "&lt;/p&gt;&lt;object width=\"320\"&gt;&lt;param name=\"movie\" "
                     "value=\"http://www.dailymotion.com/swf/x" +
                     n +
                     "\"&gt;&lt;/param&gt;"
                     "&lt;/object&gt;</description></new>";
        }
        cache += "</news>";
    }
    return cache;
}

void BM_LoadNewsCache(benchmark::State& state) {
    ts::TempDir dir;
    feedtest::TestDelegate device(dir.file("docs"), dir.path());
    zephrun::News news(device, zephrun::News::kFrench);
    const std::string cache = newsCache(50, 20);
    for (auto _ : state) {
        news.loadNews(cache);
        benchmark::DoNotOptimize(news.currentPage());
    }
    if (news.listNews().size() != 1000 || news.currentPage() != 50)
        state.SkipWithError("the cache did not read back whole");
    state.counters["items"] = static_cast<double>(news.listNews().size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * cache.size()));
}
BENCHMARK(BM_LoadNewsCache)->Unit(benchmark::kMillisecond);

} // namespace
