#pragma once
// Byte order in one place: every binary item is put and got in a named order, never the host's.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace byteorder {

enum class Order { Little, Big };

inline void putU32(std::string& out, std::uint32_t v, Order o) {
  unsigned char b[4];
  for (int i = 0; i < 4; ++i) b[o == Order::Little ? i : 3 - i] = static_cast<unsigned char>(v >> (8 * i));
  out.append(reinterpret_cast<const char*>(b), 4);
}
inline void putI32(std::string& out, std::int32_t v, Order o) { putU32(out, static_cast<std::uint32_t>(v), o); }
inline void putU16(std::string& out, std::uint16_t v, Order o) {
  unsigned char lo = static_cast<unsigned char>(v & 0xFF), hi = static_cast<unsigned char>(v >> 8);
  if (o == Order::Little) { out += static_cast<char>(lo); out += static_cast<char>(hi); }
  else { out += static_cast<char>(hi); out += static_cast<char>(lo); }
}
inline void putU8(std::string& out, std::uint8_t v) { out += static_cast<char>(v); }
inline void putF64(std::string& out, double v, Order o) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[o == Order::Little ? i : 7 - i] = static_cast<unsigned char>(bits >> (8 * i));
  out.append(reinterpret_cast<const char*>(b), 8);
}

// Stores at p, which must hold the item's bytes: for records laid out in storage of their own.
inline void storeU32(char* p, std::uint32_t v, Order o) {
  unsigned char b[4];
  for (int i = 0; i < 4; ++i) b[o == Order::Little ? i : 3 - i] = static_cast<unsigned char>(v >> (8 * i));
  std::memcpy(p, b, 4);
}
inline void storeF64(char* p, double v, Order o) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  unsigned char b[8];
  for (int i = 0; i < 8; ++i) b[o == Order::Little ? i : 7 - i] = static_cast<unsigned char>(bits >> (8 * i));
  std::memcpy(p, b, 8);
}

// Getters read from p, which must hold enough bytes; the callers check lengths first.
inline std::uint32_t getU32(const unsigned char* p, Order o) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(p[o == Order::Little ? i : 3 - i]) << (8 * i);
  return v;
}
inline std::int32_t getI32(const unsigned char* p, Order o) { return static_cast<std::int32_t>(getU32(p, o)); }
inline std::uint16_t getU16(const unsigned char* p, Order o) {
  return o == Order::Little ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                            : static_cast<std::uint16_t>(p[1] | (p[0] << 8));
}
inline double getF64(const unsigned char* p, Order o) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(p[o == Order::Little ? i : 7 - i]) << (8 * i);
  return std::bit_cast<double>(v);
}

}  // namespace byteorder
