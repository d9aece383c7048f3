#include "page_data.h"

#include "evaluation.h"
#include "layout.h"

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

// The colours ui/colours.cpp reads where the platform has no scheme of its
// own (Qt's default palette, and the classic desktop blue), with the shades
// the classic style draws its bevels in.
struct Colour {
    std::string_view name, value;
};
constexpr std::array<Colour, 8> Palette = {{
    {"button-face", "#efefef"}, // window background and every label's fill
    {"window", "#ffffff"},      // text box background
    {"window-text", "#000000"}, // text box text
    {"highlight", "#308cc6"},   // title, note, headings, version and credit
    {"desktop", "#3a6ea5"},     // name, unit and formula captions; the four lines
    {"light", "#ffffff"},       // bevels: lit edge
    {"dark", "#9f9f9f"},        //   shaded edge
    {"shadow", "#767676"},      //   dark edge
}};

// The fonts of ui/fonts.cpp: face, size in pixels, weight, slant; for the
// faces standing in for MS Sans Serif, the first baseline's depth below the
// top of the box, where Windows puts it.
struct KeyFont {
    Font key;
    std::string_view name, family;
    int pixels;
    bool bold, italic;
};
constexpr std::array<KeyFont, 7> KeyFonts = {{
    {S8, "S8", "Calorvin Sans", 11, false, false},
    {S10, "S10", "Calorvin Sans", 13, false, false},
    {S10B, "S10B", "Calorvin Sans", 13, true, false},
    {S10BI, "S10BI", "Calorvin Sans", 13, true, true},
    {V10B, "V10B", "Calorvin Verdana", 13, true, false},
    {V10I, "V10I", "Calorvin Verdana", 13, false, true},
    {G14B, "G14B", "Calorvin Garamond", 19, true, false},
}};

std::string Px(int twips)
{
    return std::to_string(twips / TwipsPerPixel) + "px";
}

std::string Escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
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

const Control& Named(std::string_view name)
{
    return Controls[static_cast<std::size_t>(IndexOf(name))];
}

std::string FontClass(Font key)
{
    for (const KeyFont& f : KeyFonts)
        if (f.key == key)
            return std::string(" f") + std::string(f.name);
    return {};
}

// Labels that name a box: which box.
std::string_view BoxNamedBy(std::string_view label)
{
    for (const Control& c : Controls)
        if (c.kind == Box && c.captionLabel == label)
            return c.name;
    return {};
}

// What assistive tools call a box: its quantity's caption and the unit label beside it.
std::string AccessibleName(const Control& box)
{
    const std::string_view caption =
        box.role == Entry ? Entries[box.quantity].caption : Results[box.quantity].caption;
    return std::string(caption) + " " + std::string(Named(box.unitLabel).caption);
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
               Escaped(c.caption) + "</" + tag + ">\n";
    }
    case Box:
        return "<input" + id + " class=\"b" + FontClass(c.font) + "\" style=\"" + place +
               "\" tabindex=\"" + std::to_string(c.tabIndex) + "\" aria-label=\"" +
               Escaped(AccessibleName(c)) + "\" aria-description=\"" +
               std::string(c.role == Entry ? EntryDescription : ResultDescription) +
               "\" autocomplete=\"off\" spellcheck=\"false\">\n";
    case Button:
        return "<button" + id + " class=\"c" + FontClass(c.font) + "\" style=\"" + place +
               "\" tabindex=\"" + std::to_string(c.tabIndex) + "\">" + Escaped(c.caption) +
               "</button>\n";
    case Line: // horizontal, one pixel high, from X1 up to X2
        return "<div" + id + " class=\"n\" style=\"left:" + Px(c.left) + ";top:" + Px(c.top) +
               ";width:" + Px(c.width - c.left) + ";height:1px\"></div>\n";
    }
    return {};
}

} // namespace

const std::array<Face, 4> Faces = {{
    // MS Sans Serif: Wine's Tahoma at 90 % of its width; bold and italic are
    // drawn from it, and its first baseline lies one em down, as Windows
    // draws MS Sans Serif's (11 px for S8, 13 px for the S10 keys).
    {"Calorvin Sans", "/usr/share/wine/fonts/tahoma.ttf", "fonts-wine",
     "ascent-override:100%;descent-override:21%;line-gap-override:0%", true, true},
    // Verdana: DejaVu Sans, bold and oblique.
    {"Calorvin Verdana", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
     "fonts-dejavu-core", "font-weight:700", false, false},
    {"Calorvin Verdana", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
     "fonts-dejavu-extra", "font-style:italic", false, false},
    // Garamond: Linux Libertine O Bold, whose figures stand on the line.
    {"Calorvin Garamond", "/usr/share/fonts/opentype/linux-libertine/LinLibertine_RB.otf",
     "fonts-linuxlibertine", "font-weight:700", false, false},
}};

std::string Title()
{
    return Escaped(WindowTitle);
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

std::string WindowCss()
{
    std::string css = ":root{";
    for (const Colour& c : Palette)
        css += "--" + std::string(c.name) + ":" + std::string(c.value) + ";";
    css += "}\n#Calorvin{width:" + Px(ClientWidth) + ";height:" + Px(ClientHeight) + "}\n";
    for (const KeyFont& f : KeyFonts)
        css += ".f" + std::string(f.name) + "{font-family:\"" + std::string(f.family) +
               "\";font-size:" + std::to_string(f.pixels) + "px;font-weight:" +
               (f.bold ? "700" : "400") + ";font-style:" + (f.italic ? "italic" : "normal") +
               "}\n";
    return css;
}

std::string FaceText(std::string_view family)
{
    std::string text;
    for (const Control& c : Controls)
        for (const KeyFont& f : KeyFonts)
            if (f.key == c.font && f.family == family)
                text += c.caption;
    return text;
}

std::string ScriptData()
{
    const BoxNames boxes = Boxes();
    std::vector<std::string_view> record(boxes.entries.begin(), boxes.entries.end());
    record.insert(record.end(), boxes.results.begin(), boxes.results.end());
    return "{\"entries\":" + JsonList(boxes.entries) + ",\"results\":" + JsonList(boxes.results) +
           ",\"clear\":" + JsonList(boxes.byTabIndex) + ",\"record\":" + JsonList(record) +
           ",\"title\":" + Json(WindowTitle) + ",\"warningTitle\":" + Json(WarningTitle) +
           ",\"ended\":" + Json("Calorvin è terminato: si può chiudere questa pagina.") +
           ",\"menu\":[" + Json("Copia la prova") + "," + Json("Stampa o salva come PDF…") + "," +
           Json("Calcola da un file CSV…") + "]}";
}

} // namespace calorvin::web
