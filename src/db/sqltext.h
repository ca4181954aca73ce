#pragma once

#include <QString>

// The one way text and numbers enter SQL statements. Every text value goes through
// sqlQuote(), so that no value can change a statement's meaning; numbers are written
// by code in the C locale.
namespace plx {

// 'O''Brien' — the value between single quotes, each quote doubled.
QString sqlQuote(const QString &value);

// Shortest exact form in the C locale: 12.5, 0.1, 3 (never 12,5 or 3.0).
QString sqlNumber(double value);
QString sqlNumber(qint64 value);
inline QString sqlNumber(int value) { return sqlNumber(qint64(value)); }

} // namespace plx
