// The demo content as the application receives it: every feed answer cut exactly as the models
// cut it, paging, track lists by name, show announcements, and the shipped copies.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "demo_server.h"
#include "feeds/feed_exchange.h"
#include "mkcontent/feed_documents.h"
#include "server/content_records.h"

using namespace demo;
using zephrun::cutElement;
using zephrun::cutXmlpipe;

namespace {

constexpr int kTwitter = 103, kNewsEN = 104, kNewsFR = 105, kDisco = 106, kAlbum = 107, kMaxi = 108,
              kCompil = 109, kVideos = 110, kVideos2010 = 111, kPast = 113, kFuture = 114,
              kShowNext = 119, kShowPreview = 120, kShowLive = 121;
const std::string kShippedAddress = "http://127.0.0.1:8642/";

std::string replaceAll(std::string s, const std::string& what, const std::string& with) {
    for (size_t p = 0; (p = s.find(what, p)) != std::string::npos; p += with.size())
        s.replace(p, what.size(), with);
    return s;
}

// Records of a kept xmlpipe document (the models parse it without its closing root).
std::vector<zserver::ContentRecord> records(const std::string& doc,
                                            const std::vector<std::string>& names) {
    auto r = zserver::readRecords(doc, names);
    EXPECT_TRUE(r) << doc.substr(0, 300);
    return r.value_or(std::vector<zserver::ContentRecord>{});
}

struct Paging {
    int total = -1, page = -1, pages = -1;
};

Paging paging(const zserver::ContentRecord& list) {
    return {std::stoi(list.attribute("total")), std::stoi(list.attribute("page")),
            std::stoi(list.attribute("nbpage"))};
}

class DemoContent : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.start()); }
    ts::TempDir dir_;
    DemoServer server_{dir_};
};

} // namespace

TEST_F(DemoContent, XmlpipeFeedsArePagedAndCutAtTheirMarkers) {
    struct Feed {
        int id;
        const char *list, *item;
        int total, perPage;
    };
    const Feed feeds[] = {{kNewsFR, "news", "new", 45, 10},
                          {kNewsEN, "news", "new", 45, 10},
                          {kTwitter, "twitter", "item", 34, 10},
                          {kVideos2010, "videos", "video", 24, 8}};
    for (const Feed& f : feeds) {
        SCOPED_TRACE(f.id);
        const int pages = (f.total + f.perPage - 1) / f.perPage;
        int seen = 0;
        for (int page = 1; page <= pages; ++page) {
            std::string reply = server_.page(f.id, page);
            EXPECT_EQ(reply.find("@SERVER@"), std::string::npos);
            auto doc = cutXmlpipe(reply, std::to_string(f.id));
            ASSERT_TRUE(doc) << reply.substr(0, 300);
            ASSERT_EQ(doc->rfind("<xmlpipe>", 0), 0u);
            auto all = records(*doc + "</xmlpipe>", {f.list, f.item});
            ASSERT_FALSE(all.empty());
            Paging p = paging(all[0]);
            EXPECT_EQ(p.total, f.total);
            EXPECT_EQ(p.page, page);
            EXPECT_EQ(p.pages, pages);
            int items = static_cast<int>(all.size()) - 1;
            EXPECT_EQ(items, page < pages ? f.perPage : f.total - f.perPage * (pages - 1));
            seen += items;
        }
        EXPECT_EQ(seen, f.total);
        // Past the last page, before the first, or not a number: an error, nothing to cut.
        for (std::string bad : {std::to_string(pages + 1), std::string("0"), std::string("2x")}) {
            std::string reply = server_.webRequest(f.id, {{"num_page", bad}});
            EXPECT_NE(reply.find(errorMarker(f.id)), std::string::npos) << bad;
            EXPECT_FALSE(cutXmlpipe(reply, std::to_string(f.id))) << bad;
        }
        // Without "num_page": the first page.
        EXPECT_EQ(cutXmlpipe(server_.webRequest(f.id), std::to_string(f.id)),
                  cutXmlpipe(server_.page(f.id, 1), std::to_string(f.id)));
    }
    // The older video query answers the same list.
    EXPECT_EQ(cutXmlpipe(server_.page(kVideos, 2), "110"),
              cutXmlpipe(server_.page(kVideos2010, 2), "111"));
}

