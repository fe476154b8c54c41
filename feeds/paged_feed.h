// PagedFeed<Record>: the paged feed pattern shared by the news, Twitter, video, concert-album and
// concert models — creation from the cache file or the shipped copy, refresh of page 1 or of the
// next page under the request lock, the cache replaced or extended, and the fallbacks.
//
// A model owns one PagedFeed, describes its feed with PagedFeedSettings (web request, cache file,
// document cut) and a parser, and forwards its operations:
//
//   News::News(FeedDelegate& d, int language)
//       : feed_(d, newsSettings(d, language), &parseNewsDocument) { feed_.loadInitial(); }
//   bool News::refreshNews() { return feed_.refresh(); }
//   bool News::completNews() { return feed_.complete(); }
//
// The parser reads one document into a FeedContent: it sets the paging fields at the start of the
// list element, creates the list (when none) at the first item and appends each item. It returns
// whether it met the list element; a fetched document without one is not a page of the feed and
// replaces nothing.
//
// Threads: refresh() and complete() run whole under the delegate's request lock, so they are
// serialised with every other exchange on the shared client, and may run on any thread. The list
// and the paging fields are published under the feed's own mutex once a parse has finished (a
// completion parses into a copy of the list), so list() and the accessors may be called from any
// thread while another one refreshes and always see a whole list. Records are not changed after
// publication, except fields that screens fill in later on the interface thread (tImage).
//
// Failures are flags: isRefresh() tells whether the server's answer was used.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "feeds/feed_delegate.h"

