#pragma once

#include <QDate>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace plx {

class ValidationModel;

// The validation editor: the measurements of one rain gauge over a date window, edited,
// checked, saved and validated up to a marked row. Opened for a station from its record;
// previous / next step through the stations of the list that opened it.
class Validation : public QWidget
{
    Q_OBJECT

public:
    explicit Validation(QWidget *parent = nullptr);
    ~Validation() override;

    // The neighbouring station of the list that opened the screen (step -1 or +1); "" when
    // there is none.
    using NeighbourLookup = std::function<QString(const QString &code, int step)>;
    void setNeighbourLookup(NeighbourLookup lookup);

    // Shows the station: its history and counts, the window reset to the last three
    // months; then loads it when load is true.
    void initSite(const QString &code, bool load = false);
    QString stationCode() const { return m_code; }
    ValidationModel *model() const { return m_model; }
    bool hasUnsavedChanges() const;

public slots:
    void chargementStation();
    void declencheInserer();
    void DeclencheSupprimer();
    bool declencheEnregistrer();
    void DeclenchePoubelle();
    void DeclencheExcel();
    void DeclencheApercu();
    void DeclencheAide();
    void loadPrevious();
    void loadNext();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_code;
    QString m_identifiant;
    ValidationModel *m_model = nullptr;
    NeighbourLookup m_neighbours;
    bool m_busy = false;
};

} // namespace plx
