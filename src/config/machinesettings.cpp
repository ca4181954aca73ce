#include "config/machinesettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace plx::machinesettings {

namespace {

QString keyPathFor(const QString &appName)
{
    return QStringLiteral("SOFTWARE\\VELMORA\\") + appName + QString::number(PLX_VERSION_MAJOR);
}

// Registry paths are written with backslashes; accept forward slashes from callers too.
QString normalizedKeyPath(const QString &keyPath)
{
    QString path = keyPath.isEmpty() ? applicationKeyPath() : keyPath;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

// One place values may live in, in reading order.
struct Store
{
    QString root; // registry hive, or the INI file
    QSettings::Format format;
};

std::vector<Store> readStores()
{
#ifdef Q_OS_WIN
    return {{QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat},
            {QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::Registry32Format},
            {QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::Registry64Format}};
#else
    return {{iniFilePath(), QSettings::IniFormat}};
#endif
}

// Writing order: the machine key first (the 32-bit view, which the older client and our
// own reads see first); without administrator rights, the user's key.
std::vector<Store> writeStores()
{
#ifdef Q_OS_WIN
    return {{QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::Registry32Format},
            {QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat}};
#else
    return readStores();
#endif
}

bool sameStore(const Store &a, const Store &b)
{
    return a.root == b.root && a.format == b.format;
}

QString findCaseInsensitive(const QStringList &names, const QString &name)
{
    for (const QString &candidate : names) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return QString();
}

// A QSettings positioned on keyPath inside the store.
std::unique_ptr<QSettings> openKey(const Store &store, const QString &keyPath)
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(store.root + QLatin1Char('\\') + keyPath, store.format);
#else
    auto settings = std::make_unique<QSettings>(store.root, store.format);
    // One INI group per key path; key paths are case-insensitive like registry keys.
    const QString existing = findCaseInsensitive(settings->childGroups(), keyPath);
    settings->beginGroup(existing.isEmpty() ? keyPath : existing);
    return settings;
#endif
}

QString valueText(const QVariant &value)
{
    QString text;
    if (value.typeId() == QMetaType::QStringList) {
        const QStringList parts = value.toStringList();
#ifdef Q_OS_WIN
        // A multi-string value read as a string stops at its first NUL.
        text = parts.value(0);
#else
        // An INI value with unquoted commas comes back split: put it together again.
        text = parts.join(QStringLiteral(", "));
#endif
    } else {
        text = value.toString(); // DWORD and QWORD values give their decimal number
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

#ifndef Q_OS_WIN
// Nobody but the owner may read the file: it holds the database password. The owner's
// own bits are kept, so that a file made read-only stays read-only.
void keepPrivate(const QString &path)
{
    const QFileDevice::Permissions current = QFile::permissions(path);
    const QFileDevice::Permissions owner = current & (QFile::ReadOwner | QFile::WriteOwner);
    if (current != owner)
        QFile::setPermissions(path, owner);
}

// Created private before QSettings first writes into it.
void preparePrivateFile(const QString &path)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (!info.exists()) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
    keepPrivate(path);
}
#endif

bool writeTo(const Store &store, const QString &keyPath, const QString &name,
             const QString &value)
{
#ifndef Q_OS_WIN
    preparePrivateFile(store.root);
#endif
    std::unique_ptr<QSettings> settings = openKey(store, keyPath);
    if (!settings->isWritable())
        return false;
    const QString existing = findCaseInsensitive(settings->childKeys(), name);
    settings->setValue(existing.isEmpty() ? name : existing, value);
    settings->sync();
    const bool ok = settings->status() == QSettings::NoError;
#ifndef Q_OS_WIN
    keepPrivate(store.root); // QSettings replaces the file when it saves
#endif
    return ok;
}

// A value left in a store read before the one just written would hide the new value.
void removeFrom(const Store &store, const QString &keyPath, const QString &name)
{
    std::unique_ptr<QSettings> settings = openKey(store, keyPath);
    const QString existing = findCaseInsensitive(settings->childKeys(), name);
    if (!existing.isEmpty()) {
        settings->remove(existing);
        settings->sync();
    }
}

} // namespace

QString applicationKeyPath()
{
    return keyPathFor(QStringLiteral("PLXReader"));
}

QString suiteKeyPath()
{
    return keyPathFor(QStringLiteral("KELDA"));
}

QString iniFilePath()
{
    const QString overridden = qEnvironmentVariable("PLX_SETTINGS_FILE");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/VELMORA/PLXReader.ini");
}

std::optional<QString> read(const QString &keyPath, const QString &name)
{
    if (name.isEmpty())
        return std::nullopt;
    const QString path = normalizedKeyPath(keyPath);
    for (const Store &store : readStores()) {
        std::unique_ptr<QSettings> settings = openKey(store, path);
        const QString existing = findCaseInsensitive(settings->childKeys(), name);
        if (!existing.isEmpty())
            return valueText(settings->value(existing));
    }
    return std::nullopt;
}

bool write(const QString &keyPath, const QString &name, const QString &value)
{
    if (name.isEmpty())
        return false;
    const QString path = normalizedKeyPath(keyPath);
    const std::vector<Store> readOrder = readStores();
    for (const Store &store : writeStores()) {
        if (!writeTo(store, path, name, value))
            continue;
        for (const Store &earlier : readOrder) {
            if (sameStore(earlier, store))
                break;
            removeFrom(earlier, path, name);
        }
        return true;
    }
    return false;
}

} // namespace plx::machinesettings
