#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "RecordingHost.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "app/Preferences.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"
#include "ui/Toast.h"
#include "ui/pages/SettingsPage.h"
#include "ui/pages/ShortcutTable.h"
#include "ui/window/PageNavigator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

using namespace PlayerTestUtil;

namespace {

// A non-default value for every setting the page edits, as written by hand
// in config.ini and as the page shows it.
struct Row
{
    const char *key;
    const char *shown;
};
const Row Rows[] = {
        {"ui/language", "en"},
        {"general/openMode", "queue"},
        {"general/checkUpdates", "false"},
        {"general/autoUpdate", "false"},
        {"playback/resume", "false"},
        {"playback/resumeNotice", "false"},
        {"playback/seekStep", "12"},
        {"playback/speedStep", "0.1"},
        {"playback/keepSpeed", "false"},
        {"video/hwdec", "false"},
        {"video/seekPreview", "false"},
        {"playback/keepAwake", "false"},
        {"audio/normalize", "true"},
        {"audio/crossfade", "2.5"},
        {"audio/lang", "jpn,ja"},
        {"subs/lang", "de,ger"},
        {"subs/codepage", "latin1"},
        {"privacy/history", "false"},
};

const QKeySequence StopOverride(QStringLiteral("Ctrl+Alt+S"));

QString controlValue(QWidget *control)
{
    if (auto *box = qobject_cast<QCheckBox *>(control))
        return box->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return combo->currentData().toString();
    if (auto *spin = qobject_cast<QSpinBox *>(control))
        return QString::number(spin->value());
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(control))
        return QString::number(spin->value());
    if (auto *field = qobject_cast<QLineEdit *>(control))
        return field->text();
    return QStringLiteral("?");
}

// Changes a control the way a person does: a click, a choice in the list,
// or typed text ended with Return.
void setControl(QWidget *control, const QString &value)
{
    if (auto *box = qobject_cast<QCheckBox *>(control)) {
        if (controlValue(box) != value)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        const int index = combo->findData(value);
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    } else if (auto *spin = qobject_cast<QAbstractSpinBox *>(control)) {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, value);
        QTest::keyClick(spin, Qt::Key_Return);
    } else if (auto *field = qobject_cast<QLineEdit *>(control)) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, value);
        QTest::keyClick(field, Qt::Key_Return);
    }
}

// Answers the next modal dialog once it is up.
void answerDialog(const std::function<void(QWidget *)> &answer)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

