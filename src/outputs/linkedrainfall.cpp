#include "outputs/linkedrainfall.h"

#include "db/accesbase.h"
#include "db/dialect.h"
#include "db/sqltext.h"
#include "measures/measurementtable.h"
#include "outputs/gridcell.h"

#include <QMap>
#include <QRegularExpression>

#include <cmath>

namespace plx {

namespace {

QString numberText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    bool ok = false;
    const double number = value.toDouble(&ok);
    // Sums of tenths carry binary noise (48555.6999999996).
    return ok ? spreadsheetNumber(std::round(number * 1000.0) / 1000.0) : QString();
}

QString dateText(const QVariant &value)
{
    QDate date = value.typeId() == QMetaType::QString
                     ? QDate::fromString(value.toString().left(10), Qt::ISODate)
                     : value.toDateTime().date();
    if (!date.isValid())
        date = value.toDate();
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString dateLiteral(const QDate &date)
{
    return FormatDateSQL(date.toString(QStringLiteral("dd/MM/yyyy")), false);
}

} // namespace

LinkedRainfall::LinkedRainfall(AccesBase *db, const QString &stationCode,
                               const QDate &periodStart, const QDate &periodEnd)
    : m_db(db), m_station(stationCode), m_start(periodStart), m_end(periodEnd)
{
}

QString LinkedRainfall::linkedCode()
{
    // Only some databases hold the links of the sister modules; the rain gauge is its own
    // otherwise.
    if (m_db->tableExists(QStringLiteral("STATIONS_LIEES")) &&
        m_db->columnExists(QStringLiteral("STATIONS_LIEES"), QStringLiteral("CodePluviometre")) &&
        m_db->columnExists(QStringLiteral("STATIONS_LIEES"), QStringLiteral("CodeStation"))) {
        const RecordTable links = m_db->ExtraireRecords(
            QStringLiteral("SELECT CodePluviometre FROM STATIONS_LIEES WHERE CodeStation=") +
            sqlQuote(m_station));
        if (links.rowCount() > 0 && !links.at(0, 0).toString().trimmed().isEmpty())
            return links.at(0, 0).toString().trimmed();
    }
    return m_station;
}

void LinkedRainfall::readRecord()
{
    m_recordRead = true;
    if (!m_db || m_station.isEmpty())
        return;
    m_code = linkedCode();
    m_record.insert(QStringLiteral("CODE"), m_code);
    const QString table = measurementTableName(m_code);
    if (table.isEmpty() || !m_db->tableExists(table)) {
        m_code.clear();
        return;
    }
    QString sql = QStringLiteral("SELECT Sum(Pluie), Max(Pluie), Count(Pluie), Min(DateCreation), "
                                 "Max(DateCreation) FROM ") + table +
                  QStringLiteral(" WHERE Pluie Is Not Null");
    if (m_start.isValid())
        sql += QStringLiteral(" AND DateCreation>=") + dateLiteral(m_start);
    if (m_end.isValid())
        sql += QStringLiteral(" AND DateCreation<") + dateLiteral(m_end.addDays(1));
    const RecordTable record = m_db->ExtraireRecords(sql);
    if (record.rowCount() == 0)
        return;
    m_record.insert(QStringLiteral("TOTAL"), numberText(record.at(0, 0)));
    m_record.insert(QStringLiteral("MAX"), numberText(record.at(0, 1)));
    m_record.insert(QStringLiteral("NB"), numberText(record.at(0, 2)));
    m_record.insert(QStringLiteral("DEBUT"), dateText(record.at(0, 3)));
    m_record.insert(QStringLiteral("FIN"), dateText(record.at(0, 4)));
}

QString LinkedRainfall::yearSum(int year)
{
    if (const auto found = m_years.constFind(year); found != m_years.constEnd())
        return *found;
    QString sum;
    if (!m_code.isEmpty()) {
        const RecordTable record = m_db->ExtraireRecords(
            QStringLiteral("SELECT Sum(Pluie) FROM ") + measurementTableName(m_code) +
            QStringLiteral(" WHERE DateCreation>=") + dateLiteral(QDate(year, 1, 1)) +
            QStringLiteral(" AND DateCreation<") + dateLiteral(QDate(year + 1, 1, 1)));
        if (record.rowCount() > 0)
            sum = numberText(record.at(0, 0));
    }
    m_years.insert(year, sum);
    return sum;
}

QDate LinkedRainfall::yearN() const
{
    return m_end.isValid() ? m_end : QDate::currentDate();
}

void LinkedRainfall::readMonths()
{
    m_monthsRead = true;
    if (m_code.isEmpty())
        return;
    const int year = yearN().year();
    const RecordTable rows = m_db->ExtraireRecords(
        QStringLiteral("SELECT DateCreation, Pluie FROM ") + measurementTableName(m_code) +
        QStringLiteral(" WHERE Pluie Is Not Null AND DateCreation>=") +
        dateLiteral(QDate(year, 1, 1)) + QStringLiteral(" AND DateCreation<") +
        dateLiteral(QDate(year + 1, 1, 1)));
    QMap<QDate, double> days;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString text = dateText(rows.at(r, 0));
        const QDate day = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
        if (day.isValid())
            days[day] += rows.at(r, 1).toDouble();
    }
    double sums[13] = {};
    int wetDays[13] = {};
    bool seen[13] = {};
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        const int month = it.key().month();
        seen[month] = true;
        sums[month] += it.value();
        wetDays[month] += it.value() >= 1.0 ? 1 : 0;
    }
    for (int month = 1; month <= 12; ++month) {
        if (!seen[month])
            continue;
        m_months.insert(QStringLiteral("MOIS_%1").arg(month), numberText(sums[month]));
        m_months.insert(QStringLiteral("JOURS_%1").arg(month), numberText(wetDays[month]));
    }
}

std::optional<Bookmark> LinkedRainfall::value(const QString &name)
{
    static const QRegularExpression form(
        QStringLiteral("^PLUVIO_(?:ANNEE_(?:([0-9]{4})|N(?:-([0-9]{1,2}))?)|"
                       "(CODE|TOTAL|MAX|NB|DEBUT|FIN)|((?:MOIS|JOURS)_(?:[1-9]|1[0-2])))$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(name.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    if (!m_recordRead)
        readRecord();
    Bookmark bookmark;
    bookmark.name = name;
    if (!match.captured(3).isEmpty()) {
        const QString key = match.captured(3).toUpper();
        bookmark.value = m_record.value(key);
        bookmark.numeric = !bookmark.value.isEmpty() && key != QLatin1String("CODE") &&
                           key != QLatin1String("DEBUT") && key != QLatin1String("FIN");
        return bookmark;
    }
    if (!match.captured(4).isEmpty()) {
        if (!m_monthsRead)
            readMonths();
        bookmark.value = m_months.value(match.captured(4).toUpper());
        bookmark.numeric = !bookmark.value.isEmpty();
        return bookmark;
    }
    int year = 0;
    if (!match.captured(1).isEmpty())
        year = match.captured(1).toInt();
    else
        year = yearN().year() - match.captured(2).toInt();
    bookmark.value = m_db ? yearSum(year) : QString();
    bookmark.numeric = !bookmark.value.isEmpty();
    return bookmark;
}

} // namespace plx
