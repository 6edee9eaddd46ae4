#include "ui/shared/EntryListModel.h"

#include "entries/LockvexStringList.h"

#include <QItemSelectionModel>
#include <QListView>

TEntryListModel::TEntryListModel(QObject *parent) : QAbstractListModel(parent) {}

void TEntryListModel::SetLines(const TLockvexStringList *lines)
{
    beginResetModel();
    lines_ = lines;
    count_ = lines ? lines->Count() : 0;
    endResetModel();
}

int TEntryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count_;
}

QVariant TEntryListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !lines_ || !index.isValid() || index.row() >= count_)
        return QVariant();
    QString text = lines_->Strings(index.row());
    // A stored name may hold control characters; a line break would break the line's height.
    for (QChar &c : text)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    return text;
}

void PrepareEntryListView(QListView *view)
{
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setTextElideMode(Qt::ElideRight);
    view->setLayoutMode(QListView::SinglePass);
}

int SelectedRow(const QListView *view)
{
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection)
        return -1;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SelectRow(QListView *view, int row)
{
    QItemSelectionModel *selection = view->selectionModel();
    if (!selection || !view->model())
        return;
    if (row < 0 || row >= view->model()->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = view->model()->index(row, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}
