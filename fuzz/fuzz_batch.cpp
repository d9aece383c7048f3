// Fuzzes the CSV batch through the shared oracle: the input is the file's
// bytes, every line of which must be accounted for once, as one output row,
// and whose output must read back as written (oracle::CheckBatch).

#include "oracle.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    oracle::Require(oracle::CheckBatch(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
