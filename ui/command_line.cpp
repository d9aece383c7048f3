#include "command_line.h"

#include "batch.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace calorvin::ui {

namespace {

constexpr std::string_view Help =
    "Uso: calorvin [--csv FILE [--decimal-point]]\n"
    "Senza opzioni apre la finestra di calcolo.\n"
    "  --csv FILE        valuta una prova per riga di FILE (- per lo standard input):\n"
    "                    otto campi Pin, Pout, B, H, N, Q, Eta, CO separati da ; o ,\n"
    "                    e riscrive ogni riga con i sette risultati e gli avvisi\n"
    "  --decimal-point   con --csv, risultati col punto invece del separatore regionale\n"
    "  --help            mostra questo aiuto\n"
    "  --version         mostra la versione\n"
    "Valgono anche le opzioni di Qt per la finestra (-platform, -style, ...).\n";

int Refuse(std::string_view what, std::string_view argument = {})
{
    std::string line = "calorvin: ";
    line.append(what).append(argument).append(" (calorvin --help per l'uso)\n");
    std::fputs(line.c_str(), stderr);
    return 2;
}

// Qt's messages while the application is being constructed: held, so that a
// missing display gives one line of ours instead of Qt's lines and an abort.
struct HeldMessage {
    QtMsgType type;
    QByteArray file, function, category; // null where the context had none
    int line;
    QString text;

    QMessageLogContext Context() const
    {
        const auto chars = [](const QByteArray& a) { return a.isNull() ? nullptr : a.constData(); };
        return QMessageLogContext(chars(file), line, chars(function), chars(category));
    }
};
std::vector<HeldMessage> heldMessages;

bool IsNoDisplay(const QString& text)
{
    return text.contains(QLatin1String("could not connect to display")) // xcb
           || text.contains(QLatin1String("Failed to create wl_display")); // wayland
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, context.file, context.function, context.category,
                                context.line, text});
        return;
    }
    // Qt cannot go on and would abort with a core dump.
    bool noDisplay = IsNoDisplay(text);
    for (const HeldMessage& held : heldMessages)
        noDisplay = noDisplay || IsNoDisplay(held.text);
    if (noDisplay) {
        std::fputs("calorvin: nessun display: avviare da una sessione grafica\n", stderr);
    } else {
        for (const HeldMessage& held : heldMessages)
            std::fprintf(stderr, "%s\n",
                         qPrintable(qFormatLogMessage(held.type, held.Context(), held.text)));
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
    std::_Exit(2);
}

} // namespace

std::optional<int> RunCommandLine(int argc, char* argv[])
{
    bool help = false;
    bool version = false;
    bool decimalPoint = false;
    const char* csv = nullptr;
    const char* other = nullptr; // Qt's, or unknown: Qt tells once it has its own
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            help = true;
        else if (argument == "--version")
            version = true;
        else if (argument == "--decimal-point")
            decimalPoint = true;
        else if (argument == "--csv" && i + 1 < argc)
            csv = argv[++i];
        else if (argument == "--csv")
            return Refuse("--csv vuole un file, o - per lo standard input");
        else if (!other)
            other = argv[i];
    }

    if (help) {
        std::fwrite(Help.data(), 1, Help.size(), stdout);
        return 0;
    }
    if (version) {
        std::fputs("calorvin " CALORVIN_VERSION "\n", stdout);
        return 0;
    }
    if (!csv) {
        if (decimalPoint)
            return Refuse("--decimal-point vale solo con --csv");
        return std::nullopt;
    }
    if (other) // without a window, Qt's options have no meaning either
        return Refuse("opzione sconosciuta: ", other);
    const std::string separator =
        decimalPoint ? "." : QLocale::system().decimalPoint().toStdString();
    calorvin::CFileBuffer outBuffer(stdout), errBuffer(stderr);
    std::ostream out(&outBuffer), err(&errBuffer);
    return EvaluateBatchFile(csv, out, err, separator);
}

std::unique_ptr<QApplication> CreateApplication(int& argc, char* argv[])
{
    const QtMessageHandler previous = qInstallMessageHandler(HoldMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const HeldMessage& held : heldMessages)
        previous(held.type, held.Context(), held.text);
    heldMessages.clear();

    if (argc > 1) {
        Refuse("opzione sconosciuta: ", argv[1]);
        return nullptr;
    }
    return app;
}

} // namespace calorvin::ui
