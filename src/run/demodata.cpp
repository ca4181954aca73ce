#include "run/demodata.h"

#include <QFile>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

// The data files are compiled into the core library, a static library: its resources are
// only linked in when something asks for them by name.
static void initDemoResources()
{
    Q_INIT_RESOURCE(demonetwork);
}

namespace plx::demo {

namespace {

std::optional<double> numberOf(const QString &text)
{
    if (text.isEmpty() || text == QLatin1String("mq"))
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok); // C locale, whatever the user's
    return ok ? std::optional<double>(value) : std::nullopt;
}

// Each row of a ';'-separated resource, header left out, each with exactly `columns`
// fields. Read line by line: the daily file holds tens of thousands of rows.
bool forEachRow(const QString &name, int columns,
                const std::function<void(const QStringList &fields)> &row, QString *error)
{
    QFile file(QStringLiteral(":/demo/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Les données de démonstration « %1 » sont absentes du programme.")
                     .arg(name);
        return false;
    }
    const QByteArray content = file.readAll();
    qsizetype line = 0;
    for (qsizetype start = 0; start < content.size(); ++line) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        const QByteArrayView text(content.constData() + start, end - start);
        start = end + 1;
        if (line == 0 || text.isEmpty())
            continue;
        const QStringList fields = QString::fromUtf8(text).split(QLatin1Char(';'));
        if (fields.size() != columns) {
            *error = QStringLiteral("Données de démonstration illisibles (%1, ligne %2).")
                         .arg(name)
                         .arg(line + 1);
            return false;
        }
        row(fields);
    }
    return true;
}

// yyyyMMdd, read by hand: QDate::fromString is the slowest step of loading a century.
QDate dayOf(const QString &yyyymmdd)
{
    if (yyyymmdd.size() < 8)
        return QDate();
    return QDate(QStringView(yyyymmdd).left(4).toInt(), QStringView(yyyymmdd).mid(4, 2).toInt(),
                 QStringView(yyyymmdd).mid(6, 2).toInt());
}

} // namespace

bool loadDemoData(DemoData *data, QString *error)
{
    initDemoResources();
    const auto station = [&](const QStringList &f) {
        Station s;
        s.numPoste = f[0];
        s.name = f[1];
        s.latitude = f[2].toDouble();
        s.longitude = f[3].toDouble();
        s.altitude = f[4].toDouble();
        s.hourly = f[5] == QLatin1String("H");
        s.firstDay = dayOf(f[6]);
        s.lastDay = dayOf(f[7]);
        s.communeCode = f[8];
        s.communeName = f[9];
        if (!f[10].isEmpty())
            s.lambert2e = std::make_pair(f[10].toDouble(), f[11].toDouble());
        data->stations.push_back(s);
    };
    if (!forEachRow(QStringLiteral("stations.csv"), 12, station, error))
        return false;

    // The file is sorted by station: one hash look-up per station, not per row.
    QString currentCode;
    std::vector<Measure> *current = nullptr;
    const auto seriesFor = [&](const QString &code) {
        if (!current || code != currentCode) {
            currentCode = code;
            current = &data->series[code];
        }
        return current;
    };
    const auto daily = [&](const QStringList &f) {
        Measure m;
        m.day = dayOf(f[1]);
        m.rain = numberOf(f[2]);
        m.doubtful = f[3] == QLatin1String("2") || m.rain.value_or(0) < 0;
        m.temperature = numberOf(f[4]);
        seriesFor(f[0])->push_back(m);
    };
    if (!forEachRow(QStringLiteral("quotidien.csv"), 5, daily, error))
        return false;

    const auto hourly = [&](const QStringList &f) {
        Measure m;
        m.day = dayOf(f[1]);
        m.hour = f[1].mid(8, 2).toInt();
        m.rain = numberOf(f[2]);
        // The automatic gauges send a few small negative amounts: left for the validation.
        m.doubtful = m.rain.value_or(0) < 0;
        // Kelvin in the source, Celsius in the database, to the source's 0.01.
        if (const std::optional<double> kelvin = numberOf(f[3]))
            m.temperature = std::round((*kelvin - 273.15) * 100) / 100;
        if (m.rain || m.temperature)
            seriesFor(f[0])->push_back(m);
    };
    if (!forEachRow(QStringLiteral("horaire.csv"), 4, hourly, error))
        return false;

    const auto piezometer = [&](const QStringList &f) {
        Piezometer p;
        p.bss = f[0];
        p.oldBss = f[1];
        p.latitude = f[2].toDouble();
        p.longitude = f[3].toDouble();
        p.altitude = f[4].toDouble();
        p.depth = f[5].toDouble();
        p.communeCode = f[6];
        p.communeName = f[7];
        p.aquiferCode = f[8];
        p.aquiferName = f[9];
        data->piezometers.push_back(p);
    };
    if (!forEachRow(QStringLiteral("piezometres.csv"), 10, piezometer, error))
        return false;
    QString currentBss;
    std::vector<Level> *levels = nullptr;
    bool levelsOk = true;
    const auto level = [&](const QStringList &f) {
        const std::optional<double> ngf = numberOf(f[2]);
        const std::optional<double> depth = numberOf(f[3]);
        const QDate day = dayOf(f[1]);
        // The source has no empty field: anything else is a broken file.
        if (!ngf || !depth || !day.isValid()) {
            levelsOk = false;
            return;
        }
        if (!levels || f[0] != currentBss) {
            currentBss = f[0];
            levels = &data->levels[currentBss];
        }
        levels->push_back({day, *ngf, *depth});
    };
    if (!forEachRow(QStringLiteral("niveaux.csv"), 4, level, error))
        return false;
    if (!levelsOk) {
        *error = QStringLiteral("Données de démonstration illisibles (niveaux.csv).");
        return false;
    }

    for (const Piezometer &p : data->piezometers) {
        if (!data->levels.contains(p.bss)) {
            *error = QStringLiteral("Données de démonstration incomplètes : aucun niveau pour %1.")
                         .arg(p.bss);
            return false;
        }
    }
    for (const Station &s : data->stations) {
        if (!data->series.contains(s.numPoste)) {
            *error = QStringLiteral("Données de démonstration incomplètes : aucune mesure pour %1.")
                         .arg(s.numPoste);
            return false;
        }
    }
    return true;
}

