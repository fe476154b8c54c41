// FeedDelegate: what a feed model reaches through its `appDelegate` — the shared request client
// and its lock, the configuration values the feeds send, the persisted cache paths and the
// package copies shipped with the application.
//
// Ownership: models keep a non-owning reference; the delegate outlives every model.
// Threads: the accessors may be called from any thread; myWT() must only be used between
// waitWT() and stopUseWT() (see RequestLock).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kt {
class KT_webtools;
}
namespace zplatform {
class UserDefaults;
}

namespace zephrun {

class FeedDelegate {
  public:
    virtual ~FeedDelegate() = default;

    // `myWT`: the request client shared by every model.
    virtual kt::KT_webtools& myWT() = 0;
    // The request lock around every exchange on myWT (`waitWT` / `stopUseWT`).
    virtual void waitWT() = 0;
    virtual void stopUseWT() = 0;

    // A configuration integer by its document name ("id_wr_news_fr", "id_wr_disco", …); 0 when
    // the configuration has no such value.
    virtual std::int32_t configInteger(std::string_view name) const = 0;
    // `url_resize_image` and `num_version_discographie`; none when not configured.
    virtual std::optional<std::string> url_resize_image() const = 0;
    virtual std::optional<std::string> num_version_discographie() const = 0;
    // `myLogin` of the member account; none when no member is logged in.
    virtual std::optional<std::string> myLogin() const = 0;

    // The per-user defaults store and the display name that prefixes every key.
    virtual zplatform::UserDefaults& defaults() = 0;
    virtual std::string displayName() const = 0;
    // Directory of the files shipped with the application (package copies, images).
    virtual std::string packageDirectory() const = 0;

    // A new request client of its own (cover downloads take no lock).
    virtual std::unique_ptr<kt::KT_webtools> newWebtools() = 0;

    // The string stored under displayName() + suffix; "" when absent.
    std::string storedString(std::string_view suffix);
    void storeString(std::string_view suffix, const std::string& value);
    // packageDirectory() + "/" + fileName.
    std::string packageCopy(std::string_view fileName) const;
};

// Holds the delegate's request lock for a scope, so that an early return releases it.
class RequestLock {
  public:
    explicit RequestLock(FeedDelegate& delegate) : delegate_(delegate) { delegate_.waitWT(); }
    ~RequestLock() { delegate_.stopUseWT(); }
    RequestLock(const RequestLock&) = delete;
    RequestLock& operator=(const RequestLock&) = delete;

  private:
    FeedDelegate& delegate_;
};

} // namespace zephrun
