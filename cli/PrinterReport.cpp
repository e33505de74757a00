#include "cli/PrinterReport.h"

#include <charconv>

namespace {

constexpr std::string_view kOutcomeOk = "ok";
// The most entries a report may announce; more means the bytes are no report.
constexpr std::size_t kMaxEntries = 100000;

void Put(std::string& out, std::string_view text) {
  out += std::to_string(text.size());
  out += ':';
  out += text;
}

void Put(std::string& out, std::size_t number) { Put(out, std::to_string(number)); }

// Reads the texts written by Put from the front of bytes.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Text(std::string& out) {
    const std::size_t colon = bytes_.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    std::size_t length = 0;
    const auto [end, error] = std::from_chars(bytes_.data(), bytes_.data() + colon, length);
    if (error != std::errc() || end != bytes_.data() + colon || length > bytes_.size() - colon - 1) return false;
    out.assign(bytes_.substr(colon + 1, length));
    bytes_.remove_prefix(colon + 1 + length);
    return true;
  }

  bool Count(std::size_t& out) {
    std::string text;
    if (!Text(text)) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && !text.empty() && out <= kMaxEntries;
  }

  bool AtEnd() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

}  // namespace

PrinterReport& PrinterReport::Text(std::string key, std::string value) {
  fields.push_back({std::move(key), std::move(value), ReportField::Kind::kText});
  return *this;
}

PrinterReport& PrinterReport::Number(std::string key, long long value) {
  fields.push_back({std::move(key), std::to_string(value), ReportField::Kind::kNumber});
  return *this;
}

PrinterReport& PrinterReport::Flag(std::string key, bool value) {
  fields.push_back({std::move(key), value ? "true" : "false", ReportField::Kind::kBool});
  return *this;
}

std::optional<std::string> PrinterReport::Field(std::string_view key) const {
  for (const ReportField& field : fields) {
    if (field.key == key) return field.value;
  }
  return std::nullopt;
}

PrinterReport& PrinterReport::Outcome(std::string word, std::string text) {
  ok = word == kOutcomeOk;
  outcome = std::move(word);
  message = std::move(text);
  return *this;
}

std::string EncodeReport(const PrinterReport& report) {
  std::string out;
  Put(out, report.port);
  Put(out, report.ok ? "1" : "0");
  Put(out, report.outcome);
  Put(out, report.message);
  Put(out, report.fields.size());
  for (const ReportField& field : report.fields) {
    Put(out, field.key);
    Put(out, field.value);
    Put(out, std::to_string(static_cast<int>(field.kind)));
  }
  Put(out, report.items.size());
  for (const std::string& item : report.items) Put(out, item);
  return out;
}

std::optional<PrinterReport> DecodeReport(std::string_view bytes) {
  Reader in(bytes);
  PrinterReport report;
  std::string ok;
  std::size_t count = 0;
  if (!in.Text(report.port) || !in.Text(ok) || (ok != "0" && ok != "1") || !in.Text(report.outcome) ||
      !in.Text(report.message) || !in.Count(count)) {
    return std::nullopt;
  }
  report.ok = ok == "1";
  for (std::size_t i = 0; i < count; ++i) {
    ReportField field;
    std::string kind;
    if (!in.Text(field.key) || !in.Text(field.value) || !in.Text(kind)) return std::nullopt;
    if (kind == "0") {
      field.kind = ReportField::Kind::kText;
    } else if (kind == "1") {
      field.kind = ReportField::Kind::kNumber;
    } else if (kind == "2") {
      field.kind = ReportField::Kind::kBool;
    } else {
      return std::nullopt;
    }
    report.fields.push_back(std::move(field));
  }
  if (!in.Count(count)) return std::nullopt;
  for (std::size_t i = 0; i < count; ++i) {
    std::string item;
    if (!in.Text(item)) return std::nullopt;
    report.items.push_back(std::move(item));
  }
  if (!in.AtEnd()) return std::nullopt;
  return report;
}
