#include "outputs/widgets/chartpicture.h"

#include "charts/widgets/ctlgraphique.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <qcustomplot.h>

#include <cmath>

namespace plx {

ChartBookmark chartBookmarkOf(const QString &bookmark)
{
    const QString name = bookmark.toUpper();
    if (name.startsWith(QLatin1String("GRAPHIQUE_SUP_ANNEE")))
        return ChartBookmark::SecondYear;
    if (name.startsWith(QLatin1String("GRAPHIQUE_ANNEE")))
        return ChartBookmark::Year;
    if (name.startsWith(QLatin1String("GRAPHIQUE_TOTAL")))
        return ChartBookmark::Total;
    return ChartBookmark::None;
}

namespace {

std::optional<ReportPicture> paintPlots(const std::vector<QCustomPlot *> &plots,
                                        const QSize &plotSize, double scale);

// Each chart reduced for the picture's width while the next ones are, then all painted.
void withReducedCharts(const std::vector<CtlGraphique *> &charts, size_t next,
                       std::vector<QCustomPlot *> &plots, const QSize &plotSize,
                       const std::function<void()> &paint)
{
    if (next == charts.size()) {
        paint();
        return;
    }
    charts[next]->renderAtWidth(plotSize.width(), [&](QCustomPlot *plot) {
        plots.push_back(plot);
        withReducedCharts(charts, next + 1, plots, plotSize, paint);
    });
}

} // namespace

std::optional<ReportPicture> chartPicture(const std::vector<CtlGraphique *> &charts,
                                          const QSize &plotSize, double scale)
{
    std::vector<QCustomPlot *> plots;
    std::optional<ReportPicture> picture;
    withReducedCharts(charts, 0, plots, plotSize,
                      [&] { picture = paintPlots(plots, plotSize, scale); });
    return picture;
}

namespace {

std::optional<ReportPicture> paintPlots(const std::vector<QCustomPlot *> &plots,
                                        const QSize &plotSize, double scale)
{
    if (plots.empty())
        return std::nullopt;
    const int count = int(plots.size());
    const QSize whole(plotSize.width(), plotSize.height() * count);

    ReportPicture picture;
    QImage image(
        QSize(int(std::lround(whole.width() * scale)), int(std::lround(whole.height() * scale))),
        QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        for (int i = 0; i < count; ++i) {
            const QPixmap part =
                plots[size_t(i)]->toPixmap(plotSize.width(), plotSize.height(), scale);
            painter.drawPixmap(QPoint(0, int(std::lround(i * plotSize.height() * scale))), part);
        }
    }
    // About 16.5 cm across: the width of an A4 page less its margins, so that a filler
    // that keeps the picture's own size still fits the page.
    picture.dotsPerInch = int(std::lround(image.width() / 6.5));
    image.setDotsPerMeterX(int(std::lround(picture.dotsPerInch / 0.0254)));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    QBuffer png(&picture.png);
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    picture.pixels = image.size();

    QBuffer svgBuffer(&picture.svg);
    QSvgGenerator svg;
    svg.setOutputDevice(&svgBuffer);
    svg.setSize(whole);
    svg.setViewBox(QRect(QPoint(0, 0), whole));
    svg.setResolution(plots.front()->logicalDpiX());
    svg.setTitle(QStringLiteral("PLXReader"));
    QCPPainter painter;
    if (painter.begin(&svg)) {
        for (int i = 0; i < count; ++i) {
            painter.save();
            painter.translate(0, i * plotSize.height());
            plots[size_t(i)]->toPainter(&painter, plotSize.width(), plotSize.height());
            painter.restore();
        }
        painter.end();
    } else {
        picture.svg.clear();
    }
    return picture;
}

} // namespace

} // namespace plx
