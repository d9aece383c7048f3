#pragma once

// Everything the page takes from the window's tables, in one place
// (page_data.cpp): the controls, their texts, positions, fonts, colours, Tab
// order and stacking; the boxes each command reads and writes.

#include "look.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace calorvin::web {

// The window's title, as the page's.
std::string Title();

// The page's body: every control as an absolutely placed element, in reading
// order, stacked as the window stacks them (z-index).
std::string ControlsHtml();

// The style of the window: its size, colours, bevels and the font of each
// key, as a class (".fS8") and as a custom property for the page's own style
// ("font: var(--fS8)"), each face's family ("var(--face-Sans)"), and the
// @font-face rule of each file the page embeds, its source left as
// FontPlaceholder(n) for the subset face's WOFF in base64.
std::string WindowCss();
std::string FontPlaceholder(std::size_t file);

// What the page's build subsets, as JSON: for each face the page embeds (each
// of look.h's FaceFiles, and the Sans stand-in's bold and bold italic made
// from its regular face), its placeholder, its path, the width in percent it
// is drawn at, the characters (UTF-8) the page draws in it, whether it is
// made bold or slanted, and the ascent and descent it is to carry.
std::string FacesJson();

// What the script needs, as JSON: the entries and the results in the order
// the core reads and writes them, the window's title, the menu and the
// page's own messages.
std::string ScriptData();

} // namespace calorvin::web
