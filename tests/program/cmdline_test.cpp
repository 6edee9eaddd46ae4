// The command line: --help and --version print and end, an unknown option or an argument prints
// the usage and ends with status 2, and none of them touches a file or the window system. The
// program runs here on a home folder of its own with X11 asked for and no display, so that any
// attempt to open a window would end it with a crash instead of a clean status.

#include "ChildProcess.h"

#include <QDir>
#include <QTemporaryDir>

using namespace program_test;

namespace
{

struct Outcome {
    int status = -1; // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::map<std::string, std::string> NoDisplay(const QString &home)
{
    std::map<std::string, std::string> env = HomeEnvironment(home);
    env["QT_QPA_PLATFORM"] = "xcb";
    env["DISPLAY"] = "";
    env["WAYLAND_DISPLAY"] = "";
    return env;
}

std::string ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

class CommandLine : public ::testing::Test
{
protected:
    QTemporaryDir home;
    QTemporaryDir outside; // the test's own files, away from the program's home

    Outcome Start(const QStringList &args)
    {
        const QString errFile = outside.filePath(QStringLiteral("err"));
        QFile::remove(errFile);
        ChildProcess program(QStringLiteral(LOCKVEX_PROGRAM), args, NoDisplay(home.path()), errFile);
        std::vector<std::string> lines;
        program.ReadToEnd(lines);
        Outcome run;
        if (!program.WaitFor(20000))
            return run;
        const int status = program.Wait();
        if (WIFEXITED(status))
            run.status = WEXITSTATUS(status);
        for (const std::string &line : lines)
            run.out += line + "\n";
        run.err = ReadAll(errFile);
        return run;
    }

    QStringList LeftInHome() const
    {
        return QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

TEST_F(CommandLine, HelpAndVersionPrintAndEndWithoutTouchingAnything)
{
    struct Case {
        QStringList args;
        std::string expected; // a line the output must hold
    };
    const Case cases[] = {
        {{"--help"}, "Usage: lockvex [options]\n"},
        {{"-h"}, "  -v, --version"},
        {{"-?"}, "Documents folder"},
        {{"--version"}, "Lockvex 9.00\n"},
        {{"-v"}, "Lockvex 9.00\n"},
        {{"--help", "--bogus"}, "Unknown option 'bogus'"}, // checked below: an error wins
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome run = Start(c.args);
        if (c.args.contains("--bogus")) {
            EXPECT_EQ(run.status, 2) << run.err;
            EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
            continue;
        }
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(c.expected), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
        if (c.expected.starts_with("Lockvex"))
            EXPECT_EQ(run.out, c.expected);
    }
    EXPECT_EQ(LeftInHome(), QStringList()) << "the program wrote into its home folder";
}

TEST_F(CommandLine, AnUnknownOptionOrAnArgumentPrintsTheUsageAndEndsWithStatus2)
{
    const QStringList cases[] = {{"--bogus"}, {"-x"}, {"--help-all"}, {"--version=2"}, {"somefile.csv"}, {"-platform"}};
    for (const QStringList &args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome run = Start(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.out, "") << "the usage goes to the error output";
        EXPECT_NE(run.err.find("Usage: lockvex [options]"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.rfind("lockvex: ", 0), 0u) << "the first line names the problem: " << run.err;
    }
    EXPECT_EQ(LeftInHome(), QStringList());
}

// Qt's own options (here -platform) are left to the application object: the program starts with
// them, on the platform they name, and ends in order on logout's signal.
TEST_F(CommandLine, QtsOwnOptionsReachTheApplication)
{
    ChildProcess program(QStringLiteral(LOCKVEX_PROGRAM), {"-platform", "offscreen"}, NoDisplay(home.path()),
                         outside.filePath(QStringLiteral("err")));
    const QString data = home.filePath(QStringLiteral("Documents/Lockvex/TrelLockvex.acsdb"));
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline && !(program.Catches(SIGTERM) && QFileInfo(data).size() > 0)) {
        ASSERT_FALSE(program.WaitFor(0)) << "ended by itself: " << ReadAll(outside.filePath(QStringLiteral("err")));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(QFileInfo(data).size() > 0) << "did not start: " << ReadAll(outside.filePath(QStringLiteral("err")));
    program.Signal(SIGTERM);
    ASSERT_TRUE(program.WaitFor(20000));
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
