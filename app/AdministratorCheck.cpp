#include "app/AdministratorCheck.h"

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {
constexpr uid_t kSuperUser = 0;
}  // namespace

bool IsAdministrator(uid_t effectiveUid, const std::vector<gid_t>& groups,
                     const std::function<std::optional<gid_t>(const char*)>& groupIdOf) {
  if (effectiveUid == kSuperUser) return true;
  for (const char* name : kAdministratorGroups) {
    const std::optional<gid_t> id = groupIdOf ? groupIdOf(name) : std::nullopt;
    if (id && std::find(groups.begin(), groups.end(), *id) != groups.end()) return true;
  }
  return false;
}

bool IsAdministratorProcess() {
  std::vector<gid_t> groups;
  const int count = getgroups(0, nullptr);
  if (count > 0) {
    groups.resize(static_cast<std::size_t>(count));
    const int filled = getgroups(count, groups.data());
    groups.resize(filled > 0 ? static_cast<std::size_t>(filled) : 0);
  }
  groups.push_back(getegid());
  return IsAdministrator(geteuid(), groups, [](const char* name) -> std::optional<gid_t> {
    // getgrnam_r: other threads may look up groups at the same time.
    std::vector<char> buffer(16384);
    group entry {};
    group* found = nullptr;
    while (getgrnam_r(name, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 22)) {
      buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr) return std::nullopt;
    return found->gr_gid;
  });
}
