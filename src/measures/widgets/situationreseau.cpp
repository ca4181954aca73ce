#include "measures/widgets/situationreseau.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "base/widgets/readonlytable.h"
#include "db/accesbase.h"
#include "outputs/widgets/gridexport.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/stationlistchoice.h"

#include <QApplication>
#include <QComboBox>
#include <QColor>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

const QStringList kHeadings{QStringLiteral("Code"),
                            QStringLiteral("Nom"),
                            QStringLiteral("Dernière valeur le"),
                            QStringLiteral("Pluie (mm)"),
                            QStringLiteral("Validé jusqu'au"),
                            QStringLiteral("Observation"),
                            QStringLiteral("Dernière intervention"),
                            QStringLiteral("Type"),
                            QStringLiteral("Commentaire")};
// Instants and the observation take the width of their text, set from the font.
const int kWidths[] = {50, 170, 0, 75, 0, 0, 0, 70, 0};

// Sorting and export read the typed value (numbers, instants); the display reads French.
constexpr int kValueRole = Qt::UserRole;

QStandardItem *textCell(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setData(text, kValueRole);
    return item;
}

// A missing value has no typed value: it sorts after the others and exports empty.
QStandardItem *typedCell(const QString &text, const QVariant &value)
{
    auto *item = new QStandardItem(text);
    item->setData(value, kValueRole);
    return item;
}

QStandardItem *instantCell(const QDateTime &instant)
{
    return instant.isValid() ? typedCell(formatDateTime(instant), instant)
                             : typedCell(QString(), QVariant());
}

} // namespace

SituationReseau::SituationReseau(const QStringList &codes, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SituationReseau"));
    setWindowTitle(QStringLiteral("Situation du réseau"));

    m_date = new QDateEdit(QDate::currentDate(), this);
    m_date->setObjectName(QStringLiteral("TxtDateRecherche"));
    m_date->setDisplayFormat(QString(kDateFormat));
    m_date->setCalendarPopup(true);
    m_date->setMinimumDate(QDate(kFirstYear, 1, 1));
    m_date->setMaximumDate(QDate(kLastYear, 12, 31));
    m_stations = new QLineEdit(codes.join(QLatin1Char(',')), this);
    m_stations->setObjectName(QStringLiteral("TxtStations"));
    m_stations->setPlaceholderText(QStringLiteral("toutes les stations visibles"));
    m_stations->setToolTip(QStringLiteral("Codes des stations séparés par des virgules "
                                          "(vide : toutes les stations visibles)"));
    connect(m_stations, &QLineEdit::returnPressed, this, &SituationReseau::Actualiser);
    m_lists = new QComboBox(this);
    m_lists->setObjectName(QStringLiteral("CboListe"));
    m_lists->setToolTip(QStringLiteral("Les codes saisis (vide : toutes les stations visibles), la "
                                       "sélection de la liste des pluviomètres ou une liste "
                                       "enregistrée"));
    fillStationListChoice(m_lists, QStringLiteral("Codes saisis ou toutes les stations"));
    // A list's stations show in the field as soon as it is chosen, so the user sees them.
    connect(m_lists, &QComboBox::activated, this, [this] {
        if (const std::optional<QStringList> codes = stationsOfChoice(m_lists))
            m_stations->setText(codes->join(QLatin1Char(',')));
    });
    connect(m_stations, &QLineEdit::textEdited, this, [this] { m_lists->setCurrentIndex(0); });
    m_search = new QPushButton(QStringLiteral("&Rechercher"), this);
    m_search->setObjectName(QStringLiteral("CmdRechercher"));
    m_search->setDefault(true);
    connect(m_search, &QPushButton::clicked, this, &SituationReseau::Actualiser);
    m_cancel = new QPushButton(QStringLiteral("A&rrêter"), this);
    m_cancel->setObjectName(QStringLiteral("CmdArreter"));
    m_cancel->setEnabled(false);
    connect(m_cancel, &QPushButton::clicked, this, &SituationReseau::cancel);
    m_export = new QPushButton(QStringLiteral("E&xporter"), this);
    m_export->setObjectName(QStringLiteral("CmdExporter"));
    connect(m_export, &QPushButton::clicked, this, &SituationReseau::DeclencheExcel);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblNombre"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progression"));
    m_progress->setVisible(false);
    m_progress->setMaximumWidth(260);

    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels(kHeadings);
    m_model->setSortRole(kValueRole);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("SprSituation"));
    m_table->setModel(m_model);
    setUpReadOnlyTable(m_table);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ColCode, Qt::AscendingOrder);
    for (int c = 0; c < ColumnCount; ++c) {
        if (kWidths[c] > 0)
            m_table->setColumnWidth(c, kWidths[c]);
    }
    const QFontMetrics metrics = m_table->fontMetrics();
    const int instantWidth = metrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 16;
    for (const int c : {ColInstant, ColValidation, ColIntervention})
        m_table->setColumnWidth(c, std::max(instantWidth, m_table->columnWidth(c)));
    m_table->setColumnWidth(ColObservation,
                            metrics.horizontalAdvance(situationNotFoundText()) + 12);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { openFromIndex(index.row(), index.column()); });
    // Enter on a cell does what a double-click does.
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto *shortcut = new QShortcut(key, m_table);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            const QModelIndex index = m_table->currentIndex();
            if (index.isValid())
                openFromIndex(index.row(), index.column());
        });
    }

    auto *top = new QHBoxLayout;
    auto *dateLabel = new QLabel(QStringLiteral("&Date de recherche"), this);
    dateLabel->setBuddy(m_date);
    top->addWidget(dateLabel);
    top->addWidget(m_date);
    auto *stationsLabel = new QLabel(QStringLiteral("&Stations"), this);
    stationsLabel->setBuddy(m_stations);
    top->addSpacing(12);
    top->addWidget(stationsLabel);
    top->addWidget(m_stations, 1);
    top->addWidget(m_lists);
    top->addWidget(m_search);
    top->addWidget(m_cancel);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(1200, 560);
}

