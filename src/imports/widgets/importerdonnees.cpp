#include "imports/widgets/importerdonnees.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/readonlytable.h"
#include "db/accesbase.h"
#include "imports/widgets/csvmappingdialog.h"
#include "imports/widgets/importpreviewmodel.h"
#include "measures/parameterlabels.h"
#include "outputs/widgets/gridexport.h"
#include "session/session.h"
#include "stations/stationlist.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCollator>
#include <QColor>
#include <QComboBox>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <map>

namespace plx {

namespace {

constexpr ImportFormat kFormats[] = {ImportFormat::MeteoFranceQ, ImportFormat::MeteoFranceH,
                                     ImportFormat::Radome,       ImportFormat::Knmi,
                                     ImportFormat::Ghcn,         ImportFormat::Ecad,
                                     ImportFormat::Csv};

const QString kNoRight = QStringLiteral("Vous ne disposez pas des droits nécessaires pour "
                                        "modifier les données.");

QString noStationText()
{
    return QStringLiteral("Ce fichier ne donne pas de numéro de station : choisissez la "
                          "station cible.");
}

QString countsText(const ImportReport &report)
{
    return QStringLiteral("lignes lues %1, écrites %2, conservées %3, refusées %4")
        .arg(report.read)
        .arg(report.written)
        .arg(report.kept)
        .arg(report.refused);
}

QStandardItem *readOnlyItem(const QString &text, const QVariant &value = {})
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    item->setData(value.isValid() ? value : QVariant(text), Qt::UserRole);
    return item;
}

// The summary's station lines: how many, how many created, and those that failed.
QString stationSummary(const ImportReport &report,
                       const std::function<QString(const QString &, const QString &)> &nameOf)
{
    QString text;
    if (!report.stations.isEmpty()) {
        int created = 0;
        QStringList failures;
        for (const StationImport &station : report.stations) {
            created += station.created ? 1 : 0;
            if (!station.error.isEmpty())
                failures << QStringLiteral("%1 : %2").arg(nameOf(station.code, station.number),
                                                          station.error);
        }
        text += QStringLiteral("\nStations : %1, dont %2 créée(s)")
                    .arg(report.stations.size())
                    .arg(created);
        if (!failures.isEmpty())
            text += QStringLiteral("\nStations en échec, rien n'y a été écrit (%1 lignes) :\n")
                        .arg(report.failed) +
                    failures.join(QLatin1Char('\n'));
    }
    if (report.refusedLinesCut)
        text += QStringLiteral("\nSeules les %1 premières lignes refusées sont listées.")
                    .arg(report.refusedLines.size());
    return text;
}

// The per-station results of a report, one table row each.
void fillStationRows(QStandardItemModel *model, const ImportReport &report,
                     const std::function<QString(const QString &, const QString &)> &nameOf)
{
    model->removeRows(0, model->rowCount());
    for (const StationImport &station : report.stations) {
        QList<QStandardItem *> items{
            readOnlyItem(nameOf(station.code, station.number), station.code),
            readOnlyItem(station.number),
            readOnlyItem(station.created ? QStringLiteral("oui") : QString()),
            readOnlyItem(QString::number(station.written), station.written),
            readOnlyItem(QString::number(station.kept), station.kept),
            readOnlyItem(station.error)};
        items[3]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        items[4]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (!station.error.isEmpty()) {
            for (QStandardItem *item : items)
                item->setForeground(QColor(0xA0, 0x20, 0x20));
        }
        model->appendRow(items);
    }
}

// While a run holds the connection (an import inside its station's transaction), the
// clicks and keys meant for other screens, menus and shortcuts are dropped: a statement of
// another screen would otherwise run inside that transaction. The screen itself keeps its
// input, so that "Arrêter" works, and everything still repaints.
class OtherInputBlocker : public QObject
{
public:
    explicit OtherInputBlocker(QWidget *screen) : m_screen(screen)
    {
        qApp->installEventFilter(this);
    }
    ~OtherInputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Drop:
            break;
        default:
            return false;
        }
        if (!m_screen)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        const bool ours = widget && (widget == m_screen || m_screen->isAncestorOf(widget));
        // Message boxes asked during the run (none today) must stay usable.
        const bool dialog =
            widget && widget->window() != m_screen->window() && widget->window()->isModal();
        return !ours && !dialog;
    }

private:
    QPointer<QWidget> m_screen;
};

} // namespace