bool isHistorical(const Station &s)
{
    return s.lastDay.isValid();
}

const std::vector<Measure> &seriesOf(const DemoData &data, const Station &s)
{
    // loadDemoData() made sure that every station has a series.
    return *data.series.constFind(s.numPoste);
}

QDate startOf(const DemoData &data, const Station &s)
{
    return s.firstDay.isValid() ? s.firstDay : seriesOf(data, s).front().day;
}

std::optional<std::vector<double>> monthlyMeans(const std::vector<Measure> &series)
{
    struct Total { double sum = 0; int days = 0; };
    std::map<std::pair<int, int>, Total> months;
    for (const Measure &m : series) {
        if (!m.rain)
            continue;
        Total &t = months[{m.day.year(), m.day.month()}];
        t.sum += *m.rain;
        ++t.days;
    }
    std::vector<double> sum(12, 0.0);
    std::vector<int> years(12, 0);
    for (const auto &[key, total] : months) {
        const int length = QDate(key.first, key.second, 1).daysInMonth();
        if (total.days < length - 3)
            continue;
        sum[key.second - 1] += total.sum * length / total.days;
        ++years[key.second - 1];
    }
    std::vector<double> means(12);
    for (int i = 0; i < 12; ++i) {
        if (years[i] == 0)
            return std::nullopt;
        means[i] = std::round(sum[i] / years[i] * 10) / 10;
    }
    return means;
}

std::array<double, 12> completeMonthMeans(const std::vector<Measure> &series, int firstYear,
                                          int lastYear)
{
    // Days with a rainfall value and their total, per (year, month) of the period.
    std::map<std::pair<int, int>, std::pair<int, double>> months;
    for (const Measure &m : series) {
        if (!m.rain || m.day.year() < firstYear || m.day.year() > lastYear)
            continue;
        auto &[days, total] = months[{m.day.year(), m.day.month()}];
        ++days;
        total += *m.rain;
    }
    std::array<double, 12> sum{};
    std::array<int, 12> count{};
    for (const auto &[key, month] : months) {
        if (month.first != QDate(key.first, key.second, 1).daysInMonth())
            continue;
        sum[size_t(key.second - 1)] += month.second;
        ++count[size_t(key.second - 1)];
    }
    std::array<double, 12> means;
    for (size_t i = 0; i < 12; ++i)
        means[i] = count[i] ? std::round(sum[i] / count[i] * 10) / 10
                            : std::numeric_limits<double>::quiet_NaN();
    return means;
}

} // namespace plx::demo
