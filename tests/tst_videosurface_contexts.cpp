// The video surface moving between top-level windows, as full screen and the
// mini player make it do.
#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "engine/MpvApi.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "tst_videosurface_helpers.h"

#include <QStandardPaths>
#include <QTemporaryDir>

using namespace VideoSurfaceTest;

class TestVideoSurfaceContexts final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void keepsItsRenderContextAcrossWindows();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PlayerCore> m_core;
    QString m_withSound;
};

void TestVideoSurfaceContexts::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("ZORVIPLAYER_OPT", "ao=null");
    qputenv("ZORVIPLAYER_HWDEC", "no");
    m_withSound = colourWithSound(m_dir.filePath("sound.mkv"), "0x3060c0", 30);
    QVERIFY(!m_withSound.isEmpty());
    m_core = PlayerTestUtil::startCore();
    QVERIFY(m_core);
}

void TestVideoSurfaceContexts::cleanupTestCase()
{
    m_core.reset();
}

void TestVideoSurfaceContexts::keepsItsRenderContextAcrossWindows()
{
    const QColor colour(0x30, 0x60, 0xc0);
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_withSound}), 0);
    QImage screen;
    QVERIFY(screenCentreBecomes(view.video, colour, &screen));
    QVERIFY(view.video->hasRenderContext());
    LogCapture log;

    // Full screen and the mini player move the surface between top-level
    // windows; its native window goes along with its OpenGL context, so the
    // engine keeps drawing without a new render context.
    QWidget other;
    auto *layout = new QVBoxLayout(&other);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view.video);
    other.resize(400, 300);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QCOMPARE(view.video->window(), &other);
    QVERIFY(view.video->hasRenderContext());
    QVERIFY2(screenCentreBecomes(view.video, colour, &screen),
             qPrintable(describe(pixelAt(screen, 0.5, 0.5))));
    QCOMPARE(getPropertyString(m_core->handle(), "vid"), QString("1"));

    // And once more, into a third window that turns frameless while shown,
    // which makes the toolkit rebuild that top-level window.
    QWidget third;
    auto *thirdLayout = new QVBoxLayout(&third);
    thirdLayout->setContentsMargins(0, 0, 0, 0);
    thirdLayout->addWidget(view.video);
    third.resize(300, 200);
    third.show();
    QVERIFY(QTest::qWaitForWindowExposed(&third));
    third.setWindowFlag(Qt::FramelessWindowHint, true);
    third.show();
    QVERIFY(QTest::qWaitForWindowExposed(&third));
    QVERIFY(view.video->hasRenderContext());
    QVERIFY2(screenCentreBecomes(view.video, colour, &screen),
             qPrintable(describe(pixelAt(screen, 0.5, 0.5))));
    const double before = getPropertyDouble(m_core->handle(), "time-pos");
    QTRY_VERIFY(getPropertyDouble(m_core->handle(), "time-pos") > before + 0.3);
    QVERIFY(!log.lines().contains("mpv: falha ao criar contexto de renderizacao"));
    delete view.video;
}

QTEST_MAIN(TestVideoSurfaceContexts)
#include "tst_videosurface_contexts.moc"
