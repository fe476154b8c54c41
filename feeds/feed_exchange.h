// The exchange every feed model makes: one "WEBREQUEST" action on the shared client, and the
// cuts that take the feed document out of the deciphered reply. Cache files are replaced or
// extended atomically.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephrun {

class FeedDelegate;

struct FeedQuery {
    std::int32_t webRequestId = 0;
    std::vector<std::string> paramNames;
    std::vector<std::string> paramValues;
    int timeout = 20; // seconds
};

// Under the caller's request lock: KT_prepareWebRequest, one "WEBREQUEST" action with the id's
// decimal text and the parameters, KT_finishWebRequest, time-out, synchronous send. Returns the
// deciphered reply as text, or none (no reply, time-out, not decipherable).
std::optional<std::string> sendFeedRequest(FeedDelegate& delegate, const FeedQuery& query);

// `<action name="WEBREQUEST" id="ID" status="ok" >`.
std::string actionMarker(std::string_view id);
std::string actionMarker(std::int32_t id);

// Every occurrence of each character of `chars` removed.
std::string removeChars(std::string_view text, std::string_view chars);
// Every occurrence of `what` removed / replaced.
std::string removeAll(std::string_view text, std::string_view what);
std::string replaceAll(std::string_view text, std::string_view what, std::string_view with);

// Line feeds, tabs and carriage returns removed ("\n\t\r"); cleanSpaces also removes spaces.
std::string cleanText(std::string_view text);
std::string cleanSpaces(std::string_view text);

// The text after the first `start` and, of that, the text before the first `end`; none when
// either marker is missing (the original raised there).
std::optional<std::string> textBetween(std::string_view text, std::string_view start,
                                       std::string_view end);

// The xmlpipe document of a reply (line feeds already removed by the caller): after the action
// marker, after `<![CDATA[<?xml version="1.0" encoding="UTF-8"?>`, before "</xmlpipe>]]".
std::optional<std::string> cutXmlpipe(std::string_view reply, std::string_view id);

// The rebuilt complete element of a reply: after the action marker, the text after `open`
// (for example "<concerts total") before `close` ("</concerts>"); the document is
// open + text + close. None when a marker is missing.
std::optional<std::string> cutElement(std::string_view reply, std::string_view id,
                                      std::string_view open, std::string_view close);

// Cache writes, atomic (temporary file, fsync, rename): replace the whole file, or append
// `text` to what the file holds. False when the file could not be written (left as it was).
bool replaceCache(const std::string& path, std::string_view bytes);
bool appendCache(const std::string& path, std::string_view text);

// Integer / float of an attribute as the original reader read them: a missing or non-numeric
// attribute gives 0.
int intAttribute(const char** attributes, std::string_view name);
float floatAttribute(const char** attributes, std::string_view name);
// The attribute's value, or none.
std::optional<std::string> attribute(const char** attributes, std::string_view name);

} // namespace zephrun
