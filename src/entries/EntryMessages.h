#pragma once
// The item manager asks the user through the program's message catalogue, which lives in the
// application layer above this one. The application installs a hook at start that shows
// catalogue message msgNo with value in its placeholder and answers true for OK or Yes, false
// for No or a closed box; tests install one that answers and records.

#include <QString>

#include <functional>

using EntryMessageHook = std::function<bool(int msgNo, const QString &value)>;

// Catalogue numbers the entries layer shows.
constexpr int EntryMsgConfirmNameChange = 2; // "Did you really mean to change this name?" (Yes/No)
constexpr int EntryMsgNameExists = 16;       // "You can't specify a name that already exists." (OK)
constexpr int EntryMsgNameNeeded = 21;       // "An item must have a name. ..." (OK)

// An empty hook removes it. Without a hook no message can be shown, and every question counts
// as answered No: nothing is confirmed that the user did not see.
void SetEntryMessageHook(EntryMessageHook hook);
// Shows message msgNo through the hook; false when there is none.
bool ShowEntryMessage(int msgNo, const QString &value = QString());
