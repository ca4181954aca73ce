#include "run/widgets/referencetable.h"

#include "base/locale.h"
#include "base/messages.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "db/transaction.h"
#include "outputs/widgets/gridexport.h"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QCloseEvent>
#include <QColor>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace plx {

namespace {

bool isPlainIdentifier(const QString &name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return identifier.match(name).hasMatch();
}

bool isInteger(const QVariant &v)
{
    const int type = v.typeId();
    return type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt
           || type == QMetaType::ULongLong || type == QMetaType::Bool;
}

bool isFloating(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

QDateTime wallClock(const QDateTime &dt)
{
    return QDateTime(dt.date(), dt.time(), Qt::UTC);
}

} // namespace

ReferenceTableModel::ReferenceTableModel(const QString &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

bool ReferenceTableModel::load(QString *error)
{
    if (!isPlainIdentifier(m_table)) {
        if (error)
            *error = QStringLiteral("Nom de table invalide : ") + m_table;
        return false;
    }
    const RecordTable records =
        AccesBase::instance().ExtraireRecords(QStringLiteral("SELECT * FROM ") + m_table);
    if (!records.ok()) {
        if (error)
            *error = records.error();
        return false;
    }
    beginResetModel();
    m_columns = records.columnNames();
    m_rows.clear();
    m_deleted.clear();
    m_rows.reserve(size_t(records.rowCount()));
    const int columns = records.columnCount();
    for (int r = 0; r < records.rowCount(); ++r) {
        Row row;
        row.values.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.values.push_back(records.at(r, c));
        m_rows.push_back(std::move(row));
    }
    m_kinds.assign(size_t(columns), ColumnKind::Unknown);
    for (int c = 0; c < columns; ++c) {
        ColumnKind kind = ColumnKind::Unknown;
        for (const Row &row : m_rows) {
            const QVariant &v = row.values[size_t(c)];
            if (v.isNull())
                continue;
            ColumnKind seen = ColumnKind::Text;
            if (isInteger(v))
                seen = ColumnKind::Integer;
            else if (isFloating(v))
                seen = ColumnKind::Number;
            else if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
                seen = ColumnKind::DateTime;
            if (kind == ColumnKind::Unknown || kind == seen)
                kind = seen;
            else if ((kind == ColumnKind::Integer && seen == ColumnKind::Number)
                     || (kind == ColumnKind::Number && seen == ColumnKind::Integer))
                kind = ColumnKind::Number;
            else
                kind = ColumnKind::Text;
            if (kind == ColumnKind::Text)
                break;
        }
        m_kinds[size_t(c)] = kind;
    }
    endResetModel();
    setModified(false);
    return true;
}

bool ReferenceTableModel::isModified() const
{
    return m_modified;
}

void ReferenceTableModel::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

int ReferenceTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReferenceTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ReferenceTableModel::value(int row, int column) const
{
    return m_rows[size_t(row)].values[size_t(column)];
}

QVariant ReferenceTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Row &row = m_rows[size_t(index.row())];
    const QVariant &v = row.values[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (v.isNull())
            return QString();
        if (isFloating(v))
            return formatNumber(v.toDouble());
        if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate) {
            const QDateTime dt = v.toDateTime();
            return dt.time() == QTime(0, 0) ? formatDate(dt.date()) : formatDateTime(dt);
        }
        return v.toString();
    case Qt::UserRole:
        return v;
    case Qt::TextAlignmentRole:
        if (isFloating(v) || isInteger(v))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::BackgroundRole:
        // Rows that the next save writes.
        if (row.inserted || row.original)
            return QBrush(QColor(255, 249, 214));
        return {};
    default:
        return {};
    }
}

QVariant ReferenceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_columns.size() ? m_columns[section] : QVariant();
    const Row &row = m_rows[size_t(section)];
    return row.inserted ? QStringLiteral("*") : QString::number(section + 1);
}

Qt::ItemFlags ReferenceTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_editable)
        f |= Qt::ItemIsEditable;
    return f;
}

