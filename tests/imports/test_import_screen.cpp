#include "base/widgets/navigator.h"
#include "config/settings.h"
#include "db/accesbase.h"
#include "imports/widgets/importerdonnees.h"
#include "imports/widgets/importpreviewmodel.h"
#include "measures/situationdata.h"
#include "outputs/widgets/gridexport.h"
#include "run/demonetwork.h"
#include "schema/schemacatalog.h"
#include "session/session.h"
#include "support/schemadatabasetest.h"
#include "support/zipread.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using namespace plx;

namespace {

const QString kQFile = QStringLiteral("imports/Q_13_screen-extract_RR-T-Vent.csv");
const QString kCsvFile = QStringLiteral("imports/tharandt_pluvio_extract.csv");

template <typename W> W *child(const QWidget &screen, const char *name)
{
    auto *w = screen.findChild<W *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Lets the queued preview run.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The Q extract with one line appended whose date does not exist: a refused row at line 52.
QString qFileWithBadDate(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("Q_13_bad_RR-T-Vent.csv"));
    QFile in(plxtest::testDataPath(kQFile));
    QFile out(path);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
    QByteArray text = in.readAll();
    const QList<QByteArray> lines = text.split('\n');
    QByteArray bad = lines.value(1);
    bad.replace("20250101", "20250231");
    out.write(text + bad + '\n');
    return path;
}

// A Météo-France daily file of many days for one station, made from the extract's first
// row: long enough for the import to report progress (and be stopped) before it ends.
QString longQFile(const QTemporaryDir &dir, int days)
{
    const QString path = dir.filePath(QStringLiteral("Q_13_long_RR-T-Vent.csv"));
    QFile in(plxtest::testDataPath(kQFile));
    QFile out(path);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
    out.write(in.readLine());
    QList<QByteArray> fields = in.readLine().trimmed().split(';');
    for (int i = 0; i < days; ++i) {
        fields[5] = QDate(1950, 1, 1).addDays(i).toString(QStringLiteral("yyyyMMdd")).toLatin1();
        fields[6] = "1.5";
        out.write(fields.join(';') + '\n');
    }
    return path;
}

QString countsLine(const ImportReport &report)
{
    return QStringLiteral("lignes lues %1, écrites %2, conservées %3, refusées %4")
        .arg(report.read)
        .arg(report.written)
        .arg(report.kept)
        .arg(report.refused);
}

QStringList previewRow(const ImportPreviewModel &model, int row)
{
    QStringList cells;
    for (const int c : {ImportPreviewModel::ColLigne, ImportPreviewModel::ColStation,
                        ImportPreviewModel::ColDate, ImportPreviewModel::ColPremiereValeur,
                        ImportPreviewModel::ColValidite, ImportPreviewModel::ColMotif})
        cells << model.index(row, c).data().toString();
    return cells;
}

class ImportScreen : public plxtest::SchemaDatabaseTest
{
protected:
    void SetUp() override
    {
        SchemaDatabaseTest::SetUp();
        if (!ready())
            return;
        session().isAdmin = true;
    }
    void TearDown() override
    {
        session().isAdmin = false;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SchemaDatabaseTest::TearDown();
    }
};

// A Météo-France file: format shown, the preview's rows as they will be written with the
// refused line and its reason, the safe default for stored instants (replacing validated
// values needs a confirmation), then the import and its report.
TEST_P(ImportScreen, PreviewAndImportMeteoFranceFile)
{
    if (!ready())
        return;
    QTemporaryDir dir;
    ImporterDonnees screen;
    screen.resize(1366, 768);
    screen.show();
    ASSERT_TRUE(screen.addFiles({qFileWithBadDate(dir)})) << messages.join('\n').toStdString();
    settle();

    auto *format = child<QComboBox>(screen, "CboFormat");
    EXPECT_EQ(format->currentText(), importFormatCaption(ImportFormat::MeteoFranceQ));
    EXPECT_TRUE(child<QLabel>(screen, "LblFormatDetecte")
                    ->text()
                    .startsWith(QStringLiteral("Format détecté : ")));
    EXPECT_FALSE(child<QLabel>(screen, "LblConvention")->text().isEmpty());

    // Into stations created from the file's numbers: every row of the file has a target.
    auto *station = child<QComboBox>(screen, "CboStation");
    EXPECT_EQ(station->currentIndex(), 0);
    child<QCheckBox>(screen, "ChkCreerStations")->setChecked(true);
    settle();
    EXPECT_TRUE(screen.options().createStations);

    const ImportPreviewModel &model = *screen.previewModel();
    ASSERT_GE(model.rowCount(), 51) << messages.join('\n').toStdString();
    EXPECT_EQ(previewRow(model, 0),
              (QStringList{QStringLiteral("2"), model.index(0, 2).data().toString(),
                           QStringLiteral("01/01/2025"), QStringLiteral("0"), QStringLiteral("V"),
                           QString()}));
    EXPECT_FALSE(model.index(0, ImportPreviewModel::ColStation).data().toString().isEmpty());
    // 02/01/2025 at Aix: "3.0" in the file, shown in its shortest form.
    EXPECT_EQ(model.index(1, ImportPreviewModel::ColPremiereValeur).data().toString(),
              QStringLiteral("3"));
    int refusedRow = -1;
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.lines()[r].row.line == 52)
            refusedRow = r;
    }
    ASSERT_GE(refusedRow, 0);
    EXPECT_EQ(model.index(refusedRow, ImportPreviewModel::ColLigne).data().toString(),
              QStringLiteral("52"));
    EXPECT_FALSE(model.index(refusedRow, ImportPreviewModel::ColMotif).data().toString().isEmpty());
    EXPECT_TRUE(model.index(refusedRow, 0).data(Qt::BackgroundRole).isValid());
    auto *refusedOnly = child<QCheckBox>(screen, "ChkRefusees");
    refusedOnly->setChecked(true);
    auto *previewTable = child<QTableView>(screen, "SprApercu");
    EXPECT_TRUE(previewTable->isRowHidden(0));
    EXPECT_FALSE(previewTable->isRowHidden(refusedRow));
    refusedOnly->setChecked(false);
    EXPECT_FALSE(previewTable->isRowHidden(0));
    EXPECT_TRUE(child<QLabel>(screen, "LblApercu")
                    ->text()
                    .contains(QStringLiteral("%1 refusées").arg(screen.lastPreview().refused)));

    // Stored instants: validated values are safe by default; "replace all" asks first.
    EXPECT_TRUE(child<QRadioButton>(screen, "OptNonValidees")->isChecked());
    EXPECT_EQ(screen.options().existing, ExistingValues::Unvalidated);
    auto *replace = child<QRadioButton>(screen, "OptRemplacer");
    answers = {false};
    QTest::mouseClick(replace, Qt::LeftButton);
    EXPECT_EQ(screen.options().existing, ExistingValues::Unvalidated);
    EXPECT_TRUE(child<QRadioButton>(screen, "OptNonValidees")->isChecked());
    answers = {true};
    QTest::mouseClick(replace, Qt::LeftButton);
    EXPECT_EQ(screen.options().existing, ExistingValues::Replace);
    EXPECT_EQ(messages.size(), 2);
    QTest::mouseClick(child<QRadioButton>(screen, "OptNonValidees"), Qt::LeftButton);
    settle();

    messages.clear();
    QTest::mouseClick(child<QPushButton>(screen, "CmdImporter"), Qt::LeftButton);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const ImportReport &report = screen.lastReport();
    EXPECT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(report.refused, screen.lastPreview().refused);
    EXPECT_EQ(child<QTabWidget>(screen, "TabResultats")->currentIndex(), 1);
    const QString summary = child<QLabel>(screen, "LblCompteRendu")->text();
    EXPECT_TRUE(summary.contains(
        QStringLiteral("lignes lues %1, écrites %2").arg(report.read).arg(report.written)))
        << summary.toStdString();
    const QAbstractItemModel *refused = child<QTableView>(screen, "SprCompteRendu")->model();
    ASSERT_EQ(refused->rowCount(), report.refused);
    EXPECT_EQ(refused->index(refused->rowCount() - 1, 1).data().toString(), QStringLiteral("52"));

    // The report in one click: the counts in its title row, each refused line below.
    QTemporaryDir exportDir;
    ASSERT_TRUE(EcrireParametre(QStringLiteral("CheminExport"), exportDir.path()));
    QStringList opened;
    const auto previous = setExportedFileOpener([&](const QString &path) { opened << path; });
    QTest::mouseClick(child<QPushButton>(screen, "CmdExporter"), Qt::LeftButton);
    setExportedFileOpener(previous);
    ASSERT_EQ(opened.size(), 1) << messages.join('\n').toStdString();
    const QString cells =
        plxtest::xlsxCells(
            plxtest::zipEntry(opened.first(), QStringLiteral("xl/worksheets/sheet1.xml")))
            .join(QLatin1Char('\n'));
    EXPECT_TRUE(cells.contains(countsLine(report))) << cells.toStdString();
    EXPECT_TRUE(cells.contains(QStringLiteral(":52"))) << cells.toStdString();
}

