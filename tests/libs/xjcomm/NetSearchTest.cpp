#include "libs/xjcomm/NetSearch.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "libs/xjcomm/PortAddress.h"
#include "platform/Text.h"
#include "tests/libs/xjcomm/ScriptedPrinter.h"

namespace xjcomm {
namespace {

std::uint32_t Ip(const char* text) {
  std::uint32_t v = 0;
  EXPECT_TRUE(ParseIPv4(text, v)) << text;
  return v;
}

TEST(NetSearchTest, RangesSinglesAndPorts) {
  std::vector<NetTarget> t;
  ASSERT_EQ(NetSearch::ParseRange("127.0.0.1", t), XJC_OK);
  EXPECT_EQ(t, (std::vector<NetTarget>{{Ip("127.0.0.1"), 9100}}));
  ASSERT_EQ(NetSearch::ParseRange(" 192.168.0.10-12 , 10.0.0.5:9101,127.0.0.1:40000 ,", t), XJC_OK);
  EXPECT_EQ(t, (std::vector<NetTarget>{{Ip("192.168.0.10"), 9100},
                                       {Ip("192.168.0.11"), 9100},
                                       {Ip("192.168.0.12"), 9100},
                                       {Ip("10.0.0.5"), 9101},
                                       {Ip("127.0.0.1"), 40000}}));
  ASSERT_EQ(NetSearch::ParseRange("10.0.0.250-10.0.1.2", t), XJC_OK);
  // .255 and .0 inside a range are broadcast and network addresses: left out.
  EXPECT_EQ(t.size(), 7u);
  EXPECT_EQ(t.front().ipv4, Ip("10.0.0.250"));
  EXPECT_EQ(t.back().ipv4, Ip("10.0.1.2"));
  ASSERT_EQ(NetSearch::ParseRange("127.0.0.1,127.0.0.1:9100", t), XJC_OK);
  EXPECT_EQ(t.size(), 1u);
}

TEST(NetSearchTest, NeverProbedAddressesAreLeftOut) {
  std::vector<NetTarget> t;
  ASSERT_EQ(NetSearch::ParseRange("224.0.0.1,239.255.255.250,255.255.255.255,0.0.0.0,127.0.0.1", t),
            XJC_OK);
  EXPECT_EQ(t, (std::vector<NetTarget>{{Ip("127.0.0.1"), 9100}}));
}

TEST(NetSearchTest, MalformedAndOversizedRangesAreRefused) {
  std::vector<NetTarget> t{{1, 1}};
  for (const char* bad : {"localhost", "10.0.0.1-", "10.0.0.9-3", "10.0.0.1-10.0.0.0", "10.0.0.1:0",
                          "10.0.0.1:99999", "10.0.0.1:x", "10.0.0.1-300", "1.2.3"}) {
    EXPECT_EQ(NetSearch::ParseRange(bad, t), XJC_E_INVALID_ARG) << bad;
    EXPECT_TRUE(t.empty());
  }
  EXPECT_EQ(NetSearch::ParseRange("10.0.0.0-10.0.4.0", t), XJC_E_INVALID_ARG);  // 1025 addresses
  EXPECT_EQ(NetSearch::ParseRange("10.0.0.1-10.0.3.255,10.0.8.1-10.0.8.2", t), XJC_E_INVALID_ARG);
  EXPECT_EQ(NetSearch::ParseRange("10.0.0.1-10.0.4.0", t), XJC_OK);  // exactly 1024
}

// A loopback port on which nothing listens.
std::uint16_t ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  socklen_t length = sizeof(addr);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  ::close(fd);
  return ntohs(addr.sin_port);
}

TEST(NetSearchTest, ProbeListsOnlyPrintersThatTellTheirModel) {
  ScriptedPrinter named([](const Bytes& c) {
    return c == Bytes{0x1D, 0x49, 67} ? Bytes{0x10, 0, 0, 0, 0x5F, 'X', 'J', '-', 'K', '5', '2', 'I', 'I', 0}
                                      : Bytes{};
  });
  ScriptedPrinter idOnly([](const Bytes& c) {
    if (c == Bytes{0x1D, 0x49, 67}) return Bytes{0x5F, 0x00};  // name not ready
    if (c == Bytes{0x1D, 0x49, 1}) return Bytes{0x91};
    return Bytes{};
  });
  ScriptedPrinter mute([](const Bytes&) { return Bytes{}; });
  ScriptedPrinter stranger([](const Bytes&) { return Bytes{'H', 'T', 'T', 'P'}; });

  const std::uint32_t lo = Ip("127.0.0.1");
  NetSearch::Options options;
  options.replyTimeoutMs = 500;
  const std::vector<PortRecord> found = NetSearch::Probe(
      {{lo, mute.Port()}, {lo, idOnly.Port()}, {lo, ClosedPort()}, {lo, named.Port()},
       {lo, stranger.Port()}},
      options);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(plat::ToUtf8(plat::FieldText(found[0].portName)),
            "127.0.0.1:" + std::to_string(idOnly.Port()));
  EXPECT_EQ(plat::FieldText(found[0].deviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(found[1].kind), u"NET");
  EXPECT_EQ(plat::FieldText(found[1].deviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(found[1].deviceInfo), u"XJ-K52II Ethernet");
  EXPECT_EQ(mute.Connections(), 1);
}

}  // namespace
}  // namespace xjcomm
