#pragma once

// The window Calorvin as data: every control, in twips, row by row from the
// top of the window down. The window (calorvin.cpp) builds every control from
// this table in one loop; nothing else knows a position. What each box holds
// (its caption, unit and check) is the core's table of quantities.

#include "quantities.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace calorvin::layout {

enum class Kind { Label, Box, Button, Line };

// Font keys; fonts.h says which face stands in for each.
enum class Font { NoFont, S8, S10, S10B, S10BI, V10B, V10I, G14B };

// Caption colours; colours.h says where each comes from.
enum class Ink { NoInk, Desktop, Highlight };

enum class Align { Left, Centre };

// What a box holds, and what a button does.
enum class Role { None, Entry, Result, Calcola, Cancella, Uscita };

inline constexpr int TwipsPerPixel = 15; // at 96 dpi, i.e. per logical pixel

// One control. A line is given by its end points (X1, Y1)-(X2, Y2) in the
// four geometry fields; it has no TabIndex and instead names the label that
// lies directly above it.
struct Control {
    Kind kind;
    std::string_view name;    // objectName, the control's name
    std::string_view caption; // label or button caption
    int left, top, width, height; // twips; lines: X1, Y1, X2, Y2
    int tabIndex;                 // -1 for lines
    Font font = Font::NoFont;
    Ink ink = Ink::NoInk;
    Align align = Align::Left;
    std::string_view under = {}; // lines only: the label just above the line
    // Boxes only: the labels beside the box, its name (followed by the "2" of
    // O2 in the CO rows) and its unit.
    std::string_view captionLabel = {}, subscriptLabel = {}, unitLabel = {};
    Role role = Role::None;
    std::size_t quantity = 0; // boxes only: the position in Entries or Results
};

using enum Kind;
using enum Font;
using enum Ink;
using enum Align;
using enum Role;

inline constexpr int ClientWidth = 9480;
inline constexpr int ClientHeight = 8955;
inline constexpr std::string_view WindowTitle =
    "Calcolo Parametri per certificazione secondo UNI 14785";
// How assistive tools describe a box, after its caption and unit.
inline constexpr std::string_view EntryDescription = "dato in ingresso";
inline constexpr std::string_view ResultDescription = "dato in uscita";

// Every box is 735 x 255 in font S8 and names its quantity and its labels;
// every button 1215 x 375 in font S10.
constexpr Control TextBox(std::string_view name, int left, int top, int tabIndex, Role role,
                          std::size_t quantity, std::string_view captionLabel,
                          std::string_view unitLabel, std::string_view subscriptLabel = {})
{
    return {Box,  name, {}, left, top, 735, 255, tabIndex, S8, NoInk, Left, {}, captionLabel,
            subscriptLabel, unitLabel, role, quantity};
}
constexpr Control PushButton(std::string_view name, std::string_view caption, int left,
                             int top, int tabIndex, Role command)
{
    return {Button, name, caption, left, top, 1215, 375, tabIndex, S10, NoInk, Left, {}, {}, {}, {},
            command};
}
constexpr Control HLine(std::string_view name, int x1, int y1, int x2, int y2,
                        std::string_view under)
{
    return {Line, name, {}, x1, y1, x2, y2, -1, NoFont, Desktop, Left, under};
}

