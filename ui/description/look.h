#pragma once

// How the window looks, as data beside its layout: the colours it is drawn
// in where the platform has no scheme of its own, the font of each key, and
// the faces that stand in for the window's own with their files and Debian
// packages. The window (colours.cpp, fonts.cpp), the page (web/page_data.cpp)
// and the package (the font packages it depends on) all read these tables;
// plain C++, no Qt.

#include "layout.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace calorvin::look {

struct Rgb {
    unsigned char red, green, blue;
};

// The five system colours and the shades the classic style draws bevels in,
// as Qt's own palette gives them where the desktop sets none (the window's
// tests run there and check it), and the desktop colour, which only Windows
// has: elsewhere the window always takes the classic blue.
struct Colour {
    std::string_view name; // as the page's style sheet calls it
    Rgb rgb;
};
inline constexpr std::array Colours = std::to_array<Colour>({
    {"button-face", {0xef, 0xef, 0xef}}, // window background and every label's fill
    {"window", {0xff, 0xff, 0xff}},      // text box background
    {"window-text", {0x00, 0x00, 0x00}}, // text box text
    {"highlight", {0x30, 0x8c, 0xc6}},   // title, note, headings, version and credit
    {"desktop", {0x3a, 0x6e, 0xa5}},     // name, unit and formula captions; the four lines
    {"light", {0xff, 0xff, 0xff}},       // bevels: lit edge
    {"dark", {0x9f, 0x9f, 0x9f}},        //   shaded edge
    {"shadow", {0x76, 0x76, 0x76}},      //   dark edge
});
namespace colour {
enum : std::size_t { ButtonFace, Window, WindowText, Highlight, Desktop, Light, Dark, Shadow };
}

// The faces the window was drawn in, each with a stand-in (fonts.cpp
// chooses it, the page embeds it).
enum class Face { Sans, Verdana, Garamond }; // MS Sans Serif, Verdana, Garamond
// Each face's name where a name is needed for it, e.g. the page's "Calorvin Sans".
inline constexpr std::array<std::string_view, 3> FaceNames = {"Sans", "Verdana", "Garamond"}; // in Face's order
constexpr std::string_view NameOf(Face face)
{
    return FaceNames[static_cast<std::size_t>(face)];
}

// A key's font, sized in logical pixels (8.25 pt = 11 px, 9.75 pt = 13 px,
// 14.25 pt = 19 px at 96 dpi). The Sans keys are drawn at 90 % of the
// stand-in's width, and their first baseline lies where Windows puts MS Sans
// Serif's, baseline pixels below the top of the box; 0 for the other keys,
// drawn from the top.
struct KeyFont {
    layout::Font key;
    std::string_view name; // as the page's style sheet calls it
    Face face;
    int pixels;
    bool bold, italic;
    int stretch; // percent of the stand-in's width
    int baseline;
};
inline constexpr std::array KeyFonts = std::to_array<KeyFont>({
    {layout::S8, "S8", Face::Sans, 11, false, false, 90, 11},
    {layout::S10, "S10", Face::Sans, 13, false, false, 90, 13},
    {layout::S10B, "S10B", Face::Sans, 13, true, false, 90, 13},
    {layout::S10BI, "S10BI", Face::Sans, 13, true, true, 90, 13},
    {layout::V10B, "V10B", Face::Verdana, 13, true, false, 100, 0},
    {layout::V10I, "V10I", Face::Verdana, 13, false, true, 100, 0},
    {layout::G14B, "G14B", Face::Garamond, 19, true, false, 100, 0},
});

// The font of a key; nullptr for NoFont.
constexpr const KeyFont* FontOf(layout::Font key)
{
    for (const KeyFont& f : KeyFonts)
        if (f.key == key)
            return &f;
    return nullptr;
}

// One width per face: its stand-in is narrowed once, for all its keys.
constexpr int StretchOf(Face face)
{
    int stretch = 0;
    for (const KeyFont& f : KeyFonts)
        if (f.face == face)
            stretch = stretch == 0 || stretch == f.stretch ? f.stretch : -1;
    return stretch;
}
static_assert(StretchOf(Face::Sans) == 90 && StretchOf(Face::Verdana) == 100 && StretchOf(Face::Garamond) == 100);

