#include "stations/widgets/columnchooser.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace plx {

namespace {

const int kColumnRole = Qt::UserRole;

QPushButton *namedButton(const QString &text, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

ColumnChooser::ColumnChooser(const std::vector<ColumnChoice> &columns,
                             std::vector<ColumnChoice> defaults, int lockedColumn, QWidget *parent)
    : QDialog(parent), m_defaults(std::move(defaults)), m_locked(lockedColumn)
{
    setObjectName(QStringLiteral("FrmChoixColonnes"));
    setWindowTitle(QStringLiteral("Choisir les colonnes"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(
        QStringLiteral("Cochez les colonnes à afficher ; faites-les glisser ou utilisez les "
                       "boutons pour changer leur ordre."),
        this);
    label->setWordWrap(true);
    layout->addWidget(label);

    auto *middle = new QHBoxLayout;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("LstColonnes"));
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(m_list);
    middle->addWidget(m_list, 1);
    auto *buttons = new QVBoxLayout;
    auto *up = namedButton(QStringLiteral("&Monter"), "CmdMonter", this);
    auto *down = namedButton(QStringLiteral("&Descendre"), "CmdDescendre", this);
    auto *reset = namedButton(QStringLiteral("&Rétablir"), "CmdRetablir", this);
    reset->setToolTip(QStringLiteral("Revient aux colonnes et à l'ordre d'origine"));
    // Enter in the list must not close the dialog through the first push button.
    for (QPushButton *button : {up, down, reset}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    middle->addLayout(buttons);
    layout->addLayout(middle, 1);
    connect(up, &QPushButton::clicked, this, [this] { moveCurrent(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveCurrent(1); });
    connect(reset, &QPushButton::clicked, this, &ColumnChooser::restoreDefaults);

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (m_filling)
            return;
        // A check on the locked column is restored, in case a key toggled it.
        if (item->data(kColumnRole).toInt() == m_locked && item->checkState() != Qt::Checked) {
            m_filling = true;
            item->setCheckState(Qt::Checked);
            m_filling = false;
        }
        emit choiceChanged();
    });
    // A drag reorders the rows of the list's model (moved, or put back and taken).
    const auto dragged = [this] {
        if (!m_filling)
            emit choiceChanged();
    };
    connect(m_list->model(), &QAbstractItemModel::rowsMoved, this, dragged);
    connect(m_list->model(), &QAbstractItemModel::rowsInserted, this, dragged);
    connect(m_list->model(), &QAbstractItemModel::rowsRemoved, this, dragged);
    fill(columns);
    m_list->setCurrentRow(0);
    resize(420, 380);
}

void ColumnChooser::fill(const std::vector<ColumnChoice> &columns)
{
    m_filling = true;
    m_list->clear();
    for (const ColumnChoice &column : columns) {
        auto *item = new QListWidgetItem(column.heading, m_list);
        item->setData(kColumnRole, column.column);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
        if (column.column == m_locked) {
            item->setToolTip(QStringLiteral("Cette colonne est toujours affichée."));
            item->setCheckState(Qt::Checked);
        } else {
            flags |= Qt::ItemIsUserCheckable;
            item->setCheckState(column.shown ? Qt::Checked : Qt::Unchecked);
        }
        item->setFlags(flags);
    }
    m_filling = false;
}

std::vector<ColumnChoice> ColumnChooser::choice() const
{
    std::vector<ColumnChoice> columns;
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem *item = m_list->item(row);
        columns.push_back(
            {item->data(kColumnRole).toInt(), item->text(), item->checkState() == Qt::Checked});
    }
    return columns;
}

void ColumnChooser::moveCurrent(int step)
{
    const int row = m_list->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_list->count())
        return;
    m_filling = true;
    QListWidgetItem *item = m_list->takeItem(row);
    m_list->insertItem(target, item);
    m_filling = false;
    m_list->setCurrentRow(target);
    emit choiceChanged();
}

void ColumnChooser::restoreDefaults()
{
    fill(m_defaults);
    m_list->setCurrentRow(0);
    emit choiceChanged();
}

} // namespace plx