std::optional<QVariant> ReferenceTableModel::parse(int column, const QString &text,
                                                   QString *message) const
{
    if (text.trimmed().isEmpty())
        return QVariant(); // NULL: an empty text is never stored as ''
    const QString name = m_columns[column];
    switch (m_kinds[size_t(column)]) {
    case ColumnKind::Integer: {
        const std::optional<double> n = parseNumber(text);
        if (n && std::abs(*n) < 9e15 && *n == std::floor(*n))
            return QVariant(qlonglong(*n));
        *message = QStringLiteral("La colonne « %1 » attend un nombre entier : « %2 » n'en est "
                                  "pas un.").arg(name, text.trimmed());
        return std::nullopt;
    }
    case ColumnKind::Number: {
        if (const std::optional<double> n = parseNumber(text))
            return QVariant(*n);
        *message = QStringLiteral("La colonne « %1 » attend un nombre : « %2 » n'en est pas un.")
                       .arg(name, text.trimmed());
        return std::nullopt;
    }
    case ColumnKind::DateTime: {
        if (const std::optional<QDateTime> dt = parseDateTime(text))
            return QVariant(wallClock(*dt));
        *message = QStringLiteral("La colonne « %1 » attend une date JJ/MM/AAAA (avec "
                                  "éventuellement l'heure hh:mm:ss) : « %2 » n'en est pas une.")
                       .arg(name, text.trimmed());
        return std::nullopt;
    }
    case ColumnKind::Unknown:
        // No value read tells the column's type: a date must still reach the database as a
        // date, never as text that the server could read month first.
        if (const std::optional<QDateTime> dt = parseDateTime(text))
            return QVariant(wallClock(*dt));
        return QVariant(text);
    case ColumnKind::Text:
        return QVariant(text);
    }
    return QVariant(text);
}

bool ReferenceTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_editable)
        return false;
    QString message;
    const std::optional<QVariant> parsed = parse(index.column(), value.toString(), &message);
    if (!parsed) {
        emit invalidValue(message);
        return false;
    }
    Row &row = m_rows[size_t(index.row())];
    QVariant &cell = row.values[size_t(index.column())];
    if (cell.isNull() == parsed->isNull() && (cell.isNull() || cell == *parsed))
        return true;
    if (!row.inserted && !row.original)
        row.original = row.values;
    cell = *parsed;
    if (row.original && *row.original == row.values)
        row.original.reset(); // typed back as it was read: nothing to write
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, index.row(), index.row());
    setModified(true);
    return true;
}

int ReferenceTableModel::appendRow()
{
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    Row row;
    row.values.resize(size_t(m_columns.size()));
    row.inserted = true;
    m_rows.push_back(std::move(row));
    endInsertRows();
    setModified(true);
    return at;
}

void ReferenceTableModel::removeRowList(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int r : rows) {
        if (r < 0 || r >= int(m_rows.size()))
            continue;
        const Row &row = m_rows[size_t(r)];
        if (!row.inserted)
            m_deleted.push_back(originalOf(row));
        beginRemoveRows({}, r, r);
        m_rows.erase(m_rows.begin() + r);
        endRemoveRows();
        setModified(true);
    }
}

const ReferenceTableModel::Values &ReferenceTableModel::originalOf(const Row &row) const
{
    return row.original ? *row.original : row.values;
}

QString ReferenceTableModel::keyOf(const Values &values) const
{
    const AccesBase &db = AccesBase::instance();
    QStringList parts;
    for (const QVariant &v : values)
        parts << db.engineLiteral(v);
    return parts.join(QChar(0x1f));
}

QString ReferenceTableModel::conditionFor(const Values &values) const
{
    const AccesBase &db = AccesBase::instance();
    QStringList conditions;
    for (int c = 0; c < m_columns.size(); ++c) {
        const QVariant &v = values[size_t(c)];
        const QString &column = m_columns[c];
        if (v.isNull()) {
            conditions << column + QStringLiteral(" IS NULL");
        } else if (isFloating(v) && v.toDouble() != 0) {
            // A PostgreSQL real read back as its shortest text is not equal to that text
            // as a double: match within the precision of a real instead.
            const double d = v.toDouble();
            const double margin = std::abs(d) * 1e-6;
            conditions << column + QStringLiteral(" BETWEEN ") + sqlNumber(d - margin)
                              + QStringLiteral(" AND ") + sqlNumber(d + margin);
        } else {
            conditions << column + QStringLiteral(" = ") + db.engineLiteral(v);
        }
    }
    return conditions.join(QStringLiteral(" AND "));
}

QString ReferenceTableModel::insertFor(const Values &values) const
{
    const AccesBase &db = AccesBase::instance();
    QStringList names;
    QStringList literals;
    for (int c = 0; c < m_columns.size(); ++c) {
        const QVariant &v = values[size_t(c)];
        if (v.isNull())
            continue; // the column's default, as a row typed in Access would get
        names << m_columns[c];
        literals << db.engineLiteral(v);
    }
    if (names.isEmpty())
        return QString();
    return QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" (") + names.join(QStringLiteral(", "))
           + QStringLiteral(") VALUES (") + literals.join(QStringLiteral(", ")) + QLatin1Char(')');
}