TEST_F(DemoContent, NewsDescriptionsCarryEscapedMarkupWithLinksPicturesAndVideos) {
    int links = 0, pictures = 0, videos = 0, bold = 0;
    for (int page = 1; page <= 5; ++page) {
        auto doc = cutXmlpipe(server_.page(kNewsFR, page), "105");
        ASSERT_TRUE(doc);
        for (auto& n : records(*doc + "</xmlpipe>", {"new"})) {
            std::string d = n.child("description");
            EXPECT_EQ(d.rfind("<p>", 0), 0u) << d;
            EXPECT_FALSE(n.child("title").empty());
            EXPECT_TRUE(std::regex_match(n.child("date"), std::regex(R"(\d{4}-\d\d-\d\d)")));
            links += d.find("<a href=\"" + server_.base() + "site/news/") != std::string::npos;
            pictures += d.find("<img src=\"" + server_.base() + "media/news/") != std::string::npos;
            videos += d.find("value=\"http://www.dailymotion.com/") != std::string::npos;
            bold += d.find("<b>") != std::string::npos || d.find("<strong>") != std::string::npos;
        }
    }
    EXPECT_GE(links, 10);
    EXPECT_GE(pictures, 10);
    EXPECT_GE(videos, 5);
    EXPECT_GE(bold, 10);

    auto tweets = cutXmlpipe(server_.page(kTwitter, 1), "103");
    ASSERT_TRUE(tweets);
    EXPECT_NE(tweets->find("<texte>zephrunlife: "), std::string::npos);
    EXPECT_NE(tweets->find("<texte>Zephrun_EN: "), std::string::npos);
}

TEST_F(DemoContent, ConcertPagesAreCompleteElementsWithRealPlaces) {
    std::set<std::string> ids;
    for (auto [id, total, pages] : {std::tuple{kPast, 26, 3}, std::tuple{kFuture, 14, 2}}) {
        int seen = 0;
        for (int page = 1; page <= pages; ++page) {
            std::string reply = server_.page(id, page);
            auto doc = cutElement(reply, std::to_string(id), "<concerts total", "</concerts>");
            ASSERT_TRUE(doc) << reply.substr(0, 300);
            auto all = records(*doc, {"concerts", "concert"});
            ASSERT_FALSE(all.empty());
            Paging p = paging(all[0]);
            EXPECT_EQ(p.total, total);
            EXPECT_EQ(p.page, page);
            EXPECT_EQ(p.pages, pages);
            for (size_t i = 1; i < all.size(); ++i) {
                const auto& c = all[i];
                EXPECT_TRUE(ids.insert(c.attribute("id")).second) << c.attribute("id");
                double lat = std::stod(c.attribute("latitude"));
                double lon = std::stod(c.attribute("longitude"));
                EXPECT_TRUE(lat > 35 && lat < 60 && ((lon > -10 && lon < 20) || lon < -70))
                    << c.child("titre");
                EXPECT_TRUE(std::regex_match(c.child("date"), std::regex(R"(\d\d/\d\d/\d{4})")));
                EXPECT_FALSE(c.child("adresse").empty());
                ++seen;
            }
        }
        EXPECT_EQ(seen, total);
        EXPECT_FALSE(cutElement(server_.page(id, pages + 1), std::to_string(id), "<concerts total",
                                "</concerts>"));
    }
    // A title with "&" travels escaped, as the model decodes it.
    auto first = server_.page(kPast, 1);
    EXPECT_NE(first.find("Zephrun &amp; invités"), std::string::npos);
}

