#include "charts/widgets/chartexport.h"

#include <QFile>
#include <QFileInfo>
#include <QSvgGenerator>

#include <qcustomplot.h>

namespace plx {

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool writeSvg(QCustomPlot *plot, const QString &path, const QSize &size)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    // Text in points takes the size it has on screen and in the PNG (72 dpi by default).
    svg.setResolution(plot->logicalDpiX());
    svg.setTitle(QStringLiteral("PLXReader"));
    QCPPainter painter;
    if (!painter.begin(&svg))
        return false;
    plot->toPainter(&painter, size.width(), size.height());
    return painter.end();
}

} // namespace

bool writeChartImage(QCustomPlot *plot, const QString &path, const QSize &givenSize, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QSize size = givenSize.isValid() && !givenSize.isEmpty() ? givenSize : QSize(1600, 900);
    bool ok = false;
    if (suffix == QLatin1String("png")) {
        ok = plot->savePng(path, size.width(), size.height());
    } else if (suffix == QLatin1String("pdf")) {
        ok = plot->savePdf(path, size.width(), size.height(), QCP::epNoCosmetic,
                           QStringLiteral("PLXReader"));
    } else if (suffix == QLatin1String("svg")) {
        ok = writeSvg(plot, path, size);
    } else {
        return fail(error, QStringLiteral("Format d'image inconnu : %1 (PNG, SVG ou PDF attendu).")
                               .arg(QFileInfo(path).fileName()));
    }
    // The writers may leave an empty or partial file behind when they fail.
    if (!ok || QFileInfo(path).size() == 0) {
        QFile::remove(path);
        return fail(error, QStringLiteral("Impossible d'enregistrer l'image dans %1.").arg(path));
    }
    return true;
}

} // namespace plx
