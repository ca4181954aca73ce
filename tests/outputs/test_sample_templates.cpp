#include "outputs/bookmarktable.h"
#include "outputs/bookmarkvocabulary.h"
#include "outputs/sampletemplates.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <gtest/gtest.h>

namespace {

QByteArray entry(const QString &archive, const QString &name)
{
    QuaZip zip(archive);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(name))
        return {};
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList matches(const QByteArray &xml, const char *pattern)
{
    QStringList names;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QString::fromLatin1(pattern)).globalMatch(QString::fromUtf8(xml));
    while (it.hasNext())
        names << it.next().captured(1);
    names.removeDuplicates();
    return names;
}

TEST(SampleTemplates, InstalledIntoAnEmptyOrMissingFolderOnly)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString empty = root.filePath(QStringLiteral("vide"));
    ASSERT_TRUE(QDir().mkpath(empty));
    const plx::SampleTemplatesResult intoEmpty = plx::installSampleTemplates(empty);
    ASSERT_TRUE(intoEmpty.ok) << intoEmpty.error.toStdString();
    EXPECT_EQ(intoEmpty.installed, plx::sampleTemplateNames());
    QStringList present = QDir(empty).entryList(QDir::Files, QDir::Name);
    QStringList expected = plx::sampleTemplateNames();
    expected.sort();
    EXPECT_EQ(present, expected);

    const QString missing = root.filePath(QStringLiteral("nouveau/modeles"));
    EXPECT_EQ(plx::installSampleTemplates(missing).installed.size(), 4);
    EXPECT_FALSE(
        entry(missing + QStringLiteral("/Fiche_station.odt"), QStringLiteral("content.xml"))
            .isEmpty());

    // The user's own templates are never overwritten nor joined by ours.
    const QString own = root.filePath(QStringLiteral("perso"));
    ASSERT_TRUE(QDir().mkpath(own));
    QFile mine(own + QStringLiteral("/Fiche_station.odt"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("le mien");
    mine.close();
    const plx::SampleTemplatesResult intoOwn = plx::installSampleTemplates(own);
    EXPECT_TRUE(intoOwn.ok);
    EXPECT_TRUE(intoOwn.installed.isEmpty());
    EXPECT_EQ(QDir(own).entryList(QDir::Files), QStringList{QStringLiteral("Fiche_station.odt")});
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("le mien"));
}

TEST(SampleTemplates, EveryNameTheyHoldIsFilled)
{
    QTemporaryDir folder;
    ASSERT_TRUE(plx::installSampleTemplates(folder.path()).ok);
    const auto path = [&](const char *name) { return folder.filePath(QLatin1String(name)); };

    // Every vocabulary word with a value: what a station with everything filled gives.
    plx::BookmarkTable table;
    for (const QString &word : plx::stationVocabulary())
        table.add(word, word.toLower());
    // The document route draws these itself; the spreadsheet route reads the rainfall.
    const QStringList drawn{QStringLiteral("GRAPHIQUE_ANNEE"), QStringLiteral("TAB_MESURES")};
    const auto routeOwn = [&](const QString &name) {
        return drawn.contains(name) || name.startsWith(QLatin1String("PLUVIO_"));
    };

    const QStringList docx =
        matches(entry(path("Fiche_station.docx"), QStringLiteral("word/document.xml")),
                "<w:bookmarkStart [^>]*w:name=\"([^\"]+)\"");
    const QStringList odt = matches(entry(path("Fiche_station.odt"), QStringLiteral("content.xml")),
                                    "<text:bookmark(?:-start)? text:name=\"([^\"]+)\"");
    const QStringList xlsx =
        matches(entry(path("Synthese_annuelle.xlsx"), QStringLiteral("xl/sharedStrings.xml")),
                ">#([A-Z_0-9-]+)<");
    const QStringList ods =
        matches(entry(path("Synthese_annuelle.ods"), QStringLiteral("content.xml")),
                "<text:p>#([A-Z_0-9-]+)<");
    EXPECT_EQ(docx, odt); // one source, the same bookmarks in both formats
    // The shipped files were made from the sources as they are (tools/make-templates.sh).
    const auto source = [](const char *name) {
        QFile file(QStringLiteral(PLX_SOURCE_DIR "/src/outputs/templates/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_EQ(matches(source("Fiche_station.fodt"), "<text:bookmark-start text:name=\"([^\"]+)\""),
              odt);
    // Each bookmark once: an empty one came out of the converter twice and was filled twice.
    const QByteArray document =
        entry(path("Fiche_station.docx"), QStringLiteral("word/document.xml"));
    for (const QString &name : docx)
        EXPECT_EQ(document.count(QStringLiteral("w:name=\"%1\"").arg(name).toUtf8()), 1)
            << name.toStdString();
    EXPECT_GE(docx.size(), 40);
    EXPECT_EQ(xlsx.size(), ods.size());
    EXPECT_EQ(matches(source("Synthese_annuelle.fods"), "<text:p>#([A-Z_0-9-]+)<"), ods);
    EXPECT_GE(xlsx.size(), 20);
    EXPECT_TRUE(xlsx.contains(QStringLiteral("PLUVIO_ANNEE_N-1")));
    for (const QString &name : drawn)
        EXPECT_TRUE(docx.contains(name)) << name.toStdString();
    for (const QStringList *names : {&docx, &odt, &xlsx, &ods}) {
        for (const QString &name : *names) {
            if (routeOwn(name))
                continue;
            EXPECT_NE(table.resolve(name), nullptr) << name.toStdString();
        }
    }
}

} // namespace
