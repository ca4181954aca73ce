#include "measures/widgets/validationmodel.h"

#include "base/messages.h"
#include "measures/validationchecks.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace plx {

namespace {

QColor validatedBackground()
{
    return QColor(0xdc, 0xe9, 0xd5); // grey-green: locked
}
QColor controlledBackground()
{
    return QColor(0xe3, 0xed, 0xfa); // light blue
}
QColor redBackground()
{
    return QColor(0xfb, 0xd3, 0xd3);
}
QColor conflictBackground()
{
    return QColor(0xff, 0xe0, 0xb2); // orange: someone else's value is stored
}
// Flag levels: pale yellow, amber, pale red; lighter than the red rows' background.
QColor noteBackground(int level)
{
    switch (level) {
    case 1:
        return QColor(0xff, 0xf6, 0xc8);
    case 2:
        return QColor(0xff, 0xd8, 0x8a);
    default:
        return QColor(0xf4, 0xa6, 0x9a);
    }
}
QColor redText()
{
    return QColor(0xb0, 0x00, 0x00);
}

bool isNumberColumn(int column)
{
    return column >= kPluieColumn && column <= kValeur3Column;
}

bool isTypedColumn(int column)
{
    return column >= kDateColumn && column <= kValeur3Column;
}

// What the user sees and the save writes; the bookkeeping flags (dirty, Obtention, the
// mark) are left out, so that retyping a value as it was changes nothing.
bool sameContent(const MeasureRow &a, const MeasureRow &b)
{
    if (a.date != b.date || a.heure != b.heure || a.present != b.present ||
        a.rupture != b.rupture || a.red != b.red || a.typedDate != b.typedDate ||
        a.typedHeure != b.typedHeure)
        return false;
    for (int i = 0; i < kMeasuredValues; ++i) {
        if (a.hasValue(i) && a.values[size_t(i)] != b.values[size_t(i)])
            return false;
    }
    return true;
}

bool isEmptyRow(const MeasureRow &row)
{
    return !row.date.isValid() && !row.heure.isValid() && row.present == 0 && !row.rupture &&
           row.typedDate.isEmpty() && row.typedHeure.isEmpty() && !row.hasLoadedKey() &&
           !row.isValidated();
}

} // namespace

// One undoable change of the grid: rows from first on replaced, the grid's length going
// from one count to another (a paste past the end, an insertion), and the mark moving.
class RowsEdit : public QUndoCommand
{
public:
    RowsEdit(ValidationModel *model, const QString &text, int first, std::vector<MeasureRow> before,
             int beforeCount, std::vector<MeasureRow> after, int afterCount, int markBefore,
             int markAfter)
        : QUndoCommand(text), m_model(model), m_first(first), m_before(std::move(before)),
          m_after(std::move(after)), m_beforeCount(beforeCount), m_afterCount(afterCount),
          m_markBefore(markBefore), m_markAfter(markAfter)
    {
    }
    void undo() override
    {
        m_model->replaceRows(m_first, m_before, m_beforeCount);
        m_model->setMark(m_markBefore);
    }
    void redo() override
    {
        m_model->replaceRows(m_first, m_after, m_afterCount);
        m_model->setMark(m_markAfter);
    }

private:
    ValidationModel *m_model; // not owned: the model owns the stack that owns us
    int m_first;
    std::vector<MeasureRow> m_before, m_after;
    int m_beforeCount, m_afterCount;
    int m_markBefore, m_markAfter;
};

ValidationModel::ValidationModel(QObject *parent)
    : QAbstractTableModel(parent), m_undo(new QUndoStack(this))
{
    m_parameterLabels = {QStringLiteral("Param1"), QStringLiteral("Param2"),
                         QStringLiteral("Param3")};
}

void ValidationModel::setRows(std::vector<MeasureRow> rows, int lastValidatedRow)
{
    beginResetModel();
    m_rows = std::move(rows);
    int dirty = 0;
    for (MeasureRow &row : m_rows) {
        row.marked = false;
        dirty += row.dirty ? 1 : 0;
    }
    m_markRow = -1;
    m_lastValidatedRow = lastValidatedRow < int(m_rows.size()) ? lastValidatedRow : -1;
    m_conflicts.clear();
    endResetModel();
    m_undo->clear();
    setDirtyCount(dirty);
}

