#include "stations/widgets/listepluviometres.h"

#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "config/settings.h"
#include "outputs/widgets/gridexport.h"
#include "outputs/xlsxgrid.h"
#include "session/session.h"
#include "stations/columnwidths.h"
#include "stations/maplinks.h"
#include "stations/recordlength.h"
#include "stations/savedlists.h"
#include "stations/stationlistmodel.h"
#include "stations/widgets/bulletinspluvio.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/listeinterventions.h"
#include "stations/widgets/filtereditor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace plx {

namespace {

const int kAllStations = 0;
const int kFavourites = 1;
const QLatin1String kSortKey("Colonne_Tri_Pluvio");

QPushButton *panelButton(const QString &text, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

ListePluviometres::ListePluviometres(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ListePluviometres"));
    m_model = new StationListModel(this);
    m_filter = new StationListFilter(this);
    m_filter->setSourceModel(m_model);
    m_widthTimer = new QTimer(this);
    m_widthTimer->setSingleShot(true);
    m_widthTimer->setInterval(600);
    connect(m_widthTimer, &QTimer::timeout, this, &ListePluviometres::storeColumns);
    buildUi();
    ChargementListe();
}

ListePluviometres::~ListePluviometres()
{
    // A drag just before closing still counts.
    if (m_widthTimer->isActive())
        storeColumns();
}

QString ListePluviometres::screenTitle()
{
    return QStringLiteral("Liste des pluviomètres");
}

void ListePluviometres::buildUi()
{
    setWindowTitle(screenTitle());
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    auto *listLabel = new QLabel(QStringLiteral("&Liste :"), this);
    m_lists = new QComboBox(this);
    m_lists->setObjectName(QStringLiteral("CboListe"));
    m_lists->setMinimumContentsLength(30);
    m_lists->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    listLabel->setBuddy(m_lists);
    connect(m_lists, &QComboBox::activated, this, [this](int index) { applyList(index); });
    auto *listActions = new QToolButton(this);
    listActions->setObjectName(QStringLiteral("CmdListes"));
    listActions->setText(QStringLiteral("Gérer les listes"));
    listActions->setToolButtonStyle(Qt::ToolButtonTextOnly);
    listActions->setPopupMode(QToolButton::InstantPopup);
    m_listMenu = new QMenu(listActions);
    m_listMenu->addAction(QStringLiteral("Nouvelle liste (filtre)…"), this,
                          [this] { editFilter(true); });
    m_listMenu->addAction(QStringLiteral("Modifier le filtre de la liste…"), this,
                          [this] { editFilter(false); });
    m_listMenu->addAction(QStringLiteral("Nouvelle liste à partir de la sélection"), this,
                          &ListePluviometres::askNewListFromSelection);
    m_listMenu->addAction(QStringLiteral("Renommer la liste"), this, &ListePluviometres::askRename);
    m_listMenu->addAction(QStringLiteral("Supprimer la liste"), this,
                          &ListePluviometres::deleteCurrentList);
    m_listMenu->addAction(QStringLiteral("Liste par défaut"), this,
                          &ListePluviometres::makeCurrentListDefault);
    listActions->setMenu(m_listMenu);
    top->addWidget(listLabel);
    top->addWidget(m_lists);
    top->addWidget(listActions);
    top->addStretch(1);
    layout->addLayout(top);

    auto *middle = new QHBoxLayout;
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("SprPluviometres"));
    m_grid->setModel(m_filter);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setAlternatingRowColors(true);
    m_grid->setSortingEnabled(true);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->verticalHeader()->hide();
    m_grid->setColumnHidden(StationListModel::NumWork, true); // a working copy of the code
    m_grid->installEventFilter(this);
    QHeaderView *header = m_grid->horizontalHeader();
    header->setSectionsMovable(true);
    header->setStretchLastSection(true);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { openCurrentRecord(); });
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (!m_applyingWidths)
            m_widthTimer->start();
    });
    connect(header, &QHeaderView::sectionMoved, this, [this] {
        if (!m_applyingWidths)
            m_widthTimer->start();
    });
    connect(header, &QHeaderView::sortIndicatorChanged, this, &ListePluviometres::onSortChanged);
    middle->addWidget(m_grid, 1);

    auto *panel = new QVBoxLayout;
    auto *map = panelButton(QStringLiteral("&Carte des sites"), "CmdCarte", this);
    map->setToolTip(QStringLiteral("Affiche les sites sélectionnés sur une carte"));
    connect(map, &QPushButton::clicked, this, &ListePluviometres::openMap);
    m_recordLengthButton =
        panelButton(QStringLiteral("&Durée chronique"), "CmdDureeChronique", this);
    m_recordLengthButton->setToolTip(
        QStringLiteral("Calcule la période des mesures des sites affichés"));
    connect(m_recordLengthButton, &QPushButton::clicked, this,
            &ListePluviometres::computeRecordLengths);
    auto *data = panelButton(QStringLiteral("D&onnées"), "CmdDonnees", this);
    data->setToolTip(QStringLiteral("Valide les mesures du pluviomètre sélectionné"));
    connect(data, &QPushButton::clicked, this, &ListePluviometres::openCurrentData);
    auto *bulletins = panelButton(QStringLiteral("&Bulletins"), "CmdBulletins", this);
    bulletins->setToolTip(QStringLiteral("Bulletins du réseau et leurs stations"));
    connect(bulletins, &QPushButton::clicked, this, &ListePluviometres::openBulletins);
    auto *interventions = panelButton(QStringLiteral("&Interventions"), "CmdInterventions", this);
    interventions->setToolTip(QStringLiteral("Interventions sur les pluviomètres sélectionnés"));
    connect(interventions, &QPushButton::clicked, this, &ListePluviometres::openInterventions);
    auto *overlay =
        panelButton(QStringLiteral("&Superposition pluie / piézométrie"), "CmdSuperposition", this);
    overlay->setToolTip(QStringLiteral("Pluviomètres sélectionnés et piézomètres sur un même "
                                       "graphique"));
    connect(overlay, &QPushButton::clicked, this,
            [this] { openOverlay(Navigator::OverlayChart::RainAndGroundwater); });
    auto *rainOverlay =
        panelButton(QStringLiteral("Superposition de &pluviomètres"), "CmdSuperpositionPluvio", this);
    rainOverlay->setToolTip(QStringLiteral("Pluviomètres sélectionnés sur un même graphique"));
    connect(rainOverlay, &QPushButton::clicked, this,
            [this] { openOverlay(Navigator::OverlayChart::RainGauges); });
    auto *chronicle = panelButton(QStringLiteral("C&hronique"), "CmdChronique", this);
    chronicle->setToolTip(QStringLiteral("Graphique chronologique du pluviomètre sélectionné"));
    connect(chronicle, &QPushButton::clicked, this, &ListePluviometres::openChronicle);
    auto *yearly = panelButton(QStringLiteral("Graphique &annuel"), "CmdGraphiqueAnnee", this);
    yearly->setToolTip(
        QStringLiteral("Année du pluviomètre sélectionné comparée aux autres années"));
    connect(yearly, &QPushButton::clicked, this, &ListePluviometres::openYearlyChart);
    auto *yearbook = panelButton(QStringLiteral("Ann&uaire"), "CmdAnnuaire", this);
    yearbook->setToolTip(
        QStringLiteral("Année du pluviomètre sélectionné et sa chronique complète"));
    connect(yearbook, &QPushButton::clicked, this, &ListePluviometres::openYearbook);
    auto *normals =
        panelButton(QStringLiteral("Comparaison aux &normales"), "CmdCompNormale", this);
    normals->setToolTip(QStringLiteral("Mois du pluviomètre sélectionné comparés à ses normales"));
    connect(normals, &QPushButton::clicked, this, &ListePluviometres::openNormalsComparison);
    for (QPushButton *button : {data, chronicle, yearly, yearbook, normals, map,
                                m_recordLengthButton, bulletins, interventions, overlay,
                                rainOverlay})
        panel->addWidget(button);
    panel->addStretch(1);
    middle->addLayout(panel);
    layout->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("PrgDureeChronique"));
    m_progress->setFormat(QStringLiteral("Durée chronique : %v / %m sites"));
    m_cancelButton = panelButton(QStringLiteral("&Annuler"), "CmdAnnuler", this);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { m_cancelRequested = true; });
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_cancelButton);
    m_progress->hide();
    m_cancelButton->hide();
    layout->addLayout(bottom);
    resize(1100, 600);
}

