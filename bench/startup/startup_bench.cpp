// Start-up benchmark: time from exec to the top-level window's first drawing
// (and, shown but not judged, to its MapNotify and the main thread's processor
// time until that drawing, which a busy machine disturbs far less), and peak
// resident memory, for each program given, run by run in alternation. The first program is the
// baseline; the others are reported as ratios of it.
//
//   startup_bench [--runs N] [--warmup N] [--settle-ms N] [--timeout-s N]
//                 [--display :N] [--xvfb PATH] [--goal-paint-ratio R]
//                 [--goal-extra-mib M] NAME=PROGRAM [NAME=PROGRAM ...]
//
// PROGRAM may carry arguments after spaces ("calorvin=ui/calorvin -style
// windows"). Programs are compared only if built alike: each carries its build
// type and flags in its file (bench/startup/CMakeLists.txt puts them there),
// and the harness refuses to compare files whose stamps differ or that have none.
// One program alone is run whatever its build, e.g. under a profiler:
// one=valgrind --tool=callgrind ui/calorvin, with a longer --timeout-s.
//
// Without --display it starts its own Xvfb on a free display (-displayfd) and
// stops it at the end. No window manager runs, so a top-level window is a
// child of the root window and its map is seen with SubstructureNotifyMask on
// the root: the harness blocks on the X connection, it never polls. With the
// DAMAGE extension it sees the first drawing into the window, the first
// paint a person sees (Qt gives its windows no background, so the server
// draws nothing there itself); the map alone is no start-up, since a window
// may be mapped long before it shows anything.
//
// Each program is ended cleanly once its window is mapped and painted (after
// --settle-ms): a WM_DELETE_WINDOW message, as the close box sends; then
// wait4() gives the peak resident set size (ru_maxrss) of its whole life.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include "summary.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Program {
    std::string name;
    std::vector<std::string> argv; // the program's file, then its arguments
    std::string build;             // its build stamp, empty if it has none
    std::vector<double> startupMs;
    std::vector<double> peakRssMib;
    std::vector<double> cpuMs;
    std::vector<double> firstPaintMs;
    std::vector<double> firstPaintCpuMs;
    int windowWidth = 0;
    int windowHeight = 0;
    int forcedKills = 0;
};

struct Options {
    int runs = 25;
    int warmup = 2;
    int settleMs = 300;
    int timeoutS = 30; // to map and paint the window
    std::string display;
    std::string xvfb = "Xvfb";
    double goalPaintRatio = 1.15; // the first drawing at most this times the baseline's
    double goalExtraMib = 3e6 / 1048576; // peak memory at most the baseline's plus 3 MB
    std::vector<Program> programs;
};

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what);
}

double NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

int IntArg(const char* text, const char* option)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 100000)
        Fail(std::string("bad value for ") + option + ": " + text);
    return static_cast<int>(value);
}

Options ParseOptions(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Fail("missing value after " + arg);
            return argv[++i];
        };
        if (arg == "--runs")
            options.runs = IntArg(value(), "--runs");
        else if (arg == "--warmup")
            options.warmup = IntArg(value(), "--warmup");
        else if (arg == "--settle-ms")
            options.settleMs = IntArg(value(), "--settle-ms");
        else if (arg == "--timeout-s")
            options.timeoutS = IntArg(value(), "--timeout-s");
        else if (arg == "--display")
            options.display = value();
        else if (arg == "--xvfb")
            options.xvfb = value();
        else if (arg == "--goal-paint-ratio")
            options.goalPaintRatio = std::atof(value());
        else if (arg == "--goal-extra-mib")
            options.goalExtraMib = std::atof(value());
        else if (const auto eq = arg.find('='); eq != std::string::npos && eq > 0) {
            Program program;
            program.name = arg.substr(0, eq);
            for (std::size_t from = eq + 1; from < arg.size();) {
                const std::size_t to = std::min(arg.find(' ', from), arg.size());
                if (to > from)
                    program.argv.push_back(arg.substr(from, to - from));
                from = to + 1;
            }
            if (program.argv.empty())
                Fail("no program after " + arg);
            options.programs.push_back(std::move(program));
        } else
            Fail("usage: startup_bench [--runs N] [--warmup N] [--settle-ms N] [--timeout-s N] [--display :N] "
                 "[--xvfb PATH] [--goal-paint-ratio R] [--goal-extra-mib M] "
                 "NAME=PROGRAM [ARG ...] ...");
    }
    if (options.programs.empty())
        Fail("no program given (NAME=PROGRAM; the first is the baseline)");
    if (options.runs < 1)
        Fail("--runs must be at least 1");
    return options;
}

