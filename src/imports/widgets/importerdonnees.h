#pragma once

#include "imports/csvmapping.h"
#include "imports/importrun.h"
#include "imports/sourcehead.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTreeWidget;

namespace plx {

class ImportPreviewModel;

// "Importer des données": files chosen (or dropped), their format detected and shown, a
// preview of the rows as they will be written with the refused ones, the target station
// and the choice for instants already stored, then the import with progress and cancel,
// and its report (exportable in one click, printable with the screen).
class ImporterDonnees : public QWidget
{
    Q_OBJECT

public:
    explicit ImporterDonnees(QWidget *parent = nullptr);

    // Adds files as if chosen in the file dialog; false after a message when one cannot be
    // read (the others are kept).
    bool addFiles(const QStringList &paths);
    void clearFiles();
    const QList<ChosenFile> &files() const { return m_files; }

    // The format the import will use: detected, or chosen by the user.
    ImportFormat format() const;
    void setFormat(ImportFormat format);
    const CsvMapping &mapping() const { return m_mapping; }
    void setMapping(const CsvMapping &mapping);
    ImportOptions options() const;

    ImportPreviewModel *previewModel() const { return m_preview; }
    const ImportReport &lastPreview() const { return m_previewReport; }
    const ImportReport &lastReport() const { return m_report; }
    bool isRunning() const { return m_running; }

public slots:
    // Reads the files without writing (a dry run) and shows the preview and its counts;
    // false when nothing could be shown.
    bool Actualiser();
    // Writes the files; false when nothing was imported (refused, failed or cancelled).
    bool importer();
    // Stops the preview or import under way: the station being written is left untouched.
    void cancel();
    // The grid shown (preview or report) to a workbook in one click.
    void DeclencheExcel();
    void chooseFiles();
    void editMapping();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Run { Preview, Import };
    ImportReport run(Run kind);
    void fillStations();
    void fillMappings();
    void formatChanged(bool userChoice = false);
    void updateFormatControls();
    void existingChanged(int id);
    void showPreview();
    void filterPreview();
    void showReport();
    void setBusy(bool busy);
    QString targetStation(bool *ok) const;
    bool refreshPreviewLater();

    QTreeWidget *m_fileList = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_remove = nullptr;
    QComboBox *m_format = nullptr;
    QLabel *m_detected = nullptr;
    QComboBox *m_mappings = nullptr;
    QPushButton *m_mappingButton = nullptr;
    QLabel *m_convention = nullptr;
    QComboBox *m_station = nullptr;
    QCheckBox *m_createStations = nullptr;
    QButtonGroup *m_existing = nullptr; // owned (child)
    QTabWidget *m_tabs = nullptr;
    QTableView *m_previewTable = nullptr;
    ImportPreviewModel *m_preview = nullptr; // owned (child)
    QLabel *m_previewCounts = nullptr;
    QCheckBox *m_refusedOnly = nullptr;
    QLabel *m_reportSummary = nullptr;
    QTableView *m_reportTable = nullptr;
    QStandardItemModel *m_reportModel = nullptr; // owned (child)
    QTableView *m_stationTable = nullptr;
    QStandardItemModel *m_stationModel = nullptr; // owned (child)
    QLabel *m_status = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_previewButton = nullptr;
    QPushButton *m_import = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_export = nullptr;

    QList<ChosenFile> m_files;
    CsvMapping m_mapping;
    ImportReport m_previewReport;
    ImportReport m_report;
    ExistingValues m_existingChoice = ExistingValues::Unvalidated;
    bool m_running = false;
    bool m_cancelled = false;
    bool m_closeRequested = false;
    bool m_refreshQueued = false;
};

} // namespace plx
