#include "charts/widgets/overlaydisplaylist.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace plx {

OverlayDisplayList::OverlayDisplayList(const QString &name, const QStringList &headers,
                                       QWidget *parent)
    : QTableWidget(0, int(headers.size()), parent)
{
    setObjectName(name);
    setHorizontalHeaderLabels(headers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, 24);
    setMinimumHeight(110);
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == 0)
            toggle(row);
    });
}

bool OverlayDisplayList::addStation(const QStringList &texts)
{
    const QString code = texts.value(columnCount() - 2).trimmed();
    if (code.isEmpty() || codes().contains(code))
        return false;
    const int row = rowCount();
    insertRow(row);
    auto *mark = new QTableWidgetItem(QStringLiteral("X"));
    mark->setTextAlignment(Qt::AlignCenter);
    mark->setToolTip(QStringLiteral("Cliquer pour tracer ou ne plus tracer cette station"));
    setItem(row, 0, mark);
    for (int c = 1; c < columnCount(); ++c)
        setItem(row, c, new QTableWidgetItem(texts.value(c - 1)));
    setCurrentCell(row, 1);
    emit changed();
    return true;
}

bool OverlayDisplayList::removeCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return false;
    removeRow(row);
    emit changed();
    return true;
}

QList<QStringList> OverlayDisplayList::markedStations() const
{
    QList<QStringList> out;
    const int last = columnCount() - 1;
    for (int r = 0; r < rowCount(); ++r) {
        if (!item(r, 0) || item(r, 0)->text() != QLatin1String("X"))
            continue;
        out.append({item(r, 1)->text(), item(r, 2)->text(), item(r, last)->text()});
    }
    return out;
}

QStringList OverlayDisplayList::codes() const
{
    QStringList out;
    for (int r = 0; r < rowCount(); ++r)
        out << item(r, columnCount() - 1)->text().trimmed();
    return out;
}

void OverlayDisplayList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && currentRow() >= 0) {
        toggle(currentRow());
        return;
    }
    if (event->key() == Qt::Key_Delete && removeCurrent())
        return;
    QTableWidget::keyPressEvent(event);
}

void OverlayDisplayList::toggle(int row)
{
    QTableWidgetItem *mark = item(row, 0);
    if (!mark)
        return;
    mark->setText(mark->text() == QLatin1String("X") ? QString() : QStringLiteral("X"));
    emit changed();
}

} // namespace plx
