#include "charts/widgets/editiongraphiqueannuaire.h"

#include "charts/chartoptions.h"
#include "charts/widgets/collapsibleframe.h"
#include "outputs/widgets/chartpicture.h"
#include "charts/widgets/yearstepper.h"
#include "db/accesbase.h"
#include "schema/periodes.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace plx {

namespace {

const char *const kTotalBoxes[] = {"chkPluieTotal",      "chkPluieEfficaceTotal",
                                   "chkEtpTotal",        "chkParametre1Total",
                                   "chkParametre2Total", "chkParametre3Total"};

// A panel of curve boxes, each showing or hiding its curve of chart without recomputing.
QWidget *curveBoxes(const char *name, const std::vector<CurveBox> &entries, QWidget *parent,
                    CtlGraphique *chart, std::vector<std::pair<QCheckBox *, int>> &boxes)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (const CurveBox &entry : entries) {
        auto *box = new QCheckBox(QString::fromUtf8(entry.caption), panel);
        box->setObjectName(QLatin1String(entry.objectName));
        box->setChecked(true);
        layout->addWidget(box);
        boxes.emplace_back(box, entry.curve);
        QObject::connect(
            box, &QCheckBox::clicked, chart,
            [chart, curve = entry.curve](bool checked) { chart->AfficherSerie(curve, checked); });
    }
    return panel;
}

} // namespace

