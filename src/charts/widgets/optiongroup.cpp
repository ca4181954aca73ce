#include "charts/widgets/optiongroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

namespace plx {

QButtonGroup *optionGroup(const char *name, const QString &title, const QStringList &choices,
                          QWidget *parent, int columns)
{
    auto *frame = new QGroupBox(title, parent);
    frame->setObjectName(QLatin1String(name));
    auto *group = new QButtonGroup(frame);
    group->setObjectName(QLatin1String(name));
    group->setExclusive(true);
    auto *layout = new QGridLayout(frame);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(1);
    columns = qMax(1, columns);
    for (int i = 0; i < choices.size(); ++i) {
        auto *radio = new QRadioButton(choices.at(i), frame);
        radio->setObjectName(QLatin1String(name) + QLatin1Char('_') + QString::number(i));
        group->addButton(radio, i);
        layout->addWidget(radio, i / columns, i % columns);
    }
    return group;
}

} // namespace plx
