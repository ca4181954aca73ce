#include "stations/widgets/filtereditor.h"

#include "base/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

struct FilterEditor::RowWidgets
{
    QComboBox *joiner = nullptr;
    QComboBox *field = nullptr;
    QComboBox *op = nullptr;
    QLineEdit *value = nullptr;
    QPushButton *remove = nullptr;
};

FilterEditor::FilterEditor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FilterEditor"));
    setWindowTitle(QStringLiteral("Liste de pluviomètres"));

    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("TxtNomListe"));
    m_name->setMaxLength(255);
    auto *nameLabel = new QLabel(QStringLiteral("&Nom de la liste :"), this);
    nameLabel->setBuddy(m_name);
    form->addRow(nameLabel, m_name);
    m_default = new QCheckBox(QStringLiteral("Liste par &défaut"), this);
    m_default->setObjectName(QStringLiteral("ChkListeDefaut"));
    form->addRow(QString(), m_default);
    layout->addLayout(form);

    auto *conditions = new QWidget;
    m_grid = new QGridLayout(conditions);
    m_grid->setColumnStretch(3, 1);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(conditions);
    layout->addWidget(
        new QLabel(QStringLiteral("Conditions (« Et » est évalué avant « Ou ») :"), this));
    layout->addWidget(scroll, 1);

    auto *add = new QPushButton(QStringLiteral("&Ajouter une condition"), this);
    add->setObjectName(QStringLiteral("CmdAjouterCondition"));
    connect(add, &QPushButton::clicked, this, [this] { addRow(); });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Enregistrer"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("A&nnuler"));
    buttons->addButton(add, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &FilterEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FilterEditor::reject);
    layout->addWidget(buttons);
    resize(720, 360);
    addRow();
}

FilterEditor::~FilterEditor()
{
    for (RowWidgets *row : m_rows)
        delete row;
}

void FilterEditor::setListName(const QString &name)
{
    m_name->setText(name);
}

QString FilterEditor::listName() const
{
    return m_name->text().trimmed();
}

void FilterEditor::setDefaultList(bool isDefault)
{
    m_default->setChecked(isDefault);
}

bool FilterEditor::isDefaultList() const
{
    return m_default->isChecked();
}

void FilterEditor::setRows(const std::vector<FilterRow> &rows)
{
    while (!m_rows.empty())
        removeRow(int(m_rows.size()) - 1);
    for (const FilterRow &row : rows)
        addRow(row);
    if (m_rows.empty())
        addRow();
}

std::vector<FilterRow> FilterEditor::rows() const
{
    std::vector<FilterRow> rows;
    for (const RowWidgets *row : m_rows) {
        const QString op = row->op->currentText();
        rows.push_back({row->joiner->currentText(), row->field->currentText(), op,
                        operatorTakesValue(op) ? row->value->text() : QString()});
    }
    if (!rows.empty())
        rows.front().joiner.clear();
    return rows;
}

void FilterEditor::addRow(const FilterRow &values)
{
    auto *row = new RowWidgets;
    QWidget *owner = m_grid->parentWidget();
    const int n = int(m_rows.size());
    row->joiner = new QComboBox(owner);
    row->joiner->addItems({QStringLiteral("Et"), QStringLiteral("Ou")});
    row->joiner->setObjectName(QStringLiteral("CboJoint%1").arg(n));
    if (!values.joiner.isEmpty())
        row->joiner->setCurrentText(values.joiner);
    row->field = new QComboBox(owner);
    row->field->addItems(filterFields());
    row->field->setObjectName(QStringLiteral("CboChamp%1").arg(n));
    if (!values.field.isEmpty())
        row->field->setCurrentText(values.field);
    row->op = new QComboBox(owner);
    row->op->addItems(filterOperators());
    row->op->setObjectName(QStringLiteral("CboOperateur%1").arg(n));
    if (!values.op.isEmpty())
        row->op->setCurrentText(values.op);
    row->value = new QLineEdit(values.value, owner);
    row->value->setObjectName(QStringLiteral("TxtValeur%1").arg(n));
    row->value->setPlaceholderText(QStringLiteral("valeur (dates jj/mm/aaaa)"));
    row->remove = new QPushButton(QStringLiteral("Retirer"), owner);
    row->remove->setToolTip(QStringLiteral("Retirer cette condition"));
    QLineEdit *value = row->value;
    connect(row->op, &QComboBox::currentTextChanged, value,
            [value](const QString &op) { value->setEnabled(operatorTakesValue(op)); });
    value->setEnabled(operatorTakesValue(row->op->currentText()));
    connect(row->remove, &QPushButton::clicked, this, [this, row] {
        const auto found = std::find(m_rows.begin(), m_rows.end(), row);
        if (found != m_rows.end())
            removeRow(int(found - m_rows.begin()));
    });
    m_rows.push_back(row);
    relayout();
    row->field->setFocus();
}

void FilterEditor::removeRow(int index)
{
    if (index < 0 || index >= int(m_rows.size()))
        return;
    RowWidgets *row = m_rows[size_t(index)];
    m_rows.erase(m_rows.begin() + index);
    for (QWidget *widget : {static_cast<QWidget *>(row->joiner), static_cast<QWidget *>(row->field),
                            static_cast<QWidget *>(row->op), static_cast<QWidget *>(row->value),
                            static_cast<QWidget *>(row->remove)}) {
        m_grid->removeWidget(widget);
        widget->hide();
        widget->deleteLater(); // the remove button's own click may be running
    }
    delete row;
    relayout();
}

void FilterEditor::relayout()
{
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const RowWidgets *row = m_rows[size_t(i)];
        row->joiner->setVisible(i > 0); // the first condition joins nothing
        m_grid->addWidget(row->joiner, i, 0);
        m_grid->addWidget(row->field, i, 1);
        m_grid->addWidget(row->op, i, 2);
        m_grid->addWidget(row->value, i, 3);
        m_grid->addWidget(row->remove, i, 4);
    }
    m_grid->setRowStretch(int(m_rows.size()), 1);
}

void FilterEditor::accept()
{
    if (listName().isEmpty()) {
        showMessage(MessageKind::Erreur, QStringLiteral("Le nom de la liste est obligatoire."));
        m_name->setFocus();
        return;
    }
    const FilterWhere where = buildFilterWhere(rows());
    if (!where.ok) {
        showMessage(MessageKind::Erreur, where.error);
        return;
    }
    QDialog::accept();
}

} // namespace plx
