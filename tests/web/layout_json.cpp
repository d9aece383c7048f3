// The window's table as JSON, in twips as written, for the page's tests to
// hold the page against: what the desktop window is built from. A box's
// caption is its accessible name; each control's ink (a line's fill), its
// alignment and font as the browser computes them from the window's look, and
// where a caption's first baseline lies below its top (0: not fixed); its place
// in the window's stacking, bottom first.

#include "layout.h"
#include "look.h"

#include <cstdio>
#include <string>

int main()
{
    using namespace calorvin::layout;
    constexpr const char* Kinds[] = {"label", "box", "button", "line"};
    std::printf("[\n");
    for (std::size_t i = 0; i < Controls.size(); ++i) {
        const Control& c = Controls[i];
        const std::string caption = c.kind == Box ? AccessibleName(c) : std::string(c.caption);
        using namespace calorvin::look;
        const Rgb ink = Colours[c.kind == Box || c.kind == Button ? colour::WindowText
                                : c.ink == Highlight                ? colour::Highlight
                                                                    : colour::Desktop].rgb;
        const char* align = c.kind == Line ? "" : c.kind == Label && c.align != Centre ? "start" : "center";
        const KeyFont* font = FontOf(c.font);
        std::printf("{\"kind\":\"%s\",\"name\":\"%.*s\",\"caption\":\"%.*s\",\"left\":%d,\"top\":%d,"
                    "\"width\":%d,\"height\":%d,\"tabIndex\":%d,\"style\":[\"rgb(%d, %d, %d)\",\"%s\",\"%s\"],"
                    "\"baseline\":%d,\"stacking\":%d}%s\n",
                    Kinds[static_cast<int>(c.kind)], static_cast<int>(c.name.size()), c.name.data(),
                    static_cast<int>(caption.size()), caption.data(), c.left, c.top, c.width, c.height,
                    c.tabIndex, ink.red, ink.green, ink.blue, align,
                    !font ? "" : (std::to_string(font->pixels) + "px " + (font->bold ? "700 " : "400 ") +
                                  (font->italic ? "italic" : "normal")).c_str(),
                    c.kind == Label && font ? font->baseline : 0, StackingKey(c), i + 1 < Controls.size() ? "," : "");
    }
    std::printf("]\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
