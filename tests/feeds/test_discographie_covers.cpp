// Discography covers: stored pictures, shipped copies, and downloads through an image-resize
// service of the test's own that answers by the address it is asked for.
#include <gtest/gtest.h>

#include <mutex>

#include "feeds/discographie.h"
#include "loopback_http.h"
#include "platform/atomic_file.h"
#include "served_device.h"

using namespace zephrun;
using namespace feedtest;

namespace {

// Answers "resize.aspx?url=…": a 1 x 1 picture for addresses holding "blank", a page of text for
// "page", 404 for "gone", a 120 x 90 picture otherwise.
class ResizeService {
  public:
    ResizeService() {
        auto handler = [this](const httplib::Request& req, httplib::Response& res) {
            std::string url = req.get_param_value("url");
            {
                std::lock_guard lock(mutex_);
                queries_.push_back(url + "|" + req.get_param_value("f") + "|" +
                                   req.get_param_value("w") + "|" + req.get_param_value("r"));
            }
            if (url.find("gone") != std::string::npos)
                res.status = 404;
            else if (url.find("blank") != std::string::npos)
                res.set_content(gifBytes(1, 1), "image/gif");
            else if (url.find("page") != std::string::npos)
                res.set_content("<html>oops</html>", "text/html");
            else
                res.set_content(gifBytes(120, 90), "image/gif");
        };
        http_.Get("/resize.aspx", handler);
        http_.Post("/resize.aspx", handler);
        http_.start();
    }
    std::string prefix() const { return http_.url("/resize.aspx?"); }
    std::vector<std::string> queries() const {
        std::lock_guard lock(mutex_);
        return queries_;
    }

