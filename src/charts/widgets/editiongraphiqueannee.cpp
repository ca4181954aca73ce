#include "charts/widgets/editiongraphiqueannee.h"

#include "charts/chartoptions.h"
#include "charts/widgets/collapsibleframe.h"
#include "outputs/widgets/chartpicture.h"
#include "db/accesbase.h"
#include "schema/periodes.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace plx {

EditionGraphiqueAnnee::EditionGraphiqueAnnee(QWidget *parent)
    : StationChartScreen(CtlGraphique::Kind::Yearly, QStringLiteral("Graphique annuel"), parent)
{
    setObjectName(QStringLiteral("EditionGraphiqueAnnee"));

    auto *yearLabel = new QLabel(QStringLiteral("&Année sélectionnée :"), this);
    m_year = new QSpinBox(this);
    m_year->setObjectName(QStringLiteral("SpnAnnee"));
    m_year->setRange(0, 9999);
    m_year->setSpecialValueText(QStringLiteral("-"));
    m_year->setKeyboardTracking(false);
    m_year->setToolTip(QStringLiteral("Année comparée aux autres années"));
    yearLabel->setBuddy(m_year);
    auto *earlier = new QToolButton(this);
    earlier->setObjectName(QStringLiteral("CmdAnneePrecedente"));
    earlier->setArrowType(Qt::LeftArrow);
    earlier->setToolTip(QStringLiteral("Année précédente"));
    auto *later = new QToolButton(this);
    later->setObjectName(QStringLiteral("CmdAnneeSuivante"));
    later->setArrowType(Qt::RightArrow);
    later->setToolTip(QStringLiteral("Année suivante"));
    connect(earlier, &QToolButton::clicked, this, &EditionGraphiqueAnnee::previousYear);
    connect(later, &QToolButton::clicked, this, &EditionGraphiqueAnnee::nextYear);
    int at = 2;
    for (QWidget *control : {static_cast<QWidget *>(yearLabel), static_cast<QWidget *>(earlier),
                             static_cast<QWidget *>(m_year), static_cast<QWidget *>(later)})
        topBar()->insertWidget(at++, control);
    connect(m_year, &QSpinBox::valueChanged, this, &EditionGraphiqueAnnee::chooseYear);
    connect(m_chart, &CtlGraphique::selectedYearChanged, this,
            &EditionGraphiqueAnnee::showSelectedYear);

    auto *side = new QVBoxLayout(sidePanel());
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(4);
    m_mode = optionGroup("OptStatistiques", QStringLiteral("Type de graphique"),
                         yearlyModeCaptions(), sidePanel());
    m_yearType =
        optionGroup("OptAnnee", QStringLiteral("Année"), yearTypeCaptions(), sidePanel(), 2);
    m_visualisation = optionGroup("OptVisualisation", QStringLiteral("Visualisation"),
                                  yearlyVisualisationCaptions(), sidePanel());
    m_parameter = optionGroup("OptParametre", QStringLiteral("Paramètre"), parameterCaptions(),
                              sidePanel(), 2);
    m_visualisationBox = qobject_cast<QGroupBox *>(m_visualisation->parent());

    m_curves = new CollapsibleFrame(QStringLiteral("Courbes"), sidePanel());
    m_curves->setObjectName(QStringLiteral("FrmStatistiques"));
    auto *statistics = new QWidget(m_curves->body());
    statistics->setObjectName(QStringLiteral("FrmCourbesStatistiques"));
    auto *statLayout = new QVBoxLayout(statistics);
    statLayout->setContentsMargins(0, 0, 0, 0);
    statLayout->setSpacing(1);
    for (const CurveBox &entry : statisticsBoxes()) {
        auto *box = new QCheckBox(QString::fromUtf8(entry.caption), statistics);
        box->setObjectName(QLatin1String(entry.objectName));
        box->setChecked(true);
        statLayout->addWidget(box);
        m_statistics.emplace_back(box, entry.curve);
    }
    // The month boxes take the place of the statistics boxes in the monthly cumulation.
    m_monthPanel = new QWidget(m_curves->body());
    m_monthPanel->setObjectName(QStringLiteral("FrmCourbesMois"));
    auto *monthLayout = new QVBoxLayout(m_monthPanel);
    monthLayout->setContentsMargins(0, 0, 0, 0);
    monthLayout->setSpacing(1);
    for (const CurveBox &entry : monthBoxes()) {
        auto *box = new QCheckBox(QString::fromUtf8(entry.caption), m_monthPanel);
        box->setObjectName(QLatin1String(entry.objectName));
        box->setChecked(true);
        monthLayout->addWidget(box);
        m_months.emplace_back(box, entry.curve);
    }
    for (auto *list : {&m_statistics, &m_months}) {
        for (const auto &[box, curve] : *list) {
            // A box shows or hides its curve only: nothing is recomputed.
            connect(box, &QCheckBox::clicked, this, [this, curve = curve](bool checked) {
                m_chart->AfficherSerie(curve, checked);
            });
        }
    }
    m_curves->bodyLayout()->addWidget(statistics);
    m_curves->bodyLayout()->addWidget(m_monthPanel);

    for (QButtonGroup *group : {m_mode, m_yearType, m_visualisation, m_parameter})
        side->addWidget(qobject_cast<QWidget *>(group->parent()));
    side->addWidget(m_curves);
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
            &EditionGraphiqueAnnee::TraitementParametres);
    connect(m_parameter, &QButtonGroup::idClicked, this,
            &EditionGraphiqueAnnee::TraitementParametres);

    m_mode->button(kStatisticsMode)->setChecked(true);
    m_yearType->button(kCivilYear)->setChecked(true);
    m_visualisation->button(0)->setChecked(true);
    m_parameter->button(0)->setChecked(true);
    m_curves->setOpen(true);
    applyMode();
    orderMonths();
}

