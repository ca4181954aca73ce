#pragma once

#include "outputs/reportsource.h"

#include <QSize>
#include <QString>

#include <vector>

namespace plx {

class CtlGraphique;

// The chart bookmarks of a report. A template may repeat one with a suffix
// ("GRAPHIQUE_ANNEE2"): the name is matched on its beginning, the longer word first.
enum class ChartBookmark { None, Year, SecondYear, Total };
ChartBookmark chartBookmarkOf(const QString &bookmark);

// Charts drawn one above the other, each of plotSize (logical pixels, the text at the
// size it has on screen, the bars reduced for that width), as a report picture: a PNG
// scale times finer (print resolution) and the same drawing as SVG. Nothing when charts
// is empty. The charts on screen are left as they were.
std::optional<ReportPicture> chartPicture(const std::vector<CtlGraphique *> &charts,
                                          const QSize &plotSize = QSize(900, 500),
                                          double scale = 2.5);

} // namespace plx
