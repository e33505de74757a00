#include "cli/PortTargets.h"

#include <cstring>

#include "app/StartupSettings.h"
#include "comm/PortEnumeration.h"
#include "comm/PrinterListRules.h"
#include "comm/XJC.h"
#include "platform/InstalledPrinters.h"
#include "platform/Text.h"

namespace {

constexpr std::string_view kPortKinds[] = {"NET", "COM", "USB", "LPT", "BT", "SERIAL"};

bool LooksLikeIPv4(std::string_view text) {
  int dots = 0;
  for (const char c : text) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return plat::EqualsNoCase(plat::FromUtf8(a), plat::FromUtf8(b));
}

}  // namespace

bool IsPortKind(std::string_view kind) {
  for (const std::string_view known : kPortKinds) {
    if (kind == known) return true;
  }
  return false;
}

std::string PortDisplayName(const PortRecord& record) {
  const std::u16string_view kind = plat::FieldText(record.kind);
  if (!kind.empty()) return plat::ToUtf8(kind) + ":" + plat::ToUtf8(plat::FieldText(record.portName));
  const std::u16string_view path = plat::FieldText(record.path);
  return plat::ToUtf8(path.empty() ? plat::FieldText(record.portName) : path);
}

bool PortRecordFromName(std::string_view text, PortRecord& record) {
  if (text.empty()) return false;
  if (const std::size_t colon = text.find(':'); colon != std::string_view::npos && IsPortKind(text.substr(0, colon))) {
    if (colon + 1 == text.size()) return false;
    std::memset(&record, 0, sizeof record);
    record.presetA = -1;
    record.presetB = -1;
    plat::CopyText(record.kind, plat::FromUtf8(text.substr(0, colon)));
    plat::CopyText(record.portName, plat::FromUtf8(text.substr(colon + 1)));
    return true;
  }
  if (text.find(':') == std::string_view::npos && text.find('/') == std::string_view::npos && !LooksLikeIPv4(text)) {
    return false;
  }
  record = MakeConnectionPathRecord(plat::FromUtf8(text));
  return true;
}

std::vector<PortRecord> RegisteredPorts(XJC& xjc) {
  return ListRegisteredPorts(&xjc, kEnumPortMode).value_or(std::vector<PortRecord>{});
}

std::vector<PrintQueue> ServedPrintQueues(const std::vector<PortRecord>& registered) {
  const std::vector<plat::InstalledPrinter> printers = plat::EnumInstalledPrinters();
  std::vector<PortRecord> ports = registered;
  std::vector<PrintQueue> queues;
  for (const InstalledPrinterEntry& entry :
       BuildInstalledPrinterEntries(printers, ports.data(), ports.size(), kDriverFilterText, u"")) {
    PrintQueue queue;
    queue.name = plat::ToUtf8(entry.name);
    for (const plat::InstalledPrinter& printer : printers) {
      if (printer.name == entry.name) {
        queue.driver = plat::ToUtf8(printer.driverName);
        queue.device = plat::ToUtf8(printer.portName);
        break;
      }
    }
    queue.record = *entry.record;
    queue.registered = entry.ownedRecord == nullptr;
    queues.push_back(std::move(queue));
  }
  return queues;
}

bool ResolvePortTargets(XJC& xjc, const std::vector<std::string>& texts, std::vector<PortTarget>& targets,
                        std::string& error) {
  targets.clear();
  std::vector<PortTarget> resolved;
  std::vector<PrintQueue> queues;
  bool queuesListed = false;
  for (const std::string& text : texts) {
    PortTarget target{text, {}};
    if (!PortRecordFromName(text, target.record)) {
      if (!queuesListed) {
        queues = ServedPrintQueues(RegisteredPorts(xjc));
        queuesListed = true;
      }
      const PrintQueue* found = nullptr;
      for (const PrintQueue& queue : queues) {
        if (EqualsNoCase(queue.name, text)) found = &queue;
      }
      if (found == nullptr) {
        error = "\"" + text +
                "\" names no port: name one as KIND:NAME (NET:192.168.0.20, COM:/dev/ttyUSB0), by a connection "
                "path (tcp://192.168.0.20:9100/) or by the name of a print queue that `xjk52-cli list` shows";
        return false;
      }
      target.record = found->record;
      if (xjc.XJC_SetPort(&target.record) != XJC_OK) {
        error = "the print queue \"" + found->name + "\" prints to \"" + found->device +
                "\", which the communication library cannot reach";
        return false;
      }
    }
    const XJC_RESULT selected = xjc.XJC_SetPort(&target.record);
    if (selected != XJC_OK) {
      error = "\"" + text + "\" names no port the communication library can reach" +
              (selected == XJC_E_INVALID_ARG ? " (its serial settings are not valid)" : "");
      return false;
    }
    resolved.push_back(std::move(target));
  }
  // Nothing stays selected in the tool's own process: the printers are served by workers.
  xjc.XJC_Terminate();
  targets = std::move(resolved);
  return true;
}
