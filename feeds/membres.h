// Membres: the members of the community in a map region, with that region, as the server's
// last answer gave them; cached in "_PathMembresFile".
//
// Threads: a refresh holds the delegate's request lock for its exchange and may run on any
// thread. The list and the region are parsed into private state and published together under
// the model's mutex, so the accessors (any thread) always see one whole answer.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "feeds/membres_description.h"

namespace zephrun {

class FeedDelegate;

// A map region: centre and spans, in degrees.
struct MembresRegion {
    float latitude = 47.0f;
    float longitude = 2.16f;
    float spanLatitude = 1.0f;
    float spanLongitude = 1.0f;
};

class Membres {
  public:
    using List = std::vector<std::shared_ptr<const MembresDescription>>;

    // `initWithAppDelegate:`: loads the cache file when it holds at least 2 bytes (no shipped
    // copy). The delegate must outlive the model.
    explicit Membres(FeedDelegate& appDelegate);
    Membres(const Membres&) = delete;
    Membres& operator=(const Membres&) = delete;

    // Replaces the list and the region (default region first) by the parse of `bytes`; false
    // when given none (the list is then dropped and the region reset).
    bool loadMembres(const std::optional<std::string>& bytes);
    // `refreshMembresForZone:AndLongitude:AndSpanLatitude:AndSpanLongitude:`; a span of 0 is
    // sent as 1.0. Returns isRefresh().
    bool refreshMembresForZone(float latitude, float longitude, float spanLatitude,
                               float spanLongitude);
    // `refreshMembresAroundMe:AndLongitude:`: members around the logged-in member; without a
    // login nothing is sent and isRefresh() is false. Returns isRefresh().
    bool refreshMembresAroundMe(float latitude, float longitude);

    // A copy of the list (empty when none).
    List listMembres() const;
    bool hasList() const;
    MembresRegion currentRegion() const;
    float currentLatitude() const { return currentRegion().latitude; }
    float currentLongitude() const { return currentRegion().longitude; }
    float currentSpanLatitude() const { return currentRegion().spanLatitude; }
    float currentSpanLongitude() const { return currentRegion().spanLongitude; }
    bool isRefresh() const;

  private:
    bool refresh(const char* webRequestName, std::vector<std::string> names,
                 std::vector<std::string> values);

    FeedDelegate& appDelegate_;
    mutable std::mutex mutex_;
    std::optional<List> list_;
    MembresRegion region_;
    bool isRefresh_ = false;
};

// "%f" of a coordinate: six decimals.
std::string coordinateText(float value);

} // namespace zephrun