// clang-format off
inline constexpr std::array Controls = {
//  kind   name               caption                                      Left  Top   Width Height Tab Font   Ink        Align
    // Title band and section headings
    Control{Label, "LBLIntestazione", "ANALISI COMBUSTIONE SECONDO UNI EN 14785", 840, 240, 7695, 300,  0, G14B, Highlight, Centre},
    Control{Label, "Label4",  "Utilizzare il punto come separatore dei decimali",  2040, 600, 4935, 300, 13, S8,   Highlight, Centre},
    Control{Label, "Label5",  "DATI IN INGRESSO",                                   960, 1080, 2055, 195, 14, S10B, Highlight, Centre},
    Control{Label, "Label8",  "DATI IN USCITA",                                    5880, 1080, 2055, 195, 17, S10B, Highlight, Centre},

    // Entry rows: name label, entry box, unit label
    Control{Label, "LBLPeso",    "Peso Iniziale",      480, 1560, 1215, 255,  1, S10, Desktop},
    TextBox(       "TxtPin",                          2280, 1560,              2, Entry, entry::Pin, "LBLPeso", "Label6"),
    Control{Label, "Label6",     "[kg]",              3120, 1560,  375, 255, 15, S10, Desktop},

    Control{Label, "LBLPout",    "Peso Finale",        480, 2160, 1095, 255, 11, S10, Desktop},
    TextBox(       "TxtPout",                         2280, 2160,              9, Entry, entry::Pout, "LBLPout", "Label7"),
    Control{Label, "Label7",     "[kg]",              3120, 2160,  375, 255, 16, S10, Desktop},

    Control{Label, "LBLAltezza", "Massa Comb. B",      480, 2760, 1815, 255,  8, S10, Desktop},
    TextBox(       "TxtB",                            2280, 2760,             12, Entry, entry::B, "LBLAltezza", "Label9"),
    Control{Label, "Label9",     "[kg/h]",            3120, 2760,  615, 255, 18, S10, Desktop},

    Control{Label, "Label10",    "Potere Calorif. H",  480, 3360, 1815, 255, 20, S10, Desktop},
    TextBox(       "TxtH",                            2280, 3360,             19, Entry, entry::H, "Label10", "Label11"),
    Control{Label, "Label11",    "[kJ/kg]",           3120, 3360,  615, 255, 21, S10, Desktop},

    Control{Label, "Label12",    "Salto Termico N",    480, 3960, 1815, 255, 23, S10, Desktop},
    TextBox(       "TxtN",                            2280, 3960,             22, Entry, entry::N, "Label12", "Label13"),
    Control{Label, "Label13",    "[K] o [°C]",        3120, 3960,  855, 255, 24, S10, Desktop},

    Control{Label, "Label14",    "Portata  Q",         480, 4560, 1815, 255, 26, S10, Desktop},
    TextBox(       "TxtQ",                            2280, 4560,             25, Entry, entry::Q, "Label14", "Label15"),
    Control{Label, "Label15",    "[l/h]",             3120, 4560,  375, 255, 27, S10, Desktop},

    Control{Label, "Label16",    "Rendimento Comb.",   480, 5160, 1815, 255, 29, S10, Desktop},
    TextBox(       "TxtEta",                          2280, 5160,             28, Entry, entry::Eta, "Label16", "Label47"),
    Control{Label, "Label47",    "[%]",               3120, 5160,  495, 255, 68, S10, Desktop},

    Control{Label, "Label17",    "CO al 13% di O",     480, 5760, 1335, 255, 31, S10, Desktop},
    Control{Label, "Label19",    "2",                 1800, 5880,  135, 255, 33, S8,  Desktop},
    TextBox(       "TxtCO",                           2280, 5760,             30, Entry, entry::CO, "Label17", "Label18", "Label19"),
    Control{Label, "Label18",    "[mg/m³]",           3120, 5760,  735, 255, 32, S10, Desktop},

    // Result rows, in their order on screen: name label, result box, unit label
    Control{Label, "Label20",    "Portata Massica Mw",   5280, 1560, 1935, 255, 35, S10, Desktop},
    TextBox(       "TxtMw",                             7440, 1560,             34, Result, result::Mw, "Label20", "Label21"),
    Control{Label, "Label21",    "[kg/h]",              8280, 1560,  495, 255, 36, S10, Desktop},

    Control{Label, "Label22",    "Potenza Nominale P",   5280, 2160, 1935, 255, 38, S10, Desktop},
    TextBox(       "TxtP",                              7440, 2160,             37, Result, result::P, "Label22", "Label23"),
    Control{Label, "Label23",    "[kw]",                8280, 2160,  495, 255, 39, S10, Desktop},

    Control{Label, "Label24",    "Potenza all'acqua Pw", 5280, 2760, 1935, 255, 41, S10, Desktop},
    TextBox(       "TxtPw",                             7440, 2760,             40, Result, result::Pw, "Label24", "Label25"),
    Control{Label, "Label25",    "[kw]",                8280, 2760,  495, 255, 42, S10, Desktop},

    Control{Label, "Label26",    "Potenza all'aria Ph",  5280, 3360, 1935, 255, 44, S10, Desktop},
    TextBox(       "TxtPa",                             7440, 3360,             43, Result, result::Pa, "Label26", "Label27"),
    Control{Label, "Label27",    "[kw]",                8280, 3360,  495, 255, 45, S10, Desktop},

    Control{Label, "Label49",    "Rendimento all'Acqua", 5280, 3960, 2175, 255, 71, S10, Desktop},
    TextBox(       "TxtEtaw",                           7440, 3960,             69, Result, result::Etaw, "Label49", "Label48"),
    Control{Label, "Label48",    "[%]",                 8280, 3960,  375, 255, 70, S10, Desktop},

    Control{Label, "Label28",    "CO al 13% di O",       5280, 4560, 1335, 255, 47, S10, Desktop},
    Control{Label, "Label30",    "2",                   6600, 4680,  135, 255, 49, S8,  Desktop},
    TextBox(       "TxtCOppm",                          7440, 4560,             46, Result, result::COppm, "Label28", "Label29", "Label30"),
    Control{Label, "Label29",    "[ppm]",               8280, 4560,  735, 255, 48, S10, Desktop},

    Control{Label, "Label45",    "Differenza Peso",      5280, 5160, 1575, 255, 66, S10, Desktop},
    TextBox(       "TxtDp",                             7440, 5160,             65, Result, result::Dp, "Label45", "Label46"),
    Control{Label, "Label46",    "[kg]",                8280, 5160,  375, 255, 67, S10, Desktop},

    // Push buttons
    PushButton("CmdCancella", "Cancella",  360, 7080, 5, Cancella),
    PushButton("CmdCalcola",  "Calcola",  2760, 7080, 4, Calcola),
    PushButton("CmdUscita",   "Uscita",   1560, 7800, 3, Uscita),

    // Formula block; a line's four numbers are X1, Y1, X2, Y2
    Control{Label, "LBLFormula", "Formule Utilizzate:", 5760, 5880, 2295, 255, 10, S10BI, Desktop},
    // P = (Rendimento x B x H) / (100 x 3600)
    Control{Label, "Label33", "P  =",                 4560, 6600,  495, 255, 52, S10, Desktop},
    Control{Label, "Label32", "Rendimento x B x H",   5040, 6360, 1575, 255, 51, S8,  Desktop},
    HLine(         "Line1",                           4920, 6720, 6480, 6720, "Label32"),
    Control{Label, "Label31", "100 x 3600",           5280, 6840,  855, 255, 50, S8,  Desktop},
    // Pw = (Mw x N) / (0,86 x 1000)
    Control{Label, "Label36", "Pw =",                 7320, 6600,  495, 255, 55, S10, Desktop},
    Control{Label, "Label35", "Mw x N",               8040, 6360,  615, 255, 54, S8,  Desktop},
    HLine(         "Line2",                           7800, 6720, 8880, 6720, "Label35"),
    Control{Label, "Label34", "0,86 x 1000",          7920, 6840,  975, 255, 53, S8,  Desktop},
    // Rend. Acqua = Pw / P x 100
    Control{Label, "Label50", "Rend. Acqua  =",       4560, 7440, 1215, 255, 72, S8,  Desktop},
    Control{Label, "Label51", "Pw",                   5880, 7200,  375, 255, 73, S8,  Desktop},
    HLine(         "Line3",                           5760, 7560, 6240, 7560, "Label52"),
    Control{Label, "Label52", "P",                    5880, 7680,  255, 255, 74, S8,  Desktop},
    Control{Label, "Label53", "x 100",                6360, 7440,  495, 255, 75, S8,  Desktop},
    // Mw[kg/h] = Q [l/h]
    Control{Label, "Label3",  "Mw[kg/h]  = Q [l/h]",  7320, 7440, 1815, 255, 58, S10, Desktop},
    // Ph = P - Pw
    Control{Label, "Label38", "Ph  = P - Pw",         4560, 7920, 1095, 255, 56, S10, Desktop},
    // CO al 13% di O2 [ppm] = (CO al 13% di O2 [mg/m³]) / 1,25
    Control{Label, "Label37", "CO al 13% di O",       4560, 8400, 1455, 375, 59, S10, Desktop},
    Control{Label, "Label39", "2",                    5880, 8520,  135, 255, 60, S8,  Desktop},
    Control{Label, "Label43", "[ppm] =",              6000, 8400,  735, 255, 62, S10, Desktop},
    Control{Label, "Label41", "CO al 13% di O",       6840, 8160, 1095, 255, 63, S8,  Desktop},
    Control{Label, "Label44", "²",                    7920, 8280,  135, 135, 64, S8,  Desktop},
    Control{Label, "Label42", "[mg/m³]",              8040, 8160,  735, 255, 61, S8,  Desktop},
    HLine(         "Line4",                           6840, 8520, 8640, 8520, "Label3"),
    Control{Label, "Label40", "1,25",                 7560, 8640,  375, 255, 57, S8,  Desktop},

    // Version and credit
    Control{Label, "Label2",  "Versione 1.1",          360, 8520, 1395, 345,  6, V10B, Highlight},
    Control{Label, "Label1",  "By Quorbel",           2040, 8520, 2115, 345,  7, V10I, Highlight},
};
// clang-format on

