#include "entries/LockvexStringList.h"

#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

TLockvexStringList::TLockvexStringList(bool sorted, TDuplicates duplicates, bool caseSensitive)
    : sorted_(sorted), duplicates_(duplicates), caseSensitive_(caseSensitive)
{
    collator_.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

QString TLockvexStringList::Strings(int index) const
{
    return index >= 0 && index < Count() ? lines_[index].Text : QString();
}

const QString &TLockvexStringList::StringRef(int index) const
{
    static const QString none;
    return index >= 0 && index < Count() ? lines_[index].Text : none;
}

TTDStandardIndexRec *TLockvexStringList::Objects(int index) const
{
    return index >= 0 && index < Count() ? lines_[index].Object : nullptr;
}

void TLockvexStringList::SetObject(int index, TTDStandardIndexRec *object)
{
    if (index >= 0 && index < Count())
        lines_[index].Object = object;
}

void TLockvexStringList::Delete(int index)
{
    if (index >= 0 && index < Count())
        lines_.erase(lines_.begin() + index);
}

void TLockvexStringList::DeleteLines(std::vector<int> indexes)
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    indexes.erase(std::remove_if(indexes.begin(), indexes.end(), [this](int i) { return i < 0 || i >= Count(); }),
                  indexes.end());
    if (indexes.empty())
        return;
    // One pass that closes the gaps.
    std::size_t to = static_cast<std::size_t>(indexes.front());
    std::size_t next = 0;
    for (std::size_t from = to; from < lines_.size(); ++from) {
        if (next < indexes.size() && from == static_cast<std::size_t>(indexes[next])) {
            ++next;
            continue;
        }
        lines_[to++] = std::move(lines_[from]);
    }
    lines_.resize(to);
}

std::vector<int> TLockvexStringList::LinesOf(const std::vector<const TTDStandardIndexRec *> &objects) const
{
    std::vector<int> found(objects.size(), -1);
    std::size_t wanted = 0;
    for (const TTDStandardIndexRec *object : objects)
        wanted += object ? 1 : 0;
    for (int i = 0; i < Count() && wanted > 0; ++i) {
        const TTDStandardIndexRec *object = lines_[std::size_t(i)].Object;
        if (!object)
            continue;
        for (std::size_t j = 0; j < objects.size(); ++j)
            if (objects[j] == object && found[j] < 0) {
                found[j] = i;
                --wanted;
            }
    }
    return found;
}

std::pair<int, int> TLockvexStringList::EqualRange(const QString &text) const
{
    const auto range =
        std::equal_range(lines_.begin() + SortedStart(), lines_.end(), text,
                         [this](const auto &a, const auto &b) { return CompareStrings(TextOf(a), TextOf(b)) < 0; });
    return {static_cast<int>(range.first - lines_.begin()), static_cast<int>(range.second - lines_.begin())};
}

void TLockvexStringList::InsertAt(int index, const QString &text, TTDStandardIndexRec *object)
{
    if (index >= 0 && index <= Count())
        lines_.insert(lines_.begin() + index, {text, object});
}

void TLockvexStringList::SetSorted(bool sorted)
{
    if (sorted && !sorted_) {
        sorted_ = true;
        Sort();
    }
    sorted_ = sorted;
}

void TLockvexStringList::SetCaseSensitive(bool caseSensitive)
{
    if (caseSensitive == caseSensitive_)
        return;
    caseSensitive_ = caseSensitive;
    collator_.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    lastSortInput_.clear();
    lastSortOrder_.clear();
    if (sorted_)
        Sort();
}

