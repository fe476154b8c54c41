// Membres: members around a map region, their query, document cut, cache and reader.
#include "feeds/membres.h"

#include "client/xml_reader.h"
#include "feeds/feed_delegate.h"
#include "feeds/feed_exchange.h"
#include "feeds/feed_keys.h"
#include "platform/atomic_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace zephrun {

std::string coordinateText(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

Membres::Membres(FeedDelegate& appDelegate) : appDelegate_(appDelegate) {
    auto bytes = zplatform::readWholeFile(appDelegate_.storedString(keys::kPathMembresFile));
    if (bytes && bytes->size() >= 2) loadMembres(bytes);
}

bool Membres::loadMembres(const std::optional<std::string>& bytes) {
    std::optional<List> list;
    MembresRegion region;
    if (bytes) {
        std::shared_ptr<MembresDescription> current;
        std::optional<std::string> buffer;
        kt::XmlEvents events;
        events.startElement = [&](const char* name, const char** attributes) {
            if (std::strcmp(name, "position") == 0) {
                region.spanLatitude = floatAttribute(attributes, "spanlatitude");
                region.spanLongitude = floatAttribute(attributes, "spanlongitude");
                region.latitude = floatAttribute(attributes, "centerlatitude");
                region.longitude = floatAttribute(attributes, "centerlongitude");
            } else if (std::strcmp(name, "membre") == 0) {
                current = std::make_shared<MembresDescription>();
                current->tLatitude = floatAttribute(attributes, "latitude");
                current->tLongitude = floatAttribute(attributes, "longitude");
                current->tType = cleanSpaces(attribute(attributes, "sexe").value_or(""));
            } else if (std::strcmp(name, "login") == 0) {
                buffer.emplace();
            }
        };
        events.characters = [&](std::string_view text) {
            if (buffer) buffer->append(text);
        };
        events.endElement = [&](const char* name) {
            if (std::strcmp(name, "login") == 0) {
                if (current && buffer) current->tLogin = cleanText(*buffer);
                buffer.reset();
            } else if (std::strcmp(name, "membre") == 0 && current) {
                if (!list) list.emplace();
                list->push_back(std::move(current));
                current.reset();
            }
        };
        kt::parseXml(*bytes, events);
    }
    std::lock_guard lock(mutex_);
    list_ = std::move(list);
    region_ = region;
    return bytes.has_value();
}

bool Membres::refreshMembresForZone(float latitude, float longitude, float spanLatitude,
                                    float spanLongitude) {
    if (spanLatitude == 0) spanLatitude = 1.0f;
    if (spanLongitude == 0) spanLongitude = 1.0f;
    return refresh("id_wr_membres_forzone",
                   {"latitude", "longitude", "spanlongitude", "spanlatitude"},
                   {coordinateText(latitude), coordinateText(longitude),
                    coordinateText(spanLongitude), coordinateText(spanLatitude)});
}

bool Membres::refreshMembresAroundMe(float latitude, float longitude) {
    std::optional<std::string> login = appDelegate_.myLogin();
    if (!login || login->empty()) {
        std::lock_guard lock(mutex_);
        isRefresh_ = false;
        return false;
    }
    return refresh("id_wr_membres_aroundme", {"latitude", "longitude", "login"},
                   {coordinateText(latitude), coordinateText(longitude), *login});
}

bool Membres::refresh(const char* webRequestName, std::vector<std::string> names,
                      std::vector<std::string> values) {
    const std::string path = appDelegate_.storedString(keys::kPathMembresFile);
    FeedQuery query;
    query.webRequestId = appDelegate_.configInteger(webRequestName);
    query.paramNames = std::move(names);
    query.paramValues = std::move(values);
    bool ok = false;
    {
        RequestLock requestLock(appDelegate_);
        try {
            std::optional<std::string> reply = sendFeedRequest(appDelegate_, query);
            if (!reply) {
                // Back to the last answer that was cached.
                std::error_code ec;
                if (std::filesystem::exists(path, ec)) loadMembres(zplatform::readWholeFile(path));
            } else if (auto cut =
                           cutElement(removeAll(*reply, "\n"), std::to_string(query.webRequestId),
                                      "<position centerlatitude", "</membres>")) {
                const std::string doc = "<total>" + *cut + "</total>";
                loadMembres(doc);
                replaceCache(path, doc);
                ok = true;
            }
            // A reply without the markers leaves the list and the cache as they were.
        } catch (const std::exception&) {
            ok = false;
        }
    }
    std::lock_guard lock(mutex_);
    isRefresh_ = ok;
    return ok;
}

Membres::List Membres::listMembres() const {
    std::lock_guard lock(mutex_);
    return list_.value_or(List{});
}
bool Membres::hasList() const {
    std::lock_guard lock(mutex_);
    return list_.has_value();
}
MembresRegion Membres::currentRegion() const {
    std::lock_guard lock(mutex_);
    return region_;
}
bool Membres::isRefresh() const {
    std::lock_guard lock(mutex_);
    return isRefresh_;
}

} // namespace zephrun
