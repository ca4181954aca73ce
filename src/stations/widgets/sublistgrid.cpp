#include "stations/widgets/sublistgrid.h"

#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"
#include "stations/sublistvalues.h"
#include "stations/widgets/sublistdelegate.h"
#include "stations/widgets/sublistmodel.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

SubListGrid::SubListGrid(SubListTab tab, const QString &gridName, QWidget *parent)
    : SubListWidget(tab, parent)
{
    setObjectName(QStringLiteral("Onglet") + gridName);
    m_model = new SubListModel(description(), &rows(), &choices(), this);
    connect(m_model, &SubListModel::edited, this, &SubListGrid::markDirty);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Spr") + gridName);
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new SubListDelegate(m_model, m_grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    m_grid->setAlternatingRowColors(true);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    m_grid->installEventFilter(this);

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    m_add = button("CmdAjouterLigne", QStringLiteral("&Ajouter une ligne"));
    m_remove = button("CmdSupprimerLigne", QStringLiteral("&Supprimer la ligne"));
    connect(m_add, &QPushButton::clicked, this, &SubListGrid::declencheInserer);
    connect(m_remove, &QPushButton::clicked, this, &SubListGrid::removeSelectedRows);
    auto *buttons = new QHBoxLayout;
    m_buttons = buttons;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    const auto shown = description().shownColumns();
    if (std::any_of(shown.cbegin(), shown.cend(),
                    [](const SubListColumn *c) { return c->kind == SubListKind::Path; })) {
        m_browse = button("CmdParcourir", QStringLiteral("&Parcourir…"));
        m_open = button("CmdOuvrir", QStringLiteral("&Ouvrir le document"));
        connect(m_browse, &QPushButton::clicked, this, &SubListGrid::browse);
        connect(m_open, &QPushButton::clicked, this, &SubListGrid::openDocument);
        buttons->addWidget(m_browse);
        buttons->addWidget(m_open);
    }
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    if (!description().titleRow.keyColumn.isEmpty()) {
        m_title = new QLineEdit(this);
        m_title->setObjectName(QStringLiteral("TxtTitre") + gridName);
        if (const SubListColumn *c = description().column(description().titleRow.textColumn))
            m_title->setMaxLength(c->maxLength);
        connect(m_title, &QLineEdit::textEdited, this, &SubListGrid::titleEdited);
        auto *form = new QFormLayout;
        auto *label = new QLabel(QStringLiteral("&Titre :"), this);
        label->setBuddy(m_title);
        form->addRow(label, m_title);
        layout->addLayout(form);
    }
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    layout->addWidget(statusLabel());
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SubListGrid::updateButtons);
    updateEditable();
}

bool SubListGrid::eventFilter(QObject *watched, QEvent *event)
{
    // Insert adds a row, Delete removes the selected ones; while a cell is being edited its
    // editor has the keys.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete) {
            removeSelectedRows();
            return true;
        }
        if (key == Qt::Key_Insert) {
            declencheInserer();
            return true;
        }
    }
    return SubListWidget::eventFilter(watched, event);
}

QPushButton *SubListGrid::addButton(const char *name, const QString &text)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    m_buttons->insertWidget(m_buttons->count() - 1, b); // before the stretch
    return b;
}

int SubListGrid::findRow(const QString &column, double value) const
{
    const int at = rows().columnIndex(column);
    if (at < 0)
        return -1;
    for (int r = 0; r < int(rows().rows.size()); ++r) {
        const QVariant &cell = rows().rows[size_t(r)].cells[size_t(at)];
        const std::optional<double> n = subListNumberValue(cell);
        if (n && *n == value)
            return r;
    }
    return -1;
}

int SubListGrid::pathColumn() const
{
    for (const SubListColumn *c : description().shownColumns()) {
        if (c->kind == SubListKind::Path)
            return m_model->gridColumn(c->name);
    }
    return -1;
}

