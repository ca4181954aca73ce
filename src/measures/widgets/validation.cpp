#include "measures/widgets/validation.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/imagepreview.h"
#include "charts/widgets/editiongraphique.h"
#include "db/accesbase.h"
#include "db/sqltext.h"
#include "measures/measurehistory.h"
#include "schema/measurehistorytable.h"
#include "measures/measurerights.h"
#include "measures/parameterlabels.h"
#include "measures/validationstore.h"
#include "measures/widgets/historiquemodifications.h"
#include "measures/widgets/validationgrid.h"
#include "measures/widgets/validationmodel.h"
#include "outputs/measuregrid.h"
#include "outputs/widgets/gridexport.h"
#include "outputs/xlsxgrid.h"
#include "quality/widgets/qualitypanel.h"
#include "session/session.h"
#include "stations/stationcodes.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>

namespace plx {

namespace {

const char *const kTitle = "Validation des données";
// Between two turns of the event loop during a load or a save: often enough for the
// cancel button and the progress bar, rarely enough not to slow a long window down.
constexpr qint64 kTurnMs = 40;

} // namespace

Validation::Validation(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Validation"));
    setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral("[*]"));
    m_editable = session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF"));
    m_model = new ValidationModel(this);
    m_model->setEditable(m_editable);
    buildUi();
    m_cellTimer = new QTimer(this);
    m_cellTimer->setSingleShot(true);
    m_cellTimer->setInterval(250);
    connect(m_cellTimer, &QTimer::timeout, this, &Validation::showCellHistory);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, m_cellTimer,
            qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::modelReset, m_cellTimer, qOverload<>(&QTimer::start));
    connect(m_model, &ValidationModel::dirtyCountChanged, this, [this] { updateChangeCount(); });
    QUndoStack *undo = m_model->undoStack();
    connect(undo, &QUndoStack::canUndoChanged, this, [this] { updateActions(); });
    connect(undo, &QUndoStack::canRedoChanged, this, [this] { updateActions(); });
    updateChangeCount();
    updateActions();
    // Fits the window area of a 1366 x 768 screen, frame included.
    resize(1320, 620);
}

Validation::~Validation()
{
    // The model and its undo stack die with the children, after this object's own part:
    // the stack's last signals must not reach it.
    disconnect(m_model->undoStack(), nullptr, this, nullptr);
    disconnect(m_model, nullptr, this, nullptr);
}

Validation *Validation::openFor(Navigator &navigator, const QString &code,
                                NeighbourLookup lookup)
{
    if (!mayConsultMeasures())
        return nullptr;
    Validation *screen = nullptr;
    for (QWidget *open : navigator.screens()) {
        if ((screen = qobject_cast<Validation *>(open)))
            break;
    }
    if (!screen)
        screen = new Validation;
    navigator.openScreen(screen);
    screen->setNeighbourLookup(std::move(lookup));
    if (screen->stationCode() != code || screen->model()->rowCount() == 0)
        screen->initSite(code, true);
    return screen;
}

void Validation::setNeighbourLookup(NeighbourLookup lookup)
{
    m_neighbours = std::move(lookup);
}

bool Validation::hasUnsavedChanges() const
{
    // A placed mark is a validation the user asked for but has not saved yet.
    return m_model->dirtyCount() > 0 || m_model->markRow() >= 0;
}

bool Validation::confirmDiscard()
{
    return !hasUnsavedChanges() ||
           showMessage(MessageKind::Question, QStringLiteral("Les données ont été modifiées. "
                                                             "Voulez-vous abandonner les "
                                                             "modifications ?"));
}

void Validation::showIdentity(const QString &nom)
{
    m_entete->item(0, 0)->setText(m_code);
    m_entete->item(0, 1)->setText(m_identifiant);
    m_entete->item(0, 2)->setText(nom);
    const QString shown = m_identifiant.isEmpty() ? nom : m_identifiant;
    setWindowTitle(QString::fromUtf8(kTitle) +
                   (shown.isEmpty() ? QString() : QStringLiteral(" - ") + shown) +
                   QStringLiteral("[*]"));
}

