// The program closes when the desktop session locks or the computer goes to sleep, as it does on
// an ending signal: with its data closed and the newest backup written. A private D-Bus bus
// stands in for both the session bus and the system bus, and a fake service (session_bus_fake)
// for logind and the screen savers; signals that mean no lock leave the program running.

#include "ChildProcess.h"

#include "store/Lockvextypes.h"

#include <QDir>
#include <QTemporaryDir>

using namespace program_test;

namespace
{

constexpr int TimeoutMs = 20000;

struct LockCase {
    const char *Signal; // what the fake emits
    bool Closes;
};

void PrintTo(const LockCase &lockCase, std::ostream *out)
{
    *out << lockCase.Signal;
}

class SessionLock : public ::testing::TestWithParam<LockCase>
{
protected:
    void SetUp() override
    {
        if (QString(QStringLiteral(LOCKVEX_DBUS_DAEMON)).isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        Home = home_.path();
        DataFolder = Home + QStringLiteral("/Documents/Lockvex");
        bus_ = std::make_unique<ChildProcess>(
            QStringLiteral(LOCKVEX_DBUS_DAEMON),
            QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--address=unix:path=") + Home + QStringLiteral("/bus")},
            std::map<std::string, std::string>(), Home + QStringLiteral("/bus.err"));
        std::vector<std::string> lines;
        const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (lines.empty() && Clock::now() < deadline && bus_->ReadLines(100, lines)) {
        }
        ASSERT_FALSE(lines.empty()) << "the private bus did not start";
        address_ = lines.front();
    }

    std::map<std::string, std::string> Environment() const
    {
        return {{"HOME", Home.toStdString()},
                {"XDG_CONFIG_HOME", (Home + QStringLiteral("/.config")).toStdString()},
                {"XDG_DATA_HOME", (Home + QStringLiteral("/.local/share")).toStdString()},
                {"XDG_CACHE_HOME", (Home + QStringLiteral("/.cache")).toStdString()},
                {"QT_QPA_PLATFORM", "offscreen"},
                {"DBUS_SESSION_BUS_ADDRESS", address_},
                {"DBUS_SYSTEM_BUS_ADDRESS", address_}};
    }

    // Reads the fake's output until a line starts with prefix; the line, or empty.
    std::string WaitForLine(ChildProcess &process, const std::string &prefix)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (Clock::now() < deadline) {
            for (const std::string &line : fakeLines_)
                if (line.rfind(prefix, 0) == 0)
                    return line;
            if (!process.ReadLines(100, fakeLines_))
                break;
        }
        return std::string();
    }

    // The program has made its new data file and handles the ending signals.
    bool WaitUntilReady(ChildProcess &program)
    {
        const QString data = DataFolder + QStringLiteral("/TrelLockvex.acsdb");
        const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (Clock::now() < deadline && !program.WaitFor(0)) {
            if (program.Catches(SIGTERM) && QFileInfo(data).size() == 10 * LockvexRecSize)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string ErrorOutput() const
    {
        QFile err(Home + QStringLiteral("/program.err"));
        return err.open(QIODevice::ReadOnly) ? err.readAll().toStdString() : std::string();
    }

    QTemporaryDir home_;
    QString Home, DataFolder;
    std::unique_ptr<ChildProcess> bus_;
    std::string address_;
    std::vector<std::string> fakeLines_;
};

TEST_P(SessionLock, ClosesAsOnAnEndingSignalOnlyWhenTheSessionLocksOrSleeps)
{
    const LockCase &lockCase = GetParam();
    ChildProcess fake(QStringLiteral(LOCKVEX_BUS_FAKE), QStringList{QStringLiteral("_33"), QString::fromLatin1(lockCase.Signal)},
                      Environment(), Home + QStringLiteral("/fake.err"));
    ASSERT_EQ(WaitForLine(fake, "ready"), "ready");
    ChildProcess program(QStringLiteral(LOCKVEX_PROGRAM), QStringList(), Environment(), Home + QStringLiteral("/program.err"));
    ASSERT_TRUE(WaitUntilReady(program)) << ErrorOutput();
    // The program looks up its own session.
    EXPECT_EQ(WaitForLine(fake, "session asked"), "session asked for pid " + std::to_string(program.Pid()));

    fake.Signal(SIGUSR1); // the fake emits its signal from now on
    if (lockCase.Closes) {
        ASSERT_TRUE(program.WaitFor(TimeoutMs)) << "the program did not close on " << lockCase.Signal;
    } else {
        EXPECT_FALSE(program.WaitFor(1500)) << "the program closed on " << lockCase.Signal;
        program.Signal(SIGTERM);
        ASSERT_TRUE(program.WaitFor(TimeoutMs));
    }
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << ErrorOutput();
    EXPECT_EQ(QDir(DataFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("TrelLockvex.BAC0"), QStringLiteral("TrelLockvex.acsdb")}));
}

INSTANTIATE_TEST_SUITE_P(ProgramExit, SessionLock,
                         ::testing::Values(LockCase{"lock", true}, LockCase{"sleep", true},
                                           LockCase{"screensaver", true}, LockCase{"gnome", true},
                                           LockCase{"lock-other", false}, LockCase{"wake", false},
                                           LockCase{"screensaver-off", false}),
                         [](const ::testing::TestParamInfo<LockCase> &info) {
                             std::string name = info.param.Signal;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
