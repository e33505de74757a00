// Profile files as they come from other machines, through every read function with
// buffers of every size, and through writes into them: a value written must read back,
// and no function may write past the buffer it was given.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

using fuzzsupport::Require;

// More names than this are not followed further: the reads are the same for each, and
// each parses the file anew (it was just written).
constexpr std::size_t kMaxNamesVisited = 6;
constexpr std::uint32_t kMaxBufferChars = 600;
constexpr char16_t kWrittenValue[] = u"fuzz value";
constexpr char16_t kWrittenKey[] = u"FuzzKey";
constexpr char16_t kNewSection[] = u"FuzzSection";

// A buffer of exactly size characters on the heap, so the address sanitizer sees any
// character written past it.
class Buffer {
 public:
  explicit Buffer(std::uint32_t size) : size_(size), data_(new char16_t[std::max<std::uint32_t>(size, 1)]) {
    std::fill_n(data_.get(), std::max<std::uint32_t>(size, 1), u'#');
  }
  char16_t* get() { return data_.get(); }
  std::uint32_t size() const { return size_; }
  char16_t operator[](std::size_t i) const { return data_[i]; }

 private:
  std::uint32_t size_;
  std::unique_ptr<char16_t[]> data_;
};

// A list result: NUL-separated names. Checks the rules every list form keeps.
std::vector<std::u16string> CheckList(Buffer& out, std::uint32_t count) {
  std::vector<std::u16string> names;
  if (out.size() == 0) {
    Require(count == 0, "size 0 returns 0");
    return names;
  }
  if (out.size() == 1) {
    Require(count == 0 && out[0] == u'\0', "size 1 gives an empty list");
    return names;
  }
  Require(count <= out.size() - 2, "a list count leaves room for two NULs");
  Require(out[count] == u'\0' && out[count + 1] == u'\0', "two NULs after a list");
  std::size_t start = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (out[i] != u'\0') continue;
    names.emplace_back(out.get() + start, i - start);
    start = i + 1;
  }
  return names;
}

void CheckString(Buffer& out, std::uint32_t count) {
  if (out.size() == 0) {
    Require(count == 0, "size 0 returns 0");
    return;
  }
  Require(count < out.size() && out[count] == u'\0', "a value is NUL-terminated within its buffer");
}

// Reads everything the file holds: section names, each section's lines and keys, every
// key's value as text and as number.
void ReadAll(const std::u16string& file, std::uint32_t listSize, std::uint32_t valueSize) {
  Buffer names(listSize);
  const std::vector<std::u16string> sections =
      CheckList(names, plat::GetPrivateProfileSectionNamesW(names.get(), names.size(), file.c_str()));
  const std::vector<std::u16string> allSections = plat::ProfileSectionNames(file);
  for (std::size_t s = 0; s < std::min(allSections.size(), kMaxNamesVisited); ++s) {
    const std::u16string& section = allSections[s];
    Buffer lines(listSize);
    CheckList(lines, plat::GetPrivateProfileSectionW(section.c_str(), lines.get(), lines.size(), file.c_str()));
    plat::ProfileSectionLines(section, file);
    Buffer keys(listSize);
    CheckList(keys, plat::GetPrivateProfileStringW(section.c_str(), nullptr, u"", keys.get(), keys.size(),
                                                   file.c_str()));
    Buffer allKeys(kMaxBufferChars * 8);
    const std::vector<std::u16string> keyNames = CheckList(
        allKeys, plat::GetPrivateProfileStringW(section.c_str(), nullptr, u"", allKeys.get(), allKeys.size(),
                                                file.c_str()));
    for (std::size_t k = 0; k < std::min(keyNames.size(), kMaxNamesVisited); ++k) {
      Buffer value(valueSize);
      CheckString(value, plat::GetPrivateProfileStringW(section.c_str(), keyNames[k].c_str(), u"default ",
                                                        value.get(), value.size(), file.c_str()));
      plat::GetPrivateProfileIntW(section.c_str(), keyNames[k].c_str(), -1, file.c_str());
    }
  }
  Buffer missing(valueSize);
  CheckString(missing, plat::GetPrivateProfileStringW(u"no such section", u"key", u"default", missing.get(),
                                                      missing.size(), file.c_str()));
}

// Writes a value and checks that it reads back; removes it and checks that it is gone.
void WriteAndReadBack(const std::u16string& file, const std::u16string& section, const std::u16string& key) {
  if (!plat::ProfileWrite(section, key, kWrittenValue, file)) return;
  Require(plat::ProfileString(section, key, u"", file) == kWrittenValue, "a written value reads back");
  if (!plat::WritePrivateProfileStringW(section.c_str(), key.c_str(), nullptr, file.c_str())) return;
  Require(plat::ProfileString(section, key, u"gone", file) == u"gone", "a removed key reads as missing");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::uint32_t listSize = input.ConsumeIntegralInRange<std::uint32_t>(0, kMaxBufferChars);
  const std::uint32_t valueSize = input.ConsumeIntegralInRange<std::uint32_t>(0, kMaxBufferChars);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  const std::string path = fuzzsupport::Folder("profile") + "/input.ini";
  const std::u16string file = plat::FromUtf8(path);
  fuzzsupport::WriteInput(path, bytes);
  ReadAll(file, listSize, valueSize);

  // Writes into the file as it is: a new key in its first section and in a new section,
  // and a new value for the first key of its first section.
  const std::vector<std::u16string> sections = plat::ProfileSectionNames(file);
  if (!sections.empty()) {
    WriteAndReadBack(file, sections.front(), kWrittenKey);
    fuzzsupport::WriteInput(path, bytes);
    char16_t keys[kMaxBufferChars] = {};
    plat::GetPrivateProfileStringW(sections.front().c_str(), nullptr, u"", keys, kMaxBufferChars, file.c_str());
    if (keys[0] != u'\0') WriteAndReadBack(file, sections.front(), keys);
  }
  fuzzsupport::WriteInput(path, bytes);
  WriteAndReadBack(file, kNewSection, kWrittenKey);
  ReadAll(file, listSize, valueSize);
  return 0;
}