void Validation::clearOverview()
{
    for (QLabel *shown : {m_historique, m_anneeCalcul, m_donneesAnnee, m_dateCalcul, m_donneesJ30,
                          m_donneesPeriode})
        shown->clear();
    m_dateDebut->clear();
    m_dateFin->clear();
}

bool Validation::initSite(const QString &code, bool load)
{
    if (m_busy)
        return false;
    const QString normalised = normalisedStationCode(code);
    if (normalised.isEmpty() || !confirmDiscard())
        return false;
    AccesBase &db = AccesBase::instance();
    m_code = normalised;
    m_identifiant.clear();
    QString nom;
    const RecordTable identity = db.ExtraireRecords(
        QStringLiteral("SELECT Identifiant, Nom FROM PLUVIOMETRES WHERE CodePluviometre = ") +
        sqlNumber(m_code.toLongLong()));
    if (identity.ok() && identity.rowCount() > 0) {
        m_identifiant = identity.text(0, 0).trimmed();
        nom = identity.text(0, 1).trimmed();
    }
    showIdentity(nom);

    clearOverview();
    m_model->setRows({}, -1);
    m_loadedFrom = m_loadedTo = QDate();
    showWindowFlags();
    m_model->setParameterLabels(
        {parameterLabel(db, 1), parameterLabel(db, 2), parameterLabel(db, 3)});
    setUpColumns();

    const SiteOverview overview = readSiteOverview(db, m_code);
    m_tableExists = overview.tableExists;
    if (m_tableExists) {
        m_historique->setText(overview.historique);
        m_anneeCalcul->setText(overview.anneeCalcul);
        m_donneesAnnee->setText(overview.donneesAnnee);
        m_dateCalcul->setText(overview.dateCalcul);
        m_donneesJ30->setText(overview.donneesJ30);
        m_donneesPeriode->setText(overview.donneesPeriode);
        const QDate today = QDate::currentDate();
        m_dateDebut->setText(formatDate(today.addMonths(-3)));
        m_dateFin->setText(formatDate(today));
        setStatus(QString());
    } else {
        m_historique->setText(QStringLiteral("Aucune mesure"));
        setStatus(QStringLiteral("Ce pluviomètre n'a pas encore de mesures : insérez des lignes "
                                 "puis enregistrez."));
    }
    updateActions();
    if (load && m_tableExists)
        chargementStation();
    return true;
}

void Validation::chargementStation()
{
    if (m_busy)
        return;
    const std::optional<QDate> from = parseDate(m_dateDebut->text());
    const std::optional<QDate> to = parseDate(m_dateFin->text());
    if (m_code.isEmpty() || !from || !to) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Sélectionner un site et renseigner les dates de chargement"));
        return;
    }
    m_grid->commitPendingEdit();
    if (!confirmDiscard())
        return;
    if (loadWindowIntoGrid(*from, *to, 0, 100) != LoadOutcome::Gone)
        finishAfterBusy();
}

