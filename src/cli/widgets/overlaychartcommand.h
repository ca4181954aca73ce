#pragma once

#include <QStringList>

namespace plx::cli {

// plx chart --screen superposition|pluviopiezo --stations 11,12 [--piezos CODE,...]: the
// overlay screens' chart drawn offscreen into a PNG, SVG or PDF file, with their options
// (--param, --horizon, --visualisation HISTO|COURBE|CUMUL, --rain-down, --from, --to,
// --out, --size). Returns the process exit code.
int overlayChartCommand(const QStringList &arguments);

// Whether the arguments ask for one of the overlay screens.
bool isOverlayScreen(const QStringList &arguments);

} // namespace plx::cli
