// The board as assistive technologies see it: a table "Plateau" of 8 x 8
// cells whose names say the square and what lies on it.
#include "ui/board/BoardAccessible.h"

#include "game/Board.h"
#include "ui/board/StringGrid.h"

#include <QAccessibleWidget>
#include <QMenu>
#include <QPointer>

#include <array>
#include <mutex>

namespace tavlo {

QString squareName(int column, int row)
{
    return QChar(char16_t(u'a' + column)) + QString::number(row + 1);
}

QString cellName(int column, int row, std::string_view text, int hintFlips)
{
    QString name = squareName(column, row);
    if (text == colourText(kWhite))
        return name + QStringLiteral(", pion blanc");
    if (text == colourText(kBlack))
        return name + QStringLiteral(", pion noir");
    name += QStringLiteral(", vide");
    if (hintFlips > 0)
        name += QStringLiteral(", coup possible, %1 %2")
                    .arg(hintFlips)
                    .arg(hintFlips == 1 ? QStringLiteral("pion") : QStringLiteral("pions"));
    return name;
}

QString counterName(int colour, int count)
{
    return (colour == kBlack ? QStringLiteral("Noirs : ") : QStringLiteral("Blancs : ")) + QString::number(count);
}

QString turnName(int colour)
{
    return colour == kBlack ? QStringLiteral("Au tour des noirs") : QStringLiteral("Au tour des blancs");
}

QString moveAnnouncement(int player, int column, int row, int flips, int passer)
{
    QString text = QStringLiteral("%1 joue %2, %3 %4")
                       .arg(player == kBlack ? QStringLiteral("Noir") : QStringLiteral("Blanc"), squareName(column, row))
                       .arg(flips)
                       .arg(flips == 1 ? QStringLiteral("pion retourné") : QStringLiteral("pions retournés"));
    if (passer == kWhite || passer == kBlack)
        text += passer == kBlack ? QStringLiteral(". Noir passe son tour") : QStringLiteral(". Blanc passe son tour");
    return text;
}

QString rulesText()
{
    return QStringLiteral(
        "But du jeu. Avoir le plus de pions de sa couleur sur le plateau à la fin de la partie.\n"
        "Départ. Le plateau compte 64 cases. Au départ, quatre pions occupent le centre : deux blancs et deux "
        "noirs, placés en diagonale. Les blancs jouent toujours les premiers.\n"
        "Jouer un coup. À son tour, chaque joueur pose un pion de sa couleur sur une case vide, de façon à "
        "encadrer un ou plusieurs pions adverses entre ce pion et un autre pion de sa couleur, en ligne droite et "
        "sans case vide entre eux. On encadre à l'horizontale, à la verticale ou en diagonale, soit huit "
        "directions, et parfois plusieurs à la fois. Tous les pions encadrés sont retournés et prennent la "
        "couleur du joueur.\n"
        "Passer son tour. Le joueur qui ne peut encadrer aucun pion passe son tour ; son adversaire joue à "
        "nouveau.\n"
        "Fin de la partie. La partie s'achève quand le plateau est plein ou quand une couleur n'a plus aucun "
        "pion. Le joueur qui a le plus de pions de sa couleur remporte la partie.\n"
        "Au clavier : les flèches parcourent le plateau, Entrée ou Espace joue la case, la touche Menu ou "
        "Maj+F10 ouvre le menu. Entrée ou Espace ramène le plateau.");
}

namespace {

class BoardInterface;

// One square of the board. It has no object of its own: the board's
// interface makes the 64 of them and registers them with the toolkit, which
// gives each a stable identity for the screen reader's bus.
class CellInterface : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CellInterface(StringGrid *grid, int column, int row)
        : m_grid(grid), m_column(column), m_row(row)
    {
    }

    bool isValid() const override { return !m_grid.isNull(); }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_grid.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !m_grid)
            return {};
        return cellName(m_column, m_row, m_grid->cellText(m_column, m_row), m_grid->hintFlips(m_column, m_row));
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!m_grid)
            return {};
        const QRect cell = m_grid->cellRect(m_column, m_row);
        return QRect(m_grid->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!m_grid || !m_grid->isVisible()) {
            s.invisible = true;
            return s;
        }
        s.focusable = true;
        const bool current = m_grid->focusCell() == Square{m_column, m_row};
        s.focused = current && m_grid->hasFocus();
        s.active = current;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QPointer<StringGrid> m_grid;
    int m_column;
    int m_row;
};

