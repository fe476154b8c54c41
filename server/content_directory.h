// The content directory: the configuration and notification to serve, and the file-backed feeds.
//
// Layout (all optional):
//   ZephrunConfig.xml       the configuration document; its `config date` decides who gets it
//   notification.xml        <notification date="…"><title>…</title><message>…</message>
//                           <button>…</button></notification>
//   feeds/ID.xml            page 1 of the feed answering WEBREQUEST id ID (an xmlpipe document)
//   feeds/ID-N.xml          page N of that feed
//   disques/TITLE.xml       the track list of a release (title with "_" for spaces)
//   photos.xml              the concert album photos shown before the fans' reports
//   membres.xml             the members known before any registration
// Every file is also served as a static file.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zserver {

struct Notification {
    std::string date; // protocol date "yyyy-MM-dd HH:mm:ss", UTC
    std::string title, message, button;
};

struct ServedConfig {
    std::string date;  // the document's `date` attribute
    std::string block; // from "<config date" through the first "</config>"
};

class ContentDirectory {
  public:
    explicit ContentDirectory(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& root() const { return root_; }

    // Read on every call, so that content can change while the server runs; nullopt when the
    // file is absent or malformed.
    std::optional<ServedConfig> config() const;
    std::optional<Notification> notification() const;

    // The configuration's web request ids by name ("id_wr_news_fr" -> 105).
    std::map<std::string, int> webRequestIds() const;
    // A content document (path relative to the root, from trusted callers only) without its XML
    // declaration and surrounding blanks; nullopt when absent or when it holds a CDATA end.
    std::optional<std::string> document(const std::string& relative) const;

    // The web request ids that have a page-1 feed file.
    std::vector<int> feedIds() const;
    // The xmlpipe document of page `page` of feed `id`, without its XML declaration.
    std::optional<std::string> feedPage(int id, int page) const;

  private:
    std::filesystem::path root_;
};

// Replaces every "@SERVER@" in served content by the server's base address.
std::string withServerAddress(std::string text, std::string_view baseURL);

// True when `candidate` is strictly newer than `known`. Both are protocol dates compared as text
// (the fixed-width form orders like time); an empty or malformed `known` is older than anything.
bool isNewer(const std::string& candidate, const std::string& known);

// True for "yyyy-MM-dd HH:mm:ss" with digits where digits belong.
bool isProtocolDate(const std::string& text);

} // namespace zserver
