// The shared HTTP cookie store: one cookie jar that every connection of the process reads and
// fills, whichever thread runs it.
#pragma once

#include <string>
#include <vector>

namespace zplatform {

class HttpCookieStore {
  public:
    // The process's store (it lives until exit). Thread-safe.
    static HttpCookieStore& shared();

    // Deletes every stored cookie; transfers started afterwards send none. Thread-safe.
    void deleteAllCookies();
    // The stored cookies as Netscape cookie-file lines (domain, tailmatch, path, secure,
    // expiry, name, value separated by tabs). Thread-safe.
    std::vector<std::string> cookies() const;
    // Stores one cookie given as a "Set-Cookie: ..." header line or a Netscape line.
    void setCookie(const std::string& line);

    // The libcurl share handle the connections attach to (CURLSH*).
    void* curlShare() const { return share_; }

    HttpCookieStore(const HttpCookieStore&) = delete;
    HttpCookieStore& operator=(const HttpCookieStore&) = delete;

  private:
    HttpCookieStore();
    ~HttpCookieStore() = delete; // never destroyed: connections may still hold the share at exit
    void* share_;
};

} // namespace zplatform
