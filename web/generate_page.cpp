// Builds the page from the window's tables (page_data.cpp) at build time,
// run once under node:
//   generate_page --template page.html --style page.css --script page.js
//                 --module calorvin_web.js --wasm calorvin_web.wasm
//                 --out calorvin.html.in --faces faces.json
// writes the page with a placeholder in place of each embedded face and, for
// the font subsetter that fills them in (subset_fonts.py), the faces to cut.

#include "page_data.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Fail(const std::string& why)
{
    std::fprintf(stderr, "generate_page: %s\n", why.c_str());
    std::exit(1);
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    if (!(out << text) || !out.flush())
        Fail("cannot write " + path);
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

// Every place of the placeholder in the template; what is put in is not searched again.
void Replace(std::string& text, std::string_view placeholder, const std::string& with)
{
    std::size_t at = text.find(placeholder);
    if (at == std::string::npos)
        Fail("no " + std::string(placeholder) + " in the template");
    for (; at != std::string::npos; at = text.find(placeholder, at + with.size()))
        text.replace(at, placeholder.size(), with);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string_view Usage = "usage: generate_page --template FILE --style FILE --script FILE --module FILE"
                                   " --wasm FILE --out FILE --faces FILE";
    std::map<std::string_view, std::string> options = {{"--template", {}}, {"--style", {}}, {"--script", {}},
                                                       {"--module", {}},   {"--wasm", {}},  {"--out", {}},
                                                       {"--faces", {}}};
    for (int i = 1; i < argc; i += 2) {
        const auto option = options.find(argv[i]);
        if (option == options.end() || i + 1 == argc || !option->second.empty())
            Fail(std::string(Usage));
        option->second = argv[i + 1];
    }
    for (const auto& [name, value] : options)
        if (value.empty())
            Fail("no " + std::string(name) + "\n" + std::string(Usage));

    std::string page = Read(options["--template"]);
    Replace(page, "@TITLE@", calorvin::web::Title());
    Replace(page, "@STYLE@", calorvin::web::WindowCss() + Read(options["--style"]));
    Replace(page, "@CONTROLS@", calorvin::web::ControlsHtml());
    Replace(page, "@DATA@", calorvin::web::ScriptData());
    Replace(page, "@WASM@", Base64(Read(options["--wasm"])));
    // The core, then the script.
    Replace(page, "@SCRIPT@", Read(options["--module"]) + "\n" + Read(options["--script"]));
    Write(options["--out"], page);
    Write(options["--faces"], calorvin::web::FacesJson());
    return 0;
}