// The table against the window's counts and rules, at compile time.
constexpr int CountOf(Kind kind)
{
    return static_cast<int>(std::count_if(Controls.begin(), Controls.end(),
                                          [kind](const Control& c) { return c.kind == kind; }));
}
static_assert(CountOf(Box) == EntryCount + ResultCount && CountOf(Button) == 3);

constexpr bool EveryValueIsWholePixels()
{
    for (const Control& c : Controls)
        for (int v : {c.left, c.top, c.width, c.height})
            if (v % TwipsPerPixel != 0)
                return false;
    return ClientWidth % TwipsPerPixel == 0 && ClientHeight % TwipsPerPixel == 0;
}
static_assert(EveryValueIsWholePixels(), "every twip value is a whole pixel at 96 dpi");

// Every control but the lines has a TabIndex, 0 up to their count less one,
// each once.
inline constexpr std::size_t TabStops = Controls.size() - static_cast<std::size_t>(CountOf(Line));
constexpr bool TabIndicesAreEachOnce()
{
    std::array<int, TabStops> seen{};
    for (const Control& c : Controls) {
        if (c.kind == Line)
            continue;
        if (c.tabIndex < 0 || c.tabIndex >= static_cast<int>(TabStops) || seen[static_cast<std::size_t>(c.tabIndex)]++)
            return false;
    }
    return true;
}
static_assert(TabIndicesAreEachOnce(), "TabIndex 0 to the count of tab stops less one, each once");

