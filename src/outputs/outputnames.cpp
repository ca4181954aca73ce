#include "outputs/outputnames.h"

namespace plx {

namespace {

// "/" and ":" come from dates in suffixes; the others are refused by Windows, and a
// control character by every file system's tools.
QString sanitised(const QString &name)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        out += (refused.contains(c) || c.unicode() < 0x20) ? QLatin1Char('-') : c;
    // Windows drops trailing dots and spaces, which would change the name.
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

} // namespace

QString reportOutputPath(const QString &editionFolder, const QString &templateName,
                         const QString &suffix, const QString &extension)
{
    QString folder = editionFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')) &&
        !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    QString ext = extension;
    if (!ext.isEmpty() && !ext.startsWith(QLatin1Char('.')))
        ext.prepend(QLatin1Char('.'));
    return folder + sanitised(templateName + QLatin1Char('_') + suffix) + ext;
}

} // namespace plx
