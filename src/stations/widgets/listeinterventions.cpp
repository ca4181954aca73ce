#include "stations/widgets/listeinterventions.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/navigator.h"
#include "base/widgets/readonlytable.h"
#include "db/accesbase.h"
#include "outputs/widgets/gridexport.h"
#include "stations/stationlist.h"
#include "stations/widgets/fichepluviometre.h"
#include "stations/widgets/rapportintervention.h"

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

namespace {

constexpr int kTypedRole = Qt::UserRole + 1; // the exported value (number, date)
constexpr qlonglong kAllStations = -1;
constexpr qlonglong kListSelection = -2;

enum Column {
    ColNum,
    ColPluviometre,
    ColIdentifiant,
    ColCommune,
    ColNumero,
    ColDate,
    ColHeure,
    ColType,
    ColIntervenant,
    ColProbleme,
    ColSolution,
    ColCommentaires,
    ColCloture,
    ColumnCount
};

QStandardItem *cell(const QString &text, const QVariant &typed = QVariant())
{
    auto *item = new QStandardItem(text.section(QLatin1Char('\n'), 0, 0));
    if (text.contains(QLatin1Char('\n')))
        item->setToolTip(text);
    item->setData(typed.isValid() ? typed : QVariant(text), kTypedRole);
    return item;
}

QStandardItem *dateCell(const QDate &date)
{
    return cell(formatDate(date), date.isValid() ? QVariant(date) : QVariant());
}

} // namespace

ListeInterventions::ListeInterventions(const std::vector<qlonglong> &stations, QWidget *parent)
    : QWidget(parent), m_selection(stations)
{
    setObjectName(QStringLiteral("ListeInterventions"));
    setWindowTitle(screenTitle());
    buildUi();
    fillStations(stations);
    fillTypes();
    resize(1280, 620);
    Actualiser();
}