void EditionGraphiqueAnnee::stationChanged()
{
    m_startMonth = startMonthNumber(readHydroStartMonth(AccesBase::instance()));
    orderMonths();
    const QStringList captions = parameterCaptions();
    const QStringList labels = freeParameterLabels();
    for (int i = 0; i < 3; ++i) {
        QAbstractButton *option = m_parameter->button(3 + i);
        const QString label = labels.value(i);
        option->setText(label.isEmpty() ? captions.at(3 + i) : label);
        option->setVisible(!label.isEmpty());
    }
    // A hidden parameter cannot stay the one drawn.
    if (QAbstractButton *chosen = m_parameter->checkedButton(); chosen && chosen->isHidden())
        m_parameter->button(0)->setChecked(true);
}

void EditionGraphiqueAnnee::applyMode()
{
    const int mode = m_mode->checkedId();
    if (QWidget *statistics = findChild<QWidget *>(QStringLiteral("FrmCourbesStatistiques")))
        statistics->setVisible(mode == kStatisticsMode);
    m_monthPanel->setVisible(mode == kMonthlyCumulMode);
    // The cumulations always draw bars.
    m_visualisationBox->setEnabled(mode == kStatisticsMode || mode == kNoChoice);
}

void EditionGraphiqueAnnee::orderMonths()
{
    const bool hydro = m_yearType->checkedId() == kHydroYear;
    std::vector<std::pair<int, QCheckBox *>> ranked;
    for (const auto &[box, month] : m_months)
        ranked.emplace_back(monthRank(month, m_startMonth, hydro), box);
    std::sort(ranked.begin(), ranked.end());
    auto *layout = qobject_cast<QVBoxLayout *>(m_monthPanel->layout());
    for (const auto &[rank, box] : ranked)
        layout->removeWidget(box);
    for (const auto &[rank, box] : ranked)
        layout->addWidget(box);
}

std::vector<QCheckBox *> EditionGraphiqueAnnee::monthBoxesInOrder() const
{
    std::vector<QCheckBox *> boxes;
    QLayout *layout = m_monthPanel->layout();
    for (int i = 0; i < layout->count(); ++i) {
        if (auto *box = qobject_cast<QCheckBox *>(layout->itemAt(i)->widget()))
            boxes.push_back(box);
    }
    return boxes;
}

std::optional<ReportPicture> EditionGraphiqueAnnee::reportChart(const QString &bookmark) const
{
    if (!hasReportData() || chartBookmarkOf(bookmark) != ChartBookmark::Year)
        return std::nullopt;
    return chartPicture({m_chart});
}

void EditionGraphiqueAnnee::TraitementParametres()
{
    ChartProperties properties = m_chart->properties();
    properties = yearlyProperties(properties, m_mode->checkedId(), m_yearType->checkedId(),
                                  m_visualisation->checkedId(), m_parameter->checkedId());
    m_chart->setProperties(properties);
    if (isInitialised())
        m_chart->AfficherCourbe(1);
    m_chart->Tracer();
    applyCurveBoxes();
    showSelectedYear();
}

void EditionGraphiqueAnnee::applyCurveBoxes()
{
    // A redraw rebuilds the curves: the boxes decide again what shows.
    if (m_chart->TypeEdition == QLatin1String("EDITION")) {
        for (const auto &[box, curve] : m_statistics)
            m_chart->AfficherSerie(curve, box->isChecked());
    } else if (m_chart->TypeEdition == QLatin1String("CUMUL_MENSUEL")) {
        for (const auto &[box, curve] : m_months)
            m_chart->AfficherSerie(curve, box->isChecked());
    } else {
        m_chart->AfficherSerie(1, true);
    }
}

void EditionGraphiqueAnnee::chooseYear(int year)
{
    if (year < 1 || year == m_chart->selectedYear())
        return;
    m_chart->setSelectedYear(year);
    TraitementParametres();
}

void EditionGraphiqueAnnee::showSelectedYear()
{
    const QSignalBlocker blocker(m_year);
    m_year->setValue(m_chart->selectedYear());
}

void EditionGraphiqueAnnee::previousYear()
{
    if (m_chart->selectedYear() > 1)
        chooseYear(m_chart->selectedYear() - 1);
}

void EditionGraphiqueAnnee::nextYear()
{
    if (m_chart->selectedYear() > 0)
        chooseYear(m_chart->selectedYear() + 1);
}

} // namespace plx
