#pragma once
// What every fuzz target shares: the private folders of the process (the same tree the
// test main gives each test process, tests/support/TestEnv.h), the file an input is
// written to, and a check that stops the run with a message when a result breaks a
// documented rule, so libFuzzer keeps the input that did it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzzsupport {

// Creates the process's folders and points the environment at them (once), and removes
// them when the process exits normally. Every target calls it from its initialiser.
void Init();

// A folder of its own below the process's root, created on the first call for that name.
const std::string& Folder(const std::string& name);

// Replaces the file at path with bytes; aborts when that fails, since a target that
// cannot write its input would test nothing.
void WriteInput(const std::string& path, std::string_view bytes);
void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size);

// Aborts with the message when condition is false.
void Require(bool condition, const char* what);

// Reads an input front to back as a script of bytes and lengths; past its end every
// read gives 0 or nothing, so any input is a complete script.
class ScriptReader {
 public:
  ScriptReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ >= size_; }
  std::uint8_t Byte() { return AtEnd() ? 0 : data_[pos_++]; }
  // Two bytes, low byte first.
  std::uint16_t Word() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  // Up to n bytes (fewer at the end of the input).
  std::string Bytes(std::size_t n) {
    const std::size_t count = std::min(n, size_ - pos_);
    std::string bytes(reinterpret_cast<const char*>(data_ + pos_), count);
    pos_ += count;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace fuzzsupport
