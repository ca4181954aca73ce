#pragma once

#include <QList>
#include <QStringList>
#include <QTableWidget>

namespace plx {

// A display list of an overlay screen: one row per station added, its first column the
// mark "X" (drawn) or empty (kept in the list, not drawn), its last column the station
// code. A click on the mark, or the space bar, toggles it.
class OverlayDisplayList : public QTableWidget
{
    Q_OBJECT

public:
    // headers: " " first, the code's column last.
    OverlayDisplayList(const QString &name, const QStringList &headers, QWidget *parent = nullptr);

    // Appends a marked row with texts (one per column after the mark); false, nothing
    // added, when a row already has that code.
    bool addStation(const QStringList &texts);
    // Removes the current row; false when there is none.
    bool removeCurrent();
    // {title, key, code} of every marked row, in list order.
    QList<QStringList> markedStations() const;
    QStringList codes() const;

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void toggle(int row);
};

} // namespace plx
