#pragma once
// Builds setting data files byte by byte, independently of the code under test, so the
// tests compare against the layout itself.
#include <cstdint>
#include <string>
#include <vector>

namespace datafile {

inline void PutLE32(std::string& out, std::size_t offset, std::uint32_t v) {
  out[offset] = static_cast<char>(v & 0xFF);
  out[offset + 1] = static_cast<char>((v >> 8) & 0xFF);
  out[offset + 2] = static_cast<char>((v >> 16) & 0xFF);
  out[offset + 3] = static_cast<char>((v >> 24) & 0xFF);
}

inline std::uint32_t GetLE32(const std::string& in, std::size_t offset) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(in[offset + 3])) << 24;
}

// A block: "PND\0", id, version, size (header included), 16 zero bytes, payload.
inline std::string Block(std::uint32_t id, std::uint32_t version, const std::string& payload) {
  std::string b(32, '\0');
  b[0] = 'P';
  b[1] = 'N';
  b[2] = 'D';
  PutLE32(b, 4, id);
  PutLE32(b, 8, version);
  PutLE32(b, 12, static_cast<std::uint32_t>(32 + payload.size()));
  return b + payload;
}

// A block header announcing size bytes, without payload.
inline std::string BlockHeader(std::uint32_t id, std::uint32_t version, std::uint32_t size) {
  std::string b = Block(id, version, "");
  PutLE32(b, 12, size);
  return b;
}

// The 136-byte file header as the program writes it.
inline std::string Header(std::uint32_t count, const std::string& model = "XJ-K52II",
                          std::uint32_t value1 = 0x00010000, std::uint32_t value2 = 0x00010000) {
  std::string h(136, '\0');
  h[0] = 'P';
  h[1] = 'S';
  h[2] = 'D';
  PutLE32(h, 4, value1);
  PutLE32(h, 8, value2);
  PutLE32(h, 12, count);
  const std::string product = "XJ-K52II Utility";
  h.replace(16, product.size(), product);
  h.replace(48, 5, "NORVE");
  h.replace(80, model.size(), model);
  return h;
}

inline std::string File(const std::vector<std::string>& blocks) {
  std::string f = Header(static_cast<std::uint32_t>(blocks.size()));
  for (const auto& b : blocks) f += b;
  return f;
}

// A payload of n bytes with a recognisable pattern.
inline std::string Pattern(std::size_t n, unsigned seed) {
  std::string p(n, '\0');
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<char>((i * 7 + seed * 13 + 1) & 0xFF);
  return p;
}

}  // namespace datafile
