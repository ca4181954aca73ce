#pragma once

#include <functional>

class QHBoxLayout;
class QSpinBox;

namespace plx {

class CtlGraphique;

// The selected year's controls of a chart comparing one year with others ("Année
// sélectionnée", previous, the year, next), inserted into bar at index at. Choosing a
// year sets it on chart, then calls redraw (the screen re-applies its options). The spin
// box follows the chart's year, whoever changes it.
QSpinBox *addYearStepper(QHBoxLayout *bar, int at, CtlGraphique *chart,
                         std::function<void()> redraw);

} // namespace plx
