#include "outputs/documenttemplate.h"

#include "outputs/documentfilling.h"
#include "outputs/zippackage.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace plx {

namespace documentfill {

namespace {

bool beginsWith(const QString &name, const char *word)
{
    return name.startsWith(QLatin1String(word), Qt::CaseInsensitive);
}

quint32 bigEndian(const QByteArray &d, int at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(d[at + i]);
    return v;
}

} // namespace

Kind kindOf(const QString &bookmark)
{
    if (!chartWord(bookmark).isEmpty())
        return Kind::Chart;
    if (beginsWith(bookmark, "TAB_MESURES"))
        return Kind::Measures;
    if (beginsWith(bookmark, "PHOTO") || beginsWith(bookmark, "LISTE_PHOTOS"))
        return Kind::Picture;
    return Kind::Text;
}

QString chartWord(const QString &bookmark)
{
    for (const char *word : {"GRAPHIQUE_SUP_ANNEE", "GRAPHIQUE_ANNEE", "GRAPHIQUE_TOTAL"}) {
        if (beginsWith(bookmark, word))
            return QString::fromLatin1(word);
    }
    return {};
}

bool readPicture(const QByteArray &data, Picture *out)
{
    const int n = int(data.size());
    if (n > 24 && data.startsWith("\x89PNG\r\n\x1a\n")) {
        out->extension = QStringLiteral("png");
        out->mimeType = QStringLiteral("image/png");
        out->pixels = QSize(int(bigEndian(data, 16, 4)), int(bigEndian(data, 20, 4)));
    } else if (n > 10 && (data.startsWith("GIF87a") || data.startsWith("GIF89a"))) {
        out->extension = QStringLiteral("gif");
        out->mimeType = QStringLiteral("image/gif");
        out->pixels =
            QSize(quint8(data[6]) | quint8(data[7]) << 8, quint8(data[8]) | quint8(data[9]) << 8);
    } else if (n > 4 && quint8(data[0]) == 0xFF && quint8(data[1]) == 0xD8) {
        out->extension = QStringLiteral("jpeg");
        out->mimeType = QStringLiteral("image/jpeg");
        int at = 2;
        while (at + 9 < n) {
            if (quint8(data[at]) != 0xFF)
                return false;
            const quint8 marker = quint8(data[at + 1]);
            if (marker == 0xFF) { // fill byte
                ++at;
                continue;
            }
            const int length = int(bigEndian(data, at + 2, 2));
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                               marker != 0xC8 && marker != 0xCC;
            if (frame) {
                out->pixels =
                    QSize(int(bigEndian(data, at + 7, 2)), int(bigEndian(data, at + 5, 2)));
                break;
            }
            at += 2 + length;
        }
    } else {
        return false;
    }
    out->data = data;
    return out->pixels.width() > 0 && out->pixels.height() > 0;
}

bool picturesFor(const QString &bookmark, const DocumentFill &fill, std::vector<Picture> *out)
{
    if (kindOf(bookmark) == Kind::Chart) {
        if (!fill.chart)
            return true;
        const std::optional<ReportPicture> chart = fill.chart(chartWord(bookmark));
        if (!chart || chart->png.isEmpty())
            return true;
        Picture p;
        if (!readPicture(chart->png, &p))
            return false;
        p.svg = chart->svg;
        out->push_back(p);
        return true;
    }
    bool ok = true;
    static const QRegularExpression separators(QStringLiteral("[;\\r\\n|]"));
    const QStringList paths = valueFor(bookmark, fill).split(separators, Qt::SkipEmptyParts);
    for (const QString &raw : paths) {
        const QString path = raw.trimmed();
        if (path.isEmpty())
            continue;
        QFile file(path);
        Picture p;
        if (!file.open(QIODevice::ReadOnly) || !readPicture(file.readAll(), &p)) {
            ok = false;
            continue;
        }
        out->push_back(p);
    }
    return ok;
}

QString valueFor(const QString &bookmark, const DocumentFill &fill)
{
    if (!fill.bookmarks)
        return {};
    const Bookmark *b = fill.bookmarks->resolve(bookmark);
    return b ? b->value : QString();
}

QString failureNote(const QString &bookmark)
{
    return bookmark + QStringLiteral(" - ") + QStringLiteral("= ") + QStringLiteral("ERREUR");
}

void reportProgress(const DocumentFill &fill, const QString &bookmark)
{
    if (fill.progress)
        fill.progress(QStringLiteral("Remplissage des signets: ") + bookmark);
}

void reportFailure(const DocumentFill &fill, const QString &bookmark)
{
    if (fill.progress)
        fill.progress(failureNote(bookmark));
}

QString validityColour(const QString &validity)
{
    const QString code = validity.trimmed().toUpper();
    if (code.isEmpty())
        return {};
    if (code == QLatin1String("V"))
        return QStringLiteral("E2EFDA");
    if (code == QLatin1String("C"))
        return QStringLiteral("DDEBF7");
    return QStringLiteral("FCE4D6");
}

std::vector<double> columnShares(const MeasureTable &table)
{
    const int columns = int(table.headings.size());
    std::vector<double> widths(size_t(std::max(columns, 0)), 0.0);
    for (int c = 0; c < columns; ++c) {
        qsizetype longest = table.headings[c].size();
        for (const auto &row : table.rows) {
            if (c < row.cells.size())
                longest = std::max(longest, row.cells[c].size());
        }
        // Headings wrap; a narrow column still needs room for a value of a few digits.
        widths[size_t(c)] = double(std::clamp<qsizetype>(longest, 5, 24)) + 2.0;
    }
    double total = 0;
    for (double w : widths)
        total += w;
    for (double &w : widths)
        w = total > 0 ? w / total : 0;
    return widths;
}

bool numericColumn(const MeasureTable &table, int column)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9 ]+([,.][0-9]+)?$"));
    bool any = false;
    for (const auto &row : table.rows) {
        if (column >= row.cells.size() || row.cells[column].trimmed().isEmpty())
            continue;
        if (!number.match(row.cells[column].trimmed()).hasMatch())
            return false;
        any = true;
    }
    return any;
}

