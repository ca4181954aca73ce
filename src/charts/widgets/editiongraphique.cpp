#include "charts/widgets/editiongraphique.h"

#include "charts/widgets/collapsibleframe.h"
#include "outputs/widgets/chartpicture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace plx {

namespace {

const char *const kParameterBoxes[kChartParameters] = {
    "ChkPluie", "ChkPluieEfficace", "ChkEtp", "ChkParametre1", "ChkParametre2", "ChkParametre3"};
const char *const kParameterCaptions[kChartParameters] = {
    "Pluie", "Pluie efficace", "Etp", "Paramètre 1", "Paramètre 2", "Paramètre 3"};

} // namespace

EditionGraphique::EditionGraphique(QWidget *parent)
    : StationChartScreen(CtlGraphique::Kind::Chronicle, QStringLiteral("Graphique chronologique"),
                         parent)
{
    setObjectName(QStringLiteral("EditionGraphique"));
    auto *side = new QVBoxLayout(sidePanel());
    side->setContentsMargins(0, 0, 0, 0);

    m_horizon =
        optionGroup("OptHorizon", QStringLiteral("Pas de mesure"), horizonCaptions(), sidePanel());
    m_visualisation = optionGroup("OptVisualisation", QStringLiteral("Visualisation"),
                                  chronicleVisualisationCaptions(), sidePanel());
    m_horizon->button(0)->setChecked(true);
    m_visualisation->button(0)->setChecked(true);

    m_curves = new CollapsibleFrame(QStringLiteral("Courbes"), sidePanel());
    m_curves->setObjectName(QStringLiteral("FrmStatistiques"));
    for (int i = 0; i < kChartParameters; ++i) {
        auto *box = new QCheckBox(QString::fromUtf8(kParameterCaptions[i]), m_curves->body());
        box->setObjectName(QLatin1String(kParameterBoxes[i]));
        m_curves->bodyLayout()->addWidget(box);
        m_parameters[size_t(i)] = box;
        connect(box, &QCheckBox::clicked, this, &EditionGraphique::TraitementParametres);
    }
    m_parameters[0]->setChecked(true);

    side->addWidget(m_curves);
    for (QButtonGroup *group : {m_horizon, m_visualisation}) {
        side->addWidget(qobject_cast<QWidget *>(group->parent()));
        connect(group, &QButtonGroup::idClicked, this, &EditionGraphique::TraitementParametres);
    }
    side->addStretch(1);
    m_curves->setOpen(true);
}

void EditionGraphique::stationChanged()
{
    // The free parameters show under their stored label; without one they are hidden and
    // no longer drawn.
    const QStringList labels = freeParameterLabels();
    for (int i = 0; i < 3; ++i) {
        QCheckBox *box = m_parameters[size_t(3 + i)];
        const QString label = labels.value(i);
        box->setText(label.isEmpty() ? QString::fromUtf8(kParameterCaptions[3 + i]) : label);
        box->setVisible(!label.isEmpty());
        if (label.isEmpty())
            box->setChecked(false);
    }
}

std::optional<ReportPicture> EditionGraphique::reportChart(const QString &bookmark) const
{
    if (!hasReportData() || chartBookmarkOf(bookmark) != ChartBookmark::Total)
        return std::nullopt;
    return chartPicture({m_chart});
}

void EditionGraphique::TraitementParametres()
{
    if (m_gridMode)
        return;
    ParameterChecks checked{};
    for (int i = 0; i < kChartParameters; ++i)
        checked[size_t(i)] = m_parameters[size_t(i)]->isChecked();
    ChartProperties properties = m_chart->properties();
    properties = chronicleProperties(properties, checked, m_horizon->checkedId(),
                                     m_visualisation->checkedId());
    m_chart->setProperties(properties);
    m_chart->Tracer();
    if (!isInitialised())
        return;
    for (int i = 0; i < kChartParameters; ++i) {
        if (checked[size_t(i)])
            m_chart->AfficherCourbe(i + 1);
        else
            m_chart->MasquerCourbe(i + 1);
    }
}

EditionGraphique *EditionGraphique::openGrid(Navigator &navigator, const QString &title,
                                             const std::vector<MeasureRow> &rows,
                                             const std::vector<GridColumn> &columns,
                                             const QDate &start, const QDate &end)
{
    EditionGraphique *screen = nullptr;
    for (QWidget *open : navigator.screens()) {
        auto *chart = qobject_cast<EditionGraphique *>(open);
        if (chart && chart->isGridMode()) {
            screen = chart;
            break;
        }
    }
    if (!screen) {
        screen = new EditionGraphique;
        screen->m_gridMode = true;
        // Beside the station's own chronicle, not in place of it.
        screen->setProperty("plxScreenKey", QStringLiteral("EditionGraphique:grille"));
    }
    screen = qobject_cast<EditionGraphique *>(navigator.openScreen(screen));
    if (screen)
        screen->showGrid(title, rows, columns, start, end);
    return screen;
}

void EditionGraphique::showGrid(const QString &title, const std::vector<MeasureRow> &rows,
                                const std::vector<GridColumn> &columns, const QDate &start,
                                const QDate &end)
{
    m_gridMode = true;
    // The options and the stations of the list do not apply to handed-over data.
    hideStationControls();
    setWindowTitle(QStringLiteral("Graphique des données chargées") +
                   (title.isEmpty() ? QString() : QStringLiteral(" - ") + title));
    GridChart chart = gridCurves(rows, columns);
    chart.curves.title = title + QStringLiteral(" : du %1 au %2")
                                     .arg(start.toString(QStringLiteral("dd/MM/yyyy")),
                                          end.toString(QStringLiteral("dd/MM/yyyy")));
    m_chart->InitialiserGrille(std::move(chart.curves), start, end, chart.lower, chart.upper);
}

} // namespace plx
