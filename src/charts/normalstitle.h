#pragma once

#include <QString>

#include <optional>

namespace plx {

class AccesBase;

// The title of a station's normals, the text of its PLUVIOMETRE_NORMALES row mois = -1;
// nullopt when the station has no such row (or the code is no station number), so that
// the caller can keep the title it had.
std::optional<QString> readNormalsTitle(AccesBase &db, const QString &code);

} // namespace plx