ImporterDonnees::ImporterDonnees(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ImporterDonnees"));
    setWindowTitle(QStringLiteral("Importer des données"));
    setAcceptDrops(true);

    // Files.
    m_fileList = new QTreeWidget(this);
    m_fileList->setObjectName(QStringLiteral("LstFichiers"));
    m_fileList->setHeaderLabels(
        {QStringLiteral("Fichier"), QStringLiteral("Format détecté"), QStringLiteral("Dossier")});
    m_fileList->setRootIsDecorated(false);
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileList->setToolTip(QStringLiteral("Déposez ici des fichiers (.csv, .txt, .dly, .gz, "
                                          ".zip) ou choisissez-les avec « Ajouter »"));
    m_fileList->setColumnWidth(0, 330);
    m_fileList->setColumnWidth(1, 260);
    m_fileList->setMinimumHeight(70);
    m_fileList->setMaximumHeight(96);
    auto *removeKey = new QShortcut(QKeySequence::Delete, m_fileList);
    removeKey->setContext(Qt::WidgetShortcut);
    m_add = new QPushButton(QStringLiteral("A&jouter des fichiers…"), this);
    m_add->setObjectName(QStringLiteral("CmdAjouter"));
    connect(m_add, &QPushButton::clicked, this, &ImporterDonnees::chooseFiles);
    m_remove = new QPushButton(QStringLiteral("Re&tirer"), this);
    m_remove->setObjectName(QStringLiteral("CmdRetirer"));
    const auto removeSelected = [this] {
        if (m_running)
            return;
        QList<int> rows;
        for (QTreeWidgetItem *item : m_fileList->selectedItems())
            rows << item->data(0, Qt::UserRole).toInt();
        std::sort(rows.begin(), rows.end(), std::greater<>());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        QList<ChosenFile> kept = m_files;
        for (const int row : rows)
            kept.removeAt(row);
        clearFiles();
        m_files = kept;
        formatChanged();
    };
    connect(m_remove, &QPushButton::clicked, this, removeSelected);
    connect(removeKey, &QShortcut::activated, this, removeSelected);

    // Format and its mapping.
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("CboFormat"));
    for (const ImportFormat format : kFormats)
        m_format->addItem(importFormatCaption(format), int(format));
    m_format->setCurrentIndex(m_format->findData(int(ImportFormat::Csv)));
    connect(m_format, &QComboBox::activated, this, [this] { formatChanged(true); });
    m_detected = new QLabel(this);
    m_detected->setObjectName(QStringLiteral("LblFormatDetecte"));
    m_mappings = new QComboBox(this);
    m_mappings->setObjectName(QStringLiteral("CboCorrespondance"));
    m_mappings->setMinimumContentsLength(18);
    connect(m_mappings, &QComboBox::activated, this, [this](int index) {
        CsvMapping loaded;
        if (index > 0 && loadCsvMapping(m_mappings->itemText(index), loaded)) {
            setMapping(loaded);
            refreshPreviewLater();
        }
    });
    m_mappingButton = new QPushButton(QStringLiteral("Co&lonnes…"), this);
    m_mappingButton->setObjectName(QStringLiteral("CmdCorrespondance"));
    m_mappingButton->setToolTip(QStringLiteral("Décrire les colonnes du fichier : date, heure, "
                                               "valeurs, validité"));
    connect(m_mappingButton, &QPushButton::clicked, this, &ImporterDonnees::editMapping);
    m_convention = new QLabel(this);
    m_convention->setObjectName(QStringLiteral("LblConvention"));
    m_convention->setWordWrap(true);

    // Target.
    m_station = new QComboBox(this);
    m_station->setObjectName(QStringLiteral("CboStation"));
    m_station->setEditable(true);
    m_station->setInsertPolicy(QComboBox::NoInsert);
    m_station->setMinimumContentsLength(34);
    m_createStations = new QCheckBox(QStringLiteral("Créer les stations du fic&hier absentes du "
                                                    "registre (identifiant = numéro national)"),
                                     this);
    m_createStations->setObjectName(QStringLiteral("ChkCreerStations"));
    connect(m_station, &QComboBox::currentIndexChanged, this, [this] {
        m_createStations->setEnabled(m_station->currentIndex() == 0 &&
                                     session().hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")));
        refreshPreviewLater();
    });
    connect(m_createStations, &QCheckBox::toggled, this, [this] { refreshPreviewLater(); });

    auto *keep = new QRadioButton(QStringLiteral("&Conserver les valeurs enregistrées"), this);
    keep->setObjectName(QStringLiteral("OptConserver"));
    auto *unvalidated = new QRadioButton(
        QStringLiteral("Remplacer les valeurs non vali&dées (les valeurs validées sont "
                       "conservées)"),
        this);
    unvalidated->setObjectName(QStringLiteral("OptNonValidees"));
    auto *replace = new QRadioButton(
        QStringLiteral("Remplacer toutes les &valeurs, y compris les valeurs validées"), this);
    replace->setObjectName(QStringLiteral("OptRemplacer"));
    m_existing = new QButtonGroup(this);
    m_existing->addButton(keep, int(ExistingValues::Keep));
    m_existing->addButton(unvalidated, int(ExistingValues::Unvalidated));
    m_existing->addButton(replace, int(ExistingValues::Replace));
    unvalidated->setChecked(true);
    connect(m_existing, &QButtonGroup::idClicked, this, &ImporterDonnees::existingChanged);

    // Preview and report.
    m_preview = new ImportPreviewModel(this);
    QStringList headings{QStringLiteral("Pluie"), QStringLiteral("Pl Efficace"),
                         QStringLiteral("Etp")};
    if (AccesBase::instance().isConnected()) {
        for (int id = 1; id <= 3; ++id) {
            const QString label = parameterLabel(AccesBase::instance(), id);
            headings << (label.isEmpty() ? QStringLiteral("Valeur%1").arg(id) : label);
        }
        m_preview->setValueHeadings(headings);
    }
    m_previewTable = new QTableView(this);
    m_previewTable->setObjectName(QStringLiteral("SprApercu"));
    m_previewTable->setModel(m_preview);
    setUpReadOnlyTable(m_previewTable);
    const QFontMetrics metrics = m_previewTable->fontMetrics();
    m_previewTable->setColumnWidth(ImportPreviewModel::ColFichier, 210);
    m_previewTable->setColumnWidth(ImportPreviewModel::ColLigne,
                                   metrics.horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_previewTable->setColumnWidth(ImportPreviewModel::ColStation, 200);
    m_previewTable->setColumnWidth(ImportPreviewModel::ColDate,
                                   metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + 16);
    m_previewTable->setColumnWidth(ImportPreviewModel::ColHeure,
                                   metrics.horizontalAdvance(QStringLiteral("Heure")) + 20);
    for (int i = 0; i < 6; ++i)
        m_previewTable->setColumnWidth(ImportPreviewModel::ColPremiereValeur + i, 80);
    m_previewTable->setColumnWidth(ImportPreviewModel::ColValidite,
                                   metrics.horizontalAdvance(QStringLiteral("douteuse")) + 20);
    m_previewCounts = new QLabel(this);
    m_previewCounts->setObjectName(QStringLiteral("LblApercu"));
    m_previewCounts->setWordWrap(true);
    m_refusedOnly = new QCheckBox(QStringLiteral("Seulement les lignes ref&usées"), this);
    m_refusedOnly->setObjectName(QStringLiteral("ChkRefusees"));
    connect(m_refusedOnly, &QCheckBox::toggled, this, &ImporterDonnees::filterPreview);

    m_reportModel = new QStandardItemModel(0, 3, this);
    m_reportModel->setHorizontalHeaderLabels(
        {QStringLiteral("Fichier"), QStringLiteral("Ligne"), QStringLiteral("Motif du refus")});
    m_reportTable = new QTableView(this);
    m_reportTable->setObjectName(QStringLiteral("SprCompteRendu"));
    m_reportTable->setModel(m_reportModel);
    setUpReadOnlyTable(m_reportTable);
    m_reportTable->setColumnWidth(0, 220);
    m_reportTable->setColumnWidth(1, 80);
    m_stationModel = new QStandardItemModel(0, 6, this);
    m_stationModel->setHorizontalHeaderLabels(
        {QStringLiteral("Station"), QStringLiteral("N° du fichier"), QStringLiteral("Créée"),
         QStringLiteral("Écrites"), QStringLiteral("Conservées"), QStringLiteral("Échec")});
    m_stationTable = new QTableView(this);
    m_stationTable->setObjectName(QStringLiteral("SprStations"));
    m_stationTable->setModel(m_stationModel);
    setUpReadOnlyTable(m_stationTable);
    m_stationTable->setColumnWidth(0, 220);
    m_stationTable->setColumnWidth(1, 100);
    m_stationTable->setColumnWidth(2, 55);
    m_stationTable->setColumnWidth(3, 70);
    m_stationTable->setColumnWidth(4, 90);
    m_reportSummary = new QLabel(this);
    m_reportSummary->setObjectName(QStringLiteral("LblCompteRendu"));
    m_reportSummary->setWordWrap(true);
    m_reportSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabResultats"));
    auto *previewPage = new QWidget(m_tabs);
    auto *previewLayout = new QVBoxLayout(previewPage);
    auto *countsRow = new QHBoxLayout;
    countsRow->addWidget(m_previewCounts, 1);
    countsRow->addWidget(m_refusedOnly);
    previewLayout->addLayout(countsRow);
    previewLayout->addWidget(m_previewTable, 1);
    m_tabs->addTab(previewPage, QStringLiteral("Aperçu"));
    auto *reportPage = new QWidget(m_tabs);
    auto *reportLayout = new QVBoxLayout(reportPage);
    reportLayout->addWidget(m_reportSummary);
    auto *reportTables = new QSplitter(Qt::Horizontal, reportPage);
    reportTables->addWidget(m_stationTable);
    reportTables->addWidget(m_reportTable);
    reportTables->setStretchFactor(0, 1);
    reportTables->setStretchFactor(1, 1);
    reportLayout->addWidget(reportTables, 1);
    m_tabs->addTab(reportPage, QStringLiteral("Compte rendu"));
    m_tabs->setTabEnabled(1, false);

    // Actions.
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblEtat"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progression"));
    m_progress->setVisible(false);
    m_progress->setMaximumWidth(260);
    m_previewButton = new QPushButton(QStringLiteral("A&perçu"), this);
    m_previewButton->setObjectName(QStringLiteral("CmdApercu"));
    connect(m_previewButton, &QPushButton::clicked, this, &ImporterDonnees::Actualiser);
    m_import = new QPushButton(QStringLiteral("&Importer"), this);
    m_import->setObjectName(QStringLiteral("CmdImporter"));
    m_import->setDefault(true);
    connect(m_import, &QPushButton::clicked, this, &ImporterDonnees::importer);
    m_cancel = new QPushButton(QStringLiteral("Arrêt&er"), this);
    m_cancel->setObjectName(QStringLiteral("CmdArreter"));
    m_cancel->setEnabled(false);
    connect(m_cancel, &QPushButton::clicked, this, &ImporterDonnees::cancel);
    m_export = new QPushButton(QStringLiteral("E&xporter"), this);
    m_export->setObjectName(QStringLiteral("CmdExporter"));
    connect(m_export, &QPushButton::clicked, this, &ImporterDonnees::DeclencheExcel);

    // Layout: files on top, then the reading and writing choices side by side, the results
    // taking the remaining height.
    auto *filesBox = new QGroupBox(QStringLiteral("Fichiers"), this);
    auto *filesButtons = new QVBoxLayout;
    filesButtons->addWidget(m_add);
    filesButtons->addWidget(m_remove);
    filesButtons->addStretch(1);
    auto *filesLayout = new QHBoxLayout(filesBox);
    filesLayout->addWidget(m_fileList, 1);
    filesLayout->addLayout(filesButtons);

    auto *readBox = new QGroupBox(QStringLiteral("Lecture"), this);
    auto *readLayout = new QGridLayout(readBox);
    auto *formatLabel = new QLabel(QStringLiteral("For&mat"), readBox);
    formatLabel->setBuddy(m_format);
    readLayout->addWidget(formatLabel, 0, 0);
    readLayout->addWidget(m_format, 0, 1);
    readLayout->addWidget(m_detected, 1, 1);
    auto *mappingLabel = new QLabel(QStringLiteral("Correspondance"), readBox);
    mappingLabel->setBuddy(m_mappings);
    auto *mappingRow = new QHBoxLayout;
    mappingRow->addWidget(m_mappings, 1);
    mappingRow->addWidget(m_mappingButton);
    readLayout->addWidget(mappingLabel, 2, 0);
    readLayout->addLayout(mappingRow, 2, 1);
    readLayout->addWidget(new QLabel(QStringLiteral("Convention horaire"), readBox), 3, 0,
                          Qt::AlignTop);
    readLayout->addWidget(m_convention, 3, 1);
    readLayout->setColumnStretch(1, 1);

    auto *writeBox = new QGroupBox(QStringLiteral("Écriture"), this);
    auto *writeLayout = new QGridLayout(writeBox);
    auto *stationLabel = new QLabel(QStringLiteral("&Station cible"), writeBox);
    stationLabel->setBuddy(m_station);
    writeLayout->addWidget(stationLabel, 0, 0);
    writeLayout->addWidget(m_station, 0, 1);
    writeLayout->addWidget(m_createStations, 1, 1);
    writeLayout->addWidget(new QLabel(QStringLiteral("Instants déjà enregistrés"), writeBox), 2, 0,
                           Qt::AlignTop);
    auto *existingLayout = new QVBoxLayout;
    existingLayout->addWidget(unvalidated);
    existingLayout->addWidget(keep);
    existingLayout->addWidget(replace);
    writeLayout->addLayout(existingLayout, 2, 1);
    writeLayout->setColumnStretch(1, 1);

    auto *choices = new QHBoxLayout;
    choices->addWidget(readBox, 1);
    choices->addWidget(writeBox, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_previewButton);
    bottom->addWidget(m_import);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(filesBox);
    layout->addLayout(choices);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);

    fillStations();
    fillMappings();
    updateFormatControls();
    m_status->setText(QStringLiteral("Choisissez ou déposez les fichiers à importer."));
    resize(1300, 700);
}

