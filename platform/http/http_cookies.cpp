// The shared cookie store: a libcurl share handle holding the cookie jar, locked per data kind.
#include "http_cookies.h"

#include "curl_multi_driver.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace zplatform {

namespace {

struct ShareLocks {
    std::mutex locks[CURL_LOCK_DATA_LAST];
};

void lockShare(CURL*, curl_lock_data data, curl_lock_access, void* userp) {
    static_cast<ShareLocks*>(userp)->locks[data].lock();
}

void unlockShare(CURL*, curl_lock_data data, void* userp) {
    static_cast<ShareLocks*>(userp)->locks[data].unlock();
}

// A short-lived easy handle attached to the share, to reach the jar outside any transfer.
struct ShareHandle {
    CURL* easy;
    explicit ShareHandle(void* share) : easy(curl_easy_init()) {
        if (!easy) return;
        curl_easy_setopt(easy, CURLOPT_SHARE, share);
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    }
    ~ShareHandle() {
        if (easy) curl_easy_cleanup(easy);
    }
    ShareHandle(const ShareHandle&) = delete;
    ShareHandle& operator=(const ShareHandle&) = delete;
};

} // namespace

HttpCookieStore& HttpCookieStore::shared() {
    // Never destroyed: threads still running transfers at exit keep using the share.
    static HttpCookieStore* store = new HttpCookieStore();
    return *store;
}

HttpCookieStore::HttpCookieStore() {
    ensureCurlGlobalInit();
    static ShareLocks* locks = new ShareLocks();
    CURLSH* share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &lockShare);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &unlockShare);
    curl_share_setopt(share, CURLSHOPT_USERDATA, locks);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    share_ = share;
}

void HttpCookieStore::deleteAllCookies() {
    ShareHandle handle(share_);
    if (handle.easy) curl_easy_setopt(handle.easy, CURLOPT_COOKIELIST, "ALL");
}

std::vector<std::string> HttpCookieStore::cookies() const {
    std::vector<std::string> lines;
    ShareHandle handle(share_);
    if (!handle.easy) return lines;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(handle.easy, CURLINFO_COOKIELIST, &list) != CURLE_OK) return lines;
    for (curl_slist* item = list; item; item = item->next) lines.emplace_back(item->data);
    curl_slist_free_all(list);
    return lines;
}

void HttpCookieStore::setCookie(const std::string& line) {
    ShareHandle handle(share_);
    if (handle.easy) curl_easy_setopt(handle.easy, CURLOPT_COOKIELIST, line.c_str());
}

} // namespace zplatform
