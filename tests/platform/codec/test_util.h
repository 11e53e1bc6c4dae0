// Helpers shared by the codec tests: building small pictures and reading
// test files.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codec/codec.h"

namespace codec_test {

inline platform::Picture make_picture32(int width, int height, std::vector<std::uint32_t> pixels) {
  platform::Picture p;
  p.width = width;
  p.height = height;
  p.bits = 32;
  p.pixels = std::move(pixels);
  return p;
}

inline platform::Picture make_picture8(int width, int height, std::vector<std::uint8_t> indices,
                                       std::vector<std::uint32_t> palette) {
  platform::Picture p;
  p.width = width;
  p.height = height;
  p.bits = 8;
  p.indices = std::move(indices);
  p.palette = std::move(palette);
  return p;
}

inline std::string data_path(const std::string& name) {
  return std::string(ORV_TEST_DATA) + "/" + name;
}

inline std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

inline std::uint32_t be32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return (std::uint32_t(v[at]) << 24) | (v[at + 1] << 16) | (v[at + 2] << 8) | v[at + 3];
}
inline std::uint32_t le32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return std::uint32_t(v[at]) | (v[at + 1] << 8) | (v[at + 2] << 16) |
         (std::uint32_t(v[at + 3]) << 24);
}
inline unsigned le16(const std::vector<std::uint8_t>& v, std::size_t at) {
  return v[at] | (v[at + 1] << 8);
}

// Little-endian writers for hand-made files.
inline void put16(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
inline void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}

}  // namespace codec_test