void ValidationModel::setParameterLabels(const QStringList &labels)
{
    m_parameterLabels = labels;
    emit headerDataChanged(Qt::Horizontal, kValeur1Column, kValeur3Column);
}

void ValidationModel::setEditable(bool editable)
{
    m_editable = editable;
}

int ValidationModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ValidationModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kValidationColumnCount;
}

QVariant ValidationModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const MeasureRow &row = m_rows[size_t(index.row())];
    const int column = index.column();
    const auto conflict = row.conflict ? m_conflicts.constFind(index.row()) : m_conflicts.cend();
    const bool inConflict = conflict != m_conflicts.cend();
    switch (role) {
    case Qt::DisplayRole:
        return inConflict ? conflictText(row, *conflict, column) : cellText(row, column);
    case Qt::EditRole:
        return cellText(row, column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (isNumberColumn(column) ? Qt::AlignRight : Qt::AlignHCenter));
    case Qt::BackgroundRole:
        if (inConflict)
            return QBrush(conflictBackground());
        if (row.red)
            return QBrush(redBackground());
        if (const CellNote *note = cellNoteAt(index.row(), column))
            return QBrush(noteBackground(note->level));
        if (row.isValidated())
            return QBrush(validatedBackground());
        if (row.validite == QLatin1Char('C'))
            return QBrush(controlledBackground());
        return QVariant();
    case Qt::ForegroundRole:
        return row.red ? QVariant(QBrush(redText())) : QVariant();
    case kNoteLevelRole: {
        const CellNote *note = cellNoteAt(index.row(), column);
        return note ? note->level : 0;
    }
    case Qt::FontRole:
        if (row.dirty) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return QVariant();
    case Qt::ToolTipRole:
        if (inConflict)
            return conflict->exists
                       ? QStringLiteral("Modifiée par un autre utilisateur depuis le chargement : "
                                        "non enregistrée. Entre parenthèses, la valeur en base.")
                       : QStringLiteral("Supprimée par un autre utilisateur depuis le chargement : "
                                        "non enregistrée.");
        if (row.red)
            return QStringLiteral("Date ou heure incorrecte : la ligne ne sera pas enregistrée");
        if (const CellNote *note = cellNoteAt(index.row(), column))
            return note->text;
        if (row.isValidated())
            return QStringLiteral("Valeur validée : non modifiable");
        if (row.dirty)
            return QStringLiteral("Ligne modifiée, non enregistrée");
        if (row.validite == QLatin1Char('C'))
            return QStringLiteral("Valeur contrôlée");
        if (column == kRuptureColumn)
            return QStringLiteral("Cliquer (ou Espace) pour marquer une rupture de continuité");
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant ValidationModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return validationColumnName(section, m_parameterLabels);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section < 0 || section >= int(m_rows.size()))
        return QVariant();
    const MeasureRow &row = m_rows[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return row.marked ? QStringLiteral("X") : QStringLiteral(" ");
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::ForegroundRole:
        return row.marked ? QVariant(QBrush(redText())) : QVariant();
    case Qt::FontRole:
        if (row.marked) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return QVariant();
    case Qt::ToolTipRole:
        return row.isValidated()
                   ? QStringLiteral("Ligne validée")
                   : QStringLiteral("Cliquer (ou touche X) pour valider jusqu'à cette ligne");
    default:
        return QVariant();
    }
}

Qt::ItemFlags ValidationModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (m_editable && isTypedColumn(index.column()) && !row(index.row()).isValidated())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ValidationModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const MeasureRow &current = row(index.row());
    const QString text = value.toString();
    if (text == cellText(current, index.column()))
        return false;
    MeasureRow edited = current;
    const QStringList messages = applyCellText(edited, index.column(), text);
    const bool changed = !sameContent(edited, current);
    if (changed)
        pushRows(index.row(), {edited}, QStringLiteral("Saisie"));
    for (const QString &message : messages)
        showMessage(MessageKind::Erreur, message);
    return changed;
}

