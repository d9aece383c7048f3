// Fuzzes the entry conversion, and the result conversion on what it reads.
// The input is one entry text, as the user may type or paste it.

#include "fuzz_checks.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Maps every byte onto the characters of a plain decimal number (and blanks),
// so that most inputs also exercise the number grammar in depth.
std::string AsDecimalText(std::string_view input)
{
    static constexpr std::string_view Alphabet = "0123456789012345.+-eEdD \t\n";
    std::string text;
    text.reserve(input.size());
    for (unsigned char c : input)
        text.push_back(Alphabet[c % Alphabet.size()]);
    return text;
}

// The C library's reading of a plain decimal text: blanks left out, the
// D exponent written as E. Correctly rounded; the process is in the "C" locale.
double ReferenceDecimal(std::string_view text)
{
    std::string plain;
    for (char c : text) {
        if (IsBlank(c))
            continue;
        plain.push_back(c == 'd' || c == 'D' ? 'e' : c);
    }
    return std::strtod(plain.c_str(), nullptr);
}

void CheckEntry(std::string_view text)
{
    const double value = calorvin::ReadEntryNumber(text);
    FUZZ_CHECK(!std::isnan(value));

    // The same bits whatever the process locale.
    const double underComma =
        fuzz::Comma().Under([&] { return calorvin::ReadEntryNumber(text); });
    FUZZ_CHECK(fuzz::SameBits(value, underComma));

    // Blanks are skipped wherever they stand.
    std::string noBlanks;
    for (char c : text)
        if (!IsBlank(c))
            noBlanks.push_back(c);
    FUZZ_CHECK(fuzz::SameBits(value, calorvin::ReadEntryNumber(noBlanks)));

    // A comma ends the number: nothing after it counts.
    std::string cut(text);
    cut += ",9";
    cut += text;
    FUZZ_CHECK(fuzz::SameBits(value, calorvin::ReadEntryNumber(cut)));

    // Without an ASCII digit there is no number: other scripts' digits,
    // "inf" and "nan" all read as 0. Only "&H" may carry letters as digits.
    if (text.find_first_of("0123456789") == std::string_view::npos
        && text.find('&') == std::string_view::npos)
        FUZZ_CHECK(value == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckEntry(text);

    // A plain decimal text reads as the correctly rounded value.
    const std::string decimal = AsDecimalText(text);
    CheckEntry(decimal);
    const double read = calorvin::ReadEntryNumber(decimal);
    const double reference = ReferenceDecimal(decimal);
    FUZZ_CHECK(read == reference);

    // The result text of what was read, and of the input's first eight bytes
    // taken as a double (every bit pattern: subnormals, infinities, NaNs).
    fuzz::CheckResultText(calorvin::ReadEntryNumber(text));
    fuzz::CheckResultText(read);
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        fuzz::CheckResultText(raw);
        const std::string underComma =
            fuzz::Comma().Under([&] { return calorvin::FormatResult(raw, "."); });
        FUZZ_CHECK(underComma == calorvin::FormatResult(raw, "."));
    }
    return 0;
}