TEST_F(DemoContent, DiscographyIndexAndTrackListsByName) {
    auto index = cutXmlpipe(server_.webRequest(kDisco), "106");
    ASSERT_TRUE(index);
    auto releases = records(*index + "</xmlpipe>", {"album", "maxi", "compil"});
    ASSERT_EQ(releases.size(), 8u);
    std::map<std::string, int> kinds;
    for (auto& r : releases) {
        SCOPED_TRACE(r.child("titre"));
        ++kinds[r.element];
        EXPECT_TRUE(std::regex_match(r.attribute("total"), std::regex(R"(\d{4})")));
        std::string title = r.child("titre");
        EXPECT_EQ(title.find(' '), std::string::npos);
        EXPECT_EQ(r.child("pochette").rfind(server_.base() + "media/covers/", 0), 0u);
        // The model sends the title with spaces.
        std::string name = replaceAll(title, "+", " ");
        int id = r.element == "album" ? kAlbum : r.element == "maxi" ? kMaxi : kCompil;
        auto tracks = cutXmlpipe(server_.webRequest(id, {{"name", name}}), std::to_string(id));
        ASSERT_TRUE(tracks);
        auto list = records(*tracks + "</xmlpipe>", {"track"});
        EXPECT_GE(list.size(), 3u);
        for (auto& t : list) {
            EXPECT_FALSE(t.child("titre").empty());
            EXPECT_FALSE(t.child("artiste").empty());
            EXPECT_TRUE(std::regex_match(t.child("duree"), std::regex(R"(\d+:\d\d)")));
            EXPECT_EQ(t.child("extrait").rfind(server_.base() + "media/previews/", 0), 0u);
            EXPECT_FALSE(t.child("iTunes").empty());
        }
        // The same title asked under another kind is no release of that kind.
        int other = id == kAlbum ? kMaxi : kAlbum;
        EXPECT_NE(server_.webRequest(other, {{"name", name}}).find(errorMarker(other)),
                  std::string::npos);
    }
    EXPECT_EQ(kinds["album"], 3);
    EXPECT_EQ(kinds["maxi"], 3);
    EXPECT_EQ(kinds["compil"], 2);
    for (std::string bad : {"", "Inconnu", "../feeds/105", "Grand+Large"})
        EXPECT_NE(server_.webRequest(kAlbum, {{"name", bad}}).find(errorMarker(kAlbum)),
                  std::string::npos)
            << bad;
}

