// A screen may include sideways, not the tool above it.
#include "measures/widgets/validation.h"
#include "cli/options.h"
