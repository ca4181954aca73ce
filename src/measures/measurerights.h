#pragma once

namespace plx {

// Whether the user may see measurements (PLUVIO_DATA_CONSULT or PLUVIO_DATA_MODIF); says
// why not through the message helper.
bool mayConsultMeasures();

} // namespace plx