void ImporterDonnees::fillStations()
{
    m_station->clear();
    m_station->addItem(QStringLiteral("Stations du fichier (par numéro national)"), QString());
    if (AccesBase::instance().isConnected()) {
        const StationListResult list = loadStationList();
        // One entry per station, sorted by name as a French reader expects.
        std::map<qint64, const StationListRow *> byCode;
        for (const StationListRow &row : list.rows)
            byCode.emplace(row.code, &row);
        std::vector<const StationListRow *> stations;
        for (const auto &[code, row] : byCode)
            stations.push_back(row);
        QCollator collator{QLocale(QLocale::French, QLocale::France)};
        std::stable_sort(stations.begin(), stations.end(),
                         [&](auto *a, auto *b) { return collator.compare(a->nom, b->nom) < 0; });
        QHash<QString, QString> names;
        for (const StationListRow *row : stations)
            names.insert(QString::number(row->code), row->nom);
        m_preview->setStationNames(names);
        for (const StationListRow *row : stations) {
            QString text = QStringLiteral("%1 – %2").arg(row->code).arg(row->nom);
            if (!row->identifiant.isEmpty())
                text += QStringLiteral(" (%1)").arg(row->identifiant);
            m_station->addItem(text, QString::number(row->code));
        }
    }
    // Typing part of a code, name or identifier finds the station.
    auto *completer = new QCompleter(m_station->model(), m_station);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    m_station->setCompleter(completer);
    m_station->setCurrentIndex(0);
    m_createStations->setEnabled(session().hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")));
}

void ImporterDonnees::fillMappings()
{
    m_mappings->clear();
    m_mappings->addItem(QStringLiteral("(non enregistrée)"));
    if (AccesBase::instance().isConnected())
        m_mappings->addItems(savedCsvMappings());
    const int index = m_mapping.name.isEmpty() ? 0 : m_mappings->findText(m_mapping.name);
    m_mappings->setCurrentIndex(std::max(index, 0));
}

bool ImporterDonnees::addFiles(const QStringList &paths)
{
    if (m_running)
        return false;
    QStringList errors;
    for (const QString &path : paths) {
        const QString clean = QFileInfo(path).absoluteFilePath();
        const bool already = std::any_of(m_files.begin(), m_files.end(),
                                         [&](const ChosenFile &f) { return f.path == clean; });
        if (already)
            continue;
        ChosenFile file;
        QString error;
        if (!inspectChosenFile(clean, file, &error)) {
            errors << error;
            continue;
        }
        m_files << file;
    }
    formatChanged();
    if (!errors.isEmpty()) {
        showMessage(MessageKind::Erreur, errors.join(QLatin1Char('\n')));
        return false;
    }
    return true;
}

void ImporterDonnees::clearFiles()
{
    m_files.clear();
    m_fileList->clear();
}

void ImporterDonnees::chooseFiles()
{
    if (m_running)
        return;
    const QString folder =
        m_files.isEmpty() ? QString() : QFileInfo(m_files.last().path).absolutePath();
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Choisir les fichiers à importer"), folder,
        QStringLiteral("Fichiers de données (*.csv *.txt *.tsv *.dly *.gz *.zip);;"
                       "Tous les fichiers (*)"));
    if (!paths.isEmpty())
        addFiles(paths);
}

