#pragma once
// PrinterReport: what one printer job of the command-line tool found out, and its
// form on the pipe from the worker process that ran the job to the tool. Fields keep
// their order; the outcome is a short word scripts can test ("ok", "no-answer",
// "in-use", ...) and the message one sentence for people.
//
// No Qt here. Pure; any thread.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ReportField {
  enum class Kind { kText, kNumber, kBool };
  std::string key;
  std::string value;  // numbers in decimal, booleans "true"/"false"
  Kind kind = Kind::kText;
};

struct PrinterReport {
  std::string port;           // the port as the command line named it
  bool ok = false;
  std::string outcome;        // "ok" or what went wrong
  std::string message;        // one sentence for people; may be empty when ok
  std::vector<ReportField> fields;
  std::vector<std::string> items;  // a list that belongs to the outcome (settings not taken ...)

  PrinterReport& Text(std::string key, std::string value);
  PrinterReport& Number(std::string key, long long value);
  PrinterReport& Flag(std::string key, bool value);
  // The value of a field; nothing when the report has none of that key.
  std::optional<std::string> Field(std::string_view key) const;
  // Sets outcome and message; ok when outcome is "ok".
  PrinterReport& Outcome(std::string word, std::string text = {});
};

// The report as bytes (a sequence of length-prefixed texts) and back. Decode gives
// nothing for bytes that are not a whole report.
std::string EncodeReport(const PrinterReport& report);
std::optional<PrinterReport> DecodeReport(std::string_view bytes);
