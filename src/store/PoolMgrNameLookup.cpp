// TPoolMgr: the name lookup. A hash from each name, in its lookup form (blanks at the ends
// trimmed, a-z upper-cased, see NameInUse), to the keys of the entries that carry it, so that
// asking whether a name is in use costs the same at 30,000 entries as at 1,000. Every path that
// puts an entry in the index or gives an entry a name notes it here; deletions and renames leave
// the old key behind under the old name, and a hit is confirmed in the index by key before it is
// believed, so a stale key never gives a wrong answer. The hash is built afresh from the index
// whenever the index itself was replaced or emptied.

#include "store/TbDALockvexBase.h"

#include "common/TextRoutines.h"
#include "common/Win1252.h"

namespace
{

// The form a name is looked up in: names that differ only in blanks at their ends or in the
// case of a-z share it.
QByteArray LookupForm(QByteArrayView name)
{
    return AsciiUpper(TrimmedBlankBytes(name).toByteArray());
}

} // namespace

void TPoolMgr::ForgetNameLookup()
{
    NameKeys.clear();
    NameKeysIndex = nullptr;
    NameKeysValid = false;
}

void TPoolMgr::NoteIndexedName(const TPoolIndexRec *Entry)
{
    const quint64 revisionBefore = std::exchange(IndexRevision, NextIndexRevision());
    if (Entry)
        NoteChange(Entry->GetKeyFromIndex(), UpdateCount, revisionBefore);
    else
        ForgetChanges();
    if (!NameKeysValid || !Entry || NameKeysIndex != PoolIndex)
        return;
    // No one asks for an empty name: a new entry has none until it is given one.
    const QByteArray form = LookupForm(Entry->IndexedNameBytes());
    if (!form.isEmpty())
        NameKeys[form].insert(Entry->GetKeyFromIndex());
}

void TPoolMgr::BuildNameLookup()
{
    ForgetNameLookup();
    NameKeysIndex = PoolIndex;
    NameKeysValid = true;
    for (int i = 0; i < NumRecords(); ++i) {
        const QByteArray form = LookupForm(IndexAt(i)->IndexedNameBytes());
        if (!form.isEmpty())
            NameKeys[form].insert(IndexAt(i)->GetKeyFromIndex());
    }
}

bool TPoolMgr::NameInLookup(const QByteArray &Name, bool AnyCase)
{
    if (!NameKeysValid || NameKeysIndex != PoolIndex)
        BuildNameLookup();
    const QByteArray form = LookupForm(Name);
    const auto found = NameKeys.find(form);
    if (found == NameKeys.end())
        return false;
    // Each key is checked in the index; the keys that no longer carry a name of this form are
    // dropped.
    QSet<int> &keys = found.value();
    bool inUse = false;
    for (auto k = keys.begin(); k != keys.end();) {
        bool carries = false;
        bool matches = false;
        int position = 0;
        if (FindKeyPosition(*k, position))
            for (int i = position; i < NumRecords() && IndexAt(i)->GetKeyFromIndex() == *k; ++i) {
                const QByteArrayView name = IndexAt(i)->IndexedNameBytes();
                if (LookupForm(name) == form) {
                    carries = true;
                    matches = matches || AnyCase || name == Name;
                }
            }
        if (carries) {
            inUse = inUse || matches;
            ++k;
        } else {
            k = keys.erase(k);
        }
    }
    if (keys.isEmpty())
        NameKeys.erase(found);
    return inUse;
}
