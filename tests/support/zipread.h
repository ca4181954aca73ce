#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace plxtest {

// One entry of a zip package; empty when absent.
QByteArray zipEntry(const QString &archive, const QString &name);
// The names of every entry, in the archive's order.
QStringList zipNames(const QString &archive);

// "ref:style:type:value" for every cell of an .xlsx sheet, in order (v or inline t text).
QStringList xlsxCells(const QByteArray &sheet);

// "type:value:text" of every cell of the first table of an .ods content.xml, row by row,
// "|" closing each row; empty cells as "".
QStringList odsCells(const QByteArray &content);

} // namespace plxtest
