// Random and mutated profile files through every read function and through writes.
// A fixed seed keeps every run the same; the sanitizers turn any stray access into a
// failure, and every returned count is checked against the buffer it describes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/Profile.h"
#include "tests/platform/ProfileFixtures.h"

namespace plat {
namespace {

using plat::testing::SplitList;
using plat::testing::Utf16Le;

// splitmix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool OneIn(std::size_t n) { return Below(n) == 0; }

 private:
  std::uint64_t state_;
};

const std::vector<std::string> kTokens = {
    "[", "]", "=", ";", "\"", "'", " ", "\t", "\r", "\n", "\r\n", "\n\n", "[S]", "[s]", "[K_STR]",
    "[MENUITEM_1]", "[]", "key", "KEY", "STR_1", "=value", "0x1A", "-5", "12abc", "\xC3\xA4",
    "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xFF", "\xFE", "\xEF\xBB\xBF", "\xE2\x82", "\0",
    "||", "]CMN_MSG_7", "\\n"};

const std::vector<std::string> kSeeds = {
    "[LANGUAGE]\r\nLANGID=0411\r\n\r\n[Font]\r\nName=Arial\r\nSize=9\r\n",
    "[CMN_STR]\nSTR_0=OK\nSTR_1=Cancel\n[CMN_MSG]\nMSG_7=Saved.\n[K_CAP]\nCAP_1001=Name||7\n"
    "[K_CMB]\nITEM_1000=English||0x0409\nITEM_1000=\xE6\x97\xA5\xE6\x9C\xAC||0x0411\n",
    "; comment\n[APP_SETTING]\nTITLE=\"Utility\"\nTITLE_ADD_VERSION=1\n[MENUITEM_A]\nITEMID=1\n"
    "[MENUITEM_B]\nITEMID=2\nPARENTITEMID=1\nUSE_DLL_NAME=XJUATCUTSTG.dll\n",
    Utf16Le(u"[S]\r\nk=\u65E5\r\n[T]\r\nline\r\nx = ' q '\r\n"),
};

std::string RandomText(Rng& rng) {
  std::string s;
  const std::size_t pieces = rng.Below(60);
  for (std::size_t i = 0; i < pieces; ++i) {
    if (rng.OneIn(5)) {
      s.push_back(static_cast<char>(rng.Below(256)));
    } else if (rng.OneIn(40)) {
      s.append(rng.Below(3000), static_cast<char>('a' + rng.Below(26)));  // a long run
    } else {
      s += kTokens[rng.Below(kTokens.size())];
    }
  }
  return s;
}

std::string Mutate(Rng& rng, std::string s) {
  const std::size_t edits = 1 + rng.Below(6);
  for (std::size_t e = 0; e < edits; ++e) {
    const std::size_t at = rng.Below(s.size() + 1);
    switch (rng.Below(5)) {
      case 0:
        if (!s.empty()) s[rng.Below(s.size())] = static_cast<char>(rng.Below(256));
        break;
      case 1:
        s.insert(at, kTokens[rng.Below(kTokens.size())]);
        break;
      case 2:
        s.erase(at, rng.Below(20));
        break;
      case 3:
        s.insert(at, s.substr(rng.Below(s.size() + 1), rng.Below(200)));
        break;
      default:
        s.resize(at);
        break;
    }
  }
  return s;
}

bool HasNul(const std::vector<std::u16string>& items) {
  return std::any_of(items.begin(), items.end(),
                     [](const std::u16string& s) { return s.find(u'\0') != std::u16string::npos; });
}

constexpr char16_t kGuard = 0xBEEF;
constexpr std::size_t kGuardChars = 8;

// A buffer of `size` characters followed by guard characters that must stay untouched.
struct GuardedBuffer {
  explicit GuardedBuffer(std::uint32_t n) : size(n), data(n + kGuardChars, kGuard) {}
  char16_t* out() { return data.data(); }
  bool GuardIntact() const {
    return std::all_of(data.begin() + size, data.end(), [](char16_t c) { return c == kGuard; });
  }
  std::uint32_t size;
  std::vector<char16_t> data;
};

void CheckString(std::uint32_t n, GuardedBuffer& b, const char* what) {
  ASSERT_TRUE(b.GuardIntact()) << what << " size " << b.size;
  if (b.size == 0) {
    ASSERT_EQ(n, 0u) << what;
    return;
  }
  ASSERT_LT(n, b.size) << what;
  ASSERT_EQ(b.data[n], u'\0') << what;
}

void CheckList(std::uint32_t n, GuardedBuffer& b, const char* what) {
  ASSERT_TRUE(b.GuardIntact()) << what << " size " << b.size;
  if (b.size < 2) {
    ASSERT_EQ(n, 0u) << what;
    if (b.size == 1) {
      ASSERT_EQ(b.data[0], u'\0');
    }
    return;
  }
  ASSERT_LE(n, b.size - 2) << what;
  ASSERT_EQ(b.data[n], u'\0') << what;
  ASSERT_EQ(b.data[n + 1], u'\0') << what;
}

std::string NextInput(Rng& rng) {
  std::string bytes = rng.OneIn(2) ? RandomText(rng) : Mutate(rng, kSeeds[rng.Below(kSeeds.size())]);
  if (rng.OneIn(10)) bytes = Utf16Le(FromUtf8(bytes));
  return bytes;
}

// The sections a round looks at: fixed probes and the names the file has.
std::vector<std::u16string> SectionsToProbe(const std::vector<std::u16string>& names) {
  std::vector<std::u16string> sections = {u"S", u"s", u"K_STR", u"MENUITEM_1", u"", u"nope",
                                          u"LANGUAGE", u"T"};
  sections.insert(sections.end(), names.begin(), names.end());
  return sections;
}

TEST(ProfileFuzzTest, RandomAndMutatedFilesStayInsideEveryBuffer) {
  Rng rng(20240611);
  const std::string path = testenv::MakeTempDir("fuzz") + "/fuzz.ini";
  const std::u16string file = FromUtf8(path);
  const std::vector<std::uint32_t> fixedSizes = {0, 1, 2, 5, 520};
  constexpr int kInputs = 2000;
  for (int round = 0; round < kInputs; ++round) {
    ASSERT_TRUE(testenv::WriteFile(path, NextInput(rng)));
    SCOPED_TRACE("round " + std::to_string(round));

    const auto sections = SectionsToProbe(ProfileSectionNames(file));
    const std::u16string& section = sections[rng.Below(sections.size())];
    const auto lines = ProfileSectionLines(section, file);
    std::u16string key = u"key";
    if (!lines.empty()) {
      const std::u16string& line = lines[rng.Below(lines.size())];
      key = line.substr(0, line.find(u'='));
    }

    std::vector<std::uint32_t> sizes = fixedSizes;
    sizes.push_back(static_cast<std::uint32_t>(rng.Below(4000)));
    for (std::uint32_t size : sizes) {
      GuardedBuffer names(size);
      CheckList(GetPrivateProfileSectionNamesW(names.out(), size, file.c_str()), names, "names");
      GuardedBuffer names2(size);
      CheckList(GetPrivateProfileStringW(nullptr, u"k", u"d", names2.out(), size, file.c_str()),
                names2, "names via string");
      GuardedBuffer keys(size);
      CheckList(GetPrivateProfileStringW(section.c_str(), nullptr, u"d", keys.out(), size, file.c_str()),
                keys, "keys");
      GuardedBuffer sec(size);
      CheckList(GetPrivateProfileSectionW(section.c_str(), sec.out(), size, file.c_str()), sec,
                "section");
      GuardedBuffer value(size);
      CheckString(GetPrivateProfileStringW(section.c_str(), key.c_str(), u"def  ", value.out(), size,
                                           file.c_str()),
                  value, "value");
    }
    const std::int32_t fallback = GetPrivateProfileIntW(section.c_str(), u"surely-absent-key", 3,
                                                        file.c_str());
    ASSERT_EQ(fallback, 3);
    GetPrivateProfileIntW(section.c_str(), key.c_str(), 3, file.c_str());

    // With room enough, the buffer form holds the same items as the list form.
    if (!HasNul(lines)) {
      std::size_t needed = 3;
      for (const auto& l : lines) needed += l.size() + 1;
      GuardedBuffer whole(static_cast<std::uint32_t>(needed));
      const std::uint32_t n = GetPrivateProfileSectionW(section.c_str(), whole.out(), whole.size,
                                                        file.c_str());
      ASSERT_EQ(SplitList(whole.out(), n), lines);
    }
  }
}

TEST(ProfileFuzzTest, WritesIntoRandomFilesLandWhereReadsFindThem) {
  Rng rng(7);
  const std::string path = testenv::MakeTempDir("fuzzwrite") + "/fuzz.ini";
  const std::u16string file = FromUtf8(path);
  constexpr int kInputs = 200;
  for (int round = 0; round < kInputs; ++round) {
    const std::string bytes = NextInput(rng);
    ASSERT_TRUE(testenv::WriteFile(path, bytes));
    SCOPED_TRACE("round " + std::to_string(round));
    const auto names = ProfileSectionNames(file);
    const auto sections = SectionsToProbe(names);
    const std::u16string target = sections[rng.Below(sections.size())];
    const std::u16string value = u"v" + FormatInt(static_cast<long long>(rng.Below(100000)));
    std::vector<std::vector<std::u16string>> before;
    for (const auto& name : names) before.push_back(ProfileSectionLines(name, file));

    const bool ok = ProfileWrite(target, u"FzKey", value, file);
    if (target.empty()) {
      ASSERT_FALSE(ok);
      continue;
    }
    ASSERT_TRUE(ok);
    ASSERT_EQ(ProfileString(target, u"fzkey", u"", file), value);
    // Unpaired surrogates of a UTF-16 file become U+FFFD in the UTF-8 rewrite, so the
    // other sections are compared for UTF-8 files only.
    if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)) {
      continue;
    }
    const auto namesAfter = ProfileSectionNames(file);
    ASSERT_GE(namesAfter.size(), names.size());
    ASSERT_TRUE(std::equal(names.begin(), names.end(), namesAfter.begin()));
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (EqualsNoCase(names[i], target)) continue;
      ASSERT_EQ(ProfileSectionLines(names[i], file), before[i]) << ToUtf8(names[i]);
    }
  }
}

}  // namespace
}  // namespace plat