TEST_F(DemoContent, ShowAnnouncementsCutLikeTheShowLiveModel) {
    // The model's cut: the last part after the action marker, then after "<xml>", up to "</xml>".
    auto cut = [](std::string reply, int id) {
        reply = replaceAll(replaceAll(reply, "\r", ""), "\t", "");
        std::string marker = zephrun::actionMarker(id);
        reply = reply.substr(reply.rfind(marker) + marker.size());
        reply = reply.substr(reply.rfind("<xml>") + 5);
        return "<xml>" + reply.substr(0, reply.find("</xml>")) + "</xml>";
    };
    auto all = records(cut(server_.webRequest(kShowLive), kShowLive), {"item"});
    ASSERT_EQ(all.size(), 8u);
    for (auto& item : all) {
        EXPECT_TRUE(std::regex_match(item.attribute("date"),
                                     std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
        EXPECT_FALSE(item.child("title").empty());
        EXPECT_NE(item.child("contenu").find("<br />"), std::string::npos);
    }
    auto next = records(cut(server_.webRequest(kShowNext), kShowNext), {"item"});
    auto previous = records(cut(server_.webRequest(kShowPreview), kShowPreview), {"item"});
    EXPECT_EQ(next.size() + previous.size(), all.size());
}

TEST_F(DemoContent, UnknownWebRequestIdsAreErrors) {
    EXPECT_NE(server_.webRequest(999).find(errorMarker(999)), std::string::npos);
}

TEST_F(DemoContent, ShippedCopiesAreTheKeptFormOfPageOne) {
    const fs::path resources = kRoot / "resources";
    auto shipped = [&](const std::string& name) {
        return replaceAll(readText(resources / name), kShippedAddress, server_.base());
    };
    for (auto [name, id] : {std::pair{"ZephrunNewsFR.xml", kNewsFR},
                            {"ZephrunNewsEN.xml", kNewsEN},
                            {"ZephrunTwitter.xml", kTwitter},
                            {"ZephrunDisco.xml", kDisco},
                            {"ZephrunVideos.xml", kVideos2010}})
        EXPECT_EQ(cutXmlpipe(server_.page(id, 1), std::to_string(id)), shipped(name)) << name;
    EXPECT_EQ(cutElement(server_.page(kPast, 1), "113", "<concerts total", "</concerts>"),
              shipped("ZephrunConcerts_1.xml"));
    EXPECT_EQ(cutElement(server_.page(kFuture, 1), "114", "<concerts total", "</concerts>"),
              shipped("ZephrunConcerts_2.xml"));
    EXPECT_EQ(cutElement(server_.webRequest(kShowLive), "121", "<xml>", "</xml>"),
              shipped("ZephrunShowLive2010.xml"));

    int lists = 0;
    for (auto& entry : fs::directory_iterator(resources)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("ZephrunDisque_", 0) != 0) continue;
        ++lists;
        std::string title = replaceAll(name.substr(14, name.size() - 18), "_", " ");
        auto index = cutXmlpipe(server_.webRequest(kDisco), "106");
        ASSERT_TRUE(index);
        std::string plus = replaceAll(title, " ", "+");
        size_t at = index->find("<titre>" + plus + "</titre>");
        ASSERT_NE(at, std::string::npos) << name;
        size_t open = index->rfind('<', index->rfind('<', at) - 1);
        std::string kind = index->substr(open + 1, 4);
        int id = kind == "albu" ? kAlbum : kind == "maxi" ? kMaxi : kCompil;
        EXPECT_EQ(cutXmlpipe(server_.webRequest(id, {{"name", title}}), std::to_string(id)),
                  shipped(name))
            << name;
    }
    EXPECT_EQ(lists, 8);
}

TEST(DemoContentFiles, TheCommittedContentIsWhatTheGeneratorWrites) {
    const auto content = mkcontent::buildDemoContent();
    const auto server = mkcontent::serverContent(content);
    for (auto& [name, text] : server)
        EXPECT_EQ(readText(kRoot / "resources/server" / name), text) << name;
    for (auto& [name, text] : mkcontent::shippedCopies(server))
        EXPECT_EQ(readText(kRoot / "resources" / name), text) << name;
    // No feed page the generator no longer writes.
    for (auto& entry : fs::directory_iterator(kRoot / "resources/server/feeds"))
        EXPECT_TRUE(server.count("feeds/" + entry.path().filename().string()))
            << entry.path().filename();
    // Every album photo and cover the documents name is a picture the media step draws.
    std::set<std::string> drawn;
    for (auto& p : content.pictures) EXPECT_TRUE(drawn.insert(p.path).second) << p.path;
    for (auto& r : content.releases) EXPECT_TRUE(drawn.count(r.cover)) << r.cover;
    for (auto& p : content.photos) EXPECT_TRUE(drawn.count(p.picture)) << p.picture;
    for (auto& v : content.videos) EXPECT_TRUE(drawn.count(v.thumbnail)) << v.thumbnail;
}

TEST_F(DemoContent, MediaNamedByTheFeedsAreServed) {
    if (mediaDir().empty()) GTEST_SKIP() << "no media directory in this build";
    auto index = cutXmlpipe(server_.webRequest(kDisco), "106");
    ASSERT_TRUE(index);
    auto releases = records(*index + "</xmlpipe>", {"album"});
    ASSERT_FALSE(releases.empty());
    const std::string base = server_.base();
    auto [coverStatus, cover] = server_.get(releases[0].child("pochette").substr(base.size() - 1));
    EXPECT_EQ(coverStatus, 200);
    EXPECT_EQ(cover.substr(0, 3), "\xFF\xD8\xFF");

    auto tracks = cutXmlpipe(
        server_.webRequest(kAlbum, {{"name", replaceAll(releases[0].child("titre"), "+", " ")}}),
        "107");
    ASSERT_TRUE(tracks);
    for (auto& t : records(*tracks + "</xmlpipe>", {"track"})) {
        auto [status, audio] = server_.get(t.child("extrait").substr(base.size() - 1));
        EXPECT_EQ(status, 200) << t.child("extrait");
        EXPECT_EQ(audio.substr(0, 4), "OggS");
        EXPECT_NE(audio.find("vorbis"), std::string::npos);
        EXPECT_GT(audio.size(), 20000u);
    }
}
