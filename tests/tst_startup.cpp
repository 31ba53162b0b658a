#include "TestMedia.h"
#include "app/Version.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <grp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A local socket listening where the channel used to be, in the shared
// temporary folder, set up by another user (a child that gave up root)
// before the player starts. Whatever reaches it comes back through a pipe.
class ForeignListener
{
public:
    explicit ForeignListener(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        if (::pipe(m_pipe) != 0)
            return;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(m_path.size()) >= sizeof(address.sun_path))
            return;
        std::memcpy(address.sun_path, m_path.constData(), size_t(m_path.size()));
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here on.
            ::close(m_pipe[0]);
            if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                ::setresuid(65534, 65534, 65534) != 0)
                ::_exit(2);
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (server < 0 ||
                ::bind(server, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 ||
                ::listen(server, 8) != 0)
                ::_exit(3);
            if (::write(m_pipe[1], "R", 1) != 1)
                ::_exit(4);
            ::alarm(120);
            while (true) {
                const int client = ::accept(server, nullptr, nullptr);
                if (client < 0)
                    ::_exit(5);
                char buffer[512];
                ssize_t count;
                while ((count = ::read(client, buffer, sizeof(buffer))) > 0) {
                    if (::write(m_pipe[1], buffer, size_t(count)) != count)
                        ::_exit(6);
                }
                ::close(client);
            }
        }
        ::close(m_pipe[1]);
        m_pipe[1] = -1;
        char ready = 0;
        m_ready = m_pid > 0 && ::read(m_pipe[0], &ready, 1) == 1 && ready == 'R';
    }

    ~ForeignListener()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_pipe[0] >= 0)
            ::close(m_pipe[0]);
        ::unlink(m_path.constData());
    }

    bool isReady() const { return m_ready; }

    // Everything received so far, once the child has been stopped.
    QByteArray stopAndTakeReceived()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        QByteArray received;
        char buffer[512];
        ssize_t count;
        while ((count = ::read(m_pipe[0], buffer, sizeof(buffer))) > 0)
            received.append(buffer, count);
        return received;
    }

private:
    QByteArray m_path;
    int m_pipe[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_ready = false;
};

} // namespace

// Runs the built executable as a user would: separate processes, a private
// data folder and a private single-instance channel.
class tst_Startup final : public QObject
{
    Q_OBJECT

    QString logPath(const QString &home) const
    {
        return home + "/data/orvandel/ZorviPlayer/logs/zorvi-player.log";
    }

