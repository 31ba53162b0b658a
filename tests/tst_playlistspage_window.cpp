#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "engine/PlayerCore.h"
#include "library/Database.h"
#include "ui/MainWindow.h"
#include "ui/pages/PlaylistsPage.h"
#include "ui/pages/ReorderTable.h"
#include "ui/window/PageNavigator.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The playlists page inside the real window, where the window's shortcuts
// are live, against a real engine without audio or video output.
class tst_PlaylistsPageWindow final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    std::unique_ptr<PlayerCore> m_core;
    QStringList m_songs;

    static void select(PlaylistsPage *page, qint64 id)
    {
        auto *list = page->findChild<QListWidget *>("PlaylistSidebar");
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->data(PlaylistsPage::IdRole).toLongLong() == id)
                list->setCurrentRow(row);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), "ZorviPlayer-tst-playlistspage-window"));
        for (const char *name : {"one.ogg", "two.ogg", "three.ogg", "four.ogg"}) {
            const QString song = TestMedia::tone(m_media.filePath(name), 30);
            QVERIFY(!song.isEmpty());
            m_songs.append(song);
        }
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
    }

    void cleanupTestCase()
    {
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));
        m_core.reset();
    }

    void deleteKeyAndPlayback()
    {
        Database *db = Database::instance();
        const qint64 id = db->createPlaylist("Mix");
        QVERIFY(db->setPlaylistItems(id, m_songs));
        const qint64 emptyId = db->createPlaylist("Empty");
        MainWindow window(m_core.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.navigate("playlists");
        auto *page = qobject_cast<PlaylistsPage *>(window.navigator()->page("playlists"));
        QVERIFY(page);
        auto *table = page->findChild<ReorderTable *>("PlaylistTable");

        // Delete, with the window's shortcuts live, removes the selected rows.
        select(page, id);
        QTRY_COMPARE(table->rowCount(), 4);
        QTRY_VERIFY(table->dragEnabled());
        table->setFocus();
        table->selectRow(1);
        QTest::keyClick(table, Qt::Key_Delete);
        const QStringList kept{m_songs[0], m_songs[2], m_songs[3]};
        QCOMPARE(page->tablePaths(), kept);
        QCOMPARE(db->playlistItems(id), kept);

        // Play: shuffle off, the table's paths from the first.
        m_core->setShuffle(true);
        page->findChild<QPushButton *>("PlayPlaylistButton")->click();
        QVERIFY(!m_core->shuffle());
        QTRY_COMPARE_WITH_TIMEOUT(PlayerTestUtil::queuePaths(*m_core), kept,
                                  PlayerTestUtil::EngineWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_core->currentPath(), kept.first(),
                                  PlayerTestUtil::EngineWaitMs);

        // Shuffle: shuffle on, the same paths in the queue, a start among them.
        QSignalSpy started(m_core.get(), &PlayerCore::fileStarted);
        page->findChild<QPushButton *>("ShufflePlaylistButton")->click();
        QVERIFY(m_core->shuffle());
        QTRY_VERIFY_WITH_TIMEOUT(!started.isEmpty(), PlayerTestUtil::EngineWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(kept.contains(m_core->currentPath()),
                                 PlayerTestUtil::EngineWaitMs);
        QStringList queued = PlayerTestUtil::queuePaths(*m_core);
        queued.sort();
        QStringList sortedKept = kept;
        sortedKept.sort();
        QCOMPARE(queued, sortedKept);

        // An empty list starts nothing: what plays goes on playing.
        QVERIFY(PlayerTestUtil::playAndWait(*m_core, {m_songs[1]}, 0, 0));
        select(page, emptyId);
        QTRY_VERIFY(table->dragEnabled());
        QCOMPARE(table->rowCount(), 0);
        started.clear();
        page->findChild<QPushButton *>("PlayPlaylistButton")->click();
        page->findChild<QPushButton *>("ShufflePlaylistButton")->click();
        // A start caused by the clicks would be counted before this one.
        select(page, id);
        QTRY_COMPARE(table->rowCount(), 3);
        page->findChild<QPushButton *>("PlayPlaylistButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_core->currentPath(), kept.first(),
                                  PlayerTestUtil::EngineWaitMs);
        QCOMPARE(started.count(), 1);
    }
};

QTEST_MAIN(tst_PlaylistsPageWindow)
#include "tst_playlistspage_window.moc"