Validation::LoadOutcome Validation::loadWindowIntoGrid(const QDate &from, const QDate &to, int low,
                                                       int high)
{
    setStatus(QStringLiteral("Chargement des données"));
    setBusy(true, true);
    m_progress->setValue(low);
    QPointer<Validation> guard(this);
    QElapsedTimer turn;
    turn.start();
    LoadResult result =
        loadWindow(AccesBase::instance(), m_code, from, to, [&](qint64 done, qint64 total) {
            // The first report comes before the read: the bar shows before a long wait.
            if (done > 0 && turn.elapsed() < kTurnMs)
                return !m_cancelRequested;
            turn.restart();
            if (total > 0)
                m_progress->setValue(low + int((high - low) * double(done) / double(total)));
            QCoreApplication::processEvents();
            return guard && !m_cancelRequested;
        });
    if (!guard)
        return LoadOutcome::Gone;
    setBusy(false, false);
    if (result.cancelled) {
        setStatus(QStringLiteral("Chargement arrêté : la grille n'a pas changé"));
        return LoadOutcome::Cancelled;
    }
    if (!result.ok) {
        m_model->setRows({}, -1);
        m_loadedFrom = m_loadedTo = QDate();
        showWindowFlags();
        setStatus(QString());
        updateActions();
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La table de données pour ce site n'existe pas ou les dates "
                                   "n'ont pas un format correct."));
        return LoadOutcome::Failed;
    }
    const int lastValidated = result.lastValidatedRow;
    m_model->setRows(std::move(result.rows), lastValidated);
    m_loadedFrom = from;
    m_loadedTo = to;
    showWindowFlags();
    const int count = m_model->rowCount();
    if (count > 0) {
        const int row = lastValidated >= 0 ? std::min(lastValidated + 1, count - 1) : 0;
        const QModelIndex current = m_model->index(row, kDateColumn);
        m_grid->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        m_grid->scrollTo(current, QAbstractItemView::PositionAtCenter);
    }
    setStatus(count == 1 ? QStringLiteral("1 ligne chargée")
                         : QStringLiteral("%1 lignes chargées").arg(count));
    updateActions();
    return LoadOutcome::Loaded;
}

Validation::LoadOutcome Validation::reloadWindow(int low, int high)
{
    if (m_loadedFrom.isValid())
        return loadWindowIntoGrid(m_loadedFrom, m_loadedTo, low, high);
    const std::optional<QDate> from = parseDate(m_dateDebut->text());
    const std::optional<QDate> to = parseDate(m_dateFin->text());
    if (from && to)
        return loadWindowIntoGrid(*from, *to, low, high);
    m_model->refreshAll();
    return LoadOutcome::Loaded;
}

void Validation::cancelLoad()
{
    m_cancelRequested = true;
}

void Validation::setBusy(bool busy, bool cancellable)
{
    m_busy = busy;
    if (busy)
        m_cancelRequested = false;
    m_progress->setVisible(busy);
    m_cancel->setVisible(busy && cancellable);
    updateActions();
}

void Validation::finishAfterBusy()
{
    if (!m_closeAfterBusy)
        return;
    m_closeAfterBusy = false;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void Validation::updateActions()
{
    const bool idle = !m_busy;
    const bool station = !m_code.isEmpty();
    for (QWidget *field : {static_cast<QWidget *>(m_dateDebut), static_cast<QWidget *>(m_dateFin),
                           static_cast<QWidget *>(m_load)})
        field->setEnabled(idle && station && m_tableExists);
    m_insert->setEnabled(idle && station && m_editable);
    m_delete->setEnabled(idle && station && m_editable);
    m_save->setEnabled(idle && station && m_editable);
    m_undo->setEnabled(idle && m_model->undoStack()->canUndo());
    m_redo->setEnabled(idle && m_model->undoStack()->canRedo());
    m_chart->setEnabled(idle && station && m_loadedFrom.isValid());
    m_previous->setEnabled(idle && station);
    m_next->setEnabled(idle && station);
    m_grid->setEnabled(idle);
    m_controls->setIdle(idle);
}

void Validation::updateChangeCount()
{
    const int count = m_model->dirtyCount();
    m_changes->setText(count == 0   ? QStringLiteral("Aucune ligne modifiée")
                       : count == 1 ? QStringLiteral("1 ligne modifiée")
                                    : QStringLiteral("%1 lignes modifiées").arg(count));
    setWindowModified(count > 0);
}

void Validation::setStatus(const QString &text)
{
    m_status->setText(text);
}

void Validation::declencheInserer()
{
    if (m_busy || m_code.isEmpty() || !m_editable)
        return;
    m_grid->commitPendingEdit();
    const int row = m_model->insertRow();
    if (row < 0)
        return;
    const QModelIndex date = m_model->index(row, kDateColumn);
    m_grid->selectionModel()->setCurrentIndex(date, QItemSelectionModel::ClearAndSelect);
    m_grid->scrollTo(date);
    m_grid->setFocus();
}

void Validation::DeclencheSupprimer()
{
    if (m_busy || m_code.isEmpty())
        return;
    if (!m_editable) {
        showMessage(MessageKind::Erreur, QStringLiteral("Vous ne disposez pas des droits "
                                                        "nécessaires pour modifier les données."));
        return;
    }
    if (m_model->rowCount() == 0)
        return;
    m_grid->commitPendingEdit();
    QList<int> selected;
    for (const QItemSelectionRange &range : m_grid->selectionModel()->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r)
            selected << r;
    }
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    if (selected.isEmpty() && m_grid->currentIndex().isValid())
        selected << m_grid->currentIndex().row();
    if (selected.isEmpty())
        return;
    if (!showMessage(MessageKind::Question,
                     QStringLiteral("Etes vous sûr de vouloir supprimer les valeurs "
                                    "sélectionnées ?")))
        return;
    QString error;
    QList<int> changedSince;
    const QList<int> gone = deleteRows(AccesBase::instance(), m_code, m_model->rows(), selected,
                                       &error, &changedSince);
    m_model->removeRowsAt(gone);
    if (!error.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La suppression a échoué, aucune valeur n'a été supprimée : ") +
                        error);
        return;
    }
    const qsizetype kept = selected.size() - gone.size() - changedSince.size();
    setStatus(kept > 0 ? QStringLiteral("%1 ligne(s) validée(s) conservée(s)").arg(kept)
                       : QString());
    if (!changedSince.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("%1 ligne(s) n'ont pas été supprimées : un autre utilisateur "
                                   "les a modifiées depuis leur chargement. Rechargez la période "
                                   "pour voir leurs valeurs.")
                        .arg(changedSince.size()));
    }
    if (!gone.isEmpty())
        showMessage(MessageKind::Aide, QStringLiteral("Suppression des valeurs effectuée."));
}