int SubListGrid::currentRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void SubListGrid::showRows()
{
    m_model->reload();
    if (m_title) {
        const int text = rows().columnIndex(description().titleRow.textColumn);
        const SubListRow &title = rows().title;
        m_title->setText(title.cells.empty() || text < 0 ? QString()
                                                         : title.cells[size_t(text)].toString());
    }
    m_grid->resizeColumnsToContents();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const SubListColumn &column = m_model->columnAt(c);
        // Free texts get room to be typed in even when empty.
        const bool wide = (column.kind == SubListKind::Text &&
                           (column.maxLength == 0 || column.maxLength > 50)) ||
                          column.kind == SubListKind::Path;
        const int width = m_grid->horizontalHeader()->sectionSize(c) + 16;
        m_grid->horizontalHeader()->resizeSection(
            c, std::clamp(width, wide ? 200 : 70, column.kind == SubListKind::Choice ? 480 : 360));
    }
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, m_model->firstEditableColumn()));
    updateButtons();
}

void SubListGrid::updateEditable()
{
    m_model->setEditable(canEdit());
    if (m_title)
        m_title->setReadOnly(!canEdit());
    updateButtons();
}

void SubListGrid::updateButtons()
{
    const bool editable = canEdit();
    m_add->setEnabled(editable);
    m_remove->setEnabled(editable && currentRow() >= 0);
    if (m_browse)
        m_browse->setEnabled(editable && currentRow() >= 0);
    if (m_open)
        m_open->setEnabled(currentRow() >= 0);
}

bool SubListGrid::addRow()
{
    SubListRow row = rows().emptyRow(description(), stationCode());
    if (const SubListColumn *counter = description().counter()) {
        const int at = rows().columnIndex(counter->name);
        if (at >= 0)
            row.cells[size_t(at)] =
                nextSubListNumber(AccesBase::instance(), description(), stationCode(), rows());
    }
    if (const int today = rows().columnIndex(description().todayColumn); today >= 0)
        row.cells[size_t(today)] = formatDate(QDate::currentDate());
    // A one-per-value column (month, projection) starts on the first value still free.
    const SubListColumn *unique = description().column(description().uniqueColumn);
    const int uniqueAt = unique ? rows().columnIndex(unique->name) : -1;
    if (uniqueAt >= 0) {
        QSet<double> used;
        for (const SubListRow &r : rows().rows) {
            if (const auto v = subListNumberValue(r.cells[size_t(uniqueAt)]))
                used.insert(*v);
        }
        for (const SubListChoice &choice : choices().value(unique->name)) {
            if (!used.contains(double(choice.code))) {
                row.cells[size_t(uniqueAt)] = choice.code;
                break;
            }
        }
    }
    const int added = m_model->appendRow(std::move(row));
    const QModelIndex first = m_model->index(added, m_model->firstEditableColumn());
    m_grid->setCurrentIndex(first);
    m_grid->scrollTo(first);
    m_grid->setFocus();
    updateButtons();
    return true;
}

void SubListGrid::removeSelectedRows()
{
    if (!canEdit())
        return;
    std::vector<int> selected;
    for (const QModelIndex &index : m_grid->selectionModel()->selectedIndexes())
        selected.push_back(index.row());
    if (selected.empty() && currentRow() >= 0)
        selected.push_back(currentRow());
    m_model->removeRowsAt(selected);
    updateButtons();
}

void SubListGrid::browse()
{
    const int row = currentRow();
    const int column = pathColumn();
    if (!canEdit() || row < 0 || column < 0)
        return;
    const QString file = chooseFile(QStringLiteral("Choisir le document"));
    if (!file.isEmpty())
        m_model->setData(m_model->index(row, column), file, Qt::EditRole);
}

void SubListGrid::openDocument()
{
    const int row = currentRow();
    const int column = pathColumn();
    if (row < 0 || column < 0)
        return;
    const QString location = m_model->index(row, column).data(Qt::EditRole).toString().trimmed();
    if (location.isEmpty())
        return;
    const QUrl url =
        location.contains(QStringLiteral("://")) ? QUrl(location) : QUrl::fromLocalFile(location);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Le document « %1 » est introuvable.").arg(location));
        return;
    }
    if (!QDesktopServices::openUrl(url))
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Aucun programme n'a pu ouvrir « %1 ».").arg(location));
}

void SubListGrid::titleEdited(const QString &text)
{
    SubListRow &title = rows().title;
    if (title.cells.empty()) {
        title = rows().emptyRow(description(), stationCode());
        const int key = rows().columnIndex(description().titleRow.keyColumn);
        if (key >= 0)
            title.cells[size_t(key)] = description().titleRow.keyValue;
    }
    const int at = rows().columnIndex(description().titleRow.textColumn);
    if (at >= 0)
        title.cells[size_t(at)] = text;
    markDirty();
}

} // namespace plx
