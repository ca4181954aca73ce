#include "readertesting.h"

#include "imports/importsource.h"
#include "outputs/zipentries.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace plx;
using namespace plxtest;

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

// Every member of a tar.gz is a source (the readme is not), and each opens again at will.
TEST(ImportSources, TarGzMembersStreamOneByOne)
{
    QString error;
    const QList<ImportSource> sources =
        listImportSources(importData("RADOMEH_extract.tar.gz"), &error);
    ASSERT_EQ(sources.size(), 2) << error.toStdString();
    EXPECT_EQ(sources[0].name,
              QStringLiteral("RADOMEH_extract.tar.gz/RADOMEH_HACKATON_35228001.txt"));
    EXPECT_EQ(sources[1].name,
              QStringLiteral("RADOMEH_extract.tar.gz/RADOMEH_HACKATON_29236001.txt"));

    auto reader = createImportReader(ImportFormat::Radome);
    double totals[2] = {0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 1; i >= 0; --i) { // out of order: each member finds its own offset
            CollectingSink sink;
            auto device = sources[i].open(&error);
            ASSERT_TRUE(device) << error.toStdString();
            const ReadResult result = reader->read(*device, sink);
            ASSERT_TRUE(result.ok) << result.error.toStdString();
            EXPECT_EQ(sink.rows.size(), i == 0 ? 24u : 12u);
            if (pass == 0)
                totals[i] = sink.total();
            else
                EXPECT_DOUBLE_EQ(sink.total(), totals[i]);
        }
    }
    EXPECT_DOUBLE_EQ(totals[0], 13.5);
    EXPECT_DOUBLE_EQ(totals[1], 13.9);
}

TEST(ImportSources, ZipMembersPlainAndGzipped)
{
    QTemporaryDir dir;
    const QByteArray radome = fileBytes(importData("RADOMEH_HACKATON_29075001.txt"));
    const QByteArray gz =
        fileBytes(importData("Q_13_13055001_MARSEILLE-OBS_1868-1949_extract.csv.gz"));
    const QString zip = dir.filePath(QStringLiteral("envoi.zip"));
    ASSERT_TRUE(writeZipEntries(zip, {{QStringLiteral("brest.txt"), radome},
                                      {QStringLiteral("lisez-moi.pdf"), "x"},
                                      {QStringLiteral("q/marseille.csv.gz"), gz}}));
    QString error;
    const QList<ImportSource> sources = listImportSources(zip, &error);
    ASSERT_EQ(sources.size(), 2) << error.toStdString();
    EXPECT_EQ(sources[0].name, QStringLiteral("envoi.zip/brest.txt"));
    EXPECT_EQ(sources[1].name, QStringLiteral("envoi.zip/q/marseille.csv.gz"));

    EXPECT_EQ(detectImportFormat(readSourceHead(sources[0]), sources[0].name),
              ImportFormat::Radome);
    EXPECT_EQ(detectImportFormat(readSourceHead(sources[1]), sources[1].name),
              ImportFormat::MeteoFranceQ);

    CollectingSink sink;
    auto device = sources[1].open(&error);
    ASSERT_TRUE(device) << error.toStdString();
    const ReadResult result = createImportReader(ImportFormat::MeteoFranceQ)->read(*device, sink);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(sink.rows.size(), 29950u);
}

// A .gz cut short is an error naming the line where it stopped, never a short success.
TEST(ImportSources, TruncatedGzipAndMissingFiles)
{
    QTemporaryDir dir;
    const QByteArray gz =
        fileBytes(importData("Q_13_13055001_MARSEILLE-OBS_1868-1949_extract.csv.gz"));
    const QString cut = dir.filePath(QStringLiteral("coupe.csv.gz"));
    ASSERT_TRUE(writeBytes(cut, gz.left(gz.size() / 2)));
    CollectingSink sink;
    const ReadResult result = readPath(ImportFormat::MeteoFranceQ, cut, sink);
    EXPECT_FALSE(result.ok);
    EXPECT_GT(sink.rows.size(), 1000u);
    EXPECT_LT(sink.rows.size(), 29950u);
    const QString expected =
        QStringLiteral("Ligne %1 : l'archive gzip est tronquée").arg(sink.rows.back().line + 1);
    EXPECT_TRUE(result.error.startsWith(expected)) << result.error.toStdString();

    // A gzip file without the .gz name is still inflated.
    const QString unnamed = dir.filePath(QStringLiteral("marseille.csv"));
    ASSERT_TRUE(writeBytes(unnamed, gz));
    CollectingSink whole;
    EXPECT_TRUE(readPath(ImportFormat::MeteoFranceQ, unnamed, whole).ok);
    EXPECT_EQ(whole.rows.size(), 29950u);

    // A binary file without line ends stops at a bound, not at the end of memory.
    CollectingSink binary;
    const ReadResult noLines =
        readBytes(ImportFormat::Csv, QByteArray(20 * 1024 * 1024, '\x01'), binary);
    EXPECT_FALSE(noLines.ok);
    EXPECT_EQ(noLines.error,
              QStringLiteral("Ligne 1 : ligne de plus de 8 Mo : ce n'est pas un fichier texte."));

    QString error;
    EXPECT_TRUE(listImportSources(dir.filePath(QStringLiteral("absent.csv")), &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("n'existe pas"))) << error.toStdString();
    const QString notZip = dir.filePath(QStringLiteral("faux.zip"));
    ASSERT_TRUE(writeBytes(notZip, "pas une archive"));
    EXPECT_TRUE(listImportSources(notZip, &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("« faux.zip » n'est pas une archive zip lisible."));
}