ImportFormat ImporterDonnees::format() const
{
    return ImportFormat(m_format->currentData().toInt());
}

void ImporterDonnees::setFormat(ImportFormat format)
{
    m_format->setCurrentIndex(m_format->findData(int(format)));
    updateFormatControls();
    refreshPreviewLater();
}

void ImporterDonnees::setMapping(const CsvMapping &mapping)
{
    m_mapping = mapping;
    fillMappings();
    updateFormatControls();
}

// After the file set changed or the user picked a format: shows each file's detected
// format, takes the common one unless the user chose another, and refreshes the preview.
void ImporterDonnees::formatChanged(bool userChoice)
{
    m_fileList->clear();
    for (int i = 0; i < m_files.size(); ++i) {
        const ChosenFile &file = m_files[i];
        for (int s = 0; s < file.sources.size(); ++s) {
            const std::optional<ImportFormat> detected = file.formats.value(s);
            auto *item = new QTreeWidgetItem(m_fileList, {file.sources[s].name,
                                                          detected ? importFormatCaption(*detected)
                                                                   : QStringLiteral("non reconnu"),
                                                          QFileInfo(file.path).absolutePath()});
            item->setData(0, Qt::UserRole, i);
            item->setToolTip(0, file.path);
        }
    }
    bool mixed = false;
    const std::optional<ImportFormat> common = commonFormat(m_files, &mixed);
    QString detectedText;
    QString style;
    if (m_files.isEmpty()) {
        detectedText.clear();
    } else if (mixed) {
        detectedText = QStringLiteral("Les fichiers sont de formats différents : importez-les "
                                      "séparément.");
        style = QStringLiteral("color: #a02020;");
    } else if (common) {
        detectedText = QStringLiteral("Format détecté : %1").arg(importFormatCaption(*common));
        if (!userChoice)
            m_format->setCurrentIndex(m_format->findData(int(*common)));
    } else {
        detectedText = QStringLiteral("Format non reconnu : décrivez les colonnes du fichier.");
        if (!userChoice)
            m_format->setCurrentIndex(m_format->findData(int(ImportFormat::Csv)));
    }
    if (userChoice && common && format() != *common)
        detectedText += QStringLiteral(" (remplacé par votre choix)");
    m_detected->setText(detectedText);
    m_detected->setStyleSheet(style);
    if (format() == ImportFormat::Csv && !m_mapping.isComplete() && !m_files.isEmpty()) {
        const CsvMapping guessed = CsvMapping::guess(mappingLines(m_files.first().firstHead, 30));
        m_mapping = guessed;
    }
    updateFormatControls();
    m_preview->setLines({});
    m_previewReport = ImportReport{};
    m_previewCounts->clear();
    if (!m_files.isEmpty())
        refreshPreviewLater();
    else
        m_status->setText(QStringLiteral("Choisissez ou déposez les fichiers à importer."));
}

