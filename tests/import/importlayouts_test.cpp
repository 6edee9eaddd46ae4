// The header lines of the common exporters and of hand-made spreadsheets, read for the columns
// of the entry fields; and the host of an address as an entry's name.

#include "import/ImportLayouts.h"

#include <gtest/gtest.h>

namespace
{

// Field numbers: 1 name, 2 address, 3 customer ID, 4 PIN, 5 password, 6/7 memorable data 1 and
// its answer, 14 notes.
struct Expected {
    int name, url, id, pin, password, notes, totp;
};

struct LayoutCase {
    const char *line;
    const char *exporter; // empty: the headings are recognised by their names only
    Expected columns;
};

const LayoutCase Cases[] = {
    {"name,url,username,password,note", "Chrome, Edge, Brave or Opera", {1, 2, 3, 0, 4, 5, 0}},
    {"\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
     "\"timeLastUsed\",\"timePasswordChanged\"",
     "Firefox",
     {0, 1, 2, 0, 3, 0, 0}},
    {"Title,URL,Username,Password,Notes,OTPAuth", "Safari or iCloud Keychain", {1, 2, 3, 0, 4, 5, 6}},
    {"folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp",
     "Bitwarden",
     {4, 8, 9, 0, 10, 5, 11}},
    {"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
     "\"Created\"",
     "KeePassXC",
     {2, 5, 3, 0, 4, 6, 7}},
    {"url,username,password,totp,extra,name,grouping,fav", "LastPass", {6, 1, 2, 0, 3, 5, 4}},
    {"Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes", "1Password", {1, 2, 3, 0, 4, 9, 5}},
    {"username,username2,username3,title,password,note,url,category,otpSecret", "Dashlane", {4, 7, 1, 0, 5, 6, 9}},
    // Both email and username: the username is the customer ID.
    {"type,name,url,email,username,password,note,totp,createTime,modifyTime,vault",
     "Proton Pass",
     {2, 3, 5, 0, 6, 7, 8}},
    {"name,url,additional_urls,username,password,note,cardholdername,cardnumber,cvc,expirydate,zipcode,folder,"
     "full_name,phone_number,email,address1,address2,city,country,state,type,custom_fields",
     "NordPass",
     {1, 2, 4, 0, 5, 6, 0}},
    // Hand-made, in a person's own words; letter case, blanks, quotes, "_", "-" and a byte-order
    // mark do not count.
    {"\xef\xbb\xbfName;Website;User;Password;PIN;Notes", "", {1, 2, 3, 5, 4, 6, 0}},
    {"Site Name,Web Address,E-Mail,Pass word,Pin Code,Comments", "", {1, 2, 3, 5, 4, 6, 0}},
    {"\" TITLE \",LOGIN_URI,User-Name,PASSWD,Remarks", "", {1, 2, 3, 0, 4, 5, 0}},
    // An exporter's columns in another order are still its export.
    {"url,name,password,username,note", "Chrome, Edge, Brave or Opera", {2, 1, 4, 0, 3, 5, 0}},
};

TEST(ImportLayoutsTest, ExportersAndOwnHeadingsFillTheColumns)
{
    for (const LayoutCase &c : Cases) {
        SCOPED_TRACE(c.line);
        const TImportLayout layout = RecogniseHeaderLine(QByteArray(c.line));
        EXPECT_TRUE(layout.Recognised);
        EXPECT_EQ(layout.Exporter, QString::fromLatin1(c.exporter));
        const Expected &e = c.columns;
        EXPECT_EQ(layout.Columns[1], e.name);
        EXPECT_EQ(layout.Columns[2], e.url);
        EXPECT_EQ(layout.Columns[3], e.id);
        EXPECT_EQ(layout.Columns[4], e.pin);
        EXPECT_EQ(layout.Columns[5], e.password);
        EXPECT_EQ(layout.Columns[14], e.notes);
        EXPECT_EQ(layout.TotpColumn, e.totp);
    }
}

// Every exporter's own header line, as the table of exports holds it, is recognised as its export.
TEST(ImportLayoutsTest, EveryKnownExportIsRecognisedAsItself)
{
    for (const TKnownExport &known : KnownExports()) {
        const TImportLayout layout = RecogniseHeaderLine(QByteArray(known.HeaderLine));
        EXPECT_EQ(layout.Exporter, QString::fromLatin1(known.Exporter)) << known.HeaderLine;
    }
}

TEST(ImportLayoutsTest, MemorableDataAndTheirAnswers)
{
    const TImportLayout layout =
        RecogniseHeaderLine("Name,Password,Memorable data,Answer,Question 2,Answer 2,Security question 4,"
                            "Security answer 4");
    EXPECT_TRUE(layout.Recognised);
    EXPECT_EQ(layout.Columns[6], 3);
    EXPECT_EQ(layout.Columns[7], 4);
    EXPECT_EQ(layout.Columns[8], 5);
    EXPECT_EQ(layout.Columns[9], 6);
    EXPECT_EQ(layout.Columns[12], 7);
    EXPECT_EQ(layout.Columns[13], 8);
    EXPECT_EQ(layout.Columns[10], 0);
}

// A data line, a line without a password column, or one with only a password, is not a header
// line: the mapping stays the user's.
TEST(ImportLayoutsTest, LinesThatAreNoHeader)
{
    for (const char *line : {"Bank,https://bank.example,alice,S3cret", "name,url,username,note", "password,notes", "",
                             "Bank of name,password"}) {
        const TImportLayout layout = RecogniseHeaderLine(QByteArray(line));
        EXPECT_FALSE(layout.Recognised) << line;
        EXPECT_TRUE(layout.Exporter.isEmpty()) << line;
    }
}

// The same columns however written give the same key; other columns another.
TEST(ImportLayoutsTest, KeyFollowsTheHeaderLine)
{
    const QString key = LayoutSettingKey(RecogniseHeaderLine("Name,Site,Secret"));
    EXPECT_EQ(LayoutSettingKey(RecogniseHeaderLine("\"NAME\";\"site\";\"secret\"")), key);
    EXPECT_NE(LayoutSettingKey(RecogniseHeaderLine("Name,Secret,Site")), key);
    EXPECT_TRUE(key.startsWith(QStringLiteral("Layout")));
    EXPECT_FALSE(key.contains(QStringLiteral("Secret"), Qt::CaseInsensitive));
}

TEST(ImportLayoutsTest, HostNameOfAnAddress)
{
    const std::pair<const char *, const char *> cases[] = {
        {"https://accounts.example.com/login?next=/", "accounts.example.com"},
        {"https://www.Bank.Example:8443/", "bank.example"},
        {"http://user:pw@www.shop.example", "shop.example"},
        {"example.org/sign-in", "example.org"},
        {"forum.example:8080", "forum.example"},
        {"android://hash@com.example.app/", "com.example.app"},
        {"http://[2001:db8::1]:80/", "2001:db8::1"},
        {"http://sn", "sn"},
        {"  https://wiki.example.  ", "wiki.example"},
        {"", ""},
        {"mailto:alice@mail.example", ""},
        {"file:///home/alice/notes.txt", ""},
        {"my bank", ""},
    };
    for (const auto &[address, host] : cases)
        EXPECT_EQ(HostNameOf(QString::fromLatin1(address)), QString::fromLatin1(host)) << address;
}

} // namespace
