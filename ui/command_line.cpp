#include "command_line.h"

#include "application.h"
#include "batch.h"
#include "quantities.h"
#include "system_reason.h"

#include <QApplication>
#include <QLocale>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace calorvin::ui {

namespace {

// The fields of --csv's lines, named from the core's table of entries: "otto
// campi Pin, Pout, B, H, N, Q, Eta, CO", and the count of its results.
std::string Help()
{
    constexpr std::array<std::string_view, 13> Numbers = {"zero", "un",   "due",  "tre",  "quattro", "cinque", "sei",
                                                          "sette", "otto", "nove", "dieci", "undici", "dodici"};
    static_assert(EntryCount < Numbers.size() && ResultCount < Numbers.size());
    std::string fields;
    for (const EntryQuantity& entry : Entries)
        fields += (fields.empty() ? "" : ", ") + std::string(entry.symbol);
    return "Uso: calorvin [--csv FILE [--decimal-point]]\n"
           "Senza opzioni apre la finestra di calcolo.\n"
           "  --csv FILE        valuta una prova per riga di FILE (- per lo standard input):\n"
           "                    " + std::string(Numbers[EntryCount]) + " campi " + fields + " separati da ; , o tab,\n"
           "                    e riscrive ogni riga con i " + std::string(Numbers[ResultCount]) + " risultati e gli avvisi\n"
           "  --decimal-point   con --csv, risultati col punto invece del separatore regionale\n"
           "  -h, --help        mostra questo aiuto\n"
           "  --version         mostra la versione\n"
           "Valgono anche le opzioni di Qt per la finestra (-platform, -style, ...).\n";
}

// A stream buffer over a C stream, for standard input and output without
// <iostream>: its start-up work (the standard streams and their locale) would
// otherwise fall on every start of the window, which never uses them. A read
// or write that fails throws, so that the stream reports it with its cause.
// Reading takes what has arrived (a terminal's line as soon as it is typed)
// and ends at the first end of file: one Ctrl-D at a terminal, not two.
class CFileBuffer final : public std::streambuf {
public:
    explicit CFileBuffer(std::FILE* file) : m_file(file) {}

protected:
    int_type underflow() override
    {
        if (m_ended)
            return traits_type::eof();
        ssize_t got = 0;
        do
            got = ::read(fileno(m_file), m_buffer, sizeof m_buffer);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            Fail();
        m_ended = got == 0;
        if (m_ended)
            return traits_type::eof();
        setg(m_buffer, m_buffer, m_buffer + got);
        return traits_type::to_int_type(m_buffer[0]);
    }
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()) && std::fputc(c, m_file) == EOF)
            Fail();
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        if (std::fwrite(text, 1, static_cast<std::size_t>(count), m_file) != static_cast<std::size_t>(count))
            Fail();
        return count;
    }
    int sync() override
    {
        if (std::fflush(m_file) != 0)
            Fail();
        return 0;
    }

private:
    [[noreturn]] static void Fail() { throw std::system_error(errno, std::generic_category()); }

    std::FILE* m_file;
    bool m_ended = false;
    char m_buffer[1 << 16];
};

// Writes a short text (the help, the version) to standard output: 0, or 2
// with the reason when it cannot be written (a full disk, a closed stream).
int Print(std::string_view text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return 0;
    const int error = errno;
    std::clearerr(stdout);
    std::fputs(("calorvin: impossibile scrivere sullo standard output: " +
                (error ? SystemReason(error) : std::string("scrittura non riuscita")) + "\n").c_str(), stderr);
    return 2;
}

int Refuse(const std::string& what)
{
    std::fputs(("calorvin: " + what + " (calorvin --help per l'uso)\n").c_str(), stderr);
    return 2;
}

// Qt's own options, which QApplication takes out of the command line: how
// many values follow each, or -1 for an argument Qt does not know.
int QtOptionValues(std::string_view argument)
{
    if (argument.starts_with("--"))
        argument.remove_prefix(1); // Qt takes its options with one dash or two
    for (std::string_view option : {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                                    "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-session",
                                    "-style", "-stylesheet", "-display", "-geometry", "-title", "-icon",
                                    "-name", "-visual"})
        if (argument == option)
            return 1;
    for (std::string_view option : {"-reverse", "-widgetcount", "-nograb", "-dograb", "-testability"})
        if (argument == option)
            return 0;
    for (std::string_view prefix : {"-style=", "-stylesheet=", "-qmljsdebugger="})
        if (argument.starts_with(prefix))
            return 0;
    return -1;
}

// The connection that asked the X server, closed once Qt has its own: a
// server whose last client leaves resets itself, and Qt would wait for that.
void* xConnection = nullptr;
void (*xDisconnect)(void*) = nullptr;

// Whether an X server answered but refused the connection (no or a wrong
// authorization): libxcb writes the server's words to standard error itself,
// which the check catches, so that the program says it in one line.
bool xRefused = false;

// Whether the X server answers: a connection through the library Qt's X
// platform will load anyway (asked for by name: nothing to link). Without
// the library there is nothing to ask, and Qt says what is missing.
bool XServerAnswers(const char* display)
{
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb)
        return true;
    using Connect = void* (*)(const char*, int*);
    using Status = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<Status>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    if (!connect || !hasError || !disconnect)
        return true;
    std::fflush(stderr);
    const int savedErr = dup(STDERR_FILENO);
    int caught[2] = {-1, -1};
    if (savedErr >= 0 && pipe2(caught, O_CLOEXEC | O_NONBLOCK) == 0)
        dup2(caught[1], STDERR_FILENO);
    void* connection = connect(display, nullptr); // never null: a failed one has its error
    if (caught[0] >= 0) {
        dup2(savedErr, STDERR_FILENO);
        char said[256];
        xRefused = read(caught[0], said, sizeof said) > 0;
        close(caught[0]);
        close(caught[1]);
    }
    if (savedErr >= 0)
        close(savedErr);
    if (hasError(connection) != 0) {
        disconnect(connection);
        return false;
    }
    xConnection = connection;
    xDisconnect = disconnect;
    return true;
}

