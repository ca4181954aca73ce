#pragma once

#include <QString>

#include <optional>

namespace plx {

class AccesBase;

// A new document number (DOC_ID): the number stored in PARAMETRES (module 'DOC_ID') plus
// one, stored back. Read, increment and store run in one transaction holding the row (on
// PostgreSQL and Oracle the row is locked, or the table while a missing row is created;
// SQLite's transaction holds the write lock), so two reports never get the same number. A
// missing row is created and gives 1. nullopt with a French error when a statement fails
// or the stored value is not a number; nothing is then changed.
std::optional<qint64> takeDocumentNumber(AccesBase &db, QString *error = nullptr);

} // namespace plx
