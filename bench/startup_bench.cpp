// The program's start and end as a person meets them, on a private X server (Xvfb), each measure
// beside its reference in the same run:
//
// - exec -> sign-in window mapped, with a data file of 32,767 entries (the store's maximum),
//   beside a bare Qt Widgets program (bench_bare_qt_window: a QApplication showing a QLabel);
// - exec -> main window mapped on a new home (no data), beside the same bare window;
// - Enter in the sign-in -> main window mapped, 32,767 entries (the password typed beforehand);
// - SIGTERM -> process ended with the main window shown (save, TEMP copy, backups), beside the
//   commands `cp data-file copy` and `sync copy` on the same disk;
// - resident memory (VmRSS) with the main window shown, beside the bare window's.
//
// A window counts as shown at the MapNotify of the program's top-level window, watched on the
// root window (SubstructureNotify) and told apart by its _NET_WM_PID. Keys are typed through
// the XTEST extension, as a keyboard would. The programs, the bare window and the copy take
// turns in every round, so that all meet the same load; the counters are medians over the
// rounds, and each ratio the median of the paired ratios of a round. Run from the build folder:
// ./bench/bench_startup
//
// LOCKVEX_STARTUP_PROGRAM names another build of the program to time instead of this build's
// (for figures before and after a change, taken by turns on the same machine).
// LOCKVEX_STARTUP_KEEP_HOME=1 leaves the folder with the homes and the data file in place and
// names it, for profiling one start by hand with the same data.
//
// The data file is written by a child process and lies on the disk, in a home folder of its own
// below the temporary folder, as the program finds it at every start. A first start and end,
// not timed, leave the backups that every later start finds.

#include "FullTable.h"
#include "Median.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <initializer_list>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int Rounds = 9;
// The password of the first entry the fixture writes, an access password.
const char *const SignInPassword = "Pw0x";
// Part of the main window's title.
const char *const MainWindowTitle = "Tandrell";
// How long a window is left after it showed before it is measured or ended: its own work after
// showing (activation, the first refresh) is done by then.
constexpr auto Settle = std::chrono::milliseconds(600);

double MsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A private X server on a display of its own, with the root window's SubstructureNotify watched.
class XServer
{
public:
    XServer()
    {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(pipeFds[0]);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            const std::string fd = std::to_string(pipeFds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1200x24", "-nolisten", "tcp",
                     static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        std::string number;
        char c = 0;
        while (::read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipeFds[0]);
        if (number.empty())
            return;
        name_ = ":" + number;
        display_ = XOpenDisplay(name_.c_str());
        if (!display_)
            return;
        root_ = DefaultRootWindow(display_);
        XSelectInput(display_, root_, SubstructureNotifyMask);
        // The pointer away from every window, so that no hover shows a tooltip.
        XWarpPointer(display_, None, root_, 0, 0, 0, 0, 0, 0);
        XSync(display_, False);
    }
    ~XServer()
    {
        if (display_)
            XCloseDisplay(display_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool Ok() const { return display_ != nullptr; }
    const std::string &Name() const { return name_; }

    // Waits for the MapNotify of a top-level window of process pid (not a popup); the window and
    // the moment its event came, or nothing when the process ended or timeoutMs passed first.
    std::optional<std::pair<Window, Clock::time_point>> WaitForMap(pid_t pid, double timeoutMs = 30000)
    {
        const Clock::time_point start = Clock::now();
        while (MsBetween(start, Clock::now()) < timeoutMs) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type != MapNotify || event.xmap.override_redirect)
                    continue;
                const Clock::time_point at = Clock::now();
                if (PidOf(event.xmap.window) == pid)
                    return std::make_pair(event.xmap.window, at);
            }
            if (::kill(pid, 0) != 0)
                return std::nullopt;
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid)
                return std::nullopt;
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&fd, 1, 10);
        }
        return std::nullopt;
    }

    std::string Title(Window window)
    {
        char *name = nullptr;
        std::string title;
        if (XFetchName(display_, window, &name) && name)
            title = name;
        if (name)
            XFree(name);
        return title;
    }

    // Gives the window the keyboard focus, as a window manager does for a new window.
    void Focus(Window window)
    {
        XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }

    void Key(KeySym sym, bool shift)
    {
        const KeyCode code = XKeysymToKeycode(display_, sym);
        const KeyCode shiftCode = XKeysymToKeycode(display_, XK_Shift_L);
        if (shift)
            XTestFakeKeyEvent(display_, shiftCode, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        if (shift)
            XTestFakeKeyEvent(display_, shiftCode, False, CurrentTime);
        XSync(display_, False);
    }

    void Type(const char *text)
    {
        for (const char *c = text; *c; ++c) {
            const bool upper = *c >= 'A' && *c <= 'Z';
            Key(static_cast<KeySym>(upper ? *c - 'A' + 'a' : *c), upper);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

private:
    pid_t PidOf(Window window)
    {
        const Atom wmPid = XInternAtom(display_, "_NET_WM_PID", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        pid_t pid = -1;
        if (XGetWindowProperty(display_, window, wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data && count == 1 && format == 32)
            pid = static_cast<pid_t>(*reinterpret_cast<unsigned long *>(data));
        if (data)
            XFree(data);
        return pid;
    }

    pid_t pid_ = -1;
    std::string name_;
    Display *display_ = nullptr;
    Window root_ = None;
};

// A home folder of its own for the started programs: HOME, the XDG folders and the X display;
// everything else of this process's environment is passed on as it is.
std::vector<std::string> EnvironmentFor(const QString &home, const std::string &display)
{
    static const char *const Replaced[] = {
        "HOME=",           "DISPLAY=",         "XDG_CONFIG_HOME=", "XDG_DATA_HOME=",
        "XDG_CACHE_HOME=", "XDG_RUNTIME_DIR=", "QT_QPA_PLATFORM=", "WAYLAND_DISPLAY=",
        "SESSION_MANAGER="};
    std::vector<std::string> env;
    for (char **entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (const char *prefix : Replaced)
            replaced = replaced || std::strncmp(*entry, prefix, std::strlen(prefix)) == 0;
        if (!replaced)
            env.emplace_back(*entry);
    }
    const std::string h = QFile::encodeName(home).toStdString();
    QDir(home).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.push_back("HOME=" + h);
    env.push_back("DISPLAY=" + display);
    env.push_back("XDG_CONFIG_HOME=" + h + "/.config");
    env.push_back("XDG_DATA_HOME=" + h + "/.local/share");
    env.push_back("XDG_CACHE_HOME=" + h + "/.cache");
    env.push_back("XDG_RUNTIME_DIR=" + h + "/runtime");
    env.push_back("QT_QPA_PLATFORM=xcb");
    return env;
}

// Starts a program with its output thrown away; the child's id.
pid_t Start(const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
    std::vector<char *> args, envp;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

bool WaitEnded(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid;
}

void EndNow(pid_t pid)
{
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

double ResidentMiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// The program timed: this build's, or the one LOCKVEX_STARTUP_PROGRAM names.
std::string Program()
{
    const char *other = std::getenv("LOCKVEX_STARTUP_PROGRAM");
    return other && *other ? std::string(other) : std::string(LOCKVEX_PROGRAM);
}

// One round's figures.
struct Round {
    double bareMs = 0, bareMiB = 0;
    double signInMs = 0, enterMs = 0, exitMs = 0, mainMiB = 0;
    double newHomeMs = 0;
    double cpSyncMs = 0;
};

struct Results {
    std::vector<Round> rounds;
    std::string error;
};

class StartupRun
{
public:
    StartupRun() : folder_(QDir::tempPath() + QStringLiteral("/lockvex-startup-bench-XXXXXX"))
    {
        if (const char *keep = std::getenv("LOCKVEX_STARTUP_KEEP_HOME"); keep && *keep == '1') {
            folder_.setAutoRemove(false);
            std::fprintf(stderr, "homes kept in %s\n", qPrintable(folder_.path()));
        }
    }

    Results Run()
    {
        Results results;
        if (!x_.Ok()) {
            results.error = "Xvfb could not be started";
            return results;
        }
        fullHome_ = folder_.path() + QStringLiteral("/full");
        const QString dataFolder = fullHome_ + QStringLiteral("/Documents/Lockvex");
        dataFile_ = dataFolder + QStringLiteral("/TrelLockvex.acsdb");
        QDir().mkpath(dataFolder);
        if (!WriteFullFileElsewhere(dataFile_)) {
            results.error = "the data file could not be written";
            return results;
        }
        QFile::setPermissions(dataFile_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        fullEnv_ = EnvironmentFor(fullHome_, x_.Name());
        bareEnv_ = EnvironmentFor(folder_.path() + QStringLiteral("/bare"), x_.Name());

        Round warmUp;
        // Not timed: the first start leaves the backups, and the caches hold the programs.
        if (!BareWindow(warmUp, results.error) || !FullStart(warmUp, results.error) ||
            !NewHome(warmUp, 0, results.error))
            return results;
        for (int i = 0; i < Rounds; ++i) {
            Round round;
            if (!BareWindow(round, results.error) || !FullStart(round, results.error) ||
                !NewHome(round, i + 1, results.error) || !CopyAndSync(round, results.error))
                return results;
            results.rounds.push_back(round);
        }
        return results;
    }

private:
    bool BareWindow(Round &round, std::string &error)
    {
        const Clock::time_point start = Clock::now();
        const pid_t pid = Start({BARE_QT_PROGRAM}, bareEnv_);
        const auto mapped = x_.WaitForMap(pid);
        if (!mapped) {
            EndNow(pid);
            error = "the bare Qt window did not show";
            return false;
        }
        round.bareMs = MsBetween(start, mapped->second);
        x_.Focus(mapped->first);
        std::this_thread::sleep_for(Settle);
        round.bareMiB = ResidentMiB(pid);
        ::kill(pid, SIGTERM);
        WaitEnded(pid);
        return true;
    }

    // Start with the full data file: the sign-in, the password typed, Enter, the main window,
    // then SIGTERM.
    bool FullStart(Round &round, std::string &error)
    {
        ::sync();
        const Clock::time_point start = Clock::now();
        const pid_t pid = Start({Program()}, fullEnv_);
        const auto signIn = x_.WaitForMap(pid);
        if (!signIn) {
            EndNow(pid);
            error = "the sign-in window did not show";
            return false;
        }
        round.signInMs = MsBetween(start, signIn->second);
        x_.Focus(signIn->first);
        std::this_thread::sleep_for(Settle); // the window's activation empties the password box
        x_.Type(SignInPassword);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const Clock::time_point enter = Clock::now();
        x_.Key(XK_Return, false);
        const auto main = x_.WaitForMap(pid);
        if (!main || x_.Title(main->first).find(MainWindowTitle) == std::string::npos) {
            error = "the main window did not show after the sign-in" +
                    (main ? " (a window \"" + x_.Title(main->first) + "\" did)" : std::string());
            EndNow(pid);
            return false;
        }
        round.enterMs = MsBetween(enter, main->second);
        x_.Focus(main->first);
        std::this_thread::sleep_for(Settle);
        round.mainMiB = ResidentMiB(pid);
        ::sync();
        const Clock::time_point term = Clock::now();
        ::kill(pid, SIGTERM);
        WaitEnded(pid);
        round.exitMs = MsBetween(term, Clock::now());
        return true;
    }

    // A start on a home folder without data: the main window at once.
    bool NewHome(Round &round, int number, std::string &error)
    {
        const QString home = folder_.path() + QStringLiteral("/new%1").arg(number);
        const std::vector<std::string> env = EnvironmentFor(home, x_.Name());
        ::sync();
        const Clock::time_point start = Clock::now();
        const pid_t pid = Start({Program()}, env);
        const auto main = x_.WaitForMap(pid);
        if (!main || x_.Title(main->first).find(MainWindowTitle) == std::string::npos) {
            EndNow(pid);
            error = "the main window did not show on a new home";
            return false;
        }
        round.newHomeMs = MsBetween(start, main->second);
        x_.Focus(main->first);
        std::this_thread::sleep_for(Settle);
        ::kill(pid, SIGTERM);
        WaitEnded(pid);
        QDir(home).removeRecursively();
        return true;
    }

    // The reference of the exit: the commands cp and sync of the data file, on the same disk.
    bool CopyAndSync(Round &round, std::string &error)
    {
        const std::string data = QFile::encodeName(dataFile_).toStdString();
        const std::string copy = QFile::encodeName(folder_.path() + QStringLiteral("/copy")).toStdString();
        ::unlink(copy.c_str());
        ::sync();
        const Clock::time_point start = Clock::now();
        const pid_t cp = Start({"cp", data, copy}, fullEnv_);
        WaitEnded(cp);
        const pid_t sync = Start({"sync", copy}, fullEnv_);
        WaitEnded(sync);
        round.cpSyncMs = MsBetween(start, Clock::now());
        if (!QFile::exists(QString::fromStdString(copy))) {
            error = "cp made no copy";
            return false;
        }
        return true;
    }

    QTemporaryDir folder_;
    XServer x_;
    QString fullHome_, dataFile_;
    std::vector<std::string> fullEnv_, bareEnv_;
};

const Results &TheResults()
{
    static const Results results = StartupRun().Run();
    return results;
}

using Figure = std::function<double(const Round &)>;

// Each counter is the median over the rounds of its figure of a round (a ratio is the median of
// the rounds' ratios).
void Report(benchmark::State &state, const char *label, std::initializer_list<std::pair<const char *, Figure>> counters)
{
    const Results &results = TheResults();
    for (auto _ : state)
        if (!results.error.empty() || results.rounds.empty()) {
            state.SkipWithError(results.error.empty() ? "no rounds" : results.error.c_str());
            return;
        }
    for (const auto &[name, figure] : counters) {
        std::vector<double> values;
        for (const Round &round : results.rounds)
            values.push_back(figure(round));
        state.counters[name] = Median(values);
    }
    state.SetLabel(label);
}

void BM_SignInWindowShown(benchmark::State &state)
{
    Report(state, "exec -> sign-in window mapped, 32,767 entries; goal ratio <= 1.5",
           {{"signin_ms", [](const Round &x) { return x.signInMs; }},
            {"bare_qt_ms", [](const Round &x) { return x.bareMs; }},
            {"ratio", [](const Round &x) { return x.signInMs / x.bareMs; }}});
}

void BM_MainWindowShownOnANewHome(benchmark::State &state)
{
    Report(state, "exec -> main window mapped, no data; goal ratio <= 1.3",
           {{"main_ms", [](const Round &x) { return x.newHomeMs; }},
            {"bare_qt_ms", [](const Round &x) { return x.bareMs; }},
            {"ratio", [](const Round &x) { return x.newHomeMs / x.bareMs; }}});
}

void BM_EnterToMainWindowShown(benchmark::State &state)
{
    Report(state, "Enter in the sign-in -> main window mapped, 32,767 entries",
           {{"enter_ms", [](const Round &x) { return x.enterMs; }}, {"goal_ms", [](const Round &) { return 30.0; }}});
}

void BM_SigtermToEnd(benchmark::State &state)
{
    Report(state, "SIGTERM -> process ended, 32,767 entries; goal ratio <= 2",
           {{"exit_ms", [](const Round &x) { return x.exitMs; }},
            {"cp_sync_ms", [](const Round &x) { return x.cpSyncMs; }},
            {"ratio", [](const Round &x) { return x.exitMs / x.cpSyncMs; }}});
}

void BM_ResidentMemoryMainWindow(benchmark::State &state)
{
    Report(state, "main window shown, 32,767 entries; goal added <= 15 MB",
           {{"VmRSS_MiB", [](const Round &x) { return x.mainMiB; }},
            {"bare_qt_MiB", [](const Round &x) { return x.bareMiB; }},
            {"added_MiB", [](const Round &x) { return x.mainMiB - x.bareMiB; }}});
}

} // namespace

BENCHMARK(BM_SignInWindowShown)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindowShownOnANewHome)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnterToMainWindowShown)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SigtermToEnd)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResidentMemoryMainWindow)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
