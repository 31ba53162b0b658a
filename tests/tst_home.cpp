#include "PlayerTestUtil.h"
#include "RecordingHost.h"
#include "app/AppSettings.h"
#include "library/Database.h"
#include "ui/CardView.h"
#include "ui/ItemRoles.h"
#include "ui/pages/HomePage.h"
#include "ui/pages/PageContext.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

QStringList column(const CardView *row, int role)
{
    QStringList values;
    for (int i = 0; i < row->model()->rowCount(); ++i)
        values << row->model()->item(i)->data(role).toString();
    return values;
}

QPushButton *buttonNamed(const QWidget *page, const QString &text)
{
    for (QPushButton *button : page->findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// Catches the links the desktop would open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

// The home page's shelves, greeting and banner on a real database, with a
// recording host.
class tst_Home final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_media;
    Database *m_db = nullptr;
    RecordingHost m_host;

    std::unique_ptr<HomePage> makePage()
    {
        return std::make_unique<HomePage>(PageContext{&m_host, nullptr, m_db});
    }

    QString emptyFile(const QString &name)
    {
        const QString path = m_media.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return path;
    }

    void video(const QString &path, double position, double duration, bool finished, qint64 when)
    {
        m_db->recordHistory({path, "video", QString(), position, duration, when, finished});
    }

    void storeSongs(const QString &prefix, int count, const QString &kind, qint64 addedAt)
    {
        QList<MediaRecord> rows;
        for (int i = 0; i < count; ++i) {
            MediaRecord media;
            media.path = m_media.filePath(QStringLiteral("%1%2").arg(prefix).arg(i));
            media.kind = kind;
            media.title = QStringLiteral("%1 %2").arg(prefix).arg(i);
            media.artist = "Artist";
            media.folder = m_media.path();
            media.addedAt = addedAt + i;
            rows << media;
        }
        QVERIFY(m_db->storeScanned(rows));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_media.isValid());
        QVERIFY(PlayerTestUtil::useTestHome(m_home.path(), QStringLiteral("tst_home")));
        m_db = Database::instance();
    }

    void init()
    {
        uiEnglish = true;
        m_db->clearHistory(QString());
        m_host.calls.clear();
    }

    void emptyShowsOnlyTheHero()
    {
        auto page = makePage();
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        QVERIFY(page->findChild<QWidget *>("Hero")->isVisible());
        QVERIFY(!page->findChild<QWidget *>("Banner")->isVisible());
        QVERIFY(!page->continueRow()->isVisible());
        QVERIFY(!page->playedRow()->isVisible());
        QVERIFY(!page->addedRow()->isVisible());
    }

    void continueRow()
    {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        // 40 unfinished videos, newest first; every fourth file is gone.
        QStringList existing;
        for (int i = 0; i < 40; ++i) {
            const QString path = emptyFile(QStringLiteral("v%1.mkv").arg(i));
            if (i % 4 == 3)
                QFile::remove(path);
            else
                existing << path;
            video(path, 30, 600, false, now - i);
        }
        auto page = makePage();
        QTRY_COMPARE(page->continueRow()->model()->rowCount(), HomePage::MaxContinueCards);
        QCOMPARE(column(page->continueRow(), ItemRole::Path),
                 existing.mid(0, HomePage::MaxContinueCards));

        m_db->clearHistory(QString());
        const QString beyond = emptyFile("beyond.mkv");
        const QString quarter = emptyFile("quarter.mkv");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        video(emptyFile("finished.mkv"), 30, 600, true, now);
        video(emptyFile("nolength.mkv"), 30, 0, false, now);
        video("http://video.invalid/x.mp4", 30, 600, false, now);
        video(m_media.filePath("deleted.mkv"), 30, 600, false, now);
        video(emptyFile("nan.mkv"), nan, 600, false, now - 1);
        video(beyond, 900, 600, false, now - 2);
        video(quarter, 150, 600, false, now - 3);
        page->refresh();
        QTRY_COMPARE(page->continueRow()->model()->rowCount(), 3);
        const QStandardItem *card = page->continueRow()->model()->item(1);
        QCOMPARE(card->data(ItemRole::Path).toString(), beyond);
        QCOMPARE(card->data(ItemRole::Progress).toDouble(), 1.0);
        QCOMPARE(card->data(ItemRole::Subtitle).toString(), QStringLiteral("0:00 left"));
        const QStandardItem *first = page->continueRow()->model()->item(0);
        QCOMPARE(first->data(ItemRole::Progress).toDouble(), 0.0);
        QCOMPARE(first->data(ItemRole::Subtitle).toString(), QStringLiteral("10:00 left"));
        card = page->continueRow()->model()->item(2);
        QCOMPARE(card->text(), QStringLiteral("quarter"));
        QCOMPARE(card->data(ItemRole::Kind).toString(), QStringLiteral("video"));
        QCOMPARE(card->data(ItemRole::Progress).toDouble(), 0.25);
        QCOMPARE(card->data(ItemRole::Badge).toString(), QStringLiteral("10:00"));
        QCOMPARE(card->data(ItemRole::ThumbTag).toString(), QStringLiteral("hist"));
        QCOMPARE(card->data(ItemRole::ThumbPosition).toDouble(), 150.0);
        QCOMPARE(card->toolTip(), quarter);
        uiEnglish = false;
        page->refresh();
        QTRY_COMPARE(page->continueRow()->model()->item(1)->data(ItemRole::Subtitle).toString(),
                     QStringLiteral("Faltam 0:00"));

        // Activation plays the one video; the menu carries its path alone.
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        CardView *row = page->continueRow();
        row->setCurrentIndex(row->model()->index(2, 0));
        QTest::keyClick(row, Qt::Key_Return);
        QCOMPARE(m_host.calls.last(), "playPath|" + quarter);
        const QPoint point = row->visualRect(row->model()->index(0, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, point,
                                row->viewport()->mapToGlobal(point));
        QCoreApplication::sendEvent(row->viewport(), &event);
        QCOMPARE(m_host.calls.last(), "showMediaMenu|" + m_media.filePath("nan.mkv"));
        QVERIFY(!m_host.lastExtra);
    }

    void musicRows()
    {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        storeSongs("song", 10, "audio", now - 1000);
        storeSongs("clip", 30, "video", now);
        const QString loose = emptyFile("loose.mp3");
        m_db->recordHistory({loose, "audio", "Loose title", 0, 0, now - 5, false});
        m_db->recordHistory({"http://radio.invalid/live", "audio", "Radio", 0, 0, now - 6, false});
        m_db->ensureMedia("http://radio.invalid/live", "stream", "Radio");
        m_db->recordHistory({m_media.filePath("song3"), "audio", "Old", 0, 0, now - 7, false});
        auto page = makePage();

        CardView *played = page->playedRow();
        QCOMPARE(played->model()->rowCount(), 3);
        QCOMPARE(played->model()->item(0)->text(), QStringLiteral("Loose title"));
        QCOMPARE(column(played, ItemRole::Kind), (QStringList{"audio", "stream", "audio"}));
        QCOMPARE(column(played, ItemRole::Subtitle), (QStringList{"", "", "Artist"}));
        QCOMPARE(played->model()->item(2)->text(), QStringLiteral("song 3"));

        // Videos added later do not push the songs out.
        CardView *added = page->addedRow();
        QCOMPARE(added->model()->rowCount(), 10);
        QCOMPARE(added->model()->item(0)->text(), QStringLiteral("song 9"));
        QCOMPARE(column(added, ItemRole::Kind).filter("audio").size(), 10);

        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        QVERIFY(played->isVisible() && added->isVisible());
        for (CardView *row : {played, added}) {
            row->setCurrentIndex(row->model()->index(1, 0));
            QTest::keyClick(row, Qt::Key_Return);
            QCOMPARE(m_host.calls.last(),
                     "playPaths|" + column(row, ItemRole::Path).join('|') + "|1");
        }
    }

    // Signals of the database rebuild only a shown page.
    void refreshesOnlyWhenShown()
    {
        auto page = makePage();
        QVERIFY(!page->playedRow()->model()->rowCount());
        m_db->recordHistory({emptyFile("late.mp3"), "audio", "Late", 0, 0, 0, false});
        QCOMPARE(page->playedRow()->model()->rowCount(), 0);
        page->refresh();
        QCOMPARE(page->playedRow()->model()->rowCount(), 1);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        m_db->recordHistory({emptyFile("later.mp3"), "audio", "Later", 0, 0, 0, false});
        QCOMPARE(page->playedRow()->model()->rowCount(), 2);
    }

    void buttons()
    {
        auto page = makePage();
        const QStringList texts{"Open file", "Open folder", "Open link", "See history",
                                "Go to Music"};
        for (const QString &text : texts) {
            QPushButton *button = buttonNamed(page.get(), text);
            QVERIFY2(button, qPrintable(text));
            button->click();
        }
        QCOMPARE(m_host.calls, (QStringList{"openFiles", "openFolder", "openLink",
                                            "navigate|recents", "navigate|music"}));
        uiEnglish = false;
        auto portuguese = makePage();
        for (const char *text :
             {"Abrir arquivo", "Abrir pasta", "Abrir link", "Ver histórico", "Ir para Música"})
            QVERIFY2(buttonNamed(portuguese.get(), QString::fromUtf8(text)), text);
        QStringList labels;
        for (const QLabel *label : portuguese->findChildren<QLabel *>())
            labels << label->text();
        for (const char *text :
             {"Continuar assistindo", "Ouvidas recentemente", "Adicionadas à biblioteca"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        QCOMPARE(portuguese->findChild<QWidget *>("Banner")->findChild<QToolButton *>()->toolTip(),
                 QStringLiteral("Fechar"));
    }

    void greeting_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("portuguese");
        QTest::newRow("11:59") << 11 << "Good morning"
                               << "Bom dia";
        QTest::newRow("12:00") << 12 << "Good afternoon"
                               << "Boa tarde";
        QTest::newRow("17:59") << 17 << "Good afternoon"
                               << "Boa tarde";
        QTest::newRow("18:00") << 18 << "Good evening"
                               << "Boa noite";
        QTest::newRow("00:00") << 0 << "Good morning"
                               << "Bom dia";
    }

    void greeting()
    {
        QFETCH(int, hour);
        QFETCH(QString, english);
        QFETCH(QString, portuguese);
        QCOMPARE(HomePage::greeting(hour), english);
        uiEnglish = false;
        QCOMPARE(HomePage::greeting(hour), portuguese);
    }

    void banner()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("http", &catcher, "open");
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        auto page = makePage();
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        auto *banner = page->findChild<QWidget *>("Banner");
        QLabel *text = nullptr;
        for (QLabel *label : banner->findChildren<QLabel *>()) {
            if (label->pixmap().isNull())
                text = label;
        }
        QPushButton *action = banner->findChild<QPushButton *>();
        QSignalSpy retry(page.get(), &HomePage::retryUpdateRequested);
        QSignalSpy install(page.get(), &HomePage::installUpdateRequested);

        page->showUpdateAvailable("<i>2.0</i>", "<b>bold</b>", "https://example.invalid/get");
        QVERIFY(banner->isVisible());
        QCOMPARE(action->text(), QStringLiteral("Download update"));
        QVERIFY(text->text().contains("&lt;i&gt;2.0&lt;/i&gt;"));
        QVERIFY(text->text().contains("&lt;b&gt;bold&lt;/b&gt;"));
        action->click();
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl("https://example.invalid/get")});
        QCOMPARE(retry.count() + install.count(), 0);

        page->showUpdateAvailable("3", "", "file:///bin/sh");
        action->click();
        QCOMPARE(catcher.urls.size(), 1);

        page->showUpdateError("Update: <b>down</b>");
        QCOMPARE(action->text(), QStringLiteral("Retry"));
        QCOMPARE(text->text(), QStringLiteral("Update: &lt;b&gt;down&lt;/b&gt;"));
        action->click();
        QCOMPARE(retry.count(), 1);

        page->showUpdateNotice("Downloading", false);
        QVERIFY(!action->isVisible());
        page->showUpdateNotice("Ready", true);
        QVERIFY(action->isVisible());
        QCOMPARE(action->text(), QStringLiteral("Install and reopen"));
        action->click();
        QCOMPARE(install.count(), 1);
        QCOMPARE(retry.count(), 1);

        banner->findChild<QToolButton *>()->click();
        QVERIFY(!banner->isVisible());
        uiEnglish = false;
        page->showUpdateError("x");
        QVERIFY(banner->isVisible());
        QCOMPARE(action->text(), QStringLiteral("Tentar novamente"));
        page->showUpdateAvailable("4", "", "https://example.invalid/4");
        QCOMPARE(action->text(), QStringLiteral("Baixar atualização"));
        QVERIFY(text->text().contains(QStringLiteral("Nova versão disponível:")));
        page->showUpdateNotice("y", true);
        QCOMPARE(action->text(), QStringLiteral("Instalar e reabrir"));
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }
};

QTEST_MAIN(tst_Home)
#include "tst_home.moc"
