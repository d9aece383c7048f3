#include "fonts.h"

#include "look.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>

namespace calorvin::ui {

// Faces. "MS Sans Serif" exists on Linux only as Wine's bitmap-only
// TrueType: Qt can use just its first strike (the 8 pt one, for 11 and 13 px
// alike), never makes it bold and cannot scale it. So the S keys use Wine's
// Tahoma, its scalable successor, narrowed to 90 %: Tahoma runs wider than MS
// Sans Serif, and the narrowest box ("[kg/h]" of Label21, 33 px in S10) needs
// 90 % to hold its caption. Only tahoma.ttf is registered: Wine's
// tahomabd.ttf draws regular strokes at bold widths, while Qt's synthetic
// bold of the regular face is truly bold (and its slant serves S10BI).
// "Verdana" becomes DejaVu Sans, closest to it in shapes and widths;
// "Garamond" becomes Linux Libertine O Bold, a Garamond-like face whose
// figures stand on the line as Garamond's do ("14785" in the heading); EB
// Garamond 12's bold has only old-style figures, which hang below it, and
// stays the second choice. Each key takes the
// first face present; a missing one that a Debian package provides is named
// on standard error with its package, since its stand-in cuts captions.
//
// Sizes, weights and widths are look.h's, in logical pixels like the
// window's geometry, so text and boxes scale together under Qt's high-DPI
// scaling whatever dpi the platform reports.
namespace {

// Outside fontconfig's paths, and all that start-up registers.
constexpr const char* TahomaFile = "/usr/share/wine/fonts/tahoma.ttf";

// A face the window asks for, and the Debian package that provides it; none
// for the Windows faces, used only where someone has installed them.
struct Face {
    const char* family;
    const char* package;
};

void ReportMissing(const char* face, const char* package, const QString& insteadUsed, const char* how = "")
{
    std::fprintf(stderr, "calorvin: manca il carattere \"%s\" (pacchetto Debian %s): uso \"%s\"%s\n", face, package,
                 insteadUsed.toUtf8().constData(), how);
}

// One family per key, chosen once: a list of families would let Qt take a
// later one that has the italic or the width asked for (DejaVu Sans
// Condensed Bold Oblique instead of Tahoma Bold made oblique).
// Looked up in the list of installed families: hasFamily() would also ask
// fontconfig to resolve aliases, 0.1 ms a call, a measurable part of start-up.
QString FirstPresent(const QStringList& present, std::initializer_list<Face> faces)
{
    const Face* chosen = nullptr;
    for (const Face& face : faces)
        if (!chosen && present.contains(QLatin1String(face.family), Qt::CaseInsensitive))
            chosen = &face;
    const QString family = QLatin1String(chosen ? chosen->family : (faces.end() - 1)->family);
    for (const Face& face : faces) {
        if (&face == chosen)
            break;
        if (face.package) // none present: the face fontconfig puts in the last one's place
            ReportMissing(face.family, face.package, chosen ? family : QFontInfo(QFont(family)).family());
    }
    return family;
}

struct Families {
    QString sans, verdana, garamond;
};

const Families& ChosenFamilies()
{
    static const Families families = [] {
        const QStringList present = QFontDatabase::families();
        Families f{FirstPresent(present, {{"Tahoma", "fonts-wine"}, {"DejaVu Sans Condensed", "fonts-dejavu-extra"}}),
                   FirstPresent(present, {{"Verdana", nullptr}, {"DejaVu Sans", "fonts-dejavu-core"}}),
                   FirstPresent(present, {{"Garamond", nullptr}, {"Linux Libertine O", "fonts-linuxlibertine"},
                                          {"EB Garamond 12", "fonts-ebgaramond"},
                                          {"DejaVu Serif", "fonts-dejavu-core"}})};
        // V10I's italic is a face of its own, in another package than the
        // upright one; without it Qt takes another slanted face of the family
        // or slants the upright one.
        if (f.verdana == QLatin1String("DejaVu Sans") && present.contains(f.verdana)
            && !QFontDatabase::styles(f.verdana).contains(QLatin1String("Oblique"))) {
            QFont italic(f.verdana);
            italic.setItalic(true);
            const QFontInfo info(italic);
            const QString style = info.styleName();
            if (style.contains(QLatin1String("Oblique")) || style.contains(QLatin1String("Italic")))
                ReportMissing("DejaVu Sans Oblique", "fonts-dejavu-extra", info.family() + QLatin1Char(' ') + style);
            else
                ReportMissing("DejaVu Sans Oblique", "fonts-dejavu-extra", info.family(), " inclinato");
        }
        return f;
    }();
    return families;
}

QFont Make(const QString& family, int pixelSize, bool bold, bool italic, int stretch)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setStretch(stretch);
    // Vertical hinting only: advances then do not depend on the user's
    // hinting settings, so the widths the tests measure are those on screen.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

} // namespace

void SetUpFonts()
{
    const QString file = QString::fromLatin1(TahomaFile);
    if (QFile::exists(file))
        QFontDatabase::addApplicationFont(file);
    ChosenFamilies(); // at start, so that a missing face is named before the window shows
}

QFont FontFor(layout::Font key)
{
    const look::KeyFont* font = look::FontOf(key);
    if (!font)
        return QFont();
    const auto& [sans, verdana, garamond] = ChosenFamilies();
    const QString& family = font->face == look::Face::Sans ? sans : font->face == look::Face::Verdana ? verdana : garamond;
    return Make(family, font->pixels, font->bold, font->italic, font->stretch);
}

int CaptionTopOffset(layout::Font key)
{
    const look::KeyFont* font = look::FontOf(key);
    if (!font || font->baseline == 0)
        return 0;
    static std::array<int, 8> offsets = [] { std::array<int, 8> a; a.fill(-1); return a; }();
    int& offset = offsets.at(static_cast<std::size_t>(key));
    if (offset < 0)
        offset = std::max(0, font->baseline - qRound(QFontMetricsF(FontFor(key)).ascent()));
    return offset;
}

} // namespace calorvin::ui
