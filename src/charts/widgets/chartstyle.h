#pragma once

#include "charts/widgets/ctlgraphique.h"

#include <QColor>
#include <QPen>
#include <QString>

namespace plx {

// Colours and pens of the numbered curves: distinct on screen and on a grey-scale print
// (the line styles differ as well as the hues).
QColor curveColour(int number);
QPen curvePen(CtlGraphique::Kind kind, const QString &typeEdition, int number);

// Day-first date labels for a time axis showing `span` seconds: years, months, days or
// hours, whichever the ticks step by.
QString dateTickFormat(double span);

// Every n-th step label, so that the labels of `visibleSteps` steps, each `labelWidth`
// pixels wide with its margin, fit in `pixels`.
int stepLabelStride(double visibleSteps, int pixels, int labelWidth);

// "12/03/1932", or "12/03/1932 14:05" when the instant has a time of day.
QString instantText(double seconds);

} // namespace plx
