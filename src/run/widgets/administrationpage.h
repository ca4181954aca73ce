#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace plx {

// Picks a folder: (dialog title, starting folder) -> the folder, empty when cancelled.
// Tests replace the file dialog with their own.
using FolderChooser = std::function<QString(const QString &title, const QString &start)>;

// One tab of the administration screen. The screen checks every tab before it saves any,
// so that a typing mistake on one tab does not leave the others half saved.
class AdministrationPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Reads the stored values into the fields; the tab is then unmodified.
    virtual void load() = 0;
    // False, after a message and with the focus on the field, when a typed value is wrong.
    virtual bool validate() = 0;
    // Writes what changed. False after a message; the tab then stays modified.
    virtual bool save() = 0;

    bool isModified() const { return m_modified; }

signals:
    void modifiedChanged(bool modified);

protected:
    void setModified(bool modified)
    {
        if (modified == m_modified)
            return;
        m_modified = modified;
        emit modifiedChanged(modified);
    }
    // For the signals of edits: any user change marks the tab, loading does not.
    void markModified()
    {
        if (!m_loading)
            setModified(true);
    }

    // Set while load() fills the fields.
    bool m_loading = false;

private:
    bool m_modified = false;
};

} // namespace plx
