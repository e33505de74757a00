// Random and mutated profile files through every read function and through writes. A
// fixed seed makes every run the same; the sanitizers turn a stray access into a failure,
// and guard characters behind each buffer catch writes past the size given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/Profile.h"
#include "tests/platform/ProfileFixtures.h"

namespace plat {
namespace {

using plat::testing::SplitList;
using plat::testing::Utf16Le;

class Rng {  // splitmix64
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::size_t Below(std::size_t n) {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return n == 0 ? 0 : static_cast<std::size_t>((z ^ (z >> 31)) % n);
  }

 private:
  std::uint64_t state_;
};

const std::vector<std::string> kTokens = {
    "[", "]", "=", ";", "\"", "'", " ", "\t", "\r", "\n", "\r\n", "[S]", "[s]", "[K_STR]", "[]",
    "key", "KEY", "=value", "0x1A", "-5", "\xC3\xA4", "\xF0\x9F\x98\x80", "\xFF", "\xEF\xBB\xBF",
    "\xE2\x82", std::string(1, '\0'), "||"};

const std::vector<std::string> kSeeds = {
    "[LANGUAGE]\r\nLANGID=0411\r\n\r\n[Font]\r\nName=Arial\r\n",
    "[CMN_STR]\nSTR_0=OK\n[K_CAP]\nCAP_1001=Name||7\n; c\n[K_CMB]\nITEM_1000=English||0x0409\n",
    "[APP_SETTING]\nTITLE=\"Utility\"\n[MENUITEM_A]\nITEMID=1\nline\n[MENUITEM_B]\nITEMID=2\n",
};

std::string NextInput(Rng& rng) {
  std::string s;
  if (rng.Below(2) == 0) {
    for (std::size_t i = rng.Below(60); i > 0; --i) {
      if (rng.Below(5) == 0) s.push_back(static_cast<char>(rng.Below(256)));
      else if (rng.Below(40) == 0) s.append(rng.Below(3000), 'a');  // a long line
      else s += kTokens[rng.Below(kTokens.size())];
    }
  } else {
    s = kSeeds[rng.Below(kSeeds.size())];
    for (std::size_t e = 1 + rng.Below(6); e > 0; --e) {
      const std::size_t at = rng.Below(s.size() + 1);
      switch (rng.Below(4)) {
        case 0: s.insert(at, kTokens[rng.Below(kTokens.size())]); break;
        case 1: s.erase(at, rng.Below(20)); break;
        case 2: s.insert(at, s.substr(rng.Below(s.size() + 1), rng.Below(200))); break;
        default: s.resize(at); break;
      }
    }
  }
  if (rng.Below(10) == 0) s = Utf16Le(FromUtf8(s));
  return s;
}

std::vector<std::u16string> SectionsToProbe(const std::u16string& file) {
  std::vector<std::u16string> sections = {u"S", u"K_STR", u"", u"nope"};
  const auto names = ProfileSectionNames(file);
  sections.insert(sections.end(), names.begin(), names.end());
  return sections;
}

// A buffer of `size` characters followed by guard characters that must stay untouched.
struct GuardedBuffer {
  explicit GuardedBuffer(std::uint32_t n) : size(n), data(n + 8, char16_t(0xBEEF)) {}
  void Check(std::uint32_t n, bool list, const char* what) const {
    ASSERT_TRUE(std::all_of(data.begin() + size, data.end(), [](char16_t c) { return c == 0xBEEF; }))
        << what << " wrote past " << size;
    const std::uint32_t reserved = list ? 2 : 1;  // terminators after the count
    if (size < reserved) {
      ASSERT_EQ(n, 0u) << what;
      return;
    }
    ASSERT_LE(n, size - reserved) << what;
    for (std::uint32_t i = 0; i < reserved; ++i) ASSERT_EQ(data[n + i], u'\0') << what;
  }
  std::uint32_t size;
  std::vector<char16_t> data;
};

TEST(ProfileFuzzTest, RandomAndMutatedFilesStayInsideEveryBuffer) {
  Rng rng(20240611);
  const std::string path = testenv::MakeTempDir("fuzz") + "/fuzz.ini";
  const std::u16string file = FromUtf8(path);
  for (int round = 0; round < 2000; ++round) {
    ASSERT_TRUE(testenv::WriteFile(path, NextInput(rng)));
    SCOPED_TRACE("round " + std::to_string(round));
    const auto sections = SectionsToProbe(file);
    const std::u16string& section = sections[rng.Below(sections.size())];
    const auto lines = ProfileSectionLines(section, file);
    std::u16string key = u"key";
    if (!lines.empty()) {
      const std::u16string& line = lines[rng.Below(lines.size())];
      key = line.substr(0, line.find(u'='));
    }
    const char16_t* f = file.c_str();
    for (std::uint32_t size : {0u, 1u, 2u, 5u, 520u, static_cast<std::uint32_t>(rng.Below(4000))}) {
      GuardedBuffer a(size), b(size), c(size), d(size), e(size);
      a.Check(GetPrivateProfileSectionNamesW(a.data.data(), size, f), true, "names");
      b.Check(GetPrivateProfileStringW(nullptr, u"k", u"d", b.data.data(), size, f), true, "names");
      c.Check(GetPrivateProfileStringW(section.c_str(), nullptr, u"d", c.data.data(), size, f), true, "keys");
      d.Check(GetPrivateProfileSectionW(section.c_str(), d.data.data(), size, f), true, "section");
      e.Check(GetPrivateProfileStringW(section.c_str(), key.c_str(), u"d ", e.data.data(), size, f), false,
              "value");
    }
    ASSERT_EQ(GetPrivateProfileIntW(section.c_str(), u"surely-absent", 3, f), 3);
    GetPrivateProfileIntW(section.c_str(), key.c_str(), 3, f);

    // With room enough, the buffer form holds the same lines as the list form.
    const bool nulInside = std::any_of(lines.begin(), lines.end(), [](const std::u16string& l) {
      return l.find(u'\0') != std::u16string::npos;
    });
    if (!nulInside && section.find(u'\0') == std::u16string::npos) {
      std::size_t needed = 3;
      for (const auto& l : lines) needed += l.size() + 1;
      std::vector<char16_t> whole(needed);
      const auto n = GetPrivateProfileSectionW(section.c_str(), whole.data(),
                                               static_cast<std::uint32_t>(needed), f);
      ASSERT_EQ(SplitList(whole.data(), n), lines);
    }
  }
}

TEST(ProfileFuzzTest, WritesIntoRandomFilesLandWhereReadsFindThem) {
  Rng rng(7);
  const std::string path = testenv::MakeTempDir("fuzzwrite") + "/fuzz.ini";
  const std::u16string file = FromUtf8(path);
  for (int round = 0; round < 200; ++round) {
    const std::string bytes = NextInput(rng);
    ASSERT_TRUE(testenv::WriteFile(path, bytes));
    SCOPED_TRACE("round " + std::to_string(round));
    const auto names = ProfileSectionNames(file);
    const auto sections = SectionsToProbe(file);
    const std::u16string target = sections[rng.Below(sections.size())];
    const std::u16string value = u"v" + FormatInt(static_cast<long long>(rng.Below(100000)));
    std::vector<std::vector<std::u16string>> before;
    for (const auto& name : names) before.push_back(ProfileSectionLines(name, file));

    const bool ok = ProfileWrite(target, u"FzKey", value, file);
    // Names with a NUL (a stray NUL byte in a header) cannot be written back.
    ASSERT_EQ(ok, !target.empty() && target.find(u'\0') == std::u16string::npos);
    if (!ok) continue;
    ASSERT_EQ(ProfileString(target, u"fzkey", u"", file), value);
    // Unpaired surrogates of a UTF-16 file become U+FFFD in the UTF-8 rewrite, so the
    // other sections are compared for UTF-8 files only.
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) continue;
    const auto namesAfter = ProfileSectionNames(file);
    ASSERT_GE(namesAfter.size(), names.size());
    ASSERT_TRUE(std::equal(names.begin(), names.end(), namesAfter.begin()));
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!EqualsNoCase(names[i], target)) {
        ASSERT_EQ(ProfileSectionLines(names[i], file), before[i]);
      }
    }
  }
}

}  // namespace
}  // namespace plat
