#include "stations/widgets/sublistdelegate.h"

#include "db/sqltext.h"
#include "stations/widgets/sublistmodel.h"

#include <QComboBox>
#include <QLineEdit>

namespace plx {

SubListDelegate::SubListDelegate(const SubListModel *model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

QWidget *SubListDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    const SubListColumn &column = m_model->columnAt(index.column());
    if (column.kind == SubListKind::Choice) {
        auto *combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("CboCellule"));
        combo->addItem(QString(), QVariant());
        for (const SubListChoice &choice : m_model->choicesOf(column))
            combo->addItem(choice.label, choice.code);
        return combo;
    }
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        if (column.kind == SubListKind::Date)
            line->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
        else if (column.kind == SubListKind::Time)
            line->setPlaceholderText(QStringLiteral("hh:mm:ss"));
        if (column.maxLength > 0)
            line->setMaxLength(column.maxLength);
    }
    return editor;
}

void SubListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QVariant code = index.data(Qt::EditRole);
    int at = code.isNull() ? 0 : combo->findData(code);
    if (at < 0) { // a stored code missing from its list stays choosable
        combo->addItem(sqlNumber(code.toLongLong()), code);
        at = combo->count() - 1;
    }
    combo->setCurrentIndex(at);
}

void SubListDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                   const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        model->setData(index, combo->currentData(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace plx
