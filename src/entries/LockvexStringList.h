#pragma once
// TLockvexStringList: the string list the windows show. One line of text per entry, with the
// entry's index record attached (the list only refers to it: the pool index owns and frees it).
// A list is sorted or not, ignores duplicate lines or not, and compares with or without regard
// to letter case. Sorted lists are ordered by the user's locale collation; lines that collate
// equal but are not the same text keep a fixed order by character code, so that two different
// passwords never count as duplicates of each other.
//
// Heading lines: the first HeadingLines lines (such as " All Passwords") stay where they are.
// Sorting, Find and a sorted Add work on the lines after them; while the list holds fewer lines
// than that, Add simply appends.

#include <QCollator>
#include <QString>

#include <utility>
#include <vector>

class TTDStandardIndexRec;

// How a list treats a line that compares equal to one it already holds.
enum TDuplicates { dupIgnore, dupAccept };

struct TLockvexStringLine {
    QString Text;
    TTDStandardIndexRec *Object = nullptr; // the entry's index record, not owned
};

class TLockvexStringList
{
public:
    explicit TLockvexStringList(bool sorted = false, TDuplicates duplicates = dupAccept, bool caseSensitive = false);
    TLockvexStringList(const TLockvexStringList &) = delete;
    TLockvexStringList &operator=(const TLockvexStringList &) = delete;

    int Count() const { return static_cast<int>(lines_.size()); }
    // The text and the record of a line; empty text and nullptr outside 0..Count-1.
    QString Strings(int index) const;
    const QString &StringRef(int index) const; // the same text without a copy
    TTDStandardIndexRec *Objects(int index) const;
    void SetObject(int index, TTDStandardIndexRec *object); // ignored outside 0..Count-1

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted); // switching it on sorts the list
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive); // a sorted list is sorted again
    int HeadingLines() const { return headingLines_; }
    void SetHeadingLines(int count) { headingLines_ = count < 0 ? 0 : count; }

    // Adds a line: at its place in a sorted list, else at the end. With dupIgnore a line equal
    // to one already present is not added, and the existing line's number is returned.
    int Add(const QString &text, TTDStandardIndexRec *object = nullptr);
    // Adds many lines at once, with the same result as adding them one by one in order, but
    // sorting once. The way to fill a long sorted list.
    void AddLines(std::vector<TLockvexStringLine> lines);
    // Inserts at a line number (0..Count). Refused (false) in a sorted list or out of range.
    bool Insert(int index, const QString &text, TTDStandardIndexRec *object = nullptr);
    void Clear() { lines_.clear(); }
    void Delete(int index); // ignored outside 0..Count-1
    // Removes these lines (numbers in any order; those outside 0..Count-1 are ignored).
    void DeleteLines(std::vector<int> indexes);
    // The first line that carries each of objects (a short list), -1 for none or nullptr, in
    // one pass. The records are only compared, never read, so they may be gone already.
    std::vector<int> LinesOf(const std::vector<const TTDStandardIndexRec *> &objects) const;
    // In a sorted list: the lines after the headings that compare equal to text, as first line
    // and one past the last.
    std::pair<int, int> EqualRange(const QString &text) const;
    // Puts a line at a place the caller has found with EqualRange or Find, in a sorted list too;
    // a place that breaks the order is the caller's fault. Out of range: nothing happens.
    void InsertAt(int index, const QString &text, TTDStandardIndexRec *object);
    // Sorts the lines after the headings, keeping the order of lines that compare equal.
    void Sort();

    // The first line equal to text, or -1.
    int IndexOf(const QString &text) const;
    // In a sorted list: true with the line's number when present, else false with the number
    // where it would be inserted. In an unsorted list: as IndexOf, with Count when absent.
    bool Find(const QString &text, int &index) const;
    // Below 0, 0 or above 0 as a sorts before, with or after b in this list.
    int CompareStrings(const QString &a, const QString &b) const;

private:
    static const QString &TextOf(const TLockvexStringLine &line) { return line.Text; }
    static const QString &TextOf(const QString &text) { return text; }
    // In a case-sensitive list only the same text compares equal, so no collation is needed.
    bool Equal(const QString &a, const QString &b) const { return caseSensitive_ ? a == b : CompareStrings(a, b) == 0; }
    int SortedStart() const { return headingLines_ < Count() ? headingLines_ : Count(); }

    std::vector<TLockvexStringLine> lines_;
    bool sorted_;
    TDuplicates duplicates_;
    bool caseSensitive_;
    int headingLines_ = 0;
    QCollator collator_;

    // The windows rebuild the same lists at every refresh. Sort remembers the texts it was last
    // given and the order it found, so that sorting the same texts again, or texts that differ
    // in one short stretch (one entry saved, added or deleted), costs one comparison of the two
    // text sequences instead of a collation sort of tens of thousands of lines.
    std::vector<QString> lastSortInput_;
    std::vector<int> lastSortOrder_;
    bool SortsBefore(int a, int b) const;
    void SortAfresh();
    bool SortChangedStretch(std::size_t prefix, std::size_t oldSuffixStart, std::size_t newSuffixStart);
};
