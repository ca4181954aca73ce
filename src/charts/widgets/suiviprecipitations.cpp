#include "charts/widgets/suiviprecipitations.h"

#include "base/messages.h"
#include "charts/chartsteps.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"
#include "outputs/widgets/gridexport.h"
#include "stations/widgets/stationlistchoice.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace plx {

namespace {

QString valueText(double value, bool mean)
{
    if (std::isnan(value))
        return QString();
    return QLocale(QLocale::French).toString(value, 'f', mean ? 2 : 1);
}

QString dayStartKey()
{
    return QStringLiteral("SuiviDebutJournee");
}

} // namespace

SuiviPrecipitations::SuiviPrecipitations(const QStringList &stations, QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Suivi des précipitations"));
    m_stations = new QLineEdit(stations.join(QLatin1Char(',')));
    m_stations->setObjectName(QStringLiteral("TxtStations"));
    m_stations->setPlaceholderText(QStringLiteral("codes séparés par des virgules"));
    m_lists = new QComboBox;
    m_lists->setObjectName(QStringLiteral("CboListe"));
    m_lists->setToolTip(QStringLiteral("Les codes saisis, la sélection de la liste des "
                                       "pluviomètres ou une liste enregistrée"));
    fillStationListChoice(m_lists, QStringLiteral("Codes saisis"));
    // A list's stations show in the field as soon as it is chosen, so the user sees them.
    connect(m_lists, &QComboBox::activated, this, [this] {
        if (const std::optional<QStringList> codes = stationsOfChoice(m_lists))
            m_stations->setText(codes->join(QLatin1Char(',')));
    });
    // Typing codes goes back to "Codes saisis".
    connect(m_stations, &QLineEdit::textEdited, this, [this] { m_lists->setCurrentIndex(0); });
    m_compare = new QCheckBox(QStringLiteral("Comparer aux &normales"));
    m_compare->setObjectName(QStringLiteral("ChkNormales"));
    m_compare->setToolTip(QStringLiteral("Normale de chaque période et part de la normale "
                                         "(pas mensuel ou annuel, pluie, pluie efficace, ETP)"));
    m_parameter = new QComboBox;
    m_parameter->setObjectName(QStringLiteral("CboParametre"));
    for (const DataKind &kind : dataKinds(AccesBase::instance()))
        if (!kind.label.isEmpty())
            m_parameter->addItem(kind.label, kind.parameter);
    if (m_parameter->count() == 0)
        m_parameter->addItem(QStringLiteral("Pluie"), 1);
    m_step = new QComboBox;
    m_step->setObjectName(QStringLiteral("CboPas"));
    m_step->addItem(QStringLiteral("Jour"), int(FollowUpStep::Day));
    m_step->addItem(QStringLiteral("Mois"), int(FollowUpStep::Month));
    m_step->addItem(QStringLiteral("Année"), int(FollowUpStep::Year));
    m_step->setCurrentIndex(1);
    m_dayStart = new QComboBox;
    m_dayStart->setObjectName(QStringLiteral("CboDebutJournee"));
    m_dayStart->addItem(QStringLiteral("0 h"), 0);
    m_dayStart->addItem(QStringLiteral("6 h UTC (journée Météo-France)"), 6);
    // The day start is the user's choice, kept between sessions.
    m_dayStart->setCurrentIndex(LireParametre(dayStartKey()).trimmed() == QLatin1String("6") ? 1 : 0);
    connect(m_dayStart, &QComboBox::currentIndexChanged, this, [this] {
        EcrireParametre(dayStartKey(), m_dayStart->currentData().toString());
    });
    m_parameter->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const QDate today = QDate::currentDate();
    m_from = new QDateEdit(QDate(today.year(), 1, 1));
    m_from->setObjectName(QStringLiteral("DtpDebut"));
    m_to = new QDateEdit(today);
    m_to->setObjectName(QStringLiteral("DtpFin"));
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    }
    auto *compute = new QPushButton(QStringLiteral("&Calculer"));
    compute->setObjectName(QStringLiteral("BtnCalculer"));
    connect(compute, &QPushButton::clicked, this, &SuiviPrecipitations::Actualiser);
    connect(m_stations, &QLineEdit::returnPressed, this, &SuiviPrecipitations::Actualiser);

    connect(m_step, &QComboBox::currentIndexChanged, this, &SuiviPrecipitations::updateNormalsChoice);
    connect(m_parameter, &QComboBox::currentIndexChanged, this,
            &SuiviPrecipitations::updateNormalsChoice);
    updateNormalsChoice();

    auto *form = new QFormLayout;
    auto *stationsRow = new QHBoxLayout;
    stationsRow->addWidget(m_stations, 1);
    stationsRow->addWidget(m_lists);
    form->addRow(QStringLiteral("Stations :"), stationsRow);
    auto *window = new QHBoxLayout;
    window->addWidget(new QLabel(QStringLiteral("Du")));
    window->addWidget(m_from);
    window->addWidget(new QLabel(QStringLiteral("au")));
    window->addWidget(m_to);
    window->addSpacing(12);
    window->addWidget(new QLabel(QStringLiteral("Pas :")));
    window->addWidget(m_step);
    window->addSpacing(12);
    window->addWidget(new QLabel(QStringLiteral("Début de journée :")));
    window->addWidget(m_dayStart);
    window->addStretch();
    auto *parameterRow = new QHBoxLayout;
    parameterRow->addWidget(m_parameter);
    parameterRow->addSpacing(12);
    parameterRow->addWidget(m_compare);
    parameterRow->addStretch();
    form->addRow(QStringLiteral("Paramètre :"), parameterRow);
    form->addRow(QStringLiteral("Période :"), window);

    m_caption = new QLabel;
    m_caption->setObjectName(QStringLiteral("LblLegende"));
    m_caption->setWordWrap(true);
    m_model = new QStandardItemModel(this);
    m_view = new QTableView;
    m_view->setObjectName(QStringLiteral("SprSuivi"));
    m_view->setModel(m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_caption, 1);
    buttons->addWidget(compute);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_view, 1);
    if (!stations.isEmpty())
        Actualiser();
}

