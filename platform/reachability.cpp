// Reachability from getifaddrs, /sys/class/net and the kernel's routing tables.
#include "reachability.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace zplatform {

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// An address another machine could answer: not loopback, link-local or unspecified.
bool isRoutable(const sockaddr* addr) {
    if (!addr) return false;
    if (addr->sa_family == AF_INET) {
        uint32_t a = ntohl(reinterpret_cast<const sockaddr_in*>(addr)->sin_addr.s_addr);
        return a != 0 && (a >> 24) != 127 && (a >> 16) != 0xA9FE; // 169.254/16
    }
    if (addr->sa_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(addr)->sin6_addr;
        return !IN6_IS_ADDR_UNSPECIFIED(&a) && !IN6_IS_ADDR_LOOPBACK(&a) &&
               !IN6_IS_ADDR_LINKLOCAL(&a);
    }
    return false;
}

// RAII owner of the getifaddrs list.
struct IfAddrs {
    ifaddrs* list = nullptr;
    bool ok;
    IfAddrs() : ok(::getifaddrs(&list) == 0) {}
    ~IfAddrs() {
        if (list) ::freeifaddrs(list);
    }
    IfAddrs(const IfAddrs&) = delete;
    IfAddrs& operator=(const IfAddrs&) = delete;
};

} // namespace

SystemInterfaceSource::SystemInterfaceSource(std::string sysRoot) : root_(std::move(sysRoot)) {}

NetInterface::Kind SystemInterfaceSource::kindOf(const std::string& name) const {
    if (startsWith(name, "wwan") || startsWith(name, "ppp"))
        return NetInterface::Kind::MobileBroadband;
    std::string dir = root_ + "/sys/class/net/" + name;
    std::ifstream uevent(dir + "/uevent");
    for (std::string line; std::getline(uevent, line);) {
        if (line == "DEVTYPE=wwan") return NetInterface::Kind::MobileBroadband;
        if (line == "DEVTYPE=wlan") return NetInterface::Kind::Wireless;
    }
    if (exists(dir + "/wireless") || exists(dir + "/phy80211")) return NetInterface::Kind::Wireless;
    return NetInterface::Kind::Wired;
}

std::optional<std::vector<std::string>> SystemInterfaceSource::defaultRouteInterfaces() const {
    std::vector<std::string> names;
    bool readAny = false;
    // IPv4: "Iface Destination Gateway Flags ..." in hex; the default route has destination 0.
    if (std::ifstream v4(root_ + "/proc/net/route"); v4) {
        readAny = true;
        std::string line;
        std::getline(v4, line); // column titles
        while (std::getline(v4, line)) {
            std::istringstream fields(line);
            std::string iface, destination, gateway, flags;
            if (!(fields >> iface >> destination >> gateway >> flags)) continue;
            unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
            if (destination == "00000000" && (f & 0x1) /* RTF_UP */) names.push_back(iface);
        }
    }
    // IPv6: destination, prefix length, source, source prefix, next hop, metric, refs, use,
    // flags, interface; the default route is ::/0.
    if (std::ifstream v6(root_ + "/proc/net/ipv6_route"); v6) {
        readAny = true;
        std::string dest, plen, src, splen, hop, metric, refs, use, flags, iface;
        while (v6 >> dest >> plen >> src >> splen >> hop >> metric >> refs >> use >> flags >>
               iface) {
            unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
            bool isDefault = dest == std::string(32, '0') && plen == "00";
            bool rejected = f & 0x0200; // RTF_REJECT: "unreachable" placeholder routes
            if (isDefault && (f & 0x1) && !rejected && iface != "lo") names.push_back(iface);
        }
    }
    if (!readAny) return std::nullopt;
    return names;
}

std::optional<std::vector<NetInterface>> SystemInterfaceSource::interfaces() const {
    IfAddrs addrs;
    if (!addrs.ok) return std::nullopt;
    auto routed = defaultRouteInterfaces();

    std::map<std::string, NetInterface> byName;
    for (ifaddrs* a = addrs.list; a; a = a->ifa_next) {
        if (!a->ifa_name) continue;
        std::string name = a->ifa_name;
        auto [it, fresh] = byName.try_emplace(name);
        NetInterface& iface = it->second;
        if (fresh) {
            iface.name = name;
            iface.kind =
                (a->ifa_flags & IFF_LOOPBACK) ? NetInterface::Kind::Loopback : kindOf(name);
            iface.up = (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING);
        }
        if (isRoutable(a->ifa_addr)) {
            // Without readable routing tables an address alone must do.
            bool hasDefault =
                !routed || std::find(routed->begin(), routed->end(), name) != routed->end();
            // Point-to-point links (ppp) often route through a peer without a default entry.
            bool pointToPoint = a->ifa_flags & IFF_POINTOPOINT;
            if (hasDefault || pointToPoint) iface.hasRoute = true;
        }
    }
    std::vector<NetInterface> list;
    list.reserve(byName.size());
    for (auto& [name, iface] : byName) list.push_back(std::move(iface));
    return list;
}

Reachability::Reachability() : source_(std::make_shared<SystemInterfaceSource>()) {}

Reachability::Reachability(std::shared_ptr<const InterfaceSource> source)
    : source_(std::move(source)) {}

ReachabilityFlags Reachability::flags() const {
    ReachabilityFlags flags;
    auto list = source_ ? source_->interfaces() : std::nullopt;
    if (!list) return flags;
    flags.readable = true;
    bool local = false, mobile = false;
    for (const NetInterface& iface : *list) {
        if (!iface.up || !iface.hasRoute || iface.kind == NetInterface::Kind::Loopback) continue;
        if (iface.kind == NetInterface::Kind::MobileBroadband)
            mobile = true;
        else
            local = true;
    }
    flags.reachable = local || mobile;
    flags.isLocalAddress = local;
    flags.isWWAN = mobile && !local; // the local network is preferred when both are up
    return flags;
}

std::string Reachability::networkType() const {
    ReachabilityFlags f = flags();
    if (!f.readable || !f.reachable) return "";
    if (f.isLocalAddress && !f.isWWAN) return "wifi";
    return "cellular";
}

} // namespace zplatform
