#pragma once
// CLangInfoBase: one line of a language file turned into a record. The key is the whole
// key of the line (as in STR_12), the id is the number of its last "_" piece (a control
// id or a string index), the text is ready for display (references resolved, escapes
// converted), and the extra number is kept with the record for the translators.
//
// Records are created by the language table's loader and owned by the table; they are
// read-only afterwards. Any thread may read a record while no thread changes its table.
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {
class IControlHost;
}

// Value of every numeric record field that the line did not set.
inline constexpr std::int32_t kLangFieldUnset = -1;

class CLangInfoBase {
 public:
  CLangInfoBase() = default;
  // key: whole key of the line; id: number of its last "_" piece; text: display text;
  // extra: the optional extra number (kLangFieldUnset when absent).
  CLangInfoBase(std::u16string key, std::int32_t id, std::u16string text,
                std::int32_t extra = kLangFieldUnset);
  virtual ~CLangInfoBase();

  CLangInfoBase(const CLangInfoBase&) = delete;
  CLangInfoBase& operator=(const CLangInfoBase&) = delete;

  // True when the record's control in parent is of the kind this record fills. Records
  // that fill no particular kind of control (strings, captions) answer false.
  // parent may be null. UI thread (it asks the window for its controls).
  virtual bool IsTargetControl(const plat::IControlHost* parent) const;

  // True exactly when parent has a child control with the record's id whose class name
  // equals className (case-sensitive). False without asking the window when the id is
  // unset, className is empty or parent is null; false when the child is missing or
  // its class name cannot be read. UI thread.
  virtual bool IsControlOfClass(const plat::IControlHost* parent,
                                std::u16string_view className) const;

  const std::u16string& Key() const { return key_; }
  std::int32_t Id() const { return id_; }
  const std::u16string& Text() const { return text_; }
  std::int32_t Extra() const { return extra_; }

 private:
  std::u16string key_;
  std::int32_t id_ = kLangFieldUnset;
  std::u16string text_;
  std::int32_t extra_ = kLangFieldUnset;
};
