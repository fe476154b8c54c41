// Member registration, logout and map queries over the member store.
#include "server/member_handlers.h"

#include <algorithm>
#include <cmath>

#include "server/content_records.h"
#include "server/reply_builder.h"

namespace zserver {
namespace {

constexpr size_t kMaxLogin = 100, kMaxField = 200;

std::string attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + escapeXml(value) + "\"";
}

std::optional<double> span(const Action& a, const char* name, double max) {
    auto v = numberParam(a, name, -1e9, 1e9);
    if (!v) return std::nullopt;
    if (*v <= 0) return 1.0;
    return std::min(*v, max);
}

} // namespace

std::string membersDocument(const Region& r, const std::vector<Member>& members) {
    std::string out = "<position" + attr("centerlatitude", decimal(r.latitude)) +
                      attr("centerlongitude", decimal(r.longitude)) +
                      attr("spanlatitude", decimal(r.spanLatitude)) +
                      attr("spanlongitude", decimal(r.spanLongitude)) + "/><membres" +
                      attr("total", std::to_string(members.size())) + ">";
    for (const Member& m : members)
        out += "<membre" + attr("latitude", decimal(m.latitude)) +
               attr("longitude", decimal(m.longitude)) + attr("sexe", m.sexe) + "><login>" +
               escapeXml(m.login) + "</login></membre>";
    out += "</membres>";
    return out;
}

std::vector<Member> seedMembers(const ContentDirectory& content) {
    std::vector<Member> out;
    auto doc = content.document("membres.xml");
    auto records = doc ? readRecords(*doc, {"membre"}) : std::nullopt;
    if (!records) return out;
    for (const ContentRecord& r : *records) {
        Member m;
        m.login = r.attribute("login");
        m.sexe = r.attribute("sexe");
        // A member with a site account also has a profile and a password (hashed).
        m.firstName = r.attribute("firstname");
        m.lastName = r.attribute("lastname");
        m.dateOfBirth = r.attribute("age");
        m.country = r.attribute("country");
        m.passwordHash = r.attribute("password");
        try {
            m.latitude = std::stod(r.attribute("latitude"));
            m.longitude = std::stod(r.attribute("longitude"));
        } catch (const std::exception&) {
            continue;
        }
        if (m.login.empty() || std::abs(m.latitude) > 90 || std::abs(m.longitude) > 180) continue;
        m.visible = m.connected = true;
        out.push_back(std::move(m));
    }
    return out;
}

WebRequestHandler memberRegistration(const WebRequestContext& ctx) {
    return [ctx](const Action& a) {
        Member m;
        m.login = param(a, "login").value_or("");
        if (m.login.empty() || m.login.size() > kMaxLogin) return WebRequestAnswer{};
        auto lat = numberParam(a, "latitude", -90, 90);
        auto lon = numberParam(a, "longitude", -180, 180);
        if (!lat || !lon) return WebRequestAnswer{};
        m.latitude = *lat;
        m.longitude = *lon;
        m.visible = param(a, "isvisible").value_or("0") == "1";
        std::pair<const char*, std::string*> fields[] = {{"sexe", &m.sexe},
                                                         {"firstname", &m.firstName},
                                                         {"lastname", &m.lastName},
                                                         {"dateofbirth", &m.dateOfBirth},
                                                         {"country", &m.country}};
        for (auto& [name, field] : fields) {
            *field = param(a, name).value_or("");
            if (field->size() > kMaxField) return WebRequestAnswer{};
        }
        return WebRequestAnswer{ctx.members->registerMember(m), ""};
    };
}

WebRequestHandler memberLogout(const WebRequestContext& ctx) {
    return [ctx](const Action& a) {
        auto login = param(a, "login");
        if (!login || login->empty()) return WebRequestAnswer{};
        return WebRequestAnswer{ctx.members->logout(*login), ""};
    };
}

WebRequestHandler membersInZone(const WebRequestContext& ctx) {
    return [ctx](const Action& a) {
        auto lat = numberParam(a, "latitude", -90, 90);
        auto lon = numberParam(a, "longitude", -180, 180);
        auto spanLat = span(a, "spanlatitude", 180), spanLon = span(a, "spanlongitude", 360);
        if (!lat || !lon || !spanLat || !spanLon) return WebRequestAnswer{};
        Region r{*lat, *lon, *spanLat, *spanLon};
        return elementAnswer(membersDocument(r, ctx.members->inRegion(r, kMembersPerZone)));
    };
}

WebRequestHandler membersAround(const WebRequestContext& ctx) {
    return [ctx](const Action& a) {
        auto lat = numberParam(a, "latitude", -90, 90);
        auto lon = numberParam(a, "longitude", -180, 180);
        auto login = param(a, "login");
        if (!lat || !lon || !login || login->empty()) return WebRequestAnswer{};
        auto members = ctx.members->nearest(*lat, *lon, *login, kMembersAround);
        // The smallest region centred on the position that shows them all, with a margin.
        double dLat = 0.25, dLon = 0.25;
        for (const Member& m : members) {
            dLat = std::max(dLat, 1.1 * std::abs(m.latitude - *lat));
            dLon = std::max(dLon, 1.1 * std::abs(m.longitude - *lon));
        }
        Region r{*lat, *lon, std::min(2 * dLat, 180.0), std::min(2 * dLon, 360.0)};
        return elementAnswer(membersDocument(r, members));
    };
}

} // namespace zserver