// Stopping an import: the run ends, the report says so, and a second click while it runs
// starts nothing.
TEST_P(ImportScreen, CancelledImportWritesNothing)
{
    if (!ready())
        return;
    QTemporaryDir dir;
    ImporterDonnees screen;
    screen.show();
    ASSERT_TRUE(screen.addFiles({longQFile(dir, 20000)}));
    settle();
    child<QCheckBox>(screen, "ChkCreerStations")->setChecked(true);
    settle();
    // Another screen's button: its statements must not run inside the import's transaction.
    QPushButton other(QStringLiteral("Autre écran"));
    other.show();
    int otherClicks = 0;
    QObject::connect(&other, &QPushButton::clicked, [&] { ++otherClicks; });
    bool secondRun = true;
    // Runs at the import's first turn of the event loop.
    QTimer::singleShot(0, &screen, [&] {
        secondRun = screen.importer() || screen.Actualiser();
        QTest::mouseClick(&other, Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(screen, "CmdArreter"), Qt::LeftButton);
    });
    EXPECT_FALSE(screen.importer());
    EXPECT_FALSE(secondRun);
    EXPECT_EQ(otherClicks, 0);
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_TRUE(screen.lastReport().cancelled);
    EXPECT_EQ(screen.lastReport().written, 0);
    EXPECT_TRUE(
        child<QLabel>(screen, "LblCompteRendu")->text().contains(QStringLiteral("Import arrêté")));
    EXPECT_FALSE(screen.isRunning());
    EXPECT_TRUE(child<QPushButton>(screen, "CmdImporter")->isEnabled());
}

