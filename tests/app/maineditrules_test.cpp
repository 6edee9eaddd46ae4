// The main window's editing rules without the window: every way out of an entry (a line, a
// letter tab, a search, New, Delete, Cancel, Save-and-close, the idle close, an ending signal)
// from every editing state, each ending in what is saved, what the user is asked, and what is
// discarded. The window's own tests drive the same rules through its controls.

#include "app/MainEditRules.h"
#include "app/RunState.h"
#include "entries/EntriesFixture.h"

#include <QList>
#include <QStringList>

namespace
{

using M = TEditMessage;

// The window as the rules see it: boxes that hold an entry, a list, and a user who answers from
// a script (No once it runs out).
class TFakeView : public TMainEditView
{
public:
    TFakeView(TItemManager &items, TListManager &lists) : items_(items), lists_(lists) {}

    TItemManager *Items() const override { return &items_; }
    TListManager *Lists() const override { return &lists_; }
    void ReadFields(ItemManagerParams &entry) const override
    {
        for (const EntryTextField &field : EntryTextFields)
            entry.*field.Member = Fields.*field.Member;
        entry.LockvexPassword = Fields.LockvexPassword;
        entry.AutoPWCopy = Fields.AutoPWCopy;
        entry.LoginDateTime = Fields.LoginDateTime;
    }
    const TLockvexStringList *ShownLines() const override { return lines_; }
    bool Ask(TEditMessage message, const QString &about) override
    {
        Asked << message;
        About << about;
        return Answers.isEmpty() ? false : Answers.takeFirst();
    }
    void ListsChanged() override
    {
        int line = 0;
        lines_ = lists_.BuildItemList(QString(), QStringLiteral("*"), 0, line).Items;
    }
    bool FieldsReadOnly() const override { return ReadOnly; }