bool ReferenceTableModel::save(QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!m_modified)
        return true;

    // The value sets to replace, with how many loaded rows carried each.
    QHash<QString, Values> replaced;
    for (const Values &values : m_deleted)
        replaced.insert(keyOf(values), values);
    for (const Row &row : m_rows) {
        if (row.original)
            replaced.insert(keyOf(*row.original), *row.original);
    }
    QHash<QString, qlonglong> loadedCount;
    for (const Values &values : m_deleted) {
        const QString key = keyOf(values);
        loadedCount[key] += 1;
    }
    std::vector<const Row *> toInsert;
    for (const Row &row : m_rows) {
        if (row.inserted) {
            toInsert.push_back(&row);
            continue;
        }
        const QString key = keyOf(originalOf(row));
        if (replaced.contains(key)) {
            loadedCount[key] += 1;
            toInsert.push_back(&row);
        }
    }

    AccesBase &db = AccesBase::instance();
    Transaction transaction(db);
    if (!transaction.started())
        return fail(transaction.error());
    QString message;
    for (auto it = replaced.cbegin(); it != replaced.cend(); ++it) {
        const QString condition = conditionFor(it.value());
        const RecordTable count = db.queryNative(QStringLiteral("SELECT count(*) FROM ") + m_table
                                                 + QStringLiteral(" WHERE ") + condition);
        if (!count.ok())
            return fail(count.error());
        if (count.rowCount() != 1 || count.at(0, 0).toLongLong() != loadedCount.value(it.key())) {
            return fail(QStringLiteral("Des lignes de la table %1 ont été modifiées ou supprimées "
                                       "depuis leur chargement (par un autre utilisateur ?). "
                                       "Rien n'a été enregistré : rechargez la liste puis "
                                       "refaites vos modifications.")
                            .arg(m_table));
        }
        if (!db.executeNative(QStringLiteral("DELETE FROM ") + m_table + QStringLiteral(" WHERE ")
                                  + condition,
                              &message))
            return fail(message);
    }
    for (const Row *row : toInsert) {
        const QString insert = insertFor(row->values);
        if (!insert.isEmpty() && !db.executeNative(insert, &message))
            return fail(message);
    }
    if (!transaction.commit())
        return fail(transaction.error());
    return load(error);
}

ReferenceTable::ReferenceTable(const QString &table, const QString &title, bool editable,
                               QWidget *parent)
    : QWidget(parent), m_title(title), m_model(new ReferenceTableModel(table, this)),
      m_proxy(new QSortFilterProxyModel(this)), m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("ReferenceTable"));
    setProperty("plxScreenKey", QStringLiteral("ReferenceTable:") + table.toUpper());
    setWindowTitle(title);
    m_model->setEditable(editable);

    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(Qt::UserRole);
    m_proxy->setSortLocaleAware(true);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("TxtRecherche"));
    m_search->setPlaceholderText(QStringLiteral("Texte contenu dans une colonne"));
    m_search->setClearButtonEnabled(true);
    auto *searchLabel = new QLabel(QStringLiteral("&Rechercher :"), this);
    searchLabel->setBuddy(m_search);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("lblEtat"));

    m_view->setObjectName(QStringLiteral("SprReference"));
    m_view->setModel(m_proxy);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(-1, Qt::AscendingOrder);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_view->setAlternatingRowColors(true);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);

    auto *deleteKey = new QAction(m_view);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    connect(deleteKey, &QAction::triggered, this, &ReferenceTable::DeclencheSupprimer);
    m_view->addAction(deleteKey);

    auto button = [this](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_add = button(QStringLiteral("CmdAjouter"), QStringLiteral("&Ajouter une ligne"));
    m_delete = button(QStringLiteral("CmdSupprimer"), QStringLiteral("&Supprimer"));
    m_discard = button(QStringLiteral("CmdAnnuler"), QStringLiteral("A&bandonner les modifications"));
    m_save = button(QStringLiteral("CmdEnregistrer"), QStringLiteral("&Enregistrer"));
    connect(m_add, &QPushButton::clicked, this, &ReferenceTable::declencheInserer);
    connect(m_delete, &QPushButton::clicked, this, &ReferenceTable::DeclencheSupprimer);
    connect(m_discard, &QPushButton::clicked, this, &ReferenceTable::DeclenchePoubelle);
    connect(m_save, &QPushButton::clicked, this, &ReferenceTable::declencheEnregistrer);

    auto *top = new QHBoxLayout;
    top->addWidget(searchLabel);
    top->addWidget(m_search, 1);
    top->addSpacing(12);
    top->addWidget(m_state);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_discard);
    buttons->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    setTabOrder(m_search, m_view);
    setTabOrder(m_view, m_add);

    connect(m_search, &QLineEdit::textChanged, m_proxy, &QSortFilterProxyModel::setFilterFixedString);
    connect(m_search, &QLineEdit::textChanged, this, &ReferenceTable::updateState);
    connect(m_model, &ReferenceTableModel::modifiedChanged, this, &ReferenceTable::updateState);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ReferenceTable::updateState);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ReferenceTable::updateState);
    connect(m_model, &ReferenceTableModel::invalidValue, this,
            [](const QString &message) { showMessage(MessageKind::Erreur, message); });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReferenceTable::updateState);

    const bool readOnly = !editable;
    m_add->setVisible(!readOnly);
    m_delete->setVisible(!readOnly);
    m_discard->setVisible(!readOnly);
    m_save->setVisible(!readOnly);
    reload();
}

