// Fuzzes the core through the shared oracle. The input holds the eight entry
// texts separated by '|' (missing ones are empty, a ninth part on is ignored);
// each is also checked as an entry alone, as is the input mapped onto the
// characters of a plain decimal number, and its first eight bytes taken as a
// double (every bit pattern) must have a sound result text. A broken property
// aborts, which libFuzzer reports with the input.

#include "oracle.h"

#include <cstdint>
#include <memory>

using oracle::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool commaLocale = oracle::UnderCommaLocale([] {});
    if (!commaLocale)
        Require("no locale with a decimal comma is installed (scripts/dev.sh generates it_IT.UTF-8)");

    // Each entry in a buffer of exactly its size, so that AddressSanitizer
    // catches a read past its end.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::array<std::unique_ptr<char[]>, calorvin::EntryCount> buffers;
    oracle::Texts texts;
    for (std::size_t i = 0, start = 0; i < texts.size() && start <= input.size(); ++i) {
        const std::string_view part = input.substr(start, input.find('|', start) - start);
        buffers[i] = std::make_unique<char[]>(part.size());
        std::memcpy(buffers[i].get(), part.data(), part.size());
        texts[i] = std::string_view(buffers[i].get(), part.size());
        start += part.size() + 1;
        Require(oracle::CheckEntry(texts[i]));
        Require(oracle::CheckResultText(calorvin::ReadEntryNumber(texts[i])));
    }
    Require(oracle::CheckRun(texts));

    static constexpr std::string_view Decimal = "0123456789012345.+-eEdD \t\n";
    std::string decimal;
    for (unsigned char c : input)
        decimal.push_back(Decimal[c % Decimal.size()]);
    Require(oracle::CheckEntry(decimal));
    Require(oracle::CheckResultText(calorvin::ReadEntryNumber(decimal)));

    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        Require(oracle::CheckResultText(raw));
    }
    return 0;
}
