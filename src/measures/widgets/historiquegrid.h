#pragma once

#include <QTableView>

class QStandardItemModel;

namespace plx {

// The historical summary of a station's measurements (objectName "SprHistorique"): one
// row per data kind with its first and last dates, counts, current-year cumulation and
// rainy rows, last controlled and validated dates and maximum.
class HistoriqueGrid : public QTableView
{
    Q_OBJECT

public:
    explicit HistoriqueGrid(QWidget *parent = nullptr);

    // Recomputes every row for the station with that internal code ("" clears the values
    // and keeps the labels). Errors are not reported: a failing statement leaves its cells
    // empty.
    void calculHistorique(const QString &code);

    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void setUpColumns(int year);
    void applyColumnWidths();

    QStandardItemModel *m_model = nullptr; // owned (Qt parent)
    int m_year = 0;
};

} // namespace plx
