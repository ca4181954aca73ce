#pragma once

#include "outputs/bookmarktable.h"
#include "outputs/linkedrainfall.h"
#include "outputs/spreadsheettemplate.h"

#include <QString>

namespace plx {

// What the "#" markers of a workbook template become, for the .xlsx and .ods fillers.
class SheetMarkers
{
public:
    // Copies the fill's bookmarks and adds DATE_CALCUL (today), DEB_RECERCHE_HISTO and
    // FIN_RECERCHE_HISTO ("01/01/" and "31/12/" of the period's years; 1900 and 2050 when
    // there is no period).
    explicit SheetMarkers(const SheetFill &fill);

    struct Value
    {
        QString text;
        bool numeric = false; // write number instead of text
        double number = 0;
    };

    // A cell's text that is a marker: begins with "#" (spaces around are ignored).
    static bool isMarker(const QString &cellText);
    // "#STOP": the rest of the sheet is left as it is.
    static bool isStop(const QString &cellText);
    // The value of a marker: "#DATE_EDITION" today "dd/MM/yyyy", "#PLUVIO_..." the linked
    // rain gauge's rainfall, any other name through the bookmark table's lookup ("" when
    // nothing matches). A number only where the bookmark is marked numeric.
    Value valueOf(const QString &cellText);

    const BookmarkTable &bookmarks() const { return m_bookmarks; }

private:
    BookmarkTable m_bookmarks;
    LinkedRainfall m_rainfall;
};

} // namespace plx
