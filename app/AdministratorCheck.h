#pragma once
// Who may run the program: the administrator of the machine. On this platform that is
// the super-user (effective user id 0) or a member of one of the groups that administer
// printers or the system: lpadmin, sudo, wheel, admin.
//
// No Qt here. Any thread.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <vector>

// The groups whose members count as administrators.
inline constexpr const char* kAdministratorGroups[] = {"lpadmin", "sudo", "wheel", "admin"};

// The decision on given facts: the effective user id, the process's group ids
// (effective group id included) and a lookup of a group's id by name (none when the
// group does not exist on this machine).
bool IsAdministrator(uid_t effectiveUid, const std::vector<gid_t>& groups,
                     const std::function<std::optional<gid_t>(const char*)>& groupIdOf);

// The decision for this process: geteuid, getegid and getgroups, groups looked up with
// getgrnam.
bool IsAdministratorProcess();