void ValidationModel::pushRows(int first, std::vector<MeasureRow> after, const QString &text)
{
    const int count = int(m_rows.size());
    const int end = std::min(count, first + int(after.size()));
    std::vector<MeasureRow> before(m_rows.begin() + first, m_rows.begin() + std::max(first, end));
    const int afterCount = std::max(count, first + int(after.size()));
    m_undo->push(new RowsEdit(this, text, first, std::move(before), count, std::move(after),
                              afterCount, m_markRow, m_markRow));
}

void ValidationModel::replaceRows(int first, const std::vector<MeasureRow> &rows, int rowCount)
{
    int dirty = m_dirtyCount;
    const int oldCount = int(m_rows.size());
    if (rowCount < oldCount) {
        for (int r = rowCount; r < oldCount; ++r)
            dirty -= m_rows[size_t(r)].dirty ? 1 : 0;
        beginRemoveRows(QModelIndex(), rowCount, oldCount - 1);
        m_rows.resize(size_t(rowCount));
        endRemoveRows();
        if (m_markRow >= rowCount)
            m_markRow = -1;
    } else if (rowCount > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, rowCount - 1);
        m_rows.resize(size_t(rowCount));
        endInsertRows();
    }
    const int end = std::min(int(m_rows.size()), first + int(rows.size()));
    for (int r = first; r < end; ++r) {
        MeasureRow &target = m_rows[size_t(r)];
        dirty -= target.dirty ? 1 : 0;
        target = rows[size_t(r - first)];
        target.marked = r == m_markRow;
        dirty += target.dirty ? 1 : 0;
    }
    if (end > first) {
        emit dataChanged(index(first, 0), index(end - 1, kValidationColumnCount - 1));
        emit headerDataChanged(Qt::Vertical, first, end - 1);
    }
    setDirtyCount(dirty);
}

void ValidationModel::setMark(int r)
{
    if (r >= int(m_rows.size()))
        r = -1;
    if (r == m_markRow)
        return;
    const int previous = m_markRow;
    m_markRow = r;
    for (int changed : {previous, r}) {
        if (changed < 0 || changed >= int(m_rows.size()))
            continue;
        m_rows[size_t(changed)].marked = changed == r;
        emit dataChanged(index(changed, kMarkColumn), index(changed, kMarkColumn));
        emit headerDataChanged(Qt::Vertical, changed, changed);
    }
}

void ValidationModel::toggleMark(int r)
{
    if (!m_editable || r < 0 || r >= int(m_rows.size()) || row(r).isValidated())
        return;
    const int count = int(m_rows.size());
    m_undo->push(new RowsEdit(this, QStringLiteral("Marque de validation"), r, {}, count, {}, count,
                              m_markRow, m_markRow == r ? -1 : r));
}

void ValidationModel::toggleRupture(int r)
{
    if (!m_editable || r < 0 || r >= int(m_rows.size()) || row(r).isValidated())
        return;
    MeasureRow edited = row(r);
    ::plx::toggleRupture(edited);
    pushRows(r, {edited}, QStringLiteral("Rupture"));
}

int ValidationModel::insertRow()
{
    if (!m_editable)
        return -1;
    // A row inserted and left empty serves again rather than piling up empty rows.
    if (!m_rows.empty() && isEmptyRow(m_rows.back()))
        return int(m_rows.size()) - 1;
    const int r = int(m_rows.size());
    pushRows(r, {insertedRow()}, QStringLiteral("Insertion"));
    return r;
}

