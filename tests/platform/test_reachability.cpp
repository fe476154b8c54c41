// Reachability: network type from fake interface lists, and the system source's reading of a
// fake /sys and /proc tree.
#include "platform/reachability.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace zplatform;
namespace fs = std::filesystem;
using Kind = NetInterface::Kind;

namespace {

struct FakeSource : InterfaceSource {
    std::optional<std::vector<NetInterface>> list;
    std::optional<std::vector<NetInterface>> interfaces() const override { return list; }
};

std::string typeOf(std::optional<std::vector<NetInterface>> list) {
    auto source = std::make_shared<FakeSource>();
    source->list = std::move(list);
    return Reachability(source).networkType();
}

const NetInterface lo{"lo", Kind::Loopback, true, true};

TEST(ReachabilityType, NoRouteOutsideMeansNoNetwork) {
    EXPECT_EQ(typeOf(std::nullopt), "");
    EXPECT_EQ(typeOf(std::vector<NetInterface>{}), "");
    EXPECT_EQ(typeOf(std::vector<NetInterface>{lo}), "");
    // Up without a route, or routed but down, does not count.
    EXPECT_EQ(typeOf(std::vector<NetInterface>{lo, {"eth0", Kind::Wired, true, false}}), "");
    EXPECT_EQ(typeOf(std::vector<NetInterface>{lo, {"wlan0", Kind::Wireless, false, true}}), "");
    EXPECT_EQ(typeOf(std::vector<NetInterface>{{"wwan0", Kind::MobileBroadband, false, true}}), "");
}

TEST(ReachabilityType, LocalNetworkIsWifiAndPreferredOverMobile) {
    EXPECT_EQ(typeOf(std::vector<NetInterface>{lo, {"eth0", Kind::Wired, true, true}}), "wifi");
    EXPECT_EQ(typeOf(std::vector<NetInterface>{lo, {"wlan0", Kind::Wireless, true, true}}), "wifi");
    EXPECT_EQ(typeOf(std::vector<NetInterface>{{"wwan0", Kind::MobileBroadband, true, true},
                                               {"wlan0", Kind::Wireless, true, true}}),
              "wifi");
}

TEST(ReachabilityType, MobileBroadbandAloneIsCellular) {
    auto source = std::make_shared<FakeSource>();
    source->list = std::vector<NetInterface>{
        lo, {"ppp0", Kind::MobileBroadband, true, true}, {"eth0", Kind::Wired, true, false}};
    Reachability r(source);
    EXPECT_EQ(r.networkType(), "cellular");
    ReachabilityFlags f = r.flags();
    EXPECT_TRUE(f.readable);
    EXPECT_TRUE(f.reachable);
    EXPECT_TRUE(f.isWWAN);
    EXPECT_FALSE(f.isLocalAddress);
}

class FakeTree : public ::testing::Test {
  protected:
    fs::path root = fs::temp_directory_path() /
                    ("zreach-" + std::to_string(::getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { fs::create_directories(root); }
    void TearDown() override { fs::remove_all(root); }
    void write(const std::string& rel, const std::string& text) {
        fs::path p = root / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    void mkdir(const std::string& rel) { fs::create_directories(root / rel); }
};

TEST_F(FakeTree, InterfaceKindFromSysAndName) {
    mkdir("sys/class/net/wlp2s0/wireless");
    mkdir("sys/class/net/wlx1/phy80211");
    write("sys/class/net/mbim0/uevent", "INTERFACE=mbim0\nDEVTYPE=wwan\n");
    write("sys/class/net/wl9/uevent", "DEVTYPE=wlan\n");
    write("sys/class/net/enp3s0/uevent", "INTERFACE=enp3s0\n");
    SystemInterfaceSource source(root.string());
    EXPECT_EQ(source.kindOf("wlp2s0"), Kind::Wireless);
    EXPECT_EQ(source.kindOf("wlx1"), Kind::Wireless);
    EXPECT_EQ(source.kindOf("wl9"), Kind::Wireless);
    EXPECT_EQ(source.kindOf("mbim0"), Kind::MobileBroadband);
    EXPECT_EQ(source.kindOf("wwan0"), Kind::MobileBroadband);
    EXPECT_EQ(source.kindOf("ppp0"), Kind::MobileBroadband);
    EXPECT_EQ(source.kindOf("enp3s0"), Kind::Wired);
    EXPECT_EQ(source.kindOf("veth7"), Kind::Wired); // no /sys entry at all
}

TEST_F(FakeTree, DefaultRoutesFromBothTables) {
    SystemInterfaceSource source(root.string());
    EXPECT_FALSE(source.defaultRouteInterfaces()) << "no table readable";

    write("proc/net/route",
          "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
          "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\n"
          "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n"
          "docker0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\n"
          "wlan0\t00000000\t0101A8C0\t0002\t0\t0\t600\t00000000\n"); // default but not up
    write("proc/net/ipv6_route",
          "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
          "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 wwan0\n"
          "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
          "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n"
          "20010db8000000000000000000000000 40 00000000000000000000000000000000 00 "
          "00000000000000000000000000000000 00000100 00000001 00000000 00000001 eth1\n");
    auto names = source.defaultRouteInterfaces();
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"eth0", "wwan0"}));
}

TEST(SystemSource, ReadsThisMachine) {
    SystemInterfaceSource source;
    auto list = source.interfaces();
    ASSERT_TRUE(list);
    bool sawLoopback = false;
    for (const auto& iface : *list)
        if (iface.kind == Kind::Loopback) sawLoopback = true;
    EXPECT_TRUE(sawLoopback);
    std::string type = Reachability().networkType();
    EXPECT_TRUE(type == "" || type == "wifi" || type == "cellular") << type;
}

} // namespace
