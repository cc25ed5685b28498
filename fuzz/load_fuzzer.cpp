// libFuzzer entry point: arbitrary bytes through load, print and reload (load_target.h).
#include <cstddef>
#include <cstdint>

#include "load_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tovel_fuzz::loadPrintReload(reinterpret_cast<const char*>(data), size);
    return 0;
}
