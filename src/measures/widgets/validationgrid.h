#pragma once

#include <QTableView>

namespace plx {

class ValidationModel;

// The grid SprDonnees of the validation editor, for the keyboard as much as the mouse:
// Enter moves down (also after an edit), X places or removes the validation mark, Space
// toggles a break in its column, Delete clears the selected values, Ctrl+C / Ctrl+V copy
// and paste a block as tab-separated text. A click on the row header marks the row, a
// click in the break column toggles the break.
class ValidationGrid : public QTableView
{
    Q_OBJECT

public:
    explicit ValidationGrid(QWidget *parent = nullptr);

    void setValidationModel(ValidationModel *model);
    // The width each column needs; room left over in a wide window goes to the value
    // columns, so that the grid fills its place instead of leaving a blank band.
    void setNaturalColumnWidths(const QList<int> &widths);
    // The selected block (its bounding rectangle, shown columns only) as tab-separated
    // lines; the current cell when nothing is selected.
    QString selectionText() const;
    // Pastes a tab-separated block at the top-left of the selection; the checks' messages
    // are shown once, together.
    void pasteText(const QString &text);
    void copySelection();
    void pasteClipboard();
    // Ends the edit under way, keeping what was typed (before a save or a deletion).
    void commitPendingEdit();
    // Empties the values (columns 3 to 8) of the selected cells, as one undo step.
    void clearSelectedValues();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Block
    {
        int top = -1, bottom = -1, left = -1, right = -1;
        bool valid() const { return top >= 0; }
    };
    Block selectedBlock() const;
    void moveDown();
    void fitColumns();

    ValidationModel *m_model = nullptr; // not owned
    QList<int> m_naturalWidths;
};

} // namespace plx
