#pragma once
// Keeps the printer's non-volatile settings (customized values, memory switches, NV
// graphics, logo images) in a small text file so that they survive a restart of the
// simulator process, as a real printer keeps them across power cycles.
//
// Format, one item per line, '#' lines ignored:
//   xjk52-sim-state 1
//   value <number> <value>
//   switch <number> <8 characters '0'/'1', bit 8 first>
//   nv <key as 4 hex digits> <width> <height> <data in hex>
//   logo <x> <y> <data in hex>
// Writes go to a temporary file in the same folder, which is synced and then renamed
// over the old file, so a crash leaves either the old or the new state, never a mix.
//
// Only the simulator's event-loop thread uses it.
#include <string>
#include <utility>

#include "sim/PrinterModel.h"

namespace sim {

class StateFile {
 public:
  explicit StateFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // Reads the file into `settings`. A missing file leaves the defaults and succeeds.
  // Returns false with a message in `error` for a file that cannot be read or is
  // malformed; `settings` is then unchanged.
  bool Load(NvSettings& settings, std::string& error) const;

  // Writes `settings` atomically. False with a message in `error` on failure; the old
  // file is then untouched.
  bool Save(const NvSettings& settings, std::string& error) const;

 private:
  std::string path_;
};

}  // namespace sim
