#pragma once
// The character-position grid: the characters of a password or PIN in the top row and their
// positions 1 .. n below, so that the user can answer a site that asks for single characters
// ("the 2nd and 5th character of your password"). It floats over its window, directly under the
// field it shows, while the pointer rests on the field's Copy button.

#include <QTableWidget>

class TPasswordGrid : public QTableWidget
{
    Q_OBJECT

public:
    // A cell is 18 by 15 pixels with a grid line of 1 pixel after it; the frame takes 2 pixels
    // on each side.
    static constexpr int CellWidth = 18;
    static constexpr int CellHeight = 15;
    static constexpr int LineWidth = 1;
    static constexpr int FrameWidth = 2;
    static constexpr int GridHeight = 2 * (CellHeight + LineWidth) + 2 * FrameWidth; // 36

    // Hidden until shown with ShowCharacters. parent: the window it floats over.
    explicit TPasswordGrid(QWidget *parent);

    // The width of a grid of this many columns: columnCount x 19 + 4.
    static int GridWidth(int columnCount);

    // Fills the grid with the text's characters and their positions in columnCount columns
    // (never fewer than the text has characters; the columns after the text stay empty), sizes
    // it, places its top left corner at topLeft in its parent and shows it on top. When there is
    // an empty column, the last one is the current cell, so that no character is highlighted.
    void ShowCharacters(const QString &text, int columnCount, const QPoint &topLeft);
    // Hides the grid and forgets the characters.
    void HideCharacters();
};
