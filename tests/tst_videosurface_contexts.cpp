// The video surface when the toolkit recreates its OpenGL context: without
// shared contexts every move to another top-level window does that.
#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "engine/MpvApi.h"
#include "engine/MpvWidget.h"
#include "engine/PlayerCore.h"
#include "tst_videosurface_helpers.h"

#include <QOpenGLContext>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace VideoSurfaceTest;

class TestVideoSurfaceContexts final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void rebuildsRenderContextWhenTheContextIsRecreated();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PlayerCore> m_core;
    QString m_withSound;
};

void TestVideoSurfaceContexts::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
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

void TestVideoSurfaceContexts::rebuildsRenderContextWhenTheContextIsRecreated()
{
    const QColor colour(0x30, 0x60, 0xc0);
    VideoWindow view(m_core.get(), 320, 240);
    QVERIFY(QTest::qWaitForWindowExposed(view.window.get()));
    QVERIFY(view.video->hasRenderContext());
    QCOMPARE(runCommand(m_core->handle(), {"loadfile", m_withSound}), 0);
    QImage screen;
    QVERIFY(screenCentreBecomes(view.video, colour, &screen));

    QPointer<QOpenGLContext> oldContext = view.video->context();
    QVERIFY(oldContext);
    LogCapture log;

    QWidget other;
    auto *layout = new QVBoxLayout(&other);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view.video);
    other.resize(400, 300);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QCOMPARE(view.video->window(), &other);

    // The old context is gone and a fresh render context took its place (the
    // engine would refuse a second one had the old one not been freed).
    QTRY_VERIFY(oldContext.isNull());
    QTRY_VERIFY(view.video->hasRenderContext());
    QVERIFY(!log.lines().contains("mpv: falha ao criar contexto de renderizacao"));

    // The picture of the file that kept playing comes back in the new window.
    QVERIFY2(screenCentreBecomes(view.video, colour, &screen),
             qPrintable(describe(pixelAt(screen, 0.5, 0.5))));
    QCOMPARE(getPropertyString(m_core->handle(), "vid"), QString("1"));
    const double before = getPropertyDouble(m_core->handle(), "time-pos");
    QTest::qWait(600);
    QVERIFY(getPropertyDouble(m_core->handle(), "time-pos") > before);

    // And once more, into a third window.
    oldContext = view.video->context();
    QWidget third;
    auto *thirdLayout = new QVBoxLayout(&third);
    thirdLayout->setContentsMargins(0, 0, 0, 0);
    thirdLayout->addWidget(view.video);
    third.resize(300, 200);
    third.show();
    QVERIFY(QTest::qWaitForWindowExposed(&third));
    QTRY_VERIFY(oldContext.isNull());
    QTRY_VERIFY(view.video->hasRenderContext());
    QVERIFY2(screenCentreBecomes(view.video, colour, &screen),
             qPrintable(describe(pixelAt(screen, 0.5, 0.5))));
    delete view.video;
}

QTEST_MAIN(TestVideoSurfaceContexts)
#include "tst_videosurface_contexts.moc"
