// Helpers for frame test vectors written as hexadecimal text.
#pragma once
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/iec101_frame.h"

namespace frame_test {

inline std::vector<uint8_t> Octets(const std::string& hex) {
  std::vector<uint8_t> octets;
  std::stringstream words(hex);
  std::string word;
  while (words >> word) octets.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  return octets;
}

// A frame with the given sizes (link address, common address, object address, cause)
// loaded from hex; with repair, the checksum octet (the one before last) is recomputed
// so a vector can be wrong in exactly one other way.
inline clIEC101Frame Load(const std::string& hex, uint32_t la, uint32_t ca, uint32_t ioa,
                          uint32_t cot, bool repair = true) {
  std::vector<uint8_t> octets = Octets(hex);
  if (repair && octets.size() >= 6 && octets[0] == 0x68) {
    octets[octets.size() - 2] =
        FrameChecksum(octets.data(), 4, static_cast<int32_t>(octets.size()) - 2);
  }
  clIEC101Frame frame;
  frame.SetSizes(la, ca, ioa, cot);
  frame.LoadFrom(octets.data(), static_cast<int32_t>(octets.size()));
  return frame;
}

// The octets from the type id up to the last data octet, as hex text.
inline std::string AsduHex(const clIEC101Frame& frame) {
  std::string all = frame.HexText();
  size_t from = (5 + frame.LinkAddressSize()) * 3;
  size_t to = all.size() >= 6 ? all.size() - 6 : 0;
  return from < to ? all.substr(from, to - from) : std::string();
}

}  // namespace frame_test
