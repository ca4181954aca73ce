#include "run/widgets/mainwindow.h"
#include "measures/widgets/validation.h"
#include "stations/stationcodes.h"
