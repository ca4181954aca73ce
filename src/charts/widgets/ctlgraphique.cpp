#include "charts/widgets/ctlgraphique.h"

#include "base/messages.h"
#include "charts/curvereduction.h"
#include "charts/widgets/chartexport.h"
#include "charts/widgets/chartstyle.h"
#include "charts/widgets/ctlgraphique_overlay.h"
#include "measures/parameterlabels.h"
#include "charts/gestionexportexcel.h"
#include "schema/periodes.h"
#include "stations/stationcodes.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QToolTip>
#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

namespace plx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString helpText(CtlGraphique::Kind kind)
{
    QString text = QStringLiteral(
        "Molette ou + / - : zoom ; glisser ou ← / → : déplacer ; Ctrl+glisser : zoom sur une "
        "période ;\ndouble clic ou Origine : vue entière ; clic droit : enregistrer l'image");
    if (kind != CtlGraphique::Kind::Chronicle)
        text += QStringLiteral(" ;\nCtrl+← / Ctrl+→ : année précédente / suivante");
    return text;
}

// The colour mixed with `percent` of white: an opaque tint.
QColor towardsWhite(const QColor &c, int percent)
{
    const auto mix = [percent](int v) { return (v * (100 - percent) + 255 * percent) / 100; };
    return QColor(mix(c.red()), mix(c.green()), mix(c.blue()));
}

// One drawn curve: the plottable in the legend, and the one showing its incomplete
// periods (none when the curve has no incomplete period).
struct DrawnCurve
{
    int number = 0;
    QCPAbstractPlottable *main = nullptr;       // owned by the plot
    QCPAbstractPlottable *incomplete = nullptr; // owned by the plot
    bool bars = false;
    QPen pen;            // the curve's own pen, for lines drawn point by point
    double shift = 0;    // added to x when drawn: bars stand on their period, not its start,
                         // or beside the other bars of the same step
    double barWidth = 0; // bars: the width each bar gets, its share of the step
    int slot = 0, slotCount = 1; // overlays: its place among the bars sharing each step
};

} // namespace

// Keys, mouse leaving and the like, which QCustomPlot does not signal.
class PlotEvents : public QObject
{
public:
    explicit PlotEvents(std::function<bool(QEvent *)> handler, QObject *parent)
        : QObject(parent), m_handler(std::move(handler))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

struct CtlGraphique::Private
{
    CtlGraphique *q = nullptr;
    QCustomPlot *plot = nullptr; // owned by q
    Kind kind = Kind::Chronicle;

    AccesBase *db = nullptr; // not owned
    QString station;
    std::shared_ptr<const StationSeries> series;
    StationNormals normals;
    DataSelection selection;
    QString stationName;
    std::array<QString, 3> freeLabels;
    int hydroStartMonth = 9;
    bool initialised = false;

    bool gridMode = false;
    ChartCurves gridCurves;
    double gridLower = 0, gridUpper = 0;

    QDate loadedStart, loadedEnd;
    int selectedYear = 0;
    std::map<int, bool> visibility; // per curve number, as the screens last set it

    ChartCurves curves;
    std::vector<DrawnCurve> drawn;
    QCPRange fullX;
    bool drawnOnce = false;
    bool adjusting = false; // range changes made by the component itself

    QSharedPointer<QCPAxisTickerDateTime> dateTicker;
    QSharedPointer<QCPAxisTickerText> stepTicker;
    QCPTextElement *title = nullptr;
    QCPTextElement *note = nullptr;
    QCPItemStraightLine *crossV = nullptr, *crossH = nullptr;
    QCPItemText *crossText = nullptr;

    std::unique_ptr<OverlayState> overlay; // set by InitialiserSuperposition

