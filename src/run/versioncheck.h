#pragma once

#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace plx {

// Asks the support web service which version of the program is current, without ever
// blocking the window: one GET, answered through finished(), or given up after a timeout.
// Only an answer that looks like a version number counts, so a proxy's error page or a
// portal's login page never makes the "out of date" warning blink.
class VersionCheck : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        UpToDate, // the service names the version we run
        Outdated, // the service names another version
        NoAnswer, // no service, an error, a timeout, or an answer that is not a version
    };
    Q_ENUM(Outcome)

    explicit VersionCheck(QObject *parent = nullptr);
    ~VersionCheck() override;

    // "/api/v1/kelda/v6/version" for major version 6.
    static QString requestPath(int majorVersion);
    // The request on a base address, which may carry a path of its own
    // ("https://host/support" gives "https://host/support/api/v1/kelda/v6/version").
    static QUrl requestUrl(const QString &baseAddress, int majorVersion);
    // "6.0.0", "6.1", "6.0.0.12", optionally as a JSON string ("\"6.0.0\"").
    static bool looksLikeVersion(const QString &answer);
    // The version named by an answer, trimmed and unquoted; "" when it names none.
    static QString versionOf(const QString &answer);

    // Base address of the support web service: option UrlSupport, else the default.
    static QString supportAddress();
    static QString defaultSupportAddress();
    // Proxy of options proxyURL / proxyPort ("proxy.local", "http://proxy.local:3128");
    // DefaultProxy when proxyURL is empty.
    static QNetworkProxy proxyFor(const QString &proxyUrl, const QString &proxyPort);

    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Sends the request; a request still running is abandoned. currentVersion is the
    // version shown in the status bar ("6.0.0").
    void start(const QString &baseAddress, const QString &currentVersion);
    // Same, with the support address and the proxy of the options.
    void start(const QString &currentVersion);
    bool isRunning() const { return !m_reply.isNull(); }

signals:
    // answer: the raw answer text, trimmed ("" when none came).
    void finished(plx::VersionCheck::Outcome outcome, const QString &answer);

private:
    void onReplyFinished();
    void onTimeout();
    void abandon();

    QNetworkAccessManager *m_network; // owned (child)
    QTimer *m_timer;                  // owned (child)
    QPointer<QNetworkReply> m_reply;
    QString m_currentVersion;
    QNetworkProxy m_proxy{QNetworkProxy::DefaultProxy};
    int m_timeoutMs = 15000;
};

} // namespace plx
