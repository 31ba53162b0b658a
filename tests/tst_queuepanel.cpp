#include "PlayerTestUtil.h"
#include "TaggedMedia.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/MainWindow.h"
#include "ui/pages/QueueList.h"
#include "ui/pages/QueuePanel.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

using PlayerTestUtil::queuePaths;

namespace {

// Counts the drops a widget receives, so a drop that changed nothing can be
// told from a drag that never got there, and remembers where the drag was
// last seen over it.
class DropCounter : public QObject
{
public:
    int drops = 0;
    QPoint lastSeen{-1, -1};
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)
            lastSeen = static_cast<QDropEvent *>(event)->position().toPoint();
        if (event->type() == QEvent::Drop)
            ++drops;
        return false;
    }
};

} // namespace

// The queue panel inside the real window, over the real engine.
class tst_QueuePanel final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;
    QueuePanel *m_panel = nullptr;
    QueueList *m_list = nullptr;
    QStringList m_songs;

    // Plays the first count songs (fake paths beyond the real ones), paused
    // at the given entry.
    void playQueue(int count, int current = 0)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << (i < m_songs.size() ? m_songs.at(i)
                                         : m_media.filePath(QStringLiteral("none%1.mp3").arg(i)));
        }
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, paths, current, current));
        m_core->setPaused(true);
        QTRY_COMPARE(m_list->count(), count);
        // The engine reports the playing entry in a later update; until then
        // a rebuild may still come and reset the list's current row.
        QTRY_VERIFY(m_list->item(current)->font().bold());
        QTRY_VERIFY(m_core->isPaused());
    }

    QStringList rowPaths() const
    {
        QStringList paths;
        for (int i = 0; i < m_list->count(); ++i)
            paths << m_list->item(i)->toolTip();
        return paths;
    }

    QPoint rowCenter(int row) const { return m_list->visualItemRect(m_list->item(row)).center(); }

    // Presses on a row and drags it to dropPoint through another row, so a
    // drop back onto the pressed row is a real return there. The drag runs
    // its own loop and only learns of the pointer when the window system
    // routes it, so each step repeats its move until the view has seen the
    // drag there. during runs once the drag is over the drop point.
    void dragRow(int row, QPoint dropPoint, const std::function<void()> &during = {})
    {
        QWidget *viewport = m_list->viewport();
        const QPoint start = rowCenter(row);
        const QList<QPoint> path{rowCenter(row == 0 ? 1 : 0), dropPoint + QPoint(0, 3), dropPoint};
        DropCounter seen;
        viewport->installEventFilter(&seen);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
        QCOMPARE(m_list->currentRow(), row);
        // The first move past the start distance arms the drag; the next one
        // starts it and returns only when the drag is over.
        QTest::mouseMove(viewport, start + QPoint(0, QApplication::startDragDistance() + 6));
        int step = -1;
        bool released = false;
        QTimer steps;
        steps.setInterval(25);
        connect(&steps, &QTimer::timeout, viewport, [&] {
            if (released || step < 0)
                return;
            if (seen.lastSeen == path.at(step)) {
                if (step == 1 && during)
                    during();
                ++step;
            }
            if (step == path.size()) {
                released = true;
                QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, dropPoint);
            } else {
                QTest::mouseMove(viewport, path.at(step));
            }
        });
        // A stuck drag ends here instead of hanging the test.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, m_list,
                [this] { QTest::keyClick(m_list, Qt::Key_Escape); });
        watchdog.start(8000);
        steps.start();
        // A timer does not fire again while its own slot runs, so the drag's
        // loop is entered from a separate one.
        QTimer::singleShot(0, viewport, [&] {
            step = 0;
            QTest::mouseMove(viewport, path.at(0));
        });
        QTRY_VERIFY_WITH_TIMEOUT(released || !watchdog.isActive(), 10000);
        steps.stop();
        QVERIFY2(released, qPrintable(QStringLiteral("the drag stopped at step %1").arg(step)));
        watchdog.stop();
    }

    void checkRowsFollowQueue() { QTRY_COMPARE(rowPaths(), queuePaths(*m_core)); }

    // Opens the list's menu for a point; inspect gets the menu (or is never
    // called when none opens).
    bool withMenu(QPoint viewPoint, const std::function<void(QMenu *)> &inspect)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            poll.stop();
            seen = true;
            menu->close();
            inspect(menu);
        });
        poll.start();
        QContextMenuEvent event(QContextMenuEvent::Mouse, viewPoint,
                                m_list->viewport()->mapToGlobal(viewPoint));
        QCoreApplication::sendEvent(m_list->viewport(), &event);
        // The menu runs its own loop inside sendEvent; once that returns it
        // has been seen, or none was opened.
        return seen;
    }

    static QStringList menuTexts(const QMenu *menu)
    {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        return texts;
    }

    static void trigger(QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions()) {
            if (action->text() == text)
                action->trigger();
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_queuepanel")));
        const QString first = TestMedia::tone(m_media.filePath("song0.mp3"), 60);
        QVERIFY(!first.isEmpty());
        m_songs << first;
        for (int i = 1; i < 10; ++i) {
            const QString path = m_media.filePath(QStringLiteral("song%1.mp3").arg(i));
            QVERIFY(TaggedMedia::copyFile(first, path));
            m_songs << path;
        }
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
        m_window = std::make_unique<MainWindow>(m_core.get());
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_panel = m_window->queuePanel();
        m_panel->show();
        m_list = m_panel->list();
        QVERIFY(m_list);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    void rows()
    {
        MediaRecord media;
        media.path = m_songs.at(1);
        media.kind = "audio";
        media.title = "Library title";
        media.artist = "Library artist";
        media.folder = m_media.path();
        QVERIFY(Database::instance()->storeScanned({media}));
        playQueue(3);
        const QString link = QStringLiteral("http://127.0.0.1:9/live.mp3");
        m_core->enqueue({link});
        QTRY_COMPARE(m_list->count(), 4);
        QCOMPARE(m_list->item(2)->text(), QStringLiteral("song2"));
        QCOMPARE(m_list->item(1)->text(), QStringLiteral("Library title\nLibrary artist"));
        QCOMPARE(m_list->item(3)->text(), link);
        QCOMPARE(m_list->item(3)->toolTip(), link);
        QVERIFY(m_list->item(0)->font().bold());
        QCOMPARE(m_list->item(0)->foreground().color(), QColor("#2bd9fe"));
        QVERIFY(!m_list->item(1)->font().bold());
        QVERIFY(m_list->item(0)->icon().cacheKey() != m_list->item(1)->icon().cacheKey());
        auto *count = m_panel->findChildren<QLabel *>().at(1);
        QCOMPARE(count->text(), QStringLiteral("4 items"));

        // Moving the current entry restyles rows; the result equals a rebuild.
        m_core->playIndex(2);
        QTRY_VERIFY(m_list->item(2)->font().bold());
        auto snapshot = [this] {
            QStringList rows;
            for (int i = 0; i < m_list->count(); ++i) {
                const QListWidgetItem *item = m_list->item(i);
                rows << QStringLiteral("%1|%2|%3|%4|%5")
                                .arg(item->text(), item->toolTip())
                                .arg(item->font().bold())
                                .arg(item->data(Qt::ForegroundRole).value<QBrush>().color().name())
                                .arg(item->icon().cacheKey());
            }
            return rows;
        };
        const QStringList restyled = snapshot();
        m_panel->rebuild();
        QCOMPARE(snapshot(), restyled);

        uiEnglish = false;
        m_panel->rebuild();
        QCOMPARE(count->text(), QStringLiteral("4 itens"));
        uiEnglish = true;
    }

    void keepsScrollPosition()
    {
        playQueue(200);
        QScrollBar *bar = m_list->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        const int middle = bar->maximum() / 2;
        bar->setValue(middle);
        m_core->playIndex(3);
        QTRY_VERIFY(m_list->item(3)->font().bold());
        QCOMPARE(bar->value(), middle);
        m_core->enqueue({m_songs.at(4)});
        QTRY_COMPARE(m_list->count(), 201);
        QCOMPARE(bar->value(), middle);
    }

    void dragReorder_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto"); // row under the drop, -1 below the last row
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("onto itself") << 2 << 2 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("further down") << 1 << 3 << QList<int>{0, 2, 3, 1, 4};
        QTest::newRow("above") << 3 << 1 << QList<int>{0, 3, 1, 2, 4};
        QTest::newRow("below the last row") << 1 << -1 << QList<int>{0, 2, 3, 4, 1};
        QTest::newRow("last row below the end") << 4 << -1 << QList<int>{0, 1, 2, 3, 4};
        // The entry takes the place of the row it lands on: the two swap.
        QTest::newRow("row directly below") << 2 << 3 << QList<int>{0, 1, 3, 2, 4};
    }

    void dragReorder()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        QFETCH(QList<int>, order);
        playQueue(5);
        const QStringList before = queuePaths(*m_core);
        QStringList expected;
        for (int i : order)
            expected << before.at(i);
        DropCounter drops;
        m_list->viewport()->installEventFilter(&drops);
        QSignalSpy changed(m_core.get(), &PlayerCore::queueChanged);
        QSignalSpy moves(m_list, &QueueList::moveRequested);
        const QPoint target = onto >= 0
                                      ? rowCenter(onto)
                                      : QPoint(rowCenter(4).x(), m_list->viewport()->height() - 5);
        dragRow(from, target);
        QCOMPARE(drops.drops, 1);
        if (expected == before) {
            QCOMPARE(moves.count(), 0);
        } else {
            QTRY_VERIFY(changed.count() > 0);
            QTRY_COMPARE(queuePaths(*m_core), expected);
        }
        checkRowsFollowQueue();
        QCOMPARE(m_list->count(), 5);
    }

    // With several rows selected only the pressed row moves: the player
    // moves one entry at a time.
    void dragWithSelection()
    {
        playQueue(5);
        const QStringList before = queuePaths(*m_core);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::NoModifier, rowCenter(0));
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(1));
        QCOMPARE(m_list->selectedItems().size(), 2);
        dragRow(1, rowCenter(3));
        QTRY_COMPARE(queuePaths(*m_core),
                     (QStringList{before[0], before[2], before[3], before[1], before[4]}));
        checkRowsFollowQueue();
    }

    // The queue changing under a drag: a new current entry or new library
    // texts keep the rows and the move happens; new rows drop the gesture.
    void queueChangesDuringDrag()
    {
        playQueue(5);
        QStringList before = queuePaths(*m_core);
        dragRow(3, rowCenter(1), [this] { m_core->next(); });
        QTRY_COMPARE(queuePaths(*m_core),
                     (QStringList{before[0], before[3], before[1], before[2], before[4]}));
        checkRowsFollowQueue();
        // New library texts for the same rows.
        before = queuePaths(*m_core);
        dragRow(3, rowCenter(1), [] { Q_EMIT Database::instance()->libraryChanged(); });
        QTRY_COMPARE(queuePaths(*m_core),
                     (QStringList{before[0], before[3], before[1], before[2], before[4]}));
        checkRowsFollowQueue();

        playQueue(5);
        before = queuePaths(*m_core);
        QSignalSpy moves(m_list, &QueueList::moveRequested);
        DropCounter drops;
        m_list->viewport()->installEventFilter(&drops);
        dragRow(3, rowCenter(1), [this] { m_core->enqueue({m_songs.at(7)}); });
        QCOMPARE(drops.drops, 1);
        QTRY_COMPARE(m_list->count(), 6);
        QCOMPARE(moves.count(), 0);
        QCOMPARE(queuePaths(*m_core), before + QStringList{m_songs.at(7)});
        checkRowsFollowQueue();
    }

    void deleteKey()
    {
        playQueue(10, 4);
        const QStringList before = queuePaths(*m_core);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::NoModifier, rowCenter(4));
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(1));
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(7));
        QCOMPARE(m_list->selectedItems().size(), 3);
        m_list->setFocus();
        QTRY_VERIFY(m_list->hasFocus());
        // Through the window system, where the window's shortcuts are matched.
        QTest::keyClick(m_window->windowHandle(), Qt::Key_Delete);
        QStringList expected = before;
        for (int row : {7, 4, 1})
            expected.removeAt(row);
        QTRY_COMPARE(queuePaths(*m_core), expected);
        checkRowsFollowQueue();
    }

    void contextMenu()
    {
        playQueue(5, 2);
        QStringList before = queuePaths(*m_core);
        QStringList texts;
        QVERIFY(withMenu(rowCenter(2), [&](QMenu *menu) { texts = menuTexts(menu); }));
        QCOMPARE(texts, (QStringList{"Play now", "Remove from queue"}));
        QVERIFY(withMenu(rowCenter(4), [&](QMenu *menu) {
            QCOMPARE(menuTexts(menu), (QStringList{"Play now", "Play next", "Remove from queue"}));
            trigger(menu, "Play next");
        }));
        QTRY_COMPARE(queuePaths(*m_core),
                     (QStringList{before[0], before[1], before[2], before[4], before[3]}));
        before = queuePaths(*m_core);
        QVERIFY(withMenu(rowCenter(0), [&](QMenu *menu) { trigger(menu, "Play next"); }));
        QTRY_COMPARE(queuePaths(*m_core),
                     (QStringList{before[1], before[2], before[0], before[3], before[4]}));
        QCOMPARE(m_core->queuePos(), 1);

        QVERIFY(withMenu(rowCenter(4), [&](QMenu *menu) { trigger(menu, "Play now"); }));
        QTRY_COMPARE(m_core->queuePos(), 4);
        before = queuePaths(*m_core);
        QVERIFY(withMenu(rowCenter(1), [&](QMenu *menu) { trigger(menu, "Remove from queue"); }));
        before.removeAt(1);
        QTRY_COMPARE(queuePaths(*m_core), before);
        checkRowsFollowQueue();

        const QPoint belowLast(rowCenter(0).x(), m_list->viewport()->height() - 4);
        QVERIFY(!m_list->indexAt(belowLast).isValid());
        QVERIFY(!withMenu(belowLast, [](QMenu *) {}));
    }

    void buttons()
    {
        auto button = [this](const QString &text) {
            for (QPushButton *candidate : m_panel->findChildren<QPushButton *>()) {
                if (candidate->text() == text)
                    return candidate;
            }
            return static_cast<QPushButton *>(nullptr);
        };
        // The window would ask for a playlist name; only the signal matters here.
        disconnect(m_panel, &QueuePanel::saveAsPlaylist, nullptr, nullptr);
        QSignalSpy saved(m_panel, &QueuePanel::saveAsPlaylist);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        QTRY_COMPARE(m_list->count(), 0);
        button("Save playlist")->click();
        QCOMPARE(saved.count(), 0);
        playQueue(3);
        button("Save playlist")->click();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(saved.at(0).at(0).toStringList(), queuePaths(*m_core));

        // The engine keeps the entry that plays; everything else goes.
        button("Clear")->click();
        QTRY_COMPARE(queuePaths(*m_core), QStringList{m_songs.at(0)});
        checkRowsFollowQueue();

        QSignalSpy closed(m_panel, &QueuePanel::closeRequested);
        m_panel->findChild<QToolButton *>()->click();
        QCOMPARE(closed.count(), 1);
    }
};

QTEST_MAIN(tst_QueuePanel)
#include "tst_queuepanel.moc"
