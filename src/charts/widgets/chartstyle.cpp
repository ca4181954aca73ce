#include "charts/widgets/chartstyle.h"

#include <QDateTime>

#include <array>
#include <cmath>

namespace plx {

QColor curveColour(int number)
{
    // Dark, saturated hues that stay apart from each other and from the white page.
    static const std::array<QColor, 12> palette{
        QColor(0x1f, 0x5f, 0xa8), QColor(0xc0, 0x39, 0x2b), QColor(0x1b, 0x8a, 0x5a),
        QColor(0x6a, 0x3d, 0x9a), QColor(0xd9, 0x5f, 0x02), QColor(0x00, 0x8b, 0x8b),
        QColor(0x8c, 0x56, 0x4b), QColor(0xb8, 0x2e, 0x8a), QColor(0x55, 0x55, 0x55),
        QColor(0x00, 0x00, 0x00), QColor(0x9a, 0x8c, 0x00), QColor(0x2c, 0x7f, 0xb8)};
    return palette[std::size_t((number > 0 ? number - 1 : 0) % int(palette.size()))];
}

QPen curvePen(CtlGraphique::Kind kind, const QString &typeEdition, int number)
{
    QPen pen(curveColour(number), 1.6);
    if (kind != CtlGraphique::Kind::Yearly || typeEdition != QLatin1String("EDITION"))
        return pen;
    // The year against its statistics: envelopes dashed, quintiles dotted, the median
    // dash-dotted, the year itself and the normals thicker.
    switch (number) {
    case 1:
    case 10:
        pen.setWidthF(2.6);
        break;
    case 2:
    case 4:
        pen.setStyle(Qt::DashLine);
        break;
    case 5:
    case 6:
    case 7:
    case 8:
        pen.setStyle(Qt::DotLine);
        pen.setWidthF(1.8);
        break;
    case 9:
        pen.setStyle(Qt::DashDotLine);
        break;
    default:
        break;
    }
    return pen;
}

QString dateTickFormat(double span)
{
    constexpr double day = 86400;
    if (span > 8 * 365 * day)
        return QStringLiteral("yyyy");
    if (span > 240 * day)
        return QStringLiteral("MMM yyyy");
    if (span > 2 * day)
        return QStringLiteral("dd/MM/yyyy");
    return QStringLiteral("dd/MM/yyyy\nHH:mm");
}

int stepLabelStride(double visibleSteps, int pixels, int labelWidth)
{
    const int fitting = std::max(1, pixels / std::max(1, labelWidth));
    return std::max(1, int(std::ceil(visibleSteps / fitting)));
}

QString instantText(double seconds)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(qint64(std::llround(seconds)), Qt::UTC);
    return at.time() == QTime(0, 0) ? at.toString(QStringLiteral("dd/MM/yyyy"))
                                    : at.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

} // namespace plx
