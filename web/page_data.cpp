#include "page_data.h"

#include "evaluation.h"
#include "layout.h"
#include "look.h"
#include "menu.h"
#include "record_table.h" // HtmlEscaped

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace calorvin::web {

namespace {

using namespace calorvin::layout;

// The boxes' names as the window's table gives them: the entries in the order
// of the core's table of entries, the results in that of its results (the
// order the core reads and writes them).
struct BoxNames {
    std::array<std::string_view, EntryCount> entries;
    std::array<std::string_view, ResultCount> results;
};

BoxNames Boxes()
{
    BoxNames names;
    for (const Control& c : Controls) {
        if (c.role == Entry)
            names.entries[c.quantity] = c.name;
        if (c.role == Result)
            names.results[c.quantity] = c.name;
    }
    return names;
}

// The family each face's stand-in has inside the page.
std::string FamilyOf(look::Face face)
{
    return "Calorvin " + std::string(look::NameOf(face));
}

// The Sans stand-in's faces carry an ascent of one em (PageFaces), so that
// the first baseline lies where the window puts MS Sans Serif's.
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

// The formulas, each part in the order it is spoken: drawn in pieces, read
// as one text. A line is a fraction's bar.
constexpr std::array<std::array<std::string_view, 8>, 4> Formulas = {{
    {"Label33", "Label32", "Line1", "Label31"},
    {"Label36", "Label35", "Line2", "Label34"},
    {"Label50", "Label51", "Line3", "Label52", "Label53"},
    {"Label37", "Label39", "Label43", "Label41", "Label44", "Label42", "Line4", "Label40"},
}};

const Control& Named(std::string_view name)
{
    return Controls[static_cast<std::size_t>(IndexOf(name))];
}

// A subscript's digit, spoken with the word before it ("O2").
bool IsSubscript(std::string_view caption)
{
    return caption == "2" || caption == "\u00b2";
}

// The formula this control is drawn as part of, or none.
const std::array<std::string_view, 8>* FormulaOf(std::string_view name)
{
    for (const auto& f : Formulas)
        if (std::find(f.begin(), f.end(), name) != f.end())
            return &f;
    return nullptr;
}

std::string Spoken(const std::array<std::string_view, 8>& formula)
{
    std::string text;
    for (std::string_view part : formula) {
        if (part.empty())
            break;
        const Control& c = Named(part);
        if (c.kind == Line)
            text += " /";
        else if (IsSubscript(c.caption))
            text += "2";
        else
            for (char ch : (text.empty() ? "" : " ") + std::string(c.caption))
                if (ch != ' ' || (!text.empty() && text.back() != ' '))
                    text += ch;
    }
    return text;
}

// Text only assistive tools read.
std::string SpokenOnly(std::string_view text)
{
    return "<span class=\"sr\">" + HtmlEscaped(text) + "</span>";
}

// Whether this label is the subscript of a box's caption, and which caption.
std::string_view SubscriptOf(std::string_view label)
{
    for (const Control& c : Controls)
        if (c.kind == Box && c.subscriptLabel == label)
            return c.captionLabel;
    return {};
}

std::string Element(const Control& c)
{
    const std::string place = "left:" + Px(c.left) + ";top:" + Px(c.top) + ";width:" +
                              Px(c.width) + ";height:" + Px(c.height) + ";z-index:" + std::to_string(StackingKey(c));
    // Parts of a formula, and a caption's subscript, are read with the text they belong to.
    const bool spokenElsewhere = FormulaOf(c.name) || !SubscriptOf(c.name).empty();
    const std::string id = " id=\"" + std::string(c.name) + "\"" + (spokenElsewhere ? " aria-hidden=\"true\"" : "");
    switch (c.kind) {
    case Label: {
        // The name label beside a box is its label, as assistive tools read it.
        const std::string_view box = BoxNamedBy(c.name);
        const std::string tag = box.empty() ? "div" : "label";
        std::string subscript;
        for (const Control& b : Controls)
            if (b.kind == Box && b.captionLabel == c.name && !b.subscriptLabel.empty())
                subscript = SpokenOnly(Named(b.subscriptLabel).caption);
        return "<" + tag + id + (box.empty() ? "" : " for=\"" + std::string(box) + "\"") +
               " class=\"l" + FontClass(c.font) + (c.ink == Highlight ? " hi" : "") +
               (c.align == Centre ? " mid" : "") + "\" style=\"" + place + "\">" +
               HtmlEscaped(c.caption) + subscript + "</" + tag + ">\n";
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
               ";width:" + Px(c.width - c.left) + ";height:1px;z-index:" + std::to_string(StackingKey(c)) +
               "\"></div>\n";
    }
    return {};
}

} // namespace

std::string Title()
{
    return HtmlEscaped(WindowTitle);
}

// In reading order, as assistive tools read the page: row by row from the
// top, a control within 8 pixels below a row's first being in that row, each
// row from the left; a formula's spoken text where its first part is. The
// window's stacking is kept by z-index.
std::string ControlsHtml()
{
    std::vector<const Control*> byTop;
    for (const Control& c : Controls)
        byTop.push_back(&c);
    std::stable_sort(byTop.begin(), byTop.end(), [](const Control* a, const Control* b) { return a->top < b->top; });
    std::vector<std::pair<int, const Control*>> reading; // row's top, control
    for (const Control* c : byTop)
        reading.emplace_back(!reading.empty() && c->top - reading.back().first <= 8 * TwipsPerPixel
                                 ? reading.back().first : c->top, c);
    std::stable_sort(reading.begin(), reading.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second->left < b.second->left;
    });
    std::string html;
    std::vector<const std::array<std::string_view, 8>*> spoken;
    for (const auto& [row, c] : reading) {
        if (const auto* f = FormulaOf(c->name); f && std::find(spoken.begin(), spoken.end(), f) == spoken.end()) {
            spoken.push_back(f);
            html += "<p class=\"sr\">" + HtmlEscaped(Spoken(*f)) + "</p>\n";
        }
        html += Element(*c);
    }
    return html;
}

std::string FontPlaceholder(std::size_t file)
{
    return "@FACE-" + std::to_string(file) + "@";
}

namespace {

// The faces the page embeds: every file the window draws from, and the Sans
// stand-in's bold and bold italic, which the window draws from its regular
// face (FaceFiles) and the page embeds made the same way, so that no engine
// makes up its own (one's synthetic bold is barely visible at 13 px).
struct PageFace {
    std::size_t file; // row of FaceFiles
    bool bold, italic;
    bool drawnFromRegular;
    enum Typed { CaptionsOnly, Ascii, Latin1 } typed; // beyond the captions: a box's text, a title's
};
constexpr bool IsSans(std::size_t file) { return look::StandIns[look::FaceFiles[file].standIn].face == look::Face::Sans; }
std::vector<PageFace> PageFaces()
{
    std::vector<PageFace> faces;
    for (std::size_t i = 0; i < look::FaceFiles.size(); ++i) {
        const look::FaceFile& f = look::FaceFiles[i];
        faces.push_back({i, f.bold, f.italic, false, f.typedIn ? PageFace::Latin1 : PageFace::CaptionsOnly});
        // The boxes' titles are bold: ASCII for the names of files and the
        // date (all of Latin-1 would hold back the first drawing).
        if (IsSans(i) && !f.bold && !f.italic) {
            faces.push_back({i, true, false, true, PageFace::Ascii});
            faces.push_back({i, true, true, true, PageFace::CaptionsOnly});
        }
    }
    return faces;
}

} // namespace

std::string WindowCss()
{
    std::string css;
    const std::vector<PageFace> faces = PageFaces();
    for (std::size_t i = 0; i < faces.size(); ++i)
        css += "@font-face{font-family:\"" + FamilyOf(look::StandIns[look::FaceFiles[faces[i].file].standIn].face) +
               "\";" + (faces[i].bold ? "font-weight:700;" : "") + (faces[i].italic ? "font-style:italic;" : "") +
               "src:url(data:font/woff;base64," + FontPlaceholder(i) + ") format(\"woff\")}\n";
    css += ":root{";
    for (const look::Colour& c : look::Colours)
        css += "--" + std::string(c.name) + ":" + Hex(c.rgb) + ";";
    for (std::size_t i = 0; i < look::FaceNames.size(); ++i)
        css += "--face-" + std::string(look::FaceNames[i]) + ":\"" + FamilyOf(static_cast<look::Face>(i)) + "\";";
    for (const look::KeyFont& f : look::KeyFonts)
        css += "--f" + std::string(f.name) + ":" + (f.italic ? "italic " : "normal ") + (f.bold ? "700 " : "400 ") +
               std::to_string(f.pixels) + "px \"" + FamilyOf(f.face) + "\";";
    css += "--width:" + Px(ClientWidth) + ";--height:" + Px(ClientHeight) +
           ";}\n#Calorvin{width:var(--width);height:var(--height)}\n";
    for (const look::KeyFont& f : look::KeyFonts)
        css += ".f" + std::string(f.name) + "{font-family:\"" + FamilyOf(f.face) + "\";font-size:" +
               std::to_string(f.pixels) + "px;font-weight:" + (f.bold ? "700" : "400") +
               ";font-style:" + (f.italic ? "italic" : "normal") + "}\n";
    return css;
}

std::string FacesJson()
{
    std::string json = "[";
    const std::vector<PageFace> faces = PageFaces();
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const PageFace& page = faces[i];
        const look::FaceFile& file = look::FaceFiles[page.file];
        const look::Face face = look::StandIns[file.standIn].face;
        std::string text; // a face made bold draws only the captions of its keys
        for (const Control& c : Controls)
            if (const look::KeyFont* f = look::FontOf(c.font);
                f && f->face == face && (!page.drawnFromRegular || (f->bold == page.bold && f->italic == page.italic)))
                text += c.caption;
        if (page.typed != PageFace::CaptionsOnly) { // what a box or a title may show: printable ASCII, and Latin-1
            for (unsigned c = 0x20; c <= (page.typed == PageFace::Latin1 ? 0xFF : 0x7E); ++c)
                if (c < 0x7F)
                    text.push_back(static_cast<char>(c));
                else if (c >= 0xA0)
                    text += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            if (page.typed == PageFace::Latin1)
                text += "…";
        }
        // The vertical metrics every table of the face is to carry, in percent
        // of its em (0: its own): one em above the baseline for the Sans
        // stand-in, as Windows draws MS Sans Serif (11 px for S8, 13 px for S10).
        const bool sans = face == look::Face::Sans;
        json += std::string(i ? "," : "") + "{\"placeholder\":" + Json(FontPlaceholder(i)) + ",\"path\":" +
                Json(file.path) + ",\"package\":" + Json(look::PackageOf(file)) +
                ",\"stretch\":" + std::to_string(look::StretchOf(face)) + ",\"text\":" + Json(text) +
                ",\"embolden\":" + (page.drawnFromRegular && page.bold ? "true" : "false") +
                ",\"slant\":" + (page.drawnFromRegular && page.italic ? "true" : "false") +
                ",\"ascent\":" + (sans ? "100" : "0") + ",\"descent\":" + (sans ? "21" : "0") + "}";
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
           ",\"title\":" + Json(WindowTitle) + ",\"warningTitle\":" + Json(WarningTitle) +
           ",\"ended\":" + Json("Calorvin è terminato: si può chiudere questa pagina.") +
           ",\"menu\":" + PageMenu() + "}";
}

} // namespace calorvin::web