bool ListePluviometres::ChargementListe()
{
    StationListResult result = loadStationList();
    if (!result.ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La liste des pluviomètres n'a pas pu être lue : ") +
                        result.error);
        m_model->setRows({});
        updateCaption();
        return false;
    }
    // The sort is chosen before the rows arrive, so that the proxy sorts them once.
    bool column = false;
    const int sortColumn = LireParametre(kSortKey).toInt(&column);
    m_restoringSort = true;
    m_grid->sortByColumn(column && sortColumn >= 1 && sortColumn <= StationListModel::ColumnCount
                             ? sortColumn - 1
                             : int(StationListModel::Num),
                         Qt::AscendingOrder);
    m_restoringSort = false;
    m_model->setRows(std::move(result.rows));
    applyStoredColumns();
    const std::optional<qint64> defaultList = defaultListCode(session().login);
    fillListCombo(defaultList);
    applyList(m_lists->currentIndex());
    return true;
}

void ListePluviometres::Actualiser()
{
    // Keeps the chosen list across the reload.
    const qint64 current = currentListCode();
    const int fixed = m_appliedList < 2 ? m_appliedList : -1;
    StationListResult result = loadStationList();
    if (!result.ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La liste des pluviomètres n'a pas pu être lue : ") +
                        result.error);
        return;
    }
    m_model->setRows(std::move(result.rows));
    fillListCombo(fixed < 0 ? std::optional<qint64>(current) : std::nullopt);
    if (fixed >= 0)
        m_lists->setCurrentIndex(fixed);
    applyList(m_lists->currentIndex());
}

