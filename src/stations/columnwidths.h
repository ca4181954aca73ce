#pragma once

#include <QString>

#include <map>
#include <vector>

namespace plx {

// The user's column widths of the rain-gauge list (PARAMETRES_LISTE_PLUVIO), in
// characters so that every client reads them alike. Columns are numbered from 1.
std::map<int, double> readColumnWidths(const QString &login);

// Replaces the user's widths: widths[0] is column 1. One transaction, so that a failure
// keeps the previous widths. False (with the reason) when it failed.
bool writeColumnWidths(const QString &login, const std::vector<double> &widths,
                       QString *error = nullptr);

} // namespace plx
