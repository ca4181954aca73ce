#pragma once

#include "stations/sublists.h"
#include "stations/widgets/stationsublist.h"

#include <functional>

class QLabel;

namespace plx {

// What the tabs share: the station, its rows as loaded, the choices of the code columns,
// the dirty flag, the edit right and the save routine. A tab shows the rows (showRows),
// writes its edits into rows() and calls markDirty().
class SubListWidget : public StationSubList
{
    Q_OBJECT

public:
    SubListWidget(SubListTab tab, QWidget *parent);

    QString title() const override;
    void setStationCode(const QString &code) override;
    bool declencheInserer() override;
    bool save() override;
    bool isDirty() const override { return m_dirty; }
    void setEditable(bool editable) override;

    QString stationCode() const { return m_code; }
    const SubListRows &rows() const { return m_rows; }
    // Reads the station's rows again, dropping the changes.
    void reload();

    // The dialog that picks a file (tests replace it); returns "" when cancelled.
    using FileChooser = std::function<QString(QWidget *parent, const QString &caption)>;
    static FileChooser setFileChooser(FileChooser chooser);

protected:
    const SubListDescription &description() const { return m_description; }
    SubListRows &rows() { return m_rows; }
    const SubListChoices &choices() const { return m_choices; }
    // A station exists, the rows were read and the user may change them.
    bool canEdit() const;
    void markDirty();
    QString chooseFile(const QString &caption);
    // The line under the tab's fields: what the tab shows, or why it cannot be edited.
    QLabel *statusLabel() const { return m_status; }

    // The rows were (re)loaded: show them.
    virtual void showRows() = 0;
    // Editing became possible or impossible.
    virtual void updateEditable() = 0;
    // Adds a grid row; only called when canEdit(). Forms have nothing to add.
    virtual bool addRow();

private:
    void updateStatus();

    const SubListDescription &m_description;
    SubListRows m_rows;
    SubListChoices m_choices;
    QString m_code;
    QString m_loadError;
    bool m_loaded = false;
    bool m_dirty = false;
    bool m_editable = false;
    QLabel *m_status = nullptr; // owned (Qt parent)
};

} // namespace plx