void ListePluviometres::fillListCombo(std::optional<qint64> select)
{
    const QSignalBlocker blocker(m_lists);
    m_lists->clear();
    m_lists->addItem(QStringLiteral("Toutes les stations"));
    m_lists->addItem(QStringLiteral("Stations favorites"));
    for (const SavedListEntry &entry : savedListEntries(session().login)) {
        m_lists->addItem(entry.label + QStringLiteral(" [") + QString::number(entry.code) +
                             QLatin1Char(']'),
                         entry.code);
        if (select && *select == entry.code)
            m_lists->setCurrentIndex(m_lists->count() - 1);
    }
}

qint64 ListePluviometres::currentListCode() const
{
    return m_lists->currentIndex() >= 2 ? m_lists->currentData().toLongLong() : 0;
}

bool ListePluviometres::applyList(int index)
{
    if (index < 0 || index >= m_lists->count())
        return false;
    std::optional<QSet<qint64>> codes;
    if (index == kFavourites) {
        const QSet<QString> favourites = favouriteIdentifiers(session().login);
        codes.emplace();
        for (const StationListRow &row : m_model->rows()) {
            if (favourites.contains(row.identifiant))
                codes->insert(row.code);
        }
    } else if (index != kAllStations) {
        const std::optional<SavedList> list = readSavedList(m_lists->itemData(index).toLongLong());
        const ListSelection selection =
            list ? codesSelectedBy(list->selectionFiltre, list->requete) : ListSelection{};
        if (!selection.ok) {
            showMessage(MessageKind::Erreur,
                        list ? selection.error
                             : QStringLiteral("Cette liste n'existe plus : elle a été supprimée."));
            const QSignalBlocker blocker(m_lists);
            m_lists->setCurrentIndex(m_appliedList < m_lists->count() ? m_appliedList : 0);
            return false;
        }
        codes = selection.codes;
    }
    {
        const QSignalBlocker blocker(m_lists);
        m_lists->setCurrentIndex(index);
    }
    m_appliedList = index;
    m_filter->setShownCodes(std::move(codes));
    updateCaption();
    return true;
}

