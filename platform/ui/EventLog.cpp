#include "platform/ui/EventLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>

#include "platform/Text.h"
#include "platform/ui/MessageBox.h"

namespace plat {
namespace {

const char* LogPath() {
  const char* path = std::getenv(kEventLogVariable);
  return (path != nullptr && path[0] != '\0') ? path : nullptr;
}

std::string_view AnswerName(int answer) {
  switch (answer) {
    case IDYES: return "yes";
    case IDNO: return "no";
    case IDCANCEL: return "cancel";
    default: return "ok";
  }
}

bool EqualsNoCaseAscii(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    char ca = *a, cb = *b;
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
    if (ca != cb) return false;
  }
  return *a == *b;
}

}  // namespace

std::string EscapeEventField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c; break;
    }
  }
  return out;
}

bool EventLogEnabled() { return LogPath() != nullptr; }

void LogEvent(std::string_view event, std::initializer_list<std::u16string_view> fields) {
  LogEvent(event, std::vector<std::u16string_view>(fields));
}

void LogEvent(std::string_view event, const std::vector<std::u16string_view>& fields) {
  const char* path = LogPath();
  if (path == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char time[32];
  std::snprintf(time, sizeof time, "\t%lld.%06ld\t", static_cast<long long>(now.tv_sec), now.tv_nsec / 1000);
  std::string line = std::to_string(static_cast<long>(getpid()));
  line += time;
  line += EscapeEventField(event);
  for (const std::u16string_view field : fields) {
    line += '\t';
    line += EscapeEventField(ToUtf8(field));
  }
  line += '\n';
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  // One write per line: with O_APPEND the line lands whole at the end of the file.
  const ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  close(fd);
}

std::optional<EventLine> ParseEventLine(std::string_view line) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      parts.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      parts.back() += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    } else {
      parts.back() += c;
    }
  }
  if (parts.size() < 3 || parts[2].empty()) return std::nullopt;
  EventLine parsed;
  char* end = nullptr;
  parsed.pid = std::strtol(parts[0].c_str(), &end, 10);
  if (parts[0].empty() || *end != '\0') return std::nullopt;
  parsed.seconds = std::strtod(parts[1].c_str(), &end);
  if (parts[1].empty() || *end != '\0') return std::nullopt;
  parsed.name = std::move(parts[2]);
  parsed.fields.assign(std::make_move_iterator(parts.begin() + 3), std::make_move_iterator(parts.end()));
  return parsed;
}

AutomaticAnswer ParseAutomaticAnswer(const char* value) {
  if (value == nullptr || value[0] == '\0') return AutomaticAnswer::kNone;
  if (EqualsNoCaseAscii(value, "ok")) return AutomaticAnswer::kOk;
  if (EqualsNoCaseAscii(value, "yes")) return AutomaticAnswer::kYes;
  if (EqualsNoCaseAscii(value, "no")) return AutomaticAnswer::kNo;
  if (EqualsNoCaseAscii(value, "cancel")) return AutomaticAnswer::kCancel;
  return AutomaticAnswer::kInvalid;
}

bool AutomaticAnswersEnabled() {
  const AutomaticAnswer answer = ParseAutomaticAnswer(std::getenv(kMessageBoxAnswerVariable));
  return answer == AutomaticAnswer::kOk || answer == AutomaticAnswer::kYes || answer == AutomaticAnswer::kNo ||
         answer == AutomaticAnswer::kCancel;
}

int AutomaticAnswerFor(AutomaticAnswer answer, unsigned type) {
  const unsigned buttons = type & 0x0F;
  if (buttons != MB_YESNO && buttons != MB_YESNOCANCEL) return IDOK;
  if (answer == AutomaticAnswer::kCancel) return buttons == MB_YESNOCANCEL ? IDCANCEL : IDNO;
  return answer == AutomaticAnswer::kNo ? IDNO : IDYES;
}

bool InstallMessageBoxAutomation() {
  const AutomaticAnswer answer = ParseAutomaticAnswer(std::getenv(kMessageBoxAnswerVariable));
  if (answer == AutomaticAnswer::kInvalid) {
    std::fprintf(stderr, "%s must be ok, yes, no or cancel; message boxes are shown as usual\n",
                 kMessageBoxAnswerVariable);
  }
  const bool answering = answer == AutomaticAnswer::kOk || answer == AutomaticAnswer::kYes ||
                         answer == AutomaticAnswer::kNo || answer == AutomaticAnswer::kCancel;
  if (!answering && !EventLogEnabled()) return false;

  // The hook must be able to show the real box: it steps aside while the box runs and
  // comes back afterwards (boxes are modal on the UI thread, so nothing else runs a box
  // meanwhile).
  struct Hook {
    static int Run(AutomaticAnswer automatic, const MessageBoxRequest& request) {
      int result;
      if (automatic == AutomaticAnswer::kOk || automatic == AutomaticAnswer::kYes ||
          automatic == AutomaticAnswer::kNo || automatic == AutomaticAnswer::kCancel) {
        result = AutomaticAnswerFor(automatic, request.type);
      } else {
        MessageBoxInterceptor self = SetMessageBoxInterceptor({});
        result = ShowMessageBox(request.owner, request.text, request.caption, request.type);
        SetMessageBoxInterceptor(std::move(self));
      }
      const std::string name(AnswerName(result));
      LogEvent(kEventMessageBox, {request.caption, request.text, FromUtf8(name)});
      return result;
    }
  };
  SetMessageBoxInterceptor([answer](const MessageBoxRequest& request) { return Hook::Run(answer, request); });
  return true;
}

}  // namespace plat
