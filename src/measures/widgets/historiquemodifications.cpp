#include "measures/widgets/historiquemodifications.h"

#include "base/locale.h"
#include "base/messages.h"
#include "base/widgets/readonlytable.h"
#include "db/accesbase.h"
#include "outputs/widgets/gridexport.h"
#include "outputs/xlsxgrid.h"
#include "schema/measurehistorytable.h"
#include "session/session.h"

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

// When, who and what first, as a log reads; the batch identifier last.
const QStringList kHeadings{QStringLiteral("Modifié le"),
                            QStringLiteral("Utilisateur"),
                            QStringLiteral("Nature"),
                            QStringLiteral("Instant"),
                            QStringLiteral("Paramètre"),
                            QStringLiteral("Ancienne valeur"),
                            QStringLiteral("Nouvelle valeur"),
                            QStringLiteral("Ancienne validité"),
                            QStringLiteral("Nouvelle validité"),
                            QStringLiteral("Commentaire"),
                            QStringLiteral("Lot")};
constexpr int kOldValueColumn = 5;
constexpr int kNewValueColumn = 6;

QString number(const std::optional<double> &value)
{
    return value ? formatNumber(*value) : QString();
}

QString instantText(const HistoryEntry &e)
{
    if (e.rowType != QLatin1Char('L'))
        return formatDateTime(e.instant);
    if (!e.instant.isValid() && !e.rangeStart.isValid())
        return QString();
    return (e.rangeStart.isValid() ? QStringLiteral("après le ") + formatDateTime(e.rangeStart) +
                                         QLatin1Char(' ')
                                   : QString()) +
           (e.instant.isValid() ? QStringLiteral("jusqu'au ") + formatDateTime(e.instant)
                                : QString());
}

QStringList cellsOf(const HistoryEntry &e)
{
    const bool summary = e.rowType == QLatin1Char('L');
    QString parameter = summary ? QStringLiteral("(lot)") : e.parameter;
    if (!summary && parameter.isEmpty())
        parameter = e.rowType == QLatin1Char('S') ? QStringLiteral("(mesure supprimée)")
                                                  : QStringLiteral("(validité)");
    return {formatDateTime(e.changedAt),
            e.login,
            historyNatureLabel(e.nature),
            summary && e.nature == QLatin1String("DEVALIDATION") && !e.instant.isValid()
                ? QStringLiteral("toutes les mesures")
                : instantText(e),
            parameter,
            number(e.oldValue),
            number(e.newValue),
            e.oldValidite,
            e.newValidite,
            e.comment,
            e.batch};
}

} // namespace

HistoriqueModifications::HistoriqueModifications(const QString &code, QWidget *parent)
    : QWidget(parent), m_code(code.trimmed())
{
    setObjectName(QStringLiteral("HistoriqueModifications"));
    setWindowTitle(QStringLiteral("Historique des modifications - pluviomètre ") + m_code);

    m_from = new QLineEdit(this);
    m_from->setObjectName(QStringLiteral("TxtDateDebut"));
    m_to = new QLineEdit(this);
    m_to->setObjectName(QStringLiteral("TxtDateFin"));
    for (QLineEdit *edit : {m_from, m_to}) {
        edit->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
        edit->setMaxLength(10);
        edit->setToolTip(QStringLiteral("Période des mesures (vide : sans limite)"));
        connect(edit, &QLineEdit::returnPressed, this, &HistoriqueModifications::refresh);
    }
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("TxtUtilisateur"));
    m_user->setPlaceholderText(QStringLiteral("tous"));
    connect(m_user, &QLineEdit::returnPressed, this, &HistoriqueModifications::refresh);
    m_nature = new QComboBox(this);
    m_nature->setObjectName(QStringLiteral("CboNature"));
    m_nature->addItem(QStringLiteral("Toutes"), QString());
    for (const QString &code : historyNatureCodes())
        m_nature->addItem(historyNatureLabel(code), code);
    m_filter = new QPushButton(QStringLiteral("&Filtrer"), this);
    m_filter->setObjectName(QStringLiteral("CmdFiltrer"));
    connect(m_filter, &QPushButton::clicked, this, &HistoriqueModifications::refresh);
    m_export = new QPushButton(QStringLiteral("E&xporter vers le tableur"), this);
    m_export->setObjectName(QStringLiteral("CmdExporter"));
    connect(m_export, &QPushButton::clicked, this, &HistoriqueModifications::DeclencheExcel);
    m_revert = new QPushButton(QStringLiteral("&Annuler ce lot"), this);
    m_revert->setObjectName(QStringLiteral("CmdAnnulerLot"));
    m_revert->setToolTip(QStringLiteral("Remettre les mesures du lot sélectionné comme avant son "
                                        "enregistrement (une nouvelle modification)"));
    m_revert->setEnabled(session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF")));
    connect(m_revert, &QPushButton::clicked, this, &HistoriqueModifications::revertSelectedBatch);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblNombre"));

    m_model = new QStandardItemModel(0, int(kHeadings.size()), this);
    m_model->setHorizontalHeaderLabels(kHeadings);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("SprHistorique"));
    m_table->setModel(m_model);
    setUpReadOnlyTable(m_table);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateActions(); });

    auto *filters = new QGridLayout;
    filters->addWidget(new QLabel(QStringLiteral("Mesures du"), this), 0, 0);
    filters->addWidget(m_from, 0, 1);
    filters->addWidget(new QLabel(QStringLiteral("au"), this), 0, 2);
    filters->addWidget(m_to, 0, 3);
    filters->addWidget(new QLabel(QStringLiteral("Utilisateur"), this), 0, 4);
    filters->addWidget(m_user, 0, 5);
    filters->addWidget(new QLabel(QStringLiteral("Nature"), this), 0, 6);
    filters->addWidget(m_nature, 0, 7);
    filters->addWidget(m_filter, 0, 8);
    filters->setColumnStretch(9, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_revert);
    bottom->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(1200, 560);
    refresh();
}

