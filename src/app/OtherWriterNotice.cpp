#include "app/OtherWriterNotice.h"

#include "app/LockvexMsgdial.h"
#include "app/MgrLockvexDlgProcs.h"
#include "store/TBDALockvexData.h"

#include <QDir>

namespace
{

QString Items(int count)
{
    if (count == 0)
        return QStringLiteral("no item");
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

} // namespace

QString OtherWriterNoticeText(const TOtherWriterReport &report)
{
    QString text = report.Replaced ? QStringLiteral("Another file took its place. ")
                                   : QStringLiteral("The file was rewritten in place. ");
    QString combined = QStringLiteral("%1 changed on this computer and %2 changed in the other file were combined.")
                           .arg(Items(report.FromHere), Items(report.FromThere));
    combined[0] = combined[0].toUpper(); // a sentence of its own: "No item changed ..."
    text += combined;
    if (!report.KeptTwice.isEmpty())
        text += QStringLiteral(" Changed in both places, so kept twice (this computer's version is named): %1.")
                    .arg(report.KeptTwice.join(QStringLiteral(", ")));
    return text;
}

bool TellOtherWriters(TLockvexMessages &messages, TV9LockvexTbl &table, TLVDlgProcs &procs)
{
    const TOtherWriterReport report = table.TakeOtherWriterReport();
    int number = -1;
    QString value;
    switch (report.What) {
    case TOtherWriterReport::Nothing:
        return false;
    case TOtherWriterReport::Reloaded:
        return true;
    case TOtherWriterReport::Combined:
        number = MsgOtherWriterCombined;
        value = OtherWriterNoticeText(report);
        break;
    case TOtherWriterReport::WrittenAgain:
        number = MsgDataFileWrittenAgain;
        value = QDir::toNativeSeparators(table.GetPoolFileName());
        break;
    }
    if (messages.QuietClose()) {
        // Nobody is there to read it now: kept for the next start.
        procs.WriteSettings({{OtherWriterNoticeKey, QString::number(number) + QLatin1Char(':') + value}});
        return true;
    }
    messages.ShowMessageDlg(MsgCatalogue[size_t(number)], value);
    return true;
}

void ShowKeptOtherWriterNotice(TLockvexMessages &messages, TLVDlgProcs &procs)
{
    const QString kept = procs.ReadSetting(OtherWriterNoticeKey);
    if (kept.isEmpty())
        return;
    procs.WriteSettings({{OtherWriterNoticeKey, QString()}});
    const qsizetype colon = kept.indexOf(QLatin1Char(':'));
    bool isNumber = false;
    const int number = kept.left(colon).toInt(&isNumber);
    if (colon < 0 || !isNumber || (number != MsgOtherWriterCombined && number != MsgDataFileWrittenAgain))
        return;
    messages.ShowMessageDlg(MsgCatalogue[size_t(number)], kept.mid(colon + 1));
}
