#include "ui/shared/PasswordGrid.h"

#include "ui/shared/LockvexStyle.h"

#include <QHeaderView>

TPasswordGrid::TPasswordGrid(QWidget *parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("PasswordGrid"));
    setRowCount(2);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    // Qt counts the grid line into the section: 18 pixels of cell and 1 of line.
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(CellWidth + LineWidth);
    verticalHeader()->setDefaultSectionSize(CellHeight + LineWidth);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    // It only shows; the pointer stays with the Copy button under which it appears.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(FrameWidth);
    setStyleSheet(LockvexStyle::Sheet(
        QStringLiteral("QTableWidget { background: @PanelBack; color: @FieldText; gridline-color: @FieldBorder;"
                       "  border: 2px solid @Focus; font-size: 10px; }"
                       "QTableWidget::item { padding: 0px; margin: 0px; }")));
    setTextElideMode(Qt::ElideNone); // "31" fits a cell of 18 pixels without an ellipsis
    hide();
}

int TPasswordGrid::GridWidth(int columnCount)
{
    return columnCount * (CellWidth + LineWidth) + 2 * FrameWidth;
}

void TPasswordGrid::ShowCharacters(const QString &text, int columnCount, const QPoint &topLeft)
{
    const int characters = int(text.size());
    const int columns = qMax(columnCount, characters);
    clearContents();
    setColumnCount(columns);
    for (int column = 0; column < columns; ++column) {
        const bool used = column < characters;
        auto *character = new QTableWidgetItem(used ? QString(text.at(column)) : QString());
        auto *position = new QTableWidgetItem(used ? QString::number(column + 1) : QString());
        character->setTextAlignment(Qt::AlignCenter);
        position->setTextAlignment(Qt::AlignCenter);
        setItem(0, column, character);
        setItem(1, column, position);
    }
    if (columns > characters)
        setCurrentCell(0, columns - 1);
    else
        setCurrentCell(-1, -1);
    setFixedSize(GridWidth(columns), GridHeight);
    move(topLeft);
    show();
    raise();
}

void TPasswordGrid::HideCharacters()
{
    hide();
    clearContents();
    setColumnCount(0);
}
