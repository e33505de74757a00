#include "platform/Profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace plat {
namespace {

// ---------------------------------------------------------------------------------------
// Reading bytes and decoding them

enum class ReadStatus { kOk, kMissing, kError };

// Profile files are small; anything larger than this is not one and is not loaded.
constexpr off_t kMaxProfileBytes = 64 * 1024 * 1024;

// Reads a whole regular file. A file that does not exist is kMissing; anything that
// exists but cannot be read as a regular file of at most kMaxProfileBytes is kError.
ReadStatus ReadFileBytes(const std::string& path, std::string& bytes, struct stat* info = nullptr) {
  bytes.clear();
  // O_NONBLOCK keeps a FIFO at the path from blocking the open; it does nothing for
  // regular files.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::kMissing : ReadStatus::kError;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxProfileBytes) {
    ::close(fd);
    return ReadStatus::kError;
  }
  if (info != nullptr) *info = st;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {  // the file grew while being read
      if (got >= static_cast<std::size_t>(kMaxProfileBytes)) {
        ::close(fd);
        bytes.clear();
        return ReadStatus::kError;
      }
      bytes.resize(bytes.size() + 4096 + bytes.size() / 2);
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes.clear();
      return ReadStatus::kError;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return ReadStatus::kOk;
}

enum class Encoding { kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be };

Encoding DetectEncoding(std::string_view bytes) {
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    return Encoding::kUtf8Bom;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return Encoding::kUtf16Le;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    return Encoding::kUtf16Be;
  }
  return Encoding::kUtf8;
}

std::u16string DecodeUtf16(std::string_view bytes, bool littleEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  std::size_t i = 2;  // after the byte order mark
  for (; i + 1 < bytes.size(); i += 2) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<char16_t>(littleEndian ? (b0 | (b1 << 8)) : ((b0 << 8) | b1)));
  }
  if (i < bytes.size()) out.push_back(u'\uFFFD');  // a dangling odd byte
  return out;
}

std::u16string DecodeText(std::string_view bytes) {
  switch (DetectEncoding(bytes)) {
    case Encoding::kUtf8Bom:
      return FromUtf8(bytes.substr(3));
    case Encoding::kUtf16Le:
      return DecodeUtf16(bytes, true);
    case Encoding::kUtf16Be:
      return DecodeUtf16(bytes, false);
    case Encoding::kUtf8:
      break;
  }
  return FromUtf8(bytes);
}

// ---------------------------------------------------------------------------------------
// Lines

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string_view TrimRight(std::u16string_view s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

// Walks the lines of a text; a line ends at LF, CR LF or a lone CR.
class LineCursor {
 public:
  explicit LineCursor(std::u16string_view text) : text_(text) {}
  bool Next(std::u16string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != u'\n' && text_[end] != u'\r') ++end;
    line = text_.substr(pos_, end - pos_);
    if (end < text_.size()) {
      if (text_[end] == u'\r' && end + 1 < text_.size() && text_[end + 1] == u'\n') ++end;
      ++end;
    }
    pos_ = end;
    return true;
  }
  // Offset of the line Next will return.
  std::size_t Position() const { return pos_; }

 private:
  std::u16string_view text_;
  std::size_t pos_ = 0;
};

enum class LineKind { kBlank, kComment, kSection, kKeyValue, kOther };

struct LineInfo {
  LineKind kind = LineKind::kBlank;
  std::u16string_view trimmed;  // the whole line without surrounding blanks
  std::u16string_view name;     // section name or key name, trimmed
  std::u16string_view value;    // value of a key line, trimmed (quotes kept)
};