// A file the detection does not know, dropped on the screen: the generic reader with a
// column mapping; an unknown target station is refused with a message.
TEST_P(ImportScreen, DroppedCsvNeedsMapping)
{
    if (!ready())
        return;
    plxtest::fillSituationStations(AccesBase::instance()); // stations 7 and 8
    ImporterDonnees screen;
    screen.show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(plxtest::testDataPath(kCsvFile))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&screen, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&screen, &drop);
    settle();
    ASSERT_EQ(screen.files().size(), 1);
    EXPECT_EQ(screen.format(), ImportFormat::Csv);
    EXPECT_TRUE(
        child<QLabel>(screen, "LblFormatDetecte")->text().contains(QStringLiteral("non reconnu")));
    EXPECT_TRUE(child<QPushButton>(screen, "CmdCorrespondance")->isEnabled());

    CsvMapping mapping = screen.mapping();
    mapping.separator = QLatin1Char(';');
    mapping.decimal = QLatin1Char('.');
    mapping.headerLines = 1;
    mapping.dateColumn = 0;
    mapping.dateFormat = QStringLiteral("dd.MM.yyyy HH:mm");
    mapping.timeColumn = -1;
    mapping.valueColumns = {1, -1, -1, -1, -1, -1};
    screen.setMapping(mapping);
    settle();
    // The file names no station: the import asks for one.
    messages.clear();
    EXPECT_FALSE(screen.importer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(QStringLiteral("choisissez la station cible")));
    auto *station = child<QComboBox>(screen, "CboStation");
    const int seven = station->findData(QStringLiteral("7"));
    ASSERT_GT(seven, 0);
    station->setCurrentIndex(seven);
    ASSERT_TRUE(screen.Actualiser()) << screen.lastPreview().error.toStdString();
    const ImportPreviewModel &model = *screen.previewModel();
    ASSERT_EQ(model.rowCount(), 40);
    // 02.08.2018 18:30;1.3
    EXPECT_EQ(model.index(1, ImportPreviewModel::ColDate).data().toString(),
              QStringLiteral("02/08/2018"));
    EXPECT_EQ(model.index(1, ImportPreviewModel::ColHeure).data().toString(),
              QStringLiteral("18:30"));
    EXPECT_EQ(model.index(1, ImportPreviewModel::ColPremiereValeur).data().toString(),
              QStringLiteral("1,3"));
    EXPECT_EQ(model.index(1, ImportPreviewModel::ColStation).data().toString(),
              QStringLiteral("7 – Le Pré d'Amont"));
    EXPECT_EQ(model.index(1, ImportPreviewModel::ColStation).data(Qt::EditRole).toString(),
              QStringLiteral("7"));

    station->setEditText(QStringLiteral("n'existe pas"));
    messages.clear();
    EXPECT_FALSE(screen.importer());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(QStringLiteral("Station inconnue")))
        << messages.first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportScreen, PLX_ENGINES, PLX_ENGINE_NAME);

