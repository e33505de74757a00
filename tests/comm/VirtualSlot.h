#pragma once
// The position of a virtual operation in its class's dispatch table, counted the way the
// interfaces number them: the destructor is slot 0 and the operations follow in
// declaration order. Interfaces handed across library boundaries (to the information
// libraries and to plug-ins) are called through these positions, so tests pin them.
//
// Read from a pointer to the member as this platform's C++ ABI lays it out (GCC and
// Clang on Linux): for a virtual operation it holds 1 + the byte offset of its entry,
// and the destructor takes two entries (complete and deleting). -1 for an operation
// that is not virtual.
#include <cstddef>
#include <cstring>

template <typename Member>
std::ptrdiff_t VirtualSlot(Member member) {
  static_assert(sizeof(Member) == 2 * sizeof(std::ptrdiff_t),
                "a pointer to a member operation is an offset and an adjustment");
  std::ptrdiff_t raw[2];
  std::memcpy(raw, &member, sizeof raw);
  if ((raw[0] & 1) == 0) return -1;
  constexpr std::ptrdiff_t kDestructorEntries = 2;
  const std::ptrdiff_t entry = (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
  return entry - kDestructorEntries + 1;
}
