#pragma once

#include <functional>

namespace plx {

// Told the percentage done (0 to 100) of a long station operation, so that a screen can
// move its progress bar and the command-line tool can stay silent.
using StationProgress = std::function<void(int percent)>;

} // namespace plx
