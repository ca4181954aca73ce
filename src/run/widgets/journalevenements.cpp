#include "run/widgets/journalevenements.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/readonlytable.h"
#include "db/accesbase.h"
#include "outputs/widgets/gridexport.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

namespace plx {

namespace {

const QStringList kHeadings{QStringLiteral("Date"),    QStringLiteral("Niveau"),
                            QStringLiteral("Utilisateur"), QStringLiteral("Contact"),
                            QStringLiteral("Poste"),   QStringLiteral("Module"),
                            QStringLiteral("Description")};

QStringList cellsOf(const JournalEntry &e)
{
    return {formatDateTime(e.dateEvt), journalLevelLabel(e.niveau), e.utilisateur, e.contact,
            e.ip, e.projet, e.description};
}

} // namespace

JournalEvenements::JournalEvenements(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("JournalEvenements"));
    setWindowTitle(QStringLiteral("Journal des événements"));

    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("TxtDateDebut"));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("TxtDateFin"));
    for (QLineEdit *edit : {m_from, m_to}) {
        edit->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
        edit->setMaxLength(10);
        edit->setToolTip(QStringLiteral("Période des événements (vide : sans limite)"));
    }
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("TxtUtilisateur"));
    m_user->setPlaceholderText(QStringLiteral("tous"));
    m_project = new QComboBox(this);
    m_project->setObjectName(QStringLiteral("CboModule"));
    m_project->setEditable(true);
    m_project->setInsertPolicy(QComboBox::NoInsert);
    m_project->addItems({QString(), QStringLiteral("PLXReader")});
    m_project->lineEdit()->setPlaceholderText(QStringLiteral("tous"));
    m_project->setToolTip(QStringLiteral("Programme qui a écrit l'événement"));
    m_level = new QComboBox(this);
    m_level->setObjectName(QStringLiteral("CboNiveau"));
    m_level->addItem(QStringLiteral("Tous"), 0);
    for (int level = 1; level <= 3; ++level)
        m_level->addItem(journalLevelLabel(level), level);
    m_station = new QLineEdit(this);
    m_station->setObjectName(QStringLiteral("TxtPluviometre"));
    m_station->setPlaceholderText(QStringLiteral("code"));
    m_station->setMaxLength(9);
    m_station->setToolTip(QStringLiteral("Événements qui citent ce pluviomètre"));
    for (QLineEdit *edit : {m_from, m_to, m_user, m_station, m_project->lineEdit()})
        connect(edit, &QLineEdit::returnPressed, this, &JournalEvenements::Actualiser);
    auto *filter = new QPushButton(QStringLiteral("&Filtrer"), this);
    filter->setObjectName(QStringLiteral("CmdFiltrer"));
    connect(filter, &QPushButton::clicked, this, &JournalEvenements::Actualiser);

    m_previous = new QPushButton(QStringLiteral("Page &précédente"), this);
    m_previous->setObjectName(QStringLiteral("CmdPagePrecedente"));
    connect(m_previous, &QPushButton::clicked, this, &JournalEvenements::previousPage);
    m_next = new QPushButton(QStringLiteral("Page &suivante"), this);
    m_next->setObjectName(QStringLiteral("CmdPageSuivante"));
    connect(m_next, &QPushButton::clicked, this, &JournalEvenements::nextPage);
    m_export = new QPushButton(QStringLiteral("E&xporter…"), this);
    m_export->setObjectName(QStringLiteral("CmdExporter"));
    m_export->setToolTip(QStringLiteral("Exporter les lignes affichées vers un classeur"));
    connect(m_export, &QPushButton::clicked, this, &JournalEvenements::DeclencheExcel);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblNombre"));

    m_model = new QStandardItemModel(0, int(kHeadings.size()), this);
    m_model->setHorizontalHeaderLabels(kHeadings);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("SprJournal"));
    m_table->setModel(m_model);
    setUpReadOnlyTable(m_table);
    // Column widths from the texts they hold, without measuring every row of a page.
    const QFontMetrics metrics = m_table->fontMetrics();
    const int widths[] = {19, 11, 12, 9, 15, 12};
    for (int c = 0; c < int(std::size(widths)); ++c)
        m_table->setColumnWidth(c, metrics.horizontalAdvance(QLatin1Char('0')) * widths[c] + 16);

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
    add(QStringLiteral("U&tilisateur"), m_user);
    add(QStringLiteral("&Module"), m_project);
    add(QStringLiteral("&Niveau"), m_level);
    add(QStringLiteral("P&luviomètre"), m_station);
    filters->addWidget(filter, 0, column++);
    filters->setColumnStretch(column, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_previous);
    bottom->addWidget(m_next);
    bottom->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(1200, 600);
    Actualiser();
}

