#pragma once

#include <QStringList>

namespace plx::cli {

// plx chart: draws a station's chronicle or yearly chart with the chart component, without
// a display, into a PNG, SVG or PDF file. Starts its own QApplication on the offscreen
// platform (unless QT_QPA_PLATFORM says otherwise), so main() calls it before creating any
// application object. Returns the process exit code.
int chartMain(int argc, char **argv);

// The command itself, once the application exists (arguments after "chart").
int chartCommand(const QStringList &arguments);

} // namespace plx::cli
