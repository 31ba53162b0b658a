#include "app/Version.h"
#include "TestMedia.h"
#include "library/MediaFiles.h"
#include "library/MediaMimeTypes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The installed player as a desktop sees it: `cmake --install` into a
// temporary prefix, the system's validators and MIME tools run over it, and
// the Debian package built from the same rules.
class tst_Install final : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    QTemporaryDir m_dir;
    QString m_prefix;
    QProcessEnvironment m_desktopEnv;
    QMap<QString, QString> m_entry; // the [Desktop Entry] group

    static Run run(const QString &program, const QStringList &args,
                   const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                   int timeoutMs = 120000)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, args);
        Run result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(2000);
            result.err = QStringLiteral("%1 did not finish").arg(program);
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        result.err += QString::fromUtf8(process.readAllStandardError()).trimmed();
        return result;
    }

    QString share(const QString &path) const { return m_prefix + "/share/" + path; }

    static QMap<QString, QString> readDesktopEntry(const QString &path)
    {
        QMap<QString, QString> entry;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return entry;
        bool inGroup = false;
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith('['))
                inGroup = line == QLatin1String("[Desktop Entry]");
            else if (inGroup && line.contains('='))
                entry.insert(line.section('=', 0, 0), line.section('=', 1));
        }
        return entry;
    }

    // An environment in which xdg-mime sees only the temporary prefix and the
    // system's own data, with no desktop's preferences in the way.
    QProcessEnvironment desktopEnvironment(bool withPrefix) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION",
              "GNOME_DESKTOP_SESSION_ID", "XDG_MENU_PREFIX"})
            env.remove(name);
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        env.insert("XDG_CONFIG_DIRS", m_dir.filePath("config-dirs"));
        env.insert("XDG_DATA_HOME", m_dir.filePath("data-home"));
        env.insert("XDG_DATA_DIRS",
                   (withPrefix ? m_prefix + "/share:" : QString()) + "/usr/local/share:/usr/share");
        return env;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.filePath("prefix");
        const Run install = run(
                qEnvironmentVariable("ZORVI_CMAKE"),
                {"--install", qEnvironmentVariable("ZORVI_TEST_BUILD_DIR"), "--prefix", m_prefix});
        QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
        const Run mime = run("update-mime-database", {share("mime")});
        QVERIFY2(mime.exitCode == 0, qPrintable(mime.err));
        const Run apps = run("update-desktop-database", {share("applications")});
        QVERIFY2(apps.exitCode == 0, qPrintable(apps.err));
        m_entry = readDesktopEntry(share("applications/zorvi-player.desktop"));
        QVERIFY(!m_entry.isEmpty());
        // This process looks up MIME types through the prefix too.
        qputenv("XDG_DATA_DIRS", (m_prefix + "/share:/usr/local/share:/usr/share").toUtf8());
    }

    void validatorsAcceptInstalledFiles()
    {
        const Run desktop =
                run("desktop-file-validate", {share("applications/zorvi-player.desktop")});
        QVERIFY2(desktop.exitCode == 0 && desktop.out.isEmpty() && desktop.err.isEmpty(),
                 qPrintable(desktop.out + desktop.err));
        const Run appstream = run("appstreamcli", {"validate", "--no-net", "--pedantic",
                                                   share("metainfo/zorvi-player.metainfo.xml")});
        QVERIFY2(appstream.exitCode == 0, qPrintable(appstream.out + appstream.err));

        QFile metainfo(share("metainfo/zorvi-player.metainfo.xml"));
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        const QByteArray xml = metainfo.readAll();
        QVERIFY(xml.contains("<release version=\"" ZORVI_VERSION "\""));
        for (const char *text : {"<summary xml:lang=\"pt_BR\">", "<p xml:lang=\"pt_BR\">",
                                 "<content_rating", "<screenshot type=\"default\">"})
            QVERIFY2(xml.contains(text), text);

        const QFileInfo program(m_prefix + "/bin/zorvi-player");
        QVERIFY(program.isFile() && program.isExecutable());
        QCOMPARE(m_entry.value("Exec"), QStringLiteral("zorvi-player %U"));
        QCOMPARE(m_entry.value("Icon"), QStringLiteral("zorvi-player"));
        QCOMPARE(m_entry.value("Categories"), QStringLiteral("AudioVideo;Audio;Video;Player;"));
        for (const char *key :
             {"Name[pt_BR]", "GenericName[pt_BR]", "Comment[pt_BR]", "Keywords", "Keywords[pt_BR]"})
            QVERIFY2(!m_entry.value(key).isEmpty(), key);
    }

    void iconsAtEverySize()
    {
        QFile svg(share("icons/hicolor/scalable/apps/zorvi-player.svg"));
        QFile logo(qEnvironmentVariable("ZORVI_SOURCE_DIR") + "/resources/icons/zorvi-player.svg");
        QVERIFY(svg.open(QIODevice::ReadOnly) && logo.open(QIODevice::ReadOnly));
        QCOMPARE(svg.readAll(), logo.readAll());
        for (int sizePx : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
            const QString path =
                    share(QStringLiteral("icons/hicolor/%1x%1/apps/zorvi-player.png").arg(sizePx));
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            QCOMPARE(image.size(), QSize(sizePx, sizePx));
            // The rounded tile of the logo: clear corners, an opaque middle.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(sizePx / 2, sizePx / 4)), 255);
        }
    }

    void entryOpensEverySuffix()
    {
        const QStringList types = m_entry.value("MimeType").split(';', Qt::SkipEmptyParts);
        QVERIFY(types.contains("video/mp4"));
        QMimeDatabase db;
        QStringList uncovered;
        for (const QString &suffix : videoExtensions() + audioExtensions() + playlistSuffixes()) {
            bool covered = false;
            for (const QMimeType &type : db.mimeTypesForFileName("x." + suffix))
                covered = covered || types.contains(type.name());
            if (!covered)
                uncovered << suffix;
        }
        QVERIFY2(uncovered.isEmpty(), qPrintable(uncovered.join(' ')));
        for (const QString &type : types)
            QVERIFY2(!type.startsWith("text/"), qPrintable(type));

        // Without the prefix the system's own players answer; with it, this one.
        const QString entry = QStringLiteral("zorvi-player.desktop");
        const Run without =
                run("xdg-mime", {"query", "default", "video/mp4"}, desktopEnvironment(false));
        QVERIFY2(without.out != entry, qPrintable(without.out + without.err));
        QStringList queried = {"video/mp4", "audio/mpeg", "audio/x-mpegurl", "audio/x-scpls"};
        for (const QString &suffix : suffixesWithoutSystemMimeType())
            queried << ownMimeType(suffix);
        for (const QString &type : queried) {
            const Run with = run("xdg-mime", {"query", "default", type}, desktopEnvironment(true));
            QVERIFY2(with.exitCode == 0 && with.out == entry,
                     qPrintable(type + ": " + with.out + with.err));
        }
    }

    void windowClassMatchesEntry()
    {
        QTemporaryDir home;
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        env.insert("ZORVIPLAYER_OPT", "vo=null;ao=null");
        QProcess player;
        player.setProcessEnvironment(env);
        player.start(m_prefix + "/bin/zorvi-player", QStringList{});
        QVERIFY(player.waitForStarted());
        const QString pid = QString::number(player.processId());
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(
                !(window = run("xdotool", {"search", "--onlyvisible", "--pid", pid}).out).isEmpty(),
                30000);
        const Run wmClass = run("xprop", {"-id", window.section('\n', 0, 0), "WM_CLASS"});
        player.terminate();
        QVERIFY(player.waitForFinished(20000));
        // WM_CLASS(STRING) = "instance", "class"
        const QString value = wmClass.out.section('=', 1).trimmed();
        QCOMPARE(value.section(", ", 1).remove('"'), m_entry.value("StartupWMClass"));
    }

    void debianPackage()
    {
        const QString out = m_dir.filePath("package");
        const Run pack = run(qEnvironmentVariable("ZORVI_CPACK"),
                             {"-G", "DEB", "-B", out, "--config",
                              qEnvironmentVariable("ZORVI_TEST_BUILD_DIR") + "/CPackConfig.cmake"},
                             QProcessEnvironment::systemEnvironment(), 600000);
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.out + pack.err));
        const QString arch = run("dpkg", {"--print-architecture"}).out;
        const QString deb = out + "/zorvi-player_" ZORVI_VERSION "_" + arch + ".deb";
        QVERIFY2(QFileInfo::exists(deb), qPrintable(QDir(out).entryList().join(' ')));

        const Run fields = run("dpkg-deb", {"-f", deb, "Package", "Version", "Depends"});
        QVERIFY2(fields.exitCode == 0, qPrintable(fields.err));
        QVERIFY2(fields.out.contains("Package: zorvi-player\nVersion: " ZORVI_VERSION "\n"),
                 qPrintable(fields.out));
        const QString depends = fields.out.section("Depends:", 1);
        // The engine and the SQLite driver are loaded at run time and must be
        // named by hand; the linked libraries come from dpkg-shlibdeps.
        QStringList required = {"libmpv2", "libqt6sql6-sqlite", "libqt6core6", "libqt6gui6",
                                "libqt6widgets6"};
        const Run needed = run("readelf", {"-d", m_prefix + "/bin/zorvi-player"});
        if (needed.out.contains("[libtag.so.1]"))
            required << "libtag1v5";
        for (const QString &package : required)
            QVERIFY2(QRegularExpression(QStringLiteral("(^|[ ,])%1($|[ ,(])").arg(package))
                             .match(depends)
                             .hasMatch(),
                     qPrintable(package + " not in " + depends));

        const Run contents = run("dpkg-deb", {"-c", deb});
        for (const char *file :
             {"./usr/bin/zorvi-player", "./usr/share/applications/zorvi-player.desktop",
              "./usr/share/metainfo/zorvi-player.metainfo.xml",
              "./usr/share/mime/packages/zorvi-player.xml",
              "./usr/share/icons/hicolor/scalable/apps/zorvi-player.svg",
              "./usr/share/icons/hicolor/512x512/apps/zorvi-player.png"})
            QVERIFY2(contents.out.contains(file), file);
    }
};

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_install.moc"
