#include "charts/widgets/stackedchartexport.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <qcustomplot.h>

#include <memory>

namespace plx {

namespace {

void paintStacked(QCPPainter &painter, const std::vector<QCustomPlot *> &plots, const QSize &size)
{
    const int share = size.height() / int(plots.size());
    for (std::size_t i = 0; i < plots.size(); ++i) {
        painter.save();
        painter.translate(0, double(int(i) * share));
        plots[i]->toPainter(&painter, size.width(), share);
        painter.restore();
    }
}

} // namespace

bool writeStackedChartImage(const std::vector<QCustomPlot *> &plots, const QString &path,
                            const QSize &givenSize, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QSize size = givenSize.isValid() && !givenSize.isEmpty() ? givenSize : QSize(1600, 1800);
    const auto fail = [&](const QString &text) {
        QFile::remove(path);
        if (error)
            *error = text;
        return false;
    };
    if (plots.empty())
        return fail(QStringLiteral("Aucun graphique à enregistrer."));
    bool ok = false;
    if (suffix == QLatin1String("png")) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QCPPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paintStacked(painter, plots, size);
        painter.end();
        ok = image.save(path, "PNG");
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(plots.front()->logicalDpiX());
        svg.setTitle(QStringLiteral("PLXReader"));
        QCPPainter painter;
        if (painter.begin(&svg)) {
            paintStacked(painter, plots, size);
            ok = painter.end();
        }
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(path);
        pdf.setCreator(QStringLiteral("PLXReader"));
        pdf.setResolution(72); // one pixel of size is one point
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QCPPainter painter;
        if (painter.begin(&pdf)) {
            paintStacked(painter, plots, size);
            ok = painter.end();
        }
    } else {
        return fail(QStringLiteral("Format d'image inconnu : %1 (PNG, SVG ou PDF attendu).")
                        .arg(QFileInfo(path).fileName()));
    }
    if (!ok || QFileInfo(path).size() == 0)
        return fail(QStringLiteral("Impossible d'enregistrer l'image dans %1.").arg(path));
    return true;
}

} // namespace plx
