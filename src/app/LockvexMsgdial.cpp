#include "app/LockvexMsgdial.h"

#include <cstdio>

const std::array<TMsgFields, 30> MsgCatalogue = {{
    /* 0 */ {QStringLiteral("YOU HAVE CHANGED THE LOCATION WHERE YOUR ENCRYPTED PASSWORDS ARE STORED"),
             QStringLiteral("This change will be effective when you next start Lockvex"),
             mtInformation,
             {mbOK},
             0},
    /* 1 */ {QString(), QStringLiteral("_ is not installed on this PC"), mtWarning, {mbOK}, 0},
    /* 2 */
    {QString(), QStringLiteral("Did you really mean to change this name?"), mtConfirmation, {mbYes, mbNo}, 0, true},
    /* 3 */
    {QString(), QStringLiteral("Did you really want to delete this item?"), mtConfirmation, {mbYes, mbNo}, 0, true},
    /* 4 */
    {QString(),
     QStringLiteral("Did you really want to quit without saving the current item?"),
     mtWarning,
     {mbYes, mbNo},
     0,
     true},
    /* 5 */
    {QStringLiteral("Import complete. _ items imported."),
     QStringLiteral("Do you want to view the log or import another file?"),
     mtConfirmation,
     {mbYes, mbNo},
     0},
    /* 6 */
    {QStringLiteral("SECURITY INFO"),
     QStringLiteral("Any text or log files created during import will be deleted when Lockvex closes."),
     mtInformation,
     {mbOK},
     0},
    /* 7 */
    {QStringLiteral("SECURITY TIP"),
     QStringLiteral("When you have imported all your passwords, we suggest you print the import file and then delete "
                    "it from your PC."),
     mtInformation,
     {mbOK},
     0},
    /* 8 */ {QStringLiteral("Program and data copied to:"), QStringLiteral("_"), mtWarning, {mbOK}, 0},
    /* 9 */ {QStringLiteral("Unable to copy to:"), QStringLiteral("_"), mtWarning, {mbOK}, 0},
    /* 10 */ {QString(), QStringLiteral("No log file exists. Only created after download"), mtWarning, {mbOK}, 0},
    /* 11 */ {QString(), QStringLiteral("No download file specified"), mtWarning, {mbOK}, 0},
    /* 12 */ {QString(), QStringLiteral("Download file must be .CSV or . EXL type"), mtWarning, {mbOK}, 0},
    /* 13 */
    {QStringLiteral("You need two designated login passwords to be able to run from a memory stick."),
     QStringLiteral("Please set a second Lockvex login password."),
     mtWarning,
     {mbOK},
     0},
    /* 14 */
    {QStringLiteral("YOUR DATA FILE WAS DAMAGED"),
     QStringLiteral("It was restored from your last backup. The damaged file is kept as _"),
     mtWarning,
     {mbOK},
     0},
    /* 15 */ {QString(), QStringLiteral("Please select a memory stick"), mtWarning, {mbOK}, 0},
    /* 16 */ {QString(), QStringLiteral("You can't specify a name that already exists."), mtWarning, {mbOK}, 0},
    /* 17 */ {QString(), QStringLiteral("The password you have entered is not correct"), mtWarning, {mbOK}, 0},
    /* 18 */ {QString(),
              QStringLiteral("Lockvex could not write this change to your data file. It has not been saved."),
              mtError,
              {mbOK},
              0},
    /* 19 */
    {QString(),
     QStringLiteral("Lockvex could not open your data file. No file has been changed; Lockvex will try again when you "
                    "next start it."),
     mtError,
     {mbOK},
     0},
    /* 20 */ {QStringLiteral("SOME ITEMS WERE SHORTENED"),
              QStringLiteral("_ imported items had a field longer than Lockvex can store. Check them in the log."),
              mtWarning,
              {mbOK},
              0},
    /* 21 */
    {QString(),
     QStringLiteral("An item must have a name. Your changes to this item are kept: please type a name for it."),
     mtWarning,
     {mbOK},
     0},
    /* 22 */
    {QStringLiteral("YOUR LOCKVEX IS FULL"),
     QStringLiteral("Lockvex holds at most 32,767 items. Delete items you no longer need to make room for new ones."),
     mtWarning,
     {mbOK},
     0},
    /* 23 */
    {QStringLiteral("SOME CHARACTERS WERE REPLACED"),
     QStringLiteral("_ imported items had characters Lockvex cannot store; each was stored as \"?\". Check them in the "
                    "log."),
     mtWarning,
     {mbOK},
     0},
    /* 24 */
    {QStringLiteral("YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM"),
     QStringLiteral("While Lockvex had it open, your data file was replaced or changed by another program, probably your "
                    "cloud storage bringing changes made on another computer. Lockvex has combined the two, so that no "
                    "change is lost. _"),
     mtWarning,
     {mbOK},
     0},
    /* 25 */
    {QStringLiteral("YOUR DATA FILE WAS DELETED"),
     QStringLiteral("Your data file was deleted while Lockvex had it open. Lockvex has written it again with all your "
                    "items, so that none is lost: _"),
     mtWarning,
     {mbOK},
     0},
    /* 26 */
    {QStringLiteral("YOUR DATA FILE WAS DAMAGED"),
     QStringLiteral("There was no newer backup to restore it from: Lockvex kept the items that were whole in it, if "
                    "any. The damaged file is kept unchanged as _"),
     mtWarning,
     {mbOK},
     0},
    /* 27 */
    {QStringLiteral("TODAY'S BACKUP WAS NOT MADE"),
     QStringLiteral("Lockvex could not write the backup of your data file. Your data file itself is saved. Your last "
                    "backup: _. Free some space on the disk: Lockvex makes the backup again when it next closes."),
     mtWarning,
     {mbOK},
     0},
    /* 28 */
    {QString(), QStringLiteral("Discard the new item?"), mtConfirmation, {mbYes, mbNo}, 0, true},
    /* 29 */
    {QStringLiteral("Import complete. _"),
     QStringLiteral("_Do you want to view the log and import another file?\nYes opens the log and keeps this window "
                    "open; No closes it."),
     mtConfirmation,
     {mbYes, mbNo},
     0},
}};