void chooseFolder(const QString &folder)
{
    answerDialog([folder](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        if (folder.isEmpty()) {
            dialog->reject();
            return;
        }
        // Opened in the folder itself, as a person does before "Choose".
        dialog->setDirectory(folder);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

QString engineText(PlayerCore &core, const char *name)
{
    return getPropertyString(core.handle(), name);
}

} // namespace

// Stands in for the desktop's file manager.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

// The settings page in the real window against a real engine, with its
// settings in a private home. Restarts run this binary again as a child
// with the same home.
class tst_SettingsPage final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_home;
    bool m_child = false;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    SettingsPage *page() const
    {
        return qobject_cast<SettingsPage *>(m_window->navigator()->page("settings"));
    }
    QWidget *control(const QString &key) const { return page()->findChild<QWidget *>(key); }
    QString toast() const { return m_window->toastWidget()->text(); }

    bool openWindow()
    {
        m_window = std::make_unique<MainWindow>(m_core.get());
        m_window->show();
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            return false;
        m_window->navigate(QStringLiteral("settings"));
        return QTest::qWaitFor([this] { return page()->shortcuts()->isFilled(); }, 10000);
    }

    // Runs one test function of this binary in a child with its own home.
    QByteArray runChild(const QString &home, const char *slot,
                        const QList<QPair<QByteArray, QByteArray>> &env = {},
                        bool *passed = nullptr)
    {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZORVI_SETTINGS_CHILD_HOME"), home);
        environment.insert(QStringLiteral("ZORVI_SETTINGS_FOLDER"), musicFolder());
        for (const auto &[name, value] : env)
            environment.insert(QString::fromLatin1(name), QString::fromUtf8(value));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(slot)});
        child.waitForFinished(120000);
        // Readable as a message even when a line held a NUL byte.
        const QByteArray output = child.readAll().replace('\0', ' ');
        const bool ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                        output.contains("PASS   : tst_SettingsPage::" + QByteArray(slot) + "()");
        if (passed)
            *passed = ok;
        return output;
    }

    QString musicFolder() const
    {
        const QString set = qEnvironmentVariable("ZORVI_SETTINGS_FOLDER");
        return set.isEmpty() ? m_dir.filePath(QStringLiteral("Música Ñ")) : set;
    }

    static void writeConfig(const QString &home, const QByteArray &text)
    {
        // The data folder a child with this home will use.
        const QString folder = home + QStringLiteral("/.qttest/share/orvandel/") +
                               QCoreApplication::applicationName();
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/config.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_home = qEnvironmentVariable("ZORVI_SETTINGS_CHILD_HOME");
        m_child = !m_home.isEmpty();
        if (!m_child) {
            QVERIFY(m_dir.isValid());
            m_home = m_dir.filePath(QStringLiteral("home"));
            QDir().mkpath(musicFolder());
            QVERIFY(useTestHome(m_home, QStringLiteral("ZorviPlayer-tst-settingspage")));
        } else {
            // As the player starts: the settings as found, the language from them.
            qputenv("HOME", m_home.toUtf8());
            qputenv("ZORVIPLAYER_OPT", "vo=null;ao=null");
            QStandardPaths::setTestModeEnabled(true);
            QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
            QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer-tst-settingspage"));
            QVERIFY(dataDir().startsWith(m_home));
            applyLanguageSetting(Preferences::language());
            // As the player, it runs on without a database (a read-only folder).
            if (!Database::instance()->open())
                qWarning("no database");
        }
        m_core = startCore();
        QVERIFY(m_core);
        QVERIFY(openWindow());
    }

    void init()
    {
        // A dialog, a page shown on its own or a child's window may have
        // taken the activation; the tests that type check the focus.
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get(), 2000))
            qWarning("window not active");
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    // ---- children ---------------------------------------------------------

    // Shows every stored value and has its engine effects.
    void childReads()
    {
        if (!m_child)
            QSKIP("child only");
        for (const Row &row : Rows) {
            QWidget *widget = control(QString::fromLatin1(row.key));
            QVERIFY2(widget, row.key);
            QCOMPARE(controlValue(widget), QString::fromUtf8(row.shown));
        }
        QCOMPARE(engineText(*m_core, "hwdec"), QStringLiteral("no"));
        QCOMPARE(engineText(*m_core, "alang"), QStringLiteral("jpn,ja"));
        QCOMPARE(engineText(*m_core, "slang"), QStringLiteral("de,ger"));
        QCOMPARE(engineText(*m_core, "sub-codepage"), QStringLiteral("latin1"));
        const QString af = engineText(*m_core, "af");
        QVERIFY2(af.contains(QLatin1String("@norm:")) && af.contains(QLatin1String("@fade:")),
                 qPrintable(af));
        auto *music = page()->findChild<QListWidget *>(QStringLiteral("audioFolders"));
        QVERIFY(music);
        QCOMPARE(music->findItems(QDir::toNativeSeparators(musicFolder()), Qt::MatchExactly).size(),
                 1);
        QCOMPARE(Actions::instance()->action(QStringLiteral("stop"))->shortcut(), StopOverride);
        QVERIFY(uiEnglish);
    }

    // Changes every control, then ends normally.
    void childWrites()
    {
        if (!m_child)
            QSKIP("child only");
        QVERIFY(!uiEnglish);
        for (const Row &row : Rows) {
            QWidget *widget = control(QString::fromLatin1(row.key));
            QVERIFY2(widget, row.key);
            setControl(widget, QString::fromUtf8(row.shown));
            QCOMPARE(controlValue(widget), QString::fromUtf8(row.shown));
        }
        chooseFolder(musicFolder());
        QTest::mouseClick(page()->findChildren<QPushButton *>(QStringLiteral("addFolder"))[0],
                          Qt::LeftButton);
        QTRY_VERIFY2(Library::instance()->folders(QStringLiteral("audio")).contains(musicFolder()),
                     qPrintable(Library::instance()->folders(QStringLiteral("audio")).join('|')));
        QKeySequenceEdit *stop = page()->shortcuts()->editor(QStringLiteral("stop"));
        stop->setFocus();
        QTest::keyClick(stop, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
        QTRY_COMPARE(Actions::instance()->action(QStringLiteral("stop"))->shortcut(), StopOverride);
    }

    // One change, announced, then waits to be killed.
    void childChangesThenDies()
    {
        if (!m_child)
            QSKIP("child only");
        setControl(control(QStringLiteral("playback/seekStep")), QStringLiteral("77"));
        std::printf("CHANGED\n");
        std::fflush(stdout);
        QTRY_VERIFY_WITH_TIMEOUT(false, 60000); // ended by the parent's SIGKILL
    }

    // Starts in the expected language and picks the other one.
    void childSwitchesLanguage()
    {
        if (!m_child)
            QSKIP("child only");
        const bool english = qEnvironmentVariable("ZORVI_EXPECT_LANGUAGE") == QLatin1String("en");
        QCOMPARE(uiEnglish, english);
        auto *combo = qobject_cast<QComboBox *>(control(QStringLiteral("ui/language")));
        QCOMPARE(combo->currentText(),
                 english ? QStringLiteral("English") : QStringLiteral("Português (Brasil)"));
        setControl(combo, english ? QStringLiteral("pt") : QStringLiteral("en"));
        QCOMPARE(toast(), english ? QStringLiteral("Language changes after restarting Zorvi Player")
                                  : QStringLiteral("O idioma muda ao reabrir o Zorvi Player"));
        // The page keeps the language it started with.
        QCOMPARE(page()->findChild<QLabel *>(QStringLiteral("PageTitle"))->text(),
                 english ? QStringLiteral("Settings") : QStringLiteral("Configurações"));
    }

    // A file of nonsense: every control shows the default, and the page
    // then writes a valid value over the invalid one.
    void childReadsNonsense()
    {
        if (!m_child)
            QSKIP("child only");
        const QList<QPair<const char *, const char *>> defaults = {
                {"playback/seekStep", "5"},       {"playback/speedStep", "0.25"},
                {"audio/crossfade", "0"},         {"playback/keepAwake", "true"},
                {"general/openMode", "play"},     {"ui/language", "pt"},
                {"subs/codepage", "auto"},        {"video/hwdec", "true"},
                {"subs/lang", "pt,por,pt-BR,pob"}};
        for (const auto &[key, shown] : defaults)
            QCOMPARE(controlValue(control(QString::fromLatin1(key))), QString::fromLatin1(shown));
        setControl(control(QStringLiteral("playback/seekStep")), QStringLiteral("9"));
        QCOMPARE(settingInt(QStringLiteral("playback/seekStep"), 0, 1, 120), 9);
    }

    // Run as an unprivileged user over a read-only file and data folder.
    void childCannotSave()
    {
        if (!m_child)
            QSKIP("child only");
        LogCapture log;
        RecordingHost host(m_core.get());
        SettingsPage unsaved(&host);
        setControl(unsaved.findChild<QWidget *>(QStringLiteral("playback/seekStep")),
                   QStringLiteral("33"));
        setControl(unsaved.findChild<QWidget *>(QStringLiteral("video/seekPreview")),
                   QStringLiteral("false"));
        QCOMPARE(host.toasts, QStringList{QStringLiteral("Settings could not be saved")});
        QVERIFY(!log.matching(QStringLiteral("configuracao nao gravada")).isEmpty());
    }

    // ---- parent -----------------------------------------------------------

    void unwritableSettings()
    {
        if (m_child)
            QSKIP("parent only");
        const QString home = m_dir.filePath(QStringLiteral("locked"));
        writeConfig(home, "[ui]\nlanguage=en\n[playback]\nseekStep=7\n");
        const QString data = home + QStringLiteral("/.qttest/share/orvandel/") +
                             QCoreApplication::applicationName();
        // Readable for the other user, writable for nobody but root.
        for (QString path = data; path.startsWith(m_dir.path()) || path == m_dir.path();
             path = QFileInfo(path).absolutePath()) {
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther);
            if (path == m_dir.path())
                break;
        }
        QFile::setPermissions(data + QStringLiteral("/config.ini"),
                              QFileDevice::ReadOwner | QFileDevice::ReadOther);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZORVI_SETTINGS_CHILD_HOME"), home);
        // The other user reaches the display through a readable copy of its key.
        const QString key = home + QStringLiteral("/Xauthority");
        if (qEnvironmentVariableIsSet("XAUTHORITY")) {
            QVERIFY(QFile::copy(qEnvironmentVariable("XAUTHORITY"), key));
            QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::ReadOther);
            environment.insert(QStringLiteral("XAUTHORITY"), key);
        }
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("setpriv"),
                    {"--reuid=65534", "--regid=65534", "--clear-groups",
                     QCoreApplication::applicationFilePath(), "childCannotSave"});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitCode() == 0 &&
                         output.contains("PASS   : tst_SettingsPage::childCannotSave()"),
                 QByteArray(output).replace('\0', ' ').constData());
        QFile file(data + QStringLiteral("/config.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[ui]\nlanguage=en\n[playback]\nseekStep=7\n"));
    }

    void nonsenseGivesDefaults()
    {
        if (m_child)
            QSKIP("parent only");
        const QString home = m_dir.filePath(QStringLiteral("nonsense"));
        writeConfig(home, QByteArray("[playback]\nseekStep=abc\nspeedStep=nan\nkeepAwake=banana\n"
                                     "[audio]\ncrossfade=1e400\n[general]\nopenMode=QUEUE\n"
                                     "[ui]\nlanguage=EN\n[subs]\ncodepage=utf-16\n"
                                     "[video]\nhwdec=maybe\nhwdec=maybe\n[x]\nq=\"open\n") +
                                  QByteArray(1024 * 1024, '['));
        bool passed = false;
        const QByteArray output = runChild(home, "childReadsNonsense", {}, &passed);
        QVERIFY2(passed, output.constData());
        for (const char *key :
             {"playback/seekStep", "playback/speedStep", "playback/keepAwake", "audio/crossfade",
              "general/openMode", "ui/language", "subs/codepage", "video/hwdec"})
            QVERIFY2(output.count(QByteArray("configuracao invalida: ") + key + " =") == 1, key);
    }

    void openingWritesNothing()
    {
        if (m_child)
            QSKIP("parent only");
        QFile file(dataDir() + QStringLiteral("/config.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        RecordingHost host(m_core.get());
        SettingsPage fresh(&host);
        fresh.show();
        QTRY_VERIFY(fresh.shortcuts()->isFilled());
        fresh.refreshAudioDevices();
        fresh.hide();
        fresh.show();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(host.toasts.isEmpty());
    }

    void restartKeepsEverything()
    {
        if (m_child)
            QSKIP("parent only");
        bool passed = false;
        // Written by hand, read by a fresh process.
        const QString handHome = m_dir.filePath(QStringLiteral("hand"));
        writeConfig(handHome,
                    "[general]\nopenMode=queue\ncheckUpdates=false\nautoUpdate=false\n"
                    "[ui]\nlanguage=en\n"
                    "[playback]\nresume=false\nresumeNotice=no\nseekStep=12\nspeedStep=0.1\n"
                    "keepSpeed=off\nkeepAwake=0\n"
                    "[video]\nhwdec=false\nseekPreview=false\n"
                    "[audio]\nnormalize=true\ncrossfade=2.5\nlang=jpn,ja\n"
                    "[subs]\nlang=\"de,ger\"\ncodepage=latin1\n"
                    "[privacy]\nhistory=false\n"
                    "[library]\naudio=" +
                            musicFolder().toUtf8() +
                            "\nvideo=\n"
                            "[shortcuts]\nstop=Ctrl+Alt+S\n");
        QByteArray output = runChild(handHome, "childReads", {}, &passed);
        QVERIFY2(passed, output.constData());

        // Written through the page, read by the next process.
        const QString pageHome = m_dir.filePath(QStringLiteral("page"));
        output = runChild(pageHome, "childWrites", {}, &passed);
        QVERIFY2(passed, output.constData());
        output = runChild(pageHome, "childReads", {}, &passed);
        QVERIFY2(passed, output.constData());

        // A change survives a process killed right after it.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZORVI_SETTINGS_CHILD_HOME"), pageHome);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"childChangesThenDies"});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("CHANGED") ||
                                         child.state() == QProcess::NotRunning,
                                 60000);
        QCOMPARE(child.state(), QProcess::Running);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QSettings written(pageHome + QStringLiteral("/.qttest/share/orvandel/") +
                                  QCoreApplication::applicationName() + "/config.ini",
                          QSettings::IniFormat);
        QCOMPARE(written.value("playback/seekStep").toInt(), 77);
        QCOMPARE(written.value("General/openMode").toString(), QStringLiteral("queue"));
        // Each "general" key once, in the section the next run reads.
        QFile file(written.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count("openMode="), 1);
    }

    void languageBothWays()
    {
        if (m_child)
            QSKIP("parent only");
        const QString home = m_dir.filePath(QStringLiteral("language"));
        for (const char *expected : {"pt", "en", "pt"}) {
            bool passed = false;
            const QByteArray output = runChild(home, "childSwitchesLanguage",
                                               {{"ZORVI_EXPECT_LANGUAGE", expected}}, &passed);
            QVERIFY2(passed, output.constData());
        }
    }

    void engineFollowsControls()
    {
        if (m_child)
            QSKIP("parent only");
        auto *hwdec = control(QStringLiteral("video/hwdec"));
        setControl(hwdec, QStringLiteral("false"));
        QCOMPARE(engineText(*m_core, "hwdec"), QStringLiteral("no"));
        setControl(hwdec, QStringLiteral("true"));
        QCOMPARE(engineText(*m_core, "hwdec"), QStringLiteral("auto-safe"));

        QAction *normalizeAction = Actions::instance()->action(QStringLiteral("normalize"));
        for (const bool on : {true, false}) {
            setControl(control(QStringLiteral("audio/normalize")),
                       on ? QStringLiteral("true") : QStringLiteral("false"));
            QCOMPARE(engineText(*m_core, "af").contains(QLatin1String("@norm:")), on);
            QCOMPARE(normalizeAction->isChecked(), on);
            QCOMPARE(Preferences::normalize(), on);
        }
        // The action changes it behind the page's back; the page shows it again.
        normalizeAction->trigger();
        m_window->navigate(QStringLiteral("home"));
        m_window->navigate(QStringLiteral("settings"));
        QCOMPARE(controlValue(control(QStringLiteral("audio/normalize"))), QStringLiteral("true"));
        normalizeAction->trigger();

        auto *crossfade =
                qobject_cast<QDoubleSpinBox *>(control(QStringLiteral("audio/crossfade")));
        setControl(crossfade, QStringLiteral("2.5"));
        QVERIFY(engineText(*m_core, "af").contains(QLatin1String("@fade:")));
        setControl(crossfade, QStringLiteral("0"));
        QCOMPARE(crossfade->text(), QStringLiteral("Off"));
        QCOMPARE(settingValue(QStringLiteral("audio/crossfade")).toDouble(), 0.0);
        QVERIFY(!engineText(*m_core, "af").contains(QLatin1String("@fade:")));

        setControl(control(QStringLiteral("subs/codepage")), QStringLiteral("latin1"));
        QCOMPARE(engineText(*m_core, "sub-codepage"), QStringLiteral("latin1"));
        QCOMPARE(settingValue(QStringLiteral("subs/codepage")).toString(),
                 QStringLiteral("latin1"));
    }

    void languageFields_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("shownFirst");
        QTest::newRow("audio") << "audio/lang" << QByteArray("alang") << QString();
        // The engine's own start default in English, not the Portuguese list.
        QTest::newRow("subtitles") << "subs/lang" << QByteArray("slang") << "en,eng";
    }

    void languageFields()
    {
        if (m_child)
            QSKIP("parent only");
        QFETCH(QString, key);
        QFETCH(QByteArray, property);
        QFETCH(QString, shownFirst);
        auto *field = qobject_cast<QLineEdit *>(control(key));
        QCOMPARE(field->text(), shownFirst);
        QCOMPARE(getPropertyString(m_core->handle(), property), shownFirst);
        // Passing through the field changes nothing.
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        control(QStringLiteral("playback/seekStep"))->setFocus();
        QTRY_VERIFY(!field->hasFocus());
        QVERIFY(!appSettings().contains(key));
        // Typed text is trimmed at both ends, inner spaces kept.
        setControl(field, QStringLiteral("  fre, fr  "));
        QCOMPARE(settingValue(key).toString(), QStringLiteral("fre, fr"));
        QCOMPARE(field->text(), QStringLiteral("fre, fr"));
        QVERIFY(getPropertyString(m_core->handle(), property).startsWith(QLatin1String("fre")));
        // Long and odd text is kept as typed and survives the engine.
        const QString odd = QString(10000, QLatin1Char('x')) + QStringLiteral("\t\u0001y");
        field->setText(odd);
        Q_EMIT field->editingFinished();
        QCOMPARE(settingText(key), odd.trimmed());
        QVERIFY(m_core->handle());
    }

    void outputDevices()
    {
        if (m_child)
            QSKIP("parent only");
        auto *combo = qobject_cast<QComboBox *>(control(QStringLiteral("audio/device")));
        QVERIFY(combo->count() >= 1);
        // A stored device the engine does not list: the first entry, nothing written.
        QVERIFY(setSettingValue(QStringLiteral("audio/device"), QStringLiteral("gone")));
        page()->refreshAudioDevices();
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(settingValue(QStringLiteral("audio/device")).toString(), QStringLiteral("gone"));
        const QString name = combo->itemData(combo->count() - 1).toString();
        setControl(combo, name);
        QCOMPARE(settingValue(QStringLiteral("audio/device")).toString(), name);
        QCOMPARE(m_core->audioDevice(), name);

        // An engine that never started lists nothing: only the automatic entry.
        PlayerCore idle;
        RecordingHost host(&idle);
        SettingsPage lone(&host);
        lone.refreshAudioDevices();
        auto *loneCombo = lone.findChild<QComboBox *>(QStringLiteral("audio/device"));
        QCOMPARE(loneCombo->count(), 1);
        QCOMPARE(loneCombo->itemText(0), QStringLiteral("Automatic (system default)"));
        QCOMPARE(loneCombo->itemData(0).toString(), QStringLiteral("auto"));
    }

    void crossfadeStepsLeaveTheChain()
    {
        if (m_child)
            QSKIP("parent only");
        // Setting the chain again interrupts the sound, so stepping the
        // length while the fade filter stays must not touch the engine.
        // The verbose engine log tells every time "af" is set.
        QVERIFY(setSettingValue(QStringLiteral("audio/crossfade"), 1.0));
        LogCapture log(false);
        qputenv("ZORVIPLAYER_MPVLOG", "v");
        auto core = startCore();
        qunsetenv("ZORVIPLAYER_MPVLOG");
        QVERIFY(core);
        RecordingHost host(core.get());
        SettingsPage stepping(&host);
        auto *box = stepping.findChild<QDoubleSpinBox *>(QStringLiteral("audio/crossfade"));
        QCOMPARE(box->value(), 1.0);
        QVERIFY(engineText(*core, "af").contains(QLatin1String("@fade:")));
        // The start's own setting of the chain is in the log.
        QTRY_VERIFY(!log.matching(QStringLiteral("Set property: af=\"@fade")).isEmpty());
        log.clear();
        for (int step = 0; step < 10; ++step)
            box->stepUp(); // the arrow button's step
        QCOMPARE(box->value(), 6.0);
        QCOMPARE(settingReal(QStringLiteral("audio/crossfade"), 0, 0, 12), 6.0);
        // Switching it off takes the filter out. The engine's log lines come
        // in order, so once that one is in, any from the steps would be too.
        box->setValue(0);
        QTRY_VERIFY(!log.matching(QStringLiteral("Set property: af=\"\"")).isEmpty());
        QCOMPARE(log.matching(QStringLiteral("Set property: af=\"@fade")).size(), 0);
        QVERIFY(!engineText(*core, "af").contains(QLatin1String("@fade:")));
    }

    void readWhereNextUsed()
    {
        if (m_child)
            QSKIP("parent only");
        const QString song = TestMedia::tone(m_dir.filePath(QStringLiteral("tone.ogg")), 60);
        QVERIFY(!song.isEmpty());
        setControl(control(QStringLiteral("playback/seekStep")), QStringLiteral("12"));
        setControl(control(QStringLiteral("playback/speedStep")), QStringLiteral("0.1"));
        m_window->playPaths({song}, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->duration() > 50, EngineWaitMs);
        QVERIFY(seekPausedTo(*m_core, 10));
        Actions::instance()->action(QStringLiteral("seek_fwd"))->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(qAbs(m_core->position() - 22) < 1,
                                  qPrintable(QString::number(m_core->position())), EngineWaitMs);
        Actions::instance()->action(QStringLiteral("speed_up"))->trigger();
        QTRY_COMPARE(m_core->speed(), 1.1);

        // Open mode "queue": a hand-over while playing is queued.
        setControl(control(QStringLiteral("general/openMode")), QStringLiteral("queue"));
        m_window->openArguments({song}, true);
        QTRY_COMPARE(queuePaths(*m_core).size(), 2);

        // History off: nothing is recorded.
        setControl(control(QStringLiteral("privacy/history")), QStringLiteral("false"));
        HistoryEntry entry;
        entry.path = song;
        entry.kind = QStringLiteral("audio");
        const int before = int(Database::instance()->history(QString(), 1000).size());
        Database::instance()->recordHistory(entry);
        QCOMPARE(int(Database::instance()->history(QString(), 1000).size()), before);
        setControl(control(QStringLiteral("privacy/history")), QStringLiteral("true"));
        setControl(control(QStringLiteral("general/openMode")), QStringLiteral("play"));
        QVERIFY(stopAndWaitIdle(*m_core));
    }

    void shortcuts()
    {
        if (m_child)
            QSKIP("parent only");
        ShortcutTable *table = page()->shortcuts();
        Actions *registry = Actions::instance();
        QKeySequenceEdit *mute = table->editor(QStringLiteral("mute"));
        QVERIFY(mute);
        const QKeySequence pauseKey = registry->action(QStringLiteral("play_pause"))->shortcut();
        QVERIFY(!pauseKey.isEmpty());
        // Taking another action's key moves it there, with a toast naming it.
        mute->setFocus();
        QTest::keyClick(mute, pauseKey[0].key(), pauseKey[0].keyboardModifiers());
        QTRY_COMPARE(registry->action(QStringLiteral("mute"))->shortcut(), pauseKey);
        QVERIFY(registry->action(QStringLiteral("play_pause"))->shortcut().isEmpty());
        QVERIFY2(toast().contains(QString(registry->action(QStringLiteral("play_pause"))->text())
                                          .remove(QLatin1Char('&'))),
                 qPrintable(toast()));
        QVERIFY(table->editor(QStringLiteral("play_pause"))->keySequence().isEmpty());
        // Clearing frees the action before editing ends.
        mute->clear();
        QVERIFY(registry->action(QStringLiteral("mute"))->shortcut().isEmpty());
        // Esc cancels: the editor and the action keep their key, Esc stays
        // with leaving full screen.
        QKeySequenceEdit *stop = table->editor(QStringLiteral("fullscreen"));
        const QKeySequence stopKey = registry->action(QStringLiteral("fullscreen"))->shortcut();
        QVERIFY(!stopKey.isEmpty());
        const QString toastBefore = toast();
        stop->setFocus();
        QTRY_VERIFY(stop->hasFocus());
        QTest::keyClick(stop, Qt::Key_Escape);
        QVERIFY(!stop->hasFocus());
        QCOMPARE(stop->keySequence(), stopKey);
        QCOMPARE(registry->action(QStringLiteral("fullscreen"))->shortcut(), stopKey);
        QCOMPARE(registry->action(QStringLiteral("exit_fullscreen"))->shortcut(),
                 QKeySequence(Qt::Key_Escape));
        QCOMPARE(toast(), toastBefore);
        // Reset brings every default back into the actions and the editors.
        QTest::mouseClick(table->findChild<QPushButton *>(QStringLiteral("resetShortcuts")),
                          Qt::LeftButton);
        QCOMPARE(registry->action(QStringLiteral("play_pause"))->shortcut(), pauseKey);
        QCOMPARE(table->editor(QStringLiteral("play_pause"))->keySequence(), pauseKey);
        QCOMPARE(table->editor(QStringLiteral("mute"))->keySequence(),
                 registry->defaultShortcut(QStringLiteral("mute")));
    }

    void folders()
    {
        if (m_child)
            QSKIP("parent only");
        const QString folder = m_dir.filePath(QStringLiteral("Vídeos ç"));
        QDir().mkpath(folder);
        QVERIFY(!TestMedia::solidVideo(folder + QStringLiteral("/clip.mp4"), 1).isEmpty());
        auto *box =
                page()->findChild<QListWidget *>(QStringLiteral("videoFolders"))->parentWidget();
        auto *list = box->findChild<QListWidget *>();
        auto button = [box](const char *name) {
            return box->findChild<QPushButton *>(QString::fromLatin1(name));
        };
        const QStringList before = Library::instance()->folders(QStringLiteral("video"));
        // Cancelled, and Remove with nothing selected: nothing changes.
        chooseFolder(QString());
        QTest::mouseClick(button("addFolder"), Qt::LeftButton);
        list->clearSelection();
        QTest::mouseClick(button("removeFolder"), Qt::LeftButton);
        QCOMPARE(Library::instance()->folders(QStringLiteral("video")), before);

        QSignalSpy started(Library::instance(), &Library::scanStarted);
        QSignalSpy finished(Library::instance(), &Library::scanFinished);
        chooseFolder(folder);
        QTest::mouseClick(button("addFolder"), Qt::LeftButton);
        QVERIFY(started.count() >= 1 || started.wait(5000));
        const auto items = list->findItems(QDir::toNativeSeparators(folder), Qt::MatchExactly);
        QVERIFY2(items.size() == 1,
                 qPrintable(Library::instance()->folders(QStringLiteral("video")).join('|')));
        auto inLibrary = [&folder] {
            for (const LibraryFile &file : Database::instance()->libraryFiles())
                if (file.path.startsWith(folder))
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(inLibrary(), 30000);
        // Removing takes its rows out of the library.
        list->setCurrentItem(items.first());
        QTest::mouseClick(button("removeFolder"), Qt::LeftButton);
        QCOMPARE(Library::instance()->folders(QStringLiteral("video")), before);
        QVERIFY(!inLibrary());
        QVERIFY(list->findItems(QDir::toNativeSeparators(folder), Qt::MatchExactly).isEmpty());
    }

    void clearHistory_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("no") << "no";
        QTest::newRow("enter") << "enter";
        QTest::newRow("yes") << "yes";
    }

    void clearHistory()
    {
        if (m_child)
            QSKIP("parent only");
        QFETCH(QString, answer);
        HistoryEntry entry;
        entry.path = m_dir.filePath(QStringLiteral("some.ogg"));
        entry.kind = QStringLiteral("audio");
        Database::instance()->recordHistory(entry);
        QVERIFY(!Database::instance()->history(QString(), 10).isEmpty());
        answerDialog([answer](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                modal->close();
                return;
            }
            if (answer == QLatin1String("enter"))
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(answer == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No)
                        ->click();
        });
        QTest::mouseClick(page()->findChild<QPushButton *>(QStringLiteral("clearHistory")),
                          Qt::LeftButton);
        QCOMPARE(Database::instance()->history(QString(), 10).isEmpty(), answer == "yes");
        if (answer == QLatin1String("yes"))
            QCOMPARE(toast(), QStringLiteral("History cleared"));
    }

    void openLogFolder()
    {
        if (m_child)
            QSKIP("parent only");
        QDir(dataDir() + QStringLiteral("/logs")).removeRecursively();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        QTest::mouseClick(page()->findChild<QPushButton *>(QStringLiteral("openLogFolder")),
                          Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(dataDir() + "/logs")});
        QVERIFY(QFileInfo(dataDir() + "/logs").isDir());
    }
};

QTEST_MAIN(tst_SettingsPage)
#include "tst_settingspage.moc"
