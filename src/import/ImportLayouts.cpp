#include "import/ImportLayouts.h"

#include "common/CsvFields.h"
#include "common/Win1252.h"
#include "import/ImportFieldPicking.h"
#include "import/ImportFileReader.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSet>

#include <vector>

namespace
{

constexpr int TotpSecret = -1; // in the table of names: the column of a one-time-password secret
constexpr int NameField = 1;
constexpr int UrlField = 2;
constexpr int CustIdField = 3;
constexpr int PasswordField = 5;

struct TKnownHeading {
    const char *Name; // as NormalisedHeading gives it
    int Field;        // entry field 1 to 14, or TotpSecret
};

// The names a header line gives the columns of each entry field. Where a line names a field
// twice (Proton Pass: email and username), the name listed first wins; between two columns of the
// same name, the one more to the left.
const TKnownHeading KnownHeadings[] = {
    // Website name
    {"name", 1}, {"title", 1}, {"sitename", 1}, {"websitename", 1}, {"site", 1}, {"service", 1},
    {"servicename", 1}, {"account", 1}, {"accountname", 1}, {"entry", 1}, {"entryname", 1},
    // Website address
    {"url", 2}, {"loginuri", 2}, {"loginurl", 2}, {"website", 2}, {"websiteaddress", 2}, {"webaddress", 2},
    {"weburl", 2}, {"webpage", 2}, {"address", 2}, {"uri", 2}, {"link", 2}, {"domain", 2},
    // Customer ID
    {"username", 3}, {"loginusername", 3}, {"login", 3}, {"loginname", 3}, {"user", 3}, {"userid", 3},
    {"customerid", 3}, {"custid", 3}, {"customernumber", 3}, {"accountnumber", 3}, {"membershipnumber", 3},
    {"email", 3}, {"emailaddress", 3}, {"mail", 3},
    // PIN
    {"pin", 4}, {"pincode", 4}, {"pinnumber", 4},
    // Password
    {"password", 5}, {"loginpassword", 5}, {"pass", 5}, {"passwd", 5}, {"pwd", 5}, {"passphrase", 5},
    {"passcode", 5},
    // Memorable data and their answers
    {"memorabledata", 6}, {"memorabledata1", 6}, {"question", 6}, {"question1", 6}, {"securityquestion", 6},
    {"securityquestion1", 6}, {"answer", 7}, {"answer1", 7}, {"securityanswer", 7}, {"securityanswer1", 7},
    {"memorabledata2", 8}, {"question2", 8}, {"securityquestion2", 8}, {"answer2", 9}, {"securityanswer2", 9},
    {"memorabledata3", 10}, {"question3", 10}, {"securityquestion3", 10}, {"answer3", 11},
    {"securityanswer3", 11}, {"memorabledata4", 12}, {"question4", 12}, {"securityquestion4", 12},
    {"answer4", 13}, {"securityanswer4", 13},
    // Notes
    {"notes", 14}, {"note", 14}, {"extra", 14}, {"comments", 14}, {"comment", 14}, {"remarks", 14},
    {"memo", 14}, {"description", 14},
    // One-time-password secret: no field of its own, it goes into the notes
    {"totp", TotpSecret}, {"otpauth", TotpSecret}, {"logintotp", TotpSecret}, {"otpsecret", TotpSecret},
    {"otpurl", TotpSecret}, {"totpsecret", TotpSecret}, {"otp", TotpSecret}, {"onetimepassword", TotpSecret},
};

// The names of a header line as matched, in the line's order.
QStringList SplitHeadings(const QByteArray &line)
{
    int count = 0;
    char sep = ',';
    DetectSeparator(line, count, sep);
    std::vector<CSVColumn> columns;
    SplitCSVLine(line, sep, columns);
    QStringList headings;
    QByteArray scratch;
    for (const CSVColumn &column : columns)
        headings << win1252::ToUnicode(CSVColumnValue(line, column, scratch)).trimmed();
    return headings;
}

} // namespace

const QList<TKnownExport> &KnownExports()
{
    static const QList<TKnownExport> exports{
        {"Chrome, Edge, Brave or Opera", "name,url,username,password,note"},
        {"Chrome, Edge, Brave or Opera", "name,url,username,password"},
        {"Firefox",
         "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
         "\"timeLastUsed\",\"timePasswordChanged\""},
        {"Safari or iCloud Keychain", "Title,URL,Username,Password,Notes,OTPAuth"},
        {"Bitwarden", "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                      "login_totp"},
        {"KeePassXC", "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
                      "\"Last Modified\",\"Created\""},
        {"LastPass", "url,username,password,totp,extra,name,grouping,fav"},
        {"1Password", "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes"},
        {"Dashlane", "username,username2,username3,title,password,note,url,category,otpSecret"},
        {"Proton Pass", "type,name,url,email,username,password,note,totp,createTime,modifyTime,vault"},
        {"NordPass", "name,url,additional_urls,username,password,note,cardholdername,cardnumber,cvc,expirydate,"
                     "zipcode,folder,full_name,phone_number,email,address1,address2,city,country,state,type,"
                     "custom_fields"},
    };
    return exports;
}

QString NormalisedHeading(const QString &heading)
{
    QString text = heading;
    // A UTF-8 byte-order mark read as Windows-1252 shows as these three letters.
    text.remove(QStringLiteral("\u00ef\u00bb\u00bf"));
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        if (ch == QChar(0xfeff) || ch.isSpace() || ch == u'"' || ch == u'\'' || ch == u'_' || ch == u'-')
            continue;
        out += ch.toLower();
    }
    return out;
}