void ListeInterventions::buildUi()
{
    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("TxtDateDebut"));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("TxtDateFin"));
    for (QLineEdit *edit : {m_from, m_to}) {
        edit->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
        edit->setMaxLength(10);
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 14);
        edit->setToolTip(QStringLiteral("Période des interventions (vide : sans limite)"));
        connect(edit, &QLineEdit::returnPressed, this, &ListeInterventions::Actualiser);
    }
    m_station = new QComboBox(this);
    m_station->setObjectName(QStringLiteral("CboPluviometre"));
    m_station->setMinimumContentsLength(32);
    m_station->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("CboType"));
    m_type->setMinimumContentsLength(12);
    auto *filter = new QPushButton(QStringLiteral("&Filtrer"), this);
    filter->setObjectName(QStringLiteral("CmdFiltrer"));
    filter->setAutoDefault(false);
    connect(filter, &QPushButton::clicked, this, &ListeInterventions::Actualiser);
    connect(m_station, &QComboBox::activated, this, &ListeInterventions::Actualiser);
    connect(m_type, &QComboBox::activated, this, &ListeInterventions::Actualiser);

    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("Num"), QStringLiteral("Pluviomètre"), QStringLiteral("Identifiant"),
         QStringLiteral("Commune"), QStringLiteral("N°"), QStringLiteral("Date"),
         QStringLiteral("Heure"), QStringLiteral("Type"), QStringLiteral("Intervenant"),
         QStringLiteral("Problème"), QStringLiteral("Solution"), QStringLiteral("Commentaires"),
         QStringLiteral("Clôture")});
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("SprInterventions"));
    m_table->setModel(m_model);
    setUpReadOnlyTable(m_table);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, [this] { openCurrentRecord(); });
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[ColumnCount] = {5, 20, 10, 15, 3, 10, 5, 10, 20, 22, 22, 24, 10};
    for (int c = 0; c < ColumnCount; ++c)
        m_table->setColumnWidth(c, digit * widths[c] + 14);

    auto *report = new QPushButton(QStringLiteral("&Rapport d'intervention"), this);
    report->setObjectName(QStringLiteral("CmdRapportIntervention"));
    report->setToolTip(QStringLiteral("Aperçu avant impression du rapport de l'intervention "
                                      "choisie"));
    connect(report, &QPushButton::clicked, this, &ListeInterventions::openCurrentReport);
    auto *record = new QPushButton(QStringLiteral("Fiche du &pluviomètre"), this);
    record->setObjectName(QStringLiteral("CmdFiche"));
    record->setToolTip(QStringLiteral("Ouvre la fiche du pluviomètre sur ses interventions "
                                      "(double-clic, Entrée)"));
    connect(record, &QPushButton::clicked, this, [this] { openCurrentRecord(); });
    auto *exportButton = new QPushButton(QStringLiteral("E&xporter"), this);
    exportButton->setObjectName(QStringLiteral("CmdExporter"));
    exportButton->setToolTip(QStringLiteral("Les lignes affichées vers un classeur"));
    connect(exportButton, &QPushButton::clicked, this, &ListeInterventions::DeclencheExcel);
    for (QPushButton *b : {report, record, exportButton})
        b->setAutoDefault(false);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblNombre"));

    auto *filters = new QGridLayout;
    int column = 0;
    const auto add = [&](const QString &label, QWidget *field) {
        auto *caption = new QLabel(label, this);
        caption->setBuddy(field);
        filters->addWidget(caption, 0, column++);
        filters->addWidget(field, 0, column++);
    };
    add(QStringLiteral("&Du"), m_from);
    add(QStringLiteral("a&u"), m_to);
    add(QStringLiteral("P&luviomètre"), m_station);
    add(QStringLiteral("&Type"), m_type);
    filters->addWidget(filter, 0, column++);
    filters->setColumnStretch(column, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(record);
    bottom->addWidget(report);
    bottom->addWidget(exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
}

void ListeInterventions::fillStations(const std::vector<qlonglong> &selection)
{
    m_station->clear();
    m_station->addItem(QStringLiteral("Tous les pluviomètres"), kAllStations);
    if (!selection.empty())
        m_station->addItem(
            QStringLiteral("Sélection de la liste (%1 site(s))").arg(selection.size()),
            kListSelection);
    const StationListResult list = loadStationList();
    std::vector<std::pair<QString, qlonglong>> stations;
    QSet<qlonglong> seen;
    for (const StationListRow &row : list.rows) {
        if (seen.contains(row.code))
            continue;
        seen.insert(row.code);
        stations.emplace_back(row.nom + QStringLiteral(" (") + QString::number(row.code) +
                                  QLatin1Char(')'),
                              row.code);
    }
    QCollator collator(QLocale(QLocale::French, QLocale::France));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(stations.begin(), stations.end(),
              [&collator](const auto &a, const auto &b) { return collator(a.first, b.first); });
    for (const auto &[label, code] : stations)
        m_station->addItem(label, code);
    // One station selected in the list: that station; several: the selection.
    if (selection.size() == 1)
        m_station->setCurrentIndex(std::max(0, m_station->findData(selection.front())));
    else
        m_station->setCurrentIndex(selection.empty() ? 0 : 1);
}

void ListeInterventions::setStations(const std::vector<qlonglong> &stations)
{
    m_selection = stations;
    fillStations(stations);
    Actualiser();
}

void ListeInterventions::fillTypes()
{
    const QString current = m_type->currentIndex() > 0 ? m_type->currentText() : QString();
    m_type->clear();
    m_type->addItem(QStringLiteral("Tous"));
    m_type->addItems(interventionTypes(AccesBase::instance()));
    const int at = current.isEmpty() ? 0 : m_type->findText(current);
    m_type->setCurrentIndex(std::max(0, at));
}

bool ListeInterventions::readFilter(InterventionFilter *filter)
{
    for (const auto &[edit, date] :
         {std::pair{m_from, &filter->from}, std::pair{m_to, &filter->to}}) {
        const QString text = edit->text().trimmed();
        if (text.isEmpty())
            continue;
        *date = parseDate(text);
        if (!*date) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Date incorrecte : « %1 » (attendu jj/mm/aaaa).").arg(text));
            edit->setFocus();
            edit->selectAll();
            return false;
        }
    }
    if (filter->from && filter->to && *filter->from > *filter->to) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La date de début doit précéder la date de fin."));
        m_from->setFocus();
        return false;
    }
    const qlonglong station = m_station->currentData().toLongLong();
    if (station == kListSelection)
        filter->stations = m_selection;
    else if (station > 0)
        filter->stations = {station};
    filter->type = m_type->currentIndex() > 0 ? m_type->currentText() : QString();
    return true;
}

