#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace plx {

// The pieces of a statement around its "?" marks: n marks give n + 1 pieces. A "?" inside
// a quoted text or name is not a mark.
QStringList splitAtPlaceholders(const QString &sql);

// A bound value as the text a server parses (NULL gives a null QByteArray): numbers in the
// C locale and shortest exact form, date-times "yyyy-MM-dd HH:mm:ss", dates "yyyy-MM-dd",
// times "HH:mm:ss".
QByteArray boundValueText(const QVariant &value);
// The same text appended to out, without a copy of its own; false (nothing appended) for
// NULL.
bool appendBoundValueText(QByteArray &out, const QVariant &value);

} // namespace plx