// The board: a table named "Plateau", its children the cells row by row.
class BoardInterface : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit BoardInterface(StringGrid *grid)
        : QAccessibleWidget(grid, QAccessible::Table, QStringLiteral("Plateau"))
    {
    }

    ~BoardInterface() override
    {
        for (CellInterface *cell : m_cells)
            if (cell)
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cell));
    }

    StringGrid *grid() const { return static_cast<StringGrid *>(widget()); }

    int childCount() const override { return StringGrid::kColumns * StringGrid::kRows; }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        CellInterface *&cell = m_cells[std::size_t(index)];
        if (!cell) {
            cell = new CellInterface(grid(), index % StringGrid::kColumns, index / StringGrid::kColumns);
            QAccessible::registerAccessibleInterface(cell);
        }
        return cell;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (std::size_t i = 0; i < m_cells.size(); ++i)
            if (m_cells[i] && m_cells[i] == child)
                return int(i);
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const auto cell = StringGrid::cellAt(grid()->mapFromGlobal(QPoint(x, y)));
        return cell ? child(cell->row * StringGrid::kColumns + cell->column) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        if (!grid()->hasFocus())
            return nullptr;
        const Square focus = grid()->focusCell();
        return child(focus.row * StringGrid::kColumns + focus.column);
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (!onBoard(column, row))
            return nullptr;
        return child(row * StringGrid::kColumns + column);
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface *> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override { return QString(QChar(char16_t(u'a' + column))); }
    QString rowDescription(int row) const override { return QString::number(row + 1); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return StringGrid::kColumns; }
    int rowCount() const override { return StringGrid::kRows; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

    // The names last told to the readers, so that only changes are sent.
    std::array<QString, StringGrid::kColumns * StringGrid::kRows> toldNames;

private:
    mutable std::array<CellInterface *, StringGrid::kColumns * StringGrid::kRows> m_cells{};
};

QAccessibleInterface *boardFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("tavlo::StringGrid") && object && object->isWidgetType())
        return new BoardInterface(static_cast<StringGrid *>(object));
    return nullptr;
}

// The board's window is a plain widget, which the toolkit exposes as a
// filler: a screen reader would then name it with no role at all.
QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TMain") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

BoardInterface *boardInterface(StringGrid *grid)
{
    if (!grid || !QAccessible::isActive())
        return nullptr;
    return dynamic_cast<BoardInterface *>(QAccessible::queryAccessibleInterface(grid));
}

} // namespace

void installBoardAccessibility(StringGrid *grid)
{
    static std::once_flag once;
    std::call_once(once, [] {
        QAccessible::installFactory(boardFactory);
        QAccessible::installFactory(windowFactory);
    });
    QObject::connect(grid, &StringGrid::namesChanged, grid, [grid] { boardNamesChanged(grid); });
    QObject::connect(grid, &StringGrid::focusMoved, grid, [grid] { boardFocusMoved(grid); });
}

void boardNamesChanged(StringGrid *grid)
{
    BoardInterface *board = boardInterface(grid);
    if (!board)
        return;
    for (int row = 0; row < StringGrid::kRows; ++row)
        for (int column = 0; column < StringGrid::kColumns; ++column) {
            const int i = row * StringGrid::kColumns + column;
            const QString name = cellName(column, row, grid->cellText(column, row), grid->hintFlips(column, row));
            QString &told = board->toldNames[std::size_t(i)];
            if (told == name)
                continue;
            told = name;
            QAccessibleEvent event(grid, QAccessible::NameChanged);
            event.setChild(i);
            QAccessible::updateAccessibility(&event);
        }
}

void boardFocusMoved(StringGrid *grid)
{
    BoardInterface *board = boardInterface(grid);
    if (!board || !grid->hasFocus())
        return;
    const Square focus = grid->focusCell();
    QAccessibleEvent event(grid, QAccessible::Focus);
    event.setChild(focus.row * StringGrid::kColumns + focus.column);
    QAccessible::updateAccessibility(&event);
}

void menuFocusRetold(QMenu *menu)
{
    QAction *item = menu ? menu->activeAction() : nullptr;
    if (!item || !menu->isVisible() || !QAccessible::isActive())
        return;
    QAccessibleEvent event(menu, QAccessible::Focus);
    event.setChild(int(menu->actions().indexOf(item)));
    QAccessible::updateAccessibility(&event);
}

} // namespace tavlo
