#pragma once

#include "outputs/reportsource.h"

#include <QSize>
#include <QString>

#include <vector>

class QCustomPlot;

namespace plx {

// The chart bookmarks of a report. A template may repeat one with a suffix
// ("GRAPHIQUE_ANNEE2"): the name is matched on its beginning, the longer word first.
enum class ChartBookmark { None, Year, SecondYear, Total };
ChartBookmark chartBookmarkOf(const QString &bookmark);

// Plots drawn one above the other, each of plotSize (logical pixels, the text at the
// size it has on screen), as a report picture: a PNG scale times finer (print resolution)
// and the same drawing as SVG. Nothing when plots is empty.
std::optional<ReportPicture> chartPicture(const std::vector<QCustomPlot *> &plots,
                                          const QSize &plotSize = QSize(760, 430),
                                          double scale = 3.0);

} // namespace plx