// A section header is '[' ... ']' with the name up to the last ']'; a '[' line without
// ']' is an ordinary line of the current section.
LineInfo ClassifyLine(std::u16string_view line) {
  LineInfo info;
  info.trimmed = Trim(line);
  const std::u16string_view t = info.trimmed;
  if (t.empty()) return info;
  if (t.front() == u';') {
    info.kind = LineKind::kComment;
    return info;
  }
  if (t.front() == u'[') {
    const std::size_t close = t.rfind(u']');
    if (close != std::u16string_view::npos && close > 0) {
      info.kind = LineKind::kSection;
      info.name = Trim(t.substr(1, close - 1));
      return info;
    }
  }
  const std::size_t eq = t.find(u'=');
  if (eq != std::u16string_view::npos) {
    info.kind = LineKind::kKeyValue;
    info.name = Trim(t.substr(0, eq));
    info.value = Trim(t.substr(eq + 1));
    return info;
  }
  info.kind = LineKind::kOther;
  return info;
}

std::u16string_view StripQuotes(std::u16string_view v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// ---------------------------------------------------------------------------------------
// Parsed files and the cache of them

// The decoded text of a file and where its sections are, so that a lookup walks only the
// lines of the section it needs.
struct ParsedProfile {
  struct Section {
    std::u16string name;  // trimmed, as written
    std::size_t begin;    // first character after the header line
    std::size_t end;      // start of the next header line, or the end of the text
  };
  using Lines = std::vector<std::u16string>;
  std::u16string text;
  std::vector<Section> sections;                          // every header, in file order
  std::unordered_map<std::u16string, std::size_t> first;  // lower-case name -> first section
  // The lines of sections already read: callers read a long section again and again
  // with growing buffers. Guarded, as a parsed file is shared between threads.
  mutable std::mutex linesMutex;
  mutable std::unordered_map<std::size_t, std::shared_ptr<const Lines>> linesBySection;
};

std::shared_ptr<const ParsedProfile> Parse(std::u16string text) {
  auto p = std::make_shared<ParsedProfile>();
  p->text = std::move(text);
  LineCursor cursor(p->text);
  std::u16string_view line;
  std::size_t lineStart = 0;
  while (cursor.Next(line)) {
    const LineInfo info = ClassifyLine(line);
    if (info.kind == LineKind::kSection) {
      if (!p->sections.empty()) p->sections.back().end = lineStart;
      p->sections.push_back({std::u16string(info.name), cursor.Position(), p->text.size()});
      p->first.emplace(ToLowerAscii(info.name), p->sections.size() - 1);
    }
    lineStart = cursor.Position();
  }
  return p;
}

std::int64_t Nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         Nanoseconds(a.st_mtim) == Nanoseconds(b.st_mtim) &&
         Nanoseconds(a.st_ctim) == Nanoseconds(b.st_ctim);
}

// File times advance in coarse steps (a clock tick, or whole seconds on some file
// systems), so a file changed again within the same step keeps its times. A parsed copy
// is therefore kept only for a file whose last change lies well in the past: any later
// change then carries newer times and is noticed.
bool SettledLongAgo(const struct stat& st) {
  constexpr std::int64_t kSettleNs = 3'000'000'000;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t newest = std::max(Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim));
  return Nanoseconds(now) - newest > kSettleNs;
}

