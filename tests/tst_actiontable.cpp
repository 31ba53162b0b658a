#include "PlayerTestUtil.h"
#include "app/AppSettings.h"
#include "ui/Actions.h"
#include "ui/window/ActionBinder.h"
#include "ui/window/ActionTable.h"

#include <QAction>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The table of user commands as data, and the binder that gives each command
// its handler with the handler's owner as the context.
class tst_ActionTable final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(),
                                            QStringLiteral("ZorviPlayer-tst-actiontable")));
        appSettings().remove(QStringLiteral("shortcuts"));
    }

    void tableIsWellFormed()
    {
        const QList<ActionSpec> &table = actionTable();
        QVERIFY(table.size() > 50);
        QSet<QString> ids;
        QSet<QKeySequence> keys;
        for (const ActionSpec &entry : table) {
            const QString id = QString::fromLatin1(entry.id);
            QVERIFY2(!ids.contains(id), qPrintable(id));
            ids.insert(id);
            QVERIFY2(qstrlen(entry.english) > 0 && qstrlen(entry.portuguese) > 0, entry.id);
            QVERIFY2(qstrlen(entry.iconName) > 0, entry.id);
            const QKeySequence key = entry.key();
            QCOMPARE(key.isEmpty(), qstrlen(entry.defaultKey) == 0);
            // A key text the parser does not know would silently become no key.
            for (int i = 0; i < key.count(); ++i)
                QVERIFY2(key[i].key() != Qt::Key_unknown, entry.id);
            if (!key.isEmpty()) {
                QVERIFY2(!keys.contains(key), entry.id);
                keys.insert(key);
            }
        }
    }

    void keysAndLabels_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("portuguese");
        QTest::newRow("space") << "play_pause" << QKeySequence(Qt::Key_Space) << "Play / pause"
                               << "Tocar / pausar";
        QTest::newRow("arrow") << "seek_fwd" << QKeySequence(Qt::Key_Right) << "Forward (short)"
                               << "Avançar (passo curto)";
        QTest::newRow("escape") << "exit_fullscreen" << QKeySequence(Qt::Key_Escape)
                                << "Exit fullscreen / mini player"
                                << "Sair da tela cheia / mini player";
        QTest::newRow("page down")
                << "chapter_next" << QKeySequence(Qt::Key_PageDown) << "Next chapter"
                << "Próximo capítulo";
        QTest::newRow("backspace")
                << "speed_reset" << QKeySequence(Qt::Key_Backspace) << "Normal speed (1x)"
                << "Velocidade normal (1x)";
        QTest::newRow("none") << "stop" << QKeySequence() << "Stop"
                              << "Parar";
        QTest::newRow("modifiers")
                << "open_folder" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O) << "Open folder…"
                << "Abrir pasta…";
    }

    void keysAndLabels()
    {
        QFETCH(QString, id);
        QFETCH(QKeySequence, key);
        QFETCH(QString, english);
        QFETCH(QString, portuguese);
        const auto &table = actionTable();
        const auto it = std::find_if(table.cbegin(), table.cend(), [&id](const ActionSpec &entry) {
            return id == QLatin1String(entry.id);
        });
        QVERIFY(it != table.cend());
        QCOMPARE(it->key(), key);
        uiEnglish = true;
        QCOMPARE(it->label(), english);
        uiEnglish = false;
        QCOMPARE(it->label(), portuguese);
        uiEnglish = true;
    }

    void binderReportsMissingHandlersAndKeepsOrder()
    {
        Actions *registry = Actions::instance();
        QObject owner;
        ActionBinder binder(registry);
        const QList<ActionSpec> &table = actionTable();
        for (const ActionSpec &entry : table) {
            if (qstrcmp(entry.id, "stop") != 0)
                binder.bind(entry.id, &owner, [] {});
        }
        QCOMPARE(binder.apply(), QStringList{QStringLiteral("stop")});
        QStringList tableIds;
        for (const ActionSpec &entry : table)
            tableIds.append(QString::fromLatin1(entry.id));
        QCOMPARE(registry->ids().mid(0, tableIds.size()), tableIds);
        QVERIFY(registry->action(QStringLiteral("mirror"))->isCheckable());
        QVERIFY(!registry->action(QStringLiteral("mirror"))->isChecked());
        QVERIFY(!registry->action(QStringLiteral("stop"))->isCheckable());
        QCOMPARE(registry->category(QStringLiteral("vol_up")), Actions::audioCategory());
        QCOMPARE(registry->defaultShortcut(QStringLiteral("mute")), QKeySequence(Qt::Key_M));
    }

    void handlerDiesWithItsOwner()
    {
        Actions *registry = Actions::instance();
        int calls = 0;
        auto owner = std::make_unique<QObject>();
        ActionBinder binder(registry);
        binder.bind("next", owner.get(), [&calls] { ++calls; });
        binder.apply();
        QAction *next = registry->action(QStringLiteral("next"));
        QVERIFY(next);
        next->trigger();
        QCOMPARE(calls, 1);
        // The action outlives the owner (the registry holds it); triggering
        // it then must not reach the owner's handler.
        owner.reset();
        QCOMPARE(registry->action(QStringLiteral("next")), next);
        next->trigger();
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(tst_ActionTable)
#include "tst_actiontable.moc"
