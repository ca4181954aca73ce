#pragma once

#include <QStyledItemDelegate>

namespace plx {

class SubListModel;

// Editors of a sub-list grid: a list for code cells (keyboard: type the first letters,
// arrows; an empty entry clears the code), a line edit with the expected format shown for
// the others.
class SubListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // model is not owned.
    explicit SubListDelegate(const SubListModel *model, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    const SubListModel *m_model;
};

} // namespace plx
