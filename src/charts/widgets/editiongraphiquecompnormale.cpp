#include "charts/widgets/editiongraphiquecompnormale.h"

#include "charts/chartoptions.h"
#include "charts/normalstitle.h"
#include "charts/widgets/collapsibleframe.h"
#include "charts/widgets/yearstepper.h"
#include "db/accesbase.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace plx {

EditionGraphiqueCompNormale::EditionGraphiqueCompNormale(QWidget *parent)
    : StationChartScreen(CtlGraphique::Kind::Normals, QStringLiteral("Comparaison aux normales"),
                         parent)
{
    setObjectName(QStringLiteral("EditionGraphiqueCompNormale"));
    m_year = addYearStepper(topBar(), 2, m_chart, [this] { TraitementParametres(); });

    auto *side = new QVBoxLayout(sidePanel());
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(4);
    m_frame = new CollapsibleFrame(QStringLiteral("Courbes"), sidePanel());
    m_frame->setObjectName(QStringLiteral("FrmStatistiques"));
    QWidget *body = m_frame->body();
    m_horizon =
        optionGroup("OptHorizon", QStringLiteral("Horizon"), normalsHorizonCaptions(), body);
    // One column: the free parameters' captions are long, and the panel must not cut them.
    m_parameter =
        optionGroup("OptParametre", QStringLiteral("Paramètre"), parameterCaptions(), body);
    m_visualisation = optionGroup("OptVisualisation", QStringLiteral("Référence"),
                                  normalsVisualisationCaptions(), body);
    for (QButtonGroup *group : {m_horizon, m_parameter, m_visualisation}) {
        m_frame->bodyLayout()->addWidget(qobject_cast<QWidget *>(group->parent()));
        connect(group, &QButtonGroup::idClicked, this,
                &EditionGraphiqueCompNormale::TraitementParametres);
    }
    // The statistics period is the reference's own (shown in the legend): these boxes
    // only say it and take no input.
    auto *period = new QGroupBox(QStringLiteral("Période des statistiques"), body);
    auto *form = new QFormLayout(period);
    m_from = new QLineEdit(period);
    m_from->setObjectName(QStringLiteral("TxtDateDebStatistique"));
    m_to = new QLineEdit(period);
    m_to->setObjectName(QStringLiteral("TxtDateFinStatistique"));
    for (QLineEdit *edit : {m_from, m_to})
        edit->setReadOnly(true);
    form->addRow(QStringLiteral("Du"), m_from);
    form->addRow(QStringLiteral("Au"), m_to);
    m_frame->bodyLayout()->addWidget(period);
    side->addWidget(m_frame);
    side->addStretch(1);

    m_horizon->button(0)->setChecked(true);
    m_parameter->button(0)->setChecked(true);
    m_visualisation->button(0)->setChecked(true);
    m_frame->setOpen(true);
}

void EditionGraphiqueCompNormale::stationChanged()
{
    const QStringList captions = parameterCaptions();
    const QStringList labels = freeParameterLabels();
    for (int i = 0; i < 3; ++i) {
        QAbstractButton *option = m_parameter->button(3 + i);
        const QString label = labels.value(i);
        option->setText(label.isEmpty() ? captions.at(3 + i) : label);
        option->setVisible(!label.isEmpty());
    }
    if (QAbstractButton *chosen = m_parameter->checkedButton(); chosen && chosen->isHidden())
        m_parameter->button(0)->setChecked(true);
}

void EditionGraphiqueCompNormale::TraitementParametres()
{
    // A station without a title row keeps the last title read: the comparison still
    // draws, and the chart says when there are no normals at all.
    if (!stationCode().isEmpty()) {
        if (const std::optional<QString> title =
                readNormalsTitle(AccesBase::instance(), stationCode()))
            m_chart->TitreNormales = *title;
    }
    ChartProperties properties = m_chart->properties();
    properties = normalsProperties(properties, m_horizon->checkedId(), m_parameter->checkedId());
    m_chart->setProperties(properties);
    m_chart->OptionNormales = m_visualisation->checkedId() == 1;
    m_chart->Tracer();

    const QSignalBlocker blocker(m_year);
    m_year->setValue(m_chart->selectedYear());
    // The internal statistics' period, "1991-2020" or the years used.
    const QString note = m_chart->OptionNormales && m_chart->curves().curve(2)
                             ? m_chart->curves().curve(2)->title
                             : QString();
    static const QRegularExpression years(QStringLiteral("(\\d{4})-(\\d{4})"));
    const QRegularExpressionMatch match = years.match(note);
    m_from->setText(match.hasMatch() ? match.captured(1) : QString());
    m_to->setText(match.hasMatch() ? match.captured(2) : QString());
}

} // namespace plx
