// TPoolMgr: the change log. Every step of the update count (a slot written) and of the index
// revision (an entry added, deleted or named) is noted with the key of the entry it concerns and
// the counts before and after it, so that a user of the index that built something from it can
// ask which entries changed since and mend only those. The notes must join up: a step that was
// not noted leaves a gap, and no moment before a gap is answered.

#include "store/TbDALockvexBase.h"

#include <atomic>

quint64 TPoolMgr::NextIndexRevision()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

void TPoolMgr::NoteChange(int key, int countBefore, quint64 revisionBefore)
{
    if (NotedChanges.size() >= size_t(MaxNotedChanges))
        NotedChanges.erase(NotedChanges.begin(), NotedChanges.begin() + MaxNotedChanges / 2);
    NotedChanges.push_back({key, countBefore, revisionBefore, UpdateCount, IndexRevision});
}

bool TPoolMgr::KeysChangedSince(int updateCount, quint64 indexRevision, std::vector<int> &keys) const
{
    keys.clear();
    int count = UpdateCount;
    quint64 revision = IndexRevision;
    // From now back to the moment asked for, each note must end where the next one begins.
    for (auto change = NotedChanges.rbegin();; ++change) {
        if (count == updateCount && revision == indexRevision)
            return true;
        if (change == NotedChanges.rend() || change->CountAfter != count || change->RevisionAfter != revision) {
            keys.clear();
            return false;
        }
        if (change->Key != NoEntryChanged)
            keys.push_back(change->Key);
        count = change->CountBefore;
        revision = change->RevisionBefore;
    }
}