void ImporterDonnees::updateFormatControls()
{
    const bool csv = format() == ImportFormat::Csv;
    m_mappings->setEnabled(csv && !m_running);
    m_mappingButton->setEnabled(csv && !m_running && !m_files.isEmpty());
    const std::unique_ptr<ImportReader> reader = createImportReader(format(), &m_mapping);
    m_convention->setText(reader ? reader->timeConvention() : QString());
    if (csv && !m_files.isEmpty() && !m_mapping.isComplete())
        m_convention->setText(QStringLiteral("Décrivez les colonnes (bouton « Colonnes… ») : "
                                             "la date n'a pas été reconnue."));
}

void ImporterDonnees::editMapping()
{
    if (m_running || m_files.isEmpty())
        return;
    CsvMapping edited = m_mapping;
    if (!editCsvMapping(this, mappingLines(m_files.first().firstHead, 30), edited))
        return;
    setMapping(edited);
    refreshPreviewLater();
}

void ImporterDonnees::existingChanged(int id)
{
    const auto choice = ExistingValues(id);
    if (choice == ExistingValues::Replace && m_existingChoice != ExistingValues::Replace &&
        !askQuestionDefaultNo(QStringLiteral("Les valeurs validées déjà enregistrées aux mêmes "
                                             "instants seront remplacées par celles du fichier "
                                             "et perdront leur validation.\nConfirmez-vous ce "
                                             "choix ?"))) {
        m_existing->button(int(m_existingChoice))->setChecked(true);
        return;
    }
    m_existingChoice = choice;
    refreshPreviewLater();
}