void ListePluviometres::updateCaption()
{
    QString title = windowTitle();
    const qsizetype cut = title.indexOf(QStringLiteral(" / "));
    if (cut >= 0)
        title.truncate(cut);
    if (title.isEmpty())
        title = screenTitle();
    setWindowTitle(title + QStringLiteral(" / ") + QString::number(m_filter->rowCount()) +
                   QStringLiteral(" site(s)"));
}

QStringList ListePluviometres::visibleCodes() const
{
    QStringList codes;
    QSet<qint64> seen;
    for (int r = 0; r < m_filter->rowCount(); ++r) {
        const qint64 code = m_model->rowAt(m_filter->mapToSource(m_filter->index(r, 0)).row()).code;
        if (!seen.contains(code)) {
            seen.insert(code);
            codes << QString::number(code);
        }
    }
    return codes;
}

QString ListePluviometres::neighbourCode(const QString &code, int step) const
{
    const QStringList codes = visibleCodes();
    if (codes.isEmpty())
        return QString();
    const qsizetype at = codes.indexOf(code.trimmed());
    if (at < 0)
        return step < 0 ? codes.last() : codes.first();
    const qsizetype count = codes.size();
    return codes.at(((at + step) % count + count) % count);
}

std::vector<qint64> ListePluviometres::selectedCodes() const
{
    std::vector<qint64> codes;
    QSet<qint64> seen;
    QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    for (const QModelIndex &index : rows) {
        const qint64 code = m_model->rowAt(m_filter->mapToSource(index).row()).code;
        if (!seen.contains(code)) {
            seen.insert(code);
            codes.push_back(code);
        }
    }
    return codes;
}

std::optional<QUrl> ListePluviometres::selectedStationsMapUrl() const
{
    std::vector<StationCoordinates> stations;
    for (qint64 code : selectedCodes()) {
        if (auto found = findStationCoordinates(QString::number(code)))
            stations.push_back(*found);
    }
    if (stations.empty()) {
        showMessage(
            MessageKind::Aide,
            QStringLiteral("Les sites ne possèdent pas de coordonnées en WGS84 pour pouvoir "
                           "être exportés vers Google Maps"));
        return std::nullopt;
    }
    return stationsMapUrl(stations);
}

void ListePluviometres::openMap()
{
    if (const auto url = selectedStationsMapUrl(); url && !QDesktopServices::openUrl(*url))
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Impossible d'ouvrir la carte : ") + url->toString());
}

XlsxGrid ListePluviometres::exportGrid() const
{
    // The record length is a text; the other columns keep their type.
    const ExportedValue typed = exportedRole(StationListModel::SortRole);
    return gridFromView(*m_grid, QStringLiteral("Liste_des_pluviomètres"),
                        [&typed](const QModelIndex &index) {
                            return index.column() == StationListModel::DureeChronique
                                       ? index.data(Qt::DisplayRole)
                                       : typed(index);
                        });
}

void ListePluviometres::DeclencheExcel()
{
    exportGridInOneClick(this, exportGrid());
}

void ListePluviometres::declencheInserer()
{
    openRecord(QString());
}

void ListePluviometres::openCurrentRecord()
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return;
    openRecord(QString::number(m_model->rowAt(m_filter->mapToSource(current).row()).code));
}

