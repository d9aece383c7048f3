// The conversions' answers on a fixed set of inputs, one per line, for
// comparing builds: the WebAssembly core must answer as the native one, bit
// for bit. Doubles of every kind (random bit patterns, ties at the 15th digit,
// powers of ten), and entry texts built from random digits, points, blanks
// and exponents.

#include "conversions.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::uint64_t state = 0x2545F4914F6CDD1DULL;
std::uint64_t Next() // splitmix64
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t Bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

void Show(double x)
{
    std::printf("%016" PRIx64 " %s\n", Bits(x), calorvin::FormatResult(x, ",").c_str());
}

void Read(const std::string& text)
{
    std::printf("%s -> %016" PRIx64 "\n", text.c_str(), Bits(calorvin::ReadEntryNumber(text)));
}

} // namespace

int main()
{
    for (int i = 0; i < 40000; ++i) {
        double x;
        const std::uint64_t b = Next();
        std::memcpy(&x, &b, sizeof x);
        Show(x);
    }
    for (int i = 0; i < 2000; ++i) { // exact ties at the 16th digit, to even either way
        Show(static_cast<double>(1000000000000005ULL + 10 * (Next() % 800000000000000ULL)));
        Show(static_cast<double>(100000000000000ULL + Next() % 900000000000000ULL) + 0.5);
    }
    for (int e = -330; e <= 310; ++e)
        Show(std::strtod(("1e" + std::to_string(e)).c_str(), nullptr)),
            Show(std::strtod(("9.999999999999995e" + std::to_string(e)).c_str(), nullptr));

    const char pieces[] = "0123456789012345678901234567890123456789....  eE-+d";
    for (int i = 0; i < 40000; ++i) {
        std::string text;
        const int length = 1 + static_cast<int>(Next() % 40);
        for (int k = 0; k < length; ++k)
            text.push_back(pieces[Next() % (sizeof pieces - 1)]);
        Read(text);
        const std::uint64_t whole = Next() % 1000000, fraction = Next(); // in this order
        Read(std::to_string(whole) + "." + std::to_string(fraction) + "e" +
             std::to_string(static_cast<int>(Next() % 700) - 350));
    }
    return 0;
}