// The build stamp in a program's file: the line after the marker; empty if
// there is none.
std::string BuildStamp(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        Fail("cannot read " + path);
    std::string bytes;
    char buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    std::fclose(file);
    constexpr std::string_view marker = "calorvin-build-stamp:";
    const std::size_t at = bytes.find(marker);
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + marker.size();
    return bytes.substr(from, bytes.find('\n', from) - from);
}

// Ratios mean something only between programs built alike: the same tree's
// floor and window differ by the window's work alone, while the same bare
// window built two ways can differ by more than the 10 % the goal allows.
void CheckBuiltAlike(std::vector<Program>& programs)
{
    for (auto& p : programs)
        p.build = BuildStamp(p.argv.front());
    if (programs.size() < 2)
        return;
    std::string listing;
    bool alike = true;
    for (const auto& p : programs) {
        listing += "\n  " + p.name + ": " + (p.build.empty() ? "no build stamp" : p.build);
        alike = alike && !p.build.empty() && p.build == programs.front().build;
    }
    if (!alike)
        Fail("will not compare programs built differently; build them in one tree "
             "(scripts/bench.sh builds Release in build/bench):" + listing);
}

// Waits until fd is readable or the deadline (monotonic ms) passes.
bool WaitReadable(int fd, double deadlineMs)
{
    for (;;) {
        const double left = deadlineMs - NowMs();
        if (left <= 0)
            return false;
        pollfd pfd{fd, POLLIN, 0};
        const int n = poll(&pfd, 1, static_cast<int>(std::ceil(left)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            Fail(std::string("poll: ") + std::strerror(errno));
    }
}

// An Xvfb of our own on a free display, chosen by the server (-displayfd).
class OwnXvfb {
public:
    explicit OwnXvfb(const std::string& binary)
    {
        int fds[2];
        if (pipe(fds) != 0)
            Fail("pipe failed");
        fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        const std::string fdText = std::to_string(fds[1]);
        std::vector<std::string> args = {binary, "-displayfd", fdText, "-screen", "0", "1280x1024x24",
                                         "-nolisten", "tcp", "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        // Its complaints while it looks for a free display are noise here.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawnp(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            Fail("cannot start " + binary + " (scripts/dev.sh installs xvfb)");
        close(fds[1]);
        std::string number;
        const double deadline = NowMs() + 20000;
        while (WaitReadable(fds[0], deadline)) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            Stop();
            Fail(binary + " did not report its display; start it by hand to see why");
        }
        m_display = ":" + number;
    }
    OwnXvfb(const OwnXvfb&) = delete;
    OwnXvfb& operator=(const OwnXvfb&) = delete;
    ~OwnXvfb() { Stop(); }

    const std::string& display() const { return m_display; }

private:
    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

    pid_t m_pid = -1;
    std::string m_display;
};

// The time a program's main thread has spent on a processor so far (its
// scheduler statistics, in ns): unlike the time to the first drawing, it
// barely moves with what else the machine runs.
double MainThreadCpuMs(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/schedstat";
    std::FILE* file = std::fopen(path.c_str(), "r");
    unsigned long long ns = 0;
    if (file) {
        if (std::fscanf(file, "%llu", &ns) != 1)
            ns = 0;
        std::fclose(file);
    }
    return static_cast<double>(ns) / 1e6;
}

struct RunResult {
    double startupMs = 0;
    double peakRssMib = 0;
    double cpuMs = 0; // user + system time of the whole run
    double firstPaintMs = 0; // exec to the first drawing into the window
    double firstPaintCpuMs = 0; // the main thread's time on a processor until then
    int width = 0;
    int height = 0;
    bool forcedKill = false;
};

class Harness {
public:
    Harness(const std::string& display, int settleMs, int timeoutS)
        : m_display(display), m_settleMs(settleMs), m_timeoutMs(timeoutS * 1000.0)
    {
        m_dpy = XOpenDisplay(display.c_str());
        if (!m_dpy)
            Fail("cannot open display " + display);
        // A window may be gone by the time it is asked about; that is no error here.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XSelectInput(m_dpy, DefaultRootWindow(m_dpy), SubstructureNotifyMask);
        int damageError = 0;
        if (!XDamageQueryExtension(m_dpy, &m_damageEvent, &damageError))
            Fail("the X server lacks the DAMAGE extension, which shows the first drawing");
        m_wmProtocols = XInternAtom(m_dpy, "WM_PROTOCOLS", False);
        m_wmDelete = XInternAtom(m_dpy, "WM_DELETE_WINDOW", False);
        m_netWmPid = XInternAtom(m_dpy, "_NET_WM_PID", False);
        XSync(m_dpy, False);
        // The programs run with the display of this harness, in an X session
        // without Wayland, where Qt takes its X platform by default.
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("QT_QPA_PLATFORM=", 0) == 0
                || entry.rfind("WAYLAND_DISPLAY=", 0) == 0)
                continue;
            m_env.push_back(entry);
        }
        m_env.push_back("DISPLAY=" + display);
        // A private runtime folder where none is set, as a desktop session has.
        if (!std::getenv("XDG_RUNTIME_DIR")) {
            char folder[] = "/tmp/startup_bench.XXXXXX";
            if (mkdtemp(folder)) {
                m_runtimeDir = folder;
                m_env.push_back("XDG_RUNTIME_DIR=" + m_runtimeDir);
            }
        }
        // A session bus address where none is set, as a desktop session has;
        // nothing answers there, so the programs go without the bus. Without
        // an address, libdbus forks to look for a bus, and after the fork
        // every page a program writes faults again (copy on write): a cost
        // no user meets, and larger for the program that writes more.
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            m_env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path="
                            + (m_runtimeDir.empty() ? std::string("/nonexistent") : m_runtimeDir) + "/bus");
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;
    ~Harness()
    {
        XCloseDisplay(m_dpy);
        if (!m_runtimeDir.empty())
            std::filesystem::remove_all(m_runtimeDir);
    }

    RunResult Run(std::vector<std::string> args)
    {
        DrainEvents();
        std::vector<char*> envp;
        for (auto& e : m_env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string& path = args.front();

        pid_t pid = -1;
        const double start = NowMs();
        if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
            Fail("cannot start " + path);
        const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        if (pidfd < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            Fail("pidfd_open failed");
        }

        RunResult result;
        Watch watch;
        const bool shown = Pump(pid, pidfd, start + m_timeoutMs, watch,
                                [&] { return watch.mapped != None && watch.paintedMs >= 0; });
        if (!shown) {
            kill(pid, SIGKILL);
            close(pidfd);
            int status = 0;
            waitpid(pid, &status, 0);
            Fail(path + " ended or hung before " + (watch.mapped == None ? "mapping" : "drawing into")
                 + " a window (status " + std::to_string(status) + ")");
        }
        const Window window = watch.mapped;
        result.startupMs = watch.mappedMs - start;
        result.firstPaintMs = watch.paintedMs - start;
        result.firstPaintCpuMs = watch.paintedCpuMs;
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(m_dpy, window, &attributes)) {
            result.width = attributes.width;
            result.height = attributes.height;
        }

        // Let the first paint happen, then close it as the close box does.
        const bool endedEarly = WaitReadable(pidfd, NowMs() + m_settleMs);
        if (endedEarly) {
            close(pidfd);
            waitpid(pid, nullptr, 0);
            Fail(path + " ended on its own after mapping its window");
        }
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = m_wmProtocols;
        message.xclient.format = 32;
        message.xclient.data.l[0] = static_cast<long>(m_wmDelete);
        message.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_dpy, window, False, NoEventMask, &message);
        XFlush(m_dpy);
        if (!WaitReadable(pidfd, NowMs() + 5000)) {
            kill(pid, SIGKILL);
            result.forcedKill = true;
        }
        close(pidfd);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!result.forcedKill && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            Fail(path + " did not end cleanly when closed (status " + std::to_string(status) + ")");
        result.peakRssMib = static_cast<double>(usage.ru_maxrss) / 1024.0; // KiB -> MiB
        const auto ms = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
        };
        result.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
        return result;
    }