ListePluviometres::NeighbourLookup ListePluviometres::neighbourLookup()
{
    return [list = QPointer<ListePluviometres>(this)](const QString &from, int step) {
        return list ? list->neighbourCode(from, step) : QString();
    };
}

QString ListePluviometres::currentStationCode()
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid()) {
        showMessage(MessageKind::Aide, QStringLiteral("Sélectionner un pluviomètre dans la liste."));
        return QString();
    }
    return QString::number(m_model->rowAt(m_filter->mapToSource(current).row()).code);
}

QString ListePluviometres::reportStationCode() const
{
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return QString();
    return QString::number(m_model->rowAt(m_filter->mapToSource(current).row()).code);
}

void ListePluviometres::openCurrentData()
{
    const QString code = currentStationCode();
    if (code.isEmpty())
        return;
    if (Navigator *navigator = navigatorFor(this))
        navigator->openStationSeries(code, neighbourLookup());
}

void ListePluviometres::openChronicle()
{
    const QString code = currentStationCode();
    if (code.isEmpty())
        return;
    if (Navigator *navigator = navigatorFor(this))
        navigator->openStationChart(code, Navigator::StationChart::Chronicle, neighbourLookup());
}

void ListePluviometres::openYearlyChart()
{
    const QString code = currentStationCode();
    if (code.isEmpty())
        return;
    if (Navigator *navigator = navigatorFor(this))
        navigator->openStationChart(code, Navigator::StationChart::Yearly, neighbourLookup());
}

void ListePluviometres::openYearbook()
{
    const QString code = currentStationCode();
    if (Navigator *navigator = navigatorFor(this); navigator && !code.isEmpty())
        navigator->openStationChart(code, Navigator::StationChart::Yearbook, neighbourLookup());
}

void ListePluviometres::openNormalsComparison()
{
    const QString code = currentStationCode();
    if (Navigator *navigator = navigatorFor(this); navigator && !code.isEmpty())
        navigator->openStationChart(code, Navigator::StationChart::Normals, neighbourLookup());
}

void ListePluviometres::openOverlay(Navigator::OverlayChart kind)
{
    QStringList codes;
    for (const qint64 code : selectedCodes())
        if (!codes.contains(QString::number(code)))
            codes << QString::number(code);
    if (Navigator *navigator = navigatorFor(this))
        navigator->openOverlayChart(kind, codes);
}

void ListePluviometres::openBulletins()
{
    if (Navigator *navigator = navigatorFor(this))
        navigator->openScreen(new BulletinsPluvio);
}

void ListePluviometres::openInterventions()
{
    Navigator *navigator = navigatorFor(this);
    if (!navigator)
        return;
    const std::vector<qint64> codes = selectedCodes();
    auto *created = new ListeInterventions(codes);
    // The screen already open comes to the front instead: it takes the new selection.
    auto *shown = qobject_cast<ListeInterventions *>(navigator->openScreen(created));
    if (shown && shown != created)
        shown->setStations(codes);
}

FichePluviometre *ListePluviometres::openRecord(const QString &code)
{
    auto *record = new FichePluviometre;
    record->setNeighbourLookup(neighbourLookup());
    connect(record, &FichePluviometre::codeChanged, this,
            [this](const QString &oldCode, const QString &newCode) {
                // The chosen list first, so that the row is not filtered out meanwhile.
                m_filter->renameCode(oldCode.toLongLong(), newCode.toLongLong());
                m_model->renameCode(oldCode.toLongLong(), newCode.toLongLong());
            });
    connect(record, &FichePluviometre::stationSaved, this, &ListePluviometres::Actualiser);
    connect(record, &FichePluviometre::stationDeleted, this, [this](const QString &deleted) {
        m_model->removeCode(deleted.toLongLong());
        updateCaption();
    });
    // Loaded before it is shown: the record screen's kind names its station, so that the
    // main window brings back a record already open on that station instead.
    if (!code.isEmpty() && !record->ChargementFichePluviometre(code)) {
        delete record;
        return nullptr;
    }
    Navigator *navigator = navigatorFor(this);
    if (!navigator) {
        delete record;
        return nullptr;
    }
    return qobject_cast<FichePluviometre *>(navigator->openScreen(record));
}