    ItemManagerParams Fields;
    QList<TEditMessage> Asked;
    QStringList About; // the entry each question named, empty where none
    QList<bool> Answers;
    bool ReadOnly = false;

private:
    TItemManager &items_;
    TListManager &lists_;
    const TLockvexStringList *lines_ = nullptr;
};

// Where the editing stands when the user takes a way out. Every start but Unchanged and NewUnnamed
// has the PIN changed to "4321" besides what it names.
enum class Start {
    Unchanged,
    PinChanged,
    Renamed,       // "Amazon" typed over "Anvil"
    NameTaken,     // "basket", another entry's name in other case
    NameBlanked,   // the name deleted
    RenameRefused, // renamed, and No to the rename question when the name field was left
    NewUnnamed,    // a new entry, as New made it
    NewNamed,      // a new entry named "Cedar"
    NewNameTaken,  // a new entry named "Basket"
    NewNameTold,   // a new entry named "Basket", the name field left (told the name is taken)
    NewTyped,      // a new entry with only the PIN typed, no name
    NameTakenTold, // "basket", the name field left (told the name is taken)
    ReadOnly,      // another computer holds the data
    SafeFull,      // PIN changed; the table has no free key
};

enum class Way { Line, LetterTab, Search, New, Delete, Cancel, SaveAndClose, IdleClose, IdleCloseBehind, Signal };

// Where the window stands afterwards.
enum class Outcome { Left, Stayed, Closed };

struct Row {
    const char *Name;
    Start From;
    Way By;
    QList<bool> Answers;
    bool DiskFails;
    QList<TEditMessage> Asked;
    QStringList Stored; // the entries' names in the file, in list order
    bool PinSaved;      // "4321" was written (false: discarded, or never typed)
    Outcome Ends;
};

const QStringList AB = {"Anvil", "Basket"};

// clang-format off
const Row Rows[] = {
    // Nothing changed: nothing is saved or asked, whatever the way out. (Every question whose Yes
    // loses something has No as its default button, so Return never destroys.)
    {"unchanged/line", Start::Unchanged, Way::Line, {}, false, {}, AB, false, Outcome::Left},
    {"unchanged/cancel", Start::Unchanged, Way::Cancel, {}, false, {}, AB, false, Outcome::Closed},
    {"unchanged/delete yes", Start::Unchanged, Way::Delete, {true}, false, {M::ConfirmDelete}, {"Basket"}, false, Outcome::Left},
    {"unchanged/delete no", Start::Unchanged, Way::Delete, {false}, false, {M::ConfirmDelete}, AB, false, Outcome::Stayed},
    {"unchanged/signal", Start::Unchanged, Way::Signal, {}, false, {}, AB, false, Outcome::Closed},
    // A change with the name as it was: every way out saves it without a question, except
    // Cancel, which asks whether to quit and drops it; Delete drops it with the entry.
    {"pin/line", Start::PinChanged, Way::Line, {}, false, {}, AB, true, Outcome::Left},
    {"pin/letter tab", Start::PinChanged, Way::LetterTab, {}, false, {}, AB, true, Outcome::Left},
    {"pin/search", Start::PinChanged, Way::Search, {}, false, {}, AB, true, Outcome::Left},
    {"pin/new", Start::PinChanged, Way::New, {}, false, {}, {"Anvil", "Basket", "New Web entry"}, true, Outcome::Left},
    {"pin/delete", Start::PinChanged, Way::Delete, {true}, false, {M::ConfirmDelete}, {"Basket"}, false, Outcome::Left},
    {"pin/cancel quit", Start::PinChanged, Way::Cancel, {true}, false, {M::QuitUnsaved}, AB, false, Outcome::Closed},
    {"pin/cancel stay", Start::PinChanged, Way::Cancel, {false}, false, {M::QuitUnsaved}, AB, false, Outcome::Stayed},
    {"pin/save and close", Start::PinChanged, Way::SaveAndClose, {}, false, {}, AB, true, Outcome::Closed},
    {"pin/idle close", Start::PinChanged, Way::IdleClose, {}, false, {}, AB, true, Outcome::Closed},
    {"pin/idle close behind another window", Start::PinChanged, Way::IdleCloseBehind, {}, false, {}, AB, true, Outcome::Closed},
    {"pin/signal", Start::PinChanged, Way::Signal, {}, false, {}, AB, true, Outcome::Closed},
    // The store does not write: the user is told once and stays on the change, which closing
    // then drops only when the user agrees; an ending signal drops it without a word.
    {"pin, disk fails/line", Start::PinChanged, Way::Line, {}, true, {M::NotSaved}, AB, false, Outcome::Stayed},
    {"pin, disk fails/letter tab", Start::PinChanged, Way::LetterTab, {}, true, {M::NotSaved}, AB, false, Outcome::Stayed},
    {"pin, disk fails/save and close", Start::PinChanged, Way::SaveAndClose, {true, true}, true, {M::NotSaved, M::QuitUnsaved}, AB, false, Outcome::Closed},
    {"renamed, disk fails/letter tab", Start::Renamed, Way::LetterTab, {true}, true, {M::ConfirmRename, M::NotSaved}, AB, false, Outcome::Stayed},
    {"pin, disk fails/signal", Start::PinChanged, Way::Signal, {}, true, {}, AB, false, Outcome::Closed},
    {"unchanged, disk fails/delete", Start::Unchanged, Way::Delete, {true}, true, {M::ConfirmDelete, M::NotSaved}, AB, false, Outcome::Stayed},
    // A rename is asked about once, however the entry is left; No to a letter tab keeps the user
    // on it. An ending signal never saves a rename nobody confirmed.
    {"renamed/line yes", Start::Renamed, Way::Line, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket"}, true, Outcome::Left},
    // No keeps the old name stored and the user on the entry, the new name in the field.
    {"renamed/line no", Start::Renamed, Way::Line, {false}, false, {M::ConfirmRename}, AB, false, Outcome::Stayed},
    {"renamed/letter tab yes", Start::Renamed, Way::LetterTab, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket"}, true, Outcome::Left},
    {"renamed/letter tab no", Start::Renamed, Way::LetterTab, {false}, false, {M::ConfirmRename}, AB, false, Outcome::Stayed},
    {"renamed/search", Start::Renamed, Way::Search, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket"}, true, Outcome::Left},
    {"renamed/new", Start::Renamed, Way::New, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket", "New Web entry"}, true, Outcome::Left},
    {"renamed/delete no", Start::Renamed, Way::Delete, {true, false}, false, {M::ConfirmRename, M::ConfirmDelete}, {"Amazon", "Basket"}, true, Outcome::Stayed},
    {"renamed/cancel", Start::Renamed, Way::Cancel, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket"}, true, Outcome::Closed},
    {"renamed/save and close", Start::Renamed, Way::SaveAndClose, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket"}, true, Outcome::Closed},
    {"renamed/idle close", Start::Renamed, Way::IdleClose, {true}, false, {M::ConfirmRename}, {"Amazon", "Basket"}, true, Outcome::Closed},
    {"renamed/signal", Start::Renamed, Way::Signal, {}, false, {}, AB, false, Outcome::Closed},
    // Refused once, not asked again: leaving saves what the field holds, closing asks to quit.
    {"rename refused/line", Start::RenameRefused, Way::Line, {}, false, {}, {"Amazon", "Basket"}, true, Outcome::Left},
    {"rename refused/cancel", Start::RenameRefused, Way::Cancel, {true}, false, {M::QuitUnsaved}, AB, false, Outcome::Closed},
    {"rename refused/signal", Start::RenameRefused, Way::Signal, {}, false, {}, AB, false, Outcome::Closed},
    // Another entry's name is never written: the user is told once and stays.
    {"name taken/line", Start::NameTaken, Way::Line, {true}, false, {M::NameExists}, AB, false, Outcome::Stayed},
    {"name taken/letter tab", Start::NameTaken, Way::LetterTab, {true}, false, {M::NameExists}, AB, false, Outcome::Stayed},
    {"name taken/new", Start::NameTaken, Way::New, {true}, false, {M::NameExists}, AB, false, Outcome::Stayed},
    {"name taken/save and close", Start::NameTaken, Way::SaveAndClose, {true, true}, false, {M::NameExists, M::QuitUnsaved}, AB, false, Outcome::Closed},
    {"name taken/signal", Start::NameTaken, Way::Signal, {}, false, {}, AB, false, Outcome::Closed},
    // Told when the field was left; every way out it stops afterwards says why again.
    {"name taken, told/line", Start::NameTakenTold, Way::Line, {true}, false, {M::NameExists}, AB, false, Outcome::Stayed},
    {"name taken, told/letter tab", Start::NameTakenTold, Way::LetterTab, {true}, false, {M::NameExists}, AB, false, Outcome::Stayed},
    {"name taken, told/search", Start::NameTakenTold, Way::Search, {true}, false, {M::NameExists}, AB, false, Outcome::Stayed},
    // A name blanked out is refused and the changes kept until it has one again.
    {"name blanked/line", Start::NameBlanked, Way::Line, {true}, false, {M::NameNeeded}, AB, false, Outcome::Stayed},
    {"name blanked/letter tab", Start::NameBlanked, Way::LetterTab, {true}, false, {M::NameNeeded}, AB, false, Outcome::Stayed},
    {"name blanked/cancel", Start::NameBlanked, Way::Cancel, {true, true}, false, {M::NameNeeded, M::QuitUnsaved}, AB, false, Outcome::Closed},
    // A new entry's first name is no rename; an ending signal saves it when no other entry bears it.
    // Left untouched, its line goes without a question.
    {"new unnamed/line", Start::NewUnnamed, Way::Line, {}, false, {}, AB, false, Outcome::Left},
    {"new unnamed/letter tab", Start::NewUnnamed, Way::LetterTab, {}, false, {}, AB, false, Outcome::Left},
    {"new unnamed/search", Start::NewUnnamed, Way::Search, {}, false, {}, AB, false, Outcome::Left},
    {"new unnamed/cancel", Start::NewUnnamed, Way::Cancel, {}, false, {}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    // A new entry that cannot be saved (no name, or another entry's) is never left in silence:
    // the user is asked once to discard it; Yes leaves it and its line, No keeps editing it.
    {"new typed/line yes", Start::NewTyped, Way::Line, {true}, false, {M::DiscardNew}, AB, false, Outcome::Left},
    {"new typed/line no", Start::NewTyped, Way::Line, {false}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new typed/letter tab yes", Start::NewTyped, Way::LetterTab, {true}, false, {M::DiscardNew}, AB, false, Outcome::Left},
    {"new typed/search no", Start::NewTyped, Way::Search, {false}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new typed/cancel yes", Start::NewTyped, Way::Cancel, {true}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    {"new typed/cancel no", Start::NewTyped, Way::Cancel, {false}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new name taken/line yes", Start::NewNameTaken, Way::Line, {true, true}, false, {M::NameExists, M::DiscardNew}, AB, false, Outcome::Left},
    {"new name taken/line no", Start::NewNameTaken, Way::Line, {true, false}, false, {M::NameExists, M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    // A taken name told when the field was left, then every way out.
    {"new name told/line yes", Start::NewNameTold, Way::Line, {true}, false, {M::DiscardNew}, AB, false, Outcome::Left},
    {"new name told/line no", Start::NewNameTold, Way::Line, {false}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new name told/letter tab yes", Start::NewNameTold, Way::LetterTab, {true}, false, {M::DiscardNew}, AB, false, Outcome::Left},
    {"new name told/letter tab no", Start::NewNameTold, Way::LetterTab, {false}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new name told/search yes", Start::NewNameTold, Way::Search, {true}, false, {M::DiscardNew}, AB, false, Outcome::Left},
    {"new name told/new yes", Start::NewNameTold, Way::New, {true}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Left},
    {"new name told/delete yes", Start::NewNameTold, Way::Delete, {true}, false, {M::ConfirmDelete}, AB, false, Outcome::Left},
    {"new name told/delete no", Start::NewNameTold, Way::Delete, {false}, false, {M::ConfirmDelete}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new name told/cancel yes", Start::NewNameTold, Way::Cancel, {true}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    {"new name told/cancel no", Start::NewNameTold, Way::Cancel, {false}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Stayed},
    {"new name told/save and close", Start::NewNameTold, Way::SaveAndClose, {true}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    {"new name told/idle close", Start::NewNameTold, Way::IdleClose, {true}, false, {M::DiscardNew}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    {"new name told/signal", Start::NewNameTold, Way::Signal, {}, false, {}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    {"new named/line", Start::NewNamed, Way::Line, {}, false, {}, {"Anvil", "Basket", "Cedar"}, true, Outcome::Left},
    {"new named/letter tab", Start::NewNamed, Way::LetterTab, {}, false, {}, {"Anvil", "Basket", "Cedar"}, true, Outcome::Left},
    {"new named/signal", Start::NewNamed, Way::Signal, {}, false, {}, {"Anvil", "Basket", "Cedar"}, true, Outcome::Closed},
    {"new name taken/signal", Start::NewNameTaken, Way::Signal, {}, false, {}, {"Anvil", "Basket", "New Web entry"}, false, Outcome::Closed},
    // Read-only data: nothing is written and nobody asked.
    {"read-only/line", Start::ReadOnly, Way::Line, {}, false, {}, AB, false, Outcome::Left},
    // No free key: the change is saved, the user told, and the entry stays shown.
    {"safe full/new", Start::SafeFull, Way::New, {}, false, {M::SafeFull}, AB, true, Outcome::Stayed},
};
// clang-format on

} // namespace

class MainEditRulesTest : public EntriesFixture, public ::testing::WithParamInterface<Row>
{
protected:
    void SetUp() override
    {
        EntriesFixture::SetUp();
        AddEntry(QStringLiteral("Anvil"));
        AddEntry(QStringLiteral("Basket"));
        view.ListsChanged();
        Show(KeyOf("Anvil"));
    }

    int KeyOf(const char *name) { return table->GetKey(QString::fromLatin1(name)); }

    void Show(int key)
    {
        shownKey = key;
        view.Fields = rules.ShowEntry(key);
        rules.Shown(view.Fields);
    }

    // The user types into the name field.
    void TypeName(const QString &name)
    {
        rules.NameEntered(view.Fields.ItemName);
        view.Fields.ItemName = name;
        rules.NameTyped();
    }

    void MakeNew()
    {
        Show(rules.AddNewEntry());
        rules.NewEntryShown();
    }

    void Begin(Start from)
    {
        switch (from) {
        case Start::Unchanged:
        case Start::NewUnnamed:
            break;
        case Start::Renamed:
        case Start::RenameRefused:
            TypeName(QStringLiteral("Amazon"));
            break;
        case Start::NameTaken:
            TypeName(QStringLiteral("basket"));
            break;
        case Start::NameBlanked:
            TypeName(QString());
            break;
        case Start::NewNamed:
            MakeNew();
            TypeName(QStringLiteral("Cedar"));
            break;
        case Start::NewNameTaken:
        case Start::NewNameTold:
            MakeNew();
            TypeName(QStringLiteral("Basket"));
            break;
        case Start::NewTyped:
            MakeNew();
            break;
        case Start::NameTakenTold:
            TypeName(QStringLiteral("basket"));
            break;
        case Start::ReadOnly:
            mode.SetReadOnlyMode(true);
            view.ReadOnly = true;
            break;
        case Start::SafeFull:
            while (items.AddItem(QStringLiteral("Filler")) != NoKey) {
            }
            break;
        case Start::PinChanged:
            break;
        }
        if (from == Start::NewUnnamed)
            MakeNew();
        else if (from != Start::Unchanged)
            view.Fields.PIN = QStringLiteral("4321");
        if (from == Start::RenameRefused || from == Start::NewNameTold || from == Start::NameTakenTold) {
            view.Answers = {from != Start::RenameRefused};
            ASSERT_EQ(rules.NameLeft(), TMainEditRules::TNameExit::Refused);
            ASSERT_EQ(rules.State(), TEditState::NameRefused);
        }
        view.Asked.clear();
        view.About.clear();
    }

    // The way out, as the window takes it: a button that takes the focus from the name field
    // leaves the field first; a line, the search box and New check the name themselves, and a
    // letter tab and the timers do not take the focus.
    Outcome Leave(Way by)
    {
        const int other = KeyOf("Basket");
        switch (by) {
        case Way::Line:
            if (!rules.Save())
                return Outcome::Stayed;
            Show(other);
            return Outcome::Left;
        case Way::LetterTab:
            if (!rules.Save())
                return Outcome::Stayed;
            Show(other);
            return Outcome::Left;
        case Way::Search:
            if (!rules.Save())
                return Outcome::Stayed;
            Show(other);
            return Outcome::Left;
        case Way::New: {
            if (!rules.Save())
                return Outcome::Stayed;
            const int key = rules.AddNewEntry();
            if (key < 0)
                return Outcome::Stayed;
            Show(key);
            rules.NewEntryShown();
            return Outcome::Left;
        }
        case Way::Delete:
            rules.NameLeft();
            if (!rules.ConfirmDelete() || !rules.DeleteShown())
                return Outcome::Stayed;
            Show(other);
            return Outcome::Left;
        case Way::Cancel:
            rules.NameLeft();
            return Close();
        case Way::SaveAndClose:
            rules.NameLeft();
            rules.SaveBeforeClose();
            return Close();
        case Way::IdleClose:
        case Way::IdleCloseBehind: {
            const bool behind = by == Way::IdleCloseBehind;
            for (int tick = 1; tick < TMainEditRules::IdleTicks; ++tick)
                EXPECT_EQ(rules.IdleTick(behind), TMainEditRules::TIdleStep::Wait);
            const TMainEditRules::TIdleStep step = rules.IdleTick(behind);
            if (behind) {
                EXPECT_EQ(step, TMainEditRules::TIdleStep::CloseQuietly);
                return Leave(Way::Signal);
            }
            EXPECT_EQ(step, TMainEditRules::TIdleStep::SaveAndClose);
            rules.SaveBeforeClose();
            const Outcome ends = Close();
            rules.IdleCloseDone();
            return ends;
        }
        case Way::Signal:
            rules.BeginQuietClose();
            rules.SaveQuietly();
            return Close();
        }
        return Outcome::Stayed;
    }

    Outcome Close()
    {
        if (!rules.MayClose())
            return Outcome::Stayed;
        rules.Closed();
        return Outcome::Closed;
    }

    // The names in the file, and whether any entry holds the PIN typed.
    QStringList StoredNames()
    {
        lists.ForgetPasswords();
        view.ListsChanged();
        QStringList names = Texts(view.ShownLines());
        names.removeAll(QStringLiteral("Filler"));
        return names;
    }

    bool PinSaved()
    {
        const TLockvexStringList *lines = view.ShownLines();
        for (int i = 0; lines && i < lines->Count(); ++i)
            if (items.LoadWebItem(lists.GetKey(lines, i)).PIN == QStringLiteral("4321"))
                return true;
        return false;
    }

    TFakeView view{items, lists};
    TRunMode mode;
    TMainEditRules rules{view, mode};
    int shownKey = NoKey; // the entry the window last showed
};

TEST_P(MainEditRulesTest, WayOutOfAnEntry)
{
    const Row &row = GetParam();
    Begin(row.From);
    view.Answers = row.Answers;
    if (row.DiskFails)
        testPlatform.FailStorage = [](testing_support::StorageOp op, const QString &, qint64, qint64) {
            return op == testing_support::StorageOp::Write || op == testing_support::StorageOp::Sync ? ENOSPC : 0;
        };
    const Outcome ends = Leave(row.By);
    testPlatform.FailStorage = nullptr;

    QStringList asked, expected;
    for (TEditMessage m : view.Asked)
        asked << QString::number(int(m));
    for (TEditMessage m : row.Asked)
        expected << QString::number(int(m));
    EXPECT_EQ(asked.join(u','), expected.join(u',')) << "catalogue message numbers";
    EXPECT_EQ(int(ends), int(row.Ends)) << "0 left, 1 stayed, 2 closed";
    EXPECT_EQ(rules.IsClosing(), row.Ends == Outcome::Closed);
    EXPECT_EQ(rules.DisplayedItemKey(), shownKey) << "the rules' entry is the one the window shows";
    EXPECT_EQ(StoredNames().join(u','), row.Stored.join(u','));
    EXPECT_EQ(PinSaved(), row.PinSaved);
}

INSTANTIATE_TEST_SUITE_P(EveryWayOut, MainEditRulesTest, ::testing::ValuesIn(Rows),
                         [](const ::testing::TestParamInfo<Row> &info) {
                             std::string name;
                             for (const char *c = info.param.Name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

class MainEditRulesQuestions : public MainEditRulesTest
{
};

// The delete question names the entry it deletes: its stored name, or the line of a new entry.
TEST_F(MainEditRulesQuestions, DeleteQuestionNamesTheEntry)
{
    view.Answers = {false};
    EXPECT_FALSE(rules.ConfirmDelete());
    MakeNew();
    TypeName(QStringLiteral("Cedar"));
    view.Answers = {false};
    EXPECT_FALSE(rules.ConfirmDelete());
    EXPECT_EQ(view.About, QStringList({"Anvil", "New Web entry"}));
}
