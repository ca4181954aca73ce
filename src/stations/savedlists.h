#pragma once

#include "stations/listfilter.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace plx {

// A row of Utilisateurs_Listes for this module.
struct SavedList
{
    qint64 code = 0;
    QString label;
    QString selectionFiltre; // the readable filter rows (serializeFilter)
    QString formuleFiltre;   // the WHERE condition, for other clients
    QString requete;         // a stored SELECT of station codes, for lists of chosen stations
    bool isDefault = false;
};

struct SavedListResult
{
    bool ok = false;
    qint64 code = 0;
    QString error;
};

// The user's (or a shared) list of this module; nullopt when there is none with that code.
std::optional<SavedList> readSavedList(qint64 code);

// The internal codes of the stations a saved list selects (its filter, or its stored query),
// in increasing order, within the user's station scope. ok false with a French error when
// the list is gone or cannot be read.
struct SavedListStations
{
    bool ok = false;
    QStringList codes;
    QString error;
};
SavedListStations savedListStations(qint64 code);

// New lists belong to the logged-in user; the code is the module's highest + 1.
SavedListResult createSavedListFromFilter(const QString &label, const std::vector<FilterRow> &rows,
                                          bool makeDefault);
SavedListResult createSavedListFromCodes(const QString &label, const std::vector<qint64> &codes,
                                         bool makeDefault);
// Replaces the label and filter of a list.
SavedListResult updateSavedListFilter(qint64 code, const QString &label,
                                      const std::vector<FilterRow> &rows);
SavedListResult renameSavedList(qint64 code, const QString &label);
SavedListResult deleteSavedList(qint64 code);
// The list becomes the user's only default one; with makeDefault false it stops being it.
SavedListResult setDefaultSavedList(qint64 code, bool makeDefault = true);

} // namespace plx