QStringList ValidationModel::pasteBlock(int first, int column, const QList<QStringList> &cells)
{
    QStringList messages;
    if (!m_editable || first < 0 || column < 0 || cells.isEmpty())
        return messages;
    const int count = int(m_rows.size());
    std::vector<MeasureRow> after;
    after.reserve(size_t(cells.size()));
    bool changed = false;
    int lockedRows = 0;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const int r = first + int(i);
        const bool existing = r < count;
        MeasureRow edited = existing ? m_rows[size_t(r)] : insertedRow();
        if (edited.isValidated()) {
            ++lockedRows;
            after.push_back(std::move(edited));
            continue;
        }
        const MeasureRow original = edited;
        const QStringList &line = cells.at(i);
        for (qsizetype j = 0; j < line.size(); ++j) {
            const int c = column + int(j);
            const QString text = line.at(j).trimmed();
            if (c == kRuptureColumn) {
                if (edited.rupture != !text.isEmpty())
                    ::plx::toggleRupture(edited);
                continue;
            }
            if (!isTypedColumn(c) || text == cellText(edited, c))
                continue;
            for (const QString &message : applyCellText(edited, c, text)) {
                messages << QStringLiteral("Ligne %1, %2 : %3")
                                .arg(QString::number(r + 1), validationColumnName(c, m_parameterLabels),
                                     message);
            }
        }
        changed = changed || !existing || !sameContent(edited, original);
        after.push_back(std::move(edited));
    }
    if (lockedRows > 0) {
        messages
            << QStringLiteral("%1 ligne(s) validée(s) n'ont pas été modifiées.").arg(lockedRows);
    }
    if (changed)
        pushRows(first, std::move(after), QStringLiteral("Collage"));
    return messages;
}

void ValidationModel::removeRowsAt(const QList<int> &rows)
{
    if (rows.isEmpty())
        return;
    std::vector<char> gone(m_rows.size(), 0);
    for (int r : rows) {
        if (r >= 0 && r < int(m_rows.size()))
            gone[size_t(r)] = 1;
    }
    auto shifted = [&](int r) {
        if (r < 0 || gone[size_t(r)])
            return -1;
        return r - int(std::count(gone.begin(), gone.begin() + r, char(1)));
    };
    const int mark = shifted(m_markRow);
    const int lastValidated = shifted(m_lastValidatedRow);
    // Contiguous runs, from the last, so that a view keeps its place; a scattered
    // selection over a long window is one reset instead of thousands of removals.
    std::vector<std::pair<int, int>> runs;
    for (int r = int(gone.size()) - 1; r >= 0; --r) {
        if (!gone[size_t(r)])
            continue;
        int start = r;
        while (start > 0 && gone[size_t(start - 1)])
            --start;
        runs.emplace_back(start, r);
        r = start;
    }
    if (runs.size() > 64) {
        beginResetModel();
        size_t out = 0;
        for (size_t r = 0; r < m_rows.size(); ++r) {
            if (!gone[r])
                m_rows[out++] = std::move(m_rows[r]);
        }
        m_rows.resize(out);
        endResetModel();
    } else {
        for (const auto &[start, end] : runs) {
            beginRemoveRows(QModelIndex(), start, end);
            m_rows.erase(m_rows.begin() + start, m_rows.begin() + end + 1);
            endRemoveRows();
        }
    }
    m_markRow = mark;
    m_lastValidatedRow = lastValidated;
    QHash<int, StoredMeasure> conflicts;
    for (auto it = m_conflicts.cbegin(); it != m_conflicts.cend(); ++it) {
        if (const int r = shifted(it.key()); r >= 0)
            conflicts.insert(r, it.value());
    }
    m_conflicts = std::move(conflicts);
    m_undo->clear();
    setDirtyCount(int(std::count_if(m_rows.begin(), m_rows.end(),
                                    [](const MeasureRow &row) { return row.dirty; })));
}

void ValidationModel::refreshAll()
{
    refreshStyles();
    m_undo->clear();
}

void ValidationModel::refreshStyles()
{
    if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, kValidationColumnCount - 1));
        emit headerDataChanged(Qt::Vertical, 0, int(m_rows.size()) - 1);
    }
    setDirtyCount(int(std::count_if(m_rows.begin(), m_rows.end(),
                                    [](const MeasureRow &row) { return row.dirty; })));
}

void ValidationModel::setConflicts(const QList<int> &rows, const std::vector<StoredMeasure> &stored)
{
    m_conflicts.clear();
    for (qsizetype i = 0; i < rows.size() && size_t(i) < stored.size(); ++i) {
        if (rows[i] >= 0 && rows[i] < int(m_rows.size()))
            m_conflicts.insert(rows[i], stored[size_t(i)]);
    }
    refreshStyles();
}

