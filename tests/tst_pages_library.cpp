#include "PlayerTestUtil.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "library/Library.h"
#include "ui/CardView.h"
#include "ui/Host.h"
#include "ui/ItemRoles.h"
#include "ui/MainWindow.h"
#include "ui/pages/MusicPage.h"
#include "ui/pages/NowPlaying.h"
#include "ui/pages/PageContext.h"
#include "ui/pages/VideosPage.h"
#include "ui/window/PageNavigator.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Records what a page asks of the window.
class RecordingHost final : public Host
{
public:
    struct Call
    {
        QString op;
        QStringList paths;
        int index = -1;
        QPoint pos;
        QWidget *extra = nullptr;
    };

    PlayerCore *core = nullptr;
    QList<Call> calls;

    void record(const QString &op, const QStringList &paths, int index = -1, QPoint pos = {},
                QWidget *extra = nullptr)
    {
        calls.append({op, paths, index, pos, extra});
    }

    PlayerCore *player() const override { return core; }
    void playPaths(const QStringList &paths, int startIndex) override
    {
        record(QStringLiteral("playPaths"), paths, startIndex, {}, nullptr);
    }
    void enqueuePaths(const QStringList &paths) override
    {
        record(QStringLiteral("enqueuePaths"), paths);
    }
    void playNextPaths(const QStringList &paths) override
    {
        record(QStringLiteral("playNextPaths"), paths);
    }
    void playPath(const QString &path) override { record(QStringLiteral("playPath"), {path}); }
    void showMediaMenu(const QStringList &paths, const QPoint &globalPos, QWidget *extra) override
    {
        record(QStringLiteral("showMediaMenu"), paths, -1, globalPos, extra);
    }
    void openFiles() override {}
    void openFolder() override {}
    void openLink() override {}
    void showToast(const QString &) override {}
    void navigate(const QString &id) override { record(QStringLiteral("navigate"), {id}); }
};

Database *db()
{
    return Database::instance();
}

MediaRecord video(const QString &path, const QString &title, qint64 size = 0, double duration = 0,
                  qint64 addedAt = 0)
{
    MediaRecord r;
    r.path = path;
    r.kind = QStringLiteral("video");
    r.title = title;
    r.folder = QFileInfo(path).absolutePath();
    r.size = size;
    r.duration = duration;
    r.addedAt = addedAt;
    return r;
}

struct Song
{
    QString path, title, artist, album, genre;
    int track = 0;
    double duration = 0;
    QString albumArtist;
    int year = 0;
};

MediaRecord song(const Song &s)
{
    MediaRecord r;
    r.path = s.path;
    r.kind = QStringLiteral("audio");
    r.title = s.title;
    r.artist = s.artist;
    r.album = s.album;
    r.albumArtist = s.albumArtist;
    r.genre = s.genre;
    r.track = s.track;
    r.duration = s.duration;
    r.year = s.year;
    r.folder = QFileInfo(s.path).absolutePath();
    return r;
}

QStringList column(const QAbstractItemModel *model, int role, int col = 0)
{
    QStringList values;
    for (int row = 0; row < model->rowCount(); ++row)
        values.append(model->index(row, col).data(role).toString());
    return values;
}

// Right-clicks a view's viewport at the item's centre.
void rightClick(QAbstractItemView *view, const QModelIndex &index)
{
    const QPoint pos = view->visualRect(index).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view->viewport(), &event);
}

// Presses Return on an item, which activates it.
void activate(QAbstractItemView *view, const QModelIndex &index)
{
    view->setFocus();
    view->setCurrentIndex(index);
    QTest::keyClick(view, Qt::Key_Return);
}

// Answers the next directory chooser with folder; returns its title.
QString chooseDirectory(const std::function<void()> &trigger, const QString &folder)
{
    QString title;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        title = dialog->windowTitle();
        // With nothing typed or selected the dialog answers the folder it shows.
        dialog->setDirectory(folder);
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->clear();
        for (QAbstractItemView *view : dialog->findChildren<QAbstractItemView *>())
            view->clearSelection();
        static_cast<QDialog *>(dialog)->accept();
    });
    poll.start();
    trigger();
    return title;
}

// Every text a page shows: labels, buttons, placeholders, tool tips, combo
// entries, tabs and table headers.
QStringList pageTexts(QWidget *page)
{
    QStringList texts;
    for (QLabel *label : page->findChildren<QLabel *>())
        texts << label->text();
    for (QPushButton *button : page->findChildren<QPushButton *>())
        texts << button->text() << button->toolTip();
    for (QLineEdit *edit : page->findChildren<QLineEdit *>())
        texts << edit->placeholderText();
    for (QComboBox *combo : page->findChildren<QComboBox *>()) {
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    }
    for (QTabBar *tabs : page->findChildren<QTabBar *>()) {
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    }
    for (QTableView *table : page->findChildren<QTableView *>()) {
        for (int i = 0; i < table->model()->columnCount(); ++i)
            texts << table->model()->headerData(i, Qt::Horizontal).toString();
    }
    return texts;
}

} // namespace