bool ListePluviometres::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrentRecord();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

double ListePluviometres::characterWidth() const
{
    // The width of a digit, the spreadsheets' character unit.
    return std::max(1.0, double(m_grid->fontMetrics().horizontalAdvance(QLatin1Char('0'))));
}

std::vector<ColumnChoice> ListePluviometres::defaultColumnChoice()
{
    std::vector<ColumnChoice> choice;
    const QStringList headings = StationListModel::headings();
    for (int c = 0; c < StationListModel::ColumnCount; ++c) {
        if (c != StationListModel::NumWork)
            choice.push_back({c, headings.at(c), true});
    }
    return choice;
}

std::vector<ColumnChoice> ListePluviometres::columnChoice() const
{
    std::vector<ColumnChoice> choice;
    const QStringList headings = StationListModel::headings();
    const QHeaderView *header = m_grid->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (c != StationListModel::NumWork)
            choice.push_back({c, headings.at(c), !header->isSectionHidden(c)});
    }
    return choice;
}

void ListePluviometres::showColumns(const std::vector<ColumnChoice> &choice)
{
    QHeaderView *header = m_grid->horizontalHeader();
    m_applyingWidths = true;
    int visual = 0;
    for (const ColumnChoice &column : choice) {
        header->moveSection(header->visualIndex(column.column), visual++);
        const bool hide = !column.shown && column.column != StationListModel::Num;
        // A hidden column reports no width: keep the one it will come back with.
        if (hide && !header->isSectionHidden(column.column))
            m_widthChars[column.column] =
                std::round(m_grid->columnWidth(column.column) / characterWidth() * 10) / 10;
        m_grid->setColumnHidden(column.column, hide);
    }
    m_grid->setColumnHidden(StationListModel::NumWork, true);
    m_applyingWidths = false;
}

bool ListePluviometres::applyColumnChoice(const std::vector<ColumnChoice> &choice)
{
    std::vector<bool> named(StationListModel::ColumnCount, false);
    for (const ColumnChoice &column : choice) {
        if (column.column < 0 || column.column >= StationListModel::ColumnCount ||
            column.column == StationListModel::NumWork || named[size_t(column.column)])
            return false;
        if (column.column == StationListModel::Num && !column.shown)
            return false;
        named[size_t(column.column)] = true;
    }
    std::vector<ColumnChoice> complete = choice;
    for (const ColumnChoice &column : columnChoice()) {
        if (!named[size_t(column.column)])
            complete.push_back(column);
    }
    showColumns(complete);
    storeColumns();
    return true;
}

void ListePluviometres::ChoisirColonnes()
{
    const std::vector<ColumnChoice> before = columnChoice();
    ColumnChooser dialog(before, defaultColumnChoice(), StationListModel::Num, this);
    connect(&dialog, &ColumnChooser::choiceChanged, this,
            [this, &dialog] { showColumns(dialog.choice()); });
    if (dialog.exec() == QDialog::Accepted)
        applyColumnChoice(dialog.choice());
    else
        showColumns(before);
}