private:
    void DrainEvents()
    {
        XSync(m_dpy, False);
        while (XPending(m_dpy)) {
            XEvent e;
            XNextEvent(m_dpy, &e);
        }
    }

    bool BelongsTo(Window window, pid_t pid)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        const int status = XGetWindowProperty(m_dpy, window, m_netWmPid, 0, 1, False, XA_CARDINAL, &type,
                                              &format, &count, &after, &data);
        bool mine = true; // without the property, the only client running is ours
        if (status == Success && data && format == 32 && count == 1)
            mine = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
        if (data)
            XFree(data);
        return mine;
    }

    // What one run has seen on the X connection so far.
    struct Watch {
        Window mapped = None;
        double mappedMs = 0;
        double paintedMs = -1;
        double paintedCpuMs = 0;
    };

    void Handle(const XEvent& e, pid_t pid, Watch& watch)
    {
        const double now = NowMs();
        if (e.type == CreateNotify && !e.xcreatewindow.override_redirect) {
            // Track drawing into every top-level window from its creation on,
            // so the first paint cannot slip past.
            XDamageCreate(m_dpy, e.xcreatewindow.window, XDamageReportNonEmpty);
        } else if (e.type == MapNotify && watch.mapped == None && !e.xmap.override_redirect) {
            if (BelongsTo(e.xmap.window, pid)) {
                watch.mapped = e.xmap.window;
                watch.mappedMs = now;
            }
        } else if (e.type == m_damageEvent + XDamageNotify) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(e);
            if (watch.mapped != None && damage.drawable == watch.mapped && watch.paintedMs < 0) {
                watch.paintedMs = now;
                watch.paintedCpuMs = MainThreadCpuMs(pid);
            }
        }
    }

    // Blocks on the X connection (and the child's pidfd) and handles events
    // until done() holds; false if the child ends or the deadline passes first.
    template <typename Done>
    bool Pump(pid_t pid, int pidfd, double deadline, Watch& watch, Done done)
    {
        const int xfd = ConnectionNumber(m_dpy);
        for (;;) {
            while (XPending(m_dpy)) {
                XEvent e;
                XNextEvent(m_dpy, &e);
                Handle(e, pid, watch);
                if (done())
                    return true;
            }
            const double left = deadline - NowMs();
            if (left <= 0)
                return false;
            pollfd fds[2] = {{xfd, POLLIN, 0}, {pidfd, POLLIN, 0}};
            const int n = poll(fds, 2, static_cast<int>(std::ceil(left)));
            if (n < 0 && errno != EINTR)
                Fail(std::string("poll: ") + std::strerror(errno));
            if (n > 0 && (fds[1].revents & POLLIN) && !XPending(m_dpy))
                return false; // the program ended
        }
    }

    Display* m_dpy = nullptr;
    std::string m_display;
    int m_settleMs = 0;
    double m_timeoutMs = 0;
    Atom m_wmProtocols = None;
    Atom m_wmDelete = None;
    Atom m_netWmPid = None;
    int m_damageEvent = 0;
    std::vector<std::string> m_env;
    std::string m_runtimeDir;
};

