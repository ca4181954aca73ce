#include "config/databasesproperties.h"

#include "config/passwordcipher.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

namespace plx {

namespace {

const QLatin1String kAccess("ACCESS");
const QLatin1String kPostgres("POSTGRES");
const QLatin1String kPostgresql("POSTGRESQL");
const QLatin1String kUserSuffix(".user");
const QLatin1String kPasswordSuffix(".pwd");

QString decodeCp1252(const QByteArray &bytes)
{
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return cp1252(bytes);
    // Qt built without ICU: Latin-1 except for the 0x80-0x9F block.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return text;
}

// Files written on Linux are UTF-8; Windows workstations write the ANSI code page.
QString decodeFile(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? decodeCp1252(bytes) : text;
}

// CP1252 while every character fits, so that older Windows clients read the names and
// paths right; UTF-8 otherwise (nothing is lost, and the reader takes it back).
QByteArray encodeFile(const QString &text)
{
    QStringEncoder cp1252("windows-1252");
    if (cp1252.isValid()) {
        const QByteArray bytes = cp1252(text);
        if (!cp1252.hasError() && decodeCp1252(bytes) == text)
            return bytes;
    }
    return text.toUtf8();
}

QString normalizedKind(const QString &kind)
{
    const QString upper = kind.trimmed().toUpper();
    return upper == kPostgres ? QString(kPostgresql) : upper;
}

QString writtenKind(const QString &kind)
{
    return kind == kPostgresql ? QString(kPostgres).toLower() : kind.toLower();
}

bool hasSuffix(const QString &left, QLatin1String suffix)
{
    return left.size() > suffix.size() && left.endsWith(suffix, Qt::CaseInsensitive);
}

// The definition a .user/.pwd line belongs to: the one it names, else the latest one.
DatabaseDefinition *ownerOf(std::vector<DatabaseDefinition> &definitions, const QString &name)
{
    for (auto it = definitions.rbegin(); it != definitions.rend(); ++it) {
        if (it->name.compare(name, Qt::CaseInsensitive) == 0)
            return &*it;
    }
    return definitions.empty() ? nullptr : &definitions.back();
}

DatabaseDefinition parseDefinition(const QString &name, const QString &right)
{
    DatabaseDefinition definition;
    definition.name = name;
    const qsizetype at = right.indexOf(QLatin1Char('@'));
    definition.kind = normalizedKind(at < 0 ? right : right.left(at));
    const QString location = at < 0 ? QString() : right.mid(at + 1).trimmed();
    const qsizetype slash = location.indexOf(QLatin1Char('/'));
    // A file path keeps its slashes: the whole location is the path.
    if (definition.isAccess() || slash < 0) {
        definition.database = location;
    } else {
        definition.server = location.left(slash).trimmed();
        definition.database = location.mid(slash + 1).trimmed();
    }
    return definition;
}

// Cell values come from a grid: a line break in one would break the file.
QString oneLine(const QString &value)
{
    QString text = value;
    text.remove(QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.trimmed();
}

// Spaces may belong to a password: only the line ends a grid cell can carry go.
QString passwordCell(const QString &value)
{
    QString text = value;
    while (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

} // namespace

QString DatabaseDefinition::host() const
{
    const qsizetype colon = server.indexOf(QLatin1Char(':'));
    return colon < 0 ? server : server.left(colon);
}

QString DatabaseDefinition::port() const
{
    const qsizetype colon = server.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : server.mid(colon + 1);
}

void DatabaseDefinition::setServer(const QString &hostName, const QString &portText)
{
    server = portText.trimmed().isEmpty() ? hostName.trimmed()
                                          : hostName.trimmed() + QLatin1Char(':') + portText.trimmed();
}

std::vector<DatabaseDefinition> LireDefinitionsBases(const QString &path)
{
    std::vector<DatabaseDefinition> definitions;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return definitions;
    const QString text = decodeFile(file.readAll());

    // LF, CR LF, and lone CR (old Macintosh editors) all end a line.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    for (const QString &rawLine : text.split(lineEnd)) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('!')))
            continue; // blank line or a properties-file comment
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue; // nothing to name a definition or a field with
        const QString left = line.left(equals).trimmed();
        const QString right = line.mid(equals + 1).trimmed();

        if (hasSuffix(left, kUserSuffix)) {
            if (DatabaseDefinition *owner = ownerOf(definitions, left.chopped(kUserSuffix.size())))
                owner->account = right;
        } else if (hasSuffix(left, kPasswordSuffix)) {
            DatabaseDefinition *owner = ownerOf(definitions, left.chopped(kPasswordSuffix.size()));
            if (!owner)
                continue;
            const std::optional<QString> password = decipherPassword(right);
            owner->password = password.value_or(QString());
            owner->passwordUnreadable = !password.has_value();
            owner->unreadablePasswordText = password ? QString() : right;
        } else {
            definitions.push_back(parseDefinition(left, right));
        }
    }
    return definitions;
}

bool EcrireDefinitionsBases(const QString &path, const std::vector<DatabaseDefinition> &definitions,
                            QString *error)
{
    QString text;
    for (const DatabaseDefinition &definition : definitions) {
        const QString name = oneLine(definition.name);
        const QString kind = normalizedKind(oneLine(definition.kind));
        if (name.isEmpty() || kind.isEmpty())
            continue;
        const QString location = kind == kAccess ? oneLine(definition.database)
                                                 : oneLine(definition.server) + QLatin1Char('/')
                                                       + oneLine(definition.database);
        // A password nobody could decipher here may still be right: keep it as it was.
        const QString password = definition.passwordUnreadable && definition.password.isEmpty()
                                     ? oneLine(definition.unreadablePasswordText)
                                     : encipherPassword(passwordCell(definition.password));
        text += name + QLatin1Char('=') + writtenKind(kind) + QLatin1Char('@') + location
                + QLatin1String("\r\n");
        text += name + kUserSuffix + QLatin1Char('=') + oneLine(definition.account)
                + QLatin1String("\r\n");
        text += name + kPasswordSuffix + QLatin1Char('=') + password + QLatin1String("\r\n");
    }

    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(encodeFile(text));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace plx
