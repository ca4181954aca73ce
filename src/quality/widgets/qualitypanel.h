#pragma once

#include "quality/qualitystore.h"

#include <QDate>
#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace plx {

class ValidationGrid;
class ValidationModel;

// The quality-control panel of the validation editor ("Contrôles"): the flags of the
// loaded window with their severity, filters by rule and severity, previous / next flag
// (buttons, F3 / Maj+F3 on the screen) selecting the flagged cell in the grid, and the
// decisions: "Accepter" keeps the value and records the flag as seen, "Corriger" opens the
// cell's editor (the grid's own checks and undo), "Seuils…" edits the station's thresholds.
// Flags still to look at are marked in the grid. Running the rules is the screen's job
// (progress and cancel are its); the panel asks for it with runRequested().
class QualityPanel : public QWidget
{
    Q_OBJECT

public:
    QualityPanel(ValidationModel *model, ValidationGrid *grid, QWidget *parent = nullptr);

    // The station and window shown; reads their flags from the store (clears when the
    // window is invalid). False with error when they cannot be read.
    bool setWindow(const QString &code, const QDate &from, const QDate &to,
                   QString *error = nullptr);
    bool reload(QString *error = nullptr);
    const std::vector<StoredFlag> &flags() const { return m_flags; }
    // The flags the filters show, in list order (indexes into flags()).
    const QList<int> &shownFlags() const { return m_shown; }
    // The flag of the list's current line; -1 when none.
    int currentFlag() const;
    // Whether the record loaded at that instant holds an open flag on that value (on any
    // value when value is -1).
    bool hasOpenFlag(const QDateTime &instant, int value = -1) const;
    // After a save that wrote the records at these instants: their open flags whose value
    // changed were corrected; records that decision. Returns how many (-1 on failure).
    int recordCorrections(const QList<QDateTime> &written, QString *error = nullptr);
    // Open flags of at least minSeverity in (after, until] that the grid's unsaved edits
    // correct (their value changed): a validation saved with them need not count them.
    int correctedByEdits(const std::optional<QDateTime> &after, const QDateTime &until,
                         QualitySeverity minSeverity) const;
    // While the screen loads, saves or runs the rules, nothing may be decided.
    void setIdle(bool idle);
    void setStatus(const QString &text);

public slots:
    void nextFlag();
    void previousFlag();
    void acceptSelected();
    void correctCurrent();
    // The station's thresholds ("Seuils…"); the next run applies them.
    void editThresholds();
    // Puts the grid's cursor on the flag's cell.
    void showFlag(int flag);

signals:
    void runRequested();

private:
    void fillList();
    void updateMarks();
    void updateButtons();
    void showDetail();
    QList<int> selectedFlags() const;
    void step(int direction);

    ValidationModel *m_model; // not owned
    ValidationGrid *m_grid;   // not owned
    QString m_code;
    QDate m_from, m_to;
    std::vector<StoredFlag> m_flags;
    QList<int> m_shown; // one per list line
    bool m_idle = true;

    QPushButton *m_run = nullptr;
    QPushButton *m_thresholds = nullptr;
    QComboBox *m_rule = nullptr;
    QComboBox *m_severity = nullptr;
    QCheckBox *m_decided = nullptr;
    QTableWidget *m_list = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_accept = nullptr;
    QPushButton *m_correct = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_detail = nullptr;
};

} // namespace plx