void ListePluviometres::applyStoredColumns()
{
    // Widths in characters for a user who never set any; measuring every row would cost
    // more than the load itself on a large network.
    static const double kDefaultWidths[StationListModel::ColumnCount] = {6,  5,  18, 22, 8, 6,
                                                                         26, 18, 11, 11, 12};
    m_widthChars.clear();
    for (int c = 0; c < StationListModel::ColumnCount; ++c)
        m_widthChars[c] = kDefaultWidths[c];
    std::map<int, std::pair<int, bool>> places; // column -> (position, hidden)
    for (const StoredListColumn &stored : readListColumns(session().login)) {
        // Rows of older clients are numbered only; a named row whose name this version
        // does not know is left out rather than given to whichever column has its number.
        const int column = stored.name.isEmpty() ? stored.index - 1
                                                 : StationListModel::columnForKey(stored.name);
        if (column < 0 || column >= StationListModel::ColumnCount)
            continue;
        if (stored.width > 0)
            m_widthChars[column] = stored.width;
        if (!stored.name.isEmpty() && stored.position >= 0)
            places[column] = {stored.position, stored.hidden};
    }
    std::vector<ColumnChoice> choice = defaultColumnChoice();
    for (ColumnChoice &column : choice) {
        if (const auto place = places.find(column.column); place != places.end())
            column.shown = !place->second.second;
    }
    // Columns without a stored place (added since) keep their default place after the rest.
    std::stable_sort(choice.begin(), choice.end(),
                     [&places](const ColumnChoice &a, const ColumnChoice &b) {
                         const auto pa = places.find(a.column);
                         const auto pb = places.find(b.column);
                         const int ka = pa == places.end() ? INT_MAX : pa->second.first;
                         const int kb = pb == places.end() ? INT_MAX : pb->second.first;
                         return ka < kb;
                     });
    m_applyingWidths = true;
    // Shown first, so that the widths of hidden columns are the ones they come back with.
    for (int c = 0; c < StationListModel::ColumnCount; ++c) {
        if (c != StationListModel::NumWork)
            m_grid->setColumnHidden(c, false);
    }
    for (const auto &[column, characters] : m_widthChars)
        m_grid->setColumnWidth(column, int(std::lround(characters * characterWidth())));
    m_applyingWidths = false;
    showColumns(choice);
}

void ListePluviometres::storeColumns()
{
    m_widthTimer->stop();
    const QHeaderView *header = m_grid->horizontalHeader();
    std::vector<StoredListColumn> columns;
    for (int c = 0; c < StationListModel::ColumnCount; ++c) {
        const bool hidden = header->isSectionHidden(c);
        if (!hidden)
            m_widthChars[c] = std::round(m_grid->columnWidth(c) / characterWidth() * 10) / 10;
        columns.push_back({c + 1, StationListModel::columnKey(c), m_widthChars[c],
                           header->visualIndex(c), hidden});
    }
    // A failure keeps the previous columns; the grid itself is unaffected.
    writeListColumns(session().login, columns);
}

void ListePluviometres::onSortChanged(int column, Qt::SortOrder)
{
    if (m_restoringSort)
        return;
    EcrireParametre(kSortKey, QString::number(column + 1));
}

void ListePluviometres::computeRecordLengths()
{
    if (m_computing)
        return;
    std::vector<qint64> codes;
    for (const QString &code : visibleCodes())
        codes.push_back(code.toLongLong());
    m_computing = true;
    m_cancelRequested = false;
    m_recordLengthButton->setEnabled(false);
    m_progress->setRange(0, int(codes.size()));
    m_progress->setValue(0);
    m_progress->show();
    m_cancelButton->show();
    const RecordLengthRun run = plx::computeRecordLengths(codes, [this](int done, int) {
        m_progress->setValue(done);
        QApplication::processEvents();
        return !m_cancelRequested;
    });
    m_model->setRecordLengths(run.lengths);
    // The spans arrive after the widths were set: make room so that "(n ans)" shows.
    const int column = StationListModel::DureeChronique;
    const int width = m_grid->columnWidth(column);
    m_grid->resizeColumnToContents(column);
    m_grid->setColumnWidth(column, std::max(width, m_grid->columnWidth(column)));
    m_progress->hide();
    m_cancelButton->hide();
    m_recordLengthButton->setEnabled(true);
    m_computing = false;
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
            sub->close();
        else
            close();
    }
}

