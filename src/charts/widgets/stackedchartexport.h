#pragma once

#include <QSize>
#include <QString>

#include <vector>

class QCustomPlot;

namespace plx {

// Writes several plots one above the other in one PNG, SVG or PDF (by the extension),
// each taking an equal share of size's height: the yearbook page as printed. False with a
// French message in error; nothing is left behind then.
bool writeStackedChartImage(const std::vector<QCustomPlot *> &plots, const QString &path,
                            const QSize &size, QString *error = nullptr);

} // namespace plx
