#include "app/AppSettings.h"
#include "ui/Actions.h"

#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The registry on its own: registration, stored keys, reassignment. The
// registry of the real window is covered in tst_mainwindow.
class tst_Actions final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    static QStringList storedKeys()
    {
        QSettings &settings = appSettings();
        settings.beginGroup(QStringLiteral("shortcuts"));
        const QStringList keys = settings.childKeys();
        settings.endGroup();
        return keys;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
        QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer-tst-actions"));
        QVERIFY(dataDir().startsWith(m_home.path()));
    }

    void init() { appSettings().remove(QStringLiteral("shortcuts")); }

    void registrationUsesStoredKeyOverDefault()
    {
        QSettings &settings = appSettings();
        settings.setValue(QStringLiteral("shortcuts/t_stored"), QStringLiteral("Ctrl+Shift+K"));
        settings.setValue(QStringLiteral("shortcuts/t_cleared"), QString());
        settings.setValue(QStringLiteral("shortcuts/t_garbage"), QStringLiteral("Ctrl+Nonsense"));
        Actions *registry = Actions::instance();
        int runs = 0;
        QAction *stored = registry->add(
                "t_stored", "Stored", "play", QKeySequence("Ctrl+K"), [&runs] { ++runs; },
                Actions::generalCategory());
        QAction *cleared = registry->add("t_cleared", "Cleared", QString(), QKeySequence("F7"), {},
                                         Actions::audioCategory());
        QAction *garbage = registry->add("t_garbage", "Garbage", QString(), QKeySequence("F8"), {},
                                         Actions::videoCategory());
        QAction *plain = registry->add("t_plain", "Plain", QString(), QKeySequence("F9"), {},
                                       Actions::videoCategory());

        QCOMPARE(stored->shortcut(), QKeySequence("Ctrl+Shift+K"));
        QCOMPARE(registry->defaultShortcut("t_stored"), QKeySequence("Ctrl+K"));
        QVERIFY(cleared->shortcut().isEmpty());
        QVERIFY(garbage->shortcut().isEmpty());
        QCOMPARE(plain->shortcut(), QKeySequence("F9"));
        QCOMPARE(stored->objectName(), QStringLiteral("t_stored"));
        QCOMPARE(stored->shortcutContext(), Qt::WindowShortcut);
        QVERIFY(!stored->icon().isNull());
        QVERIFY(cleared->icon().isNull());
        QCOMPARE(registry->category("t_cleared"), Actions::audioCategory());

        stored->trigger();
        stored->trigger();
        QCOMPARE(runs, 2);

        const QStringList ids = registry->ids();
        QVERIFY(ids.indexOf("t_stored") < ids.indexOf("t_cleared"));
        QVERIFY(ids.indexOf("t_cleared") < ids.indexOf("t_garbage"));
        QCOMPARE(registry->all().size(), ids.size());
        QCOMPARE(registry->all().at(ids.indexOf("t_plain")), plain);
        QCOMPARE(registry->action("t_no_such_action"), nullptr);
    }

    void reRegistrationReplacesTheHandler()
    {
        Actions *registry = Actions::instance();
        int first = 0;
        int second = 0;
        registry->add(
                "t_twice", "Twice", QString(), QKeySequence("F10"), [&first] { ++first; },
                Actions::generalCategory());
        const int position = registry->ids().indexOf("t_twice");
        QPointer<QAction> old = registry->action("t_twice");
        registry->add(
                "t_twice", "Twice", QString(), QKeySequence("F10"), [&second] { ++second; },
                Actions::generalCategory());
        QVERIFY(old.isNull());
        registry->action("t_twice")->trigger();
        QCOMPARE(first, 0);
        QCOMPARE(second, 1);
        QCOMPARE(registry->ids().indexOf("t_twice"), position);
        QCOMPARE(registry->ids().count("t_twice"), 1);
    }

    void setShortcutStoresOnlyDifferences()
    {
        Actions *registry = Actions::instance();
        registry->add("t_a", "Alpha", QString(), QKeySequence("Ctrl+Alt+1"), {},
                      Actions::generalCategory());
        registry->setShortcut("t_a", QKeySequence("Ctrl+Alt+2"));
        QCOMPARE(registry->action("t_a")->shortcut(), QKeySequence("Ctrl+Alt+2"));
        QCOMPARE(appSettings().value("shortcuts/t_a").toString(), QStringLiteral("Ctrl+Alt+2"));

        registry->setShortcut("t_a", QKeySequence());
        QVERIFY(appSettings().contains("shortcuts/t_a"));
        QCOMPARE(appSettings().value("shortcuts/t_a").toString(), QString());

        registry->setShortcut("t_a", QKeySequence("Ctrl+Alt+1"));
        QVERIFY(!appSettings().contains("shortcuts/t_a"));

        registry->setShortcut("t_unknown", QKeySequence("Ctrl+Alt+3"));
        QVERIFY(!appSettings().contains("shortcuts/t_unknown"));
    }

    void assignmentMovesTheKeyAndNamesTheLoser()
    {
        uiEnglish = true;
        Actions *registry = Actions::instance();
        registry->add("t_open", "Open & play", QString(), QKeySequence("Ctrl+Alt+O"), {},
                      Actions::generalCategory());
        registry->add("t_link", "Link", QString(), QKeySequence("Ctrl+Alt+L"), {},
                      Actions::generalCategory());
        QStringList toasts;
        registry->assignShortcut("t_link", QKeySequence("Ctrl+Alt+O"),
                                 [&toasts](const QString &text) { toasts << text; });
        QCOMPARE(toasts, QStringList{"Shortcut was used by \"Open & play\" — reassigned"});
        // Shown in menus with the ampersand, not as a shortcut letter.
        QVERIFY(QKeySequence::mnemonic(registry->action("t_open")->text()).isEmpty());
        QVERIFY(registry->action("t_open")->shortcut().isEmpty());
        QCOMPARE(registry->action("t_link")->shortcut(), QKeySequence("Ctrl+Alt+O"));
        QCOMPARE(appSettings().value("shortcuts/t_open").toString(), QString());
        QCOMPARE(appSettings().value("shortcuts/t_link").toString(), QStringLiteral("Ctrl+Alt+O"));

        // Clearing a field takes nobody's key away.
        toasts.clear();
        registry->assignShortcut("t_open", QKeySequence(),
                                 [&toasts](const QString &text) { toasts << text; });
        QVERIFY(toasts.isEmpty());
        QCOMPARE(registry->action("t_link")->shortcut(), QKeySequence("Ctrl+Alt+O"));

        uiEnglish = false;
        registry->assignShortcut("t_open", QKeySequence("Ctrl+Alt+O"),
                                 [&toasts](const QString &text) { toasts << text; });
        QCOMPARE(toasts, QStringList{"Atalho já usado em \"Link\" — trocado"});
    }

    void resetAllRemovesEveryKey()
    {
        Actions *registry = Actions::instance();
        registry->add("t_r1", "R1", QString(), QKeySequence("Ctrl+Alt+F1"), {},
                      Actions::generalCategory());
        registry->add("t_r2", "R2", QString(), QKeySequence(), {}, Actions::generalCategory());
        registry->setShortcut("t_r1", QKeySequence());
        registry->setShortcut("t_r2", QKeySequence("Ctrl+Alt+F2"));
        QVERIFY(storedKeys().contains("t_r1"));
        QVERIFY(storedKeys().contains("t_r2"));
        registry->resetAll();
        QVERIFY2(storedKeys().isEmpty(), qPrintable(storedKeys().join(", ")));
        QCOMPARE(registry->action("t_r1")->shortcut(), QKeySequence("Ctrl+Alt+F1"));
        QVERIFY(registry->action("t_r2")->shortcut().isEmpty());
    }

    void storedTextParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QKeySequence>("expected");
        QTest::newRow("portable") << "Ctrl+Shift+O"
                                  << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O);
        QTest::newRow("punctuation") << "Ctrl+," << QKeySequence(Qt::CTRL | Qt::Key_Comma);
        QTest::newRow("empty") << "" << QKeySequence();
        QTest::newRow("unknown key name") << "Ctrl+Nonsense" << QKeySequence();
        QTest::newRow("unknown modifier") << "Hyper+Q" << QKeySequence();
    }
    void storedTextParsing()
    {
        QFETCH(QString, text);
        QFETCH(QKeySequence, expected);
        QCOMPARE(parseStoredShortcut(text), expected);
    }
};

QTEST_MAIN(tst_Actions)
#include "tst_actions.moc"