// The families that may draw each face, in the order the window prefers
// them, with the Debian package that provides each; none for the Windows
// faces, used only where someone has installed them. "MS Sans Serif" exists
// on Linux only as Wine's bitmap-only TrueType, which Qt cannot make bold or
// scale: the Sans keys take Wine's Tahoma, its scalable successor, narrowed.
// "Verdana" becomes DejaVu Sans, closest to it in shapes and widths;
// "Garamond" becomes Linux Libertine O Bold, a Garamond-like face whose
// figures stand on the line as Garamond's do ("14785" in the heading); EB
// Garamond 12's bold has only old-style figures, which hang below it, and
// stays the second choice.
struct StandIn {
    Face face;
    std::string_view family; // as fontconfig names it; empty: the face itself, by its name
    std::string_view package;
};
inline constexpr std::array StandIns = {
    StandIn{Face::Sans, "Tahoma", "fonts-wine"},
    StandIn{Face::Sans, "DejaVu Sans Condensed", "fonts-dejavu-extra"},
    StandIn{Face::Verdana, {}, {}},
    StandIn{Face::Verdana, "DejaVu Sans", "fonts-dejavu-core"},
    StandIn{Face::Garamond, {}, {}},
    StandIn{Face::Garamond, "Linux Libertine O", "fonts-linuxlibertine"},
    StandIn{Face::Garamond, "EB Garamond 12", "fonts-ebgaramond"},
    StandIn{Face::Garamond, "DejaVu Serif", "fonts-dejavu-core"},
};
constexpr std::string_view FamilyOf(const StandIn& standIn)
{
    return standIn.family.empty() ? NameOf(standIn.face) : standIn.family;
}
enum : std::size_t { Tahoma = 0, DejaVuSans = 3, LinuxLibertine = 5 }; // rows of StandIns
static_assert(StandIns[Tahoma].face == Face::Sans && StandIns[DejaVuSans].face == Face::Verdana
              && StandIns[LinuxLibertine].face == Face::Garamond);

// The files of the first stand-ins that are drawn from: the style the window
// needs of a family and where Debian installs it, with its package when that
// is not the family's. The page embeds each; the window registers those
// outside fontconfig's paths and names each style that is missing (DejaVu
// Sans Oblique, V10I's italic, comes in another package than the upright
// face). Tahoma's bold and italic are drawn from its regular face: Wine's
// tahomabd.ttf draws regular strokes at bold widths, while a synthetic bold
// of the regular face is truly bold.
struct FaceFile {
    std::size_t standIn; // row of StandIns
    std::string_view style;
    bool bold, italic;
    std::string_view path;
    std::string_view package;     // where not the family's own
    bool outsideFontconfig;       // registered by the window at start
    bool typedIn;                 // the boxes' face: the page keeps every Latin-1 character
};
inline constexpr std::array FaceFiles = {
    FaceFile{Tahoma, "Regular", false, false, "/usr/share/wine/fonts/tahoma.ttf", {}, true, true},
    FaceFile{DejaVuSans, "Bold", true, false, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", {}, false, false},
    FaceFile{DejaVuSans, "Oblique", false, true, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
             "fonts-dejavu-extra", false, false},
    FaceFile{LinuxLibertine, "Bold", true, false, "/usr/share/fonts/opentype/linux-libertine/LinLibertine_RB.otf",
             {}, false, false},
};
constexpr std::string_view PackageOf(const FaceFile& file)
{
    return file.package.empty() ? StandIns[file.standIn].package : file.package;
}

// The packages the window's and the page's faces come from: those of the
// first stand-in of each face that has one and those of the files, each once,
// in the order of the tables.
struct Packages {
    std::array<std::string_view, StandIns.size() + FaceFiles.size()> names{};
    std::size_t count = 0;
    constexpr void Add(std::string_view name)
    {
        if (!name.empty() && std::find(names.begin(), names.begin() + count, name) == names.begin() + count)
            names[count++] = name;
    }
};
constexpr Packages FontPackages()
{
    Packages packages;
    for (std::size_t i = 0; i < FaceNames.size(); ++i) {
        const Face face = static_cast<Face>(i);
        const auto first = std::find_if(StandIns.begin(), StandIns.end(),
                                         [face](const StandIn& s) { return s.face == face && !s.package.empty(); });
        if (first != StandIns.end())
            packages.Add(first->package);
    }
    for (const FaceFile& file : FaceFiles)
        packages.Add(PackageOf(file));
    return packages;
}

} // namespace calorvin::look
