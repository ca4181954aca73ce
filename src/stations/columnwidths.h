#pragma once

#include <QString>

#include <map>
#include <vector>

namespace plx {

// One column of the rain-gauge list as the user left it (PARAMETRES_LISTE_PLUVIO): its
// width in characters, so that every client reads it alike, its place and whether it
// shows. Rows written by older clients carry only the number and the width.
struct StoredListColumn
{
    int index = 0;     // the model column, from 1
    QString name;      // the column's key; empty on rows of older clients
    double width = 0;  // characters
    int position = -1; // place on screen from 0; -1 when not stored
    bool hidden = false;
};

// The user's columns of the rain-gauge list, in no particular order. Empty when the user
// never stored any or the table cannot be read.
std::vector<StoredListColumn> readListColumns(const QString &login);

// Replaces the user's columns in one transaction, so that a failure keeps the previous
// ones. A database whose table still lacks the place columns gets the widths alone. False
// (with the reason) when it failed.
bool writeListColumns(const QString &login, const std::vector<StoredListColumn> &columns,
                      QString *error = nullptr);

} // namespace plx
