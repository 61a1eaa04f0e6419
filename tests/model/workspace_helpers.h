#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/workspace.h"

// A workspace that sets every stored field of every class to a value other than
// its default, with all three device kinds and non-ASCII names. Master tags keep
// quality 0x100 so that a load (which marks them uncertain) changes nothing.
void FillEveryField(clWorkspace& ws);

// Little-endian byte builder for hand-written file vectors.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& U8(uint8_t v);
  Bytes& U16(uint16_t v);
  Bytes& U32(uint32_t v);
  Bytes& Raw(const std::string& text);
  // A string with a one-byte prefix.
  Bytes& Str(const std::string& text);
};

std::string Hex(const std::vector<uint8_t>& bytes);
