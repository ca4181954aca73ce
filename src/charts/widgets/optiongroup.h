#pragma once

#include <QString>
#include <QStringList>

class QButtonGroup;
class QWidget;

namespace plx {

// An option group of the chart screens: a titled box of exclusive radio buttons, both
// named name, the buttons name + "_" + index, laid out in rows of `columns`.
QButtonGroup *optionGroup(const char *name, const QString &title, const QStringList &choices,
                          QWidget *parent, int columns = 1);

} // namespace plx
