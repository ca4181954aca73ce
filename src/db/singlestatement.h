#pragma once

#include <QStringView>

namespace plx {

// True when the text holds more than one statement: a ';' outside string literals,
// quoted names and comments followed by anything but blanks. Engines whose driver would
// run every statement of a text refuse such texts, so a value can never smuggle one in.
bool holdsSeveralStatements(QStringView sql);

} // namespace plx
