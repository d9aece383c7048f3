// Builds the page from the window's tables (page_data.cpp) at build time,
// run under node:
//   generate_page faces                  one line per embedded face: file, width in percent, whether it
//                                        is made bold and slanted from the file, ascent and descent in
//                                        percent of its em (0: its own)
//   generate_page text N                 the characters the page draws in the Nth face
//   generate_page page OUT TEMPLATE CSS SCRIPT MODULE WASM FONT...
//                                        the one self-contained page, written to OUT

#include "page_data.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using calorvin::web::Faces;

std::string Read(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "generate_page: cannot read %s\n", path);
        std::exit(1);
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Base64(std::string_view bytes)
{
    static constexpr char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            n |= static_cast<unsigned char>(bytes[i + 2]);
        out += Digits[n >> 18];
        out += Digits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? Digits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? Digits[n & 63] : '=';
    }
    return out;
}

// Every printable character of ASCII and, if asked, Latin-1, as UTF-8: what a box may show.
std::string Typed(calorvin::web::Face::Typed typed)
{
    std::string text;
    for (unsigned c = 0x20; c <= (typed == calorvin::web::Face::Latin1 ? 0xFF : 0x7E); ++c) {
        if (c < 0x7F)
            text.push_back(static_cast<char>(c));
        else if (c >= 0xA0) {
            text.push_back(static_cast<char>(0xC0 | (c >> 6)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return typed == calorvin::web::Face::Latin1 ? text + "…" : text;
}

// Every place of the placeholder in the template; what is put in is not searched again.
void Replace(std::string& text, std::string_view placeholder, const std::string& with)
{
    std::size_t at = text.find(placeholder);
    if (at == std::string::npos) {
        std::fprintf(stderr, "generate_page: no %.*s in the template\n", static_cast<int>(placeholder.size()),
                     placeholder.data());
        std::exit(1);
    }
    for (; at != std::string::npos; at = text.find(placeholder, at + with.size()))
        text.replace(at, placeholder.size(), with);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "faces") {
        for (const auto& face : Faces)
            std::printf("%.*s|%d|%d|%d|%d|%d\n", static_cast<int>(face.file.size()), face.file.data(), face.stretch(),
                        face.drawnFromRegular && face.bold, face.drawnFromRegular && face.italic, face.ascent,
                        face.descent);
        return std::fflush(stdout) == 0 ? 0 : 1; // node's runtime does not flush at exit
    }
    if (args.size() == 2 && args[0] == "text") {
        const std::size_t n = static_cast<std::size_t>(std::atoi(argv[2]));
        if (n >= Faces.size())
            return 2;
        std::string text = calorvin::web::FaceText(Faces[n]) +
                           (Faces[n].typed == calorvin::web::Face::CaptionsOnly ? "" : Typed(Faces[n].typed));
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (args.size() == 7 + Faces.size() && args[0] == "page") {
        std::string page = Read(argv[3]);
        std::string fonts;
        for (std::size_t i = 0; i < Faces.size(); ++i)
            fonts += "@font-face{font-family:\"" + std::string(Faces[i].family()) + "\";font-weight:" +
                     (Faces[i].bold ? "700" : "400") + ";font-style:" + (Faces[i].italic ? "italic" : "normal") +
                     ";src:url(data:font/woff;base64," +
                     Base64(Read(argv[8 + i])) + ") format(\"woff\")}\n";
        Replace(page, "@TITLE@", calorvin::web::Title());
        Replace(page, "@STYLE@", fonts + calorvin::web::WindowCss() + Read(argv[4]));
        Replace(page, "@CONTROLS@", calorvin::web::ControlsHtml());
        Replace(page, "@DATA@", calorvin::web::ScriptData());
        Replace(page, "@WASM@", Base64(Read(argv[7])));
        Replace(page, "@SCRIPT@", Read(argv[6]) + "\n" + Read(argv[5])); // the core, then the script
        std::ofstream out(argv[2], std::ios::binary);
        out << page;
        return out.flush() ? 0 : 1;
    }
    std::fprintf(stderr, "usage: generate_page faces | text FAMILY | page OUT TEMPLATE CSS SCRIPT MODULE WASM FONT...\n");
    return 2;
}
