#include "run/widgets/windownavigator.h"

#include "charts/widgets/overlaychartscreen.h"
#include "charts/widgets/stationchartscreen.h"
#include "measures/widgets/validation.h"

#include <QWidget>

namespace plx {

QWidget *WindowNavigator::openScreen(QWidget *screen)
{
    if (!screen)
        return nullptr;
    std::erase_if(m_screens, [](const QPointer<QWidget> &open) { return open.isNull(); });
    const QString kind = screenKind(screen);
    for (QWidget *open : screens()) {
        if (open != screen && screenKind(open) == kind) {
            screen->deleteLater();
            screen = open;
            break;
        }
    }
    if (!screens().contains(screen)) {
        screen->setAttribute(Qt::WA_DeleteOnClose);
        m_screens.emplace_back(screen);
    }
    screen->show();
    screen->raise();
    screen->activateWindow();
    return screen;
}

QList<QWidget *> WindowNavigator::screens() const
{
    QList<QWidget *> open;
    for (const QPointer<QWidget> &screen : m_screens) {
        if (screen)
            open << screen.data();
    }
    return open;
}

bool WindowNavigator::closeAllScreens()
{
    for (QWidget *screen : screens()) {
        if (!screen->close())
            return false;
    }
    return true;
}

void WindowNavigator::openStationSeries(const QString &code, NeighbourLookup neighbours)
{
    Validation::openFor(*this, code, std::move(neighbours));
}

void WindowNavigator::openStationChart(const QString &code, StationChart kind,
                                       NeighbourLookup neighbours)
{
    StationChartScreen::openFor(*this, code, kind, std::move(neighbours));
}

void WindowNavigator::openOverlayChart(OverlayChart kind, const QStringList &rainGauges)
{
    OverlayChartScreen::openFor(*this, kind, rainGauges);
}

} // namespace plx
