#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace plx {

class AccesBase;

// The display label of free parameter 1, 2 or 3 (Valeur1..Valeur3) from PARAMETRAGE_DATA:
// "Param" + id when the table has no row for it (or cannot be read), "" when its label is
// empty or null, which hides the parameter wherever it would be shown.
QString parameterLabel(AccesBase &db, int id);
// The label as stored, trimmed; nullopt when the table has no row for id (or cannot be
// read). The charts hide a parameter without a stored label.
std::optional<QString> storedParameterLabel(AccesBase &db, int id);

// One kind of measured data: its column in the measurement table and its label.
struct DataKind
{
    QString column;    // lower case, as the statements write it
    QString label;     // "" hides the kind
    int parameter = 0; // the number the charts and the validation editor use: 1 to 6
};

// The six kinds in their fixed order: rainfall, effective rainfall, evapotranspiration,
// then the three free parameters with their labels read from the database.
std::vector<DataKind> dataKinds(AccesBase &db);

} // namespace plx
