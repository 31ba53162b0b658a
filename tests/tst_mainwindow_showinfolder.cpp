#include "platform/ShowInFolder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Stands in for the desktop's file manager on the session bus, on a
// connection of its own so that the call really travels through the bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList uris;
    QString startupId;
    int calls = 0;

public Q_SLOTS:
    void ShowItems(const QStringList &items, const QString &startup)
    {
        uris = items;
        startupId = startup;
        ++calls;
    }
};

// Receives what would have gone to the desktop's URL opener.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

class tst_MainWindowShowInFolder final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    UrlCatcher m_catcher;
    QString m_file;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QDir(m_dir.path()).mkpath("Some Folder");
        m_file = m_dir.filePath("Some Folder/Ação 1.mkv");
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QDesktopServices::setUrlHandler("file", &m_catcher, "open");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }

    void asksTheFileManagerToSelectTheFile()
    {
        QDBusConnection fmBus =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-file-manager");
        QVERIFY(fmBus.isConnected());
        FakeFileManager fake;
        QVERIFY(fmBus.registerObject("/org/freedesktop/FileManager1", &fake,
                                     QDBusConnection::ExportAllSlots));
        QVERIFY(fmBus.registerService("org.freedesktop.FileManager1"));

        m_catcher.opened.clear();
        showInFolder(m_file);
        QTRY_COMPARE_WITH_TIMEOUT(fake.calls, 1, 5000);
        QCOMPARE(fake.uris, QStringList{QUrl::fromLocalFile(m_file).toString()});
        QVERIFY(fake.uris.first().startsWith("file:///"));
        QCOMPARE(QUrl(fake.uris.first()).toLocalFile(), m_file);
        QCOMPARE(fake.startupId, QString());
        // The fallback stays unused when the file manager answered.
        QTest::qWait(200);
        QVERIFY(m_catcher.opened.isEmpty());

        fmBus.unregisterService("org.freedesktop.FileManager1");
        fmBus.unregisterObject("/org/freedesktop/FileManager1");
        QDBusConnection::disconnectFromBus("fake-file-manager");
    }

    void withoutFileManagerOpensTheFolder()
    {
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
                "org.freedesktop.FileManager1"));
        m_catcher.opened.clear();
        showInFolder(m_file);
        QTRY_COMPARE_WITH_TIMEOUT(m_catcher.opened.size(), 1, 10000);
        QCOMPARE(m_catcher.opened.first(), QUrl::fromLocalFile(m_dir.filePath("Some Folder")));
    }
};

QTEST_MAIN(tst_MainWindowShowInFolder)
#include "tst_mainwindow_showinfolder.moc"
