#include "base/messages.h"
#include "config/settings.h"
#include "run/versioncheck.h"
#include "run/widgets/mainwindow.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using plx::VersionCheck;

// A one-page HTTP server on 127.0.0.1: answers every request with the body set, or never
// answers at all (a service that hangs). It records the request it received.
class TinyHttpServer : public QObject
{
public:
    TinyHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
    }

    QString baseAddress() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    void answer(const QByteArray &body, int status = 200)
    {
        m_body = body;
        m_status = status;
        m_silent = false;
    }
    void neverAnswer() { m_silent = true; }
    const QByteArray &request() const { return m_request; }

private:
    void serve(QTcpSocket *socket)
    {
        m_request += socket->readAll();
        if (!m_request.contains("\r\n\r\n") || m_silent)
            return;
        const QByteArray reason = m_status == 200 ? "OK" : "Service Unavailable";
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason + "\r\n"
                      "Content-Type: text/plain; charset=utf-8\r\nContent-Length: "
                      + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_body;
    QByteArray m_request;
    int m_status = 200;
    bool m_silent = false;
};

VersionCheck::Outcome runCheck(VersionCheck &check, const QString &base, QString *answer = nullptr)
{
    QSignalSpy spy(&check, &VersionCheck::finished);
    check.start(base, QStringLiteral("6.0.0"));
    EXPECT_TRUE(spy.wait(5000));
    if (spy.isEmpty())
        return VersionCheck::Outcome::NoAnswer;
    if (answer)
        *answer = spy.first().at(1).toString();
    return spy.first().at(0).value<VersionCheck::Outcome>();
}

} // namespace

TEST(VersionCheck, RequestAndAnswerText)
{
    EXPECT_EQ(VersionCheck::requestPath(6), QStringLiteral("/api/v1/kelda/v6/version"));
    EXPECT_EQ(VersionCheck::requestUrl(QStringLiteral("https://support.example/base/"), 6).toString(),
              QStringLiteral("https://support.example/base/api/v1/kelda/v6/version"));

    struct Row { const char *answer; const char *version; };
    const Row rows[] = {
        {"6.0.0", "6.0.0"},  {" 7.1.2\r\n", "7.1.2"}, {"\"6.0.1\"", "6.0.1"}, {"6.0", "6.0"},
        {"6", ""},           {"", ""},               {"<html><body>6.0.0</body></html>", ""},
        {"v6.0.0", ""},      {"6.0.0 beta", ""},     {"Erreur 404", ""},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(VersionCheck::versionOf(QString::fromUtf8(row.answer)), QString::fromUtf8(row.version))
            << row.answer;
    }

    const QNetworkProxy none = VersionCheck::proxyFor(QString(), QStringLiteral("8080"));
    EXPECT_EQ(none.type(), QNetworkProxy::DefaultProxy);
    const QNetworkProxy bare = VersionCheck::proxyFor(QStringLiteral("proxy.local"), QStringLiteral("3128"));
    EXPECT_EQ(bare.type(), QNetworkProxy::HttpProxy);
    EXPECT_EQ(bare.hostName(), QStringLiteral("proxy.local"));
    EXPECT_EQ(bare.port(), 3128);
    const QNetworkProxy url = VersionCheck::proxyFor(QStringLiteral("http://proxy.local:8081"), QString());
    EXPECT_EQ(url.hostName(), QStringLiteral("proxy.local"));
    EXPECT_EQ(url.port(), 8081);
}

// The service answers the current version, a newer one, an error page, or nothing: only a
// real version number decides, and a silent service gives up after the timeout without
// freezing anything.
TEST(VersionCheck, AgainstALocalService)
{
    TinyHttpServer server;
    VersionCheck check;
    check.setTimeout(400);

    server.answer("6.0.0\n");
    QString answer;
    EXPECT_EQ(runCheck(check, server.baseAddress(), &answer), VersionCheck::Outcome::UpToDate);
    EXPECT_EQ(answer, QStringLiteral("6.0.0"));
    EXPECT_TRUE(server.request().startsWith("GET /api/v1/kelda/v6/version HTTP/1.1\r\n"))
        << server.request().constData();
    EXPECT_TRUE(server.request().contains("User-Agent: VB OpenUrl\r\n")) << server.request().constData();

    server.answer("7.0.0");
    EXPECT_EQ(runCheck(check, server.baseAddress()), VersionCheck::Outcome::Outdated);

    server.answer("<html><head><title>Proxy</title></head><body>Accès refusé 7.0.0</body></html>");
    EXPECT_EQ(runCheck(check, server.baseAddress()), VersionCheck::Outcome::NoAnswer);

    server.answer("7.0.0", 503);
    EXPECT_EQ(runCheck(check, server.baseAddress()), VersionCheck::Outcome::NoAnswer);

    server.neverAnswer();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(runCheck(check, server.baseAddress()), VersionCheck::Outcome::NoAnswer);
    EXPECT_GE(timer.elapsed(), 350);
    EXPECT_FALSE(check.isRunning());

    // No address at all: an answer all the same, never a hang.
    EXPECT_EQ(runCheck(check, QStringLiteral("pas une adresse")), VersionCheck::Outcome::NoAnswer);
}

// The main window's start check: a newer version makes the status-bar sign blink with its
// tooltip; an error page leaves the status bar alone.
TEST(VersionCheck, MainWindowWarning)
{
    QTemporaryDir dir;
    const QByteArray savedFile = qgetenv("PLX_SETTINGS_FILE");
    qputenv("PLX_SETTINGS_FILE", dir.filePath(QStringLiteral("machine.ini")).toUtf8());
    plx::setCurrentLogin(QString());
    TinyHttpServer server;
    ASSERT_TRUE(plx::EcrireParametre(QStringLiteral("UrlSupport"), server.baseAddress()));

    {
        plx::MainWindow window;
        window.setVersionCheckAtStart(false);
        window.versionCheck()->setTimeout(2000);
        auto *panel = window.findChild<QToolButton *>(QStringLiteral("lblVersion"));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->text(), QStringLiteral("Version 6.0.0"));

        server.answer("<html>Erreur du proxy</html>");
        QSignalSpy spy(window.versionCheck(), &VersionCheck::finished);
        window.startVersionCheck();
        ASSERT_TRUE(spy.wait(5000));
        EXPECT_FALSE(window.isVersionWarningShown());
        EXPECT_NE(panel->toolTip(), QStringLiteral("Votre version n'est plus à jour."));

        server.answer("7.0.0");
        window.startVersionCheck();
        ASSERT_TRUE(spy.wait(5000));
        EXPECT_TRUE(window.isVersionWarningShown());
        EXPECT_EQ(panel->toolTip(), QStringLiteral("Votre version n'est plus à jour."));
        const qint64 before = panel->icon().cacheKey();
        QTest::qWait(1100);
        EXPECT_NE(panel->icon().cacheKey(), before) << "the sign does not blink";
    }

    if (savedFile.isNull())
        qunsetenv("PLX_SETTINGS_FILE");
    else
        qputenv("PLX_SETTINGS_FILE", savedFile);
}