bool isRangeMarker(const XmlNode *node)
{
    if (!node->isElement())
        return false;
    static const QStringList markers{
        QStringLiteral("bookmarkStart"),      QStringLiteral("bookmarkEnd"),
        QStringLiteral("commentRangeStart"),  QStringLiteral("commentRangeEnd"),
        QStringLiteral("permStart"),          QStringLiteral("permEnd"),
        QStringLiteral("bookmark"),           QStringLiteral("bookmark-start"),
        QStringLiteral("bookmark-end"),       QStringLiteral("annotation"),
        QStringLiteral("annotation-end"),     QStringLiteral("reference-mark-start"),
        QStringLiteral("reference-mark-end"), QStringLiteral("reference-mark")};
    return markers.contains(node->localName());
}

namespace {

bool holdsMarker(XmlNode *node)
{
    if (isRangeMarker(node))
        return true;
    for (const auto &c : node->children()) {
        if (holdsMarker(c.get()))
            return true;
    }
    return false;
}

} // namespace

bool clearBetween(XmlNode *start, XmlNode *end)
{
    std::vector<XmlNode *> doomed;
    XmlNode *n = start->nextAfterSubtree();
    while (n && n != end) {
        if (n->isAncestorOf(end) || holdsMarker(n)) {
            // Descend: only part of it lies in the range, or it holds a marker to keep.
            n = n->firstChild() ? n->firstChild() : n->nextAfterSubtree();
            continue;
        }
        doomed.push_back(n);
        n = n->nextAfterSubtree();
    }
    // An end written before its start: nothing lies between them.
    if (n != end)
        return false;
    for (XmlNode *d : doomed)
        d->parent()->take(d);
    return true;
}

QString namespacePrefix(XmlNode *root, const QString &uri, const QString &preferred)
{
    const QString found = root->prefixFor(uri, QStringLiteral("?"));
    if (found != QLatin1String("?"))
        return found;
    root->setAttribute(QStringLiteral("xmlns:") + preferred, uri);
    return preferred + QLatin1Char(':');
}

QString xmlText(const QString &text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            clean += c;
    }
    return clean.toHtmlEscaped();
}

QStringList lines(const QString &value)
{
    QString v = value;
    v.remove(QLatin1Char('\r'));
    return v.split(QLatin1Char('\n'));
}

} // namespace documentfill

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

bool fillDocumentTemplate(const QString &templatePath, const DocumentFill &fill,
                          const QString &outPath, QString *error)
{
    const QFileInfo info(templatePath);
    if (!info.isFile()) {
        setError(error, QStringLiteral("Impossible de trouver le fichier ") + templatePath);
        return false;
    }
    const QString suffix = info.suffix().toLower();
    const bool word = suffix == QLatin1String("docx") || suffix == QLatin1String("dotx") ||
                      suffix == QLatin1String("docm") || suffix == QLatin1String("dotm");
    const bool office = suffix == QLatin1String("odt") || suffix == QLatin1String("ott");
    if (!word && !office) {
        setError(error, QStringLiteral("Le fichier ") + templatePath +
                            QStringLiteral(" n'est pas un modèle de document (.docx, .dotx, "
                                           ".odt ou .ott)."));
        return false;
    }
    const QString outSuffix = QFileInfo(outPath).suffix().toLower();
    const QString expected = word ? QStringLiteral("docx") : QStringLiteral("odt");
    if (outSuffix != expected && !(word && outSuffix == QLatin1String("docm"))) {
        setError(error, QStringLiteral("Le document rempli à partir de ") + info.fileName() +
                            QStringLiteral(" doit être enregistré en .") + expected +
                            QStringLiteral(" (fichier demandé : ") + outPath +
                            QStringLiteral(")."));
        return false;
    }

    ZipPackage package;
    if (!package.read(templatePath)) {
        setError(error, QStringLiteral("Le modèle ") + templatePath +
                            QStringLiteral(" est illisible : ce n'est pas un document ") +
                            (word ? QStringLiteral("Word (.docx)")
                                  : QStringLiteral("OpenDocument (.odt)")) +
                            QStringLiteral(" valide."));
        return false;
    }
    QString fillError;
    const bool filled =
        word ? fillDocx(package, fill, &fillError) : fillOdt(package, fill, &fillError);
    if (!filled) {
        setError(error, QStringLiteral("Le modèle ") + templatePath +
                            QStringLiteral(" est illisible : ") + fillError);
        return false;
    }
    const QByteArray bytes = package.write();
    QSaveFile out(outPath);
    if (bytes.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() ||
        !out.commit()) {
        setError(error, QStringLiteral("Impossible d'écrire le fichier ") + outPath);
        return false;
    }
    return true;
}

} // namespace plx