using calorvin::bench::Summarise;

[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...)
{
    char buffer[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

void Report(const Options& options)
{
    const Program& base = options.programs.front();
    calorvin::bench::PrintHeader();
    // Ratios and differences of runs taken side by side cancel the slow
    // phases of a shared machine.
    enum class Metric { Mapped, Painted, PaintedCpu, Memory, Cpu };
    const auto values = [](const Program& p, Metric m) -> const std::vector<double>& {
        switch (m) {
        case Metric::Mapped: return p.startupMs;
        case Metric::Painted: return p.firstPaintMs;
        case Metric::PaintedCpu: return p.firstPaintCpuMs;
        case Metric::Memory: return p.peakRssMib;
        case Metric::Cpu: break;
        }
        return p.cpuMs;
    };
    const auto note = [&](const Program& p, Metric m) -> std::string {
        if (&p == &base)
            return "baseline";
        std::vector<double> paired;
        for (std::size_t i = 0; i < values(p, m).size(); ++i)
            paired.push_back(m == Metric::Memory ? values(p, m)[i] - values(base, m)[i]
                                                 : values(p, m)[i] / values(base, m)[i]);
        const auto s = Summarise(paired);
        if (m == Metric::Memory)
            return Format("%+.2f MiB (paired, IQR %+.2f to %+.2f); goal <= %+.2f MiB: ", s.median, s.q1, s.q3,
                          options.goalExtraMib)
                   + (s.median <= options.goalExtraMib ? "met" : "MISSED");
        const std::string ratio = Format("%.3fx (paired, IQR %.3f-%.3f)", s.median, s.q1, s.q3);
        if (m != Metric::Painted)
            return ratio;
        return ratio + Format("; goal <= %.2fx: ", options.goalPaintRatio)
               + (s.median <= options.goalPaintRatio ? "met" : "MISSED");
    };
    const struct {
        Metric metric;
        const char* benchmark;
        const char* unit;
    } rows[] = {{Metric::Painted, "start-up: first drawing", "ms"},
                {Metric::PaintedCpu, "start-up: main thread's CPU", "ms"},
                {Metric::Mapped, "start-up: map (not judged)", "ms"},
                {Metric::Memory, "start-up: peak RSS", "MiB"},
                {Metric::Cpu, "start-up: CPU, whole run", "ms"}};
    for (const auto& row : rows)
        for (const auto& p : options.programs)
            calorvin::bench::PrintRow(row.benchmark, p.name, values(p, row.metric), row.unit, note(p, row.metric));
    std::printf("# start-up: %d runs of each program in alternation under Xvfb, against %s; every program built "
                "alike: %s\n",
                options.runs, base.name.c_str(), base.build.empty() ? "(no build stamp)" : base.build.c_str());
    for (const auto& p : options.programs) {
        std::string command;
        for (const auto& word : p.argv)
            command += " " + word;
        std::printf("#   %s:%s, window %dx%d%s\n", p.name.c_str(), command.c_str(), p.windowWidth, p.windowHeight,
                    p.forcedKills ? (", killed " + std::to_string(p.forcedKills) + "x").c_str() : "");
    }
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        Options options = ParseOptions(argc, argv);
        CheckBuiltAlike(options.programs);
        std::optional<OwnXvfb> xvfb;
        if (options.display.empty()) {
            xvfb.emplace(options.xvfb);
            options.display = xvfb->display();
        }
        Harness harness(options.display, options.settleMs, options.timeoutS);

        // Warm-up runs fill the file and font caches; they are not counted.
        for (int w = 0; w < options.warmup; ++w)
            for (auto& p : options.programs)
                harness.Run(p.argv);

        // Alternate run by run, and flip the order every round so neither
        // program always follows the other.
        const std::size_t n = options.programs.size();
        for (int round = 0; round < options.runs; ++round) {
            for (std::size_t k = 0; k < n; ++k) {
                Program& p = options.programs[round % 2 == 0 ? k : n - 1 - k];
                const RunResult r = harness.Run(p.argv);
                p.startupMs.push_back(r.startupMs);
                p.peakRssMib.push_back(r.peakRssMib);
                p.cpuMs.push_back(r.cpuMs);
                p.firstPaintMs.push_back(r.firstPaintMs);
                p.firstPaintCpuMs.push_back(r.firstPaintCpuMs);
                p.windowWidth = r.width;
                p.windowHeight = r.height;
                p.forcedKills += r.forcedKill ? 1 : 0;
            }
        }

        Report(options);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startup_bench: %s\n", e.what());
        return 1;
    }
}
