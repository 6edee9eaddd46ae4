#include "app/MgrLockvexDlgProcs.h"

#include "app/DataLocation.h"
#include "app/LockvexAddresses.h"
#include "app/LockvexMsgdial.h"
#include "app/MgrTfrToMemStick.h"
#include "app/SettingsFile.h"
#include "app/RunState.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

#ifndef LOCKVEX_VERSION
#define LOCKVEX_VERSION "0.0"
#endif

namespace
{

constexpr double LabelVersion = 9.0; // the version the label shows

// "1.0.0" shows as 1.00, "9.0" as 9.00: the major number and two digits of the minor one.
QString VersionNumber()
{
    const QStringList parts = QStringLiteral(LOCKVEX_VERSION).split(QLatin1Char('.'));
    const int major = parts.value(0).toInt();
    const int minor = parts.value(1).toInt();
    return QStringLiteral("%1.%2").arg(major).arg(minor, 2, 10, QLatin1Char('0'));
}

// The INI reader takes an unquoted value with commas for a list; the settings hold plain texts.
QString ReadText(const QSettings &settings, const QString &key, const QString &fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// A stored coordinate replaces the default only when it is a whole number.
void ReadCoordinate(const QSettings &settings, const QString &key, int &coordinate)
{
    bool isNumber = false;
    const int stored = ReadText(settings, key, QString()).trimmed().toInt(&isNumber);
    if (isNumber)
        coordinate = stored;
}

// Only web pages are opened: an address from an entry (perhaps imported from someone else's file)
// must not make the desktop open a local file or start a program.
bool IsWebAddress(const QString &target)
{
    const QUrl url = QUrl::fromUserInput(target);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void ReportUnwritableSettings(TLockvexMessages &messages, const QString &iniFileName)
{
    messages.ShowErrorMessage(QStringLiteral("Unable to write to %1").arg(iniFileName));
}

} // namespace

QString LockvexVersionNumber() { return VersionNumber(); }

QString TLVDlgProcs::GetCaption() const
{
    return QStringLiteral("Tandrell safe web address storage:    ") + run_.Folders.DataFileName;
}

QString TLVDlgProcs::GetLockvexTextLabel() const
{
    const QString start = QStringLiteral("All your web sign-ons, password protected, in an encrypted file, ");
    if (const int client = run_.Location.DataClient(); client < CloudClientCount)
        return start + CloudClients[size_t(client)].HeaderText;
    return start + QStringLiteral("only on your PC");
}

// The label's version is the program's own, 9.0 shown as 9.00, whatever version the build gives
// the package. Only the date follows it: the time that a month/day/year date would drag into a
// fixed-width cut is of no use on the label. The date is the locale's short date with the year in
// four digits, so that no locale shows 26 for 2026.
QString TLVDlgProcs::LockvexVersion() const
{
    QString label = QStringLiteral("Version ") + QString::number(LabelVersion, 'f', 2);
    const QDateTime built = platform::Current().ProgramFileDate();
    if (built.isValid()) {
        QString format = QLocale().dateFormat(QLocale::ShortFormat);
        format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
        label += QLatin1Char(' ') + QLocale().toString(built.date(), format);
    }
    return label;
}

void TLVDlgProcs::LVBrowseWebPage(const QString &TargetURL)
{
    const QString target = TargetURL.trimmed();
    if (target.isEmpty())
        return;
    if (target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        platform::Current().OpenMailLink(target);
    else if (IsWebAddress(target))
        platform::Current().OpenUrl(target);
}

QString SendToFriendLink()
{
    const QString lineBreak = QStringLiteral("%0D%0A");
    return QStringLiteral("mailto: ?Subject=Lockvex&Body=") +
           QStringLiteral("Hi,%0D%0A%0D%0AHere is something you might want to try.%0D%0A%0D%0A") +
           QStringLiteral("Download it from ") + LockvexAddresses::DownloadFolder + lineBreak +
           QStringLiteral("(the Debian package \"") + LockvexAddresses::PackageName + QStringLiteral("\")") + lineBreak +
           lineBreak +
           QStringLiteral("Lockvex has solved all my web address and password problems.") + lineBreak + lineBreak +
           QStringLiteral("It's easy to use and it's secure. I think you might like it");
}

QString TellTrelLink()
{
    return QStringLiteral("mailto: ") + LockvexAddresses::FeedbackAddress +
           QStringLiteral("?Subject=Lockvex Tell us what you think&Body= ");
}

void TLVDlgProcs::SendToFriend()
{
    platform::Current().OpenMailLink(SendToFriendLink());
}

void TLVDlgProcs::TellTrel()
{
    platform::Current().OpenMailLink(TellTrelLink());
}

bool TLVDlgProcs::CustomerSupportOverride() const
{
    // Looked up anew each time: the marker may be put there while the program runs.
    const QString documents = platform::Current().DocumentsFolder();
    if (documents.isEmpty())
        return false;
    return QFileInfo::exists(documents + QStringLiteral("/KQ.Txt"));
}

void TLVDlgProcs::TextToClipboard(const QString &OutputText)
{
    platform::Current().SetClipboardText(OutputText);
}

void TLVDlgProcs::GetDlgPosnInfo(const QString &TopKey, const QString &LeftKey, int DlgWidth, int DlgHeight,
                                 int &DlgTop, int &DlgLeft) const
{
    const platform::ScreenMetrics screen = platform::Current().Screen();
    DlgTop = screen.Height / 2 - DlgHeight / 2;
    DlgLeft = screen.Width - DlgWidth;
    if (!SettingsFileUsable(run_.Folders.IniFileName))
        return;
    QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
    settings.beginGroup(SettingsSection);
    ReadCoordinate(settings, TopKey, DlgTop);
    ReadCoordinate(settings, LeftKey, DlgLeft);
}

bool TLVDlgProcs::SetDlgPosnInfo(const QString &TopKey, const QString &LeftKey, int DlgTop, int DlgLeft)
{
    return WriteSettings({{TopKey, QString::number(DlgTop)}, {LeftKey, QString::number(DlgLeft)}});
}

QSize TLVDlgProcs::GetDlgSizeInfo(const QString &WidthKey, const QString &HeightKey) const
{
    if (!SettingsFileUsable(run_.Folders.IniFileName))
        return QSize();
    QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
    settings.beginGroup(SettingsSection);
    int width = 0;
    int height = 0;
    ReadCoordinate(settings, WidthKey, width);
    ReadCoordinate(settings, HeightKey, height);
    if (width <= 0 || height <= 0)
        return QSize();
    return QSize(width, height);
}

bool TLVDlgProcs::SetDlgPosnInfo(const QString &TopKey, const QString &LeftKey, int DlgTop, int DlgLeft,
                                 const QString &WidthKey, const QString &HeightKey, const QSize &DlgSize)
{
    return WriteSettings({{TopKey, QString::number(DlgTop)},
                          {LeftKey, QString::number(DlgLeft)},
                          {WidthKey, QString::number(DlgSize.width())},
                          {HeightKey, QString::number(DlgSize.height())}});
}

QString TLVDlgProcs::ReadSetting(const QString &Key, const QString &Default) const
{
    if (!SettingsFileUsable(run_.Folders.IniFileName))
        return Default;
    QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
    settings.beginGroup(SettingsSection);
    return ReadText(settings, Key, Default);
}

// A file with unreadable lines is rewritten without them (the settings hold nothing that cannot be
// made again); only a file that cannot be written at all is an error.
// The file is written as a new file that takes the name (Qt's writer renames it into place), so
// that what bore the name before is replaced, never written through.
bool TLVDlgProcs::WriteSettings(const QList<std::pair<QString, QString>> &Values)
{
    if (SettingsFileUsable(run_.Folders.IniFileName)) {
        QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
        settings.beginGroup(SettingsSection);
        for (const auto &[key, value] : Values)
            settings.setValue(key, value);
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::AccessError)
            return true;
    }
    ReportUnwritableSettings(messages_, run_.Folders.IniFileName);
    return false;
}

void TLVDlgProcs::RemoveSetting(const QString &Key)
{
    if (!SettingsFileUsable(run_.Folders.IniFileName))
        return;
    QSettings settings(run_.Folders.IniFileName, QSettings::IniFormat);
    settings.remove(SettingsSection + QLatin1Char('/') + Key);
    settings.sync();
}

void TLVDlgProcs::TfrToMemStick(const QString &SelectedDirectory)
{
    ::TfrToMemStick(messages_, SelectedDirectory, run_.Folders);
}