// The last few files read, so that reading a file section by section (or a section with
// ever larger buffers) does not decode the whole file on every call. Each use checks
// the file's identity, size and times first.
class ProfileCache {
 public:
  std::shared_ptr<const ParsedProfile> Find(const std::string& path, const struct stat& st) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->path != path) continue;
      if (!SameFile(it->st, st)) {
        entries_.erase(it);
        return nullptr;
      }
      std::rotate(it, it + 1, entries_.end());  // most recently used last
      return entries_.back().profile;
    }
    return nullptr;
  }
  void Store(const std::string& path, const struct stat& st,
             std::shared_ptr<const ParsedProfile> profile) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.path == path; });
    if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin());
    entries_.push_back({path, st, std::move(profile)});
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
  }

 private:
  static constexpr std::size_t kMaxEntries = 8;
  struct Entry {
    std::string path;
    struct stat st;
    std::shared_ptr<const ParsedProfile> profile;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

ProfileCache& Cache() {
  static ProfileCache cache;
  return cache;
}

// The parsed file; a missing or unreadable file reads like a file without sections.
std::shared_ptr<const ParsedProfile> LoadProfile(std::u16string_view file) {
  static const std::shared_ptr<const ParsedProfile> kEmpty = std::make_shared<ParsedProfile>();
  if (file.empty()) return kEmpty;
  const std::string path = ToUtf8(file);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kEmpty;
  if (auto cached = Cache().Find(path, st)) return cached;
  std::string bytes;
  struct stat readSt {};
  if (ReadFileBytes(path, bytes, &readSt) != ReadStatus::kOk) return kEmpty;
  auto parsed = Parse(DecodeText(bytes));
  if (SettledLongAgo(readSt)) Cache().Store(path, readSt, parsed);
  return parsed;
}

// ---------------------------------------------------------------------------------------
// Lookups

// Calls visit(info) for every line of the first section named `section`; visit returns
// false to stop early. Returns whether the section exists.
template <typename Visit>
bool ForEachLineOfSection(const ParsedProfile& p, std::u16string_view section, Visit visit) {
  const auto found = p.first.find(ToLowerAscii(Trim(section)));
  if (found == p.first.end()) return false;
  const ParsedProfile::Section& s = p.sections[found->second];
  LineCursor cursor(std::u16string_view(p.text).substr(s.begin, s.end - s.begin));
  std::u16string_view line;
  while (cursor.Next(line)) {
    if (!visit(ClassifyLine(line))) break;
  }
  return true;
}

std::optional<std::u16string_view> FindValue(const ParsedProfile& p, std::u16string_view section,
                                             std::u16string_view key) {
  const std::u16string_view wanted = Trim(key);
  std::optional<std::u16string_view> found;
  ForEachLineOfSection(p, section, [&](const LineInfo& info) {
    if (info.kind == LineKind::kKeyValue && EqualsNoCase(info.name, wanted)) {
      found = StripQuotes(info.value);
      return false;
    }
    return true;
  });
  return found;
}

std::vector<std::u16string> SectionNames(const ParsedProfile& p) {
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < p.sections.size(); ++i) {
    const std::u16string& name = p.sections[i].name;
    // An empty name cannot be listed: its terminator would end the list early.
    if (name.empty() || p.first.at(ToLowerAscii(name)) != i) continue;
    names.push_back(name);
  }
  return names;
}

std::vector<std::u16string> KeyNames(const ParsedProfile& p, std::u16string_view section) {
  std::vector<std::u16string> names;
  std::unordered_set<std::u16string> seen;
  ForEachLineOfSection(p, section, [&](const LineInfo& info) {
    if (info.kind == LineKind::kKeyValue && !info.name.empty() &&
        seen.insert(ToLowerAscii(info.name)).second) {
      names.emplace_back(info.name);
    }
    return true;
  });
  return names;
}

std::shared_ptr<const ParsedProfile::Lines> SectionLines(const ParsedProfile& p,
                                                        std::u16string_view section) {
  static const auto kNone = std::make_shared<const ParsedProfile::Lines>();
  const auto found = p.first.find(ToLowerAscii(Trim(section)));
  if (found == p.first.end()) return kNone;
  {
    std::lock_guard<std::mutex> lock(p.linesMutex);
    const auto known = p.linesBySection.find(found->second);
    if (known != p.linesBySection.end()) return known->second;
  }
  auto lines = std::make_shared<ParsedProfile::Lines>();
  ForEachLineOfSection(p, section, [&](const LineInfo& info) {
    if (info.kind == LineKind::kKeyValue) {
      std::u16string l(info.name);
      l += u'=';
      l += info.value;
      lines->push_back(std::move(l));
    } else if (info.kind == LineKind::kOther) {
      lines->emplace_back(info.trimmed);
    }
    return true;
  });
  std::lock_guard<std::mutex> lock(p.linesMutex);
  return p.linesBySection.emplace(found->second, std::move(lines)).first->second;
}

// ---------------------------------------------------------------------------------------
// Copying into callers' buffers

