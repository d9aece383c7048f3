#include "application.h"

#include "fonts.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QPixmap>
#include <QTranslator>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include <fontconfig/fontconfig.h>

// The icon's resource lives in this static library; a program linking it
// must register it before use.
static void RegisterResources()
{
    Q_INIT_RESOURCE(calorvin);
}

namespace calorvin::ui {

namespace {

// Qt's Italian calls a box's Redo "Rifai"; the original platform's Italian
// edit menus say "Ripeti".
class ItalianEditMenu final : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "QLineEdit") == 0 && qstrcmp(source, "&Redo") == 0)
            return QStringLiteral("&Ripeti");
        return {};
    }
};

// The window icon's pictures, 16 to 64 pixels. Read as PNG from the start:
// left to guess, the reader would load every image format plugin to ask it.
std::vector<QImage> ReadIconPictures()
{
    RegisterResources();
    std::vector<QImage> pictures;
    for (int size : {16, 24, 32, 48, 64}) {
        QImageReader reader(QStringLiteral(":/calorvin/calorvin-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        pictures.push_back(reader.read());
    }
    return pictures;
}

// Start-up work that needs no application object, done on a thread of its
// own while the main one connects to the display.
struct EarlyWork {
    std::thread thread;
    std::vector<QImage> iconPictures;

    ~EarlyWork()
    {
        if (thread.joinable()) // the program ended before the window was set up
            thread.join();
    }
};

EarlyWork& Early()
{
    static EarlyWork work;
    return work;
}

} // namespace

void StartEarlyWork()
{
    if (Early().thread.joinable())
        return; // already under way
    Early().thread = std::thread([] {
        // Fontconfig reads every configuration file and font cache of the
        // system here, the largest single cost of a start; Qt would do it
        // on the main thread at the first font it needs.
        FcInit();
        Early().iconPictures = ReadIconPictures();
    });
}

bool StyleChosenByUser(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE"))
        return true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--", 2) == 0)
            ++arg; // Qt takes its options with one dash or two
        if (std::strcmp(arg, "-style") == 0 || std::strncmp(arg, "-style=", 7) == 0)
            return true;
    }
    return false;
}

void SetUpApplication(QApplication& app, bool styleChosenByUser)
{
    EarlyWork& early = Early();
    if (early.thread.joinable())
        early.thread.join();
    else
        early.iconPictures = ReadIconPictures();
    const std::vector<QImage> iconPictures = std::move(early.iconPictures);

    // The classic 3-D look: sunken boxes, raised buttons. The colours stay
    // those of the platform's palette, which the style would replace.
    if (!styleChosenByUser) {
        const QPalette palette = QApplication::palette();
        QApplication::setStyle(QStringLiteral("Windows"));
        QApplication::setPalette(palette);
    }

    // The toolkit's own texts (a box's edit menu) in the user's language;
    // without a translation they stay English. Our texts are Italian anyway.
    const QLocale locale = QLocale::system();
    if (locale.language() != QLocale::C && locale.language() != QLocale::English) {
        auto* qtTexts = new QTranslator(&app);
        if (qtTexts->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(qtTexts);
        else
            delete qtTexts;
        if (locale.language() == QLocale::Italian)
            QApplication::installTranslator(new ItalianEditMenu(&app)); // consulted first
    }

    QIcon icon;
    for (const QImage& picture : iconPictures)
        icon.addPixmap(QPixmap::fromImage(picture));
    QApplication::setWindowIcon(icon);

    SetUpFonts();
}

} // namespace calorvin::ui
