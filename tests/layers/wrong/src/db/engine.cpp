#include "db/accesbase.h"
#include "session/session.h"