std::uint32_t CopyString(std::u16string_view s, char16_t* out, std::uint32_t size) {
  if (out == nullptr || size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(s.size(), size - 1);
  std::copy_n(s.data(), n, out);
  out[n] = u'\0';
  return static_cast<std::uint32_t>(n);
}

// A list of NUL-terminated items ended by a second NUL. When the items do not fit with
// room to spare, the list is cut after size - 2 characters, closed with two NULs, and
// size - 2 is returned, so callers can tell a full buffer by that value.
std::uint32_t CopyList(const std::vector<std::u16string>& items, char16_t* out, std::uint32_t size) {
  if (out == nullptr || size == 0) return 0;
  if (size == 1) {
    out[0] = u'\0';
    return 0;
  }
  std::size_t total = 0;
  for (const auto& item : items) total += item.size() + 1;
  const std::size_t limit = size - 2;
  if (total <= limit) {
    std::size_t pos = 0;
    for (const auto& item : items) {
      std::copy(item.begin(), item.end(), out + pos);
      pos += item.size();
      out[pos++] = u'\0';
    }
    // Both characters after the returned count are NULs, whether the list fitted or was
    // cut (total <= size - 2 leaves room for the second one).
    out[pos] = u'\0';
    out[pos + 1] = u'\0';
    return static_cast<std::uint32_t>(total);
  }
  std::size_t pos = 0;
  for (const auto& item : items) {
    if (pos >= limit) break;
    const std::size_t n = std::min(item.size(), limit - pos);
    std::copy_n(item.data(), n, out + pos);
    pos += n;
    if (pos < limit) out[pos++] = u'\0';
  }
  out[limit] = u'\0';
  out[limit + 1] = u'\0';
  return static_cast<std::uint32_t>(limit);
}

// Integer reading of profile values: blanks, sign, "0x" hexadecimal or decimal leading
// digits; the result wraps modulo 2^32 so "0xFFFFFFFF" reads -1.
std::int32_t ParseProfileInt(std::u16string_view v) {
  std::size_t i = 0;
  while (i < v.size() && IsBlank(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == u'+' || v[i] == u'-')) {
    negative = v[i] == u'-';
    ++i;
  }
  std::uint32_t value = 0;
  if (i + 1 < v.size() && v[i] == u'0' && (v[i + 1] == u'x' || v[i + 1] == u'X')) {
    for (i += 2; i < v.size(); ++i) {
      const char16_t c = v[i];
      std::uint32_t d;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
      else break;
      value = (value << 4) | d;
    }
  } else {
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) value = value * 10u + (v[i] - u'0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::u16string_view View(const char16_t* s) {
  return s == nullptr ? std::u16string_view() : std::u16string_view(s);
}

// ---------------------------------------------------------------------------------------
// Writing

// One line of a file being rewritten: its bytes (UTF-8, without terminator) and the
// terminator it had ("" for a last line without one).
struct RawLine {
  std::string bytes;
  std::string eol;
};

struct EditableFile {
  std::string bom;  // a UTF-8 byte order mark that the file had, kept as it was
  std::vector<RawLine> lines;
  std::string eol = "\n";  // terminator for new lines: the file's own style
};

EditableFile SplitForEdit(const std::string& bytes) {
  EditableFile f;
  std::string utf8;
  std::string_view body;
  switch (DetectEncoding(bytes)) {
    case Encoding::kUtf8Bom:
      f.bom = bytes.substr(0, 3);
      body = std::string_view(bytes).substr(3);
      break;
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      // A UTF-16 file is rewritten as UTF-8.
      utf8 = ToUtf8(DecodeText(bytes));
      body = utf8;
      break;
    case Encoding::kUtf8:
      body = bytes;
      break;
  }
  bool eolChosen = false;
  std::size_t pos = 0;
  while (pos < body.size()) {
    std::size_t end = body.find_first_of("\r\n", pos);
    RawLine line;
    if (end == std::string_view::npos) {
      line.bytes = std::string(body.substr(pos));
      pos = body.size();
    } else {
      line.bytes = std::string(body.substr(pos, end - pos));
      std::size_t next = end + 1;
      if (body[end] == '\r' && next < body.size() && body[next] == '\n') ++next;
      line.eol = std::string(body.substr(end, next - end));
      pos = next;
      if (!eolChosen) {
        f.eol = line.eol;
        eolChosen = true;
      }
    }
    f.lines.push_back(std::move(line));
  }
  return f;
}

std::string JoinForWrite(const EditableFile& f) {
  std::size_t total = f.bom.size();
  for (const auto& l : f.lines) total += l.bytes.size() + l.eol.size();
  std::string out;
  out.reserve(total + f.eol.size());
  out += f.bom;
  for (const auto& l : f.lines) {
    out += l.bytes;
    out += l.eol;
  }
  return out;
}

struct ClassifiedLine {
  LineKind kind;
  std::u16string name;
};

ClassifiedLine Classify(const RawLine& line) {
  const std::u16string text = FromUtf8(line.bytes);
  const LineInfo info = ClassifyLine(text);
  return {info.kind, std::u16string(info.name)};
}

bool IsBlankOrComment(LineKind k) { return k == LineKind::kBlank || k == LineKind::kComment; }

// Applies one write to the lines; returns whether anything changed.
bool ApplyEdit(EditableFile& f, std::u16string_view section, const std::u16string* key,
               const std::u16string* value) {
  std::vector<ClassifiedLine> kinds;
  kinds.reserve(f.lines.size());
  for (const auto& l : f.lines) kinds.push_back(Classify(l));

  // [begin, end) line ranges of every section with the wanted name, header included.
  std::vector<std::pair<std::size_t, std::size_t>> ranges;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (kinds[i].kind != LineKind::kSection || !EqualsNoCase(kinds[i].name, section)) continue;
    std::size_t e = i + 1;
    while (e < kinds.size() && kinds[e].kind != LineKind::kSection) ++e;
    ranges.emplace_back(i, e);
  }

  if (key == nullptr) {
    // Removing a section removes every section of that name, so that none of its keys
    // reappear from a later duplicate.
    if (ranges.empty()) return false;
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
      std::size_t b = it->first;
      const std::size_t e = it->second;
      if (e == f.lines.size()) {
        // The last section of the file: drop the blank lines that only separated it.
        while (b > 0 && kinds[b - 1].kind == LineKind::kBlank) --b;
      }
      f.lines.erase(f.lines.begin() + static_cast<std::ptrdiff_t>(b),
                    f.lines.begin() + static_cast<std::ptrdiff_t>(e));
      kinds.erase(kinds.begin() + static_cast<std::ptrdiff_t>(b),
                  kinds.begin() + static_cast<std::ptrdiff_t>(e));
    }
    return true;
  }

  const std::u16string keyName(Trim(*key));
  if (value == nullptr) {
    // Removing a key removes each of its lines in the section that reads see.
    if (ranges.empty()) return false;
    bool changed = false;
    for (std::size_t i = ranges[0].second; i-- > ranges[0].first + 1;) {
      if (kinds[i].kind == LineKind::kKeyValue && EqualsNoCase(kinds[i].name, keyName)) {
        f.lines.erase(f.lines.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
      }
    }
    return changed;
  }

  const std::string valueBytes = ToUtf8(*value);
  if (!ranges.empty()) {
    const auto [b, e] = ranges[0];
    for (std::size_t i = b + 1; i < e; ++i) {
      if (kinds[i].kind != LineKind::kKeyValue || !EqualsNoCase(kinds[i].name, keyName)) continue;
      // Keep everything up to the value as it was: the key's spelling and the spacing.
      std::string& bytes = f.lines[i].bytes;
      std::size_t valueStart = bytes.find('=') + 1;
      while (valueStart < bytes.size() && (bytes[valueStart] == ' ' || bytes[valueStart] == '\t')) {
        ++valueStart;
      }
      std::string replaced = bytes.substr(0, valueStart) + valueBytes;
      if (replaced == bytes) return false;
      bytes = std::move(replaced);
      return true;
    }
    // A new key goes after the last entry of the section, before the blank lines and
    // comments that lead to the next section.
    std::size_t at = b + 1;
    for (std::size_t i = b + 1; i < e; ++i) {
      if (!IsBlankOrComment(kinds[i].kind)) at = i + 1;
    }
    if (f.lines[at - 1].eol.empty()) f.lines[at - 1].eol = f.eol;
    f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(at),
                   RawLine{ToUtf8(keyName) + "=" + valueBytes, f.eol});
    return true;
  }

  // A new section at the end, set off from the text before it by one blank line.
  if (!f.lines.empty()) {
    if (f.lines.back().eol.empty()) f.lines.back().eol = f.eol;
    if (kinds.back().kind != LineKind::kBlank) f.lines.push_back(RawLine{"", f.eol});
  }
  f.lines.push_back(RawLine{"[" + ToUtf8(Trim(section)) + "]", f.eol});
  f.lines.push_back(RawLine{ToUtf8(keyName) + "=" + valueBytes, f.eol});
  return true;
}

