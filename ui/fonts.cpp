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
#include <string>
#include <string_view>

namespace calorvin::ui {

// Faces: look.h's stand-ins, the first present of each face. The S keys use
// Wine's Tahoma narrowed to 90 %: Tahoma runs wider than MS Sans Serif, and
// the narrowest box ("[kg/h]" of Label21, 33 px in S10) needs 90 % to hold
// its caption. A missing face that a Debian package provides is named on
// standard error with its package, since its stand-in cuts captions.
//
// Sizes, weights and widths are look.h's, in logical pixels like the
// window's geometry, so text and boxes scale together under Qt's high-DPI
// scaling whatever dpi the platform reports.
namespace {

void ReportMissing(std::string_view face, std::string_view package, const QString& insteadUsed, const char* how = "")
{
    std::fprintf(stderr, "calorvin: manca il carattere \"%.*s\" (pacchetto Debian %.*s): uso \"%s\"%s\n",
                 static_cast<int>(face.size()), face.data(), static_cast<int>(package.size()), package.data(),
                 insteadUsed.toUtf8().constData(), how);
}

QString Family(const look::StandIn& standIn)
{
    const std::string_view family = look::FamilyOf(standIn);
    return QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()));
}

// One family per face, chosen once: a list of families would let Qt take a
// later one that has the italic or the width asked for (DejaVu Sans
// Condensed Bold Oblique instead of Tahoma Bold made oblique).
// Looked up in the list of installed families: hasFamily() would also ask
// fontconfig to resolve aliases, 0.1 ms a call, a measurable part of start-up.
QString FirstPresent(const QStringList& present, look::Face face)
{
    const look::StandIn* chosen = nullptr;
    const look::StandIn* last = nullptr;
    for (const look::StandIn& s : look::StandIns)
        if (s.face == face) {
            last = &s;
            if (!chosen && present.contains(Family(s), Qt::CaseInsensitive))
                chosen = &s;
        }
    const QString family = Family(chosen ? *chosen : *last);
    for (const look::StandIn& s : look::StandIns) {
        if (&s == chosen)
            break;
        if (s.face == face && !s.package.empty()) // none present: the face fontconfig puts in the last one's place
            ReportMissing(look::FamilyOf(s), s.package, chosen ? family : QFontInfo(QFont(family)).family());
    }
    return family;
}

using Families = std::array<QString, look::FaceNames.size()>;

const Families& ChosenFamilies()
{
    static const Families families = [] {
        const QStringList present = QFontDatabase::families();
        Families f;
        for (std::size_t i = 0; i < f.size(); ++i)
            f[i] = FirstPresent(present, static_cast<look::Face>(i));
        // A style in a file, and a package, of its own (V10I's italic): without
        // it Qt takes another face of the family in its place or draws it from
        // the upright one.
        for (const look::FaceFile& file : look::FaceFiles) {
            const QString family = Family(look::StandIns[file.standIn]);
            const QString style = QString::fromUtf8(file.style.data(), static_cast<qsizetype>(file.style.size()));
            if (f[static_cast<std::size_t>(look::StandIns[file.standIn].face)] != family || !present.contains(family)
                || QFontDatabase::styles(family).contains(style))
                continue;
            QFont font(family);
            font.setItalic(file.italic);
            font.setBold(file.bold);
            const QFontInfo info(font);
            const QString used = info.styleName();
            const std::string missing =
                std::string(look::FamilyOf(look::StandIns[file.standIn])) + ' ' + std::string(file.style);
            if (file.italic && (used.contains(QLatin1String("Oblique")) || used.contains(QLatin1String("Italic"))))
                ReportMissing(missing, look::PackageOf(file), info.family() + QLatin1Char(' ') + used);
            else
                ReportMissing(missing, look::PackageOf(file), info.family(), file.italic ? " inclinato" : " grassetto");
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
    // Files outside fontconfig's paths.
    for (const look::FaceFile& face : look::FaceFiles) {
        const QString file = QString::fromUtf8(face.path.data(), static_cast<qsizetype>(face.path.size()));
        if (face.outsideFontconfig && QFile::exists(file))
            QFontDatabase::addApplicationFont(file);
    }
    ChosenFamilies(); // at start, so that a missing face is named before the window shows
}

QFont FontFor(layout::Font key)
{
    const look::KeyFont* font = look::FontOf(key);
    if (!font)
        return QFont();
    return Make(ChosenFamilies()[static_cast<std::size_t>(font->face)], font->pixels, font->bold, font->italic,
                font->stretch);
}

int CaptionTopOffset(layout::Font key)
{
    const look::KeyFont* font = look::FontOf(key);
    if (!font || font->baseline == 0)
        return 0;
    static std::array<int, look::KeyFonts.size()> offsets = [] {
        std::array<int, look::KeyFonts.size()> a;
        a.fill(-1);
        return a;
    }();
    int& offset = offsets.at(static_cast<std::size_t>(font - look::KeyFonts.data()));
    if (offset < 0)
        offset = std::max(0, font->baseline - qRound(QFontMetricsF(FontFor(key)).ascent()));
    return offset;
}

} // namespace calorvin::ui
