#pragma once

#include "stations/widgets/sublistwidget.h"

#include <vector>

class QLabel;
class QLineEdit;
class QToolButton;

namespace plx {

// The station's ten pictures (PLUVIOMETRE_PHOTO, one row per station): a labelled path
// per picture (Site, Repère, Carte, Station, Coupe, P1 to P5) with a file chooser, and a
// preview of the picture whose entry has the focus.
class SubListPhotos : public SubListWidget
{
    Q_OBJECT

public:
    explicit SubListPhotos(QWidget *parent);

    // Shows the picture of that entry (0 to 9) in the preview.
    void selectPicture(int entry);
    int selectedPicture() const { return m_selected; }

protected:
    void showRows() override;
    void updateEditable() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Entry
    {
        const SubListColumn *column = nullptr;
        QLineEdit *path = nullptr;     // owned by Qt
        QToolButton *browse = nullptr; // owned by Qt
    };
    void browse(int entry);
    void pathEdited(int entry, const QString &text);
    void updatePreview();

    std::vector<Entry> m_entries;
    QLabel *m_preview = nullptr;
    QLabel *m_caption = nullptr;
    int m_selected = 0;
};

} // namespace plx