// The videos and music pages over a real database file, a real library scan
// and a real engine for the shuffle flag; the window is replaced by a host
// that records calls.
class tst_PagesLibrary final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<PlayerCore> m_core;
    RecordingHost m_host;
    int m_databases = 0;

    PageContext context() { return PageContext{&m_host, m_core.get(), db()}; }

    template<typename T>
    static T *child(QWidget *page, const char *name)
    {
        T *found = page->findChild<T *>(QLatin1String(name));
        if (!found)
            qWarning("no child %s", name);
        return found;
    }

    // A grid of videos with the given titles under dir/<folder>, stored
    // through the database.
    static QList<MediaRecord> storeVideos(const QString &dir, const QStringList &titles)
    {
        QList<MediaRecord> rows;
        for (int i = 0; i < titles.size(); ++i)
            rows.append(video(QStringLiteral("%1/v%2.mkv").arg(dir).arg(i, 4, 10, QLatin1Char('0')),
                              titles.at(i), (i + 1) * 1048576, 60.0 * (i + 1)));
        db()->storeScanned(rows);
        return rows;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_pages_library")));
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
        QLocale::setDefault(QLocale(QStringLiteral("pt_BR")));
        m_core = PlayerTestUtil::startCore();
        QVERIFY(m_core);
        m_host.core = m_core.get();
        // The library's first-run folders would scan the test home.
        for (const QString &kind : {QStringLiteral("audio"), QStringLiteral("video")}) {
            for (const QString &folder : Library::instance()->folders(kind))
                Library::instance()->removeFolder(kind, folder);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!Library::instance()->isScanning(), 30000);
    }

    void init()
    {
        uiEnglish = true;
        m_host.calls.clear();
        QVERIFY(db()->open(m_home.filePath(QStringLiteral("db%1.db").arg(++m_databases))));
    }

    void cleanupTestCase()
    {
        Library::instance()->deleteLater();
        m_core.reset();
    }

    // A real scan of two folders, the chooser, sizes, the folder combo across
    // rescans and the duration that arrives with a thumbnail.
    void videosScanAndFolders()
    {
        QTemporaryDir media;
        const QString root = media.path();
        QVERIFY(QDir(root).mkpath(QStringLiteral("alpha")));
        QVERIFY(QDir(root).mkpath(QStringLiteral("beta")));
        QVERIFY(!TestMedia::solidVideo(root + QStringLiteral("/alpha/red.mp4"), 1, "red")
                         .isEmpty());
        QVERIFY(!TestMedia::solidVideo(root + QStringLiteral("/beta/green.mp4"), 1, "green")
                         .isEmpty());
        for (const auto &[name, size] : {std::pair{"gib.mp4", qint64(1) << 30},
                                         std::pair{"over.mp4", (qint64(1) << 30) + 1}}) {
            QFile sparse(root + QStringLiteral("/alpha/") + QLatin1String(name));
            QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(size));
        }
        // Files that are no video at all still get a card, without a badge.
        QFile(root + QStringLiteral("/alpha/empty.mkv")).open(QIODevice::WriteOnly);
        QFile text(root + QStringLiteral("/alpha/notes.mkv"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a video\n") > 0);
        text.close();

        // Hidden while the scan runs: no card is painted, so no thumbnail is asked for.
        VideosPage page(context());
        page.resize(1000, 700);
        auto *stack = page.findChild<QStackedWidget *>();
        auto *cards = child<CardView>(&page, "videoCards");
        auto *folders = child<QComboBox>(&page, "videosFolders");
        QCOMPARE(stack->currentIndex(), 1);

        QSignalSpy finished(Library::instance(), &Library::scanFinished);
        QPushButton *add = nullptr;
        for (QPushButton *button : page.findChildren<QPushButton *>()) {
            if (button->text() == QLatin1String("Add folder"))
                add = button;
        }
        QVERIFY(add);
        QCOMPARE(chooseDirectory([add] { add->click(); }, root), QStringLiteral("Video folder"));
        QCOMPARE(Library::instance()->folders(QStringLiteral("video")), QStringList{root});
        QTRY_COMPARE_WITH_TIMEOUT(cards->model()->rowCount(), 6, 60000);
        QCOMPARE(stack->currentIndex(), 0);

        QHash<QString, QString> subtitles;
        for (int row = 0; row < cards->model()->rowCount(); ++row) {
            const QModelIndex index = cards->model()->index(row, 0);
            subtitles.insert(QFileInfo(index.data(ItemRole::Path).toString()).fileName(),
                             index.data(ItemRole::Subtitle).toString());
            QCOMPARE(index.data(ItemRole::Kind).toString(), QStringLiteral("video"));
        }
        QCOMPARE(subtitles.value(QStringLiteral("gib.mp4")), QStringLiteral("alpha · 1024 MB"));
        QCOMPARE(subtitles.value(QStringLiteral("over.mp4")), QStringLiteral("alpha · 1.0 GB"));
        QCOMPARE(subtitles.value(QStringLiteral("empty.mkv")), QStringLiteral("alpha"));
        QVERIFY(subtitles.value(QStringLiteral("green.mp4")).startsWith(QStringLiteral("beta · ")));

        // The scan measures no video; the thumbnails, rendered once the cards
        // are painted, bring the durations.
        for (int row = 0; row < cards->model()->rowCount(); ++row)
            QVERIFY(cards->model()->index(row, 0).data(ItemRole::Badge).toString().isEmpty());
        const QString red = root + QStringLiteral("/alpha/red.mp4");
        QSignalSpy covered(Covers::instance(), &Covers::ready);
        page.show();
        const auto badgeOf = [cards](const QString &path) {
            return cards->model()
                    ->match(cards->model()->index(0, 0), ItemRole::Path, path, 1, Qt::MatchExactly)
                    .value(0)
                    .data(ItemRole::Badge)
                    .toString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(badgeOf(red), QStringLiteral("0:01"), 30000);
        QVERIFY(std::any_of(covered.cbegin(), covered.cend(),
                            [&red](const QList<QVariant> &args) { return args.at(0) == red; }));
        // The sparse files have no picture and no duration.
        QTRY_VERIFY_WITH_TIMEOUT(Covers::instance()->idle(), 30000);
        for (const char *name : {"gib.mp4", "empty.mkv", "notes.mkv"})
            QVERIFY2(badgeOf(root + QStringLiteral("/alpha/") + QLatin1String(name)).isEmpty(),
                     name);

        QCOMPARE(folders->count(), 3);
        QCOMPARE(folders->itemText(1), QStringLiteral("alpha"));
        QCOMPARE(folders->itemText(2), QStringLiteral("beta"));
        folders->setCurrentIndex(2);
        QCOMPARE(cards->model()->rowCount(), 1);

        // The selection survives a rescan that brings in a new file.
        QVERIFY(!TestMedia::solidVideo(root + QStringLiteral("/beta/blue.mp4"), 1, "blue")
                         .isEmpty());
        QPushButton *rescan = nullptr;
        for (QPushButton *button : page.findChildren<QPushButton *>()) {
            if (button->toolTip() == QLatin1String("Rescan library"))
                rescan = button;
        }
        QVERIFY(rescan);
        rescan->click();
        QTRY_COMPARE_WITH_TIMEOUT(cards->model()->rowCount(), 2, 60000);
        QCOMPARE(folders->currentData().toString(), root + QStringLiteral("/beta"));

        // The folder goes away: back to all folders.
        QVERIFY(QDir(root + QStringLiteral("/beta")).removeRecursively());
        finished.clear();
        rescan->click();
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
        QTRY_COMPARE(folders->currentIndex(), 0);
        QCOMPARE(folders->count(), 2);
        QCOMPARE(cards->model()->rowCount(), 5);
        Library::instance()->removeFolder(QStringLiteral("video"), root);
        QTRY_VERIFY_WITH_TIMEOUT(!Library::instance()->isScanning(), 30000);
    }

    void videosSortAndFilter()
    {
        const QString dir = m_home.filePath(QStringLiteral("clips"));
        QList<MediaRecord> rows = {
                video(dir + QStringLiteral("/a.mkv"), QStringLiteral("água"), 300, 10, 1000),
                video(dir + QStringLiteral("/b.mkv"), QStringLiteral("Abelha"), 100, 40, 3000),
                video(dir + QStringLiteral("/c.mkv"), QStringLiteral("zebra"), 400, 20, 2000),
                video(dir + QStringLiteral("/d.mkv"), QStringLiteral("Éclair"), 200, 30, 4000),
                video(m_home.filePath(QStringLiteral("holiday/<i>e.mkv")),
                      QStringLiteral("<b>x</b>"), 0, 0, 500)};
        QVERIFY(db()->storeScanned(rows));
        setSettingValue(QStringLiteral("videos/sort"), QStringLiteral("name"));

        auto page = std::make_unique<VideosPage>(context());
        auto *cards = child<CardView>(page.get(), "videoCards");
        auto *sort = child<QComboBox>(page.get(), "videosSort");
        auto *search = child<QLineEdit>(page.get(), "videosSearch");
        const auto titles = [&cards] {
            return column(cards->model(), Qt::DisplayRole);
        };
        QCOMPARE(titles(), (QStringList{"<b>x</b>", "Abelha", "água", "Éclair", "zebra"}));
        QCOMPARE(cards->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("<p style='white-space:pre-wrap'>%1</p>")
                         .arg(rows.last().path.toHtmlEscaped()));

        const struct
        {
            const char *key;
            QStringList order;
        } keys[] = {{"date", {"Éclair", "Abelha", "zebra", "água", "<b>x</b>"}},
                    {"size", {"zebra", "água", "Éclair", "Abelha", "<b>x</b>"}},
                    {"duration", {"Abelha", "Éclair", "zebra", "água", "<b>x</b>"}}};
        for (const auto &key : keys) {
            sort->setCurrentIndex(sort->findData(QLatin1String(key.key)));
            QCOMPARE(titles(), key.order);
            QCOMPARE(settingValue(QStringLiteral("videos/sort")).toString(),
                     QLatin1String(key.key));
        }
        page = std::make_unique<VideosPage>(context());
        sort = child<QComboBox>(page.get(), "videosSort");
        QCOMPARE(sort->currentData().toString(), QStringLiteral("duration"));
        setSettingValue(QStringLiteral("videos/sort"), QStringLiteral("bogus"));
        page = std::make_unique<VideosPage>(context());
        cards = child<CardView>(page.get(), "videoCards");
        search = child<QLineEdit>(page.get(), "videosSearch");
        QCOMPARE(child<QComboBox>(page.get(), "videosSort")->currentData().toString(),
                 QStringLiteral("name"));
        QCOMPARE(titles().first(), QStringLiteral("<b>x</b>"));

        // Part of a folder name finds its videos; a size of 0 leaves the folder alone.
        search->setText(QStringLiteral("olida"));
        QCOMPARE(titles(), QStringList{"<b>x</b>"});
        QCOMPARE(cards->model()->index(0, 0).data(ItemRole::Subtitle).toString(),
                 QStringLiteral("holiday"));
        search->setText(QStringLiteral("nothing like this"));
        QCOMPARE(cards->model()->rowCount(), 0);
        QCOMPARE(page->findChild<QStackedWidget *>()->currentIndex(), 0);

        // Many equal titles keep one order: by path.
        QStringList same;
        for (int i = 0; i < 300; ++i)
            same.append(QStringLiteral("Same"));
        QList<MediaRecord> many = storeVideos(m_home.filePath(QStringLiteral("many")), same);
        search->setText(QStringLiteral("Same"));
        const QStringList paths = column(cards->model(), ItemRole::Path);
        QStringList sorted = paths;
        sorted.sort();
        QCOMPARE(paths, sorted);
        QCOMPARE(paths.size(), many.size());
    }

    void videosHistoryAndPlace()
    {
        const QList<MediaRecord> rows =
                storeVideos(m_home.filePath(QStringLiteral("hist")),
                            QStringList{"a", "b", "c", "d"} + QStringList(80, QStringLiteral("z")));
        const auto entry = [](const MediaRecord &r, double pos, double dur, bool finished) {
            HistoryEntry e;
            e.path = r.path;
            e.kind = QStringLiteral("video");
            e.position = pos;
            e.duration = dur;
            e.finished = finished;
            return e;
        };
        db()->recordHistory(entry(rows[0], 10, 100, true));
        db()->recordHistory(entry(rows[1], 150, 100, false));
        db()->recordHistory(entry(rows[2], 25, 100, false));

        VideosPage page(context());
        page.resize(900, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto *cards = child<CardView>(&page, "videoCards");
        const auto progress = [cards](int row) {
            return cards->model()->index(row, 0).data(ItemRole::Progress);
        };
        QCOMPARE(progress(0).toDouble(), 1.0);
        QCOMPARE(progress(1).toDouble(), 1.0);
        QCOMPARE(progress(2).toDouble(), 0.25);
        QVERIFY(!progress(3).isValid());

        // Visible: the bar follows a history change.
        db()->recordHistory(entry(rows[3], 50, 100, false));
        QTRY_COMPARE(progress(3).toDouble(), 0.5);

        // Hidden: not rebuilt then, but by the time the page shows again.
        page.hide();
        db()->recordHistory(entry(rows[3], 75, 100, false));
        QCOMPARE(progress(3).toDouble(), 0.5);
        page.show();
        QTRY_COMPARE(progress(3).toDouble(), 0.75);

        // A rebuild keeps the selection and the card at the top.
        QApplication::processEvents();
        cards->scrollToBottom();
        QTRY_VERIFY(cards->verticalScrollBar()->value() > 0);
        const QModelIndex topBefore = cards->indexAt(QPoint(8, 8));
        QVERIFY(topBefore.row() > 0);
        const QString topPath = topBefore.data(ItemRole::Path).toString();
        cards->selectionModel()->select(cards->model()->index(70, 0), QItemSelectionModel::Select);
        cards->selectionModel()->select(cards->model()->index(72, 0), QItemSelectionModel::Select);
        db()->recordHistory(entry(rows[5], 20, 100, false));
        QVERIFY(progress(5).isValid());
        // Let the grid lay out the new cards and settle its scroll bar.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(cards->indexAt(QPoint(8, 8)).data(ItemRole::Path).toString(), topPath);
        QStringList selected;
        for (const QModelIndex &index : cards->selectionModel()->selectedIndexes())
            selected.append(index.data(ItemRole::Path).toString());
        selected.sort();
        QCOMPARE(selected,
                 (QStringList{cards->model()->index(70, 0).data(ItemRole::Path).toString(),
                              cards->model()->index(72, 0).data(ItemRole::Path).toString()}));
    }

    void videosActions()
    {
        const QList<MediaRecord> rows =
                storeVideos(m_home.filePath(QStringLiteral("act")), {"a", "b", "c", "d"});
        VideosPage page(context());
        page.resize(1000, 600);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto *cards = child<CardView>(&page, "videoCards");
        activate(cards, cards->model()->index(1, 0));
        cards->clearSelection();
        QCOMPARE(m_host.calls.size(), 1);
        QCOMPARE(m_host.calls[0].op, QStringLiteral("playPath"));
        QCOMPARE(m_host.calls[0].paths, QStringList{rows[1].path});

        m_host.calls.clear();
        for (int row : {0, 2, 3})
            cards->selectionModel()->select(cards->model()->index(row, 0),
                                            QItemSelectionModel::Select);
        rightClick(cards, cards->model()->index(2, 0));
        QCOMPARE(m_host.calls.size(), 1);
        QCOMPARE(m_host.calls[0].op, QStringLiteral("showMediaMenu"));
        QStringList paths = m_host.calls[0].paths;
        paths.sort();
        QCOMPARE(paths, (QStringList{rows[0].path, rows[2].path, rows[3].path}));
        QVERIFY(!m_host.calls[0].extra);
        const QPoint centre = cards->visualRect(cards->model()->index(2, 0)).center();
        QCOMPARE(m_host.calls[0].pos, cards->viewport()->mapToGlobal(centre));
    }

private:
    // A small music library: two albums in two letter cases, a song without
    // album, a real album called "No album", two genres and two folders.
    QList<MediaRecord> storeSongs()
    {
        const QString a = m_home.filePath(QStringLiteral("music/a"));
        const QString b = m_home.filePath(QStringLiteral("music/b"));
        const QList<Song> songs = {
                {a + "/1.mp3", "One", "Zed", "Blue Sky", "Rock & Roll", 9, 65, "The Band", 1999},
                {a + "/2.mp3", "Two", "Amy", "blue sky", "Rock & Roll", 10, 3725, "", 2001},
                {a + "/3.mp3", "three", "Amy", "Blue Sky", "Jazz", 0, 30, "", 0},
                {b + "/4.mp3", "%1 and %2", "", "", "", 2, 0, "", 0},
                {b + "/5.mp3", "Five", "Bob", "No album", "Jazz", 1, 100, "", 0},
                {b + "/6.mp3", "<b>x</b>", "Bob", "Loose", "Jazz", -3, -5, "", 2010},
        };
        QList<MediaRecord> rows;
        for (const Song &s : songs)
            rows.append(song(s));
        db()->storeScanned(rows);
        return rows;
    }

    static QStringList shownTitles(QTableView *table)
    {
        return column(table->model(), Qt::DisplayRole, 1);
    }

private slots:
    void musicTable()
    {
        const QList<MediaRecord> rows = storeSongs();
        for (int i = 0; i < 10; ++i)
            db()->countPlay(rows[0].path);
        db()->countPlay(rows[1].path);
        for (int i = 0; i < 9; ++i)
            db()->countPlay(rows[2].path);

        MusicPage page(context());
        auto *table = child<QTableView>(&page, "songTable");
        QHeaderView *header = table->horizontalHeader();
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(table->verticalHeader()->defaultSectionSize(), 36);
        QCOMPARE(header->sectionResizeMode(1), QHeaderView::Stretch);
        for (const auto &[col, width] : {std::pair{0, 48}, {2, 200}, {3, 200}, {4, 110}, {5, 80}})
            QCOMPARE(header->sectionSize(col), width);
        // Unknown artist first, then by collation.
        QCOMPARE(column(table->model(), Qt::DisplayRole, 2),
                 (QStringList{"", "Amy", "Amy", "Bob", "Bob", "Zed"}));

        const QAbstractItemModel *model = table->model();
        const auto rowOf = [model](const QString &title) {
            for (int row = 0; row < model->rowCount(); ++row) {
                if (model->index(row, 1).data().toString() == title)
                    return row;
            }
            return -1;
        };
        const int one = rowOf(QStringLiteral("One"));
        const QStringList cells = {"9", "One", "Zed", "Blue Sky", "Rock & Roll", "1:05", "10"};
        const char *colours[] = {"#6b7c93", nullptr,   "#c9d4e3", "#c9d4e3",
                                 "#a8b5c7", "#a8b5c7", "#a8b5c7"};
        for (int col = 0; col < 7; ++col) {
            const QModelIndex index = model->index(one, col);
            QCOMPARE(index.data().toString(), cells[col]);
            const QVariant colour = index.data(Qt::ForegroundRole);
            if (colours[col])
                QCOMPARE(colour.value<QBrush>().color(), QColor(QLatin1String(colours[col])));
            else
                QVERIFY(!colour.isValid());
        }
        QCOMPARE(model->index(one, 0).data(ItemRole::Path).toString(), rows[0].path);
        QCOMPARE(model->index(one, 1).data(Qt::ToolTipRole).toString(), rows[0].path);
        QCOMPARE(model->index(rowOf("Two"), 5).data().toString(), QStringLiteral("1:02:05"));
        const int bad = rowOf(QStringLiteral("<b>x</b>"));
        for (int col : {0, 5, 6})
            QVERIFY(model->index(bad, col).data().toString().isEmpty());
        QVERIFY(model->index(rowOf("%1 and %2"), 2).data().toString().isEmpty());

        // Numbers sort as numbers, text by collation.
        table->sortByColumn(0, Qt::AscendingOrder);
        QCOMPARE(column(model, Qt::DisplayRole, 0), (QStringList{"", "", "1", "2", "9", "10"}));
        table->sortByColumn(6, Qt::DescendingOrder);
        QCOMPARE(column(model, Qt::DisplayRole, 6).mid(0, 3), (QStringList{"10", "9", "1"}));
        table->sortByColumn(5, Qt::AscendingOrder);
        QCOMPARE(column(model, Qt::DisplayRole, 5).last(), QStringLiteral("1:02:05"));
        table->sortByColumn(1, Qt::AscendingOrder);
        QCOMPARE(shownTitles(table),
                 (QStringList{"%1 and %2", "<b>x</b>", "Five", "One", "three", "Two"}));

        // A reload keeps the widths, the order and the selected rows.
        header->resizeSection(3, 150);
        table->selectRow(rowOf(QStringLiteral("Five")));
        MediaRecord extra = rows[4];
        extra.path = m_home.filePath(QStringLiteral("music/b/7.mp3"));
        extra.title = QStringLiteral("Aaa");
        db()->storeScanned({extra});
        QCOMPARE(table->model()->rowCount(), 7);
        QCOMPARE(header->sectionSize(3), 150);
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(shownTitles(table).first(), QStringLiteral("%1 and %2"));
        const QModelIndexList selected = table->selectionModel()->selectedRows(1);
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("Five"));
    }

    void musicFilters()
    {
        const QList<MediaRecord> rows = storeSongs();
        MusicPage page(context());
        page.show();
        auto *table = child<QTableView>(&page, "songTable");
        auto *chip = child<QPushButton>(&page, "musicChip");
        auto *tabs = child<QTabBar>(&page, "musicTabs");
        auto *search = child<QLineEdit>(&page, "musicSearch");
        QVERIFY(chip->isHidden());

        const struct
        {
            const char *kind;
            QString value;
            QStringList titles; // sorted
            QString chip;
        } cases[] = {
                {"artist", "Amy", {"Two", "three"}, "Artist: Amy"},
                {"artist", "", {"%1 and %2"}, "Artist: (empty)"},
                {"album", "BLUE SKY", {"One", "Two", "three"}, "Album: BLUE SKY"},
                {"album", "", {"%1 and %2"}, "Album: (empty)"},
                {"album", "No album", {"Five"}, "Album: No album"},
                {"genre", "Rock & Roll", {"One", "Two"}, "Genre: Rock && Roll"},
                {"folder",
                 m_home.filePath("music/b"),
                 {"%1 and %2", "<b>x</b>", "Five"},
                 "Folder: b"},
        };
        for (const auto &c : cases) {
            page.applyFilter(QLatin1String(c.kind), c.value);
            QStringList titles = shownTitles(table);
            titles.sort();
            QCOMPARE(titles, c.titles);
            QVERIFY(chip->isVisible());
            QCOMPARE(chip->text(), c.chip);
        }
        // An album plays in track order, blanks first.
        page.applyFilter(QStringLiteral("album"), QStringLiteral("blue sky"));
        QCOMPARE(shownTitles(table), (QStringList{"three", "One", "Two"}));
        chip->click();
        QVERIFY(chip->isHidden());
        QCOMPARE(table->model()->rowCount(), rows.size());

        const struct
        {
            QString text;
            int count;
        } searches[] = {{"FIVE", 1}, {"amy", 2},   {"blue", 3},
                        {"jazz", 3}, {"music", 0}, {"3.mp3", 0}};
        for (const auto &s : searches) {
            search->setText(s.text);
            QCOMPARE(table->model()->rowCount(), s.count);
        }
        search->clear();
        tabs->setCurrentIndex(1);
        search->setText(QStringLiteral("  "));
        QCOMPARE(tabs->currentIndex(), 1);
        search->setText(QStringLiteral("one"));
        QCOMPARE(tabs->currentIndex(), 0);
        tabs->setCurrentIndex(1);
        search->clear();
        QCOMPARE(tabs->currentIndex(), 1);
    }

    void musicGroups()
    {
        storeSongs();
        const QList<MediaRecord> order = db()->libraryMedia(QStringLiteral("audio"));
        QString lastBlueSky;
        QString blueSkyArtist;
        int blueSkyYear = 0;
        for (const MediaRecord &r : order) {
            if (r.album.compare(QLatin1String("blue sky"), Qt::CaseInsensitive) != 0)
                continue;
            lastBlueSky = r.album;
            if (blueSkyArtist.isEmpty())
                blueSkyArtist = r.albumArtist.isEmpty() ? r.artist : r.albumArtist;
            if (r.year != 0)
                blueSkyYear = r.year;
        }
        MusicPage page(context());
        page.resize(1000, 700);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto *tabs = child<QTabBar>(&page, "musicTabs");
        auto *cards = child<CardView>(&page, "albumCards");
        auto *table = child<QTableView>(&page, "songTable");
        tabs->setCurrentIndex(1);
        QVERIFY(cards->isVisible());
        const QAbstractItemModel *model = cards->model();
        QCOMPARE(column(model, Qt::DisplayRole),
                 (QStringList{lastBlueSky, "Loose", "No album", "No album"}));
        QCOMPARE(column(model, ItemRole::Subtitle),
                 (QStringList{blueSkyArtist + " · " + QString::number(blueSkyYear), "Bob · 2010",
                              "Bob", "1 songs"}));
        QCOMPARE(column(model, ItemRole::FilterValue),
                 (QStringList{lastBlueSky, "Loose", "No album", ""}));
        QCOMPARE(model->index(0, 0).data(ItemRole::Paths).toStringList().size(), 3);
        QCOMPARE(model->index(0, 0).data(ItemRole::Kind).toString(), QStringLiteral("audio"));

        // The merged card shows all of its songs; the unnamed one only its own.
        activate(cards, model->index(0, 0));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(table->model()->rowCount(), 3);
        tabs->setCurrentIndex(1);
        activate(cards, cards->model()->index(3, 0));
        QCOMPARE(shownTitles(table), QStringList{"%1 and %2"});
        QCOMPARE(child<QPushButton>(&page, "musicChip")->text(), QStringLiteral("Album: (empty)"));

        const struct
        {
            int tab;
            QStringList texts;
            QStringList values;
        } lists[] = {
                {2,
                 {"Unknown artist   ·   1", "Amy   ·   2", "Bob   ·   2", "Zed   ·   1"},
                 {"", "Amy", "Bob", "Zed"}},
                {3,
                 {"No genre   ·   1", "Jazz   ·   3", "Rock & Roll   ·   2"},
                 {"", "Jazz", "Rock & Roll"}},
                {4,
                 {QDir::toNativeSeparators(m_home.filePath("music/a")) + "   ·   3",
                  QDir::toNativeSeparators(m_home.filePath("music/b")) + "   ·   3"},
                 {m_home.filePath("music/a"), m_home.filePath("music/b")}},
        };
        auto *groups = child<QListView>(&page, "groupList");
        for (const auto &l : lists) {
            tabs->setCurrentIndex(l.tab);
            QCOMPARE(column(groups->model(), Qt::DisplayRole), l.texts);
            QCOMPARE(column(groups->model(), ItemRole::FilterValue), l.values);
            const QModelIndex first = groups->model()->index(0, 0);
            QCOMPARE(first.data(Qt::SizeHintRole).toSize().height(), 40);
            QVERIFY(!first.data(Qt::DecorationRole).value<QIcon>().isNull());
        }
        // A group row filters by its field.
        tabs->setCurrentIndex(2);
        activate(groups, groups->model()->index(1, 0));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(child<QPushButton>(&page, "musicChip")->text(), QStringLiteral("Artist: Amy"));
        QCOMPARE(table->model()->rowCount(), 2);
    }

    void musicActions()
    {
        const QList<MediaRecord> rows = storeSongs();
        MusicPage page(context());
        page.resize(1000, 700);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto *table = child<QTableView>(&page, "songTable");
        const auto button = [&page](const QString &text) {
            for (QPushButton *b : page.findChildren<QPushButton *>()) {
                if (b->text() == text)
                    return b;
            }
            return static_cast<QPushButton *>(nullptr);
        };
        page.showArtist(QStringLiteral("Bob"));
        table->sortByColumn(1, Qt::AscendingOrder);
        const QStringList shown = column(table->model(), ItemRole::Path);
        QCOMPARE(shown, (QStringList{rows[5].path, rows[4].path}));

        m_core->setShuffle(true);
        button(QStringLiteral("Play all"))->click();
        QVERIFY(!m_core->shuffle());
        QCOMPARE(m_host.calls.size(), 1);
        QCOMPARE(m_host.calls[0].paths, shown);
        QCOMPARE(m_host.calls[0].index, 0);
        for (int i = 0; i < 20; ++i)
            button(QStringLiteral("Shuffle"))->click();
        QVERIFY(m_core->shuffle());
        QSet<int> starts;
        for (const RecordingHost::Call &call : m_host.calls.mid(1)) {
            QCOMPARE(call.paths, shown);
            QVERIFY(call.index >= 0 && call.index < shown.size());
            starts.insert(call.index);
        }
        QCOMPARE(starts.size(), 2);

        // Row activation: the row's place in the shown order.
        m_host.calls.clear();
        activate(table, table->model()->index(1, 1));
        QCOMPARE(m_host.calls.size(), 1);
        QCOMPARE(m_host.calls[0].op, QStringLiteral("playPaths"));
        QCOMPARE(m_host.calls[0].index, 1);

        // Table menu: the selected rows.
        m_host.calls.clear();
        table->selectAll();
        rightClick(table, table->model()->index(0, 1));
        QCOMPARE(m_host.calls.size(), 1);
        QCOMPARE(m_host.calls[0].op, QStringLiteral("showMediaMenu"));
        QCOMPARE(QSet<QString>(m_host.calls[0].paths.begin(), m_host.calls[0].paths.end()),
                 QSet<QString>(shown.begin(), shown.end()));

        // Album card and group row menus: the group's paths.
        auto *tabs = child<QTabBar>(&page, "musicTabs");
        tabs->setCurrentIndex(1);
        auto *cards = child<CardView>(&page, "albumCards");
        m_host.calls.clear();
        rightClick(cards, cards->model()->index(0, 0));
        QCOMPARE(m_host.calls.size(), 1);
        QCOMPARE(m_host.calls[0].paths,
                 cards->model()->index(0, 0).data(ItemRole::Paths).toStringList());
        tabs->setCurrentIndex(3);
        auto *groups = child<QListView>(&page, "groupList");
        m_host.calls.clear();
        rightClick(groups, groups->model()->index(1, 0));
        QCOMPARE(m_host.calls.size(), 1);
        QStringList jazz = m_host.calls[0].paths;
        jazz.sort();
        QCOMPARE(jazz, (QStringList{rows[2].path, rows[4].path, rows[5].path}));

        // Nothing shown: nothing plays.
        page.showAlbum(QStringLiteral("no such album"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(table->model()->rowCount(), 0);
        m_host.calls.clear();
        button(QStringLiteral("Play all"))->click();
        button(QStringLiteral("Shuffle"))->click();
        QVERIFY(m_host.calls.isEmpty());
    }

    // Through the real window: a card plays its video from the stored point,
    // and the now-playing page's album and artist links open the songs.
    void windowWiring()
    {
        QTemporaryDir media;
        const QString clip =
                TestMedia::solidVideo(media.filePath(QStringLiteral("clip.mp4")), 20, "blue");
        QVERIFY(!clip.isEmpty());
        MediaRecord row = video(clip, QStringLiteral("Clip"), QFileInfo(clip).size());
        QVERIFY(db()->storeScanned({row}));
        HistoryEntry point;
        point.path = clip;
        point.kind = QStringLiteral("video");
        point.position = 8;
        point.duration = 20;
        db()->recordHistory(point);
        storeSongs();

        MainWindow window(m_core.get());
        window.resize(1280, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.navigate(QStringLiteral("videos"));
        auto *cards = window.findChild<CardView *>(QStringLiteral("videoCards"));
        QVERIFY(cards && cards->isVisible());
        QCOMPARE(cards->model()->index(0, 0).data(ItemRole::Progress).toDouble(), 0.4);
        activate(cards, cards->model()->index(0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(m_core->currentPath(), clip, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->position() >= 7.5, 15000);
        QVERIFY(m_core->position() < 12);
        QVERIFY(PlayerTestUtil::stopAndWaitIdle(*m_core));

        auto *nowPlaying = window.findChild<NowPlaying *>();
        QVERIFY(nowPlaying);
        // The music page is made when the link first opens it.
        emit nowPlaying->albumClicked(QStringLiteral("blue sky"));
        QCOMPARE(window.navigator()->currentPage(), QStringLiteral("music"));
        auto *chip = window.findChild<QPushButton *>(QStringLiteral("musicChip"));
        auto *table = window.findChild<QTableView *>(QStringLiteral("songTable"));
        QVERIFY(chip && table);
        QVERIFY(table->isVisible());
        QCOMPARE(chip->text(), QStringLiteral("Album: blue sky"));
        QCOMPARE(table->model()->rowCount(), 3);
        emit nowPlaying->artistClicked(QStringLiteral("Bob"));
        QCOMPARE(chip->text(), QStringLiteral("Artist: Bob"));
        QCOMPARE(table->model()->rowCount(), 2);
    }

    void emptyStatesAndTexts_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("videoTexts");
        QTest::addColumn<QStringList>("musicTexts");
        QTest::newRow("en") << true
                            << QStringList{"Videos",
                                           "Search videos…",
                                           "All folders",
                                           "Name",
                                           "Newest",
                                           "Size",
                                           "Duration",
                                           "Add folder",
                                           "Rescan library",
                                           "No videos in your library",
                                           "Choose the folders with your movies, shows and "
                                           "recordings. Zorvi Player lists everything with "
                                           "thumbnails and remembers where you stopped.",
                                           "Choose a video folder"}
                            << QStringList{"Music",
                                           "Search songs, artists, albums…",
                                           "Play all",
                                           "Shuffle",
                                           "Add folder",
                                           "Rescan library",
                                           "Songs",
                                           "Albums",
                                           "Artists",
                                           "Genres",
                                           "Folders",
                                           "#",
                                           "Title",
                                           "Artist",
                                           "Album",
                                           "Genre",
                                           "Time",
                                           "Plays",
                                           "Your music library is empty",
                                           "Add the folders with your music. Covers, artists, "
                                           "albums and genres are read automatically.",
                                           "Choose a music folder"};
        QTest::newRow("pt") << false
                            << QStringList{"Vídeos",
                                           "Buscar vídeos…",
                                           "Todas as pastas",
                                           "Nome",
                                           "Mais recentes",
                                           "Tamanho",
                                           "Duração",
                                           "Adicionar pasta",
                                           "Atualizar biblioteca",
                                           "Nenhum vídeo na biblioteca",
                                           "Escolha as pastas onde ficam seus filmes, séries e "
                                           "gravações. O Zorvi Player lista tudo com miniatura e "
                                           "lembra onde você parou.",
                                           "Escolher pasta de vídeos"}
                            << QStringList{"Música",
                                           "Buscar música, artista, álbum…",
                                           "Tocar tudo",
                                           "Aleatório",
                                           "Adicionar pasta",
                                           "Atualizar biblioteca",
                                           "Faixas",
                                           "Álbuns",
                                           "Artistas",
                                           "Gêneros",
                                           "Pastas",
                                           "#",
                                           "Título",
                                           "Artista",
                                           "Álbum",
                                           "Gênero",
                                           "Duração",
                                           "Tocadas",
                                           "Sua biblioteca de música está vazia",
                                           "Adicione as pastas com suas músicas. Capas, artistas, "
                                           "álbuns e gêneros são lidos automaticamente.",
                                           "Escolher pasta de músicas"};
    }

    void emptyStatesAndTexts()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, videoTexts);
        QFETCH(QStringList, musicTexts);
        uiEnglish = english;
        VideosPage videos(context());
        MusicPage music(context());
        QCOMPARE(videos.findChild<QStackedWidget *>()->currentIndex(), 1);
        QCOMPARE(music.findChild<QStackedWidget *>()->currentIndex(), 1);
        const QStringList shownVideo = pageTexts(&videos);
        for (const QString &text : videoTexts)
            QVERIFY2(shownVideo.contains(text), qPrintable(text));
        const QStringList shownMusic = pageTexts(&music);
        for (const QString &text : musicTexts)
            QVERIFY2(shownMusic.contains(text), qPrintable(text));

        // Songs arrive: the table replaces the empty state.
        storeSongs();
        QCOMPARE(music.findChildren<QStackedWidget *>().first()->currentIndex(), 0);
        auto *tabs = child<QTabBar>(&music, "musicTabs");
        tabs->setCurrentIndex(2);
        QCOMPARE(child<QListView>(&music, "groupList")->model()->index(0, 0).data().toString(),
                 english ? QStringLiteral("Unknown artist   ·   1")
                         : QStringLiteral("Artista desconhecido   ·   1"));
        tabs->setCurrentIndex(1);
        QCOMPARE(child<CardView>(&music, "albumCards")->model()->index(3, 0).data().toString(),
                 english ? QStringLiteral("No album") : QStringLiteral("Sem álbum"));
        music.applyFilter(QStringLiteral("folder"), QString());
        QCOMPARE(child<QPushButton>(&music, "musicChip")->text(),
                 english ? QStringLiteral("Folder: (empty)") : QStringLiteral("Pasta: (vazio)"));
    }
};

QTEST_MAIN(tst_PagesLibrary)
#include "tst_pages_library.moc"