// Index of the control of this name, or -1.
constexpr int IndexOf(std::string_view name)
{
    for (std::size_t i = 0; i < Controls.size(); ++i)
        if (Controls[i].name == name)
            return static_cast<int>(i);
    return -1;
}

constexpr bool LinesLieUnderALabel()
{
    for (const Control& c : Controls)
        if (c.kind == Line &&
            (IndexOf(c.under) < 0 || Controls[static_cast<std::size_t>(IndexOf(c.under))].kind != Label))
            return false;
    return true;
}
static_assert(LinesLieUnderALabel());

constexpr bool IsLabel(std::string_view name)
{
    return IndexOf(name) >= 0 && Controls[static_cast<std::size_t>(IndexOf(name))].kind == Label;
}
constexpr bool BoxesNameTheirLabels()
{
    for (const Control& c : Controls)
        if (c.kind == Box && (!IsLabel(c.captionLabel) || !IsLabel(c.unitLabel) ||
                              (!c.subscriptLabel.empty() && !IsLabel(c.subscriptLabel))))
            return false;
    return true;
}
static_assert(BoxesNameTheirLabels());

// Each quantity has one box, named Txt and its symbol, on its row: entries
// in table order, results at their row of the result column.
constexpr bool BoxesShowEachQuantityOnce()
{
    std::array<int, EntryCount + ResultCount> seen{};
    for (const Control& c : Controls) {
        if (c.kind != Box)
            continue;
        const bool entry = c.role == Entry;
        if ((!entry && c.role != Result) || c.quantity >= (entry ? Entries.size() : Results.size()))
            return false;
        const std::string_view symbol = entry ? Entries[c.quantity].symbol : Results[c.quantity].symbol;
        const int row = entry ? static_cast<int>(c.quantity) : Results[c.quantity].row;
        if (!c.name.starts_with("Txt") || c.name.substr(3) != symbol || c.top != 1560 + 600 * row
            || seen[c.quantity + (entry ? 0 : EntryCount)]++)
            return false;
    }
    return true;
}
static_assert(BoxesShowEachQuantityOnce());

// The boxes as Cancella blanks them, by rising TabIndex, numbered as the core's
// form numbers them (the entries, then the results); worked out as the
// program is compiled, for the window and the page alike.
constexpr std::array<std::size_t, EntryCount + ResultCount> BoxesByTabIndex()
{
    std::array<const Control*, EntryCount + ResultCount> boxes{};
    std::size_t n = 0;
    for (const Control& c : Controls)
        if (c.kind == Box)
            boxes.at(n++) = &c; // beyond one box a quantity, no constant: a compile error
    std::sort(boxes.begin(), boxes.end(), [](const Control* a, const Control* b) { return a->tabIndex < b->tabIndex; });
    std::array<std::size_t, EntryCount + ResultCount> order{};
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = boxes[k]->role == Entry ? boxes[k]->quantity : EntryCount + boxes[k]->quantity;
    return order;
}
inline constexpr std::array<std::size_t, EntryCount + ResultCount> ClearOrder = BoxesByTabIndex();

// What assistive tools call a box: its quantity's caption and its unit as
// the window shows it beside the box, "Salto Termico N [K] o [°C]".
inline std::string AccessibleName(const Control& box)
{
    const std::string_view caption =
        box.role == Entry ? Entries[box.quantity].caption : Results[box.quantity].caption;
    return std::string(caption) + ' ' +
           std::string(Controls[static_cast<std::size_t>(IndexOf(box.unitLabel))].caption);
}

// Stacking, bottom first: labels by TabIndex, each line just
// below the label it names, then boxes and buttons above everything.
constexpr int StackingKey(const Control& c)
{
    switch (c.kind) {
    case Label: return 2 * c.tabIndex;
    case Line: return 2 * Controls[static_cast<std::size_t>(IndexOf(c.under))].tabIndex - 1;
    case Box:
    case Button: return 1000 + c.tabIndex;
    }
    return 0;
}

} // namespace calorvin::layout
