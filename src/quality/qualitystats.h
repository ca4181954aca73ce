#pragma once

#include <QString>

#include <vector>

namespace plx {

// The q-quantile (0..1, linear between order statistics) of sorted values, leaving out one
// occurrence of excluded when it is among them: a value is never judged against a
// distribution that it inflates itself. NaN when fewer than two values remain.
double quantileExcluding(const std::vector<double> &sorted, double q, double excluded);

// A sample per calendar month (0..11) plus all months pooled, for months whose own sample
// is too small to stand on.
class MonthlySample
{
public:
    void add(int month, double value);
    void sort();
    // The month's sample when it holds at least minimum values, else the pooled one when
    // it does; nullptr otherwise.
    const std::vector<double> *sampleFor(int month, size_t minimum) const;

private:
    std::vector<double> m_months[12];
    std::vector<double> m_all;
};

// "janvier" .. "décembre" for month 0..11.
QString frenchMonth(int month);
// A millimetre figure as the explanations show it: one decimal, decimal comma.
QString mmText(double value);

} // namespace plx
