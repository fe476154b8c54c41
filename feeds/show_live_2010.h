// ShowLive2010: the announcements of the artist's radio shows, fetched whole at most once per
// run and cached in "_PathShowLiveFile2010".
//
// Threads: getShowLive() holds the delegate's request lock for its exchange and may run on any
// thread. The list is parsed into private state and published whole under the model's mutex.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephrun {

class FeedDelegate;

// One show. Absent attributes leave `id` / `date` none, an absent child element leaves its
// field empty.
struct ShowLiveItem {
    std::optional<float> id;
    // The date and time as written in the document (the server's wall-clock time).
    std::optional<std::chrono::local_seconds> date;
    std::string title;
    std::vector<std::string> contenu; // one line per paragraph
};

class ShowLive2010 {
  public:
    using List = std::vector<std::shared_ptr<const ShowLiveItem>>;

    // `initWithAppDelegate:`: parses the cache file, or the shipped copy (then written to the
    // cache). The delegate must outlive the model.
    explicit ShowLive2010(FeedDelegate& appDelegate);
    ShowLive2010(const ShowLive2010&) = delete;
    ShowLive2010& operator=(const ShowLive2010&) = delete;

    // `parseShowLive:`: replaces the list; false when given none (the list is then kept).
    bool parseShowLive(const std::optional<std::string>& bytes);
    // The list, fetched first unless an earlier fetch of this run succeeded with items. A reply
    // without the markers, or none, leaves the cache alone and falls back to it.
    List getShowLive();

    List listShowLive() const;
    bool hasList() const;
    bool isRefresh() const;

  private:
    FeedDelegate& appDelegate_;
    mutable std::mutex mutex_;
    std::optional<List> list_;
    bool isRefresh_ = false;
};

// An attribute "date" ("2010-06-21 20:00:00") read with the calendar year; none when it is not a
// valid date and time of that form.
std::optional<std::chrono::local_seconds> showLiveDate(std::string_view text);

// The document of a reply (line feeds, carriage returns and tabs already removed): the last part
// after the action marker, the last part after "<xml>", the part before "</xml>", rebuilt as
// "<xml>" + part + "</xml>". None when one of the three markers is missing.
std::optional<std::string> cutShowLive(std::string_view reply, std::string_view id);

} // namespace zephrun
