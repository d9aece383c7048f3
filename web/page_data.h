#pragma once

// Everything the page takes from the window's tables, in one place
// (page_data.cpp): the controls, their texts, positions, fonts, colours, Tab
// order and stacking; the boxes each command reads and writes.

#include "look.h"

#include <array>
#include <string>
#include <string_view>

namespace calorvin::web {

// The window's title, as the page's.
std::string Title();

// The page's body: every control as an absolutely placed element, bottom
// first so that the document's order is the window's stacking.
std::string ControlsHtml();

// The style of the window: its size, colours, bevels and the font of each key.
std::string WindowCss();

// The faces the page embeds: the stand-ins ui/fonts.cpp chooses on Debian.
struct Face {
    look::Face face;
    std::string_view file;    // where Debian installs it
    std::string_view package; // which package
    bool bold, italic;        // the weight and style the page asks of it
    bool drawnFromRegular;    // made bold or slanted from the regular file, as the window draws it
    int ascent, descent;      // the vertical metrics put into it, in percent of its em; 0: its own
    enum Typed { CaptionsOnly, Ascii, Latin1 } typed; // beyond the captions: a box's text, a title's
    std::string_view family() const; // the CSS family name inside the page
    int stretch() const;      // percent of its width it is drawn at, as the window draws it
};
extern const std::array<Face, 6> Faces;

// The characters the page draws in this face (UTF-8), for subsetting it.
std::string FaceText(const Face& face);

// What the script needs, as JSON: the entries and the results in the order
// the core reads and writes them, the boxes in the order Cancella blanks
// them, the window's title and the page's own messages.
std::string ScriptData();

} // namespace calorvin::web
