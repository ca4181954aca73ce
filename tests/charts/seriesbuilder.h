#pragma once

// Station series built in memory for the engine tests: daily or timed values of one
// parameter, with their validity and obtention codes.

#include "charts/chartengine.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <functional>
#include <limits>

namespace plxtest {

class SeriesBuilder
{
public:
    SeriesBuilder() { m_series.code = QStringLiteral("1"); }

    SeriesBuilder &add(QDate day, double value, int parameter = 1, char validite = 'V',
                       char obtention = 'A', QTime time = QTime(0, 0))
    {
        m_series.t.push_back((day.toJulianDay() - 2440588) * 86400 +
                             time.msecsSinceStartOfDay() / 1000);
        for (int p = 0; p < 6; ++p)
            m_series.values[size_t(p)].push_back(p + 1 == parameter
                                                     ? value
                                                     : std::numeric_limits<double>::quiet_NaN());
        m_series.validite.push_back(validite);
        m_series.obtention.push_back(obtention);
        m_series.timed = m_series.timed || time != QTime(0, 0);
        return *this;
    }

    // One value a day from first to last included; value() returning NaN skips the day.
    SeriesBuilder &days(QDate first, QDate last, const std::function<double(QDate)> &value,
                        int parameter = 1)
    {
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            const double v = value(d);
            if (!std::isnan(v))
                add(d, v, parameter);
        }
        return *this;
    }

    const plx::StationSeries &series() const { return m_series; }

private:
    plx::StationSeries m_series;
};

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

} // namespace plxtest