EditionGraphiqueAnnuaire::EditionGraphiqueAnnuaire(QWidget *parent)
    : StationChartScreen(CtlGraphique::Kind::Yearly, QStringLiteral("Annuaire"), parent)
{
    setObjectName(QStringLiteral("EditionGraphiqueAnnuaire"));
    m_chart->setObjectName(QStringLiteral("CtlGraphiqueAnnee"));
    m_chart->Annuaire = true;
    m_total = new CtlGraphique(this);
    m_total->setObjectName(QStringLiteral("CtlGraphiqueTotal"));
    m_total->setKind(CtlGraphique::Kind::Chronicle);
    m_total->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    chartColumn()->addWidget(m_total, 1);

    m_year = addYearStepper(topBar(), 2, m_chart, [this] { TraitementParametres(); });

    auto *side = new QVBoxLayout(sidePanel());
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(4);

    // Upper chart: the year.
    m_frame = new CollapsibleFrame(QStringLiteral("Courbes"), sidePanel());
    m_frame->setObjectName(QStringLiteral("FrmStatistiques"));
    m_frame->setToolTip(QStringLiteral("Graphique de l'année (en haut)"));
    QWidget *body = m_frame->body();
    m_mode = optionGroup("OptStatistiques", QStringLiteral("Année : type de graphique"),
                         yearbookModeCaptions(), body);
    m_yearType = optionGroup("OptAnnee", QStringLiteral("Année"), yearTypeCaptions(), body, 2);
    m_visualisation = optionGroup("OptVisualisation", QStringLiteral("Visualisation"),
                                  yearlyVisualisationCaptions(), body);
    // One column: the free parameters' captions are long, and the panel must not cut them.
    m_parameter =
        optionGroup("OptParametre", QStringLiteral("Paramètre"), parameterCaptions(), body);
    m_visualisationBox = qobject_cast<QGroupBox *>(m_visualisation->parent());
    for (QButtonGroup *group : {m_mode, m_yearType, m_visualisation, m_parameter})
        m_frame->bodyLayout()->addWidget(qobject_cast<QWidget *>(group->parent()));
    m_statisticsPanel =
        curveBoxes("FrmCourbesStatistiques", statisticsBoxes(), body, m_chart, m_statistics);
    m_cumulPanel = new QWidget(body);
    m_cumulPanel->setObjectName(QStringLiteral("FrmCourbesMois"));
    auto *cumulLayout = new QVBoxLayout(m_cumulPanel);
    cumulLayout->setContentsMargins(0, 0, 0, 0);
    cumulLayout->setSpacing(1);
    cumulLayout->addWidget(
        curveBoxes("FrmCourbesCumuls", yearbookCumulBoxes(), m_cumulPanel, m_chart, m_cumuls));
    cumulLayout->addWidget(
        curveBoxes("FrmCourbesListeMois", monthBoxes(), m_cumulPanel, m_chart, m_months));
    m_frame->bodyLayout()->addWidget(m_statisticsPanel);
    m_frame->bodyLayout()->addWidget(m_cumulPanel);

    // Lower chart: the whole record.
    m_frameTotal = new CollapsibleFrame(QStringLiteral("Courbes"), sidePanel());
    m_frameTotal->setObjectName(QStringLiteral("FrmStatistiquesTotal"));
    m_frameTotal->setToolTip(QStringLiteral("Chronique complète (en bas)"));
    QWidget *bodyTotal = m_frameTotal->body();
    auto *parameters = new QGroupBox(QStringLiteral("Chronique : paramètres"), bodyTotal);
    parameters->setObjectName(QStringLiteral("FrmParametresTotal"));
    auto *parameterLayout = new QVBoxLayout(parameters);
    parameterLayout->setContentsMargins(6, 2, 6, 4);
    parameterLayout->setSpacing(1);
    const QStringList captions = parameterCaptions();
    for (int i = 0; i < kChartParameters; ++i) {
        auto *box = new QCheckBox(captions.at(i), parameters);
        box->setObjectName(QLatin1String(kTotalBoxes[i]));
        parameterLayout->addWidget(box);
        m_parametersTotal.push_back(box);
        connect(box, &QCheckBox::clicked, this,
                &EditionGraphiqueAnnuaire::TraitementParametresTotal);
    }
    m_parametersTotal[0]->setChecked(true);
    m_horizonTotal = optionGroup("OptHorizonTotal", QStringLiteral("Pas de mesure"),
                                 horizonCaptions(), bodyTotal);
    m_visualisationTotal = optionGroup("OptVisualisationTotal", QStringLiteral("Visualisation"),
                                       chronicleVisualisationCaptions(), bodyTotal);
    m_frameTotal->bodyLayout()->addWidget(parameters);
    for (QButtonGroup *group : {m_horizonTotal, m_visualisationTotal}) {
        m_frameTotal->bodyLayout()->addWidget(qobject_cast<QWidget *>(group->parent()));
        connect(group, &QButtonGroup::idClicked, this,
                &EditionGraphiqueAnnuaire::TraitementParametresTotal);
    }

    side->addWidget(m_frame);
    side->addWidget(m_frameTotal);
    side->addStretch(1);

    connect(m_mode, &QButtonGroup::idClicked, this, [this] {
        applyMode();
        TraitementParametres();
    });
    connect(m_yearType, &QButtonGroup::idClicked, this, [this] {
        orderMonths();
        TraitementParametres();
    });
    connect(m_visualisation, &QButtonGroup::idClicked, this,
            &EditionGraphiqueAnnuaire::TraitementParametres);
    connect(m_parameter, &QButtonGroup::idClicked, this,
            &EditionGraphiqueAnnuaire::TraitementParametres);

    m_mode->button(kStatisticsMode)->setChecked(true);
    m_yearType->button(kCivilYear)->setChecked(true);
    m_visualisation->button(0)->setChecked(true);
    m_parameter->button(0)->setChecked(true);
    // The whole record of a long station reads best month by month.
    m_horizonTotal->button(2)->setChecked(true);
    m_visualisationTotal->button(0)->setChecked(true);
    m_frame->setOpen(true);
    m_frameTotal->setOpen(true);
    applyMode();
    orderMonths();
}

