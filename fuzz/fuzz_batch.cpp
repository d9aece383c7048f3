// Fuzzes the CSV batch through the shared oracle: the input is the file's
// bytes, every line of which must be accounted for once (oracle::CheckBatch).
// A broken property aborts, which libFuzzer reports with the input.

#include "oracle.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string broken = oracle::CheckBatch(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!broken.empty()) {
        std::fprintf(stderr, "\n*** property broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
