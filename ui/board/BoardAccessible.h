#pragma once

#include <QString>

class QMenu;

#include <string_view>

namespace tavlo {

class StringGrid;

// What a screen reader says about the board and the window around it. The
// board is a table of 8 x 8 cells named in the usual notation: columns a to
// h from the left, rows 1 to 8 from the top.

// "d4" for column 3, row 3.
QString squareName(int column, int row);
// A cell's accessible name: its square and content ("d4, pion blanc",
// "e3, vide"), and for a hinted empty cell how many discs it turns
// ("e3, vide, coup possible, 2 pions"). hintFlips 0 means no hint.
QString cellName(int column, int row, std::string_view text, int hintFlips);
// "Blancs : 12", "Noirs : 3".
QString counterName(int colour, int count);
// "Au tour des blancs", "Au tour des noirs".
QString turnName(int colour);
// "Blanc joue f5, 2 pions retournés"; with passer set (1 or 2), the pass
// that follows is in the same sentence: "... . Noir passe son tour".
QString moveAnnouncement(int player, int column, int row, int flips, int passer = 0);

// The rules that the help screen paints, as text, with the keys to use.
QString rulesText();

// Lets the board be read as a table "Plateau" by assistive technologies,
// inside a main window that reads as a window, and passes on what the board
// says changed. Called once for every board.
void installBoardAccessibility(StringGrid *grid);

// What the board's readers are told. Both do nothing while no assistive
// technology listens.
// Cell names may have changed (texts, hints): sends a name change for each
// cell whose name is new.
void boardNamesChanged(StringGrid *grid);
// The focus mark moved onto another cell: it becomes the focused cell.
void boardFocusMoved(StringGrid *grid);
// Tells readers again which item of an open menu has the focus.
void menuFocusRetold(QMenu *menu);

} // namespace tavlo
