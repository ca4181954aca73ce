#pragma once

#include "run/widgets/administrationpage.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QTabWidget;

namespace plx {

class OptionsPage;

// The administration screen (menu Options), a child window of the main window: folders,
// data settings, export choices, journal and network, the shared database definitions
// and the FTP settings. One save writes every tab; nothing is written before every tab's
// typed values are known to be right.
class Administration : public QWidget
{
    Q_OBJECT

public:
    explicit Administration(QWidget *parent = nullptr);

    // The folder picker (a file dialog by default; tests give their own).
    void setFolderChooser(FolderChooser chooser);

    bool isModified() const;

    // Room for the database grid and the longest labels without scrolling the tabs.
    QSize sizeHint() const override;

    // Toolbar: save (4) and discard changes (3).
    Q_INVOKABLE bool declencheEnregistrer();
    Q_INVOKABLE void DeclenchePoubelle();

    // Reads every tab again from the stores.
    void reload();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void addPage(AdministrationPage *page, const QString &title, const QString &objectName);
    void updateState();
    QString chooseFolder(const QString &title, const QString &start);

    FolderChooser m_folderChooser;
    std::vector<AdministrationPage *> m_pages; // owned by the tab widget
    QTabWidget *m_tabs = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_save = nullptr;
    bool m_saving = false;
};

} // namespace plx