    void setupPlot();
    void setupInteraction();
    void draw();
    DrawnCurve addCurve(const ChartCurve &curve);
    void reduce(int columns = 0);
    void refresh(int columns = 0);
    void applyVisibility();
    void fitValueAxis();
    void fitValueAxis(QCPAxis *axis, bool amounts);
    void resetView();
    void onRangeChanged(const QCPRange &range);
    void updateStepTicks(int columns);
    void moveCrosshair(const QPoint &pos);
    void hideCrosshair();
    bool handleEvent(QEvent *event);
    void showContextMenu(const QPoint &pos);
    void saveFromMenu();
    int defaultSelectedYear() const;
    std::pair<int, int> yearBounds() const;
    int plotColumns(int plotWidth = 0) const;
};

void CtlGraphique::Private::setupPlot()
{
    plot->setLocale(QLocale(QLocale::French, QLocale::France));
    plot->setBackground(Qt::white);
    plot->setNoAntialiasingOnDrag(true);
    plot->setPlottingHint(QCP::phCacheLabels, true);

    QFont base = plot->font();
    base.setPointSizeF(9);
    plot->xAxis->setTickLabelFont(base);
    plot->yAxis->setTickLabelFont(base);
    QFont axisLabel = base;
    axisLabel.setPointSizeF(9.5);
    plot->yAxis->setLabelFont(axisLabel);
    plot->yAxis2->setTickLabelFont(base);
    plot->yAxis2->setLabelFont(axisLabel);
    plot->xAxis->grid()->setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 0, Qt::DotLine));
    plot->yAxis->grid()->setPen(QPen(QColor(0xcc, 0xcc, 0xcc), 0, Qt::DotLine));
    plot->xAxis2->setVisible(true);
    plot->yAxis2->setVisible(true);
    plot->xAxis2->setTicks(false);
    plot->yAxis2->setTicks(false);
    plot->xAxis2->setTickLabels(false);
    plot->yAxis2->setTickLabels(false);

    dateTicker.reset(new QCPAxisTickerDateTime);
    dateTicker->setDateTimeSpec(Qt::UTC);
    dateTicker->setTickCount(7);
    stepTicker.reset(new QCPAxisTickerText);

    // Title on top, the axis rect, then the legend and the statistics' note below it.
    plot->plotLayout()->insertRow(0);
    QFont titleFont = base;
    titleFont.setPointSizeF(12);
    titleFont.setBold(true);
    title = new QCPTextElement(plot, QString(), titleFont);
    plot->plotLayout()->addElement(0, 0, title);

    plot->legend->setVisible(true);
    plot->axisRect()->insetLayout()->take(plot->legend);
    auto *bottom = new QCPLayoutGrid;
    plot->plotLayout()->addElement(2, 0, bottom);
    bottom->addElement(0, 0, plot->legend);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setWrap(6);
    plot->legend->setBorderPen(Qt::NoPen);
    plot->legend->setFont(base);
    plot->legend->setIconSize(24, 12);
    QFont noteFont = base;
    noteFont.setItalic(true);
    note = new QCPTextElement(plot, QString(), noteFont);
    bottom->addElement(1, 0, note);
    bottom->setRowSpacing(0);
    plot->plotLayout()->setRowStretchFactor(0, 0.001);
    plot->plotLayout()->setRowStretchFactor(2, 0.001);

    // The crosshair lives on its own buffered layer: following the mouse repaints only it.
    plot->addLayer(QStringLiteral("crosshair"), nullptr, QCustomPlot::limAbove);
    QCPLayer *cross = plot->layer(QStringLiteral("crosshair"));
    cross->setMode(QCPLayer::lmBuffered);
    const QPen crossPen(QColor(0x44, 0x44, 0x44, 160), 0, Qt::DashLine);
    crossV = new QCPItemStraightLine(plot);
    crossH = new QCPItemStraightLine(plot);
    crossText = new QCPItemText(plot);
    for (QCPAbstractItem *item :
         {static_cast<QCPAbstractItem *>(crossV), static_cast<QCPAbstractItem *>(crossH),
          static_cast<QCPAbstractItem *>(crossText)}) {
        item->setLayer(cross);
        item->setClipToAxisRect(true);
        item->setSelectable(false);
        item->setVisible(false);
    }
    crossV->setPen(crossPen);
    crossH->setPen(crossPen);
    crossText->position->setType(QCPItemPosition::ptAbsolute);
    crossText->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    crossText->setPadding(QMargins(5, 3, 5, 3));
    crossText->setBrush(QColor(255, 255, 240, 235));
    crossText->setPen(QPen(QColor(0x88, 0x88, 0x88)));
    crossText->setFont(base);
    crossText->setTextAlignment(Qt::AlignLeft);
}

void CtlGraphique::Private::setupInteraction()
{
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);
    plot->axisRect()->setRangeZoom(Qt::Horizontal);
    plot->axisRect()->setRangeZoomFactor(0.8);
    // The rubber band picks a period; the value axis then fits what is in it.
    plot->axisRect()->setRangeZoomAxes(plot->xAxis, nullptr);
    plot->setFocusPolicy(Qt::StrongFocus);
    plot->setMouseTracking(true);
    plot->setToolTip(helpText(kind));
    plot->selectionRect()->setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 1, Qt::DashLine));
    plot->selectionRect()->setBrush(QColor(0x1f, 0x5f, 0xa8, 40));

    QObject::connect(plot->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), q,
                     [this](const QCPRange &range) { onRangeChanged(range); });
    QObject::connect(plot, &QCustomPlot::mousePress, q, [this](QMouseEvent *event) {
        // Ctrl+drag draws a zoom rectangle; a plain drag pans.
        plot->setSelectionRectMode((event->modifiers() & Qt::ControlModifier) ? QCP::srmZoom
                                                                              : QCP::srmNone);
    });
    QObject::connect(plot, &QCustomPlot::mouseDoubleClick, q,
                     [this](QMouseEvent *) { resetView(); });
    QObject::connect(plot, &QCustomPlot::mouseMove, q,
                     [this](QMouseEvent *event) { moveCrosshair(event->pos()); });
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(plot, &QWidget::customContextMenuRequested, q,
                     [this](const QPoint &pos) { showContextMenu(pos); });
    plot->installEventFilter(
        new PlotEvents([this](QEvent *event) { return handleEvent(event); }, q));
}

