#pragma once

#include "stations/sublists.h"

#include <QAbstractTableModel>

#include <vector>

namespace plx {

// The grid's view of a sub-list's rows: one column per shown column of the description
// that the table has. Cells are edited as text (dates "dd/MM/yyyy", numbers with "," or
// "."), codes through the delegate's lists, yes/no cells as check boxes; the text is
// checked and converted when the grid is saved.
class SubListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // rows and choices are owned by the caller and outlive the model.
    SubListModel(const SubListDescription &description, SubListRows *rows,
                 const SubListChoices *choices, QObject *parent = nullptr);

    // After the rows or the choices were replaced.
    void reload();
    void setEditable(bool editable);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const SubListColumn &columnAt(int column) const { return *m_shown[size_t(column)]; }
    // The grid column showing that table column; -1 when not shown.
    int gridColumn(const QString &name) const;
    int firstEditableColumn() const;
    const QList<SubListChoice> &choicesOf(const SubListColumn &column) const;

    int appendRow(SubListRow row);
    void removeRowsAt(std::vector<int> rows);

signals:
    void edited();

private:
    QVariant &cell(const QModelIndex &index) const;
    QString choiceLabel(const SubListColumn &column, const QVariant &value) const;

    const SubListDescription &m_description;
    SubListRows *m_rows;             // not owned
    const SubListChoices *m_choices; // not owned
    std::vector<const SubListColumn *> m_shown;
    std::vector<int> m_tableColumn; // index in m_rows->columns of each shown column
    bool m_editable = false;
};

} // namespace plx
