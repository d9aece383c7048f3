// The window's table as JSON, in twips as written, for the page's tests to
// hold the page against: what the desktop window is built from. A box's
// caption is its accessible name.

#include "layout.h"

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
        std::printf("{\"kind\":\"%s\",\"name\":\"%.*s\",\"caption\":\"%.*s\",\"left\":%d,\"top\":%d,"
                    "\"width\":%d,\"height\":%d,\"tabIndex\":%d}%s\n",
                    Kinds[static_cast<int>(c.kind)], static_cast<int>(c.name.size()), c.name.data(),
                    static_cast<int>(caption.size()), caption.data(), c.left, c.top, c.width, c.height,
                    c.tabIndex, i + 1 < Controls.size() ? "," : "");
    }
    std::printf("]\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