QDate SituationReseau::searchDate() const
{
    return m_date->date();
}

void SituationReseau::setSearchDate(const QDate &date)
{
    m_date->setDate(date);
}

QString SituationReseau::codeAt(int viewRow) const
{
    const QStandardItem *item = m_model->item(viewRow, ColCode);
    return item ? item->text() : QString();
}

void SituationReseau::setBusy(bool busy)
{
    m_running = busy;
    m_search->setEnabled(!busy);
    m_export->setEnabled(!busy);
    m_date->setEnabled(!busy);
    m_stations->setEnabled(!busy);
    m_lists->setEnabled(!busy);
    m_cancel->setEnabled(busy);
    m_progress->setVisible(busy);
    m_table->setSortingEnabled(!busy);
}

bool SituationReseau::Actualiser()
{
    if (m_running)
        return false;
    if (const std::optional<QStringList> chosen = stationsOfChoice(m_lists)) {
        // An empty choice would mean every station: refuse it (the message is shown).
        if (chosen->isEmpty())
            return false;
        m_stations->setText(chosen->join(QLatin1Char(',')));
    }
    const QStringList codes = m_stations->text().split(QLatin1Char(','), Qt::SkipEmptyParts);
    const SituationStationsResult stations = situationStations(codes);
    if (!stations.ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La liste des pluviomètres n'a pas pu être lue : ") +
                        stations.error);
        return false;
    }
    if (!stations.unknown.isEmpty()) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Station inconnue ou non visible : %1")
                        .arg(stations.unknown.join(QStringLiteral(", "))));
        m_stations->setFocus();
        return false;
    }

    const QDate date = searchDate();
    m_rows.clear();
    m_model->removeRows(0, m_model->rowCount());
    m_cancelled = false;
    setBusy(true);
    m_progress->setRange(0, int(stations.stations.size()));
    m_progress->setValue(0);
    QPointer<SituationReseau> alive(this);
    QStringList failures;
    AccesBase &db = AccesBase::instance();
    // One station at a time, giving the event loop a turn between them: a network of a few
    // hundred stations takes a while on a remote server.
    for (size_t i = 0; i < stations.stations.size(); ++i) {
        m_status->setText(QStringLiteral("Recherche en cours : station %1 sur %2")
                              .arg(i + 1)
                              .arg(stations.stations.size()));
        QApplication::processEvents();
        if (!alive)
            return false;
        if (m_cancelled)
            break;
        std::vector<StationSituation> one = computeSituation(db, {stations.stations[i]}, date);
        if (!one.front().error.isEmpty())
            failures << one.front().code + QStringLiteral(" : ") + one.front().error;
        const int row = m_model->rowCount();
        m_model->insertRow(row);
        fillRow(row, one.front());
        m_rows.push_back(std::move(one.front()));
        m_progress->setValue(int(i + 1));
    }
    setBusy(false);
    m_table->sortByColumn(m_table->horizontalHeader()->sortIndicatorSection(),
                          m_table->horizontalHeader()->sortIndicatorOrder());
    const auto stale = std::count_if(m_rows.begin(), m_rows.end(),
                                     [](const StationSituation &s) { return s.stale; });
    m_status->setText(QStringLiteral("%1 station(s) au %2, dont %3 sans information récente%4")
                          .arg(m_rows.size())
                          .arg(formatDate(date))
                          .arg(stale)
                          .arg(m_cancelled ? QStringLiteral(" (recherche arrêtée)") : QString()));
    if (!failures.isEmpty())
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Certaines stations n'ont pas pu être lues :\n") +
                        failures.join(QLatin1Char('\n')));
    return !m_cancelled && failures.isEmpty();
}

