// What the content server's web request handlers share: the content directory, the member and
// photo report stores, the server's address, and the parameter helpers.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "server/content_directory.h"
#include "server/content_server.h"
#include "server/member_store.h"
#include "server/photo_reports.h"

namespace zserver {

struct WebRequestContext {
    const ContentDirectory* content = nullptr;
    MemberStore* members = nullptr;
    PhotoReports* reports = nullptr;
    std::function<std::string()> baseURL; // "http://HOST:PORT/"
};

// A parameter's value, or nullopt when the action does not carry it.
std::optional<std::string> param(const Action& a, const std::string& name);
// "num_page": 1 when absent, nullopt when not a decimal integer.
std::optional<int> pageParam(const Action& a);
// A decimal number (as "%f" writes it) within [min, max]; nullopt otherwise.
std::optional<double> numberParam(const Action& a, const std::string& name, double min, double max);

// An xmlpipe document as the feed readers cut it: in a CDATA section after a declaration.
WebRequestAnswer xmlpipeAnswer(const std::string& document);
// A complete element answered as it is, after the action's marker.
WebRequestAnswer elementAnswer(const std::string& element);

// "%f" of a number, as the application writes coordinates.
std::string decimal(double v);

} // namespace zserver