// Whether the Wayland compositor's socket takes a connection, found as the
// Wayland client library finds it.
bool WaylandAnswers()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_SOCKET"))
        return true; // a connection handed down already
    std::string path = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "wayland-0" : std::getenv("WAYLAND_DISPLAY");
    if (!path.starts_with('/')) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime)
            return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return answers;
}

// Whether the display of the platform Qt will use answers, asked before Qt
// starts (Qt alone aborts when it does not). Platforms that need no display
// (offscreen, minimal, ...) count as answering; of a list ("wayland;xcb"),
// Qt takes the first that works.
bool DisplayAnswers(const char* platformOption, const char* displayOption)
{
    const std::string platforms = platformOption ? platformOption : qgetenv("QT_QPA_PLATFORM").toStdString();
    if (platforms.empty()) // Qt's default: X, or Wayland in a Wayland session
        return XServerAnswers(displayOption) || (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && WaylandAnswers());
    for (std::size_t start = 0; start <= platforms.size();) {
        const std::size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string_view name = std::string_view(platforms).substr(start, end - start);
        if (name.starts_with("xcb") ? XServerAnswers(displayOption)
            : name.starts_with("wayland") ? WaylandAnswers()
                                          : !name.empty())
            return true;
        start = end + 1;
    }
    return false;
}

// A fatal message while the application is being constructed (no platform
// plugin, a display gone meanwhile): printed, then status 2, where Qt alone
// would abort with a core dump. Other messages go where they always go.
QtMessageHandler ordinaryHandler = nullptr;
void EndOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg)
        return ordinaryHandler(type, context, text);
    std::fputs((qFormatLogMessage(type, context, text).toStdString() + "\n").c_str(), stderr);
    std::fputs("calorvin: la finestra non si avvia (messaggio di Qt qui sopra)\n", stderr);
    std::_Exit(2);
}

} // namespace

std::optional<int> RunCommandLine(int argc, char* argv[])
{
    bool help = false;
    bool version = false;
    bool decimalPoint = false;
    const char* csv = nullptr;
    const char* qtOption = nullptr; // the first of Qt's, for the window only
    const char* platform = nullptr;
    const char* display = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--decimal-point") {
            decimalPoint = true;
        } else if (argument == "--csv") {
            if (csv)
                return Refuse("--csv data più di una volta");
            if (i + 1 == argc)
                return Refuse("--csv vuole un file, o - per lo standard input");
            csv = argv[++i];
        } else if (const int values = QtOptionValues(argument); values >= 0) {
            if (values > 0 && i + 1 == argc)
                return Refuse("manca il valore di " + Printable(argument));
            qtOption = qtOption ? qtOption : argv[i];
            const char* value = values > 0 ? argv[++i] : nullptr;
            const std::string_view name = argument.substr(argument.starts_with("--") ? 1 : 0);
            platform = name == "-platform" ? value : platform;
            display = name == "-display" ? value : display;
        } else {
            return Refuse("opzione sconosciuta: " + Printable(argument));
        }
    }

    if (csv && (help || version))
        return Refuse(help ? "--csv non va con --help" : "--csv non va con --version");
    if (help)
        return Print(Help());
    if (version)
        return Print("calorvin " CALORVIN_VERSION "\n");
    if (!csv) {
        if (decimalPoint)
            return Refuse("--decimal-point vale solo con --csv");
        if (!DisplayAnswers(platform, display)) {
            std::fputs(xRefused ? "calorvin: il server X rifiuta la connessione: avviare da una sessione grafica "
                                  "autorizzata\n"
                                : "calorvin: nessun display: avviare da una sessione grafica\n",
                       stderr);
            return 2;
        }
        return std::nullopt;
    }
    if (qtOption) // without a window, Qt's options have no meaning
        return Refuse(Printable(qtOption) + " vale solo per la finestra, non con --csv");
    const std::string separator =
        decimalPoint ? "." : QLocale::system().decimalPoint().toStdString();
    CFileBuffer outBuffer(stdout), errBuffer(stderr);
    std::ostream out(&outBuffer), err(&errBuffer);
    if (std::string_view(csv) != "-")
        return EvaluateBatchFile(csv, out, err, separator);
    CFileBuffer inBuffer(stdin);
    std::istream in(&inBuffer);
    return EvaluateBatch(in, out, err, separator, "-");
}

std::unique_ptr<QApplication> CreateApplication(int& argc, char* argv[])
{
    const bool styleChosen = StyleChosenByUser(argc, argv); // before Qt takes -style out of argv
    ordinaryHandler = qInstallMessageHandler(EndOnFatal);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(ordinaryHandler);
    if (xConnection)
        xDisconnect(std::exchange(xConnection, nullptr));
    if (argc > 1) { // an option of Qt's list that this Qt does not take
        Refuse("opzione sconosciuta: " + Printable(argv[1]));
        return nullptr;
    }
    SetUpApplication(*app, styleChosen);
    return app;
}

} // namespace calorvin::ui
