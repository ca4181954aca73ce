#pragma once

#include <QString>

#include <functional>

namespace plx {

using TextSink = std::function<void(const QString &)>;

// Opens the program's connection (AccesBase::instance()) with the run profile, showing
// each step through showState and, on success, the database in use through
// showDatabase (either may be empty). An Oracle profile connects with the exact variant
// held in the TypeBase setting and is "ORACLE" again afterwards. On failure the error
// message is shown and false returned.
bool VerifierConnexion(const TextSink &showState, const TextSink &showDatabase);

} // namespace plx