int CtlGraphique::Private::plotColumns(int plotWidth) const
{
    // A hidden component (the command line, a screen not shown yet) has not laid its plot
    // out: the plot will have the component's width, less the room of the value axis.
    const QMargins room = plot->axisRect()->margins();
    const int margins = room.left() + room.right() > 0 ? room.left() + room.right() : 70;
    const int width = plotWidth > 0 ? plotWidth : plot->isVisible() ? plot->width() : q->width();
    return std::max(1, width - margins);
}

std::pair<int, int> CtlGraphique::Private::yearBounds() const
{
    if (!series || series->t.empty())
        return {0, 0};
    const bool hydro = q->Horizon == QLatin1String("H") && hydroStartMonth > 1;
    auto yearOf = [&](qint64 t) {
        const QDate day = QDateTime::fromSecsSinceEpoch(t, Qt::UTC).date();
        return hydro && day.month() < hydroStartMonth ? day.year() - 1 : day.year();
    };
    return {yearOf(series->t.front()), yearOf(series->t.back())};
}

int CtlGraphique::Private::defaultSelectedYear() const
{
    return yearBounds().second;
}

void CtlGraphique::Private::draw()
{
    hideCrosshair();
    plot->clearPlottables();
    drawn.clear();
    title->setText(curves.title);
    note->setText(curves.legendNote);
    plot->yAxis->setLabel(curves.unit);
    const bool right = !curves.rightLabel.isEmpty();
    plot->yAxis2->setTicks(right);
    plot->yAxis2->setTickLabels(right);
    plot->yAxis2->setLabel(curves.rightLabel);
    plot->yAxis->setRangeReversed(curves.leftReversed);
    plot->yAxis2->setRangeReversed(curves.rightReversed);

    if (curves.axis == AxisKind::Time) {
        plot->xAxis->setTicker(dateTicker);
    } else {
        plot->xAxis->setTicker(stepTicker);
    }
    // Bars first, the tallest at the back, so that on a time axis the effective rainfall
    // stays visible in front of the rainfall; lines come over the bars, in curve order.
    std::vector<std::size_t> order(curves.curves.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    auto typical = [this](std::size_t k) {
        double sum = 0;
        std::size_t count = 0;
        for (double v : curves.curves[k].y)
            if (!std::isnan(v)) {
                sum += std::abs(v);
                ++count;
            }
        return count ? sum / double(count) : 0.0;
    };
    std::vector<double> size(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        size[k] = typical(k);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const bool barsA = curves.curves[a].style == CurveStyle::Bars;
        const bool barsB = curves.curves[b].style == CurveStyle::Bars;
        if (barsA != barsB)
            return barsA;
        return barsA && size[a] > size[b];
    });
    drawn.assign(curves.curves.size(), DrawnCurve());
    for (std::size_t k : order)
        drawn[k] = addCurve(curves.curves[k]);

    // The whole record, with half a step of room so the end bars show whole.
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    if (curves.axis == AxisKind::Steps) {
        lo = 0.5;
        hi = std::max<double>(double(curves.steps.size()), 1.0) + 0.5;
    } else {
        for (const ChartCurve &curve : curves.curves) {
            if (curve.x.empty())
                continue;
            const double pad = curve.style == CurveStyle::Bars ? curve.barWidth : 0.0;
            lo = std::min(lo, curve.x.front());
            hi = std::max(hi, curve.x.back() + pad);
        }
        if (gridMode && loadedStart.isValid()) {
            lo = double(QDateTime(loadedStart, QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
            hi = double(QDateTime(loadedEnd.addDays(1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
        }
        if (lo > hi) { // nothing to draw: today
            hi = double(QDateTime::currentSecsSinceEpoch());
            lo = hi - 86400 * 30;
        }
        if (hi - lo < 3600)
            hi = lo + 3600;
        const double margin = (hi - lo) * 0.01;
        lo -= margin;
        hi += margin;
    }
    fullX = QCPRange(lo, hi);
    applyVisibility();
    resetView();
    drawnOnce = true;
}

DrawnCurve CtlGraphique::Private::addCurve(const ChartCurve &curve)
{
    DrawnCurve d;
    d.number = curve.number;
    d.bars = curve.style == CurveStyle::Bars;
    QCPAxis *valueAxis = curve.rightAxis ? plot->yAxis2 : plot->yAxis;
    QPen pen = curvePen(kind, q->TypeEdition, curve.number);
    if (overlay && !curve.station.isEmpty()) {
        pen.setColor(overlay->colour(curve.station));
        if (curve.rightAxis)
            pen.setWidthF(2.2);
    }
    d.pen = pen;
    const bool anyIncomplete =
        std::find(curve.incomplete.begin(), curve.incomplete.end(), true) != curve.incomplete.end();
    if (d.bars) {
        d.shift = curves.axis == AxisKind::Time ? curve.barWidth / 2 : 0.0;
        d.barWidth = curve.barWidth > 0 ? curve.barWidth : 1.0;
        auto *bars = new QCPBars(plot->xAxis, valueAxis);
        // Opaque: blending translucent bars cost ten times the paint (measured, a century
        // of bars redrawn in 100 ms instead of 8).
        bars->setBrush(towardsWhite(pen.color(), 15));
        bars->setWidth(curve.barWidth > 0 ? curve.barWidth : 1.0);
        bars->setAntialiased(false);
        d.main = bars;
        if (anyIncomplete) {
            // Pale with a dashed outline: the period is not whole. Not hatched: SVG viewers
            // draw Qt's pattern brushes as black boxes.
            auto *pale = new QCPBars(plot->xAxis, valueAxis);
            pale->setBrush(towardsWhite(pen.color(), 75));
            pale->setWidth(bars->width());
            pale->setName(QStringLiteral("Période incomplète"));
            d.incomplete = pale;
        }
    } else {
        auto *graph = new QCPGraph(plot->xAxis, valueAxis);
        graph->setPen(pen);
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setAdaptiveSampling(false); // reduced by us, per pixel column
        if (curves.axis == AxisKind::Steps && curve.x.size() <= 60)
            graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
        d.main = graph;
        if (anyIncomplete) {
            auto *dashed = new QCPGraph(plot->xAxis, valueAxis);
            QPen dash = pen;
            dash.setStyle(Qt::DashLine);
            dashed->setPen(dash);
            dashed->setScatterStyle(
                QCPScatterStyle(QCPScatterStyle::ssCircle, pen.color(), Qt::white, 6));
            dashed->setName(QStringLiteral("Période incomplète"));
            d.incomplete = dashed;
        }
    }
    d.main->setName(curve.title);
    return d;
}

void CtlGraphique::Private::reduce(int columns)
{
    if (columns <= 0)
        columns = plotColumns();
    const QCPRange range = plot->xAxis->range();
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const DrawnCurve &d = drawn[k];
        const ChartCurve &curve = curves.curves[k];
        // Several stations' bars share the pixel columns rather than each filling them all.
        const bool sharing = overlay && d.bars && d.slotCount > 1;
        const ReducedCurve r =
            d.bars
                ? reduceBars(curve.x, curve.y, curve.incomplete, d.barWidth, range.lower - d.shift,
                             range.upper - d.shift,
                             sharing ? std::max(1, columns / d.slotCount) : columns)
                : reduceLine(curve.x, curve.y, curve.incomplete, range.lower, range.upper, columns);
        const double share = sharing && r.reduced ? double(d.slotCount) : 1.0;
        const double offset =
            share > 1 ? (double(d.slot) - (share - 1) / 2) * r.barWidth / share : 0.0;
        QVector<double> keys, values, paleKeys, paleValues;
        keys.reserve(qsizetype(r.x.size()));
        values.reserve(qsizetype(r.x.size()));
        for (std::size_t i = 0; i < r.x.size(); ++i) {
            const bool incomplete = d.incomplete && !r.incomplete.empty() && r.incomplete[i];
            if (d.bars) {
                if (std::isnan(r.y[i]))
                    continue;
                (incomplete ? paleKeys : keys).append(r.x[i] + d.shift + offset);
                (incomplete ? paleValues : values).append(r.y[i]);
                continue;
            }
            keys.append(r.x[i]);
            values.append(incomplete ? kNaN : r.y[i]);
            if (!incomplete)
                continue;
            // A dashed segment from the neighbours to the incomplete point.
            if (i > 0 && !r.incomplete[i - 1]) {
                paleKeys.append(r.x[i - 1]);
                paleValues.append(r.y[i - 1]);
            }
            paleKeys.append(r.x[i]);
            paleValues.append(r.y[i]);
            if (i + 1 < r.x.size() && !r.incomplete[i + 1]) {
                paleKeys.append(r.x[i + 1]);
                paleValues.append(r.y[i + 1]);
                paleKeys.append(r.x[i + 1]);
                paleValues.append(kNaN);
            }
        }
        if (d.bars) {
            auto *bars = static_cast<QCPBars *>(d.main);
            bars->setWidth(r.barWidth > 0 ? r.barWidth / share : bars->width());
            bars->setData(keys, values, true);
            // Outlines only where a bar is wide enough to show its fill inside them.
            const bool outlined = bars->width() / std::max(range.size(), 1e-9) * columns >= 6;
            const QColor colour = d.pen.color();
            bars->setPen(outlined ? QPen(colour.darker(130), 1) : QPen(Qt::NoPen));
            if (d.incomplete) {
                auto *pale = static_cast<QCPBars *>(d.incomplete);
                pale->setWidth(bars->width());
                pale->setPen(outlined ? QPen(colour, 1, Qt::DashLine) : QPen(Qt::NoPen));
                pale->setData(paleKeys, paleValues, true);
            }
        } else {
            auto *graph = static_cast<QCPGraph *>(d.main);
            // A reduced line zigzags from minimum to maximum in every pixel column: a thin
            // pen draws it many times faster than a wide one and looks the same.
            QPen pen = d.pen;
            if (r.reduced) {
                pen.setWidthF(1);
                pen.setCosmetic(true);
            }
            graph->setPen(pen);
            graph->setData(keys, values, true);
            if (d.incomplete)
                static_cast<QCPGraph *>(d.incomplete)->setData(paleKeys, paleValues, true);
        }
    }
}

void CtlGraphique::Private::applyVisibility()
{
    // The legend lists the visible curves in curve order, then one entry for the pale
    // style of incomplete periods, whichever curve carries it.
    plot->legend->clearItems();
    QCPAbstractPlottable *pale = nullptr;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        DrawnCurve &d = drawn[k];
        ChartCurve &curve = curves.curves[k];
        const auto it = visibility.find(curve.number);
        if (it != visibility.end())
            curve.visible = it->second;
        d.main->setVisible(curve.visible);
        if (curve.visible)
            d.main->addToLegend();
        if (d.incomplete) {
            d.incomplete->setVisible(curve.visible);
            if (curve.visible && !pale)
                pale = d.incomplete;
        }
    }
    if (pale)
        pale->addToLegend();

    // Bars of several curves on the same steps (the months compared year by year, or
    // several stations' rainfall) stand side by side, sharing the step, rather than hiding
    // each other.
    if (curves.axis != AxisKind::Steps && !overlay)
        return;
    std::vector<std::size_t> shown;
    for (std::size_t k = 0; k < drawn.size(); ++k)
        if (drawn[k].bars && curves.curves[k].visible)
            shown.push_back(k);
    const double n = double(std::max<std::size_t>(shown.size(), 1));
    for (std::size_t slot = 0; slot < shown.size(); ++slot) {
        DrawnCurve &d = drawn[shown[slot]];
        const double step =
            curves.curves[shown[slot]].barWidth > 0 ? curves.curves[shown[slot]].barWidth : 1.0;
        d.barWidth = step / n;
        d.shift = (double(slot) - (n - 1) / 2) * d.barWidth;
        d.slot = int(slot);
        d.slotCount = int(shown.size());
        if (curves.axis == AxisKind::Time)
            d.shift += step / 2; // bars stand on their period, not its start
    }
}

void CtlGraphique::Private::fitValueAxis()
{
    if (gridMode)
        plot->yAxis->setRange(gridLower, gridUpper);
    else
        fitValueAxis(plot->yAxis, !curves.unit.isEmpty());
    if (!curves.rightLabel.isEmpty())
        fitValueAxis(plot->yAxis2, false);
}

void CtlGraphique::Private::fitValueAxis(QCPAxis *axis, bool amounts)
{
    // The reduced data keep every column's extremes, so they give the visible range.
    const QCPRange x = plot->xAxis->range();
    double lo = 0, hi = 0;
    bool any = false;
    bool bars = false;
    for (const DrawnCurve &d : drawn) {
        if (!d.main->visible() || d.main->valueAxis() != axis)
            continue;
        bars = bars || d.bars;
        for (QCPAbstractPlottable *p : {d.main, d.incomplete}) {
            if (!p)
                continue;
            bool found = false;
            const QCPRange r = p->getValueRange(found, QCP::sdBoth, x);
            if (!found)
                continue;
            lo = any ? std::min(lo, r.lower) : r.lower;
            hi = any ? std::max(hi, r.upper) : r.upper;
            any = true;
        }
    }
    if (!any) {
        axis->setRange(0, 10);
        return;
    }
    // Amounts (a unit, or bars) read from zero; a free parameter's line (a level, a
    // temperature) fills the height with its own range.
    const bool fromZero = bars || amounts;
    if (fromZero) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, 0.0);
    }
    if (hi <= lo) {
        lo -= 0.5;
        hi += 0.5;
    }
    // Rainfall hanging from the top over levels keeps to the upper half, clear of the lines.
    if (axis == plot->yAxis && curves.leftReversed && !curves.rightLabel.isEmpty())
        hi *= 2;
    const double room = (hi - lo) * 0.05;
    axis->setRange(fromZero && lo >= 0 ? 0 : lo - room, hi + room);
}

void CtlGraphique::Private::resetView()
{
    adjusting = true;
    plot->xAxis->setRange(fullX);
    adjusting = false;
    onRangeChanged(fullX);
}

void CtlGraphique::Private::onRangeChanged(const QCPRange &range)
{
    if (adjusting)
        return;
    // Never further out than the whole record: beyond it there is nothing to see.
    QCPRange bounded = range;
    if (bounded.size() > fullX.size())
        bounded = fullX;
    if (bounded.lower < fullX.lower)
        bounded = QCPRange(fullX.lower, fullX.lower + bounded.size());
    if (bounded.upper > fullX.upper)
        bounded = QCPRange(fullX.upper - bounded.size(), fullX.upper);
    if (bounded.lower != range.lower || bounded.upper != range.upper) {
        adjusting = true;
        plot->xAxis->setRange(bounded);
        adjusting = false;
    }
    if (curves.axis == AxisKind::Time)
        dateTicker->setDateTimeFormat(dateTickFormat(bounded.size()));
    refresh();
    // The value axis follows the period shown: a storm zoomed into fills the height.
    fitValueAxis();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

// What depends on the plot's width in pixels: the reduced curves and the step labels.
void CtlGraphique::Private::refresh(int columns)
{
    if (columns <= 0)
        columns = plotColumns();
    if (curves.axis == AxisKind::Steps)
        updateStepTicks(columns);
    reduce(columns);
}

void CtlGraphique::Private::updateStepTicks(int columns)
{
    const QCPRange range = plot->xAxis->range();
    const QFontMetrics metrics(plot->xAxis->tickLabelFont());
    int widest = 0;
    for (const QString &label : curves.steps)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const int stride = stepLabelStride(range.size(), columns, widest + 14);
    QMap<double, QString> ticks;
    for (qsizetype i = 0; i < curves.steps.size(); i += stride)
        ticks.insert(double(i + 1), curves.steps[i]);
    stepTicker->setTicks(ticks);
    plot->xAxis->setSubTicks(false);
}

void CtlGraphique::Private::moveCrosshair(const QPoint &pos)
{
    if (!plot->axisRect()->rect().contains(pos) || drawn.empty()) {
        hideCrosshair();
        return;
    }
    const double key = plot->xAxis->pixelToCoord(pos.x());
    // The curve point nearest the mouse, from the full data, not the reduced one.
    const ChartCurve *best = nullptr;
    std::size_t bestAt = 0;
    double bestDistance = std::numeric_limits<double>::max();
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const ChartCurve &curve = curves.curves[k];
        if (!curve.visible || curve.x.empty())
            continue;
        const double x = key - drawn[k].shift;
        auto at =
            std::size_t(std::lower_bound(curve.x.begin(), curve.x.end(), x) - curve.x.begin());
        if (at == curve.x.size() || (at > 0 && x - curve.x[at - 1] < curve.x[at] - x))
            --at;
        if (std::isnan(curve.y[at]))
            continue;
        const double dx = plot->xAxis->coordToPixel(curve.x[at] + drawn[k].shift) - pos.x();
        const double dy = drawn[k].main->valueAxis()->coordToPixel(curve.y[at]) - pos.y();
        const double distance = dx * dx + dy * dy;
        if (std::abs(dx) < 40 && distance < bestDistance) {
            bestDistance = distance;
            best = &curve;
            bestAt = at;
        }
    }
    const QLocale french(QLocale::French, QLocale::France);
    QString text;
    if (best) {
        const double x = best->x[bestAt];
        const QString where = curves.axis == AxisKind::Time
                                  ? instantText(x)
                                  : curves.steps.value(qsizetype(std::llround(x)) - 1);
        text = QStringLiteral("%1\n%2 : %3")
                   .arg(where, best->title, french.toString(best->y[bestAt], 'g', 6));
        if (!curves.unit.isEmpty() && !best->rightAxis)
            text += QLatin1Char(' ') + curves.unit;
        if (!best->incomplete.empty() && best->incomplete[bestAt])
            text += QStringLiteral(" (période incomplète)");
    } else {
        text = curves.axis == AxisKind::Time ? instantText(key)
                                             : curves.steps.value(qsizetype(std::llround(key)) - 1);
    }
    const double value = plot->yAxis->pixelToCoord(pos.y());
    crossV->point1->setCoords(key, 0);
    crossV->point2->setCoords(key, 1);
    crossH->point1->setCoords(0, value);
    crossH->point2->setCoords(1, value);
    crossText->setText(text);
    // Right of the mouse, or left of it near the right edge.
    const bool left = pos.x() > plot->axisRect()->right() - 220;
    crossText->setPositionAlignment((left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignBottom);
    crossText->position->setPixelPosition(QPointF(pos.x() + (left ? -10 : 10), pos.y() - 8));
    for (QCPAbstractItem *item :
         {static_cast<QCPAbstractItem *>(crossV), static_cast<QCPAbstractItem *>(crossH),
          static_cast<QCPAbstractItem *>(crossText)})
        item->setVisible(true);
    plot->layer(QStringLiteral("crosshair"))->replot();
}

void CtlGraphique::Private::hideCrosshair()
{
    if (!crossV || !crossV->visible())
        return;
    crossV->setVisible(false);
    crossH->setVisible(false);
    crossText->setVisible(false);
    plot->layer(QStringLiteral("crosshair"))->replot();
}

bool CtlGraphique::Private::handleEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave) {
        hideCrosshair();
        return false;
    }
    if (event->type() == QEvent::ToolTip) {
        // The help shows over the axes and the legend; over the drawing the crosshair
        // already says what is under the mouse.
        const auto *help = static_cast<QHelpEvent *>(event);
        if (plot->axisRect()->rect().contains(help->pos())) {
            QToolTip::hideText();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Resize) {
        // As many points as the new width has pixel columns: a screen laid out after the
        // first Tracer, or a window enlarged, gets its detail back.
        const auto *resize = static_cast<QResizeEvent *>(event);
        if (drawnOnce && resize->size().width() != resize->oldSize().width())
            refresh(plotColumns(resize->size().width()));
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const QCPRange range = plot->xAxis->range();
    if (key->modifiers() & Qt::ControlModifier) {
        if (kind == Kind::Chronicle || (key->key() != Qt::Key_Left && key->key() != Qt::Key_Right))
            return false;
        const int year = selectedYear ? selectedYear : defaultSelectedYear();
        q->setSelectedYear(year + (key->key() == Qt::Key_Left ? -1 : 1));
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: // "+" without Shift on many keyboards
    case Qt::Key_Minus: {
        const double factor = key->key() == Qt::Key_Minus ? 1.25 : 0.8;
        plot->xAxis->scaleRange(factor, range.center());
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
        plot->xAxis->moveRange((key->key() == Qt::Key_Left ? -0.1 : 0.1) * range.size());
        return true;
    case Qt::Key_Home:
        resetView();
        return true;
    default:
        return false;
    }
}

void CtlGraphique::Private::showContextMenu(const QPoint &pos)
{
    if (!plot->axisRect()->rect().contains(pos)) {
        // Outside the drawing: the screen may have its own menu for the place.
        emit q->popupRequested(q, pos.x(), pos.y());
        return;
    }
    QMenu menu(plot);
    menu.addAction(QStringLiteral("Enregistrer l'image…"), q, [this] { saveFromMenu(); });
    menu.addAction(QStringLiteral("Réinitialiser le zoom"), q, [this] { resetView(); });
    menu.exec(plot->mapToGlobal(pos));
}

void CtlGraphique::Private::saveFromMenu()
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        q, QStringLiteral("Enregistrer l'image"), QString(),
        QStringLiteral("Image PNG (*.png);;Image SVG (*.svg);;Document PDF (*.pdf)"), &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.contains(QLatin1String("svg"))   ? QStringLiteral(".svg")
                : selected.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf")
                                                          : QStringLiteral(".png");
    QString error;
    if (!q->saveImage(path, plot->size(), &error))
        showMessage(MessageKind::Erreur, error);
}

CtlGraphique::CtlGraphique(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    d->q = this;
    d->plot = new QCustomPlot(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->plot);
    d->setupPlot();
    d->setupInteraction();
    setFocusProxy(d->plot);
}

CtlGraphique::~CtlGraphique() = default;

void CtlGraphique::setKind(Kind kind)
{
    d->kind = kind;
    d->plot->setToolTip(helpText(kind));
}

ChartProperties CtlGraphique::properties() const
{
    return {TypeEdition, Parametres, Horizon, Visualisation, Cumul};
}

void CtlGraphique::setProperties(const ChartProperties &properties)
{
    TypeEdition = properties.typeEdition;
    Parametres = properties.parametres;
    Horizon = properties.horizon;
    Visualisation = properties.visualisation;
    Cumul = properties.cumul;
}

bool CtlGraphique::Initialiser(const QString &application, AccesBase &db, QWidget *mainWindow,
                               const QString &station)
{
    Q_UNUSED(application)
    Q_UNUSED(mainWindow)
    d->overlay.reset();
    d->db = &db;
    d->station = station;
    d->gridMode = false;
    d->selectedYear = 0;
    QString error;
    d->series = loadStationSeries(db, station, &error);
    d->initialised = d->series != nullptr;
    d->loadedStart = d->loadedEnd = QDate();
    if (!d->series) {
        showMessage(MessageKind::Erreur, error);
        return false;
    }
    d->normals = loadStationNormals(db, station);
    d->hydroStartMonth = std::clamp(readHydroStartMonth(db).toInt(), 1, 12);
    d->stationName = stationDisplayName(db, station);
    for (int id = 1; id <= 3; ++id)
        d->freeLabels[size_t(id - 1)] = storedParameterLabel(db, id).value_or(QString());
    // Creating a chart writes a new user's export options, then reads them.
    GestionExportExcel options;
    options.load();
    d->selection = dataSelection(options);
    if (!d->series->t.empty()) {
        d->loadedStart = QDateTime::fromSecsSinceEpoch(d->series->t.front(), Qt::UTC).date();
        d->loadedEnd = QDateTime::fromSecsSinceEpoch(d->series->t.back(), Qt::UTC).date();
    }
    return true;
}

bool CtlGraphique::InitialiserDepuis(const CtlGraphique &other)
{
    if (!other.d->series || other.d->gridMode)
        return false;
    d->db = other.d->db;
    d->station = other.d->station;
    d->gridMode = false;
    d->selectedYear = 0;
    d->series = other.d->series; // shared, never copied
    d->normals = other.d->normals;
    d->hydroStartMonth = other.d->hydroStartMonth;
    d->stationName = other.d->stationName;
    d->freeLabels = other.d->freeLabels;
    d->selection = other.d->selection;
    d->loadedStart = other.d->loadedStart;
    d->loadedEnd = other.d->loadedEnd;
    d->initialised = true;
    return true;
}

bool CtlGraphique::sharesSeriesWith(const CtlGraphique &other) const
{
    return d->series && d->series == other.d->series;
}

void CtlGraphique::Actualiser()
{
    // The screens call it right after Initialiser and always call Tracer next: the series
    // is already in memory, and drawing here would compute every curve twice.
    d->hideCrosshair();
}

void CtlGraphique::Tracer()
{
    if (d->overlay) {
        tracerSuperposition();
        return;
    }
    if (d->gridMode) {
        d->curves = d->gridCurves;
    } else if (!d->series) {
        d->curves = ChartCurves();
    } else {
        ChartRequest request;
        request.typeEdition = TypeEdition;
        request.parametres = Parametres;
        request.horizon = Horizon;
        request.visualisation = Visualisation;
        request.cumul = Cumul;
        request.hydroStartMonth = d->hydroStartMonth;
        request.freeLabels = d->freeLabels;
        if (d->kind == Kind::Normals) {
            if (d->selectedYear == 0)
                d->selectedYear = d->defaultSelectedYear();
            request.selectedYear = d->selectedYear;
            request.internalNormals = OptionNormales;
            StationNormals normals = d->normals;
            normals.title = TitreNormales;
            d->curves = normalsComparisonCurves(*d->series, normals, request, d->selection);
        } else if (d->kind == Kind::Yearly) {
            if (d->selectedYear == 0)
                d->selectedYear = d->defaultSelectedYear();
            request.selectedYear = d->selectedYear;
            request.yearbook = Annuaire;
            d->curves = yearlyCurves(*d->series, d->normals, request, d->selection);
        } else {
            d->curves = chronicleCurves(*d->series, request, d->selection);
        }
        if (!d->stationName.isEmpty())
            d->curves.title = d->stationName + QStringLiteral(" - ") + d->curves.title;
    }
    d->draw();
}

void CtlGraphique::InitialiserGrille(ChartCurves curves, const QDate &start, const QDate &end,
                                     double lower, double upper)
{
    d->gridMode = true;
    d->initialised = true;
    d->series.reset();
    d->gridCurves = std::move(curves);
    d->loadedStart = start;
    d->loadedEnd = end;
    d->gridLower = lower;
    d->gridUpper = upper;
    setKind(Kind::Chronicle);
    Tracer();
}

void CtlGraphique::AfficherCourbe(int number)
{
    AfficherSerie(number, true);
}

void CtlGraphique::MasquerCourbe(int number)
{
    AfficherSerie(number, false);
}

void CtlGraphique::AfficherSerie(int number, bool visible)
{
    d->visibility[number] = visible;
    if (!d->curves.curve(number))
        return;
    d->applyVisibility();
    d->refresh();
    d->fitValueAxis();
    d->plot->replot(QCustomPlot::rpQueuedReplot);
}

void CtlGraphique::RecupDatesChargement(QDate &start, QDate &end) const
{
    start = d->loadedStart;
    end = d->loadedEnd;
}

int CtlGraphique::selectedYear() const
{
    return d->selectedYear;
}

void CtlGraphique::setSelectedYear(int year)
{
    const auto [first, last] = d->yearBounds();
    if (first != 0)
        year = std::clamp(year, first, last);
    if (year == d->selectedYear)
        return;
    d->selectedYear = year;
    if (d->drawnOnce && d->kind != Kind::Chronicle)
        Tracer();
    emit selectedYearChanged(year);
}

const ChartCurves &CtlGraphique::curves() const
{
    return d->curves;
}

bool CtlGraphique::saveImage(const QString &path, const QSize &size, QString *error)
{
    // Reduced for the picture's own width, then again for the screen's.
    d->refresh(d->plotColumns(size.width()));
    const bool ok = writeChartImage(d->plot, path, size, error);
    d->refresh();
    return ok;
}

void CtlGraphique::renderAtWidth(int width, const std::function<void(QCustomPlot *)> &paint)
{
    d->refresh(d->plotColumns(width));
    paint(d->plot);
    d->refresh();
}

QCustomPlot *CtlGraphique::plot() const
{
    return d->plot;
}

bool CtlGraphique::InitialiserSuperposition(const QString &application, AccesBase &db,
                                           QWidget *mainWindow)
{
    Q_UNUSED(application)
    Q_UNUSED(mainWindow)
    d->db = &db;
    d->gridMode = false;
    d->series.reset();
    d->overlay = std::make_unique<OverlayState>();
    d->overlay->db = &db;
    d->overlay->hydroStartMonth = std::clamp(readHydroStartMonth(db).toInt(), 1, 12);
    for (int id = 1; id <= 3; ++id)
        d->overlay->freeLabels[size_t(id - 1)] = storedParameterLabel(db, id).value_or(QString());
    GestionExportExcel options;
    options.load();
    d->overlay->selection = dataSelection(options);
    d->initialised = true;
    setKind(Kind::Chronicle);
    return true;
}

int CtlGraphique::seriesReads() const
{
    return d->overlay ? d->overlay->reads : 0;
}

void CtlGraphique::tracerSuperposition()
{
    ChartRequest request;
    request.typeEdition = TypeEdition;
    request.parametres = Parametres;
    request.horizon = Horizon;
    request.visualisation = Visualisation;
    request.cumul = Cumul;
    request.hydroStartMonth = d->overlay->hydroStartMonth;
    request.freeLabels = d->overlay->freeLabels;
    QStringList errors;
    const bool withPiezometers = TypeEdition == QLatin1String("SUPERPOSITION");
    d->curves = d->overlay->build(ListeCourbes, ListePiezometres, withPiezometers, request,
                                  PluieVersLeBas, &errors);
    d->draw();
    if (!errors.isEmpty())
        showMessage(MessageKind::Erreur, errors.join(QLatin1Char('\n')));
}

} // namespace plx
