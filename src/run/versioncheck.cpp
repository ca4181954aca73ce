#include "run/versioncheck.h"

#include "config/settings.h"
#include "session/journal.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>

namespace plx {

namespace {
// An answer longer than this is a page, not a version number: no need to read it all.
constexpr qint64 kMaxAnswerBytes = 4096;
} // namespace

VersionCheck::VersionCheck(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &VersionCheck::onTimeout);
}

VersionCheck::~VersionCheck()
{
    abandon();
}

QString VersionCheck::requestPath(int majorVersion)
{
    return QStringLiteral("/api/v1/kelda/v") + QString::number(majorVersion)
           + QStringLiteral("/version");
}

QUrl VersionCheck::requestUrl(const QString &baseAddress, int majorVersion)
{
    QString base = baseAddress.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + requestPath(majorVersion), QUrl::StrictMode);
}

QString VersionCheck::versionOf(const QString &answer)
{
    QString text = answer.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2).trimmed();
    static const QRegularExpression version(QStringLiteral("^\\d{1,4}(\\.\\d{1,6}){1,3}$"));
    return version.match(text).hasMatch() ? text : QString();
}

bool VersionCheck::looksLikeVersion(const QString &answer)
{
    return !versionOf(answer).isEmpty();
}

QString VersionCheck::defaultSupportAddress()
{
    return QStringLiteral("https://support.velmora.fr");
}

QString VersionCheck::supportAddress()
{
    const QString address = LireParametre(QStringLiteral("UrlSupport"), {}, true).trimmed();
    return address.isEmpty() ? defaultSupportAddress() : address;
}

QNetworkProxy VersionCheck::proxyFor(const QString &proxyUrl, const QString &proxyPort)
{
    const QString text = proxyUrl.trimmed();
    if (text.isEmpty())
        return QNetworkProxy(QNetworkProxy::DefaultProxy);
    // A bare host name parses as a relative path: give it a scheme to read host and port.
    const QUrl url = QUrl::fromUserInput(text.contains(QLatin1String("://"))
                                             ? text
                                             : QStringLiteral("http://") + text);
    bool portOk = false;
    int port = proxyPort.trimmed().toInt(&portOk);
    if (!portOk || port <= 0 || port > 65535)
        port = url.port(80);
    return QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), quint16(port));
}

void VersionCheck::start(const QString &currentVersion)
{
    m_proxy = proxyFor(LireParametre(QStringLiteral("proxyURL"), {}, true),
                       LireParametre(QStringLiteral("proxyPort"), {}, true));
    start(supportAddress(), currentVersion);
}

void VersionCheck::start(const QString &baseAddress, const QString &currentVersion)
{
    abandon();
    m_currentVersion = currentVersion.trimmed();
    const QUrl url = requestUrl(baseAddress, PLX_VERSION_MAJOR);
    if (!url.isValid() || url.host().isEmpty()) {
        // Defer, so that callers always receive the answer after start() returned.
        QTimer::singleShot(0, this, [this] { emit finished(Outcome::NoAnswer, QString()); });
        return;
    }
    m_network->setProxy(m_proxy);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("VB OpenUrl"));
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this, &VersionCheck::onReplyFinished);
    m_timer->start(m_timeoutMs);
}

void VersionCheck::onReplyFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_timer->stop();
    m_reply = nullptr;
    reply->deleteLater();

    const QString answer =
        reply->error() == QNetworkReply::NoError
            ? QString::fromUtf8(reply->read(kMaxAnswerBytes)).trimmed()
            : QString();
    if (!answer.isEmpty())
        journal(QStringLiteral("Vérification de version : ") + answer.simplified());

    const QString version = versionOf(answer);
    Outcome outcome = Outcome::NoAnswer;
    if (!version.isEmpty())
        outcome = version == m_currentVersion ? Outcome::UpToDate : Outcome::Outdated;
    emit finished(outcome, answer);
}

void VersionCheck::onTimeout()
{
    abandon();
    emit finished(Outcome::NoAnswer, QString());
}

void VersionCheck::abandon()
{
    m_timer->stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace plx