bool ContainsLineBreakOrNul(std::u16string_view s) {
  return s.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

// An unpaired surrogate would be written as U+FFFD and read back as another text.
bool IsStorable(std::u16string_view s) { return !ContainsLineBreakOrNul(s) && !HasUnpairedSurrogate(s); }

// Names and values that would change the structure of the file when written (a line
// break starts a new line, '=' in a key moves the split, ';' or '[' at the start of a
// key turns the line into a comment or a header), or that the file cannot hold as they
// are, are refused rather than written.
bool IsWritable(std::u16string_view section, const std::u16string* key, const std::u16string* value) {
  if (Trim(section).empty() || !IsStorable(section)) return false;
  if (key != nullptr) {
    const std::u16string_view k = Trim(*key);
    if (k.empty() || !IsStorable(k) || k.find(u'=') != std::u16string_view::npos || k.front() == u';' ||
        k.front() == u'[') {
      return false;
    }
  }
  if (value != nullptr && !IsStorable(*value)) return false;
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writers of this process take this mutex; writers of other processes are kept apart by
// an exclusive flock on the folder that holds the file. The folder is locked rather than
// the file because the file is replaced by a rename (a lock on the old file would not
// stop a second writer that opened the new one) and may not exist yet, and locking the
// folder leaves no lock files behind.
std::mutex& WriteMutex() {
  static std::mutex m;
  return m;
}

class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    int rc;
    do {
      rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// One change as the writers take it: null key removes the section, null value the key.
struct Edit {
  std::u16string_view section;
  const std::u16string* key;
  const std::u16string* value;
};

// Applies the edits to the file in one replacement under the folder's lock.
bool WriteProfile(const std::vector<Edit>& edits, std::u16string_view file) {
  if (file.empty() || ContainsLineBreakOrNul(file)) return false;
  for (const Edit& e : edits) {
    if (!IsWritable(e.section, e.key, e.value)) return false;
  }
  std::string path = ToUtf8(file);

  std::lock_guard<std::mutex> guard(WriteMutex());
  // Write through a symbolic link to its target instead of replacing the link.
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  FolderLock lock(FolderOf(path));
  if (!lock.Held()) return false;

  std::string bytes;
  const ReadStatus status = ReadFileBytes(path, bytes);
  if (status == ReadStatus::kError) return false;  // never overwrite what we could not read

  EditableFile edit = SplitForEdit(bytes);
  bool changed = false;
  for (const Edit& e : edits) changed = ApplyEdit(edit, Trim(e.section), e.key, e.value) || changed;
  // Nothing to do (the values are already there, or what is to be removed is absent):
  // the file stays untouched.
  if (!changed) return true;
  if (!ReplaceFileAtomically(path, JoinForWrite(edit))) return false;
  Cache().Clear();
  return true;
}

bool WriteProfile(std::u16string_view section, const std::u16string* key,
                  const std::u16string* value, std::u16string_view file) {
  return WriteProfile(std::vector<Edit>{{section, key, value}}, file);
}

}  // namespace

std::uint32_t GetPrivateProfileStringW(const char16_t* section, const char16_t* key,
                                       const char16_t* def, char16_t* out, std::uint32_t size,
                                       const char16_t* file) {
  if (out == nullptr || size == 0) return 0;
  const auto profile = LoadProfile(View(file));
  if (section == nullptr) return CopyList(SectionNames(*profile), out, size);
  if (key == nullptr) return CopyList(KeyNames(*profile, section), out, size);
  const auto value = FindValue(*profile, section, key);
  if (value) return CopyString(*value, out, size);
  return CopyString(TrimRight(View(def)), out, size);
}

std::int32_t GetPrivateProfileIntW(const char16_t* section, const char16_t* key, std::int32_t def,
                                   const char16_t* file) {
  if (section == nullptr || key == nullptr) return def;
  return ProfileInt(section, key, def, View(file));
}

std::uint32_t GetPrivateProfileSectionW(const char16_t* section, char16_t* out, std::uint32_t size,
                                        const char16_t* file) {
  if (out == nullptr || size == 0) return 0;
  if (section == nullptr) return CopyList({}, out, size);
  return CopyList(*SectionLines(*LoadProfile(View(file)), section), out, size);
}

std::uint32_t GetPrivateProfileSectionNamesW(char16_t* out, std::uint32_t size,
                                             const char16_t* file) {
  if (out == nullptr || size == 0) return 0;
  return CopyList(ProfileSectionNames(View(file)), out, size);
}

bool WritePrivateProfileStringW(const char16_t* section, const char16_t* key,
                                const char16_t* value, const char16_t* file) {
  if (section == nullptr || file == nullptr) return false;
  std::optional<std::u16string> k;
  std::optional<std::u16string> v;
  if (key != nullptr) k.emplace(key);
  if (value != nullptr) v.emplace(value);
  return WriteProfile(section, k ? &*k : nullptr, v ? &*v : nullptr, file);
}

std::u16string ProfileString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view def, std::u16string_view file) {
  const auto profile = LoadProfile(file);
  const auto value = FindValue(*profile, section, key);
  return std::u16string(value ? *value : TrimRight(def));
}

std::int32_t ProfileInt(std::u16string_view section, std::u16string_view key, std::int32_t def,
                        std::u16string_view file) {
  const auto profile = LoadProfile(file);
  const auto value = FindValue(*profile, section, key);
  if (!value || value->empty()) return def;
  return ParseProfileInt(*value);
}

std::vector<std::u16string> ProfileSectionLines(std::u16string_view section,
                                                std::u16string_view file) {
  return *SectionLines(*LoadProfile(file), section);
}

std::size_t ForEachProfileSectionLine(std::u16string_view section, std::u16string_view file,
                                      const std::function<void(std::u16string_view line)>& visit) {
  // The parsed file keeps the lines alive while they are visited.
  const std::shared_ptr<const ParsedProfile> profile = LoadProfile(file);
  const std::shared_ptr<const ParsedProfile::Lines> lines = SectionLines(*profile, section);
  for (const std::u16string& line : *lines) visit(line);
  return lines->size();
}

std::vector<std::u16string> ProfileSectionNames(std::u16string_view file) {
  return SectionNames(*LoadProfile(file));
}

bool ProfileWriteChanges(std::u16string_view file, const std::vector<ProfileChange>& changes) {
  std::vector<Edit> edits;
  edits.reserve(changes.size());
  for (const ProfileChange& c : changes) {
    edits.push_back({c.section, c.key ? &*c.key : nullptr, c.value ? &*c.value : nullptr});
  }
  return WriteProfile(edits, file);
}

bool ProfileWrite(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                  std::u16string_view file) {
  const std::u16string k(key);
  const std::u16string v(value);
  return WriteProfile(section, &k, &v, file);
}

}  // namespace plat
