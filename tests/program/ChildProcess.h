#pragma once
// A program started by a test in a child process of its own: environment of the test's choosing
// (a temporary home), stdout read line by line as it comes, stderr into a file, and signals
// sent by pid. The test runner itself never takes a signal or changes its own limits.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace program_test
{

using Clock = std::chrono::steady_clock;

class ChildProcess
{
public:
    // Starts program with args; env entries replace or add variables of the test's environment.
    ChildProcess(const QString &program, const QStringList &args, const std::map<std::string, std::string> &env,
                 const QString &stderrFile)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        readFd_ = fds[0];
        std::vector<std::string> argStrings{program.toStdString()};
        for (const QString &a : args)
            argStrings.push_back(a.toStdString());
        std::vector<char *> argv;
        for (std::string &a : argStrings)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        std::map<std::string, std::string> all;
        for (char **e = environ; *e; ++e) {
            const std::string entry = *e;
            const auto eq = entry.find('=');
            if (eq != std::string::npos)
                all[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        for (const auto &[name, value] : env)
            all[name] = value;
        std::vector<std::string> envStrings;
        for (const auto &[name, value] : all)
            envStrings.push_back(name + "=" + value);
        std::vector<char *> envp;
        for (std::string &e : envStrings)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        const std::string errPath = stderrFile.toStdString();
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0)
            pid_ = -1;
        started_ = Clock::now();
    }

    ~ChildProcess()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (readFd_ >= 0)
            ::close(readFd_);
    }

    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    Clock::time_point StartTime() const { return started_; }

    // Waits up to timeoutMs for output and appends the complete lines that came. False once the
    // child closed its output (it ended) and every line was taken.
    bool ReadLines(int timeoutMs, std::vector<std::string> &lines)
    {
        if (readFd_ < 0)
            return false;
        pollfd p{readFd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready <= 0)
            return true;
        char buffer[4096];
        const ssize_t n = ::read(readFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            return true;
        if (n <= 0) {
            ::close(readFd_);
            readFd_ = -1;
            if (!partial_.empty())
                lines.push_back(std::exchange(partial_, std::string()));
            return false;
        }
        partial_.append(buffer, size_t(n));
        for (auto nl = partial_.find('\n'); nl != std::string::npos; nl = partial_.find('\n')) {
            lines.push_back(partial_.substr(0, nl));
            partial_.erase(0, nl + 1);
        }
        return true;
    }

    // Every line up to the end of the output.
    void ReadToEnd(std::vector<std::string> &lines)
    {
        while (ReadLines(1000, lines)) {
        }
    }

    void Signal(int signalNumber)
    {
        if (pid_ > 0 && !waited_)
            ::kill(pid_, signalNumber);
    }

    // The wait status of the ended child.
    int Wait()
    {
        if (pid_ <= 0)
            return -1;
        if (!waited_) {
            while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
            }
            waited_ = true;
        }
        return status_;
    }

    // Waits up to timeoutMs for the child to end; true when it did.
    bool WaitFor(int timeoutMs)
    {
        if (pid_ <= 0)
            return false;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!waited_) {
            const pid_t r = ::waitpid(pid_, &status_, WNOHANG);
            if (r == pid_) {
                waited_ = true;
                break;
            }
            if (Clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // Whether the child has a handler for the signal (it is ready to end on it in order).
    bool Catches(int signalNumber) const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid_));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("SigCgt:")) {
                bool ok = false;
                const unsigned long long mask = line.mid(7).trimmed().toULongLong(&ok, 16);
                return ok && (mask >> (signalNumber - 1)) & 1u;
            }
        return false;
    }

private:
    pid_t pid_ = -1;
    int readFd_ = -1;
    int status_ = 0;
    bool waited_ = false;
    std::string partial_;
    Clock::time_point started_;
};

// The environment of a program run on its own home folder, without a display.
inline std::map<std::string, std::string> HomeEnvironment(const QString &home)
{
    return {{"HOME", home.toStdString()},
            {"XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toStdString()},
            {"XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toStdString()},
            {"XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toStdString()},
            {"QT_QPA_PLATFORM", "offscreen"}};
}

} // namespace program_test
