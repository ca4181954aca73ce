#pragma once

#include "imports/csvmapping.h"

#include <QByteArray>
#include <QList>

class QWidget;

namespace plx {

// The column-mapping dialog of the generic reader: the first lines shown as a table, a
// combo per role (date, time or date-time, each parameter, validity, station), formats
// detected and overridable, header-line count, save under a name. True on "OK".
bool editCsvMapping(QWidget *parent, const QList<QByteArray> &firstLines, CsvMapping &mapping);

} // namespace plx
