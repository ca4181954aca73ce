// Layer 0 includes nothing above it.
#include "config/settings.h"
