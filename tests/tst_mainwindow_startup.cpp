#include "TestMedia.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The built player with its window: command-line arguments and lists handed
// over by later starts reach the window and play (seen in the history that
// the window records when a file has loaded).
class tst_MainWindowStartup final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;

    QString dataFolder() const { return m_home.path() + "/data/orvandel/ZorviPlayer"; }

    QStringList historyPaths() const
    {
        QStringList paths;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
            db.setDatabaseName(dataFolder() + "/biblioteca.db");
            db.setConnectOptions("QSQLITE_OPEN_READONLY");
            if (db.open()) {
                QSqlQuery query("SELECT path FROM history ORDER BY path", db);
                while (query.next())
                    paths << query.value(0).toString();
            }
        }
        QSqlDatabase::removeDatabase("peek");
        return paths;
    }

    QString log() const
    {
        QFile file(dataFolder() + "/logs/zorvi-player.log");
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_home.isValid());
        QVERIFY(m_media.isValid());
    }

    void argumentsAndHandOversPlay()
    {
        const QString first = TestMedia::solidVideo(m_media.filePath("first.mp4"), 30, "red");
        const QString second = TestMedia::tone(m_media.filePath("second.ogg"), 30);
        QVERIFY(!first.isEmpty());
        QVERIFY(!second.isEmpty());

        QProcessEnvironment env = TestMedia::isolatedEnvironment(m_home.path());
        env.insert("ZORVIPLAYER_OPT", "vo=null;ao=null");
        QProcess player;
        player.setProcessEnvironment(env);
        player.start(TestMedia::playerExecutable(), {"--some-switch", first});
        QVERIFY(player.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
                historyPaths().contains(first) || player.state() != QProcess::Running, 30000);
        if (!historyPaths().contains(first))
            qWarning().noquote() << "history:" << historyPaths() << "log:" << log();
        QVERIFY(historyPaths().contains(first));

        QProcess later;
        later.setProcessEnvironment(env);
        later.start(TestMedia::playerExecutable(), {QUrl::fromLocalFile(second).toString()});
        QVERIFY(later.waitForFinished(15000));
        QCOMPARE(later.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
                historyPaths().contains(second) || player.state() != QProcess::Running, 30000);
        if (!historyPaths().contains(second))
            qWarning().noquote() << "history:" << historyPaths() << "log:" << log();
        QVERIFY(historyPaths().contains(second));
        QVERIFY(log().contains("argumentos recebidos:"));

        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        QVERIFY(log().contains("encerrado"));
        QCOMPARE(log().count("iniciando, Qt"), 1);
    }
};

QTEST_GUILESS_MAIN(tst_MainWindowStartup)
#include "tst_mainwindow_startup.moc"
