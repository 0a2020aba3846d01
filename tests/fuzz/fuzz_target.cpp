// One libFuzzer target; PENWICK_FUZZ_ENTRY names its entry function (fuzz_entries.h).

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    penwick::fuzz::PENWICK_FUZZ_ENTRY(data, size);
    return 0;
}