const StoredMeasure *ValidationModel::conflictAt(int r) const
{
    const auto it = m_conflicts.constFind(r);
    return it == m_conflicts.cend() || !m_rows[size_t(r)].conflict ? nullptr : &it.value();
}

QList<int> ValidationModel::conflictRows() const
{
    QList<int> rows;
    for (auto it = m_conflicts.cbegin(); it != m_conflicts.cend(); ++it) {
        if (it.key() < int(m_rows.size()) && m_rows[size_t(it.key())].conflict)
            rows << it.key();
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString ValidationModel::conflictText(const MeasureRow &row, const StoredMeasure &stored,
                                      int column) const
{
    const QString mine = cellText(row, column);
    if (!stored.exists)
        return column == kDateColumn ? mine + QStringLiteral(" (supprimée)") : mine;
    if (column == kDateColumn && stored.validite != row.validite) {
        const QString state = stored.validite == QLatin1Char('V')   ? QStringLiteral("validée")
                              : stored.validite == QLatin1Char('C') ? QStringLiteral("contrôlée")
                                                                    : QStringLiteral("non validée");
        return mine + QStringLiteral("  (base : ") + state + QLatin1Char(')');
    }
    MeasureRow theirs = row;
    stored.applyTo(theirs);
    // Obtention is left out: the user's "M" only says the row was typed.
    const bool compared =
        (column >= kPluieColumn && column <= kValeur3Column) || column == kRuptureColumn;
    const QString stored_ = cellText(theirs, column);
    if (!compared || stored_ == mine)
        return mine;
    return (mine.isEmpty() ? QStringLiteral("–") : mine) + QStringLiteral("  (base : ") +
           (stored_.isEmpty() ? QStringLiteral("vide") : stored_) + QLatin1Char(')');
}

int ValidationModel::dirtyCount() const
{
    return m_dirtyCount;
}

void ValidationModel::setDirtyCount(int count)
{
    if (count == m_dirtyCount)
        return;
    m_dirtyCount = count;
    emit dirtyCountChanged(count);
}

void ValidationModel::setCellNotes(QHash<QString, CellNote> notes)
{
    m_notes = std::move(notes);
    if (!m_rows.empty())
        emit dataChanged(index(0, kPluieColumn), index(rowCount() - 1, kValeur3Column),
                         {Qt::BackgroundRole, Qt::ToolTipRole, kNoteLevelRole});
}

QString ValidationModel::cellNoteKey(const QDateTime &instant, int value)
{
    return instant.toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char('/') +
           QString::number(value);
}

const ValidationModel::CellNote *ValidationModel::cellNoteAt(int r, int column) const
{
    if (m_notes.isEmpty() || !isNumberColumn(column) || r < 0 || r >= int(m_rows.size()))
        return nullptr;
    const MeasureRow &at = m_rows[size_t(r)];
    if (!at.hasLoadedKey())
        return nullptr;
    const auto found = m_notes.constFind(cellNoteKey(at.loadedInstant(), column - kPluieColumn));
    return found == m_notes.cend() ? nullptr : &*found;
}

int ValidationModel::rowOfLoadedInstant(const QDateTime &instant) const
{
    // Rows are loaded in instant order; edits may have moved some, so fall back to a scan.
    const QDate day = instant.date();
    const QTime time = instant.time();
    const auto before = [](const MeasureRow &row, const std::pair<QDate, QTime> &key) {
        return row.loadedDate < key.first ||
               (row.loadedDate == key.first && row.loadedInstant().time() < key.second);
    };
    const auto first = std::lower_bound(m_rows.begin(), m_rows.end(), std::pair{day, time}, before);
    if (first != m_rows.end() && first->loadedDate == day && first->loadedInstant().time() == time)
        return int(first - m_rows.begin());
    for (size_t r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].hasLoadedKey() && m_rows[r].loadedDate == day &&
            m_rows[r].loadedInstant().time() == time)
            return int(r);
    }
    return -1;
}

} // namespace plx
