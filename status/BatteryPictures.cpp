#include "status/BatteryPictures.h"

#include "res/ResourceIds.h"

namespace {

struct LevelPictures {
  std::uint8_t level;
  int fine;    // battery scale flag 1
  int coarse;  // any other flag
};

constexpr LevelPictures kLevelPictures[] = {
    {'0', IDB_BATTERY_EMPTY, IDB_BATTERY_EMPTY},
    {'1', IDB_BATTERY_LOW, IDB_BATTERY_EMPTY},
    {'2', IDB_BATTERY_ONE_THIRD, IDB_BATTERY_LOW},
    {'3', IDB_BATTERY_TWO_THIRDS, IDB_BATTERY_ONE_THIRD},
    {'4', IDB_BATTERY_TWO_THIRDS, IDB_BATTERY_TWO_THIRDS},
    {'5', IDB_BATTERY_FULL, IDB_BATTERY_FULL},
    {'6', IDB_BATTERY_FULL, IDB_BATTERY_FULL},
};

}  // namespace

std::optional<int> BatteryPictureFor(std::uint16_t code, bool scaleIsFine) {
  const auto source = static_cast<std::uint8_t>(code & 0xFFu);
  const auto level = static_cast<std::uint8_t>(code >> 8);
  if (source == kBatterySourceExternal) return IDB_BATTERY_EXTERNAL;
  for (const LevelPictures& row : kLevelPictures) {
    if (row.level == level) return scaleIsFine ? row.fine : row.coarse;
  }
  return std::nullopt;
}

bool IsLowBatteryPicture(int picture) { return picture == IDB_BATTERY_LOW || picture == IDB_BATTERY_EMPTY; }
