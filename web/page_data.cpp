#include "page_data.h"

#include "evaluation.h"
#include "layout.h"
#include "look.h"
#include "menu.h"
#include "record_table.h" // HtmlEscaped

#include <algorithm>
#include <string>
#include <vector>

namespace calorvin::web {

namespace {

using namespace calorvin::layout;

// The boxes' names as the window's table gives them: the entries in the order
// of the core's table of entries, the results in that of its results (the
// order the core reads and writes them), and every box by rising TabIndex,
// the order Cancella blanks them in.
struct BoxNames {
    std::array<std::string_view, EntryCount> entries;
    std::array<std::string_view, ResultCount> results;
    std::vector<std::string_view> byTabIndex;
};

BoxNames Boxes()
{
    BoxNames names;
    std::vector<const Control*> boxes;
    for (const Control& c : Controls) {
        if (c.role == Entry)
            names.entries[c.quantity] = c.name;
        if (c.role == Result)
            names.results[c.quantity] = c.name;
        if (c.kind == Box)
            boxes.push_back(&c);
    }
    std::sort(boxes.begin(), boxes.end(), [](const Control* a, const Control* b) { return a->tabIndex < b->tabIndex; });
    for (const Control* c : boxes)
        names.byTabIndex.push_back(c->name);
    return names;
}

// The family each face's stand-in has inside the page.
std::string FamilyOf(look::Face face)
{
    return "Calorvin " + std::string(look::NameOf(face));
}

// The Sans stand-in's @font-face puts the first baseline one em down (ascent
// 100 %), where the window puts MS Sans Serif's.
constexpr bool SansBaselineIsOneEm()
{
    for (const look::KeyFont& f : look::KeyFonts)
        if (f.face == look::Face::Sans && f.baseline != f.pixels)
            return false;
    return true;
}
static_assert(SansBaselineIsOneEm());

std::string Hex(look::Rgb rgb)
{
    constexpr char Digits[] = "0123456789abcdef";
    std::string hex = "#";
    for (unsigned char c : {rgb.red, rgb.green, rgb.blue})
        hex += std::string{Digits[c >> 4], Digits[c & 15]};
    return hex;
}

std::string Px(int twips)
{
    return std::to_string(twips / TwipsPerPixel) + "px";
}

std::string Json(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

template <typename Names>
std::string JsonList(const Names& names)
{
    std::string out = "[";
    for (std::string_view name : names)
        out += (out.size() > 1 ? "," : "") + Json(name);
    return out + "]";
}

std::string FontClass(Font key)
{
    const look::KeyFont* font = look::FontOf(key);
    return font ? " f" + std::string(font->name) : std::string();
}

// Labels that name a box: which box.
std::string_view BoxNamedBy(std::string_view label)
{
    for (const Control& c : Controls)
        if (c.kind == Box && c.captionLabel == label)
            return c.name;
    return {};
}

std::string Element(const Control& c)
{
    const std::string place = "left:" + Px(c.left) + ";top:" + Px(c.top) + ";width:" +
                              Px(c.width) + ";height:" + Px(c.height);
    const std::string id = " id=\"" + std::string(c.name) + "\"";
    switch (c.kind) {
    case Label: {
        // The name label beside a box is its label, as assistive tools read it.
        const std::string_view box = BoxNamedBy(c.name);
        const std::string tag = box.empty() ? "div" : "label";
        return "<" + tag + id + (box.empty() ? "" : " for=\"" + std::string(box) + "\"") +
               " class=\"l" + FontClass(c.font) + (c.ink == Highlight ? " hi" : "") +
               (c.align == Centre ? " mid" : "") + "\" style=\"" + place + "\">" +
               HtmlEscaped(c.caption) + "</" + tag + ">\n";
    }
    case Box:
        return "<input" + id + " class=\"b" + FontClass(c.font) + "\" style=\"" + place +
               "\" tabindex=\"" + std::to_string(c.tabIndex) + "\" aria-label=\"" +
               HtmlEscaped(AccessibleName(c)) + "\" aria-description=\"" +
               std::string(c.role == Entry ? EntryDescription : ResultDescription) +
               "\" autocomplete=\"off\" spellcheck=\"false\">\n";
    case Button:
        return "<button" + id + " class=\"c" + FontClass(c.font) + "\" style=\"" + place +
               "\" tabindex=\"" + std::to_string(c.tabIndex) + "\">" + HtmlEscaped(c.caption) +
               "</button>\n";
    case Line: // horizontal, one pixel high, from X1 up to X2
        return "<div" + id + " class=\"n\" style=\"left:" + Px(c.left) + ";top:" + Px(c.top) +
               ";width:" + Px(c.width - c.left) + ";height:1px\"></div>\n";
    }
    return {};
}

} // namespace

std::string Title()
{
    return HtmlEscaped(WindowTitle);
}

std::string ControlsHtml()
{
    std::vector<const Control*> stacking;
    for (const Control& c : Controls)
        stacking.push_back(&c);
    std::stable_sort(stacking.begin(), stacking.end(), [](const Control* a, const Control* b) {
        return StackingKey(*a) < StackingKey(*b);
    });
    std::string html;
    for (const Control* c : stacking)
        html += Element(*c);
    return html;
}

std::string FontPlaceholder(std::size_t file)
{
    return "@FACE-" + std::to_string(file) + "@";
}

std::string WindowCss()
{
    std::string css;
    for (std::size_t i = 0; i < look::FaceFiles.size(); ++i) {
        const look::FaceFile& file = look::FaceFiles[i];
        const look::Face face = look::StandIns[file.standIn].face;
        // The Sans stand-in's first baseline lies one em down, as Windows
        // draws MS Sans Serif's (11 px for S8, 13 px for the S10 keys).
        css += "@font-face{font-family:\"" + FamilyOf(face) + "\";" +
               (face == look::Face::Sans ? "ascent-override:100%;descent-override:21%;line-gap-override:0%;" : "") +
               (file.bold ? "font-weight:700;" : "") + (file.italic ? "font-style:italic;" : "") +
               "src:url(data:font/woff;base64," + FontPlaceholder(i) + ") format(\"woff\")}\n";
    }
    css += ":root{";
    for (const look::Colour& c : look::Colours)
        css += "--" + std::string(c.name) + ":" + Hex(c.rgb) + ";";
    for (std::size_t i = 0; i < look::FaceNames.size(); ++i)
        css += "--face-" + std::string(look::FaceNames[i]) + ":\"" + FamilyOf(static_cast<look::Face>(i)) + "\";";
    for (const look::KeyFont& f : look::KeyFonts)
        css += "--f" + std::string(f.name) + ":" + (f.italic ? "italic " : "normal ") + (f.bold ? "700 " : "400 ") +
               std::to_string(f.pixels) + "px \"" + FamilyOf(f.face) + "\";";
    css += "}\n#Calorvin{width:" + Px(ClientWidth) + ";height:" + Px(ClientHeight) + "}\n";
    for (const look::KeyFont& f : look::KeyFonts)
        css += ".f" + std::string(f.name) + "{font-family:\"" + FamilyOf(f.face) + "\";font-size:" +
               std::to_string(f.pixels) + "px;font-weight:" + (f.bold ? "700" : "400") +
               ";font-style:" + (f.italic ? "italic" : "normal") + "}\n";
    return css;
}

std::string FacesJson()
{
    std::string json = "[";
    for (std::size_t i = 0; i < look::FaceFiles.size(); ++i) {
        const look::FaceFile& file = look::FaceFiles[i];
        const look::Face face = look::StandIns[file.standIn].face;
        std::string text;
        for (const Control& c : Controls)
            if (const look::KeyFont* f = look::FontOf(c.font); f && f->face == face)
                text += c.caption;
        if (file.typedIn) { // what a box may show: every printable character of ASCII and Latin-1
            for (unsigned c = 0x20; c <= 0xFF; ++c)
                if (c < 0x7F)
                    text.push_back(static_cast<char>(c));
                else if (c >= 0xA0)
                    text += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            text += "…";
        }
        json += std::string(i ? "," : "") + "{\"placeholder\":" + Json(FontPlaceholder(i)) + ",\"path\":" +
                Json(file.path) + ",\"package\":" + Json(look::PackageOf(file)) +
                ",\"stretch\":" + std::to_string(look::StretchOf(face)) + ",\"text\":" + Json(text) + "}";
    }
    return json + "]";
}

namespace {

// The page's part of the menu's table, in its order.
std::string PageMenu()
{
    std::string json = "[";
    for (const menu::Item& item : menu::Items) {
        if (!item.page)
            continue;
        std::vector<std::string_view> keys;
        for (std::string_view key : item.keys)
            if (!key.empty())
                keys.push_back(key);
        json += std::string(json.size() > 1 ? "," : "") + "{\"command\":" + Json(item.name) + ",\"caption\":" +
                Json(item.caption) + ",\"keys\":" + JsonList(keys) + "}";
    }
    return json + "]";
}

} // namespace

std::string ScriptData()
{
    const BoxNames boxes = Boxes();
    return "{\"entries\":" + JsonList(boxes.entries) + ",\"results\":" + JsonList(boxes.results) +
           ",\"clear\":" + JsonList(boxes.byTabIndex) +
           ",\"title\":" + Json(WindowTitle) + ",\"warningTitle\":" + Json(WarningTitle) +
           ",\"ended\":" + Json("Calorvin è terminato: si può chiudere questa pagina.") +
           ",\"menu\":" + PageMenu() + "}";
}

} // namespace calorvin::web
