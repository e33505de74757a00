#pragma once
// Which battery picture the status pane shows for a battery code of the communication
// library: (level << 8) | source, the source '0' for external power, the level '0'
// (empty) to '6' (full).
//
// No Qt here. Pure functions, any thread.
#include <cstdint>
#include <optional>

// Source byte of a printer on external power.
inline constexpr std::uint8_t kBatterySourceExternal = '0';

// The picture (res/ResourceIds.h, IDB_BATTERY_*) for code. scaleIsFine is the
// application's battery scale flag compared with 1: with it, levels 1 to 3 show one
// picture higher. Nothing for a level byte outside '0'..'6' (the picture stays as it
// is).
std::optional<int> BatteryPictureFor(std::uint16_t code, bool scaleIsFine);

// True for the pictures that tell the user the battery is running out.
bool IsLowBatteryPicture(int picture);
