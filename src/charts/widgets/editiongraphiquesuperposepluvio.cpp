#include "charts/widgets/editiongraphiquesuperposepluvio.h"

#include "charts/chartoptions.h"
#include "charts/widgets/collapsibleframe.h"
#include "charts/widgets/overlaydisplaylist.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plx {

EditionGraphiqueSuperposePluvio::EditionGraphiqueSuperposePluvio(QWidget *parent)
    : OverlayChartScreen(QStringLiteral("Superposition de pluviomètres"), parent)
{
    setObjectName(QStringLiteral("EditionGraphiqueSuperposePluvio"));

    auto *statistics = new CollapsibleFrame(QStringLiteral("Statistiques"), this);
    statistics->setObjectName(QStringLiteral("FrmStatistiques"));
    m_parameters = parameterBoxes("OptAffichage", statistics->body(), statistics->bodyLayout());
    m_horizon = optionGroup("OptHorizon", QStringLiteral("Pas de mesure"), horizonCaptions(),
                            statistics->body(), 2);
    m_visualisation = optionGroup(
        "OptVisualisation", QStringLiteral("Visualisation"),
        {QStringLiteral("Histogramme"), QStringLiteral("Courbe"), QStringLiteral("Cumulé")},
        statistics->body(), 3);
    for (QButtonGroup *group : {m_horizon, m_visualisation}) {
        statistics->bodyLayout()->addWidget(qobject_cast<QWidget *>(group->parent()));
        connect(group, &QButtonGroup::idClicked, this,
                &EditionGraphiqueSuperposePluvio::TraitementParametres);
    }
    m_horizon->button(2)->setChecked(true); // months: readable for several stations at once
    m_visualisation->button(0)->setChecked(true);

    auto *shown = new CollapsibleFrame(QStringLiteral("Pluvio"), this);
    shown->setObjectName(QStringLiteral("FrmAffichage"));
    m_display =
        new OverlayDisplayList(QStringLiteral("SprAffichage"),
                               {QStringLiteral(" "), QStringLiteral("Titre"), QStringLiteral("Clé"),
                                QStringLiteral("Commune"), QStringLiteral("Num")},
                               shown->body());
    auto *remove = new QPushButton(QStringLiteral("Supprimer"), shown->body());
    remove->setObjectName(QStringLiteral("cmdSuppressionPluvio"));
    remove->setToolTip(QStringLiteral("Retirer du graphique le pluviomètre choisi (Suppr)"));
    shown->bodyLayout()->addWidget(m_display);
    shown->bodyLayout()->addWidget(remove);
    connect(remove, &QPushButton::clicked, this,
            &EditionGraphiqueSuperposePluvio::cmdSuppressionPluvio);
    connect(m_display, &OverlayDisplayList::changed, this,
            &EditionGraphiqueSuperposePluvio::TraitementParametres);

    CollapsibleFrame *pick =
        rainGaugeFrame("FrmListePluviometres", [this] { AjoutePluvio(rainGauges()); });

    sideLayout()->addWidget(statistics);
    sideLayout()->addWidget(shown);
    sideLayout()->addWidget(pick);
    sideLayout()->addStretch(1);
    for (CollapsibleFrame *frame : {statistics, shown, pick})
        frame->setOpen(true);

    InitCboListe();
    fillRainGauges();
    TraitementParametres();
}

void EditionGraphiqueSuperposePluvio::TraitementParametres()
{
    if (!m_ready || !m_display)
        return;
    ParameterChecks checked{};
    for (int i = 0; i < 6; ++i)
        checked[size_t(i)] = m_parameters[size_t(i)]->isChecked();
    ChartProperties properties = m_chart->properties();
    // "Histogramme", "Courbe", "Cumulé" map as the chronicle's three choices do.
    properties = chronicleProperties(properties, checked, m_horizon->checkedId(),
                                     m_visualisation->checkedId());
    m_chart->setProperties(properties);
    m_chart->ListeCourbes = m_display->markedStations();
    redraw();
}

void EditionGraphiqueSuperposePluvio::AjoutePluvio(QTableWidget *source)
{
    const QStringList texts = rainGaugeTexts(source);
    if (texts.isEmpty())
        return;
    m_display->addStation(texts); // redraws through changed()
}

void EditionGraphiqueSuperposePluvio::cmdSuppressionPluvio()
{
    m_display->removeCurrent();
}

void EditionGraphiqueSuperposePluvio::addRainGauge(const QStringList &texts)
{
    m_display->addStation(texts);
}

} // namespace plx
