#include "outputs/xlsxgrid.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <algorithm>

namespace plx {

namespace {

// Characters the format refuses in a sheet name.
QString sheetNameOf(const QString &name)
{
    QString cleaned = name;
    for (QChar c : QStringLiteral("[]:*?/\\"))
        cleaned.replace(c, QLatin1Char('_'));
    cleaned = cleaned.left(31);
    return cleaned.isEmpty() ? QStringLiteral("Feuil1") : cleaned;
}

lxw_datetime toXlsx(const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(),
            time.second() + time.msec() / 1000.0};
}

struct Formats
{
    lxw_format *heading = nullptr;
    lxw_format *date = nullptr;
    lxw_format *dateTime = nullptr;
};

lxw_error writeCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t col, const QVariant &value,
                    const Formats &formats, std::vector<int> &widths)
{
    if (value.isNull() || !value.isValid())
        return LXW_NO_ERROR;
    int width = 0;
    lxw_error status = LXW_NO_ERROR;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        status = worksheet_write_number(sheet, row, col, value.toDouble(), nullptr);
        width = int(QString::number(value.toDouble()).size());
        break;
    case QMetaType::QDate: {
        lxw_datetime date = toXlsx(QDateTime(value.toDate(), QTime(0, 0)));
        status = worksheet_write_datetime(sheet, row, col, &date, formats.date);
        width = 10;
        break;
    }
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        lxw_datetime cell = toXlsx(dateTime);
        const bool midnight = dateTime.time() == QTime(0, 0);
        status = worksheet_write_datetime(sheet, row, col, &cell,
                                          midnight ? formats.date : formats.dateTime);
        width = midnight ? 10 : 19;
        break;
    }
    default: {
        const QString text = value.toString();
        status = worksheet_write_string(sheet, row, col, text.toUtf8().constData(), nullptr);
        width = int(text.size());
    }
    }
    widths[col] = std::max(widths[col], width);
    return status;
}

} // namespace

bool exportGridToXlsx(const XlsxGrid &grid, const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Impossible d'écrire le classeur « %1 » : %2")
                         .arg(QDir::toNativeSeparators(path), why);
        return false;
    };
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return fail(QStringLiteral("le dossier n'existe pas."));
    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook *book = workbook_new(fileName.constData());
    if (!book)
        return fail(QStringLiteral("le fichier ne peut pas être créé."));
    const QByteArray sheetName = sheetNameOf(grid.sheetName).toUtf8();
    lxw_worksheet *sheet = workbook_add_worksheet(book, sheetName.constData());
    Formats formats;
    formats.heading = workbook_add_format(book);
    format_set_bold(formats.heading);
    formats.date = workbook_add_format(book);
    format_set_num_format(formats.date, "dd/mm/yyyy");
    formats.dateTime = workbook_add_format(book);
    format_set_num_format(formats.dateTime, "dd/mm/yyyy hh:mm:ss");

    size_t columns = size_t(grid.headings.size());
    for (const auto &row : grid.rows)
        columns = std::max(columns, row.size());
    std::vector<int> widths(columns, 0);
    lxw_error status = LXW_NO_ERROR;
    for (int c = 0; status == LXW_NO_ERROR && c < grid.headings.size(); ++c) {
        status = worksheet_write_string(sheet, 0, lxw_col_t(c),
                                        grid.headings[c].toUtf8().constData(), formats.heading);
        widths[size_t(c)] = int(grid.headings[c].size());
    }
    for (size_t r = 0; status == LXW_NO_ERROR && r < grid.rows.size(); ++r) {
        const auto &row = grid.rows[r];
        for (size_t c = 0; status == LXW_NO_ERROR && c < row.size(); ++c)
            status = writeCell(sheet, lxw_row_t(r + 1), lxw_col_t(c), row[c], formats, widths);
    }
    for (size_t c = 0; status == LXW_NO_ERROR && c < columns; ++c)
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), std::min(widths[c], 60) + 2.0,
                             nullptr);
    if (status == LXW_NO_ERROR)
        worksheet_freeze_panes(sheet, 1, 0);
    const lxw_error closed = workbook_close(book); // frees the workbook in every case
    if (status != LXW_NO_ERROR)
        return fail(QString::fromUtf8(lxw_strerror(status)));
    if (closed != LXW_NO_ERROR)
        return fail(QString::fromUtf8(lxw_strerror(closed)));
    return true;
}

} // namespace plx
