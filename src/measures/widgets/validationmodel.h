#pragma once

#include "measures/measurerow.h"
#include "measures/storedmeasure.h"

#include <QHash>

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

class QUndoStack;

namespace plx {

// The rows of the validation grid (SprDonnees): the loaded window of one station, held
// as compact rows. Columns are ValidationColumn; the vertical header is the mark column
// ("X" or " "). Editing goes through applyCellText (messages through showMessage) and is
// recorded on the undo stack until the next load or save. Validated rows are read-only
// and drawn in the validated style, red rows in red.
class ValidationModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ValidationModel(QObject *parent = nullptr);

    // Replaces every row in one reset (a load); clears the undo history.
    void setRows(std::vector<MeasureRow> rows, int lastValidatedRow);
    std::vector<MeasureRow> &rows() { return m_rows; }
    const std::vector<MeasureRow> &rows() const { return m_rows; }
    const QStringList &parameterLabels() const { return m_parameterLabels; }
    const MeasureRow &row(int r) const { return m_rows[size_t(r)]; }
    // Headers of columns 6 to 8: the labels of the free parameters.
    void setParameterLabels(const QStringList &labels);
    // A user without the right to change data may look but not edit, mark or insert.
    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // The mark ("X") on row r, unique; a second call on the same row clears it. Refused on
    // a validated row. -1 when no row carries it.
    void toggleMark(int r);
    int markRow() const { return m_markRow; }
    int lastValidatedRow() const { return m_lastValidatedRow; }
    void toggleRupture(int r);
    // Appends an empty row and returns its index.
    int insertRow();
    // Pastes a block of text cells at (row, column): each cell passes the same checks as a
    // typed one; rows are appended when the block runs past the end. One undo step.
    // Returns the messages of the checks (not shown).
    QStringList pasteBlock(int row, int column, const QList<QStringList> &cells);
    // Removes rows (ascending indexes) after their records were deleted.
    void removeRowsAt(const QList<int> &rows);
    // After a save: rows now stored are clean; styles follow Validite.
    void refreshAll();
    // After a failed save: the rows' flags may have changed, the edits and their history
    // stay.
    void refreshStyles();

    // Rows a save refused because another user changed their record: drawn in their own
    // style with the stored value beside the user's, until reloaded or saved.
    void setConflicts(const QList<int> &rows, const std::vector<StoredMeasure> &stored);
    const StoredMeasure *conflictAt(int r) const;
    int conflictCount() const { return int(m_conflicts.size()); }
    QList<int> conflictRows() const;

    int dirtyCount() const;
    QUndoStack *undoStack() const { return m_undo; }

    // Notes on stored values (the quality flags still to look at): the cell of value
    // `value` (0..5) of the record loaded at `instant` is drawn with a background of its
    // level (1 low .. 3 high) and shows the text as its tooltip. Replaces every note.
    static constexpr int kNoteLevelRole = Qt::UserRole + 1; // the note's level, 0 when none
    struct CellNote
    {
        int level = 0;
        QString text;
    };
    void setCellNotes(QHash<QString, CellNote> notes);
    static QString cellNoteKey(const QDateTime &instant, int value);
    const CellNote *cellNoteAt(int row, int column) const;
    // The row holding the record loaded at that instant; -1 when none.
    int rowOfLoadedInstant(const QDateTime &instant) const;

signals:
    void dirtyCountChanged(int count);

private:
    friend class RowsEdit;
    void replaceRows(int first, const std::vector<MeasureRow> &rows, int rowCount);
    void setMark(int row);
    void pushRows(int first, std::vector<MeasureRow> after, const QString &text);
    void setDirtyCount(int count);

    QString conflictText(const MeasureRow &row, const StoredMeasure &stored, int column) const;

    std::vector<MeasureRow> m_rows;
    QHash<int, StoredMeasure> m_conflicts; // by row
    QHash<QString, CellNote> m_notes;      // by cellNoteKey
    QStringList m_parameterLabels;
    int m_markRow = -1;
    int m_lastValidatedRow = -1;
    int m_dirtyCount = 0;
    bool m_editable = true;
    QUndoStack *m_undo; // owned (child)
};

} // namespace plx
