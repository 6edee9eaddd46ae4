#pragma once
// The entry list as a Qt list model: one row per line of a list manager list (LockvexStrings or
// SelectedLockvexStrings), showing the line's text. The list manager changes its lists in place at
// every refresh, so the owner calls SetLines after each refresh and the view is reset at once,
// without creating one item per entry. Show it in a QListView prepared with
// PrepareEntryListView, whose uniform item sizes keep a reset of 32,767 lines cheap.

#include <QAbstractListModel>

class QListView;
class TLockvexStringList;

class TEntryListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit TEntryListModel(QObject *parent = nullptr);

    // Shows these lines (nullptr: none). The model only refers to the list; call again after
    // every change of it.
    void SetLines(const TLockvexStringList *lines);
    const TLockvexStringList *Lines() const { return lines_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // Qt::DisplayRole: the line's text, control characters shown as blanks.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    const TLockvexStringList *lines_ = nullptr;
    int count_ = 0;
};

// Single selection, no editing, uniform item sizes, no horizontal scrolling of long names.
void PrepareEntryListView(QListView *view);
// The selected row of a view, or -1.
int SelectedRow(const QListView *view);
// Selects a row (current and selected), or clears the selection for a row outside the list.
void SelectRow(QListView *view, int row);
