#pragma once

#include "stations/widgets/sublistwidget.h"

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QTableView;

namespace plx {

class SubListModel;

// A tab whose rows are edited in a grid (objectName "Spr" + the tab's name): add and
// remove rows with the buttons, the toolbar's insert or the Delete key. A path column
// (documents) gets a file chooser and an open button; the normals' title row is edited in
// the field above the grid.
class SubListGrid : public SubListWidget
{
    Q_OBJECT

public:
    SubListGrid(SubListTab tab, const QString &gridName, QWidget *parent);

    QTableView *grid() const { return m_grid; }
    SubListModel *model() const { return m_model; }
    // A button of the tab's own, after the row buttons (the record adds the intervention
    // report to its interventions tab).
    QPushButton *addButton(const char *name, const QString &text);
    // The grid row whose column holds value (compared as numbers); -1 when none.
    int findRow(const QString &column, double value) const;

protected:
    void showRows() override;
    void updateEditable() override;
    bool addRow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void removeSelectedRows();
    void browse();
    void openDocument();
    void titleEdited(const QString &text);
    int pathColumn() const;
    int currentRow() const;
    void updateButtons();

    // Owned by the widget (Qt parent).
    SubListModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    QLineEdit *m_title = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_open = nullptr;
    QHBoxLayout *m_buttons = nullptr;
};

} // namespace plx