bool ListeInterventions::Actualiser()
{
    InterventionFilter filter;
    if (!readFilter(&filter))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    InterventionLoad load = loadInterventions(AccesBase::instance(), filter);
    QApplication::restoreOverrideCursor();
    if (!load.ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Les interventions n'ont pas pu être lues : ") + load.error);
        return false;
    }
    m_rows = std::move(load.rows);
    fillRows();
    return true;
}

void ListeInterventions::fillRows()
{
    m_model->removeRows(0, m_model->rowCount());
    m_model->setRowCount(int(m_rows.size()));
    for (size_t r = 0; r < m_rows.size(); ++r) {
        const InterventionRow &i = m_rows[r];
        QStandardItem *items[ColumnCount] = {
            cell(QString::number(i.station), i.station),
            cell(i.stationName),
            cell(i.identifiant),
            cell(i.commune),
            cell(QString::number(i.numero), i.numero),
            dateCell(i.date),
            cell(i.time.isValid() ? i.time.toString(QStringLiteral("HH:mm")) : QString()),
            cell(i.type),
            cell(i.intervenant),
            cell(i.probleme),
            cell(i.solution),
            cell(i.commentaires),
            dateCell(i.cloture)};
        for (const int c : {ColNum, ColNumero})
            items[c]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        for (int c = 0; c < ColumnCount; ++c)
            m_model->setItem(int(r), c, items[c]);
    }
    m_count->setText(m_rows.empty() ? QStringLiteral("Aucune intervention")
                                    : QStringLiteral("%1 intervention(s) sur %2 pluviomètre(s)")
                                          .arg(m_rows.size())
                                          .arg([this] {
                                              QSet<qlonglong> stations;
                                              for (const InterventionRow &i : m_rows)
                                                  stations.insert(i.station);
                                              return stations.size();
                                          }()));
    setWindowTitle(screenTitle() + QStringLiteral(" / ") + QString::number(m_rows.size()) +
                   QStringLiteral(" intervention(s)"));
    if (!m_rows.empty())
        m_table->setCurrentIndex(m_model->index(0, ColPluviometre));
}

const InterventionRow *ListeInterventions::currentRow() const
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid() || current.row() >= int(m_rows.size()))
        return nullptr;
    return &m_rows[size_t(current.row())];
}

bool ListeInterventions::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return false;
    m_table->setCurrentIndex(m_model->index(row, ColPluviometre));
    return true;
}

FichePluviometre *ListeInterventions::openCurrentRecord()
{
    const InterventionRow *row = currentRow();
    if (!row) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Choisissez une intervention dans la liste."));
        return nullptr;
    }
    Navigator *navigator = navigatorFor(this);
    if (!navigator)
        return nullptr;
    auto *record = new FichePluviometre;
    if (!record->ChargementFichePluviometre(QString::number(row->station))) {
        delete record;
        return nullptr;
    }
    // A record already open on that station comes to the front instead of this one.
    auto *shown = qobject_cast<FichePluviometre *>(navigator->openScreen(record));
    if (shown)
        shown->showIntervention(row->numero);
    return shown;
}

bool ListeInterventions::openCurrentReport()
{
    const InterventionRow *row = currentRow();
    if (!row) {
        showMessage(MessageKind::Aide,
                    QStringLiteral("Choisissez une intervention dans la liste."));
        return false;
    }
    return previewInterventionReport(this, row->station, row->numero);
}

void ListeInterventions::DeclencheExcel()
{
    exportViewInOneClick(this, *m_table, QStringLiteral("Liste_des_interventions"),
                         exportedRole(kTypedRole));
}

void ListeInterventions::DeclencheAide()
{
    if (Navigator *navigator = navigatorFor(this))
        navigator->showHelp();
}

bool ListeInterventions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrentRecord();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace plx
