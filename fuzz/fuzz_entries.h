// The body of every fuzz target, one function each, so that libFuzzer and the
// replay test (which feeds the committed seeds and regression inputs through
// them in the normal suite) run the same code. Each returns 0 and aborts on a
// broken promise.
#pragma once
#include <cstddef>
#include <cstdint>

int FuzzClipboard(const uint8_t* data, size_t size);
int FuzzCsv(const uint8_t* data, size_t size);
int FuzzDecode(const uint8_t* data, size_t size);
int FuzzFrame(const uint8_t* data, size_t size);
int FuzzJson(const uint8_t* data, size_t size);
int FuzzOds(const uint8_t* data, size_t size);
int FuzzWorkbook(const uint8_t* data, size_t size);
int FuzzWorkspace(const uint8_t* data, size_t size);
int FuzzXls(const uint8_t* data, size_t size);
int FuzzXlsx(const uint8_t* data, size_t size);

// The libFuzzer entry of a target; the replay test builds the bodies without it.
#ifdef TELVANE_FUZZ_REPLAY
#define TELVANE_FUZZ_ENTRY(body)
#else
#define TELVANE_FUZZ_ENTRY(body)                                            \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    return body(data, size);                                                \
  }
#endif