bool Validation::declencheEnregistrer()
{
    if (m_busy || m_code.isEmpty())
        return false;
    if (!m_editable) {
        showMessage(MessageKind::Erreur, QStringLiteral("Vous ne disposez pas des droits "
                                                        "nécessaires pour modifier les données."));
        return false;
    }
    m_grid->commitPendingEdit();
    if (m_model->markRow() >= 0 && !confirmOpenSevereFlags())
        return false;
    setStatus(QStringLiteral("Enregistrement de données"));
    const int last = m_model->lastValidatedRow();
    const std::optional<QDateTime> lastValidated =
        last >= 0 ? std::optional<QDateTime>(m_model->row(last).loadedInstant()) : std::nullopt;
    // A flagged value the user changed is a correction in the values' history.
    SaveOptions options;
    options.correction = [this](const MeasureRow &row) {
        return row.hasLoadedKey() && m_controls->hasOpenFlag(row.loadedInstant());
    };
    QList<int> dirtyRows;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        if (m_model->row(r).dirty)
            dirtyRows << r;
    }
    setBusy(true, false);
    m_progress->setValue(0);
    QPointer<Validation> guard(this);
    QElapsedTimer turn;
    turn.start();
    // Writing cannot be stopped half-way (one transaction): the callback only reports.
    const SaveResult result =
        saveRows(AccesBase::instance(), m_code, m_model->rows(), m_model->markRow(), lastValidated,
                 [&](qint64 done, qint64 total) {
                     if (guard && total > 0 && turn.elapsed() >= kTurnMs) {
                         turn.restart();
                         m_progress->setValue(int(100 * double(done) / double(total)));
                         QCoreApplication::processEvents();
                     }
                     return true;
                 },
                 options);
    if (!guard)
        return false;
    if (!result.ok) {
        setBusy(false, false);
        m_model->refreshStyles();
        setStatus(QStringLiteral("Enregistrement échoué"));
        showMessage(MessageKind::Erreur,
                    QStringLiteral("L'enregistrement a échoué : aucune donnée n'a été modifiée "
                                   "dans la base et vos saisies sont conservées.\n") +
                        result.error);
        finishAfterBusy();
        return false;
    }
    m_tableExists = true;
    setBusy(false, false);
    QList<QDateTime> written;
    for (int r : std::as_const(dirtyRows)) {
        const MeasureRow &row = m_model->row(r);
        if (!row.dirty && row.hasLoadedKey())
            written << row.loadedInstant();
    }
    if (result.validated) {
        // The styles come from Validite as stored, not from grid positions.
        if (reloadWindow(60, 100) == LoadOutcome::Gone)
            return false;
    } else {
        m_model->refreshAll();
    }
    QString status =
        result.written == 1
            ? QStringLiteral("Enregistrement terminé : 1 ligne écrite")
            : QStringLiteral("Enregistrement terminé : %1 lignes écrites").arg(result.written);
    if (result.validated)
        status += QStringLiteral(", %1 valeur(s) validée(s)").arg(result.validatedCount);
    if (!result.conflictRows.isEmpty())
        status += QStringLiteral(", %1 refusée(s)").arg(result.conflictRows.size());
    setStatus(status);
    updateActions();
    if (!written.isEmpty()) {
        QString error;
        if (m_controls->recordCorrections(written, &error) < 0)
            m_controls->setStatus(QStringLiteral("Les corrections n'ont pas pu être notées : ") +
                                  error);
    }
    if (!result.conflictRows.isEmpty()) {
        m_model->setConflicts(result.conflictRows, result.conflictStored);
        const QModelIndex first = m_model->index(result.conflictRows.first(), kDateColumn);
        m_grid->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        m_grid->scrollTo(first, QAbstractItemView::PositionAtCenter);
        if (showMessage(MessageKind::Question, conflictMessage(result.conflictRows.size())))
            reloadConflicts();
    }
    if (!result.redRows.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Certaines lignes ne sont pas saisies correctement (lignes "
                                   "rouges). Merci de vérifier votre saisie afin de permettre "
                                   "l'enregistrement."));
    }
    finishAfterBusy();
    return result.redRows.isEmpty() && result.conflictRows.isEmpty();
}

