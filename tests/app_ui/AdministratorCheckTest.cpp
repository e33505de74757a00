#include "app/AdministratorCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

// A machine with the given groups (name -> id).
std::function<std::optional<gid_t>(const char*)> Machine(std::map<std::string, gid_t> groups) {
  return [groups](const char* name) -> std::optional<gid_t> {
    const auto it = groups.find(name);
    if (it == groups.end()) return std::nullopt;
    return it->second;
  };
}

TEST(AdministratorCheck, SuperUserIsAdministratorWithoutAnyGroup) {
  EXPECT_TRUE(IsAdministrator(0, {}, Machine({})));
}

TEST(AdministratorCheck, MemberOfAnAdministeringGroupIsAdministrator) {
  const auto machine = Machine({{"lpadmin", 120}, {"sudo", 27}, {"wheel", 10}, {"admin", 115}, {"users", 100}});
  for (const gid_t group : {120u, 27u, 10u, 115u}) {
    EXPECT_TRUE(IsAdministrator(1000, {100, group}, machine)) << "group " << group;
  }
}

TEST(AdministratorCheck, OrdinaryUserIsRefused) {
  const auto machine = Machine({{"lpadmin", 120}, {"sudo", 27}, {"users", 100}});
  EXPECT_FALSE(IsAdministrator(1000, {100, 1000}, machine));
  // Only the ids the machine gives the administering groups count.
  EXPECT_FALSE(IsAdministrator(1000, {121}, machine));
  EXPECT_FALSE(IsAdministrator(1000, {10, 115}, machine));  // no "wheel" or "admin" here
}

}  // namespace