void EditionGraphiqueAnnuaire::stationChanged()
{
    m_startMonth = startMonthNumber(readHydroStartMonth(AccesBase::instance()));
    orderMonths();
    const QStringList captions = parameterCaptions();
    const QStringList labels = freeParameterLabels();
    for (int i = 0; i < 3; ++i) {
        const QString label = labels.value(i);
        QAbstractButton *option = m_parameter->button(3 + i);
        option->setText(label.isEmpty() ? captions.at(3 + i) : label);
        option->setVisible(!label.isEmpty());
        QCheckBox *box = m_parametersTotal[size_t(3 + i)];
        box->setText(option->text());
        box->setVisible(!label.isEmpty());
        if (label.isEmpty())
            box->setChecked(false);
    }
    if (QAbstractButton *chosen = m_parameter->checkedButton(); chosen && chosen->isHidden())
        m_parameter->button(0)->setChecked(true);
    // The lower chart draws from the series the upper one has just read.
    if (isInitialised() && m_total->InitialiserDepuis(*m_chart))
        TraitementParametresTotal();
}

void EditionGraphiqueAnnuaire::applyMode()
{
    const int mode = m_mode->checkedId();
    m_statisticsPanel->setVisible(mode == kStatisticsMode);
    m_cumulPanel->setVisible(mode == kMonthlyCumulMode);
    m_visualisationBox->setEnabled(mode != kMonthlyCumulMode);
}

void EditionGraphiqueAnnuaire::orderMonths()
{
    const bool hydro = m_yearType->checkedId() == kHydroYear;
    auto *panel = findChild<QWidget *>(QStringLiteral("FrmCourbesListeMois"));
    auto *layout = qobject_cast<QVBoxLayout *>(panel->layout());
    std::vector<std::pair<int, QCheckBox *>> ranked;
    for (const auto &[box, month] : m_months)
        ranked.emplace_back(monthRank(month, m_startMonth, hydro), box);
    std::sort(ranked.begin(), ranked.end());
    for (const auto &[rank, box] : ranked)
        layout->removeWidget(box);
    for (const auto &[rank, box] : ranked)
        layout->addWidget(box);
}

std::optional<ReportPicture> EditionGraphiqueAnnuaire::reportChart(const QString &bookmark) const
{
    if (!hasReportData())
        return std::nullopt;
    switch (chartBookmarkOf(bookmark)) {
    case ChartBookmark::Year:
        return chartPicture({m_chart});
    case ChartBookmark::SecondYear:
        return chartPicture({m_total});
    case ChartBookmark::Total:
        return chartPicture({m_chart, m_total});
    case ChartBookmark::None:
        break;
    }
    return std::nullopt;
}

void EditionGraphiqueAnnuaire::TraitementParametres()
{
    ChartProperties properties = m_chart->properties();
    properties = yearbookProperties(properties, m_mode->checkedId(), m_yearType->checkedId(),
                                    m_visualisation->checkedId(), m_parameter->checkedId());
    m_chart->setProperties(properties);
    m_chart->Tracer();
    applyCurveBoxes();
    const QSignalBlocker blocker(m_year);
    m_year->setValue(m_chart->selectedYear());
}

void EditionGraphiqueAnnuaire::applyCurveBoxes()
{
    // A redraw rebuilds the curves: the boxes of the mode decide again what shows. In the
    // monthly cumulation a curve is shown when any box naming it is checked.
    if (m_chart->TypeEdition == QLatin1String("EDITION")) {
        for (const auto &[box, curve] : m_statistics)
            m_chart->AfficherSerie(curve, box->isChecked());
        return;
    }
    std::map<int, bool> shown;
    for (const auto *list : {&m_cumuls, &m_months})
        for (const auto &[box, curve] : *list)
            shown[curve] = shown[curve] || box->isChecked();
    for (const auto &[curve, visible] : shown)
        m_chart->AfficherSerie(curve, visible);
}

void EditionGraphiqueAnnuaire::TraitementParametresTotal()
{
    ParameterChecks checked{};
    for (size_t i = 0; i < m_parametersTotal.size(); ++i)
        checked[i] = m_parametersTotal[i]->isChecked();
    ChartProperties properties = m_total->properties();
    properties = chronicleProperties(properties, checked, m_horizonTotal->checkedId(),
                                     m_visualisationTotal->checkedId());
    m_total->setProperties(properties);
    m_total->Tracer();
}

} // namespace plx
