#pragma once

#include "imports/importrun.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

namespace plx {

// The preview of an import: the first rows as they will be written (file, line, station,
// instant, the six values, validity) and the lines that will be refused with their reason,
// refused lines drawn in red. Display in French; the edit role gives typed values for the
// export (numbers, dates).
class ImportPreviewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ColFichier,
        ColLigne,
        ColStation,
        ColDate,
        ColHeure,
        ColPremiereValeur, // six value columns, in grid order
        ColValidite = ColPremiereValeur + 6,
        ColMotif,
        ColumnCount
    };

    explicit ImportPreviewModel(QObject *parent = nullptr);

    // The value columns' headings: Pluie, Pl Efficace, Etp and the free parameters' labels.
    void setValueHeadings(const QStringList &headings);
    void setLines(const QList<PreviewLine> &lines);
    // Register names by code, shown beside the target station's code.
    void setStationNames(const QHash<QString, QString> &names) { m_stationNames = names; }
    QString stationName(const QString &code) const { return m_stationNames.value(code); }
    const QList<PreviewLine> &lines() const { return m_lines; }
    // Whether any line has a value in value column i (0-5), so empty ones can be hidden.
    bool hasValues(int i) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<PreviewLine> m_lines;
    QStringList m_valueHeadings;
    QHash<QString, QString> m_stationNames;
};

// The validity a preview shows: "V" validated, "douteuse" flagged doubtful by the source
// (kept unvalidated), "" otherwise.
QString previewValidity(const ImportedRow &row);

} // namespace plx