void ReferenceTable::reload()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool ok = m_model->load(&error);
    QApplication::restoreOverrideCursor();
    if (!ok)
        showMessage(MessageKind::Erreur, QStringLiteral("Impossible de lire la table %1 :\n%2")
                                             .arg(m_model->table(), error));
    m_view->resizeColumnsToContents();
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_view->setColumnWidth(c, qMin(m_view->columnWidth(c), 320));
    updateState();
}

void ReferenceTable::updateState()
{
    const int shown = m_proxy->rowCount();
    const int total = m_model->rowCount();
    QString text = shown == total ? QStringLiteral("%1 ligne(s)").arg(total)
                                  : QStringLiteral("%1 ligne(s) sur %2").arg(shown).arg(total);
    if (!m_model->isEditable())
        text += QStringLiteral(" — lecture seule");
    else if (m_model->isModified())
        text += QStringLiteral(" — modifications non enregistrées");
    m_state->setText(text);
    m_delete->setEnabled(m_view->selectionModel()->hasSelection());
    m_discard->setEnabled(m_model->isModified());
    m_save->setEnabled(m_model->isModified());
}

bool ReferenceTable::refuseIfReadOnly() const
{
    if (m_model->isEditable())
        return false;
    showMessage(MessageKind::Erreur,
                QStringLiteral("Vous n'avez pas le droit de modifier cette liste de référence."));
    return true;
}

void ReferenceTable::commitEditor()
{
    // A cell still being typed in (the toolbar takes no focus) counts as typed.
    const QModelIndex current = m_view->currentIndex();
    if (QWidget *editor = m_view->indexWidget(current)) {
        QMetaObject::invokeMethod(m_view, "commitData", Qt::DirectConnection,
                                  Q_ARG(QWidget *, editor));
        QMetaObject::invokeMethod(m_view, "closeEditor", Qt::DirectConnection,
                                  Q_ARG(QWidget *, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint,
                                        QAbstractItemDelegate::NoHint));
    }
}

void ReferenceTable::declencheInserer()
{
    if (refuseIfReadOnly())
        return;
    commitEditor();
    m_search->clear(); // the new, empty row must be visible
    const int row = m_model->appendRow();
    const QModelIndex at = m_proxy->mapFromSource(m_model->index(row, 0));
    m_view->scrollTo(at);
    m_view->setCurrentIndex(at);
    m_view->setFocus();
    m_view->edit(at);
}

void ReferenceTable::DeclencheSupprimer()
{
    if (refuseIfReadOnly())
        return;
    commitEditor();
    QList<int> rows;
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        rows << m_proxy->mapToSource(index).row();
    if (rows.isEmpty())
        return;
    const QString question =
        rows.size() == 1
            ? QStringLiteral("Voulez-vous supprimer la ligne sélectionnée ?")
            : QStringLiteral("Voulez-vous supprimer les %1 lignes sélectionnées ?").arg(rows.size());
    if (!showMessage(MessageKind::Question,
                     question + QStringLiteral("\nLa suppression sera faite à l'enregistrement.")))
        return;
    m_model->removeRowList(rows);
}

void ReferenceTable::DeclencheExcel()
{
    // The stored values keep their type: numbers, dates, text codes.
    exportViewInOneClick(this, *m_view, m_title, exportedRole(Qt::UserRole));
}

void ReferenceTable::DeclenchePoubelle()
{
    commitEditor();
    if (m_model->isModified()
        && !showMessage(MessageKind::Question,
                        QStringLiteral("Abandonner les modifications non enregistrées ?")))
        return;
    reload();
}

void ReferenceTable::Actualiser()
{
    DeclenchePoubelle();
}

void ReferenceTable::declencheEnregistrer()
{
    if (refuseIfReadOnly())
        return;
    commitEditor();
    if (!m_model->isModified())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool saved = m_model->save(&error);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("L'enregistrement a échoué ; vos modifications sont conservées "
                                   "à l'écran.\n")
                        + error);
    }
    updateState();
}

void ReferenceTable::closeEvent(QCloseEvent *event)
{
    commitEditor();
    if (m_model->isModified()
        && !showMessage(MessageKind::Question,
                        QStringLiteral("Les modifications de la liste « %1 » ne sont pas "
                                       "enregistrées.\nFermer quand même et les perdre ?")
                            .arg(m_title))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace plx