QString Validation::conflictMessage(qsizetype count)
{
    return QStringLiteral("%1 ligne(s) ont été modifiées ou supprimées par un autre utilisateur "
                          "depuis leur chargement : elles n'ont pas été enregistrées (en orange, "
                          "la valeur en base entre parenthèses à côté de la vôtre). Les autres "
                          "lignes ont été enregistrées.\n\nVoulez-vous recharger ces lignes "
                          "depuis la base ? Vos autres modifications sont conservées.")
        .arg(count);
}

bool Validation::reloadConflicts()
{
    if (m_busy || m_code.isEmpty())
        return false;
    const QList<int> rows = m_model->conflictRows();
    if (rows.isEmpty())
        return true;
    QString error;
    QList<int> gone;
    std::vector<MeasureRow> &data = m_model->rows();
    if (!reloadRows(AccesBase::instance(), m_code, data, rows, &gone, &error)) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Les lignes n'ont pas pu être rechargées : ") + error);
        return false;
    }
    m_model->setConflicts({}, {});
    m_model->removeRowsAt(gone);
    m_model->refreshAll();
    setStatus(QStringLiteral("%1 ligne(s) rechargée(s) depuis la base").arg(rows.size()));
    updateActions();
    return true;
}

void Validation::DeclenchePoubelle()
{
    if (m_busy || m_code.isEmpty())
        return;
    if (!session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF"))) {
        showMessage(MessageKind::Erreur, QStringLiteral("Vous ne disposez pas des droits "
                                                        "nécessaires pour dévalider les données."));
        return;
    }
    if (!askQuestionDefaultNo(
            QStringLiteral("Etes vous sûr de vouloir dévalider tous les points ?")))
        return;
    m_grid->commitPendingEdit();
    if (!confirmDiscard())
        return;
    QString error;
    const qint64 count = devalidateAll(AccesBase::instance(), m_code, &error);
    if (count < 0) {
        showMessage(MessageKind::Erreur, QStringLiteral("La dévalidation a échoué : ") + error);
        return;
    }
    if (m_loadedFrom.isValid() &&
        loadWindowIntoGrid(m_loadedFrom, m_loadedTo, 0, 100) == LoadOutcome::Gone)
        return;
    setStatus(QStringLiteral("%1 valeur(s) dévalidée(s)").arg(count));
    finishAfterBusy();
}

