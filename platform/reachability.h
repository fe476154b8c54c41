// Network reachability from the machine's interfaces: the network type "wifi", "cellular" or "".
//
// The interface list comes from an InterfaceSource so that tests can feed fake lists; the system
// source reads getifaddrs, /sys/class/net and the routing tables. Stateless and thread-safe.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zplatform {

struct NetInterface {
    enum class Kind { Loopback, Wired, Wireless, MobileBroadband };

    std::string name;
    Kind kind = Kind::Wired;
    bool up = false;       // administratively up and running
    bool hasRoute = false; // holds a routable address and a route to the outside goes through it
};

class InterfaceSource {
  public:
    virtual ~InterfaceSource() = default;
    // The current interfaces, or nothing when they cannot be read.
    virtual std::optional<std::vector<NetInterface>> interfaces() const = 0;
};

// The machine's interfaces. `sysRoot` replaces "/" when reading /sys and /proc (tests).
class SystemInterfaceSource : public InterfaceSource {
  public:
    explicit SystemInterfaceSource(std::string sysRoot = "");
    std::optional<std::vector<NetInterface>> interfaces() const override;
    // Kind of interface `name` (not loopback) from its name and its /sys/class/net entry.
    NetInterface::Kind kindOf(const std::string& name) const;
    // Names of the interfaces that carry a default route (IPv4 or IPv6), or nothing when
    // neither routing table can be read.
    std::optional<std::vector<std::string>> defaultRouteInterfaces() const;

  private:
    std::string root_;
};

// What the platform's reachability flags say about the Internet at large.
struct ReachabilityFlags {
    bool readable = false;       // the interface list could be read
    bool reachable = false;      // some interface other than loopback is up with a route
    bool isLocalAddress = false; // reachable through a wired or wireless local network
    bool isWWAN = false;         // reachable only through mobile broadband
};

class Reachability {
  public:
    // Uses the machine's interfaces.
    Reachability();
    explicit Reachability(std::shared_ptr<const InterfaceSource> source);

    ReachabilityFlags flags() const;
    // "wifi" when a wired or wireless interface is up with a route (preferred, as the phone
    // prefers its local network), else "cellular" when mobile broadband is, else "".
    std::string networkType() const;

  private:
    std::shared_ptr<const InterfaceSource> source_;
};

} // namespace zplatform