namespace zephrun {

// Takes the feed document out of a deciphered reply whose line feeds were removed; `id` is the
// web request id of the action marker. None when a marker is missing.
using FeedCut = std::function<std::optional<std::string>(std::string_view reply, std::int32_t id)>;

// The xmlpipe cut: after the action marker and the CDATA declaration, before "</xmlpipe>]]".
FeedCut xmlpipeCut();
// The rebuilt complete element: `open` + the text between `open` and `close` + `close`.
FeedCut elementCut(std::string open, std::string close);

struct PagedFeedSettings {
    std::string webRequestName; // configuration integer naming the query, "id_wr_news_fr"
    std::string cachePath;      // "": the feed keeps no cache file
    std::string packageCopy;    // the shipped initial document; "": none
    // Parameters sent after "num_page", in order ("id_concert" of a concert album).
    std::vector<std::string> paramNames;
    std::vector<std::string> paramValues;
    FeedCut cut;
    // Loading no bytes leaves the list alone (concert albums) instead of dropping it.
    bool keepListWithoutBytes = false;
};

// The cache path of a feed: the path stored under `keySuffix`, followed by `fileName` when the
// stored value is a directory prefix. "" when no path is stored.
std::string feedCachePath(FeedDelegate& delegate, std::string_view keySuffix,
                          std::string_view fileName = {});

// What one exchange gave.
struct FeedFetch {
    enum class Kind {
        NoReply,    // no reply, time-out, not decipherable
        NoDocument, // a reply without the markers of the cut (an error status, for example)
        Document,
    };
    Kind kind = Kind::NoReply;
    std::string document;
};

// Under the caller's request lock: one "WEBREQUEST" with "num_page" = `page` and the settings'
// parameters, time-out 20 s, and the cut of the reply.
FeedFetch fetchFeedPage(FeedDelegate& delegate, const PagedFeedSettings& settings, int page);
// The cache file's bytes (any size); none when it cannot be read.
std::optional<std::string> readFeedCache(const PagedFeedSettings& settings);
// Creation: the cache file, else the shipped copy, which is then written to the cache path.
std::optional<std::string> initialFeedBytes(const PagedFeedSettings& settings);
// Replaces the cache file by `document`, or appends it while completing; atomically.
bool storeFeedDocument(const PagedFeedSettings& settings, std::string_view document,
                       bool completing);

// The list and paging fields one parse builds.
template <class Record> struct FeedContent {
    std::optional<std::vector<std::shared_ptr<Record>>> list; // none before the first item
    int currentPage = -1;
    int nbItems = -1;
    int nbPages = -1;
};

template <class Record> class PagedFeed {
  public:
    using List = std::vector<std::shared_ptr<Record>>;
    using Content = FeedContent<Record>;
    // Parses `document` into `content`; true when the document holds the feed's list element.
    using Parser = std::function<bool(std::string_view document, Content& content)>;

    PagedFeed(FeedDelegate& delegate, PagedFeedSettings settings, Parser parser)
        : delegate_(delegate), settings_(std::move(settings)), parser_(std::move(parser)) {}
    PagedFeed(const PagedFeed&) = delete;
    PagedFeed& operator=(const PagedFeed&) = delete;

    // Creation: the cache file or the shipped copy, parsed (nothing read: the list stays none).
    void loadInitial() { load(initialFeedBytes(settings_)); }

    // `load…:`: replaces the list (extends it while completing) with the parse of `bytes`; true
    // whatever the reader reports. No bytes: false, and the list is dropped first unless
    // completing or the settings keep it.
    bool load(std::optional<std::string_view> bytes) {
        bool completing = isForCompleting();
        if (!bytes) {
            if (!completing && !settings_.keepListWithoutBytes) {
                std::lock_guard lock(mutex_);
                content_.list.reset();
            }
            return false;
        }
        Content next = startContent(completing);
        parser_(*bytes, next);
        publish(std::move(next));
        return true;
    }

    // `refresh…`: page 1 from the server; sets isRefresh and returns it.
    bool refresh() {
        RequestLock requestLock(delegate_);
        return refreshLocked(false);
    }

    // `complet…`: the next page appended when the server announced more; true when nothing was
    // left to fetch or the page was used.
    bool complete() {
        if (!hasMorePages()) return true;
        RequestLock requestLock(delegate_);
        if (!hasMorePages()) return true; // another thread completed meanwhile
        return refreshLocked(true);
    }

    // A copy of the list (empty when none), taken under the lock.
    List list() const {
        std::lock_guard lock(mutex_);
        return content_.list.value_or(List{});
    }
    bool hasList() const {
        std::lock_guard lock(mutex_);
        return content_.list.has_value();
    }
    int currentPage() const {
        std::lock_guard lock(mutex_);
        return content_.currentPage;
    }
    int nbItems() const {
        std::lock_guard lock(mutex_);
        return content_.nbItems;
    }
    int nbPages() const {
        std::lock_guard lock(mutex_);
        return content_.nbPages;
    }
    bool isRefresh() const {
        std::lock_guard lock(mutex_);
        return isRefresh_;
    }
    bool isForCompleting() const {
        std::lock_guard lock(mutex_);
        return isForCompleting_;
    }
    const PagedFeedSettings& settings() const { return settings_; }

  private:
    bool hasMorePages() const {
        std::lock_guard lock(mutex_);
        return content_.currentPage < content_.nbPages;
    }

    // The paging fields as they stand, with no list, or a copy of it while completing.
    Content startContent(bool completing) const {
        std::lock_guard lock(mutex_);
        Content next;
        next.currentPage = content_.currentPage;
        next.nbItems = content_.nbItems;
        next.nbPages = content_.nbPages;
        if (completing) next.list = content_.list;
        return next;
    }

    void publish(Content next) {
        std::lock_guard lock(mutex_);
        content_ = std::move(next);
    }

    void setFlags(std::optional<bool> refreshed, std::optional<bool> completing) {
        std::lock_guard lock(mutex_);
        if (refreshed) isRefresh_ = *refreshed;
        if (completing) isForCompleting_ = *completing;
    }

    // The caller holds the request lock.
    bool refreshLocked(bool completing) {
        setFlags(std::nullopt, completing);
        try {
            int page = completing ? currentPage() + 1 : 1;
            FeedFetch fetch = fetchFeedPage(delegate_, settings_, page);
            switch (fetch.kind) {
            case FeedFetch::Kind::Document: {
                Content next = startContent(completing);
                if (parser_(fetch.document, next)) {
                    storeFeedDocument(settings_, fetch.document, completing);
                    std::lock_guard lock(mutex_);
                    content_ = std::move(next);
                    isRefresh_ = true;
                } else {
                    // Not a page of this feed: the list and the cache stay as they were.
                    setFlags(false, std::nullopt);
                }
                break;
            }
            case FeedFetch::Kind::NoDocument:
                // The list and the cache stay as they were.
                setFlags(false, std::nullopt);
                break;
            case FeedFetch::Kind::NoReply:
                // Back to what the cache holds (for pages kept as complete elements, page 1).
                setFlags(false, false);
                if (auto cached = readFeedCache(settings_))
                    load(*cached);
                else
                    load(std::nullopt);
                break;
            }
        } catch (const std::exception&) {
            setFlags(false, std::nullopt);
        }
        setFlags(std::nullopt, false);
        return isRefresh();
    }

    FeedDelegate& delegate_;
    const PagedFeedSettings settings_;
    const Parser parser_;
    mutable std::mutex mutex_;
    Content content_;
    bool isRefresh_ = false;
    bool isForCompleting_ = false;
};

} // namespace zephrun