bool SuiviPrecipitations::Actualiser()
{
    if (m_running)
        return false;
    if (const std::optional<QStringList> chosen = stationsOfChoice(m_lists)) {
        if (chosen->isEmpty())
            return false;
        m_stations->setText(chosen->join(QLatin1Char(',')));
    }
    QStringList codes;
    for (const QString &part : m_stations->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString code = part.trimmed();
        if (measurementTableName(code).isEmpty()) {
            showMessage(MessageKind::Erreur, QStringLiteral("Code de station invalide : %1").arg(code));
            return false;
        }
        if (!codes.contains(code))
            codes << code;
    }
    if (codes.isEmpty()) {
        showMessage(MessageKind::Aide, QStringLiteral("Indiquez au moins une station."));
        return false;
    }
    if (m_to->date() < m_from->date()) {
        showMessage(MessageKind::Erreur, QStringLiteral("La date de fin précède la date de début."));
        return false;
    }
    m_running = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<std::shared_ptr<const StationSeries>> owned;
    std::vector<const StationSeries *> series;
    QString error;
    for (const QString &code : codes) {
        owned.push_back(loadStationSeries(AccesBase::instance(), code, &error));
        if (!owned.back())
            break;
        series.push_back(owned.back().get());
    }
    QApplication::restoreOverrideCursor();
    m_running = false;
    if (series.size() != size_t(codes.size())) {
        showMessage(MessageKind::Erreur, error);
        return false;
    }
    FollowUpOptions options;
    options.parameter = m_parameter->currentData().toInt();
    options.step = FollowUpStep(m_step->currentData().toInt());
    options.dayStartHour = m_dayStart->currentData().toInt();
    options.from = m_from->date();
    options.to = m_to->date();
    m_table = followUpTable(codes, series, options);
    m_normals.reset();
    QString references;
    if (m_compare->isEnabled() && m_compare->isChecked()) {
        std::vector<std::array<double, 12>> monthly;
        QStringList titles;
        for (size_t i = 0; i < series.size(); ++i) {
            QString title;
            monthly.push_back(followUpReference(
                *series[i], loadStationNormals(AccesBase::instance(), codes[qsizetype(i)]),
                options.parameter, options.selection, &title));
            titles << title;
        }
        m_normals = followUpNormals(m_table, monthly);
        m_normals->titles = titles;
        titles.removeDuplicates();
        titles.removeAll(QString());
        references = QStringLiteral(" Normale : %1, au prorata des jours pour une période "
                                    "coupée ; %2 : part de la normale.")
                         .arg(titles.isEmpty() ? QStringLiteral("aucune") : titles.join(QStringLiteral(", ")),
                              QStringLiteral("% normale"));
    }
    const QString unit = parameterUnit(options.parameter);
    m_caption->setText(
        QStringLiteral("%1%2 : %3 par période. En italique sur fond orangé : période incomplète "
                       "(jours sans valeur, ou période coupée par les dates). Cumul : périodes "
                       "complètes seules ; Total : toute la période choisie.")
            .arg(m_parameter->currentText(),
                 unit.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(unit),
                 m_table.mean ? QStringLiteral("moyenne") : QStringLiteral("somme"))
        + references);
    fillModel();
    return true;
}

