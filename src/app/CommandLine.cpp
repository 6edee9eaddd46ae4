#include "app/CommandLine.h"

#include "app/MgrLockvexDlgProcs.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace
{

constexpr int UsageError = 2;

// Options that Qt's GUI application takes for itself: accepted here and left in place, but not
// listed in the help text. The second member says whether the option takes a value.
const std::pair<const char *, bool> QtGuiOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"display", true},
    {"geometry", true},
    {"title", true},
    {"name", true},
    {"style", true},
    {"stylesheet", true},
    {"session", true},
    {"qmljsdebugger", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"visual", true},
    {"ncols", true},
    {"cmap", false},
    {"im", true},
    {"fn", true},
    {"font", true},
    {"bg", true},
    {"background", true},
    {"fg", true},
    {"foreground", true},
    {"btn", true},
    {"button", true},
    {"graphicssystem", true},
};

const char Description[] =
    "Lockvex keeps your web sign-ons (name, address, customer ID, PIN, password, memorable\n"
    "questions and answers, notes) in one data file. Started without options it asks for one of\n"
    "the passwords kept in it and opens the main window.\n"
    "\n"
    "The data lives in the folder Lockvex of your Documents folder, or in a folder Lockvex inside\n"
    "your Dropbox, Google Drive or OneDrive folder. The help pages are installed with the program\n"
    "in share/doc/lockvex/help.";

void Print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

std::optional<int> HandleCommandLine(int argc, char *argv[])
{
    // No application object exists yet: the parser only reads the arguments, and the program
    // touches no file and no window system before it knows that it is to run.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.isEmpty())
        arguments << QStringLiteral("lockvex");
    const QString programName = QFileInfo(arguments.constFirst()).fileName();

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and ends."));
    parser.addOption(help);
    parser.addOption(version);
    for (const auto &[name, takesValue] : QtGuiOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        if (takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    // Without an application object the parser cannot know the program's name.
    const QString usage = parser.helpText().replace(QStringLiteral("<executable_name>"), programName);

    if (!parser.parse(arguments)) {
        Print(stderr, QStringLiteral("%1: %2\n\n%3").arg(programName, parser.errorText(), usage));
        return UsageError;
    }
    if (parser.isSet(help)) {
        Print(stdout, usage);
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("Lockvex %1\n").arg(LockvexVersionNumber()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        Print(stderr, QStringLiteral("%1: unexpected argument '%2'.\n\n%3")
                          .arg(programName, parser.positionalArguments().constFirst(), usage));
        return UsageError;
    }
    return std::nullopt;
}
