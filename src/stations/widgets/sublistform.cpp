#include "stations/widgets/sublistform.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace plx {

void setSingleRowText(SubListRows &rows, const SubListDescription &description, const QString &code,
                      const QString &column, const QString &text)
{
    const int at = rows.columnIndex(column);
    if (at < 0)
        return;
    if (rows.rows.empty())
        rows.rows.push_back(rows.emptyRow(description, code));
    rows.rows.front().cells[size_t(at)] = text;
}

QString singleRowText(const SubListRows &rows, const QString &column)
{
    const int at = rows.columnIndex(column);
    if (at < 0 || rows.rows.empty())
        return {};
    return rows.rows.front().cells[size_t(at)].toString();
}

SubListForm::SubListForm(SubListTab tab, const QString &name, QWidget *parent)
    : SubListWidget(tab, parent)
{
    setObjectName(QStringLiteral("Onglet") + name);
    auto *form = new QFormLayout;
    for (const SubListColumn *column : description().shownColumns()) {
        QWidget *field = nullptr;
        if (column->maxLength > 0) {
            auto *line = new QLineEdit(this);
            line->setMaxLength(column->maxLength);
            connect(line, &QLineEdit::textEdited, this,
                    [this, column](const QString &text) { fieldEdited(*column, text); });
            field = line;
        } else {
            auto *memo = new QPlainTextEdit(this);
            memo->setTabChangesFocus(true);
            memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 6 + 12);
            connect(memo, &QPlainTextEdit::textChanged, this, [this, column, memo] {
                if (!m_filling)
                    fieldEdited(*column, memo->toPlainText());
            });
            field = memo;
        }
        QString name = column->name;
        name[0] = name[0].toUpper(); // TxtCommentaires, TxtNumSerie
        field->setObjectName(QStringLiteral("Txt") + name);
        auto *label = new QLabel(column->heading + QStringLiteral(" :"), this);
        label->setBuddy(field);
        form->addRow(label, field);
        m_fields.emplace_back(column, field);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(statusLabel());
    layout->addStretch(1);
    updateEditable();
}

void SubListForm::fieldEdited(const SubListColumn &column, const QString &text)
{
    setSingleRowText(rows(), description(), stationCode(), column.name, text);
    markDirty();
}

void SubListForm::showRows()
{
    m_filling = true;
    for (const auto &[column, field] : m_fields) {
        const QString text = singleRowText(rows(), column->name);
        if (auto *line = qobject_cast<QLineEdit *>(field))
            line->setText(text);
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(field))
            memo->setPlainText(text);
        field->setEnabled(rows().columnIndex(column->name) >= 0);
    }
    m_filling = false;
}

void SubListForm::updateEditable()
{
    for (const auto &[column, field] : m_fields) {
        if (auto *line = qobject_cast<QLineEdit *>(field))
            line->setReadOnly(!canEdit());
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(field))
            memo->setReadOnly(!canEdit());
    }
}

} // namespace plx
