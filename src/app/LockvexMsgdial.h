#pragma once
// The message catalogue and the one routine that shows its messages. Every message box of the
// program comes from here: a caller names a catalogue entry and may pass one value that takes the
// place of the entry's placeholder "_". The texts and buttons are data; the dialog that shows them
// belongs to the window layer (ui/messages/MessageDialog.h), which the program hands in when it
// makes the run's messages (TLockvexMessages).

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>

// Selects the colour scheme of the dialog.
enum MessageType : std::uint8_t { mtInformation, mtError, mtWarning, mtConfirmation, mtCustom };

enum MsgDlgBtn : std::uint8_t {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp,
    mbClose
};

// A set of button kinds in 16 bits. Only OK, Yes and No are shown.
class MsgDlgButtons
{
public:
    constexpr MsgDlgButtons() = default;
    constexpr MsgDlgButtons(std::initializer_list<MsgDlgBtn> buttons)
    {
        for (MsgDlgBtn button : buttons)
            bits_ = static_cast<std::uint16_t>(bits_ | (1u << button));
    }
    constexpr bool Contains(MsgDlgBtn button) const { return (bits_ & (1u << button)) != 0; }
    constexpr std::uint16_t Bits() const { return bits_; }

private:
    std::uint16_t bits_ = 0;
};

struct TMsgFields {
    QString Title; // caption; may be empty; may hold the placeholder "_"
    QString Msg;   // text; may hold the placeholder "_"
    MessageType DlgType = mtInformation;
    MsgDlgButtons Buttons;
    int HelpCtx = 0; // 0 everywhere, not used
    // A question whose Yes loses something (an entry, a change, a name): No is the default
    // button, so that Return never destroys.
    bool DefaultNo = false;
};

// The catalogue, numbered from 0.
extern const std::array<TMsgFields, 30> MsgCatalogue;

// Catalogue numbers by meaning, for callers: MsgCatalogue[MsgWrongPassword].
enum LockvexMsgNo : int {
    MsgLocationChanged = 0,
    MsgNotInstalled = 1,
    MsgConfirmNameChange = 2,
    MsgConfirmDelete = 3,
    MsgQuitWithoutSaving = 4,
    MsgImportComplete = 5,
    MsgSecurityInfo = 6,
    MsgSecurityTip = 7,
    MsgCopiedToStick = 8,
    MsgUnableToCopy = 9,
    MsgNoLogFile = 10,
    MsgNoDownloadFile = 11,
    MsgWrongFileType = 12,
    MsgTwoPasswordsNeeded = 13,
    MsgDataFileDamaged = 14,
    MsgSelectMemStick = 15,
    MsgNameExists = 16,
    MsgWrongPassword = 17,
    MsgNotSaved = 18,
    MsgDataNotOpened = 19,
    MsgItemsShortened = 20,
    MsgNameNeeded = 21,
    MsgSafeFull = 22,
    MsgCharactersReplaced = 23,
    MsgOtherWriterCombined = 24,
    MsgDataFileWrittenAgain = 25,
    MsgDataFileNotRestored = 26,
    MsgBackupNotMade = 27,
    MsgDiscardNewItem = 28,
    MsgImportSummary = 29
};

// A message as the user sees it: the caption and text with the value put in, the type, and the
// buttons in the order shown ("OK", "Yes", "No").
struct TShownMessage {
    QString Caption;
    QString Text;
    MessageType DlgType = mtInformation;
    QStringList Buttons;
    QString DefaultButton; // the button Return presses: No where Yes would lose something, else the first
};

// The placeholder rule: the value fills the first "_" of the title; only when the title has none
// does it fill the first "_" of the text. An empty value leaves every "_" as it is.
TShownMessage FillMessage(const TMsgFields &Fields, const QString &Value);

// A responder answers messages in place of the dialog (tests).
using TMessageResponder = std::function<bool(const TShownMessage &)>;
// The dialog that asks the user: answers as a responder does; owner is the window that owns the
// messages (SetOwner), null while there is none.
using TMessagePresenter = std::function<bool(const TShownMessage &, QObject *owner)>;

// The run's messages: what shows them (the dialog, or a test's responder before it), whether the
// program is closing quietly, and the window that owns them. The program makes one before the
// start steps and keeps it past the exit steps, so that a message from either reaches the dialog;
// the session and the dialog procedures hand it on to the windows and procedures that tell the
// user something.
class TLockvexMessages
{
public:
    explicit TLockvexMessages(TMessagePresenter presenter = {});
    TLockvexMessages(const TLockvexMessages &) = delete;
    TLockvexMessages &operator=(const TLockvexMessages &) = delete;

    // Shows the message with Value in its placeholder, modally, through the responder when one is
    // set, else the dialog. True when the user pressed OK or Yes; false for No or when the dialog
    // was closed otherwise, and when there is no dialog (the message then goes to the error
    // output). The message-shown call (SetMessageShownCall) is told.
    bool ShowMessageDlg(const TMsgFields &Fields, const QString &Value = QString());

    // An error message that is not in the catalogue, such as a settings file that cannot be
    // written; shown the same way with the error scheme and one OK button.
    void ShowErrorMessage(const QString &text);

    // The program closes on an ending signal (log-out): from then on no message is shown, each is
    // answered as by closing its dialog (false), so that nothing waits for an answer nobody gives.
    void SetQuietClose(bool quiet) { quietClose_ = quiet; }
    bool QuietClose() const { return quietClose_; }

    // Called for every message shown, when set: the window that owns the messages then knows that
    // its next activation comes from a message that closed. The window layer sets it with the
    // owner (SetMessageDialogOwner); an empty call removes it.
    void SetMessageShownCall(std::function<void()> messageShown) { ownerMessageShown_ = std::move(messageShown); }

    // The window that owns the messages (the main window, or the quick list): the dialog is
    // centred over it. Null removes it; a window that goes is forgotten by itself.
    void SetOwner(QObject *owner) { owner_ = owner; }
    QObject *Owner() const { return owner_.data(); }

    // A responder answers in place of the dialog; an empty one restores the dialog.
    void SetMessageResponder(TMessageResponder responder) { messageResponder_ = std::move(responder); }
    const TMessageResponder &MessageResponder() const { return messageResponder_; }
    void SetMessagePresenter(TMessagePresenter presenter) { messagePresenter_ = std::move(presenter); }

private:
    std::function<void()> ownerMessageShown_;
    TMessageResponder messageResponder_;
    TMessagePresenter messagePresenter_;
    QPointer<QObject> owner_;
    bool quietClose_ = false;
};

// Installs a responder on the messages for its lifetime that records every message and answers
// them from Answers, in order, then with DefaultAnswer. Restores the previous responder when it
// goes.
class ScopedMessageResponder
{
public:
    explicit ScopedMessageResponder(TLockvexMessages &messages, bool defaultAnswer = true);
    ~ScopedMessageResponder();
    ScopedMessageResponder(const ScopedMessageResponder &) = delete;
    ScopedMessageResponder &operator=(const ScopedMessageResponder &) = delete;

    QList<TShownMessage> Shown;
    QList<bool> Answers;
    bool DefaultAnswer;

private:
    TLockvexMessages &messages_;
    TMessageResponder previous_;
};