TImportLayout RecogniseHeaderLine(const QByteArray &line)
{
    TImportLayout layout;
    layout.Headings = SplitHeadings(line);
    QStringList names;
    for (const QString &heading : layout.Headings)
        names << NormalisedHeading(heading);
    layout.Key = names.join(u',');

    // For each field, the rank in the table of the name that took it.
    constexpr int Unranked = 1 << 30;
    std::array<int, ImportedEntryFields + 1> rank;
    rank.fill(Unranked);
    int totpRank = Unranked;
    for (int c = 1; c <= names.size(); ++c) {
        for (int i = 0; i < int(std::size(KnownHeadings)); ++i) {
            if (names[c - 1] != QLatin1String(KnownHeadings[i].Name))
                continue;
            const int field = KnownHeadings[i].Field;
            if (field == TotpSecret) {
                if (i < totpRank) {
                    totpRank = i;
                    layout.TotpColumn = c;
                }
            } else if (i < rank[field]) {
                rank[field] = i;
                layout.Columns[field] = c;
            }
            break;
        }
    }
    layout.Recognised = layout.Columns[PasswordField] != 0 &&
                        (layout.Columns[NameField] != 0 || layout.Columns[UrlField] != 0 ||
                         layout.Columns[CustIdField] != 0);
    if (!layout.Recognised)
        return layout;

    // Which program writes exactly these columns (in whatever order).
    const QSet<QString> found(names.begin(), names.end());
    for (const TKnownExport &known : KnownExports()) {
        QSet<QString> theirs;
        for (const QString &heading : SplitHeadings(QByteArray(known.HeaderLine)))
            theirs.insert(NormalisedHeading(heading));
        if (theirs == found) {
            layout.Exporter = QString::fromLatin1(known.Exporter);
            break;
        }
    }
    return layout;
}

QByteArray ReadFirstImportLine(const QString &fileName)
{
    // Only a file: a pipe or a device would keep the window waiting, or never end.
    if (!QFileInfo(fileName).isFile())
        return QByteArray();
    TImportFileReader reader;
    reader.Open(fileName);
    QByteArray line;
    while (!reader.AtEnd()) {
        reader.ReadLine(line);
        if (!line.trimmed().isEmpty())
            return line;
    }
    return QByteArray();
}

QString LayoutSettingKey(const TImportLayout &layout)
{
    // The names as a digest: the settings file need not show what a file's first line holds.
    const QByteArray digest = QCryptographicHash::hash(layout.Key.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("Layout") + QString::fromLatin1(digest.toHex().left(16));
}

QString HostNameOf(const QString &address)
{
    QString s = address.trimmed();
    const qsizetype slashes = s.indexOf(QStringLiteral("://"));
    if (slashes >= 0) {
        s = s.mid(slashes + 3);
    } else {
        // A scheme without "//" (mailto:, javascript:) names no host; "example.com:8080" does.
        const qsizetype colon = s.indexOf(u':');
        if (colon > 0 && (colon + 1 >= s.size() || !s[colon + 1].isDigit())) {
            bool scheme = true;
            for (qsizetype i = 0; i < colon && scheme; ++i)
                scheme = s[i].isLetterOrNumber() || s[i] == u'+' || s[i] == u'.' || s[i] == u'-';
            if (scheme)
                return QString();
        }
    }
    qsizetype end = s.size();
    for (QChar stop : {u'/', u'?', u'#', u'\\'}) {
        const qsizetype at = s.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    s.truncate(end);
    const qsizetype at = s.lastIndexOf(u'@');
    if (at >= 0)
        s = s.mid(at + 1);
    if (s.startsWith(u'[')) {
        const qsizetype close = s.indexOf(u']');
        s = close > 0 ? s.mid(1, close - 1) : QString();
    } else {
        const qsizetype colon = s.lastIndexOf(u':');
        if (colon >= 0)
            s.truncate(colon);
    }
    s = s.toLower();
    while (s.endsWith(u'.'))
        s.chop(1);
    if (s.startsWith(QStringLiteral("www.")))
        s = s.mid(4);
    for (QChar ch : s)
        if (ch.isSpace())
            return QString();
    return s;
}