void SuiviPrecipitations::fillModel()
{
    m_model->clear();
    QStringList headers{QStringLiteral("Période")};
    for (const QString &code : m_table.stations) {
        headers << code << QStringLiteral("Jours manquants");
        if (m_normals)
            headers << QStringLiteral("Normale") << QStringLiteral("% normale");
    }
    m_model->setHorizontalHeaderLabels(headers);
    const QBrush incomplete(QColor(255, 229, 204));
    const QLocale french(QLocale::French);
    const auto addRow = [&](const QString &label, const std::vector<FollowUpCell> &cells,
                            const std::vector<double> *normals, bool summary) {
        QList<QStandardItem *> items{new QStandardItem(label)};
        for (size_t s = 0; s < cells.size(); ++s) {
            const FollowUpCell &cell = cells[s];
            auto *value = new QStandardItem(valueText(cell.value, m_table.mean));
            auto *missing = new QStandardItem(QString::number(cell.missingDays));
            value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            missing->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!std::isnan(cell.value))
                value->setData(cell.value, Qt::UserRole);
            if (!cell.complete && !summary) {
                QFont font = value->font();
                font.setItalic(true);
                value->setFont(font);
                value->setBackground(incomplete);
                missing->setBackground(incomplete);
                value->setToolTip(QStringLiteral("Période incomplète : %1 jour(s) sans valeur")
                                      .arg(cell.missingDays));
            }
            items << value << missing;
            if (normals) {
                const double normal = s < normals->size() ? (*normals)[s] : std::nan("");
                const double percent = percentOfNormal(cell.value, normal);
                auto *normalItem = new QStandardItem(valueText(normal, false));
                auto *percentItem = new QStandardItem(
                    std::isnan(percent) ? QString() : french.toString(percent, 'f', 0) + QStringLiteral(" %"));
                for (QStandardItem *item : {normalItem, percentItem}) {
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    item->setForeground(QColor(0x1f, 0x4e, 0x79));
                }
                if (!std::isnan(normal))
                    normalItem->setData(normal, Qt::UserRole);
                if (!std::isnan(percent))
                    percentItem->setData(percent, Qt::UserRole);
                items << normalItem << percentItem;
            }
        }
        if (summary)
            for (QStandardItem *item : items) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
        m_model->appendRow(items);
    };
    for (size_t p = 0; p < m_table.periods.size(); ++p)
        addRow(m_table.periods[p].label, m_table.cells[p],
               m_normals ? &m_normals->periods[p] : nullptr, false);
    addRow(QStringLiteral("Cumul"), m_table.cumul, m_normals ? &m_normals->cumul : nullptr, true);
    addRow(QStringLiteral("Total"), m_table.total, m_normals ? &m_normals->total : nullptr, true);
    m_view->resizeColumnsToContents();
}

void SuiviPrecipitations::updateNormalsChoice()
{
    const bool possible = followUpHasNormals(m_parameter->currentData().toInt(),
                                             FollowUpStep(m_step->currentData().toInt()));
    m_compare->setEnabled(possible);
}

void SuiviPrecipitations::DeclencheExcel()
{
    if (m_model->rowCount() == 0) {
        showMessage(MessageKind::Aide, QStringLiteral("Aucun suivi calculé à exporter."));
        return;
    }
    exportViewInOneClick(this, *m_view, QStringLiteral("Suivi_des_precipitations"));
}

} // namespace plx
