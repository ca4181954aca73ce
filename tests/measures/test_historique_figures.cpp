// The whole-table figures of the summary, computed in one pass, against the statements
// that first computed them, kind by kind, on a station of random rows: nulls, ties of
// maxima, negative values, every validity code, times of day, a kind without values.
#include "base/locale.h"
#include "db/accesbase.h"
#include "db/preparedstatement.h"
#include "db/transaction.h"
#include "measures/historique.h"
#include "measures/measurementtable.h"
#include "measures/parameterlabels.h"
#include "schema/schemacatalog.h"
#include "schema/schemaupgrade.h"
#include "support/testdatabases.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>

using namespace plx;

namespace {

constexpr int kYear = 2021;

QString dateText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDateTime)
        return formatDate(value.toDateTime().date());
    return value.toString();
}

QString numberText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    return formatNumber(QString::number(value.toDouble(), 'g', 15).toDouble());
}

// The figures of one kind, as the first statements computed them.
QStringList statementFigures(AccesBase &db, const QString &table, const QString &c)
{
    const auto dateWhen = [&](const QString &condition) {
        return QStringLiteral("iif(%1 is not null%2, DateCreation, Null)").arg(c, condition);
    };
    const RecordTable whole = db.ExtraireRecords(
        QStringLiteral("SELECT min(%1), max(%1), count(%2), max(%3), max(%4) FROM %5")
            .arg(dateWhen(QString()), c, dateWhen(QStringLiteral(" AND Validite='C'")),
                 dateWhen(QStringLiteral(" AND Validite='V'")), table));
    const RecordTable top = db.ExtraireRecords(
        QStringLiteral("SELECT TOP 1 DateCreation, %1 FROM %2 WHERE %1 is not null "
                       "ORDER BY %1 DESC, DateCreation, Heure")
            .arg(c, table));
    EXPECT_TRUE(whole.ok()) << whole.error().toStdString();
    EXPECT_TRUE(top.ok()) << top.error().toStdString();
    if (!whole.ok() || !top.ok())
        return {};
    const qlonglong count = whole.at(0, 2).toLongLong();
    const bool any = top.rowCount() > 0;
    return {dateText(whole.at(0, 0)),
            dateText(whole.at(0, 1)),
            count == 0 ? QString() : QString::number(count),
            dateText(whole.at(0, 3)),
            dateText(whole.at(0, 4)),
            any ? dateText(top.at(0, 0)) : QString(),
            any ? numberText(top.at(0, 1)) : QString()};
}

class HistoriqueFigures : public ::testing::TestWithParam<QString>
{
};

} // namespace

TEST_P(HistoriqueFigures, SameAsTheStatementsKindByKind)
{
    plxtest::ScratchDatabase scratch(GetParam());
    ASSERT_TRUE(scratch.connect());
    AccesBase &db = AccesBase::instance();
    ASSERT_TRUE(upgradeSchema(db, QStringLiteral(PLX_VERSION)).ok);
    const QString table = measurementTableName(QStringLiteral("5"));
    {
        const ScopedConnectionKind kind(db);
        ASSERT_TRUE(CreateMeasurementTable(db, QStringLiteral("5"), false));
    }

    // Values few enough to tie, rows over three years, the last ones not yet validated.
    const QVariant null;
    const QVariantList values{null, null, 0.0, 0.1, 0.2, 12.5, 12.5, -3.5, 7.25, 3.0};
    const QVariantList codes{QStringLiteral("C"), QStringLiteral("V"), QStringLiteral("V"),
                             QString(), null};
    QRandomGenerator random(20240305);
    const auto pick = [&](const QVariantList &list) {
        return list[int(random.bounded(int(list.size())))];
    };
    {
        Transaction transaction(db);
        ASSERT_TRUE(transaction.started());
        std::unique_ptr<PreparedStatement> insert = db.prepare(
            QStringLiteral("INSERT INTO %1 (DateCreation, Heure, Pluie, PluieEfficace, Etp, "
                           "Valeur1, Valeur3, Validite) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                .arg(table));
        ASSERT_TRUE(insert);
        QDateTime at(QDate(kYear - 1, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < 1500; ++i) {
            at = at.addSecs(qint64(random.bounded(1, 4)) * 3600 * 7);
            const QDateTime day(at.date(), QTime(0, 0), Qt::UTC);
            const QDateTime time(QDate(1899, 12, 30), at.time(), Qt::UTC);
            // Etp on a few rows only; Valeur2 never.
            const QVariant etp = i % 97 == 3 ? pick(values) : null;
            const QVariant code = i > 1300 ? QVariant(QString()) : pick(codes);
            ASSERT_TRUE(insert->exec({day, time, pick(values), pick(values), etp, pick(values),
                                      i % 2 ? pick(values) : null, code}))
                << db.lastError().toStdString();
        }
        ASSERT_TRUE(transaction.commit()) << transaction.error().toStdString();
    }

    const std::vector<DataKind> kinds = dataKinds(db);
    const std::vector<HistoriqueRow> rows = computeHistorique(db, QStringLiteral("5"), kYear);
    ASSERT_EQ(rows.size(), kinds.size());
    for (size_t k = 0; k < kinds.size(); ++k) {
        const HistoriqueRow &row = rows[k];
        const QStringList figures{row.cells[DebHisto], row.cells[FinHisto],   row.cells[Valeurs],
                                  row.cells[Controle], row.cells[Validation], row.cells[DateMax],
                                  row.cells[Max]};
        EXPECT_EQ(figures, statementFigures(db, table, kinds[k].column))
            << kinds[k].column.toStdString();
    }
    EXPECT_FALSE(rows[0].cells[Controle].isEmpty());
    EXPECT_TRUE(rows[4].cells[Valeurs].isEmpty()) << "Valeur2 holds no value";
}

INSTANTIATE_TEST_SUITE_P(Engines, HistoriqueFigures, PLX_ENGINES, PLX_ENGINE_NAME);