bool HistoriqueModifications::refresh()
{
    HistoryFilter filter;
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
    filter.login = m_user->text().trimmed();
    filter.nature = m_nature->currentData().toString();
    m_model->removeRows(0, m_model->rowCount());
    m_entries.clear();
    AccesBase &db = AccesBase::instance();
    QString error;
    if (hasMeasureHistory(db) &&
        !readHistory(db, m_code, filter, m_entries, &error)) {
        showMessage(MessageKind::Erreur,
                    QStringLiteral("L'historique n'a pas pu être lu : ") + error);
        updateActions();
        return false;
    }
    m_model->setRowCount(int(m_entries.size()));
    for (size_t r = 0; r < m_entries.size(); ++r) {
        const QStringList cells = cellsOf(m_entries[r]);
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QStandardItem(cells[c]);
            if (c == kOldValueColumn || c == kNewValueColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (m_entries[r].rowType == QLatin1Char('L')) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            m_model->setItem(int(r), c, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_count->setText(m_entries.empty() ? QStringLiteral("Aucune modification")
                                       : QStringLiteral("%1 ligne(s)").arg(m_entries.size()));
    updateActions();
    return true;
}

void HistoriqueModifications::updateActions()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    m_revert->setEnabled(!rows.isEmpty() && session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF")));
    m_export->setEnabled(!m_entries.empty());
}

XlsxGrid HistoriqueModifications::historyGrid() const
{
    XlsxGrid grid;
    grid.sheetName = QStringLiteral("Historique");
    grid.title = QStringLiteral("Historique_") + m_code;
    grid.headings = kHeadings;
    for (const HistoryEntry &e : m_entries) {
        std::vector<QVariant> cells;
        const QStringList texts = cellsOf(e);
        for (int c = 0; c < texts.size(); ++c) {
            if (c == kOldValueColumn && e.oldValue)
                cells.emplace_back(*e.oldValue);
            else if (c == kNewValueColumn && e.newValue)
                cells.emplace_back(*e.newValue);
            else
                cells.emplace_back(texts[c]);
        }
        grid.rows.push_back(std::move(cells));
    }
    return grid;
}

void HistoriqueModifications::DeclencheExcel()
{
    if (!m_entries.empty())
        exportGridInOneClick(this, historyGrid());
}

bool HistoriqueModifications::revertSelectedBatch()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty() || size_t(rows.first().row()) >= m_entries.size())
        return false;
    if (!session().hasRight(QStringLiteral("PLUVIO_DATA_MODIF"))) {
        showMessage(MessageKind::Erreur, QStringLiteral("Vous ne disposez pas des droits "
                                                        "nécessaires pour modifier les données."));
        return false;
    }
    const HistoryEntry &entry = m_entries[size_t(rows.first().row())];
    const QString batch = entry.batch;
    if (!askQuestionDefaultNo(
            QStringLiteral("Annuler le lot du %1 (%2, %3) ? Les mesures qu'il a modifiées "
                           "reprendront leur valeur d'avant, en une nouvelle modification.")
                .arg(formatDateTime(entry.changedAt), historyNatureLabel(entry.nature),
                     entry.login)))
        return false;
    const RevertResult result = revertBatch(AccesBase::instance(), m_code, batch);
    if (!result.ok) {
        QString text = QStringLiteral("L'annulation du lot est refusée : ") + result.error;
        if (!result.changedSince.isEmpty()) {
            QStringList instants;
            for (const QDateTime &at : result.changedSince.mid(0, 10))
                instants << formatDateTime(at);
            text += QStringLiteral("\nMesures modifiées depuis : ") +
                    instants.join(QStringLiteral(", ")) +
                    (result.changedSince.size() > 10 ? QStringLiteral("…") : QString());
        }
        showMessage(MessageKind::Erreur, text);
        return false;
    }
    refresh();
    emit valuesChanged(m_code);
    showMessage(MessageKind::Aide,
                QStringLiteral("Lot annulé : %1 mesure(s) remise(s) comme avant.").arg(result.records));
    return true;
}

} // namespace plx
