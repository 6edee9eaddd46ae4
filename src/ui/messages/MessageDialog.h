#pragma once
// The dialog that shows the catalogue's messages (app/LockvexMsgdial.h): a band in the message
// type's colours with its icon and caption, the text, and the buttons in the order given.

#include "app/LockvexMsgdial.h"

#include <functional>

class QDialog;
class QWidget;

// Shows the message in this dialog, modally, centred over the owner of the messages when there is
// one: the presenter the program gives the run's messages (TLockvexMessages) at start.
bool RunMessageDialog(const TShownMessage &message, QObject *owner);

// The main window registers itself once it exists (and passes nullptr when it goes), so that
// messages are centred over it; messageShown, when given, is called for every message shown
// while it is registered (the window then knows that its next activation comes from a message
// that closed).
void SetMessageDialogOwner(TLockvexMessages &messages, QWidget *mainWindow, std::function<void()> messageShown = {});
QWidget *MessageDialogOwner(const TLockvexMessages &messages);

// Builds the dialog for a message without showing it. OK and Yes accept, No and the close box
// reject. Its buttons are named "OKBtn", "YesBtn" and "NoBtn"; the labels "TitleLbl" and "MsgLbl"
// (which show a zero-width break after each "/", so that a long folder name wraps).
QDialog *CreateMessageDialog(const TShownMessage &message, QWidget *parent);
