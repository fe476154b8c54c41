// ShowLive2010: radio-show announcements, their one fetch per run, cut, cache and reader.
#include "feeds/show_live_2010.h"

#include "client/xml_reader.h"
#include "feeds/feed_delegate.h"
#include "feeds/feed_exchange.h"
#include "feeds/feed_keys.h"
#include "platform/atomic_file.h"

#include <charconv>
#include <cstring>

namespace zephrun {
namespace {

// Reads `minDigits` to `maxDigits` digits at `at`, then the separator `then` (none when 0).
bool readField(std::string_view text, size_t& at, size_t minDigits, size_t maxDigits, int& value,
               char then) {
    size_t n = 0;
    while (at + n < text.size() && n < maxDigits && text[at + n] >= '0' && text[at + n] <= '9') ++n;
    if (n < minDigits) return false;
    std::from_chars(text.data() + at, text.data() + at + n, value);
    at += n;
    if (then == 0) return at == text.size();
    if (at >= text.size() || text[at] != then) return false;
    ++at;
    return true;
}

// The last part of `text` split on `marker`; none when the marker is absent.
std::optional<std::string_view> lastPartAfter(std::string_view text, std::string_view marker) {
    size_t at = text.rfind(marker);
    if (at == std::string_view::npos) return std::nullopt;
    return text.substr(at + marker.size());
}

} // namespace

std::optional<std::chrono::local_seconds> showLiveDate(std::string_view text) {
    // Read with the calendar year ("yyyy-MM-dd HH:mm:ss"): a week-based year ("YYYY") differs
    // from it only around New Year, where it would misdate the calendar dates the server sends.
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    size_t at = 0;
    if (!readField(text, at, 4, 4, y, '-') || !readField(text, at, 1, 2, mo, '-') ||
        !readField(text, at, 1, 2, d, ' ') || !readField(text, at, 1, 2, h, ':') ||
        !readField(text, at, 1, 2, mi, ':') || !readField(text, at, 1, 2, s, 0))
        return std::nullopt;
    year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    return local_days{date} + hours{h} + minutes{mi} + seconds{s};
}

std::optional<std::string> cutShowLive(std::string_view reply, std::string_view id) {
    auto afterAction = lastPartAfter(reply, actionMarker(id));
    if (!afterAction) return std::nullopt;
    auto afterOpen = lastPartAfter(*afterAction, "<xml>");
    if (!afterOpen) return std::nullopt;
    size_t close = afterOpen->find("</xml>");
    if (close == std::string_view::npos) return std::nullopt;
    return "<xml>" + std::string(afterOpen->substr(0, close)) + "</xml>";
}

ShowLive2010::ShowLive2010(FeedDelegate& appDelegate) : appDelegate_(appDelegate) {
    parseShowLive(readCacheOrPackageCopy(appDelegate_.storedString(keys::kPathShowLiveFile2010),
                                         appDelegate_.packageCopy("ZephrunShowLive2010.xml")));
}

bool ShowLive2010::parseShowLive(const std::optional<std::string>& bytes) {
    if (!bytes) return false;
    std::optional<List> list;
    std::shared_ptr<ShowLiveItem> current;
    std::optional<std::string> buffer;

    kt::XmlEvents events;
    events.startElement = [&](const char* name, const char** attributes) {
        if (std::strcmp(name, "item") == 0) {
            current = std::make_shared<ShowLiveItem>();
            if (attribute(attributes, "id")) current->id = floatAttribute(attributes, "id");
            if (auto date = attribute(attributes, "date")) current->date = showLiveDate(*date);
        } else if (std::strcmp(name, "title") == 0 || std::strcmp(name, "contenu") == 0) {
            buffer.emplace();
        }
    };
    events.characters = [&](std::string_view text) {
        if (buffer) buffer->append(text);
    };
    events.endElement = [&](const char* name) {
        if (buffer && (*buffer == "null" || *buffer == "(null)")) buffer->clear();
        std::string_view n = name;
        if (n == "title" || n == "contenu") {
            if (current && buffer) {
                if (n == "title") {
                    current->title = cleanText(*buffer);
                } else {
                    std::string text = replaceAll(cleanText(*buffer), "<br />", "<br/>");
                    text = replaceAll(text, "<BR/>", "<br/>");
                    current->contenu.clear();
                    size_t from = 0;
                    for (;;) {
                        size_t at = text.find("<br/>", from);
                        current->contenu.push_back(text.substr(from, at - from));
                        if (at == std::string::npos) break;
                        from = at + 5;
                    }
                }
            }
            buffer.reset();
        } else if (n == "item" && current) {
            if (!list) list.emplace();
            list->push_back(std::move(current));
            current.reset();
        }
    };
    kt::parseXml(*bytes, events);
    std::lock_guard lock(mutex_);
    list_ = std::move(list);
    return true;
}

ShowLive2010::List ShowLive2010::getShowLive() {
    {
        std::lock_guard lock(mutex_);
        if (isRefresh_ && list_ && !list_->empty()) return *list_;
    }
    const std::string path = appDelegate_.storedString(keys::kPathShowLiveFile2010);
    const std::int32_t id = appDelegate_.configInteger("id_wr_showlive_2010");
    bool ok = false;
    {
        RequestLock requestLock(appDelegate_);
        try {
            FeedQuery query;
            query.webRequestId = id;
            std::optional<std::string> reply = sendFeedRequest(appDelegate_, query);
            std::optional<std::string> doc;
            if (reply) doc = cutShowLive(removeChars(*reply, "\n\r\t"), std::to_string(id));
            if (doc && parseShowLive(doc)) {
                replaceCache(path, *doc);
                ok = true;
            } else {
                parseShowLive(zplatform::readWholeFile(path));
            }
        } catch (const std::exception&) {
            ok = false;
        }
    }
    std::lock_guard lock(mutex_);
    isRefresh_ = ok;
    return list_.value_or(List{});
}

ShowLive2010::List ShowLive2010::listShowLive() const {
    std::lock_guard lock(mutex_);
    return list_.value_or(List{});
}
bool ShowLive2010::hasList() const {
    std::lock_guard lock(mutex_);
    return list_.has_value();
}
bool ShowLive2010::isRefresh() const {
    std::lock_guard lock(mutex_);
    return isRefresh_;
}

} // namespace zephrun
