#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace plx {

// What a screen may ask of the frame that holds it. The main window implements it, so that
// a screen opens another one without knowing the main window (which knows every screen).
class Navigator
{
public:
    // The station next to code in the list that opened a screen (step -1 or +1); "" when
    // there is none.
    using NeighbourLookup = std::function<QString(const QString &code, int step)>;

    virtual ~Navigator() = default;

    // Adds a screen and brings it to the front. One screen per kind: when one of the same
    // kind is open, that one comes to the front and the new one is deleted. The kind is
    // the class name, or the dynamic property "plxScreenKey" when the screen sets one.
    // Returns the screen shown.
    virtual QWidget *openScreen(QWidget *screen) = 0;
    // Open screens, in opening order.
    virtual QList<QWidget *> screens() const = 0;
    // Asks every screen to close, in turn; false as soon as one refuses.
    virtual bool closeAllScreens() = 0;
    virtual void showHelp() = 0;
    // The measurement series of a station, in the validation editor.
    virtual void openStationSeries(const QString &code, NeighbourLookup neighbours) = 0;
    // A chart of a station: its chronicle, its yearly chart, its yearbook page or its
    // comparison with the normals.
    enum class StationChart { Chronicle, Yearly, Yearbook, Normals };
    virtual void openStationChart(const QString &code, StationChart kind,
                                  NeighbourLookup neighbours) = 0;
    // A chart of several stations, not tied to one: rain gauges together, or rain gauges
    // and piezometers. The rain gauges given (codes) start in its display list.
    enum class OverlayChart { RainGauges, RainAndGroundwater };
    virtual void openOverlayChart(OverlayChart kind, const QStringList &rainGauges) = 0;
};

// The navigator of the frame holding widget (its window, else an open top-level window
// that is one); else the one set with setDefaultNavigator; else nullptr.
Navigator *navigatorFor(const QWidget *widget);
// For screens shown outside a main window (tests, tools). Not owned.
void setDefaultNavigator(Navigator *navigator);

// The kind of a screen for "one screen per kind": its "plxScreenKey" property, else its
// class name.
QString screenKind(const QWidget *screen);

} // namespace plx
