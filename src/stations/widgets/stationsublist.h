#pragma once

#include <QString>
#include <QWidget>

#include <vector>

namespace plx {

// One editable grid of a station's satellite rows on the record (interveners, networks,
// measurement modes, localisations, normals, documents, photos, installation,
// interventions). A grid is saved by deleting the station's rows of its table and
// inserting the grid's rows again, in one transaction.
class StationSubList : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The tab title on the record.
    virtual QString title() const = 0;
    // Loads the rows of that station; "" for a station never saved (an empty grid that
    // refuses changes with a message).
    virtual void setStationCode(const QString &code) = 0;
    // Adds a row; false after a message (no station yet, not editable).
    virtual bool declencheInserer() = 0;
    // Writes the grid if it changed; false after a message (a bad row, a failed write:
    // the table is then as before).
    virtual bool save() = 0;
    virtual bool isDirty() const = 0;
    virtual void setEditable(bool editable) = 0;

signals:
    void dirtyChanged(bool dirty);
};

// Every sub-list of the record, in tab order, parented to parent.
std::vector<StationSubList *> createStationSubLists(QWidget *parent);

} // namespace plx
