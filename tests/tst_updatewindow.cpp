#include "PlayerTestUtil.h"
#include "TestFiles.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "ui/MainWindow.h"
#include "ui/window/PlayerCommands.h"
#include "ui/window/TrayController.h"
#include "ui/window/UpdateController.h"
#include "update/Updater.h"

#include <QCryptographicHash>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using TestFiles::readBytes;
using TestFiles::writeBytes;

namespace {

QByteArray script(const QByteArray &word)
{
    return "#!/bin/sh\nprintf '%s\\n' " + word + " \"$@\" > \"$ZORVI_TEST_MARKER\"\nexit 0\n";
}

} // namespace

// The window's side of updating: the idle install, and what a close does
// with a ready update.
class tst_UpdateWindow final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<PlayerCore> m_core;
    QString m_audio;
    QString m_appImage;
    QString m_marker;
    const QByteArray m_old = script("old");
    const QByteArray m_new = script("new");

    // A verified update waiting in the updates folder, and a fresh program.
    void prepareReady()
    {
        const QString file = Updater::updatesDir() + "/Zorvi-Player-1.2.0.AppImage";
        QVERIFY(writeBytes(file, m_new));
        QSettings &settings = appSettings();
        settings.remove("updates");
        settings.setValue("updates/readyFile", file);
        settings.setValue("updates/readyVersion", "1.2.0");
        settings.setValue("updates/readySize", qint64(m_new.size()));
        settings.setValue("updates/readyHash",
                          QCryptographicHash::hash(m_new, QCryptographicHash::Sha256).toHex());
        settings.sync();
        QVERIFY(writeBytes(m_appImage, m_old));
        QFile::remove(m_marker);
    }

    std::unique_ptr<MainWindow> makeWindow()
    {
        auto window = std::make_unique<MainWindow>(m_core.get());
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    // Runs the application's event loop until something quits it; 3 when
    // nothing did within the time.
    static int runEventLoop(int ms)
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(3); });
        guard.start(ms);
        return QApplication::exec();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), "ZorviPlayer-tst-updatewindow"));
        m_audio = TestMedia::tone(m_home.filePath("song.mp3"), 30);
        QVERIFY(!m_audio.isEmpty());
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
        QVERIFY(QDir().mkpath(m_home.filePath("app")));
        m_appImage = m_home.filePath("app/Zorvi-Player.AppImage");
        m_marker = m_home.filePath("marker.txt");
        qputenv("ZORVI_TEST_MARKER", m_marker.toUtf8());
        qputenv("APPIMAGE", m_appImage.toUtf8());
    }

    void cleanupTestCase()
    {
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        m_core.reset();
    }

    void whilePlayingTheWindowStaysOpen()
    {
        prepareReady();
        auto window = makeWindow();
        QVERIFY(window);
        UpdateController *updates = window->updates();
        QTRY_VERIFY(!updates->updater()->isVerifying());
        QSignalSpy ready(updates->updater(), &Updater::updateReady);
        // Idle when the update is announced, playing when the delay ends.
        window->commands()->checkForUpdates();
        QCOMPARE(ready.size(), 1);
        QVERIFY(updates->idleInstallPending());
        window->playPaths({m_audio}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_core->isIdle(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!updates->idleInstallPending(), 10000);
        QCoreApplication::processEvents();
        QVERIFY(window->isVisible());
        QCOMPARE(readBytes(m_appImage), m_old);
        QVERIFY(!QFile::exists(m_marker));
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
    }

    void failedInstallKeepsTheWindowOpen()
    {
        prepareReady();
        auto window = makeWindow();
        QVERIFY(window);
        UpdateController *updates = window->updates();
        QTRY_VERIFY(!updates->updater()->isVerifying());
        QSignalSpy failed(updates->updater(), &Updater::failed);
        // Changed after its verification: the install refuses it.
        QVERIFY(writeBytes(updates->updater()->readyFile(), script("bad")));
        updates->installNow();
        QCOMPARE(failed.size(), 1);
        QVERIFY(window->isVisible());
        if (QSystemTrayIcon *icon = window->tray()->icon())
            QVERIFY(icon->isVisible());
        QCOMPARE(readBytes(m_appImage), m_old);
        QVERIFY(!QFile::exists(m_marker));
    }

    void idleInstallClosesAndStartsTheNewProgram()
    {
        prepareReady();
        auto window = makeWindow();
        QVERIFY(window);
        QTRY_VERIFY(!window->updates()->updater()->isVerifying());
        QTimer::singleShot(0, window.get(), [&window] { window->commands()->checkForUpdates(); });
        QCOMPARE(runEventLoop(20000), 0);
        QVERIFY(!window->isVisible());
        QCOMPARE(readBytes(m_appImage), m_new);
        QTRY_COMPARE(readBytes(m_marker), QByteArray("new\n"));
        QCOMPARE(appSettings().value("updates/lastAttempt").toString(), QStringLiteral("1.2.0"));
    }
};

QTEST_MAIN(tst_UpdateWindow)
#include "tst_updatewindow.moc"
