#pragma once

#include "base/widgets/navigator.h"

#include <QPointer>

#include <vector>

namespace plx {

// Screens opened outside a main window (tests, a screen shown alone) become windows of
// their own, one per kind as in the main window, deleted when closed.
class WindowNavigator : public Navigator
{
public:
    QWidget *openScreen(QWidget *screen) override;
    QList<QWidget *> screens() const override;
    bool closeAllScreens() override;
    void showHelp() override {}
    void openStationSeries(const QString &code, NeighbourLookup neighbours) override;
    void openStationChart(const QString &code, StationChart kind,
                          NeighbourLookup neighbours) override;
    void openOverlayChart(OverlayChart kind, const QStringList &rainGauges) override;

private:
    std::vector<QPointer<QWidget>> m_screens; // not owned: each deletes itself on close
};

} // namespace plx
