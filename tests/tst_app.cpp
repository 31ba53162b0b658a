#include "LogCapture.h"
#include "app/AppSettings.h"
#include "app/Logging.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

class tst_App final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
        QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer-tst-app"));
        QVERIFY(m_dir.isValid());
    }

    // Runs before anything else touches the settings object.
    void generalSettingsSurviveARestart()
    {
        QFile ini(dataDir() + "/config.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // What the INI backend wrote for "general/openMode" in an earlier run.
        ini.write("[%General]\nopenMode=queue\ncloseToTray=true\n");
        ini.close();
        QCOMPARE(settingValue("general/openMode", "play").toString(), QStringLiteral("queue"));
        QCOMPARE(settingValue("general/closeToTray", false).toBool(), true);
        QCOMPARE(settingValue("general/checkUpdates", true).toBool(), true);
        setSettingValue("general/openMode", "play");
        QCOMPARE(settingValue("general/openMode", "queue").toString(), QStringLiteral("play"));
        // The file holds the new value once; the next run reads it back.
        appSettings().sync();
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray written = ini.readAll();
        ini.close();
        QCOMPARE(written.count("openMode="), 1);
        QVERIFY2(written.contains("openMode=play"), written.constData());
        QSettings nextRun(dataDir() + "/config.ini", QSettings::IniFormat);
        QCOMPARE(nextRun.value("General/openMode").toString(), QStringLiteral("play"));
        QCOMPARE(nextRun.value("General/closeToTray").toBool(), true);
        appSettings().clear();
        appSettings().sync();
    }

    void logRotatesOnlyAboveTwoMebibytes_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("rotated");
        QTest::newRow("exactly 2 MiB is kept") << LogRotateBytes << false;
        QTest::newRow("one byte more rotates") << LogRotateBytes + 1 << true;
    }
    void logRotatesOnlyAboveTwoMebibytes()
    {
        QFETCH(qint64, size);
        QFETCH(bool, rotated);
        QTemporaryDir dir;
        const QString current = dir.filePath("zorvi-player.log");
        const QString previous = dir.filePath("zorvi-player.old.log");
        {
            QFile old(previous);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("earlier generation");
            QFile log(current);
            QVERIFY(log.open(QIODevice::WriteOnly));
            log.write(QByteArray(size, 'x'));
        }
        QVERIFY(openLogIn(dir.path()));
        logMessageHandler(QtInfoMsg, QMessageLogContext(), "linha nova");
        QFile log(current);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray content = log.readAll();
        QFile old(previous);
        QVERIFY(old.open(QIODevice::ReadOnly));
        const QByteArray oldContent = old.readAll();
        if (rotated) {
            QCOMPARE(oldContent.size(), size); // replaced the earlier previous log
            QVERIFY(content.startsWith("20"));
            QVERIFY(content.size() < 100);
        } else {
            QCOMPARE(oldContent, QByteArray("earlier generation"));
            QVERIFY(content.size() > size);
            QVERIFY(content.endsWith("linha nova\n"));
        }
    }

    void logLineFormatAndLevels()
    {
        QTemporaryDir dir;
        QVERIFY(openLogIn(dir.path()));
        logMessageHandler(QtDebugMsg, QMessageLogContext(), "a");
        logMessageHandler(QtWarningMsg, QMessageLogContext(), "b");
        logMessageHandler(QtCriticalMsg, QMessageLogContext(), "c");
        logMessageHandler(QtFatalMsg, QMessageLogContext(), "d");
        logMessageHandler(QtInfoMsg, QMessageLogContext(), "e");
        logMessageHandler(QtMsgType(QtInfoMsg + 3), QMessageLogContext(), "f ação");
        QFile log(dir.filePath("zorvi-player.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        const QRegularExpression shape(
                R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[([A-Z]+)\] (.*)$)");
        const QStringList words{"DEBUG", "AVISO", "ERRO", "FATAL", "INFO", "INFO"};
        const QStringList texts{"a", "b", "c", "d", "e", "f ação"};
        for (int i = 0; i < lines.size(); ++i) {
            const auto match = shape.match(lines[i]);
            QVERIFY2(match.hasMatch(), qPrintable(lines[i]));
            QCOMPARE(match.captured(1), words[i]);
            QCOMPARE(match.captured(2), texts[i]);
        }
    }

    void concurrentLoggingKeepsWholeLines()
    {
        QTemporaryDir dir;
        QVERIFY(openLogIn(dir.path()));
        const int threads = 6, perThread = 400;
        std::vector<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers.push_back(QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    logMessageHandler(QtInfoMsg, QMessageLogContext(),
                                      QStringLiteral("thread %1 line %2 %3")
                                              .arg(t)
                                              .arg(i)
                                              .arg(QString(40, QChar('z'))));
            }));
            workers.back()->start();
        }
        for (QThread *worker : workers) {
            QVERIFY(worker->wait(30000));
            delete worker;
        }
        QFile log(dir.filePath("zorvi-player.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), threads * perThread);
        const QRegularExpression whole(R"(^\S+ \S+ \[INFO\] thread \d line \d+ z{40}$)");
        for (const QString &line : lines)
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
    }

    void serverNameFromEnvironment()
    {
        const QByteArray savedUserName = qgetenv("USERNAME");
        const QByteArray savedUser = qgetenv("USER");
        qunsetenv("USERNAME");
        qputenv("USER", "ana");
        QCOMPARE(localServerName(), QStringLiteral("ZorviPlayer-ana"));
        qputenv("USERNAME", "Bruno");
        QCOMPARE(localServerName(), QStringLiteral("ZorviPlayer-Bruno"));
        qunsetenv("USERNAME");
        qunsetenv("USER");
        QCOMPARE(localServerName(), QStringLiteral("ZorviPlayer-user"));
        if (!savedUser.isNull())
            qputenv("USER", savedUser);
        if (!savedUserName.isNull())
            qputenv("USERNAME", savedUserName);
    }

    void handOverWireFormat()
    {
        QCOMPARE(encodeHandOver({"a.mp3", "b.mp3"}), QByteArray("a.mp3\nb.mp3"));
        QCOMPARE(decodeHandOver("a.mp3\nb.mp3"), (QStringList{"a.mp3", "b.mp3"}));
        QCOMPARE(decodeHandOver("a\n\nb\n"), (QStringList{"a", "b"}));
        QVERIFY(decodeHandOver(encodeHandOver({})).isEmpty());
        QCOMPARE(decodeHandOver(encodeHandOver({"música ção.mp3"})), QStringList{"música ção.mp3"});
    }

    // The hand-over channel sits in a folder only this user can enter: the
    // runtime folder when it is private, else a private folder of the player.
    void instanceChannelIsPrivate_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<bool>("inRuntime");
        QTest::newRow("private runtime folder") << "private" << true;
        QTest::newRow("no runtime folder") << "unset" << false;
        QTest::newRow("runtime folder open to others") << "shared" << false;
        QTest::newRow("runtime folder of another user") << "foreign" << false;
    }

    void instanceChannelIsPrivate()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, inRuntime);
        QTemporaryDir runtimeDir;
        QVERIFY(runtimeDir.isValid());
        if (runtime == QLatin1String("shared"))
            QVERIFY(QFile::setPermissions(runtimeDir.path(),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
        if (runtime == QLatin1String("foreign"))
            QCOMPARE(::chown(QFile::encodeName(runtimeDir.path()).constData(), 65534, 65534), 0);
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] {
            if (savedRuntime.isNull())
                qunsetenv("XDG_RUNTIME_DIR");
            else
                qputenv("XDG_RUNTIME_DIR", savedRuntime);
        });
        if (runtime == QLatin1String("unset"))
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));

        const QString name =
                QStringLiteral("ZorviPlayer-tst-app-%1").arg(QCoreApplication::applicationPid());
        std::unique_ptr<QLocalServer> server(startInstanceServer(name));
        QVERIFY(server->isListening());
        const QString folder = QFileInfo(server->fullServerName()).absolutePath();
        QCOMPARE(folder == runtimeDir.path(), inRuntime);
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &info), 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_uid, ::geteuid());
        QCOMPARE(info.st_mode & 077, mode_t(0));

        QStringList delivered{"nothing yet"};
        serveHandOvers(server.get(), [&](const QStringList &list) { delivered = list; });
        QVERIFY(handOverToRunningInstance(name, {"a.mp3", "b.mp3"}));
        QTRY_COMPARE(delivered, (QStringList{"a.mp3", "b.mp3"}));
    }

    void failedListeningIsLogged()
    {
        // Longer than a local socket address can be.
        QTemporaryDir base;
        QVERIFY(base.isValid());
        const QString deep = base.path() + "/" + QString(120, QLatin1Char('r'));
        QVERIFY(QDir().mkpath(deep));
        QVERIFY(QFile::setPermissions(deep,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
        LogCapture log;
        std::unique_ptr<QLocalServer> server(
                startInstanceServer(QStringLiteral("ZorviPlayer-long")));
        if (savedRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
        QVERIFY(!server->isListening());
        QCOMPARE(log.matching("canal de instancia nao abriu").size(), 1);
    }

    void languageOnlyExactEnglish()
    {
        applyLanguageSetting("en");
        QVERIFY(uiEnglish);
        QCOMPARE(uiText("Yes", "Sim"), QStringLiteral("Yes"));
        for (const char *value : {"EN", "en-US", "pt", ""}) {
            applyLanguageSetting(value);
            QVERIFY2(!uiEnglish, value);
        }
        QCOMPARE(uiText("Yes", "Sim"), QStringLiteral("Sim"));
    }

    void settingsLiveInTheDataFolder()
    {
        QVERIFY(dataDir().contains("ZorviPlayer-tst-app"));
        QVERIFY(QFileInfo(dataDir()).isDir());
        const QString logs = dataSubdir("logs");
        QCOMPARE(logs, dataDir() + "/logs");
        QVERIFY(QFileInfo(logs).isDir());
        QCOMPARE(appSettings().fileName(), dataDir() + "/config.ini");
        QCOMPARE(settingValue("ui/language", "pt").toString(), QStringLiteral("pt"));
        appSettings().setValue("playback/seekStep", 7);
        QCOMPARE(settingValue("playback/seekStep", 5).toInt(), 7);
        appSettings().remove("playback/seekStep");
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_App)
#include "tst_app.moc"
