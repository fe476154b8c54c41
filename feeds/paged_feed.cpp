// The non-template half of the paged feed pattern: cuts, cache paths, the exchange, cache files.
#include "feeds/paged_feed.h"

#include "feeds/feed_exchange.h"
#include "feeds/feed_keys.h"
#include "platform/atomic_file.h"

namespace zephrun {

FeedCut xmlpipeCut() {
    return [](std::string_view reply, std::int32_t id) {
        return cutXmlpipe(reply, std::to_string(id));
    };
}

FeedCut elementCut(std::string open, std::string close) {
    return [open = std::move(open), close = std::move(close)](std::string_view reply,
                                                              std::int32_t id) {
        return cutElement(reply, std::to_string(id), open, close);
    };
}

std::string feedCachePath(FeedDelegate& delegate, std::string_view keySuffix,
                          std::string_view fileName) {
    std::string base = delegate.storedString(keySuffix);
    if (base.empty()) return {};
    base += fileName;
    return base;
}

FeedFetch fetchFeedPage(FeedDelegate& delegate, const PagedFeedSettings& settings, int page) {
    FeedQuery query;
    query.webRequestId = delegate.configInteger(settings.webRequestName);
    query.paramNames.push_back("num_page");
    query.paramValues.push_back(std::to_string(page));
    query.paramNames.insert(query.paramNames.end(), settings.paramNames.begin(),
                            settings.paramNames.end());
    query.paramValues.insert(query.paramValues.end(), settings.paramValues.begin(),
                             settings.paramValues.end());
    query.timeout = 20;

    FeedFetch fetch;
    std::optional<std::string> reply = sendFeedRequest(delegate, query);
    if (!reply) return fetch;
    std::optional<std::string> document =
        settings.cut ? settings.cut(removeAll(*reply, "\n"), query.webRequestId) : std::nullopt;
    if (!document) {
        fetch.kind = FeedFetch::Kind::NoDocument;
        return fetch;
    }
    fetch.kind = FeedFetch::Kind::Document;
    fetch.document = std::move(*document);
    return fetch;
}

std::optional<std::string> readFeedCache(const PagedFeedSettings& settings) {
    if (settings.cachePath.empty()) return std::nullopt;
    return zplatform::readWholeFile(settings.cachePath);
}

std::optional<std::string> initialFeedBytes(const PagedFeedSettings& settings) {
    if (settings.packageCopy.empty()) {
        auto cached = readFeedCache(settings);
        if (cached && cached->size() >= 2) return cached;
        return std::nullopt;
    }
    return readCacheOrPackageCopy(settings.cachePath, settings.packageCopy);
}

bool storeFeedDocument(const PagedFeedSettings& settings, std::string_view document,
                       bool completing) {
    return completing ? appendCache(settings.cachePath, document)
                      : replaceCache(settings.cachePath, document);
}

} // namespace zephrun