// With PLX_SCREENSHOTS=<folder>, draws the screen at 1366x768 on the demo network: the
// preview of a Météo-France file, a CSV with its mapping dialog, and the final report.
TEST(ImportScreenshot, DemoNetwork)
{
    const QString out = qEnvironmentVariable("PLX_SCREENSHOTS");
    if (out.isEmpty())
        GTEST_SKIP() << "set PLX_SCREENSHOTS to a folder to draw the screen";
    plxtest::MessageRecorder recorder;
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(createDemoNetwork(dir.filePath(QStringLiteral("demo.sqlite")), &error))
        << error.toStdString();
    const ScopedConnectionKind kind(AccesBase::instance());
    session().isAdmin = true;
    QDir().mkpath(out);
    const auto save = [&](QWidget &widget, const char *name) {
        QApplication::processEvents();
        EXPECT_TRUE(widget.grab().save(QDir(out).filePath(QString::fromLatin1(name))));
    };
    {
        ImporterDonnees screen;
        screen.resize(1366, 768);
        screen.show();
        ASSERT_TRUE(screen.addFiles({qFileWithBadDate(dir)}));
        settle();
        save(screen, "import_preview_meteofrance.png");
        screen.importer();
        save(screen, "import_report.png");
    }
    {
        ImporterDonnees screen;
        screen.resize(1366, 768);
        screen.show();
        ASSERT_TRUE(screen.addFiles({plxtest::testDataPath(kCsvFile)}));
        settle();
        save(screen, "import_preview_csv.png");
        child<QComboBox>(screen, "CboStation")->setCurrentIndex(1);
        settle();
        // The mapping dialog over the screen, drawn once it is up, then closed.
        QTimer::singleShot(300, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                save(*dialog, "import_csv_mapping_dialog.png");
                dialog->close();
            }
        });
        QTest::mouseClick(child<QPushButton>(screen, "CmdCorrespondance"), Qt::LeftButton);
        settle();
        save(screen, "import_preview_csv_mapped.png");
    }
    session().isAdmin = false;
    AccesBase::instance().Deconnecter();
}

} // namespace
