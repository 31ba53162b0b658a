#include "PlayerTestUtil.h"
#include "RecordingHost.h"
#include "TaggedMedia.h"
#include "app/AppSettings.h"
#include "library/Database.h"
#include "playlists/PlaylistFiles.h"
#include "ui/Host.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/PlaylistTableLoader.h"
#include "ui/pages/PlaylistsPage.h"
#include "ui/pages/ReorderTable.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Acts on the next modal dialog of type D once it shows; trigger opens it.
template<class D>
bool withDialog(const std::function<void()> &trigger, const std::function<void(D *)> &act)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        seen = true;
        QPointer<D> guard(dialog);
        act(dialog);
        // A failed check inside act leaves the dialog open: close it so the
        // failure is reported instead of hanging.
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll.start();
    trigger();
    return seen;
}

QStringList columnTexts(const QTableWidget *table, int column)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts.append(table->item(row, column)->text());
    return texts;
}

} // namespace

// The playlists page against a real database, real files and the toolkit's
// own dialogs, with a host that records what the page asks for.
class tst_PlaylistsPage final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    RecordingHost m_host;
    Database *m_db = nullptr;

    std::unique_ptr<PlaylistsPage> makePage()
    {
        PageContext context;
        context.host = &m_host;
        context.database = m_db;
        auto page = std::make_unique<PlaylistsPage>(context);
        page->resize(1100, 700);
        page->show();
        return page;
    }

    static ReorderTable *table(PlaylistsPage *page)
    {
        return page->findChild<ReorderTable *>(QStringLiteral("PlaylistTable"));
    }
    static QListWidget *sidebar(PlaylistsPage *page)
    {
        return page->findChild<QListWidget *>(QStringLiteral("PlaylistSidebar"));
    }
    static PlaylistTableLoader *loader(PlaylistsPage *page)
    {
        return page->findChild<PlaylistTableLoader *>();
    }
    static bool waitSettled(PlaylistsPage *page)
    {
        return QTest::qWaitFor([page] { return !loader(page)->isBusy(); }, 10000);
    }
    static QStringList sidebarTexts(PlaylistsPage *page)
    {
        QStringList texts;
        for (int row = 0; row < sidebar(page)->count(); ++row)
            texts.append(sidebar(page)->item(row)->text());
        return texts;
    }
    static void select(PlaylistsPage *page, qint64 id)
    {
        QListWidget *list = sidebar(page);
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->data(PlaylistsPage::IdRole).toLongLong() == id)
                list->setCurrentRow(row);
        }
    }
    qint64 makePlaylist(const QString &name, const QStringList &paths)
    {
        const qint64 id = m_db->createPlaylist(name);
        m_db->setPlaylistItems(id, paths);
        return id;
    }
    void clearPlaylists()
    {
        for (const PlaylistInfo &info : m_db->playlists())
            m_db->deletePlaylist(info.id);
    }

    // Drags the row at from and drops it at the point to (viewport
    // coordinates) with real mouse events. The drag runs its own event loop,
    // so the moves and the release are queued before it starts.
    static bool dragRow(ReorderTable *table, int from, QPoint to)
    {
        QWidget *viewport = table->viewport();
        const QPoint start = table->visualRect(table->model()->index(from, 0)).center();
        const int step = QApplication::startDragDistance() + 5;
        bool released = false;
        QTimer::singleShot(50, viewport, [viewport, start, step] {
            QTest::mouseMove(viewport, start + QPoint(0, step * 2));
        });
        QTimer::singleShot(100, viewport, [viewport, to] { QTest::mouseMove(viewport, to); });
        QTimer::singleShot(150, viewport, [viewport, to, &released] {
            QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
            released = true;
        });
        // A drag that never ends would hang the test: Escape ends it.
        QTimer::singleShot(5000, viewport,
                           [viewport] { QTest::keyClick(viewport, Qt::Key_Escape); });
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
        // The first move arms the drag, the second starts it and returns
        // only when the drop is done.
        QTest::mouseMove(viewport, start + QPoint(0, 1));
        QTest::mouseMove(viewport, start + QPoint(0, step));
        return QTest::qWaitFor([&released] { return released; }, 3000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
        QVERIFY(m_home.isValid());
        QVERIFY(m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), "ZorviPlayer-tst-playlistspage"));
        m_db = Database::instance();
    }

    void init()
    {
        uiEnglish = true;
        clearPlaylists();
        m_host.reset();
    }

    void sidebarRowsAndSelection()
    {
        const qint64 beta = makePlaylist("beta", {"/m/1.mp3", "/m/2.mp3"});
        makePlaylist("Alpha <b>", {});
        auto page = makePage();
        QCOMPARE(sidebarTexts(page.get()),
                 (QStringList{"Favorites", "Most played", "Recently added", "MY PLAYLISTS",
                              "Alpha <b>  (0)", "beta  (2)"}));
        QListWidget *list = sidebar(page.get());
        QCOMPARE(list->item(0)->data(PlaylistsPage::KeyRole).toString(), QString("auto:fav"));
        QCOMPARE(list->item(5)->data(PlaylistsPage::IdRole).toLongLong(), beta);
        QCOMPARE(list->item(5)->data(PlaylistsPage::NameRole).toString(), QString("beta"));
        QCOMPARE(list->item(3)->flags(), Qt::NoItemFlags);
        QCOMPARE(list->item(3)->foreground().color(), QColor("#6b7c93"));

        // The header cannot be chosen, by click or by key.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(3)).center());
        QCOMPARE(page->currentKey(), QString("auto:fav"));
        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 4);

        // Automatic lists: play and export, but no rename, delete or dragging.
        list->setCurrentRow(0);
        auto *rename = page->findChild<QPushButton *>("RenamePlaylistButton");
        auto *remove = page->findChild<QPushButton *>("DeletePlaylistButton");
        QVERIFY(!rename->isEnabled() && !remove->isEnabled());
        QVERIFY(!table(page.get())->dragEnabled());
        QVERIFY(page->findChild<QPushButton *>("ExportPlaylistButton")->isEnabled());

        // A rename keeps the selection.
        select(page.get(), beta);
        QVERIFY(waitSettled(page.get()));
        QVERIFY(rename->isEnabled() && table(page.get())->dragEnabled());
        QVERIFY(withDialog<QInputDialog>([&] { rename->click(); },
                                         [](QInputDialog *dialog) {
                                             QCOMPARE(dialog->textValue(), QString("beta"));
                                             dialog->setTextValue("  Gamma ");
                                             dialog->accept();
                                         }));
        QCOMPARE(page->currentPlaylistId(), beta);
        QCOMPARE(list->currentItem()->text(), QString("Gamma  (2)"));
        QCOMPARE(page->findChild<QLabel *>("PageTitle", Qt::FindChildrenRecursively)->text(),
                 QString("Playlists"));

        // Deleting the shown playlist falls back to Favorites.
        QVERIFY(withDialog<QMessageBox>([&] { remove->click(); },
                                        [](QMessageBox *box) {
                                            QCOMPARE(box->textFormat(), Qt::PlainText);
                                            QVERIFY(box->text().contains("\"Gamma\""));
                                            box->button(QMessageBox::Yes)->click();
                                        }));
        QCOMPARE(page->currentPlaylistId(), 0);
        QCOMPARE(page->currentKey(), QString("auto:fav"));
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(sidebarTexts(page.get()).size(), 5);

        // New playlist selects it.
        QVERIFY(withDialog<QInputDialog>(
                [&] { page->findChild<QPushButton *>("NewPlaylistButton")->click(); },
                [](QInputDialog *dialog) {
                    dialog->setTextValue("Road");
                    dialog->accept();
                }));
        QCOMPARE(list->currentItem()->text(), QString("Road  (0)"));
        QVERIFY(page->currentPlaylistId() > 0);
    }

    void tableShowsLibraryFilesAndLinks()
    {
        MediaRecord song;
        song.path = m_media.filePath("lib.mp3");
        song.kind = "audio";
        song.title = "Rio";
        song.artist = "Ana";
        song.album = "Mar";
        song.duration = 125;
        song.folder = m_media.path();
        QFile(song.path).open(QIODevice::WriteOnly);
        MediaRecord gone = song;
        gone.path = m_media.filePath("deleted.mp3");
        gone.title.clear();
        gone.artist.clear();
        gone.album.clear();
        gone.duration = 0;
        QVERIFY(m_db->storeScanned({song, gone}));
        const QString outside = TaggedMedia::audio(m_media.filePath("outside.ogg"), 2.0);
        QVERIFY(!outside.isEmpty());
        TaggedMedia::Tags tags;
        tags.title = "Fora";
        tags.artists = {"Bia"};
        tags.album = "Rua";
        QVERIFY(TaggedMedia::writeTags(outside, tags));
        const QString link = "https://radio.example/live?x=1";
        const qint64 id = makePlaylist("mix", {song.path, outside, gone.path, link});

        for (const bool english : {true, false}) {
            uiEnglish = english;
            auto page = makePage();
            select(page.get(), id);
            ReorderTable *view = table(page.get());
            QVERIFY(QTest::qWaitFor([&] { return view->rowCount() == 4; }));
            QVERIFY(waitSettled(page.get()));
            QCOMPARE(columnTexts(view, 0), (QStringList{"Rio", "Fora", "deleted", link}));
            QCOMPARE(columnTexts(view, 1), (QStringList{"Ana", "Bia", "", ""}));
            QCOMPARE(columnTexts(view, 2), (QStringList{"Mar", "Rua", "", ""}));
            QCOMPARE(view->item(0, 3)->text(), QString("2:05"));
            QVERIFY(view->item(1, 3)->text().startsWith("0:0"));
            QVERIFY(view->item(2, 3)->text().isEmpty());
            QCOMPARE(view->item(2, 0)->foreground().color(), QColor("#6b7c93"));
            for (const int row : {0, 1, 3})
                QVERIFY(view->item(row, 0)->foreground().style() == Qt::NoBrush);
            QCOMPARE(view->item(1, 0)->data(Qt::UserRole + 1).toString(), outside);
            QCOMPARE(view->item(1, 0)->toolTip(), outside);
            const auto *subtitle = page->findChildren<QLabel *>("Muted").first();
            QCOMPARE(subtitle->text(),
                     english ? QString("4 items · 2:07") : QString("4 itens · 2:07"));
            QCOMPARE(view->horizontalHeaderItem(2)->text(), english ? "Album" : "Álbum");

            // Activating a row plays the whole table from there.
            emit view->itemActivated(view->item(2, 0));
            QCOMPARE(m_host.played, (QStringList{song.path, outside, gone.path, link}));
            QCOMPARE(m_host.playedIndex, 2);
        }

        // A favourite reloads the favourites only.
        uiEnglish = true;
        auto page = makePage();
        select(page.get(), id);
        QVERIFY(waitSettled(page.get()));
        m_db->setFavorite(song.path, true);
        QCOMPARE(table(page.get())->rowCount(), 4);
        sidebar(page.get())->setCurrentRow(0);
        QVERIFY(QTest::qWaitFor([&] { return table(page.get())->rowCount() == 1; }));
        m_db->setFavorite(outside, true);
        QVERIFY(QTest::qWaitFor([&] { return table(page.get())->rowCount() == 2; }));
        m_db->setFavorite(song.path, false);
        m_db->setFavorite(outside, false);
    }

    void dragReorder_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("dropOn"); // a row, or -1 for below the last one
        QTest::addColumn<QString>("order");

        QTest::newRow("two down") << QList<int>{1} << 3 << "acbdef";
        QTest::newRow("onto the next") << QList<int>{1} << 2 << "abcdef";
        QTest::newRow("three scattered") << QList<int>{0, 2, 5} << 4 << "bdacfe";
        QTest::newRow("below the last") << QList<int>{0, 3} << -1 << "bcefad";
        QTest::newRow("onto a selected") << QList<int>{1, 4} << 4 << "abcdef";
        QTest::newRow("up to the top") << QList<int>{4, 5} << 0 << "efabcd";
    }

    void dragReorder()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, dropOn);
        QFETCH(QString, order);
        QStringList paths;
        for (const QChar letter : QString("abcdef"))
            paths.append("/m/" + QString(letter) + ".mp3");
        const qint64 id = makePlaylist("drag", paths);
        auto page = makePage();
        select(page.get(), id);
        QVERIFY(waitSettled(page.get()));
        ReorderTable *view = table(page.get());
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        for (const int row : selected)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QRect last = view->visualRect(view->model()->index(5, 0));
        const QPoint to = dropOn < 0 ? QPoint(last.center().x(), last.bottom() + 30)
                                     : view->visualRect(view->model()->index(dropOn, 0)).center();
        QVERIFY(to.y() < view->viewport()->height());
        const QList<QListWidgetItem *> before =
                sidebar(page.get())->findItems("drag", Qt::MatchStartsWith);
        QVERIFY(dragRow(view, selected.first(), to));

        QStringList expected;
        for (const QChar letter : order)
            expected.append("/m/" + QString(letter) + ".mp3");
        QCOMPARE(page->tablePaths(), expected);
        QCOMPARE(m_db->playlistItems(id), expected);
        QCOMPARE(sidebar(page.get())->findItems("drag", Qt::MatchStartsWith), before);
    }

    void removeFromThisPlaylist()
    {
        const qint64 id = makePlaylist("trim", {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/d.mp3"});
        auto page = makePage();
        select(page.get(), id);
        QVERIFY(waitSettled(page.get()));
        ReorderTable *view = table(page.get());
        QListWidgetItem *row = sidebar(page.get())->currentItem();
        for (const int r : {0, 2})
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        emit view->customContextMenuRequested(
                view->visualRect(view->model()->index(2, 0)).center());
        QCOMPARE(m_host.menuPaths, (QStringList{"/m/a.mp3", "/m/c.mp3"}));
        QVERIFY(m_host.lastExtra);
        const QList<QAction *> actions = m_host.lastExtra->actions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first()->text(), QString("Remove from this playlist"));
        actions.first()->trigger();
        QCOMPARE(page->tablePaths(), (QStringList{"/m/b.mp3", "/m/d.mp3"}));
        QCOMPARE(m_db->playlistItems(id), (QStringList{"/m/b.mp3", "/m/d.mp3"}));
        // The sidebar was updated in place, not rebuilt.
        QCOMPARE(sidebar(page.get())->currentItem(), row);
        QCOMPARE(row->text(), QString("trim  (2)"));

        // An automatic list offers no removal.
        sidebar(page.get())->setCurrentRow(0);
        m_db->setFavorite("/m/x.mp3", true);
        QVERIFY(QTest::qWaitFor([&] { return view->rowCount() == 1; }));
        view->selectRow(0);
        delete m_host.lastExtra;
        emit view->customContextMenuRequested(
                view->visualRect(view->model()->index(0, 0)).center());
        QVERIFY(!m_host.lastExtra);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(view->rowCount(), 1);
        m_db->setFavorite("/m/x.mp3", false);
    }

    void importAndExport()
    {
        const QString list = m_media.filePath("road.m3u");
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#EXTM3U\n#PLAYLIST: <img src=x> Road\x01trip \n#EXTINF:1,a\n/m/a.mp3\n"
                   "http://s.example/live\n");
        file.close();
        const QString empty = m_media.filePath("empty.pls");
        QFile emptyFile(empty);
        QVERIFY(emptyFile.open(QIODevice::WriteOnly));
        emptyFile.write("[playlist]\nNumberOfEntries=0\n");
        emptyFile.close();

        for (const bool english : {true, false}) {
            uiEnglish = english;
            clearPlaylists();
            m_host.toasts.clear();
            auto page = makePage();
            QSignalSpy imported(page.get(), &PlaylistsPage::importFinished);
            const auto importFile = [&](const QString &path) {
                return withDialog<QFileDialog>(
                        [&] { page->findChild<QPushButton *>("ImportPlaylistButton")->click(); },
                        [&](QFileDialog *dialog) {
                            QCOMPARE(dialog->windowTitle(),
                                     english ? "Import playlist" : "Importar playlist");
                            // Typed, as selectFile may race the folder listing.
                            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(path);
                            static_cast<QDialog *>(dialog)->accept();
                        });
            };
            QVERIFY(importFile(empty));
            QVERIFY(imported.wait());
            QCOMPARE(imported.last().first().toLongLong(), 0);
            QVERIFY(m_db->playlists().isEmpty());
            QCOMPARE(m_host.toasts.last(),
                     english ? "Could not read the playlist" : "Não foi possível ler a playlist");

            QVERIFY(importFile(list));
            QVERIFY(imported.wait());
            const qint64 id = imported.last().first().toLongLong();
            QVERIFY(id > 0);
            QCOMPARE(m_db->playlists().size(), 1);
            QCOMPARE(m_db->playlists().first().name, QString("<img src=x> Road trip"));
            QCOMPARE(m_db->playlistItems(id), (QStringList{"/m/a.mp3", "http://s.example/live"}));
            QCOMPARE(m_host.toasts.last(),
                     english ? "Playlist \"<img src=x> Road trip\" imported (2 items)"
                             : "Playlist \"<img src=x> Road trip\" importada (2 itens)");
            QCOMPARE(page->currentPlaylistId(), id);
            const auto titles = page->findChildren<QLabel *>("PageTitle");
            QVERIFY(std::any_of(titles.begin(), titles.end(), [](QLabel *label) {
                return label->text() == "<img src=x> Road trip" &&
                       label->textFormat() == Qt::PlainText;
            }));

            // Export proposes a safe name and writes the table.
            QVERIFY(waitSettled(page.get()));
            QSignalSpy exported(page.get(), &PlaylistsPage::exportFinished);
            const QString target = m_media.filePath(english ? "out-en.m3u8" : "out-pt.m3u8");
            QVERIFY(withDialog<QFileDialog>(
                    [&] { page->findChild<QPushButton *>("ExportPlaylistButton")->click(); },
                    [&](QFileDialog *dialog) {
                        auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit");
                        QCOMPARE(edit->text(), QString("_img src=x_ Road trip.m3u8"));
                        edit->setText(target);
                        static_cast<QDialog *>(dialog)->accept();
                    }));
            QVERIFY(exported.wait());
            QVERIFY(exported.last().first().toBool());
            QCOMPARE(m_host.toasts.last(), english ? "Playlist exported" : "Playlist exportada");
            QString name;
            QStringList back;
            QVERIFY(readPlaylist(target, &name, &back));
            QCOMPARE(back, (QStringList{"/m/a.mp3", "http://s.example/live"}));
        }
    }

    void importedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trimmed") << " \tRoad \n"
                                 << "Road";
        QTest::newRow("controls") << "a\x01"
                                     "b\x7F"
                                     "c\u2028d"
                                  << "a b c d";
        QTest::newRow("empty") << "   "
                               << "list";
        QTest::newRow("long") << QString(300, 'x') << QString(200, 'x');
        QTest::newRow("long emoji") << QString(199, 'x') + "😀" << QString(199, 'x');
    }

    void importedNames()
    {
        QFETCH(QString, name);
        QTEST(PlaylistsPage::importedName(name, "/m/list.m3u"), "expected");
    }
};

QTEST_MAIN(tst_PlaylistsPage)
#include "tst_playlistspage.moc"