QString Validation::exportTitle() const
{
    return QStringLiteral("Validation_") + (m_identifiant.isEmpty() ? m_code : m_identifiant);
}

XlsxGrid Validation::exportGrid() const
{
    std::vector<int> columns;
    for (int c = kDateColumn; c <= kObtentionColumn; ++c) {
        if (!m_grid->isColumnHidden(c))
            columns.push_back(c);
    }
    return measurementGrid(std::as_const(*m_model).rows(), columns, m_model->parameterLabels(),
                           exportTitle());
}

bool Validation::reportPeriod(QDate &start, QDate &end) const
{
    if (!m_loadedFrom.isValid() || !m_loadedTo.isValid())
        return false;
    start = m_loadedFrom;
    end = m_loadedTo;
    return true;
}

MeasureTable Validation::reportMeasures() const
{
    MeasureTable table;
    QList<int> columns;
    for (int c = kDateColumn; c <= kObtentionColumn; ++c) {
        if (!m_grid->isColumnHidden(c)) {
            columns << c;
            table.headings << m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        }
    }
    table.headings << QStringLiteral("Validité");
    table.rows.reserve(size_t(m_model->rowCount()));
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const MeasureRow &row = m_model->row(r);
        MeasureTable::Row out;
        for (int c : columns)
            out.cells << cellText(row, c).trimmed();
        out.validity = row.validite.isNull() ? QString() : QString(row.validite);
        out.cells << out.validity;
        table.rows.push_back(std::move(out));
    }
    return table;
}

void Validation::DeclencheExcel()
{
    if (m_busy)
        return;
    if (m_model->rowCount() == 0) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Aucune donnée à exporter : chargez d'abord les mesures."));
        return;
    }
    exportGridInOneClick(this, exportGrid());
}

void Validation::DeclencheApercu()
{
    if (!parseDate(m_dateDebut->text()) || !parseDate(m_dateFin->text())) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Renseigner les dates de début et de fin de chargement"));
        return;
    }
    const QPixmap image = grab();
    previewImage(this, image, windowTitle().remove(QStringLiteral("[*]")));
}

void Validation::DeclencheAide()
{
    if (Navigator *navigator = navigatorFor(this))
        navigator->showHelp();
}

void Validation::loadPrevious()
{
    loadNeighbour(-1);
}

void Validation::loadNext()
{
    loadNeighbour(1);
}

void Validation::openChart()
{
    if (m_busy || m_code.isEmpty())
        return;
    if (!m_loadedFrom.isValid()) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Charger les mesures d'une période avant de les tracer."));
        return;
    }
    m_grid->commitPendingEdit();
    // The value columns the grid shows, under their headings.
    std::vector<GridColumn> columns;
    for (int i = 0; i < kMeasuredValues; ++i) {
        const int column = kPluieColumn + i;
        if (!m_grid->isColumnHidden(column))
            columns.push_back(
                {i, m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()});
    }
    Navigator *navigator = navigatorFor(this);
    if (!navigator)
        return;
    const QString name = stationDisplayName(AccesBase::instance(), m_code);
    EditionGraphique::openGrid(*navigator, name.isEmpty() ? m_code : name,
                               m_model->rows(), columns, m_loadedFrom, m_loadedTo);
}

void Validation::openHistory()
{
    if (m_code.isEmpty())
        return;
    Navigator *navigator = navigatorFor(this);
    auto *screen = new HistoriqueModifications(m_code);
    // A revert changed the values: the window shown reloads when nothing is being edited.
    connect(screen, &HistoriqueModifications::valuesChanged, this, [this](const QString &code) {
        if (code == m_code && !m_busy && !hasUnsavedChanges() && m_loadedFrom.isValid())
            loadWindowIntoGrid(m_loadedFrom, m_loadedTo, 0, 100);
    });
    if (navigator) {
        navigator->openScreen(screen);
    } else {
        screen->setAttribute(Qt::WA_DeleteOnClose);
        screen->show();
    }
}

