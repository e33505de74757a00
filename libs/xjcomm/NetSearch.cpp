#include "libs/xjcomm/NetSearch.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/FdIo.h"
#include "libs/xjcomm/PortAddress.h"
#include "libs/xjcomm/ReplyFilter.h"
#include "libs/xjcomm/TcpTransport.h"
#include "platform/Text.h"

namespace xjcomm {
namespace {

constexpr std::int32_t kPresetUnset = -1;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool NeverProbe(std::uint32_t ip) {
  const std::uint32_t first = ip >> 24;
  return first == 0 || first >= 224;  // "this network", multicast, reserved and broadcast
}

bool IsNetworkOrBroadcastOctet(std::uint32_t ip) {
  const std::uint32_t last = ip & 0xFF;
  return last == 0 || last == 255;
}

// "a.b.c.d", "a.b.c.d-e", "a.b.c.d-a.b.c.e" into first and last address.
bool ParseAddressRange(std::string_view text, std::uint32_t& first, std::uint32_t& last) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    if (!ParseIPv4(Trim(text), first)) return false;
    last = first;
    return true;
  }
  if (!ParseIPv4(Trim(text.substr(0, dash)), first)) return false;
  const std::string_view tail = Trim(text.substr(dash + 1));
  if (tail.find('.') != std::string_view::npos) return ParseIPv4(tail, last);
  std::uint32_t lastOctet = 0;
  // A last octet alone: the same first three octets.
  if (!ParseIPv4("0.0.0." + std::string(tail), lastOctet)) return false;
  last = (first & 0xFFFFFF00u) | lastOctet;
  return true;
}

enum class Stage { Connecting, AwaitName, AwaitId, Done, Failed };

struct Probe {
  std::size_t index = 0;
  NetTarget target;
  int fd = -1;
  Stage stage = Stage::Connecting;
  std::uint64_t deadline = 0;
  ReplyFilter filter;
  std::string model;
};

bool SendQuery(Probe& p, std::uint8_t idFunction, std::uint64_t deadline) {
  const Bytes query = PrinterIdRequest(idFunction);
  std::size_t done = 0;
  if (FdWrite(p.fd, true, query.data(), query.size(), &done, 200) != XJC_OK) return false;
  p.deadline = deadline;
  return true;
}

// Advances a probe whose socket has something to read.
void ReadReply(Probe& p, const NetSearch::Options& options) {
  std::uint8_t buffer[512];
  std::size_t n = 0;
  if (FdRead(p.fd, buffer, sizeof(buffer), &n, 0) != XJC_OK) {
    p.stage = Stage::Failed;
    return;
  }
  p.filter.Feed(buffer, n);
  while (p.filter.UnitCount() > 0 && p.filter.Units().front().complete) {
    const ReplyUnit unit = p.filter.TakeUnit(0);
    if (p.stage == Stage::AwaitName) {
      const std::optional<std::string> name = ParseInfoBlock(unit.bytes);
      if (!name) {
        p.stage = Stage::Failed;
        return;
      }
      if (!name->empty()) {
        p.model = *name;
        p.stage = Stage::Done;
        return;
      }
      // The name is not ready: the model ID still tells which printer this is.
      if (!SendQuery(p, kIdModel, NowMs() + options.replyTimeoutMs)) {
        p.stage = Stage::Failed;
        return;
      }
      p.stage = Stage::AwaitId;
    } else if (p.stage == Stage::AwaitId) {
      if (unit.kind != UnitKind::PrinterId) {
        p.stage = Stage::Failed;
        return;
      }
      p.model = ModelNameForDeviceId(unit.bytes[0]);
      p.stage = p.model.empty() ? Stage::Failed : Stage::Done;
      return;
    }
  }
}

PortRecord RecordOf(const Probe& p) {
  PortRecord r{};
  r.presetA = kPresetUnset;
  r.presetB = kPresetUnset;
  plat::CopyText(r.kind, kPortKindNet);
  plat::CopyText(r.portName, plat::FromUtf8(NetPortName(p.target.ipv4, p.target.port)));
  plat::CopyText(r.deviceName, plat::FromUtf8(p.model));
  plat::CopyText(r.deviceInfo, plat::FromUtf8(p.model + " Ethernet"));
  return r;
}

}  // namespace

