#pragma once

// How the window looks, as data beside its layout: the colours it is drawn
// in where the platform has no scheme of its own, and the font of each key.
// The window (colours.cpp, fonts.cpp) and the page (web/page_data.cpp) both
// read these tables; plain C++, no Qt.

#include "layout.h"

#include <array>
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
inline constexpr std::array<Colour, 8> Colours = {{
    {"button-face", {0xef, 0xef, 0xef}}, // window background and every label's fill
    {"window", {0xff, 0xff, 0xff}},      // text box background
    {"window-text", {0x00, 0x00, 0x00}}, // text box text
    {"highlight", {0x30, 0x8c, 0xc6}},   // title, note, headings, version and credit
    {"desktop", {0x3a, 0x6e, 0xa5}},     // name, unit and formula captions; the four lines
    {"light", {0xff, 0xff, 0xff}},       // bevels: lit edge
    {"dark", {0x9f, 0x9f, 0x9f}},        //   shaded edge
    {"shadow", {0x76, 0x76, 0x76}},      //   dark edge
}};
namespace colour {
enum : std::size_t { ButtonFace, Window, WindowText, Highlight, Desktop, Light, Dark, Shadow };
}

// The faces the window was drawn in, each with a stand-in (fonts.cpp
// chooses it, the page embeds it).
enum class Face { Sans, Verdana, Garamond }; // MS Sans Serif, Verdana, Garamond

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
inline constexpr std::array<KeyFont, 7> KeyFonts = {{
    {layout::S8, "S8", Face::Sans, 11, false, false, 90, 11},
    {layout::S10, "S10", Face::Sans, 13, false, false, 90, 13},
    {layout::S10B, "S10B", Face::Sans, 13, true, false, 90, 13},
    {layout::S10BI, "S10BI", Face::Sans, 13, true, true, 90, 13},
    {layout::V10B, "V10B", Face::Verdana, 13, true, false, 100, 0},
    {layout::V10I, "V10I", Face::Verdana, 13, false, true, 100, 0},
    {layout::G14B, "G14B", Face::Garamond, 19, true, false, 100, 0},
}};

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

} // namespace calorvin::look