QString ImporterDonnees::targetStation(bool *ok) const
{
    *ok = true;
    const QString text = m_station->currentText().trimmed();
    if (text.isEmpty())
        return {};
    int index = m_station->findText(text, Qt::MatchFixedString);
    if (index < 0) {
        // A bare code typed in the box.
        for (int i = 1; i < m_station->count(); ++i) {
            if (m_station->itemData(i).toString() == text)
                index = i;
        }
    }
    if (index < 0) {
        *ok = false;
        return {};
    }
    return m_station->itemData(index).toString();
}

ImportOptions ImporterDonnees::options() const
{
    ImportOptions options;
    bool ok = false;
    options.station = targetStation(&ok);
    options.createStations =
        options.station.isEmpty() && m_createStations->isEnabled() && m_createStations->isChecked();
    options.existing = m_existingChoice;
    return options;
}

bool ImporterDonnees::refreshPreviewLater()
{
    if (m_refreshQueued || m_running || m_files.isEmpty())
        return false;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        Actualiser();
    });
    return true;
}

void ImporterDonnees::setBusy(bool busy)
{
    m_running = busy;
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_fileList, m_add, m_remove, m_format, m_station,
                                          m_createStations, m_previewButton, m_import, m_export})
        w->setEnabled(!busy);
    for (QAbstractButton *b : m_existing->buttons())
        b->setEnabled(!busy);
    if (!busy)
        m_createStations->setEnabled(m_station->currentIndex() == 0 &&
                                     session().hasRight(QStringLiteral("PLUVIO_FICHE_MODIF")));
    updateFormatControls();
    m_cancel->setEnabled(busy);
    m_progress->setVisible(busy);
    setAcceptDrops(!busy);
}

