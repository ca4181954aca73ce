#pragma once

#include <QSize>
#include <QString>

class QCustomPlot;

namespace plx {

// Writes the plot as PNG, SVG or PDF, chosen by the file's extension, at `size` pixels
// (points for PDF). False with a French message in error when the format is unknown or
// the file cannot be written; nothing is left behind then.
bool writeChartImage(QCustomPlot *plot, const QString &path, const QSize &size,
                     QString *error = nullptr);

} // namespace plx