int TLockvexStringList::CompareStrings(const QString &a, const QString &b) const
{
    const int byCollation = collator_.compare(a, b);
    if (byCollation != 0)
        return byCollation;
    return QString::compare(a, b, caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

int TLockvexStringList::IndexOf(const QString &text) const
{
    int index = -1;
    if (sorted_)
        return Find(text, index) ? index : -1;
    for (int i = 0; i < Count(); ++i)
        if (Equal(lines_[i].Text, text))
            return i;
    return -1;
}

bool TLockvexStringList::Find(const QString &text, int &index) const
{
    if (!sorted_) {
        index = IndexOf(text);
        if (index >= 0)
            return true;
        index = Count();
        return false;
    }
    for (int i = 0; i < SortedStart(); ++i)
        if (Equal(lines_[i].Text, text)) {
            index = i;
            return true;
        }
    auto first = lines_.begin() + SortedStart();
    auto at = std::lower_bound(first, lines_.end(), text, [this](const TLockvexStringLine &line, const QString &t) {
        return CompareStrings(line.Text, t) < 0;
    });
    index = static_cast<int>(at - lines_.begin());
    return at != lines_.end() && Equal(at->Text, text);
}

int TLockvexStringList::Add(const QString &text, TTDStandardIndexRec *object)
{
    if (!sorted_ || Count() < headingLines_) {
        if (duplicates_ == dupIgnore) {
            const int existing = IndexOf(text);
            if (existing >= 0)
                return existing;
        }
        lines_.push_back({text, object});
        return Count() - 1;
    }
    int index = 0;
    if (Find(text, index) && duplicates_ == dupIgnore)
        return index;
    // Equal lines keep the order they were added in: the new one goes after them.
    auto at = std::upper_bound(
        lines_.begin() + SortedStart(), lines_.end(), text,
        [this](const QString &t, const TLockvexStringLine &line) { return CompareStrings(t, line.Text) < 0; });
    at = lines_.insert(at, {text, object});
    return static_cast<int>(at - lines_.begin());
}

void TLockvexStringList::AddLines(std::vector<TLockvexStringLine> lines)
{
    if (!sorted_ || Count() + static_cast<int>(lines.size()) <= headingLines_ || lines.size() < 2) {
        for (TLockvexStringLine &line : lines)
            Add(line.Text, line.Object);
        return;
    }
    // Fill the headings first, one by one, as Add would.
    std::size_t next = 0;
    while (Count() < headingLines_ && next < lines.size()) {
        Add(lines[next].Text, lines[next].Object);
        ++next;
    }
    const int oldCount = Count();
    lines_.insert(lines_.end(), std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(next)),
                  std::make_move_iterator(lines.end()));
    if (duplicates_ == dupAccept) {
        Sort();
        return;
    }
    // Sort, then drop every new line that has an equal line before it: the stable sort puts
    // the lines already held, then the new ones in the order given, at the head of each run.
    std::vector<bool> isNew(lines_.size(), false);
    for (std::size_t i = static_cast<std::size_t>(oldCount); i < lines_.size(); ++i)
        isNew[i] = true;
    const int start = SortedStart();
    Sort();
    // Sort leaves the permutation it applied in lastSortOrder_ (offsets from start).
    std::vector<TLockvexStringLine> kept(lines_.begin(), lines_.begin() + start);
    kept.reserve(lines_.size());
    for (std::size_t i = static_cast<std::size_t>(start); i < lines_.size(); ++i) {
        const bool lineIsNew = isNew[static_cast<std::size_t>(start + lastSortOrder_[i - start])];
        const bool startsRun = i == static_cast<std::size_t>(start) || !Equal(lines_[i - 1].Text, lines_[i].Text);
        if (!lineIsNew || startsRun)
            kept.push_back(lines_[i]);
    }
    lines_ = std::move(kept);
}

bool TLockvexStringList::Insert(int index, const QString &text, TTDStandardIndexRec *object)
{
    if (sorted_ || index < 0 || index > Count())
        return false;
    if (duplicates_ == dupIgnore && IndexOf(text) >= 0)
        return false;
    lines_.insert(lines_.begin() + index, {text, object});
    return true;
}

bool TLockvexStringList::SortsBefore(int a, int b) const
{
    const int byText = CompareStrings(lastSortInput_[a], lastSortInput_[b]);
    return byText < 0 || (byText == 0 && a < b);
}

namespace
{

// In the C locale the collation compares the UTF-16 code units, with or without the case of
// the letters. For a text of ASCII characters only that is the order of its bytes, with A-Z
// taken as a-z when case is ignored: the key is those bytes. Nothing for any other text.
std::optional<QByteArray> AsciiKey(const QString &text, bool caseSensitive)
{
    QByteArray key(text.size(), Qt::Uninitialized);
    char *out = key.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return std::nullopt;
        *out++ = static_cast<char>(!caseSensitive && u >= u'A' && u <= u'Z' ? u + (u'a' - u'A') : u);
    }
    return key;
}

int CompareBytes(const QByteArray &a, const QByteArray &b)
{
    const int common = static_cast<int>(std::min(a.size(), b.size()));
    if (const int byBytes = std::memcmp(a.constData(), b.constData(), static_cast<std::size_t>(common)))
        return byBytes;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

// The order of the texts in lastSortInput_: by text, equal texts by position, which is what a
// stable sort gives. Comparing two texts through the collation costs far more than comparing
// two keys made once per text, so each text gets a key whose order is the collation's: the
// collator's own sort key, or in the C locale the ASCII key above. A text without a key (an
// empty one, or one beyond ASCII in the C locale), and texts whose keys are equal, are compared
// through the collation itself, so the order is exactly the one CompareStrings gives.
void TLockvexStringList::SortAfresh()
{
    const std::size_t n = lastSortInput_.size();
    lastSortOrder_.resize(n);
    std::iota(lastSortOrder_.begin(), lastSortOrder_.end(), 0);
    const bool cLocale = collator_.locale().language() == QLocale::C;
    std::vector<std::optional<QByteArray>> asciiKeys;
    std::vector<std::optional<QCollatorSortKey>> collatorKeys;
    if (cLocale) {
        asciiKeys.reserve(n);
        for (const QString &text : lastSortInput_)
            asciiKeys.push_back(AsciiKey(text, caseSensitive_));
    } else {
        collatorKeys.reserve(n);
        for (const QString &text : lastSortInput_)
            collatorKeys.push_back(text.isEmpty() ? std::nullopt : std::optional(collator_.sortKey(text)));
    }
    const auto byKey = [&](int a, int b) {
        if (cLocale) {
            const auto &ka = asciiKeys[std::size_t(a)], &kb = asciiKeys[std::size_t(b)];
            return ka && kb ? CompareBytes(*ka, *kb) : 0;
        }
        const auto &ka = collatorKeys[std::size_t(a)], &kb = collatorKeys[std::size_t(b)];
        return ka && kb ? ka->compare(*kb) : 0;
    };
    std::sort(lastSortOrder_.begin(), lastSortOrder_.end(), [&](int a, int b) {
        const int keyOrder = byKey(a, b);
        return keyOrder != 0 ? keyOrder < 0 : SortsBefore(a, b);
    });
}

// When the texts differ from the last ones only in one stretch (an entry changed, added or
// removed), the last order is kept for the rest and the new texts of that stretch are put into
// it one by one. False when the stretch is too long for that to pay.
bool TLockvexStringList::SortChangedStretch(std::size_t prefix, std::size_t oldSuffixStart, std::size_t newSuffixStart)
{
    constexpr std::size_t MaxChangedLines = 64;
    if (newSuffixStart - prefix > MaxChangedLines)
        return false;
    const int shift = static_cast<int>(newSuffixStart) - static_cast<int>(oldSuffixStart);
    std::vector<int> order;
    order.reserve(lastSortOrder_.size() + static_cast<std::size_t>(std::max(shift, 0)));
    for (int from : lastSortOrder_) {
        if (static_cast<std::size_t>(from) < prefix)
            order.push_back(from);
        else if (static_cast<std::size_t>(from) >= oldSuffixStart)
            order.push_back(from + shift);
    }
    lastSortOrder_ = std::move(order);
    const int start = SortedStart();
    lastSortInput_.erase(lastSortInput_.begin() + static_cast<std::ptrdiff_t>(prefix),
                         lastSortInput_.begin() + static_cast<std::ptrdiff_t>(oldSuffixStart));
    for (std::size_t i = prefix; i < newSuffixStart; ++i)
        lastSortInput_.insert(lastSortInput_.begin() + static_cast<std::ptrdiff_t>(i), lines_[start + i].Text);
    for (std::size_t i = prefix; i < newSuffixStart; ++i) {
        const int added = static_cast<int>(i);
        auto at = std::lower_bound(lastSortOrder_.begin(), lastSortOrder_.end(), added,
                                   [this](int a, int b) { return SortsBefore(a, b); });
        lastSortOrder_.insert(at, added);
    }
    return true;
}

void TLockvexStringList::Sort()
{
    const int start = SortedStart();
    const std::size_t n = lines_.size() - static_cast<std::size_t>(start);
    const std::size_t oldN = lastSortInput_.size();
    // The stretch that differs from the texts sorted last time: after a common head, before a
    // common tail.
    std::size_t prefix = 0;
    while (prefix < n && prefix < oldN && lastSortInput_[prefix] == lines_[start + prefix].Text)
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < n - prefix && suffix < oldN - prefix &&
           lastSortInput_[oldN - 1 - suffix] == lines_[start + n - 1 - suffix].Text)
        ++suffix;
    const bool unchanged = prefix == n && n == oldN;
    if (!unchanged && !SortChangedStretch(prefix, oldN - suffix, n - suffix)) {
        lastSortInput_.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            lastSortInput_[i] = lines_[start + i].Text;
        SortAfresh();
    }
    std::vector<TLockvexStringLine> sortedLines;
    sortedLines.reserve(n);
    for (int from : lastSortOrder_)
        sortedLines.push_back(std::move(lines_[start + from]));
    std::move(sortedLines.begin(), sortedLines.end(), lines_.begin() + start);
}