XJC_RESULT NetSearch::ParseRange(std::string_view text, std::vector<NetTarget>& out) {
  out.clear();
  std::vector<NetTarget> targets;
  std::size_t total = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view item = Trim(text.substr(start, end - start));
    start = end + 1;
    if (item.empty()) continue;
    std::uint16_t port = kRawPrintingPort;
    if (const std::size_t colon = item.rfind(':'); colon != std::string_view::npos) {
      std::uint32_t ignored = 0;
      // Reuse the host:port parser on a dummy host to read the port strictly.
      if (!ParseHostPort("0.0.0.0:" + std::string(Trim(item.substr(colon + 1))), ignored, port)) {
        return XJC_E_INVALID_ARG;
      }
      item = Trim(item.substr(0, colon));
    }
    std::uint32_t first = 0, last = 0;
    if (!ParseAddressRange(item, first, last) || last < first) return XJC_E_INVALID_ARG;
    const std::uint64_t count = static_cast<std::uint64_t>(last) - first + 1;
    total += count;
    if (count > kMaxAddresses || total > kMaxAddresses) return XJC_E_INVALID_ARG;
    const bool isRange = first != last;
    for (std::uint64_t ip = first; ip <= last; ++ip) {
      const auto address = static_cast<std::uint32_t>(ip);
      if (NeverProbe(address) || (isRange && IsNetworkOrBroadcastOctet(address))) continue;
      const NetTarget t{address, port};
      if (std::find(targets.begin(), targets.end(), t) == targets.end()) targets.push_back(t);
    }
  }
  out = std::move(targets);
  return XJC_OK;
}

std::vector<PortRecord> NetSearch::Probe(const std::vector<NetTarget>& targets,
                                         const Options& options) {
  std::vector<std::pair<std::size_t, PortRecord>> found;  // (target index, record)
  std::vector<xjcomm::Probe> active;
  std::size_t next = 0;
  const std::size_t parallel = std::max<std::size_t>(1, options.parallel);

  while (next < targets.size() || !active.empty()) {
    // Start new probes up to the limit.
    while (active.size() < parallel && next < targets.size()) {
      xjcomm::Probe p;
      p.index = next;
      p.target = targets[next++];
      if (NeverProbe(p.target.ipv4)) continue;
      bool connected = false;
      p.fd = TcpTransport::StartConnect(p.target.ipv4, p.target.port, &connected);
      if (p.fd < 0) continue;
      p.deadline = NowMs() + options.connectTimeoutMs;
      if (connected) {
        TcpTransport::TuneSocket(p.fd);
        if (!SendQuery(p, kIdModelName, NowMs() + options.replyTimeoutMs)) {
          CloseFd(p.fd);
          continue;
        }
        p.stage = Stage::AwaitName;
      }
      active.push_back(std::move(p));
    }
    if (active.empty()) break;

    std::vector<pollfd> fds;
    std::uint64_t earliest = UINT64_MAX;
    for (const xjcomm::Probe& p : active) {
      fds.push_back({p.fd, static_cast<short>(p.stage == Stage::Connecting ? POLLOUT : POLLIN), 0});
      earliest = std::min(earliest, p.deadline);
    }
    const std::uint64_t now = NowMs();
    const int wait = earliest <= now ? 0 : static_cast<int>(earliest - now);
    const int rc = ::poll(fds.data(), fds.size(), wait);
    if (rc < 0 && errno != EINTR) break;

    const std::uint64_t after = NowMs();
    for (std::size_t i = 0; i < active.size(); ++i) {
      xjcomm::Probe& p = active[i];
      const short revents = rc > 0 ? fds[i].revents : 0;
      if (p.stage == Stage::Connecting && revents != 0) {
        if ((revents & POLLOUT) && TcpTransport::ConnectSucceeded(p.fd)) {
          TcpTransport::TuneSocket(p.fd);
          p.stage = SendQuery(p, kIdModelName, after + options.replyTimeoutMs) ? Stage::AwaitName
                                                                              : Stage::Failed;
        } else {
          p.stage = Stage::Failed;
        }
      } else if ((p.stage == Stage::AwaitName || p.stage == Stage::AwaitId) && revents != 0) {
        ReadReply(p, options);
      }
      if ((p.stage == Stage::Connecting || p.stage == Stage::AwaitName ||
           p.stage == Stage::AwaitId) &&
          after >= p.deadline) {
        p.stage = Stage::Failed;
      }
    }
    // Collect finished probes.
    std::vector<xjcomm::Probe> still;
    for (xjcomm::Probe& p : active) {
      if (p.stage == Stage::Done) found.emplace_back(p.index, RecordOf(p));
      if (p.stage == Stage::Done || p.stage == Stage::Failed) {
        CloseFd(p.fd);
      } else {
        still.push_back(std::move(p));
      }
    }
    active = std::move(still);
  }
  for (xjcomm::Probe& p : active) CloseFd(p.fd);
  // Report in the order of the range, whatever order the printers answered in.
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<PortRecord> records;
  for (auto& f : found) records.push_back(f.second);
  return records;
}

}  // namespace xjcomm
