#pragma once
// JsonWriter: writes one JSON document, indented by two blanks per level, for the
// command-line tool's --json output. Texts are UTF-8 and are escaped as JSON requires
// (quote, backslash and every control character); bytes that are no valid UTF-8 become
// U+FFFD, so the output always parses. The caller nests Begin/End calls properly and
// names every member of an object with Key first.
//
// Pure; one object per thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the current object.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // Key and value in one.
  JsonWriter& Member(std::string_view name, std::string_view text) { return Key(name).String(text); }
  JsonWriter& Member(std::string_view name, const char* text) { return Key(name).String(text); }
  JsonWriter& Member(std::string_view name, std::int64_t value) { return Key(name).Number(value); }
  JsonWriter& Member(std::string_view name, int value) { return Key(name).Number(value); }
  JsonWriter& Member(std::string_view name, bool value) { return Key(name).Bool(value); }

  // The document written so far, with a final line end once the outermost value is
  // closed.
  const std::string& Text() const { return out_; }

  // text as a JSON string literal, quotes included.
  static std::string Quote(std::string_view text);

 private:
  void BeforeValue();
  void NewLine();

  std::string out_;
  // Per open object or array: whether it has a member yet.
  std::vector<bool> hasMembers_;
  bool afterKey_ = false;
};