    static QString readAll(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll());
    }

    bool waitForLog(const QString &home, const QString &text, int timeoutMs = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (readAll(logPath(home)).contains(text))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    static QStringList filesUnder(const QString &dir)
    {
        QStringList files;
        QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        return files;
    }

private Q_SLOTS:
    void informationSwitchesWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("version after files") << QStringList{"a.mp4", "b.mp3", "--version"}
                                             << QString() << QStringLiteral("Zorvi Player " ZORVI_VERSION "\n");
        QTest::newRow("help, default language")
                << QStringList{"--help"} << QString() << QStringLiteral("Uso: zorvi-player ");
        QTest::newRow("short help after a file")
                << QStringList{"a.mp4", "-h"} << QStringLiteral("pt")
                << QStringLiteral("Uso: zorvi-player ");
        QTest::newRow("help, English setting") << QStringList{"--help"} << QStringLiteral("en")
                                               << QStringLiteral("Usage: zorvi-player ");
    }

    // Answered before anything needs a display, and nothing is touched: no
    // data folder, log, settings or hand-over (a settings file is only read).
    void informationSwitchesWithoutDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        QTemporaryDir home;
        const QString config = home.path() + "/data/orvandel/ZorviPlayer/config.ini";
        if (!language.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(config).path()));
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[ui]\nlanguage=" + language.toUtf8() + "\n");
        }
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        const QStringList before = filesUnder(home.path());
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(TestMedia::playerExecutable(), args);
        QVERIFY(process.waitForFinished(30000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 0 && err.isEmpty(), qPrintable(err));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        if (expected.endsWith('\n')) {
            QCOMPARE(out, expected);
        } else {
            QVERIFY2(out.startsWith(expected), qPrintable(out));
            for (const char *option : {"--version", "--selftest", "--screenshots", "--ui-audit"})
                QVERIFY2(out.contains(option), option);
        }
        QCOMPARE(filesUnder(home.path()), before);
        if (!language.isEmpty()) {
            QFile file(config);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), "[ui]\nlanguage=" + language.toUtf8() + "\n");
        }
    }

    void handOverBetweenTwoInstances()
    {
        QTemporaryDir home;
        const QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(TestMedia::playerExecutable(), QStringList{});
        QVERIFY(first.waitForStarted());
        QVERIFY2(waitForLog(home.path(), "libmpv carregada de"),
                 qPrintable(readAll(logPath(home.path()))));
        QTest::qWait(300);

        auto secondStart = [&](const QStringList &args) {
            QProcess second;
            second.setProcessEnvironment(env);
            second.start(TestMedia::playerExecutable(), args);
            if (!second.waitForFinished(10000))
                return -100;
            return second.exitCode();
        };
        QCOMPARE(secondStart({"a.mp3", "b.mp3"}), 0);
        QVERIFY(waitForLog(home.path(), R"(argumentos recebidos: QList("a.mp3", "b.mp3"))", 10000));
        QCOMPARE(secondStart({}), 0);
        QVERIFY(waitForLog(home.path(), "argumentos recebidos: QList()", 10000));

        // Empty lines are dropped on the receiving side.
        QLocalSocket socket;
        socket.connectToServer(env.value("XDG_RUNTIME_DIR") + "/ZorviPlayer-" + env.value("USER"));
        QVERIFY(socket.waitForConnected(2000));
        socket.write("x.mkv\n\n\ny.mkv\n");
        QVERIFY(socket.waitForBytesWritten(2000));
        socket.disconnectFromServer();
        QVERIFY(waitForLog(home.path(), R"(argumentos recebidos: QList("x.mkv", "y.mkv"))", 10000));

        // Only one player ever ran: the later starts handed over and left.
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        QVERIFY(readAll(logPath(home.path())).contains("encerrado"));
        QCOMPARE(readAll(logPath(home.path())).count("iniciando, Qt"), 1);
    }

    // Another user who creates a socket under the channel's name in the
    // shared temporary folder gets nothing: the player neither hands its
    // arguments there nor gives way to it.
    void foreignChannelIsNotTrusted()
    {
        QTemporaryDir home;
        const QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        ForeignListener foreign(QDir::tempPath() + "/ZorviPlayer-" + env.value("USER"));
        QVERIFY2(foreign.isReady(), "the unprivileged listener did not start");

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(TestMedia::playerExecutable(), {"/secret/first.mp4"});
        QVERIFY(first.waitForStarted());
        const bool started = waitForLog(home.path(), "libmpv carregada de");
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY2(started, qPrintable(readAll(logPath(home.path()))));

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(TestMedia::playerExecutable(), {"/secret/second.mp4"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(waitForLog(home.path(), R"(argumentos recebidos: QList("/secret/second.mp4"))",
                           10000));
        QCOMPARE(foreign.stopAndTakeReceived(), QByteArray());
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
    }

    void missingEngineExitsWithOne()
    {
        QTemporaryDir home;
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        env.insert("ZORVIPLAYER_MPV_LIBRARY", "libzorvi-no-such-engine.so");
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(TestMedia::playerExecutable(), QStringList{});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        const QString log = readAll(logPath(home.path()));
        QVERIFY2(log.contains("[ERRO] motor de video nao iniciou: "), qPrintable(log));
        QVERIFY(log.contains("libzorvi-no-such-engine.so"));
        QVERIFY(log.contains("O motor de reprodução (libmpv) não foi encontrado"));
        QVERIFY(!log.contains("encerrado"));
    }

    void databaseOpenedAtStart()
    {
        QTemporaryDir home;
        QProcess player;
        player.setProcessEnvironment(TestMedia::isolatedEnvironment(home.path()));
        player.start(TestMedia::playerExecutable(), QStringList{});
        QVERIFY(player.waitForStarted());
        QVERIFY2(waitForLog(home.path(), "libmpv carregada de"),
                 qPrintable(readAll(logPath(home.path()))));
        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitCode(), 0);
        QVERIFY(!readAll(logPath(home.path())).contains("banco nao abriu"));

        const QString file = home.path() + "/data/orvandel/ZorviPlayer/biblioteca.db";
        QVERIFY(QFileInfo(file).isFile());
        QStringList tables;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "startup-check");
            db.setDatabaseName(file);
            QVERIFY(db.open());
            tables = db.tables();
            db.close();
        }
        QSqlDatabase::removeDatabase("startup-check");
        for (const char *table : {"media", "history", "playlists", "playlist_items", "stations"})
            QVERIFY2(tables.contains(table), qPrintable(tables.join(", ")));
    }

    void unopenableDatabaseStillStarts()
    {
        QTemporaryDir home;
        // A folder where the database file should be cannot be opened.
        QVERIFY(QDir().mkpath(home.path() + "/data/orvandel/ZorviPlayer/biblioteca.db"));
        QProcess player;
        player.setProcessEnvironment(TestMedia::isolatedEnvironment(home.path()));
        player.start(TestMedia::playerExecutable(), QStringList{});
        QVERIFY(player.waitForStarted());
        QVERIFY2(waitForLog(home.path(), "libmpv carregada de"),
                 qPrintable(readAll(logPath(home.path()))));
        QTest::qWait(300);
        QCOMPARE(player.state(), QProcess::Running);
        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitCode(), 0);

        const QString log = readAll(logPath(home.path()));
        const qsizetype failed = log.indexOf("[AVISO] banco nao abriu");
        const qsizetype box = log.indexOf(
                "caixa de mensagem: Não foi possível abrir o banco da biblioteca. O histórico "
                "não será salvo.");
        const qsizetype engine = log.indexOf("libmpv carregada de");
        QVERIFY2(failed >= 0 && box > failed && engine > box, qPrintable(log));
        QVERIFY(log.contains("encerrado"));
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
