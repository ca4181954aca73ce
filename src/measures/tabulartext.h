#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace plx {

// A block of cells as spreadsheets put it on the clipboard: rows ended by newlines
// (CR LF or LF), cells separated by tabs, a trailing newline ignored.
QList<QStringList> parseTabularText(const QString &text);
QString formatTabularText(const QList<QStringList> &cells);

} // namespace plx
