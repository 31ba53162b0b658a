#include "LogCapture.h"
#include "platform/KeepAwake.h"

#include <QAtomicInt>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {

const QString ServiceName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ServicePath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString ServiceConnection = QStringLiteral("slow-saver");

} // namespace

// A stand-in for the desktop's screen saver service, on its own thread and bus
// connection. It answers Inhibit only after the GUI thread of this process has
// handled a few more timer events: a caller that blocks that thread while it
// waits for the answer never gets it in time.
class SlowScreenSaver final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QAtomicInt guiTicks; // advanced by a timer on the GUI thread
    QAtomicInt inhibits;
    QAtomicInt answered;
    QAtomicInt uninhibits;
    QAtomicInt releasedCookie;

public Q_SLOTS:
    uint Inhibit(const QString &application, const QString &reason)
    {
        Q_UNUSED(application);
        Q_UNUSED(reason);
        const int call = inhibits.fetchAndAddRelaxed(1) + 1;
        const int ticksAtCall = guiTicks.loadRelaxed();
        const QDeadlineTimer deadline(10000);
        while (guiTicks.loadRelaxed() < ticksAtCall + 3 && !deadline.hasExpired())
            QThread::msleep(5);
        answered.ref();
        return uint(1000 + call);
    }

    void UnInhibit(uint cookie)
    {
        uninhibits.ref();
        releasedCookie.storeRelaxed(int(cookie));
    }
};

class tst_KeepAwake final : public QObject
{
    Q_OBJECT

    QThread m_thread;
    SlowScreenSaver m_service;
    QTimer m_ticker;

    QDBusConnection serviceBus() const { return QDBusConnection(ServiceConnection); }

    bool offerService() { return serviceBus().registerService(ServiceName); }

    void withdrawService() { serviceBus().unregisterService(ServiceName); }

    bool serviceVisible() const
    {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(ServiceName);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no session bus");
        m_service.moveToThread(&m_thread);
        m_thread.start();
        QDBusConnection bus =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, ServiceConnection);
        QVERIFY(bus.isConnected());
        QVERIFY(bus.registerObject(ServicePath, &m_service, QDBusConnection::ExportAllSlots));
        m_ticker.setInterval(10);
        connect(&m_ticker, &QTimer::timeout, this, [this] { m_service.guiTicks.ref(); });
        m_ticker.start();
    }

    void cleanupTestCase()
    {
        withdrawService();
        serviceBus().unregisterObject(ServicePath);
        QDBusConnection::disconnectFromBus(ServiceConnection);
        m_thread.quit();
        m_thread.wait();
    }

    void init()
    {
        withdrawService();
        QTRY_VERIFY(!serviceVisible());
        m_service.inhibits.storeRelaxed(0);
        m_service.answered.storeRelaxed(0);
        m_service.uninhibits.storeRelaxed(0);
        m_service.releasedCookie.storeRelaxed(0);
    }

    // The request is made without waiting for the slow answer; the cookie
    // that comes back is the one given back on release.
    void slowServiceDoesNotHoldTheGuiThread()
    {
        QVERIFY2(offerService(), qPrintable(serviceBus().lastError().message()));
        QTRY_VERIFY(serviceVisible());
        KeepAwake keepAwake;
        keepAwake.setActive(true);
        QVERIFY(keepAwake.isActive());
        QTRY_COMPARE(m_service.answered.loadRelaxed(), 1);
        QCOMPARE(m_service.inhibits.loadRelaxed(), 1);

        keepAwake.setActive(false);
        QTRY_COMPARE(m_service.uninhibits.loadRelaxed(), 1);
        QCOMPARE(m_service.releasedCookie.loadRelaxed(), 1001);

        // Released before the answer came: the cookie still goes back.
        keepAwake.setActive(true);
        keepAwake.setActive(false);
        QTRY_COMPARE(m_service.uninhibits.loadRelaxed(), 2);
        QCOMPARE(m_service.releasedCookie.loadRelaxed(), 1002);
        QCOMPARE(m_service.inhibits.loadRelaxed(), 2);
    }

    // Without the service the request fails; it is made as soon as the
    // service appears, while the display should still stay awake.
    void requestFollowsTheServiceAppearing()
    {
        LogCapture log;
        KeepAwake keepAwake;
        keepAwake.setActive(true);
        QTRY_COMPARE(log.matching("protecao de tela nao inibida").size(), 1);
        QCOMPARE(m_service.inhibits.loadRelaxed(), 0);

        QVERIFY2(offerService(), qPrintable(serviceBus().lastError().message()));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.answered.loadRelaxed(), 1, 10000);
        keepAwake.setActive(false);
        QTRY_COMPARE(m_service.uninhibits.loadRelaxed(), 1);
        QCOMPARE(m_service.releasedCookie.loadRelaxed(), 1001);
    }
};

QTEST_GUILESS_MAIN(tst_KeepAwake)
#include "tst_keepawake.moc"
