#pragma once

#include "stations/widgets/sublistwidget.h"

#include <vector>

class QWidget;

namespace plx {

// A tab holding one row per station (the installation): a labelled field per shown
// column, objectName "Txt" + the column's name with a capital. A form left blank writes no row.
class SubListForm : public SubListWidget
{
    Q_OBJECT

public:
    SubListForm(SubListTab tab, const QString &name, QWidget *parent);

protected:
    void showRows() override;
    void updateEditable() override;

private:
    void fieldEdited(const SubListColumn &column, const QString &text);

    std::vector<std::pair<const SubListColumn *, QWidget *>> m_fields; // widgets owned by Qt
    bool m_filling = false;
};

// Writes text into the column of the station's single row, creating the row when the
// station has none yet.
void setSingleRowText(SubListRows &rows, const SubListDescription &description, const QString &code,
                      const QString &column, const QString &text);
QString singleRowText(const SubListRows &rows, const QString &column);

} // namespace plx
