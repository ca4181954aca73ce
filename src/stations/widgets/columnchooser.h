#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QListWidget;

namespace plx {

// One column offered by the chooser: the model column, its heading, whether it shows.
struct ColumnChoice
{
    int column = 0;
    QString heading;
    bool shown = true;

    bool operator==(const ColumnChoice &other) const
    {
        return column == other.column && shown == other.shown;
    }
};

// Shows, hides and reorders a grid's columns: check boxes in a list, up/down buttons and
// drag, "Rétablir" for the default. Every change is announced at once so that the grid
// follows; the locked column can neither be hidden nor lose its check.
class ColumnChooser : public QDialog
{
    Q_OBJECT

public:
    ColumnChooser(const std::vector<ColumnChoice> &columns, std::vector<ColumnChoice> defaults,
                  int lockedColumn, QWidget *parent = nullptr);

    // The columns in the list's order with their check.
    std::vector<ColumnChoice> choice() const;
    // Moves the current column up (-1) or down (+1), keeping it current.
    void moveCurrent(int step);
    void restoreDefaults();

signals:
    void choiceChanged();

private:
    void fill(const std::vector<ColumnChoice> &columns);

    QListWidget *m_list = nullptr;
    std::vector<ColumnChoice> m_defaults;
    int m_locked = -1;
    bool m_filling = false;
};

} // namespace plx
