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

// The names a header line gives the columns of each entry field, as NormalisedHeading gives them,
// separated by blanks. Where a line names a field twice (Proton Pass: email and username), the
// name listed first wins; between two columns of the same name, the one more to the left.
struct TKnownHeadings {
    int Field; // entry field 1 to 14, or TotpSecret
    const char *Names;
};
const TKnownHeadings KnownHeadings[] = {
    {1, "name title sitename websitename site service servicename account accountname entry entryname"},
    {2, "url loginuri loginurl website websiteaddress webaddress weburl webpage address uri link domain"},
    {3, "username loginusername login loginname user userid customerid custid customernumber accountnumber "
        "membershipnumber email emailaddress mail"},
    {4, "pin pincode pinnumber"},
    {5, "password loginpassword pass passwd pwd passphrase passcode"},
    {6, "memorabledata memorabledata1 question question1 securityquestion securityquestion1"},
    {7, "answer answer1 securityanswer securityanswer1"},
    {8, "memorabledata2 question2 securityquestion2"},
    {9, "answer2 securityanswer2"},
    {10, "memorabledata3 question3 securityquestion3"},
    {11, "answer3 securityanswer3"},
    {12, "memorabledata4 question4 securityquestion4"},
    {13, "answer4 securityanswer4"},
    {14, "notes note extra comments comment remarks memo description"},
    // A one-time-password secret has no field of its own: it goes into the notes.
    {TotpSecret, "totp otpauth logintotp otpsecret otpurl totpsecret otp onetimepassword"},
};

// Where a name stands in the table of known names: its field and its rank within the field.
struct TKnownName {
    int Field = 0;
    int Rank = 0;
};

TKnownName FindKnownName(const QString &name)
{
    for (const TKnownHeadings &known : KnownHeadings) {
        const QList<QByteArray> names = QByteArray(known.Names).split(' ');
        for (int rank = 0; rank < names.size(); ++rank)
            if (name == QLatin1String(names[rank]))
                return {known.Field, rank};
    }
    return {};
}

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
        {"Firefox", "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
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

    // For each field, the rank of the name that took it.
    constexpr int Unranked = 1 << 30;
    std::array<int, ImportedEntryFields + 1> rank;
    rank.fill(Unranked);
    int totpRank = Unranked;
    for (int c = 1; c <= names.size(); ++c) {
        const TKnownName known = FindKnownName(names[c - 1]);
        if (known.Field == TotpSecret) {
            if (known.Rank < totpRank) {
                totpRank = known.Rank;
                layout.TotpColumn = c;
            }
        } else if (known.Field != 0 && known.Rank < rank[known.Field]) {
            rank[known.Field] = known.Rank;
            layout.Columns[known.Field] = c;
        }
    }
    layout.Recognised =
        layout.Columns[PasswordField] != 0 &&
        (layout.Columns[NameField] != 0 || layout.Columns[UrlField] != 0 || layout.Columns[CustIdField] != 0);
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
