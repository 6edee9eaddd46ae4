#pragma once
// Help on the web. There is no local help system: every help request, from a window's HELP
// button or from the F1 key, becomes an address on the maker's help site that carries the help
// context number of the request, opened in the user's browser.
//
// Help context numbers are a property of windows and controls ("helpContext",
// ui/shared/WindowHelp.h). F1 asks for the focused control's number; a control without one falls
// back to its enclosing controls and then to its window.

#include <QString>

// The numbers that the windows carry; the help site has one page per number.
namespace HelpContexts
{
constexpr int MainWindow = 1020;
constexpr int SignIn = 1030;
constexpr int QuickListWindow = 1040;
constexpr int EntryWindow = 1045;
constexpr int ImportDialog = 2000;
constexpr int SaveCloseBtn = 3111;
constexpr int DeleteBtn = 3112;
constexpr int NewBtn = 3113;
constexpr int ImportPasswordsBtn = 3120;
constexpr int TfrMemStickBtn = 3130;
constexpr int LoginBtn = 3140;
constexpr int BrowseBtn = 3211;
constexpr int ViewTsactnsBtn = 3212;
constexpr int ViewTextTsactnsBtn = 3213;
constexpr int ViewLogBtn = 3214;
constexpr int ResetDefaultsBtn = 3221;
constexpr int SetZeroBtn = 3222;
constexpr int ImportFileBtn = 3231;
constexpr int AcceptBtn = 3232;
constexpr int RejectBtn = 3233;
constexpr int QuitImportBtn = 3234;
} // namespace HelpContexts

// The help site address for a context number.
QString HelpAddress(int context);

// The run's web help: the session owns it, and the dialog procedures hand it to the windows, whose
// HELP button and F1 key ask it (ui/shared/WindowHelp.h).
class TWebHelpSystem
{
public:
    TWebHelpSystem() = default;
    TWebHelpSystem(const TWebHelpSystem &) = delete;
    TWebHelpSystem &operator=(const TWebHelpSystem &) = delete;

    // The application's help event: hands the number to WebHelpHook. True: the request is handled.
    bool ApplicationHelpContext(int context);

    // Opens the help address for the context number in Data; Command is not looked at. CallHelp
    // is set to false: no other help system is called. True: the request is handled.
    bool WebHelpHook(unsigned short Command, int Data, bool &CallHelp);
};
