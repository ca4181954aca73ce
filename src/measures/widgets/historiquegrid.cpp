#include "measures/widgets/historiquegrid.h"

#include "db/accesbase.h"
#include "measures/historique.h"

#include <QDate>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>

namespace plx {

HistoriqueGrid::HistoriqueGrid(QWidget *parent)
    : QTableView(parent), m_model(new QStandardItemModel(0, kHistoriqueColumnCount, this))
{
    setObjectName(QStringLiteral("SprHistorique"));
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setAlternatingRowColors(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // Six rows at most: the grid takes the height they need, not the screen's spare room.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    setUpColumns(QDate::currentDate().year());
}

void HistoriqueGrid::calculHistorique(const QString &code)
{
    const int year = QDate::currentDate().year();
    const std::vector<HistoriqueRow> rows = computeHistorique(AccesBase::instance(), code, year);
    if (year != m_year)
        setUpColumns(year);
    const auto headers = historiqueHeaders(year);
    m_model->setRowCount(0);
    for (const HistoriqueRow &row : rows) {
        QList<QStandardItem *> items;
        for (int c = 0; c < kHistoriqueColumnCount; ++c) {
            auto *item = new QStandardItem(row.cells[size_t(c)]); // owned by the model
            item->setTextAlignment(Qt::AlignVCenter |
                                   (headers[size_t(c)].numeric ? Qt::AlignRight : Qt::AlignLeft));
            items << item;
        }
        m_model->appendRow(items);
        setRowHidden(m_model->rowCount() - 1, row.hidden);
    }
}

QSize HistoriqueGrid::sizeHint() const
{
    // Wide enough for every column and tall enough for the six kinds without scrolling.
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kHistoriqueColumnCount; ++c)
        width += columnWidth(c);
    const int rowHeight = fontMetrics().height() + 8;
    const int height = 2 * frameWidth() + horizontalHeader()->sizeHint().height() + 6 * rowHeight;
    return {width, height};
}

void HistoriqueGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyColumnWidths();
}

void HistoriqueGrid::setUpColumns(int year)
{
    m_year = year;
    const auto headers = historiqueHeaders(year);
    for (int c = 0; c < kHistoriqueColumnCount; ++c) {
        auto *header = new QStandardItem(headers[size_t(c)].text); // owned by the model
        header->setTextAlignment(Qt::AlignCenter);
        m_model->setHorizontalHeaderItem(c, header);
    }
    applyColumnWidths();
}

void HistoriqueGrid::applyColumnWidths()
{
    const auto headers = historiqueHeaders(m_year);
    // Widths are given in characters, counted as digits (a date fills its column); a
    // header never gets cut off.
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const QFontMetrics titles = horizontalHeader()->fontMetrics();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 6;
    for (int c = 0; c < kHistoriqueColumnCount; ++c) {
        const HistoriqueHeader &header = headers[size_t(c)];
        const int width =
            qMax(header.widthInCharacters * digit, titles.horizontalAdvance(header.text));
        setColumnWidth(c, width + padding);
    }
}

} // namespace plx
