#include "charts/widgets/yearstepper.h"

#include "charts/widgets/ctlgraphique.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

namespace plx {

QSpinBox *addYearStepper(QHBoxLayout *bar, int at, CtlGraphique *chart,
                         std::function<void()> redraw)
{
    QWidget *owner = chart->parentWidget();
    auto *label = new QLabel(QStringLiteral("&Année sélectionnée :"), owner);
    auto *year = new QSpinBox(owner);
    year->setObjectName(QStringLiteral("SpnAnnee"));
    year->setRange(0, 9999);
    year->setSpecialValueText(QStringLiteral("-"));
    year->setKeyboardTracking(false);
    year->setToolTip(QStringLiteral("Année comparée (Ctrl+← / Ctrl+→ sur le graphique)"));
    label->setBuddy(year);
    auto *earlier = new QToolButton(owner);
    earlier->setObjectName(QStringLiteral("CmdAnneePrecedente"));
    earlier->setArrowType(Qt::LeftArrow);
    earlier->setToolTip(QStringLiteral("Année précédente"));
    auto *later = new QToolButton(owner);
    later->setObjectName(QStringLiteral("CmdAnneeSuivante"));
    later->setArrowType(Qt::RightArrow);
    later->setToolTip(QStringLiteral("Année suivante"));
    for (QWidget *control : {static_cast<QWidget *>(label), static_cast<QWidget *>(earlier),
                             static_cast<QWidget *>(year), static_cast<QWidget *>(later)})
        bar->insertWidget(at++, control);

    const auto show = [year, chart] {
        const QSignalBlocker blocker(year);
        year->setValue(chart->selectedYear());
    };
    const auto choose = [chart, redraw, show](int value) {
        if (value >= 1 && value != chart->selectedYear()) {
            chart->setSelectedYear(value);
            redraw();
        }
        show();
    };
    QObject::connect(year, &QSpinBox::valueChanged, year, choose);
    QObject::connect(earlier, &QToolButton::clicked, year, [chart, choose] {
        if (chart->selectedYear() > 1)
            choose(chart->selectedYear() - 1);
    });
    QObject::connect(later, &QToolButton::clicked, year, [chart, choose] {
        if (chart->selectedYear() > 0)
            choose(chart->selectedYear() + 1);
    });
    QObject::connect(chart, &CtlGraphique::selectedYearChanged, year, show);
    return year;
}

} // namespace plx
