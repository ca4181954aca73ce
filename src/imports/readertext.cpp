#include "imports/readertext.h"

#include <QStringDecoder>

#include <charconv>
#include <cstring>

namespace plx::readertext {

void splitFields(QByteArrayView line, char separator, std::vector<QByteArrayView> &fields,
                 size_t maxFields)
{
    fields.clear();
    const char *p = line.data();
    const char *end = p + line.size();
    for (;;) {
        const void *hit = std::memchr(p, separator, size_t(end - p));
        const char *stop = hit ? static_cast<const char *>(hit) : end;
        fields.emplace_back(p, stop - p);
        if (!hit || fields.size() >= maxFields)
            break;
        p = stop + 1;
    }
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r'))
        --e;
    return text.sliced(b, e - b);
}

std::optional<double> parseNumber(QByteArrayView text, char decimal)
{
    text = trimmed(text);
    if (text.isEmpty() || text.size() > 40)
        return std::nullopt;
    char buffer[48];
    std::memcpy(buffer, text.data(), size_t(text.size()));
    const qsizetype n = text.size();
    qsizetype start = 0;
    if (buffer[0] == '+')
        start = 1; // from_chars takes no '+'
    bool digit = false;
    for (qsizetype i = start; i < n; ++i) {
        char &c = buffer[i];
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == decimal)
            c = '.';
        else if (c == '.' && decimal != '.')
            return std::nullopt; // "1.234,5" or a thousands mark: not guessed
        else if (!(c == '-' || c == 'e' || c == 'E' || c == '+' || c == '.'))
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(buffer + start, buffer + n, value);
    if (ec != std::errc() || ptr != buffer + n)
        return std::nullopt;
    return value;
}

std::optional<int> parseInt(QByteArrayView text)
{
    text = trimmed(text);
    if (text.startsWith('+'))
        text = text.sliced(1);
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

namespace {
int digits(QByteArrayView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}
} // namespace

bool parseCompactDateTime(QByteArrayView text, QDate &date, QTime &time)
{
    text = trimmed(text);
    const qsizetype n = text.size();
    date = QDate();
    time = QTime();
    if (n != 8 && n != 10 && n != 12 && n != 14)
        return false;
    const int y = digits(text, 0, 4), m = digits(text, 4, 2), d = digits(text, 6, 2);
    if (y < 0 || m < 0 || d < 0)
        return false;
    date = QDate(y, m, d);
    if (!date.isValid())
        return false;
    if (n == 8)
        return true;
    const int hh = digits(text, 8, 2);
    const int mm = n >= 12 ? digits(text, 10, 2) : 0;
    const int ss = n >= 14 ? digits(text, 12, 2) : 0;
    if (hh < 0 || mm < 0 || ss < 0)
        return false;
    time = QTime(hh, mm, ss);
    return time.isValid();
}

QString decodeText(QByteArrayView text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = utf8.decode(text);
    if (!utf8.hasError())
        return result;
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return cp1252.decode(text);
    return QString::fromLatin1(text.data(), text.size());
}

QString lineMessage(qint64 line, const QString &why)
{
    return QStringLiteral("Ligne %1 : %2").arg(line).arg(why);
}

QString quoted(QByteArrayView text)
{
    QString shown = decodeText(text.size() > 40 ? text.first(40) : text);
    if (text.size() > 40)
        shown += QChar(0x2026);
    return QStringLiteral("« %1 »").arg(shown);
}

QString separatorName(char separator)
{
    switch (separator) {
    case '\t':
        return QStringLiteral("tabulation");
    case ' ':
        return QStringLiteral("espace");
    default:
        return QStringLiteral("« %1 »").arg(QLatin1Char(separator));
    }
}

} // namespace plx::readertext

namespace plx::readertext {

int columnIndex(const std::vector<QByteArrayView> &header, QByteArrayView name)
{
    for (size_t i = 0; i < header.size(); ++i) {
        QByteArrayView cell = trimmed(header[i]);
        if (cell.startsWith('"') && cell.endsWith('"') && cell.size() >= 2)
            cell = cell.sliced(1, cell.size() - 2);
        if (cell.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

char likelySeparator(QByteArrayView line)
{
    char best = 0;
    qsizetype bestCount = 0;
    for (char c : {';', ',', '\t', '|'}) {
        const qsizetype count = line.count(c);
        if (count > bestCount) {
            best = c;
            bestCount = count;
        }
    }
    return best;
}

QString wrongSeparatorMessage(char expected, char found)
{
    if (!found)
        return QStringLiteral("le séparateur attendu est %1, cette ligne n'en contient aucun.")
            .arg(separatorName(expected));
    return QStringLiteral("le séparateur attendu est %1, ce fichier utilise %2.")
        .arg(separatorName(expected), separatorName(found));
}

} // namespace plx::readertext