void JournalEvenements::setPageSize(int rows)
{
    m_pageSize = qMax(1, rows);
    Actualiser();
}

bool JournalEvenements::readFilter(JournalFilter &filter)
{
    for (const auto &[edit, date] : {std::pair{m_from, &filter.from}, std::pair{m_to, &filter.to}}) {
        const QString text = edit->text().trimmed();
        if (text.isEmpty())
            continue;
        *date = parseDate(text);
        if (!*date) {
            showMessage(MessageKind::Erreur,
                        QStringLiteral("Date incorrecte : « %1 » (attendu jj/mm/aaaa).").arg(text));
            edit->setFocus();
            return false;
        }
    }
    if (filter.from && filter.to && *filter.from > *filter.to) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("La date de début doit précéder la date de fin."));
        m_from->setFocus();
        return false;
    }
    filter.user = m_user->text().trimmed();
    filter.project = m_project->currentText().trimmed();
    filter.level = m_level->currentData().toInt();
    filter.station = m_station->text().trimmed();
    QString error;
    if (journalCondition(filter, &error).isEmpty()) {
        showMessage(MessageKind::Erreur, error);
        m_station->setFocus();
        return false;
    }
    return true;
}

bool JournalEvenements::Actualiser()
{
    JournalFilter filter;
    if (!readFilter(filter))
        return false;
    m_filter = filter;
    m_starts.clear();
    m_firstRow = 0;
    return load({});
}

bool JournalEvenements::nextPage()
{
    if (!m_page.hasMore)
        return false;
    m_firstRow += int(m_page.rows.size());
    return load(m_page.next);
}

bool JournalEvenements::previousPage()
{
    if (m_starts.size() < 2)
        return false;
    m_starts.pop_back(); // the page shown
    const JournalCursor start = m_starts.back();
    m_starts.pop_back(); // pushed again by load
    m_firstRow = qMax(0, m_firstRow - m_pageSize);
    return load(start);
}

bool JournalEvenements::load(const JournalCursor &start)
{
    AccesBase &db = AccesBase::instance();
    JournalPage page;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = db.isConnected() && db.tableExists(QStringLiteral("JOURNAL"))
                        ? readJournalPage(db, m_filter, start, m_pageSize, page, &error)
                        : (error = QStringLiteral("la table JOURNAL est absente de la base."), false);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("Le journal n'a pas pu être lu : ") + error);
        updateActions();
        return false;
    }
    m_starts.push_back(start);
    m_page = std::move(page);
    m_model->removeRows(0, m_model->rowCount());
    m_model->setRowCount(int(m_page.rows.size()));
    for (size_t r = 0; r < m_page.rows.size(); ++r) {
        const JournalEntry &e = m_page.rows[r];
        const QStringList cells = cellsOf(e);
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QStandardItem(cells[c]);
            if (e.niveau == 1)
                item->setForeground(QColor(0xb0, 0x00, 0x20));
            m_model->setItem(int(r), c, item);
        }
    }
    m_table->scrollToTop();
    if (m_page.rows.empty())
        m_count->setText(QStringLiteral("Aucun événement"));
    else
        m_count->setText(QStringLiteral("Page %1 : événements %2 à %3%4")
                             .arg(pageNumber())
                             .arg(m_firstRow + 1)
                             .arg(m_firstRow + int(m_page.rows.size()))
                             .arg(m_page.hasMore ? QStringLiteral(" (d'autres suivent)")
                                                 : QString()));
    updateActions();
    return true;
}

void JournalEvenements::updateActions()
{
    m_previous->setEnabled(m_starts.size() > 1);
    m_next->setEnabled(m_page.hasMore);
    m_export->setEnabled(!m_page.rows.empty());
}

XlsxGrid JournalEvenements::journalGrid() const
{
    XlsxGrid grid;
    grid.sheetName = QStringLiteral("Journal_des_evenements"); // also the file name
    grid.title = QStringLiteral("Journal_des_evenements");
    grid.headings = kHeadings;
    for (const JournalEntry &e : m_page.rows) {
        std::vector<QVariant> cells;
        const QStringList texts = cellsOf(e);
        cells.emplace_back(e.dateEvt);
        for (int c = 1; c < texts.size(); ++c)
            cells.emplace_back(texts[c]);
        grid.rows.push_back(std::move(cells));
    }
    return grid;
}

void JournalEvenements::DeclencheExcel()
{
    if (!m_page.rows.empty())
        exportGridInOneClick(this, journalGrid());
}

} // namespace plx