ImportReport ImporterDonnees::run(Run kind)
{
    ImportReport none;
    const bool preview = kind == Run::Preview;
    if (m_running)
        return none;
    if (m_files.isEmpty()) {
        if (!preview)
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Choisissez d'abord un ou plusieurs fichiers."));
        return none;
    }
    bool mixed = false;
    commonFormat(m_files, &mixed);
    if (mixed && format() != ImportFormat::Csv) {
        if (!preview)
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Les fichiers choisis sont de formats différents : "
                                       "importez-les séparément."));
        return none;
    }
    if (format() == ImportFormat::Csv && !m_mapping.isComplete()) {
        const QString text = QStringLiteral("Décrivez d'abord les colonnes du fichier (bouton "
                                            "« Colonnes… »).");
        m_status->setText(text);
        if (!preview)
            showMessage(MessageKind::Erreur, text);
        return none;
    }
    bool known = false;
    const QString target = targetStation(&known);
    if (known && target.isEmpty() && format() == ImportFormat::Csv && m_mapping.stationColumn < 0) {
        // The preview still shows the rows; the import needs the station.
        if (!preview) {
            showMessage(MessageKind::Erreur, noStationText());
            m_station->setFocus();
            return none;
        }
    }
    if (!known) {
        showMessage(MessageKind::Erreur, QStringLiteral("Station inconnue : %1. Choisissez-la "
                                                        "dans la liste.")
                                             .arg(m_station->currentText().trimmed()));
        m_station->setFocus();
        return none;
    }

    QList<ImportSource> sources;
    for (const ChosenFile &file : std::as_const(m_files))
        sources << file.sources;
    const std::unique_ptr<ImportReader> reader = createImportReader(format(), &m_mapping);
    ImportOptions opts = options();
    opts.dryRun = preview;

    m_cancelled = false;
    setBusy(true);
    m_progress->setRange(0, 0);
    const QString what = preview ? QStringLiteral("Lecture des fichiers (aperçu)")
                                 : QStringLiteral("Import en cours");
    m_status->setText(what + QStringLiteral("…"));
    QPointer<ImporterDonnees> alive(this);
    QElapsedTimer tick;
    // The event loop gets a turn at once, then every 50 ms, not at every row: a file of a
    // million rows must not spend its time redrawing.
    const ImportProgress progress = [&](qint64 done, qint64 total) {
        if (!tick.isValid() || tick.elapsed() >= 50) {
            tick.restart();
            if (total > 0) {
                m_progress->setRange(0, 1000);
                m_progress->setValue(int(std::min<qint64>(1000, done * 1000 / total)));
            }
            QApplication::processEvents();
        }
        return alive && !m_cancelled;
    };
    auto blocker = std::make_unique<OtherInputBlocker>(this);
    ImportReport report = runImport(AccesBase::instance(), sources, *reader, opts, progress);
    blocker.reset();
    if (!alive)
        return report;
    setBusy(false);
    if (m_closeRequested) {
        // Closed while running: the run has stopped, now the window can go.
        QTimer::singleShot(0, this, [this] {
            if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
                frame->close();
            else
                close();
        });
    }
    return report;
}

bool ImporterDonnees::Actualiser()
{
    if (m_running)
        return false;
    ImportReport report = run(Run::Preview);
    m_previewReport = std::move(report);
    showPreview();
    return m_previewReport.ok;
}

void ImporterDonnees::showPreview()
{
    const ImportReport &report = m_previewReport;
    m_preview->setLines(report.preview);
    for (int i = 1; i < 6; ++i)
        m_previewTable->setColumnHidden(ImportPreviewModel::ColPremiereValeur + i,
                                        !m_preview->hasValues(i));
    m_previewTable->setColumnHidden(
        ImportPreviewModel::ColHeure,
        std::all_of(report.preview.begin(), report.preview.end(),
                    [](const PreviewLine &l) { return l.row.isDaily(); }));
    filterPreview();
    m_tabs->setCurrentIndex(0);
    QString text;
    QString style;
    if (!report.error.isEmpty()) {
        text = QStringLiteral("Lecture impossible : %1").arg(report.error);
        style = QStringLiteral("color: #a02020;");
    } else if (report.cancelled) {
        text = QStringLiteral("Aperçu arrêté : %1 (partiel).").arg(countsText(report));
    } else if (report.ok) {
        text = QStringLiteral("Aperçu, rien n'est encore écrit : %1 lignes lues, %2 à écrire, "
                              "%3 à conserver, %4 refusées.")
                   .arg(report.read)
                   .arg(report.written)
                   .arg(report.kept)
                   .arg(report.refused);
        if (report.read > report.preview.size())
            text += QStringLiteral(" Les %1 premières lignes sont montrées.")
                        .arg(report.preview.size());
    }
    m_previewCounts->setText(text);
    m_previewCounts->setStyleSheet(style);
    bool known = false;
    if (report.ok && format() == ImportFormat::Csv && m_mapping.stationColumn < 0 &&
        targetStation(&known).isEmpty())
        m_status->setText(noStationText());
    else if (report.ok)
        m_status->setText(QStringLiteral("Vérifiez l'aperçu puis cliquez sur « Importer »."));
    else if (report.cancelled)
        m_status->setText(QStringLiteral("Aperçu arrêté."));
    else if (!report.error.isEmpty())
        m_status->setText(QStringLiteral("Le fichier ne peut pas être importé tel quel."));
}

void ImporterDonnees::filterPreview()
{
    const bool refusedOnly = m_refusedOnly->isChecked();
    const QList<PreviewLine> &lines = m_preview->lines();
    for (int r = 0; r < lines.size(); ++r)
        m_previewTable->setRowHidden(r, refusedOnly && lines[r].refusal.isEmpty());
}