  private:
    ts::LoopbackHttpServer http_;
    mutable std::mutex mutex_;
    std::vector<std::string> queries_;
};

std::string release(const char* kind, const std::string& title, const std::string& cover) {
    return std::string("<") + kind + " total=\"2010\"><titre>" + title + "</titre><pochette>" +
           cover + "</pochette></" + kind + ">";
}

struct CoverSetup {
    CoverSetup(const std::string& releases) {
        s.ship("ZephrunDisco.xml", "<xmlpipe><discographie>" + releases);
        s.device->config().set_url_resize_image(service.prefix());
    }
    std::string image(const std::string& name) { return s.docs("image/" + name); }
    ServedDevice s;
    ResizeService service;
};

TEST(DiscographieCovers, DownloadedCoversAreStoredOnceAndReadFromTheirFileAfterwards) {
    CoverSetup c(release("album", "A", "http://img.test/covers/a.jpg") +
                 release("maxi", "B", "http://img.test/covers/b.jpg") + release("compil", "C", ""));
    Discographie disco(*c.s.device);
    disco.loadPochette();
    ASSERT_EQ(c.service.queries().size(), 2u);
    // The address goes in as it is, with the fixed parameters after it.
    EXPECT_EQ(c.service.queries()[1], "http://img.test/covers/b.jpg|0|120|1");
    auto a = disco.listAlbum()->at(0);
    ASSERT_TRUE(a->dPochette.image);
    EXPECT_EQ(a->dPochette.image->width, 120);
    EXPECT_EQ(a->dPochette.resourceName, "");
    EXPECT_EQ(zplatform::readWholeFile(c.image("b.jpg")), gifBytes(120, 90));
    EXPECT_TRUE(std::filesystem::exists(c.image("a.jpg")));
    // A release without a cover address keeps the default and is skipped.
    EXPECT_EQ(disco.listCompil()->at(0)->dPochette.resourceName, "jaquette-default.jpg");

    Discographie again(*c.s.device);
    again.loadPochette();
    EXPECT_EQ(c.service.queries().size(), 2u);
    EXPECT_EQ(again.listMaxi()->at(0)->dPochette.image->height, 90);
}

TEST(DiscographieCovers, NoPictureMeansTheDefaultCoverNothingStoredAndATryNextTime) {
    CoverSetup c(release("album", "Blank", "http://img.test/blank.jpg") +
                 release("album", "Page", "http://img.test/page.jpg") +
                 release("album", "Gone", "http://img.test/gone.jpg"));
    Discographie disco(*c.s.device);
    disco.loadPochette();
    auto albums = *disco.listAlbum();
    for (auto& disque : albums) {
        SCOPED_TRACE(disque->dTitle);
        EXPECT_EQ(disque->dPochette.resourceName, "jaquette-default.jpg");
        EXPECT_FALSE(disque->dPochette.image);
    }
    EXPECT_FALSE(std::filesystem::exists(c.image("blank.jpg")));
    EXPECT_FALSE(std::filesystem::exists(c.image("page.jpg"))); // text is not kept as a cover
    EXPECT_FALSE(std::filesystem::exists(c.image("gone.jpg")));
    disco.loadPochette();
    EXPECT_EQ(c.service.queries().size(), 6u);
}

TEST(DiscographieCovers, ShippedAndStoredCoversAreNotDownloaded) {
    CoverSetup c(release("album", "Shipped", "http://img.test/shipped.gif") +
                 release("album", "Broken", "http://img.test/broken.gif") +
                 release("album", "Dots", "http://img.test/a/.."));
    c.s.ship("shipped.gif", gifBytes(33, 44));
    // A stored file that holds no picture is fetched again and replaced.
    zplatform::writeFileAtomically(c.image("broken.gif"), "half a pic");
    Discographie disco(*c.s.device);
    disco.loadPochette();
    auto shipped = disco.listAlbum()->at(0);
    ASSERT_TRUE(shipped->dPochette.image);
    EXPECT_EQ(shipped->dPochette.image->width, 33);
    EXPECT_EQ(zplatform::readWholeFile(c.image("shipped.gif")), gifBytes(33, 44));
    EXPECT_EQ(zplatform::readWholeFile(c.image("broken.gif")), gifBytes(120, 90));
    // A last component that names no file is fetched but never stored.
    EXPECT_TRUE(disco.listAlbum()->at(2)->dPochette.image);
    ASSERT_EQ(c.service.queries().size(), 2u);
    EXPECT_EQ(c.service.queries()[0], "http://img.test/broken.gif|0|120|1");
}

TEST(DiscographieCovers, WithoutTheServiceEveryCoverIsTheDefault) {
    CoverSetup c(release("album", "A", "http://img.test/a.jpg"));
    c.s.device->config().set_url_resize_image(deadServerURL() + "resize.aspx?");
    Discographie disco(*c.s.device);
    EXPECT_EQ(disco.loadDisque(false), 1); // no track list either
    EXPECT_EQ(disco.listAlbum()->at(0)->dPochette.resourceName, "jaquette-default.jpg");
    EXPECT_FALSE(std::filesystem::exists(c.image("a.jpg")));
}

TEST(DiscographieCovers, AVersionChangeFetchesTheNewCoversAndTrackListsOnly) {
    CoverSetup c(release("album", "A", "http://img.test/a.jpg"));
    Answer index;
    c.s.handle(106, index);
    c.s.handle(107, [](const zserver::Action&) {
        return zserver::WebRequestAnswer{true, pipePayload("<xmlpipe><disque><track><titre>T"
                                                           "</titre></track></disque>")};
    });
    ASSERT_TRUE(c.s.start());
    c.s.device->config().set_url_resize_image(c.service.prefix());
    Discographie disco(*c.s.device);
    EXPECT_EQ(disco.loadDisque(false), 0);
    EXPECT_EQ(c.service.queries().size(), 1u);
    EXPECT_EQ(c.s.record.count(107), 1);

    index.set(true, pipePayload("<xmlpipe><discographie>" +
                                release("album", "A", "http://img.test/a.jpg") +
                                release("album", "B", "http://img.test/b.jpg")));
    ASSERT_TRUE(disco.refreshDiscographie());
    EXPECT_EQ(disco.loadDisque(true), 0);
    EXPECT_EQ(c.s.record.count(107), 3);       // both track lists again
    ASSERT_EQ(c.service.queries().size(), 2u); // the stored cover of A is kept
    EXPECT_EQ(c.service.queries()[1], "http://img.test/b.jpg|0|120|1");
    EXPECT_TRUE(disco.listAlbum()->at(1)->dPochette.image);
}

} // namespace
