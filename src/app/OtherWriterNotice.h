#pragma once
// Telling the user what the entry table did when another program (a cloud client, a restore, a
// copy by hand) replaced, rewrote or deleted the data file during the run: the two combined
// (message 24), or the deleted file written again (message 25). A read-only run that shows the
// new file tells nothing: the lists show the new data.
//
// At a quiet close (an ending signal) nothing can be shown: the message is kept in the settings
// and shown at the next start.

#include <QString>

class TLockvexMessages;
class TLVDlgProcs;
class TV9LockvexTbl;
struct TOtherWriterReport;

// The value message 24 is shown with: how the file changed, how many entries of each side were
// combined, and the names this computer's versions of entries changed on both sides were given.
QString OtherWriterNoticeText(const TOtherWriterReport &report);

// Tells what the table did since it was last asked, if anything; true when there was something.
bool TellOtherWriters(TLockvexMessages &messages, TV9LockvexTbl &table, TLVDlgProcs &procs);

// Shows the message a quiet close kept, and forgets it.
void ShowKeptOtherWriterNotice(TLockvexMessages &messages, TLVDlgProcs &procs);

// The settings key a quiet close keeps the message under.
inline const QString OtherWriterNoticeKey = QStringLiteral("OtherWriterNotice");