void SituationReseau::cancel()
{
    m_cancelled = true;
}

void SituationReseau::fillRow(int row, const StationSituation &s)
{
    const QList<QStandardItem *> items{
        typedCell(s.code, s.code.toLongLong()),
        textCell(s.nom),
        instantCell(s.lastInstant),
        typedCell(s.lastValue.isNull() ? QString() : formatNumber(s.lastValue.toDouble()),
                  s.lastValue),
        instantCell(s.lastValidated),
        textCell(s.stale ? situationNotFoundText() : QString()),
        instantCell(s.lastIntervention),
        textCell(s.interventionType),
        textCell(s.interventionComment)};
    for (int c = 0; c < items.size(); ++c) {
        QStandardItem *item = items[c];
        if (c == ColCode || c == ColValeur)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (s.stale) {
            item->setForeground(QColor(0xA0, 0x30, 0x20));
            item->setToolTip(situationNotFoundText());
        }
        if (c == ColCommentaire && !s.interventionComment.isEmpty())
            item->setToolTip(s.interventionComment);
        m_model->setItem(row, c, item);
    }
}

void SituationReseau::openFromIndex(int viewRow, int column)
{
    const QString code = codeAt(viewRow);
    Navigator *navigator = navigatorFor(this);
    if (code.isEmpty() || !navigator)
        return;
    // Neighbours in the order the grid shows, so that previous/next walk the situation.
    QPointer<SituationReseau> self(this);
    const Navigator::NeighbourLookup neighbours = [self](const QString &current, int step) {
        if (!self)
            return QString();
        for (int r = 0; r < self->m_model->rowCount(); ++r) {
            if (self->codeAt(r) == current)
                return self->codeAt(r + step);
        }
        return QString();
    };
    if (column == ColInstant || column == ColValeur || column == ColValidation) {
        navigator->openStationSeries(code, neighbours);
        return;
    }
    auto *record = new FichePluviometre;
    record->setNeighbourLookup(neighbours);
    if (!record->ChargementFichePluviometre(code)) {
        delete record;
        return;
    }
    navigator->openScreen(record);
}

void SituationReseau::DeclencheExcel()
{
    if (m_running || m_model->rowCount() == 0)
        return;
    exportViewInOneClick(this, *m_table, QStringLiteral("Situation_du_réseau"),
                         exportedRole(kValueRole));
}

} // namespace plx
