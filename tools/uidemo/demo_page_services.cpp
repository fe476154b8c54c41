// Demo page 4: a map of the tour with pins, a web view and the music volume.
#include "platform/ui/annotation_view.h"
#include "platform/ui/map_annotation.h"
#include "platform/ui/map_view.h"
#include "platform/ui/volume_view.h"
#include "platform/ui/web_view.h"
#include "tools/uidemo/demo_screen.h"

namespace uidemo {

namespace {

class TourMap : public ui::MapViewDelegate, public ui::WebViewDelegate {
  public:
    explicit TourMap(DemoScreen& screen) : screen_(screen) {}
    void didSelectAnnotationView(ui::MapView&, ui::AnnotationView& view) override {
        if (const auto& a = view.annotation()) screen_.setStatus("Concert in " + a->title());
    }

    void webViewDidFinishLoad(ui::WebView&) override { screen_.setStatus("Page loaded"); }

  private:
    DemoScreen& screen_;
};

} // namespace

std::shared_ptr<ui::View> makeServicesPage(DemoScreen& screen) {
    auto page = std::make_shared<ui::View>(ui::Rect{0, 0, 320, DemoScreen::kPageHeight});
    auto* tour = screen.keep(std::make_shared<TourMap>(screen));

    auto map = std::make_shared<ui::MapView>(ui::Rect{10, 10, 300, 200});
    map->setTag(kTagMap);
    map->setDelegate(tour);
    map->setRegion({{47.5, 3.5}, {12, 16}}, false);
    struct Stop {
        const char* city;
        double latitude, longitude;
    };
    for (const Stop& stop : {Stop{"Paris", 48.857, 2.352}, Stop{"Lyon", 45.764, 4.836},
                             Stop{"Bruxelles", 50.847, 4.357}, Stop{"Genève", 46.204, 6.143},
                             Stop{"Marseille", 43.297, 5.370}, Stop{"Nantes", 47.218, -1.554}}) {
        auto pin = std::make_shared<ui::PointAnnotation>();
        pin->setCoordinate({stop.latitude, stop.longitude});
        pin->setTitle(stop.city);
        map->addAnnotation(pin);
    }
    page->addSubview(map);

    auto web = std::make_shared<ui::WebView>(ui::Rect{10, 218, 300, 124});
    web->setTag(kTagWebView);
    web->setDelegate(tour);
    web->loadHTMLString("<html><body><h1>Zephrun on tour</h1><p>Six dates in France, Belgium "
                        "and Switzerland this spring. Tickets are on sale at the venues and "
                        "on the web site.</p><p>Members get the photo albums of every "
                        "concert.</p></body></html>");
    page->addSubview(web);

    // The music volume, shared with the players through the window's services.
    auto volume = std::make_shared<ui::VolumeView>(ui::Rect{20, 350, 280, 30});
    volume->setTag(kTagVolume);
    page->addSubview(volume);
    return page;
}

} // namespace uidemo
