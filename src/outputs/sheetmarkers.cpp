#include "outputs/sheetmarkers.h"

namespace plx {

namespace {

SheetMarkers::Value bookmarkValue(const Bookmark &bookmark)
{
    SheetMarkers::Value value;
    value.text = bookmark.value;
    if (bookmark.numeric) {
        // The collector formats some numbers the French way.
        QString number = bookmark.value.trimmed();
        number.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        value.number = number.toDouble(&ok);
        value.numeric = ok;
    }
    return value;
}

} // namespace

SheetMarkers::SheetMarkers(const SheetFill &fill)
    : m_rainfall(fill.db, fill.stationCode, fill.periodStart, fill.periodEnd)
{
    if (fill.bookmarks)
        m_bookmarks = *fill.bookmarks;
    const QString format = QStringLiteral("dd/MM/yyyy");
    m_bookmarks.add(QStringLiteral("DATE_CALCUL"), QDate::currentDate().toString(format));
    m_bookmarks.add(QStringLiteral("DEB_RECERCHE_HISTO"),
                    QStringLiteral("01/01/") + (fill.periodStart.isValid()
                                                    ? QString::number(fill.periodStart.year())
                                                    : QStringLiteral("1900")));
    m_bookmarks.add(QStringLiteral("FIN_RECERCHE_HISTO"),
                    QStringLiteral("31/12/") + (fill.periodEnd.isValid()
                                                    ? QString::number(fill.periodEnd.year())
                                                    : QStringLiteral("2050")));
}

bool SheetMarkers::isMarker(const QString &cellText)
{
    return cellText.trimmed().startsWith(QLatin1Char('#'));
}

bool SheetMarkers::isStop(const QString &cellText)
{
    return cellText.trimmed().compare(QLatin1String("#STOP"), Qt::CaseInsensitive) == 0;
}

SheetMarkers::Value SheetMarkers::valueOf(const QString &cellText)
{
    const QString name = cellText.trimmed().mid(1).trimmed();
    if (name.compare(QLatin1String("DATE_EDITION"), Qt::CaseInsensitive) == 0)
        return {QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")), false, 0};
    if (name.startsWith(QLatin1String("PLUVIO_"), Qt::CaseInsensitive)) {
        if (const auto rainfall = m_rainfall.value(name))
            return bookmarkValue(*rainfall);
    }
    if (const Bookmark *bookmark = m_bookmarks.resolve(name))
        return bookmarkValue(*bookmark);
    return {};
}

} // namespace plx