TShownMessage FillMessage(const TMsgFields &Fields, const QString &Value)
{
    TShownMessage message;
    QString value = Value;
    message.Caption = Fields.Title;
    const qsizetype titleMark = message.Caption.indexOf(QLatin1Char('_'));
    if (!value.isEmpty() && titleMark >= 0) {
        message.Caption.replace(titleMark, 1, value);
        value.clear(); // a value is put in once only
    }
    message.Text = Fields.Msg;
    const qsizetype textMark = message.Text.indexOf(QLatin1Char('_'));
    if (!value.isEmpty() && textMark >= 0)
        message.Text.replace(textMark, 1, value);
    message.DlgType = Fields.DlgType;
    if (Fields.Buttons.Contains(mbOK))
        message.Buttons << QStringLiteral("OK");
    if (Fields.Buttons.Contains(mbYes))
        message.Buttons << QStringLiteral("Yes");
    if (Fields.Buttons.Contains(mbNo))
        message.Buttons << QStringLiteral("No");
    // A message without any of the three would leave only the close box; give it an OK.
    if (message.Buttons.isEmpty())
        message.Buttons << QStringLiteral("OK");
    message.DefaultButton = Fields.DefaultNo && Fields.Buttons.Contains(mbNo) ? QStringLiteral("No")
                                                                              : message.Buttons.first();
    return message;
}

TLockvexMessages::TLockvexMessages(TMessagePresenter presenter) : messagePresenter_(std::move(presenter)) {}

bool TLockvexMessages::ShowMessageDlg(const TMsgFields &Fields, const QString &Value)
{
    if (quietClose_)
        return false; // nobody is there to answer
    if (ownerMessageShown_)
        ownerMessageShown_();
    const TShownMessage message = FillMessage(Fields, Value);
    if (messageResponder_)
        return messageResponder_(message);
    if (messagePresenter_)
        return messagePresenter_(message, owner_.data());
    // No window layer to ask (a run without windows): the safe answer is No, and the message
    // still reaches whoever reads the program's error output.
    std::fprintf(stderr, "Lockvex: %s %s\n", qPrintable(message.Caption), qPrintable(message.Text));
    return false;
}

void TLockvexMessages::ShowErrorMessage(const QString &text)
{
    ShowMessageDlg(TMsgFields{QString(), text, mtError, {mbOK}, 0});
}

ScopedMessageResponder::ScopedMessageResponder(TLockvexMessages &messages, bool defaultAnswer)
    : DefaultAnswer(defaultAnswer), messages_(messages), previous_(messages.MessageResponder())
{
    messages_.SetMessageResponder([this](const TShownMessage &message) {
        Shown.append(message);
        return Answers.isEmpty() ? DefaultAnswer : Answers.takeFirst();
    });
}

ScopedMessageResponder::~ScopedMessageResponder()
{
    messages_.SetMessageResponder(std::move(previous_));
}