void Validation::showCellHistory()
{
    if (m_busy) {
        m_cellTimer->start(); // not while a load or a save reads the table
        return;
    }
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid() || current.row() >= m_model->rowCount() || m_code.isEmpty()) {
        m_cellHistory->setText(QString());
        return;
    }
    const MeasureRow &row = m_model->row(current.row());
    if (!row.hasLoadedKey()) {
        m_cellHistory->setText(QStringLiteral("Ligne pas encore enregistrée."));
        return;
    }
    const int column = current.column();
    const int value = column >= kPluieColumn && column <= kValeur3Column ? column - kPluieColumn
                      : column == kRuptureColumn                         ? kMeasuredValues
                                                                         : -1;
    const QString parameter = historyParameterName(value);
    AccesBase &db = AccesBase::instance();
    const std::vector<HistoryEntry> entries =
        hasMeasureHistory(db)
            ? cellHistory(db, m_code, row.loadedInstant(), parameter)
            : std::vector<HistoryEntry>{};
    const QString heading =
        QStringLiteral("<b>%1</b> %2").arg(formatDateTime(row.loadedInstant()),
                                           (value >= 0 ? m_model->headerData(column, Qt::Horizontal,
                                                                             Qt::DisplayRole)
                                                             .toString()
                                                       : QStringLiteral("validité"))
                                               .toHtmlEscaped());
    if (entries.empty()) {
        m_cellHistory->setText(heading + QStringLiteral("<br>Aucune modification enregistrée."));
        return;
    }
    const auto number = [](const std::optional<double> &v) {
        return v ? formatNumber(*v) : QStringLiteral("vide");
    };
    QStringList lines;
    for (size_t i = 0; i < entries.size() && i < 8; ++i) {
        const HistoryEntry &e = entries[i];
        QString what;
        if (e.rowType == QLatin1Char('L'))
            what = e.comment;
        else if (!e.parameter.isEmpty())
            what = QStringLiteral("%1 → %2").arg(number(e.oldValue), number(e.newValue));
        else if (e.rowType == QLatin1Char('S'))
            what = QStringLiteral("mesure supprimée");
        else
            what = QStringLiteral("validité « %1 » → « %2 »").arg(e.oldValidite, e.newValidite);
        // One line each, to the minute: the panel is short on a laptop screen, and the
        // change itself is what the reader came for.
        lines << QStringLiteral("%1 · <b>%2</b> · %3 : %4")
                     .arg(e.changedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                          e.login.toHtmlEscaped(), historyNatureLabel(e.nature).toHtmlEscaped(),
                          what.toHtmlEscaped());
    }
    if (entries.size() > 8)
        lines << QStringLiteral("… %1 de plus").arg(entries.size() - 8);
    m_cellHistory->setText(heading + QStringLiteral("<br>") + lines.join(QStringLiteral("<br>")));
}

void Validation::loadNeighbour(int step)
{
    if (m_busy || m_code.isEmpty())
        return;
    const QString code = m_neighbours ? m_neighbours(m_code, step)
                                      : adjacentStationCode(AccesBase::instance(), m_code, step);
    if (code.isEmpty() || normalisedStationCode(code) == m_code)
        return;
    m_grid->commitPendingEdit();
    // The next station opens as this one was: loaded when this one was.
    initSite(code, m_loadedFrom.isValid());
}

void Validation::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        // A load stops at once; a save finishes first. The screen closes afterwards.
        m_cancelRequested = true;
        m_closeAfterBusy = true;
        event->ignore();
        return;
    }
    m_grid->commitPendingEdit();
    if (m_editable && hasUnsavedChanges() &&
        showMessage(MessageKind::Question, QStringLiteral("Les données ont été modifiées. "
                                                          "Voulez-vous enregistrer les "
                                                          "modifications avant de fermer ?")) &&
        !declencheEnregistrer()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace plx