void ListePluviometres::closeEvent(QCloseEvent *event)
{
    if (m_computing) {
        m_cancelRequested = true;
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ListePluviometres::editFilter(bool newList)
{
    const qint64 code = currentListCode();
    std::optional<SavedList> list;
    if (!newList) {
        list = code ? readSavedList(code) : std::nullopt;
        if (!list || list->selectionFiltre.trimmed().isEmpty()) {
            showMessage(MessageKind::Aide, QStringLiteral("Choisissez d'abord une liste définie "
                                                          "par un filtre."));
            return;
        }
    }
    FilterEditor editor(this);
    if (list) {
        editor.setListName(list->label);
        editor.setDefaultList(list->isDefault);
        editor.setRows(parseFilter(list->selectionFiltre).value_or(std::vector<FilterRow>{}));
    }
    if (editor.exec() != QDialog::Accepted)
        return;
    const SavedListResult result =
        list ? updateSavedListFilter(code, editor.listName(), editor.rows())
             : createSavedListFromFilter(editor.listName(), editor.rows(), editor.isDefaultList());
    if (!result.ok) {
        showMessage(MessageKind::Erreur, result.error);
        return;
    }
    if (list && editor.isDefaultList() != list->isDefault)
        setDefaultSavedList(code, editor.isDefaultList());
    fillListCombo(result.code);
    applyList(m_lists->currentIndex());
}

void ListePluviometres::askNewListFromSelection()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Nouvelle liste"),
                                               QStringLiteral("Nom de la liste :"),
                                               QLineEdit::Normal, QString(), &ok);
    if (ok)
        createListFromSelection(name);
}

bool ListePluviometres::createListFromSelection(const QString &name)
{
    const SavedListResult result = createSavedListFromCodes(name, selectedCodes(), false);
    if (!result.ok) {
        showMessage(MessageKind::Erreur, result.error);
        return false;
    }
    fillListCombo(result.code);
    return applyList(m_lists->currentIndex());
}

void ListePluviometres::askRename()
{
    if (!currentListCode()) {
        showMessage(MessageKind::Aide, QStringLiteral("Choisissez d'abord une liste enregistrée."));
        return;
    }
    const std::optional<SavedList> list = readSavedList(currentListCode());
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Renommer la liste"),
                                               QStringLiteral("Nouveau nom :"), QLineEdit::Normal,
                                               list ? list->label : QString(), &ok);
    if (ok)
        renameCurrentList(name);
}

bool ListePluviometres::renameCurrentList(const QString &name)
{
    const qint64 code = currentListCode();
    if (!code)
        return false;
    const SavedListResult result = renameSavedList(code, name);
    if (!result.ok) {
        showMessage(MessageKind::Erreur, result.error);
        return false;
    }
    fillListCombo(code);
    updateCaption();
    return true;
}

bool ListePluviometres::deleteCurrentList()
{
    const qint64 code = currentListCode();
    if (!code) {
        showMessage(MessageKind::Aide, QStringLiteral("Choisissez d'abord une liste enregistrée."));
        return false;
    }
    if (!showMessage(MessageKind::Question,
                     QStringLiteral("Supprimer la liste « %1 » ?").arg(m_lists->currentText())))
        return false;
    const SavedListResult result = deleteSavedList(code);
    if (!result.ok) {
        showMessage(MessageKind::Erreur, result.error);
        return false;
    }
    fillListCombo();
    return applyList(kAllStations);
}

bool ListePluviometres::makeCurrentListDefault()
{
    const qint64 code = currentListCode();
    if (!code) {
        showMessage(MessageKind::Aide, QStringLiteral("Choisissez d'abord une liste enregistrée."));
        return false;
    }
    const SavedListResult result = setDefaultSavedList(code);
    if (!result.ok)
        showMessage(MessageKind::Erreur, result.error);
    return result.ok;
}

} // namespace plx