bool ImporterDonnees::importer()
{
    if (m_running)
        return false;
    if (!session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF"))) {
        showMessage(MessageKind::Erreur, kNoRight);
        return false;
    }
    if (m_files.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Choisissez d'abord un ou plusieurs fichiers."));
        return false;
    }
    ImportReport report = run(Run::Import);
    if (!report.ok && !report.cancelled && report.error.isEmpty())
        return false; // refused before anything ran, already said
    m_report = std::move(report);
    if (!m_report.createdStations.isEmpty()) {
        // The new stations join the register: offer them as targets from now on.
        const QString chosen = m_station->currentData().toString();
        const bool create = m_createStations->isChecked();
        const QSignalBlocker quiet(m_station);
        fillStations();
        m_station->setCurrentIndex(std::max(0, m_station->findData(chosen)));
        m_createStations->setChecked(create);
    }
    showReport();
    if (!m_report.error.isEmpty())
        showMessage(MessageKind::Erreur,
                    QStringLiteral("L'import a échoué : %1\nLa station en cours n'a pas été "
                                   "écrite ; le compte rendu dit ce qui l'a été.")
                        .arg(m_report.error));
    return m_report.ok && !m_report.cancelled;
}

void ImporterDonnees::showReport()
{
    const ImportReport &report = m_report;
    QStringList names;
    for (const ChosenFile &file : std::as_const(m_files))
        names << QFileInfo(file.path).fileName();
    QString text = QStringLiteral("Import du %1 (%2) : %3.")
                       .arg(formatDateTime(QDateTime::currentDateTime()),
                            importFormatCaption(format()), countsText(report));
    if (report.cancelled)
        text += QStringLiteral("\nImport arrêté : la station en cours n'a pas été écrite.");
    if (!report.error.isEmpty())
        text += QStringLiteral("\nÉchec : %1").arg(report.error);
    // A station by its register code and name, or by the file's number when not in the
    // register.
    const auto nameOf = [this](const QString &code, const QString &number) {
        if (code.isEmpty())
            return QStringLiteral("n° %1").arg(number);
        const QString name = m_preview->stationName(code);
        return name.isEmpty() ? code : code + QStringLiteral(" – ") + name;
    };
    text += stationSummary(report, nameOf);
    if (!report.createdStations.isEmpty())
        text += QStringLiteral("\nStations créées : %1")
                    .arg(report.createdStations.join(QStringLiteral(", ")));
    text += QStringLiteral("\nFichiers : %1").arg(names.join(QStringLiteral(", ")));
    m_reportSummary->setText(text);
    fillStationRows(m_stationModel, report, nameOf);
    m_reportModel->removeRows(0, m_reportModel->rowCount());
    for (const auto &[source, line] : report.refusedLines) {
        QStandardItem *lineItem = readOnlyItem(QString::number(line.line), line.line);
        lineItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_reportModel->appendRow({readOnlyItem(source), lineItem, readOnlyItem(line.reason)});
    }
    m_tabs->setTabEnabled(1, true);
    m_tabs->setCurrentIndex(1);
    m_status->setText(report.cancelled ? QStringLiteral("Import arrêté.")
                      : report.ok      ? QStringLiteral("Import terminé.")
                                       : QStringLiteral("Import en échec."));
}

void ImporterDonnees::cancel()
{
    m_cancelled = true;
}

void ImporterDonnees::DeclencheExcel()
{
    if (m_running)
        return;
    if (m_tabs->currentIndex() == 1 && m_tabs->isTabEnabled(1)) {
        XlsxGrid grid;
        grid.sheetName = QStringLiteral("Compte_rendu_import");
        grid.title = m_reportSummary->text().section(QLatin1Char('\n'), 0, 0);
        grid.headings = {QStringLiteral("Station ou fichier"), QStringLiteral("Ligne"),
                         QStringLiteral("Détail ou motif du refus")};
        grid.columnWidths = {40, 10, 70};
        // The stations first, then the refused lines.
        for (int r = 0; r < m_stationModel->rowCount(); ++r) {
            const auto cell = [&](int c) { return m_stationModel->item(r, c)->text(); };
            QString detail =
                QStringLiteral("n° %1, écrites %2, conservées %3").arg(cell(1), cell(3), cell(4));
            if (!cell(2).isEmpty())
                detail += QStringLiteral(", créée");
            if (!cell(5).isEmpty())
                detail += QStringLiteral(", échec : ") + cell(5);
            grid.rows.push_back({cell(0), QVariant(), detail});
        }
        for (const auto &[source, line] : m_report.refusedLines)
            grid.rows.push_back({source, line.line, line.reason});
        exportGridInOneClick(this, grid);
        return;
    }
    if (m_preview->rowCount() == 0)
        return;
    exportViewInOneClick(this, *m_previewTable, QStringLiteral("Aperçu_import"),
                         exportedRole(Qt::EditRole));
}

void ImporterDonnees::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!m_running && !urls.isEmpty() &&
        std::all_of(urls.begin(), urls.end(), [](const QUrl &u) { return u.isLocalFile(); }))
        event->acceptProposedAction();
}

void ImporterDonnees::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        paths << url.toLocalFile();
    event->acceptProposedAction();
    // After the drop returns, so that the source application is not held by our messages.
    QTimer::singleShot(0, this, [this, paths] { addFiles(paths); });
}

void ImporterDonnees::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        // Stop first; the window closes once the station under way is rolled back.
        m_cancelled = true;
        m_closeRequested = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace plx
