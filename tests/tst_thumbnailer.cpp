#include "LogCapture.h"
#include "PlayerTestUtil.h"
#include "SilentServer.h"
#include "TestMedia.h"
#include "app/AppSettings.h"
#include "engine/MpvApi.h"
#include "library/Thumbnailer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int WaitMs = 20000;
const QColor TintA(200, 60, 60);
const QColor TintB(60, 200, 60);
const QColor TintC(60, 60, 200);

struct Answer
{
    QString id; // key of a library job, path of a preview
    double position = 0;
    QImage image;
    double duration = 0;
};

// The frame a keyframe seek lands on: the last keyframe at or before the
// position (the end of the file counting as its last keyframe).
int keyframeAtOrBefore(double seconds, double keyframeSeconds, double durationSeconds)
{
    const int fps = TestMedia::NumberedFps;
    const int lastFrame = int(std::lround(durationSeconds * fps)) - 1;
    const int perKeyframe = int(std::lround(keyframeSeconds * fps));
    const int wanted = std::min(int(std::floor(seconds * fps + 1e-6)), lastFrame);
    return wanted / perKeyframe * perKeyframe;
}

} // namespace

class TestThumbnailer final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void decisions_data();
    void decisions();
    void positionFidelity_data();
    void positionFidelity();
    void frameSizes();
    void neverAnotherVideosFrame();
    void scheduling();
    void replacedFile();
    void failures();
    void referencesNotFollowed();
    void badInput();
    void processLevel();

private:
    QString media(const QString &name) const { return m_dir.filePath(name); }
    QString numbered(const QString &name, double seconds, const QColor &tint,
                     double keyframeSeconds = 2, int w = 640, int h = 360,
                     const QStringList &extra = {});
    // A short numbered video copied with the given container settings
    // (rotation, display aspect), which survive only a copy, not an encode.
    QString remuxed(const QString &name, const QStringList &settings);
    Answer preview(const QString &path, double position);
    Answer thumbnail(const QString &path, double position, int width, const QString &key);

    QTemporaryDir m_dir;
    Thumbnailer *m_thumbs = nullptr;
    QList<Answer> m_previews;
    QList<Answer> m_ready;
    QStringList m_order; // "p:<path>@<pos>" and "r:<key>" as the answers came
    int m_keySerial = 0;
};

void TestThumbnailer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(PlayerTestUtil::useTestHome(m_dir.path(), QStringLiteral("tst_thumbnailer")));
    m_thumbs = Thumbnailer::instance();
    connect(m_thumbs, &Thumbnailer::previewReady, this,
            [this](const QString &path, double pos, const QImage &image) {
                m_previews.append({path, pos, image, 0});
                m_order.append(QStringLiteral("p:%1@%2").arg(path).arg(pos));
            });
    connect(m_thumbs, &Thumbnailer::ready, this,
            [this](const QString &key, const QImage &image, double duration) {
                m_ready.append({key, 0, image, duration});
                m_order.append(QStringLiteral("r:") + key);
            });
}

void TestThumbnailer::cleanupTestCase()
{
    // A test runner never quits its event loop, so nobody else would.
    if (m_thumbs)
        m_thumbs->shutdown();
}

QString TestThumbnailer::numbered(const QString &name, double seconds, const QColor &tint,
                                  double keyframeSeconds, int w, int h, const QStringList &extra)
{
    const QString path = media(name);
    if (QFile::exists(path))
        return path;
    return TestMedia::numberedVideo(path, seconds, tint, keyframeSeconds, w, h, extra);
}

QString TestThumbnailer::remuxed(const QString &name, const QStringList &settings)
{
    const QString path = media(name);
    const QString source = numbered(QStringLiteral("unrotated.mp4"), 2, TintB, 1);
    if (QFile::exists(path) ||
        TestMedia::ffmpeg(QStringList{"-i", source, "-c", "copy"} + settings + QStringList{path}))
        return path;
    return {};
}

Answer TestThumbnailer::preview(const QString &path, double position)
{
    const qsizetype before = m_previews.size();
    m_thumbs->requestPreview(path, position);
    if (!QTest::qWaitFor([&] { return m_previews.size() > before; }, WaitMs))
        return {};
    return m_previews.last();
}

Answer TestThumbnailer::thumbnail(const QString &path, double position, int width,
                                  const QString &key)
{
    const auto answered = [&] {
        for (const Answer &answer : std::as_const(m_ready)) {
            if (answer.id == key)
                return true;
        }
        return false;
    };
    m_thumbs->requestThumbnail(path, position, width, key);
    if (!QTest::qWaitFor(answered, WaitMs))
        return {};
    for (const Answer &answer : std::as_const(m_ready)) {
        if (answer.id == key)
            return answer;
    }
    return {};
}

void TestThumbnailer::decisions_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("start");
    QTest::addColumn<double>("target"); // on a 60 s file

    QTest::newRow("fraction") << -0.15 << "15.0%" << 9.0;
    QTest::newRow("half") << -0.5 << "50.0%" << 30.0;
    QTest::newRow("seconds") << 12.3456 << "12.346" << 12.3456;
    QTest::newRow("zero") << 0.0 << "0.000" << 0.0;
}

void TestThumbnailer::decisions()
{
    QFETCH(double, position);
    QFETCH(QString, start);
    QFETCH(double, target);
    QCOMPARE(Thumbnailer::startText(position), start);
    QCOMPARE(Thumbnailer::seekTarget(position, 60.0), target);

    // Output sizes do not depend on the row; checked once.
    if (QByteArray(QTest::currentDataTag()) != "fraction")
        return;
    QCOMPARE(Thumbnailer::frameSize(320, 0, 0, 0), QSize(320, 180));
    QCOMPARE(Thumbnailer::frameSize(384, 16, -1, 0), QSize(384, 216));
    QCOMPARE(Thumbnailer::frameSize(320, 1920, 1080, 0), QSize(320, 180));
    QCOMPARE(Thumbnailer::frameSize(240, 1080, 1920, 0), QSize(240, 426));
    QCOMPARE(Thumbnailer::frameSize(240, 1920, 1080, 90), QSize(240, 426));
    QCOMPARE(Thumbnailer::frameSize(240, 1920, 1080, -90), QSize(240, 426));
    QCOMPARE(Thumbnailer::frameSize(240, 1920, 1080, 180), QSize(240, 134));
    QCOMPARE(Thumbnailer::frameSize(240, 1, 1000000, 0), QSize(240, 960));
    QCOMPARE(Thumbnailer::frameSize(240, 1000000, 1, 0), QSize(240, 2));
    QCOMPARE(Thumbnailer::frameSize(241, 100, 101, 0), QSize(241, 242));
}

void TestThumbnailer::positionFidelity_data()
{
    QTest::addColumn<double>("keyframeSeconds");
    QTest::newRow("keyframe every 2 s") << 2.0;
    QTest::newRow("keyframe every 10 s") << 10.0;
}

void TestThumbnailer::positionFidelity()
{
    QFETCH(double, keyframeSeconds);
    const double duration = 60;
    const QString path = numbered(QStringLiteral("fidelity-%1.mp4").arg(keyframeSeconds), duration,
                                  TintA, keyframeSeconds);
    QVERIFY(!path.isEmpty());

    // Library job on the file not loaded yet: 15 %, then a seek to 50 %.
    const QString key15 = QStringLiteral("lib_%1").arg(++m_keySerial);
    const Answer at15 = thumbnail(path, -0.15, 384, key15);
    QVERIFY2(!at15.image.isNull(), qPrintable(key15));
    QCOMPARE(at15.image.size(), QSize(384, 216));
    QCOMPARE(TestMedia::readNumberedFrame(at15.image).frame,
             keyframeAtOrBefore(0.15 * duration, keyframeSeconds, duration));
    QVERIFY(qAbs(at15.duration - duration) < 0.1);
    // What was written is what was answered.
    const QImage written(thumbFile(key15));
    QCOMPARE(written.size(), QSize(384, 216));
    QCOMPARE(TestMedia::readNumberedFrame(written).frame,
             TestMedia::readNumberedFrame(at15.image).frame);
    const Answer at50 = thumbnail(path, -0.5, 384, QStringLiteral("lib_%1").arg(++m_keySerial));
    QCOMPARE(TestMedia::readNumberedFrame(at50.image).frame,
             keyframeAtOrBefore(30, keyframeSeconds, duration));

    QList<double> positions{0, keyframeSeconds * 3, duration - 0.05, duration};
    QRandomGenerator random(4242);
    for (int i = 0; i < 30; ++i)
        positions.append(random.bounded(duration));
    for (const double pos : std::as_const(positions)) {
        const Answer answer = preview(path, pos);
        QVERIFY2(!answer.image.isNull(), qPrintable(QString::number(pos)));
        QCOMPARE(answer.id, path);
        QCOMPARE(answer.position, pos);
        QCOMPARE(answer.image.size(), QSize(240, 134));
        const TestMedia::NumberedFrame shown = TestMedia::readNumberedFrame(answer.image);
        // Blocks readable means they are at the top and in order (no flip).
        QVERIFY2(shown.frame >= 0, qPrintable(QString::number(pos)));
        QVERIFY2(TestMedia::sameTint(shown.tint, TintA), qPrintable(shown.tint.name()));
        QVERIFY2(shown.frame == keyframeAtOrBefore(pos, keyframeSeconds, duration),
                 qPrintable(QStringLiteral("at %1 s: frame %2").arg(pos).arg(shown.frame)));
    }
}

void TestThumbnailer::frameSizes()
{
    const QString wide = numbered(QStringLiteral("wide.mp4"), 2, TintB, 1, 1920, 1080);
    const QString tall = numbered(QStringLiteral("tall.mp4"), 2, TintB, 1, 1080, 1920);
    // A phone recording: stored landscape, shown portrait.
    const QString rotated =
            remuxed(QStringLiteral("rotated.mp4"), {"-metadata:s:v:0", "rotate=90"});
    // A hostile aspect ratio: one pixel wide for every thousand tall.
    const QString skinny = remuxed(QStringLiteral("skinny.mkv"), {"-aspect", "0.0017778"});
    QVERIFY(!wide.isEmpty() && !tall.isEmpty() && !rotated.isEmpty() && !skinny.isEmpty());

    QCOMPARE(thumbnail(wide, 0.5, 320, QStringLiteral("wide320")).image.size(), QSize(320, 180));
    QCOMPARE(thumbnail(wide, 0.5, 384, QStringLiteral("wide384")).image.size(), QSize(384, 216));
    const QImage portrait = preview(tall, 0.5).image;
    QCOMPARE(portrait.size(), QSize(240, 426));
    QVERIFY(TestMedia::readNumberedFrame(portrait).frame >= 0);

    // Rotated, not letterboxed: picture (tint) on the right from top to
    // bottom where a landscape frame shrunk into portrait has black bars; the
    // row of blocks turned to the left edge, white end down, as ffmpeg shows it.
    const QImage turned = preview(rotated, 0.5).image;
    QCOMPARE(turned.size(), QSize(240, 426));
    for (const QPoint &at : {QPoint(230, 5), QPoint(230, 420)})
        QVERIFY2(TestMedia::sameTint(turned.pixelColor(at), TintB),
                 qPrintable(turned.pixelColor(at).name()));
    QVERIFY(turned.pixelColor(10, 5).value() < 70);
    QVERIFY(turned.pixelColor(10, 420).value() > 185);

    QCOMPARE(preview(skinny, 0.5).image.size(), QSize(240, 960));
}

void TestThumbnailer::neverAnotherVideosFrame()
{
    struct Source
    {
        QString path;
        QColor tint;
    };
    const QList<Source> sources{{numbered(QStringLiteral("a.mp4"), 20, TintA), TintA},
                                {numbered(QStringLiteral("b.mkv"), 20, TintB), TintB},
                                {numbered(QStringLiteral("c.mp4"), 20, TintC), TintC}};
    for (const Source &source : sources)
        QVERIFY(!source.path.isEmpty());
    SilentServer server;
    QVERIFY(server.start());
    const QString stalled = server.url(QStringLiteral("stalled.mp4"));
    const auto tintOf = [&](const QString &path) {
        for (const Source &source : sources) {
            if (source.path == path)
                return source.tint;
        }
        return QColor();
    };

    LogCapture log;
    QRandomGenerator random(2323);
    const int sequences = qEnvironmentVariableIntValue("ZORVI_THUMB_SEQUENCES") > 0
                                  ? qEnvironmentVariableIntValue("ZORVI_THUMB_SEQUENCES")
                                  : 200;
    // Two sequences start with a job that stalls: one where the same stalled
    // address is asked for again, one followed at once by other files.
    const QList<int> stallAt{17, 120 % sequences};
    int stalls = 0;
    for (int sequence = 0; sequence < sequences; ++sequence) {
        m_previews.clear();
        m_ready.clear();
        QStringList keys;
        QHash<QString, QPair<QString, double>> expected; // key -> path, seconds
        QString lastPreviewPath;
        double lastPreviewPos = -1;
        if (stallAt.contains(sequence)) {
            const int before = server.connections();
            keys.append(QStringLiteral("stall_%1").arg(sequence));
            m_thumbs->requestThumbnail(stalled, 1.0, 320, keys.last());
            QTRY_VERIFY_WITH_TIMEOUT(server.connections() > before, WaitMs);
            if (stalls++ == 0) {
                // The job after a timeout reloads even the same address.
                // Connections when the first job gave up, before the next starts.
                int afterTimeout = -1;
                const QMetaObject::Connection watch =
                        connect(m_thumbs, &Thumbnailer::ready, this, [&](const QString &key) {
                            if (key == keys.first())
                                afterTimeout = server.connections();
                        });
                keys.append(QStringLiteral("stall_again_%1").arg(sequence));
                m_thumbs->requestThumbnail(stalled, 2.0, 320, keys.last());
                QTRY_VERIFY_WITH_TIMEOUT(afterTimeout >= 0, Thumbnailer::TimeoutMs + WaitMs);
                disconnect(watch);
                QTRY_VERIFY_WITH_TIMEOUT(server.connections() > afterTimeout, WaitMs);
            }
        }
        const int steps = 1 + int(random.bounded(4));
        for (int step = 0; step < steps; ++step) {
            const Source &source = sources.at(int(random.bounded(3)));
            const double pos = random.bounded(20.0);
            switch (random.bounded(3)) {
            case 0:
                keys.append(QStringLiteral("seq%1_%2").arg(sequence).arg(step));
                expected.insert(keys.last(), {source.path, pos});
                m_thumbs->requestThumbnail(source.path, random.bounded(2) ? pos : -pos / 20.0, 320,
                                           keys.last());
                break;
            case 1: // a preview, at once replaced by one or two others
                for (int n = int(random.bounded(3)); n >= 0; --n) {
                    const Source &other = sources.at(int(random.bounded(3)));
                    m_thumbs->requestPreview(other.path, random.bounded(20.0));
                }
                Q_FALLTHROUGH();
            default:
                m_thumbs->requestPreview(source.path, pos);
                lastPreviewPath = source.path;
                lastPreviewPos = pos;
                break;
            }
            if (random.bounded(2))
                QTest::qWait(int(random.bounded(60)));
        }
        const auto done = [&] {
            if (m_ready.size() < keys.size())
                return false;
            return lastPreviewPath.isEmpty() ||
                   (!m_previews.isEmpty() && m_previews.last().id == lastPreviewPath &&
                    m_previews.last().position == lastPreviewPos);
        };
        QVERIFY2(QTest::qWaitFor(done, 2 * Thumbnailer::TimeoutMs + WaitMs),
                 qPrintable(QStringLiteral("sequence %1").arg(sequence)));

        QList<Answer> answers = m_previews;
        for (Answer &answer : m_ready) {
            QVERIFY2(keys.contains(answer.id), qPrintable(answer.id));
            if (answer.id.startsWith(QLatin1String("stall"))) {
                QVERIFY2(answer.image.isNull(), qPrintable(answer.id));
                QCOMPARE(answer.duration, 0.0);
            }
        }
        // Each image shows its own file and its own position.
        for (const Answer &answer : std::as_const(answers)) {
            QVERIFY2(!answer.image.isNull(), qPrintable(answer.id));
            const TestMedia::NumberedFrame shown = TestMedia::readNumberedFrame(answer.image);
            QVERIFY2(TestMedia::sameTint(shown.tint, tintOf(answer.id)),
                     qPrintable(QStringLiteral("sequence %1: %2 shows %3")
                                        .arg(sequence)
                                        .arg(answer.id, shown.tint.name())));
            QCOMPARE(shown.frame, keyframeAtOrBefore(answer.position, 2, 20));
        }
        for (const Answer &answer : std::as_const(m_ready)) {
            if (answer.id.startsWith(QLatin1String("stall")))
                continue;
            QVERIFY2(!answer.image.isNull(), qPrintable(answer.id));
            QVERIFY(answer.duration > 19.9 && answer.duration < 20.1);
            const auto [path, seconds] = expected.value(answer.id);
            const TestMedia::NumberedFrame shown = TestMedia::readNumberedFrame(answer.image);
            QVERIFY2(TestMedia::sameTint(shown.tint, tintOf(path)),
                     qPrintable(QStringLiteral("sequence %1: %2 shows %3")
                                        .arg(sequence)
                                        .arg(answer.id, shown.tint.name())));
            QCOMPARE(shown.frame, keyframeAtOrBefore(seconds, 2, 20));
        }
    }
    QCOMPARE(stalls, 2);
    QCOMPARE(log.matching(QStringLiteral("miniatura: tempo esgotado ") + stalled).size(), 3);
    QCOMPARE(log.matching(QStringLiteral("miniatura:")).size(), 3);
}

void TestThumbnailer::scheduling()
{
    const QString path = numbered(QStringLiteral("a.mp4"), 20, TintA);
    QVERIFY(!path.isEmpty());
    m_order.clear();
    m_ready.clear();
    m_thumbs->requestThumbnail(path, 3.0, 320, QStringLiteral("first"));
    m_thumbs->requestThumbnail(path, 5.0, 320, QStringLiteral("second"));
    m_thumbs->requestThumbnail(path, 5.0, 320, QStringLiteral("second"));
    m_thumbs->requestThumbnail(path, 3.0, 320, QStringLiteral("first")); // running
    m_thumbs->requestPreview(path, 9.0);
    m_thumbs->requestPreview(path, 11.0);
    m_thumbs->requestPreview(path, 13.0);
    QTRY_COMPARE_WITH_TIMEOUT(m_ready.size(), 2, WaitMs);
    QCOMPARE(m_order, (QStringList{"r:first", QStringLiteral("p:%1@13").arg(path), "r:second"}));

    // Held: library jobs wait, previews still answer.
    m_order.clear();
    m_thumbs->setHold(true);
    m_thumbs->requestThumbnail(path, 7.0, 320, QStringLiteral("held"));
    m_thumbs->requestPreview(path, 15.0);
    QTRY_COMPARE_WITH_TIMEOUT(m_order, QStringList{QStringLiteral("p:%1@15").arg(path)}, WaitMs);
    // The engine was idle and answering all along; the held job stays queued.
    m_thumbs->requestPreview(path, 17.0);
    QTRY_COMPARE_WITH_TIMEOUT(m_order.size(), 2, WaitMs);
    QCOMPARE(m_order.last(), QStringLiteral("p:%1@17").arg(path));
    m_thumbs->setHold(false);
    QTRY_COMPARE_WITH_TIMEOUT(m_order.size(), 3, WaitMs);
    QCOMPARE(m_order.last(), QStringLiteral("r:held"));
    QCOMPARE(TestMedia::readNumberedFrame(m_ready.last().image).frame, 150);
}

void TestThumbnailer::replacedFile()
{
    const QString path = media(QStringLiteral("replaced.mp4"));
    QVERIFY(QFile::copy(numbered(QStringLiteral("a.mp4"), 20, TintA), path));
    QVERIFY(TestMedia::sameTint(TestMedia::readNumberedFrame(preview(path, 4).image).tint, TintA));
    const QString staging = numbered(QStringLiteral("replacement.mp4"), 20, TintC);
    QVERIFY(!staging.isEmpty());
    QVERIFY(::rename(QFile::encodeName(staging).constData(), QFile::encodeName(path).constData()) ==
            0);
    const TestMedia::NumberedFrame shown = TestMedia::readNumberedFrame(preview(path, 6).image);
    QVERIFY2(TestMedia::sameTint(shown.tint, TintC), qPrintable(shown.tint.name()));
    QCOMPARE(shown.frame, 150);
}

void TestThumbnailer::failures()
{
    const QString good = numbered(QStringLiteral("a.mp4"), 20, TintA);
    const QString broken = TestMedia::corruptFile(media(QStringLiteral("broken.mp4")));
    LogCapture log;
    QElapsedTimer clock;
    clock.start();
    const Answer failed = thumbnail(broken, -0.15, 384, QStringLiteral("broken"));
    QVERIFY(!failed.id.isEmpty());
    QVERIFY(failed.image.isNull());
    QCOMPARE(failed.duration, 0.0);
    QVERIFY2(clock.elapsed() < Thumbnailer::TimeoutMs / 2,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!QFile::exists(thumbFile(QStringLiteral("broken"))));
    QCOMPARE(log.matching(broken).size(), 1);
    QVERIFY(!thumbnail(good, 1, 384, QStringLiteral("after-broken")).image.isNull());

    // A thumbnail that cannot be saved is a failed one, not a good one that
    // would be asked for again on every paint.
    const QString folder = dataSubdir(QStringLiteral("thumbs"));
    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Answer unsaved = thumbnail(good, 2, 384, QStringLiteral("unsaved"));
    QVERIFY(!unsaved.id.isEmpty());
    QVERIFY(unsaved.image.isNull());
    QCOMPARE(log.matching(QStringLiteral("miniatura: nao foi salva ") + good).size(), 1);
    QVERIFY(QFile::remove(folder));
    QVERIFY(!thumbnail(good, 3, 384, QStringLiteral("saved")).image.isNull());
    QVERIFY(QFile::exists(thumbFile(QStringLiteral("saved"))));
}

void TestThumbnailer::referencesNotFollowed()
{
    SilentServer server;
    QVERIFY(server.start());
    const QString clip = media(QStringLiteral("clip.mp4"));
    {
        QFile file(clip);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#EXTM3U\n#EXTINF:-1,far\n" + server.url(QStringLiteral("far.mp4")).toUtf8() +
                   "\n");
    }
    // The engine follows such a file unless told not to: a bare instance with
    // the same options except that one reaches the server.
    QVERIFY(loadMpvApi());
    mpv_handle *bare = mpvApi().mpv_create();
    QVERIFY(bare);
    for (const EngineOption &option : Thumbnailer::engineOptions(false)) {
        if (option.name != "access-references")
            setOption(bare, option.name, option.value);
    }
    setOption(bare, "vo", QStringLiteral("null"));
    QVERIFY(mpvApi().mpv_initialize(bare) >= 0);
    QVERIFY(runCommand(bare, {"loadfile", clip, "replace"}) >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(server.connections() > 0, WaitMs);
    mpvApi().mpv_terminate_destroy(bare);
    const int followed = server.connections();

    const Answer answer = thumbnail(clip, -0.15, 320, QStringLiteral("clip"));
    QVERIFY(!answer.id.isEmpty());
    QVERIFY(answer.image.isNull());
    // Let the engine go on with whatever it queued, then look again.
    QVERIFY(!preview(numbered(QStringLiteral("a.mp4"), 20, TintA), 1).image.isNull());
    QCOMPARE(server.connections(), followed);
}

void TestThumbnailer::badInput()
{
    const QString mp4 = numbered(QStringLiteral("sweep.mp4"), 4, TintB, 1);
    const QString mkv = media(QStringLiteral("sweep.mkv"));
    QVERIFY(TestMedia::ffmpeg({"-i", mp4, "-c", "copy", mkv}));
    const QString good = numbered(QStringLiteral("a.mp4"), 20, TintA);

    QStringList inputs;
    QRandomGenerator random(9001);
    for (const QString &source : {mp4, mkv}) {
        QFile in(source);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        const QString suffix = source.right(4);
        const auto write = [&](const QString &name, const QByteArray &data) {
            QFile out(media(name));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(data);
            inputs.append(out.fileName());
        };
        for (const int percent : {1, 10, 50, 99})
            write(QStringLiteral("cut%1%2").arg(percent).arg(suffix),
                  bytes.left(bytes.size() * percent / 100));
        for (int n = 0; n < 21; ++n) {
            QByteArray flipped = bytes;
            for (int bit = 0; bit < 1 + n * 3; ++bit) {
                const qsizetype at = qsizetype(random.bounded(quint64(bytes.size())));
                flipped[at] = char(flipped.at(at) ^ (1 << random.bounded(8)));
            }
            write(QStringLiteral("flip%1%2").arg(n).arg(suffix), flipped);
        }
    }
    QCOMPARE(inputs.size(), 50);
    const auto writeText = [&](const QString &name, const QByteArray &data) {
        QFile out(media(name));
        if (out.open(QIODevice::WriteOnly))
            out.write(data);
        return out.fileName();
    };
    inputs << writeText(QStringLiteral("empty.mp4"), {})
           << writeText(QStringLiteral("notes.mkv"), "not a video, only words\n");
    inputs << TestMedia::tone(media(QStringLiteral("audio-only.mp4")), 2);
    inputs << numbered(QStringLiteral("one-frame.mp4"), 0.04, TintC);
    const QString tiny = media(QStringLiteral("tiny.mp4"));
    // The colour source cannot make 1x1 itself; scaled down, in full chroma.
    QVERIFY(TestMedia::ffmpeg({"-f", "lavfi", "-i", "color=c=white:s=2x2:r=25:d=1", "-vf",
                               "scale=1:1", "-c:v", "libx264", "-pix_fmt", "yuv444p", tiny}));
    inputs << tiny;
    inputs << remuxed(QStringLiteral("skinny.mkv"), {"-aspect", "0.0017778"});
    inputs << remuxed(QStringLiteral("rotated.mp4"), {"-metadata:s:v:0", "rotate=90"});
    for (const QString &name : {QStringLiteral("with space.mp4"), QStringLiteral("quote\"'s.mp4"),
                                QStringLiteral("hash#1.mp4"), QStringLiteral("100%.mp4"),
                                QStringLiteral("new\nline.mp4"), QStringLiteral("-dash.mp4")}) {
        QVERIFY(QFile::copy(mp4, media(name)));
        inputs << media(name);
    }
    // Bytes that are not UTF-8 reach us already replaced; the file is still
    // there under its raw name.
    const QByteArray raw = QFile::encodeName(m_dir.path()) + "/caf\xe9.mp4";
    QCOMPARE(::link(QFile::encodeName(mp4).constData(), raw.constData()), 0);
    inputs << QFile::decodeName(raw);
    const QString deleted = media(QStringLiteral("deleted.mp4"));
    QVERIFY(QFile::copy(mp4, deleted));
    inputs << deleted;
    QVERIFY(!inputs.contains(QString()));

    LogCapture log;
    int frames = 0;
    for (const QString &input : std::as_const(inputs)) {
        const QString key = QStringLiteral("bad_%1").arg(++m_keySerial);
        const bool deleteFirst = input == deleted;
        // Deleted while its job waits behind another.
        if (deleteFirst)
            m_thumbs->requestThumbnail(good, 4, 320,
                                       QStringLiteral("bad_before_%1").arg(m_keySerial));
        QElapsedTimer clock;
        clock.start();
        log.clear();
        m_thumbs->requestThumbnail(input, -0.15, 320, key);
        if (deleteFirst)
            QVERIFY(QFile::remove(input));
        const Answer answer = thumbnail(input, -0.15, 320, key);
        QVERIFY2(!answer.id.isEmpty(), qPrintable(input));
        if (answer.image.isNull()) {
            // The engine's error ends the job, not the timeout.
            QVERIFY2(clock.elapsed() < Thumbnailer::TimeoutMs / 2, qPrintable(input));
            QVERIFY2(!QFile::exists(thumbFile(key)), qPrintable(input));
            QCOMPARE(log.lines().size(), 1);
            QVERIFY2(log.lines().first().contains(input), qPrintable(log.lines().first()));
        } else {
            ++frames;
            QVERIFY(QFile::exists(thumbFile(key)));
        }
        // The next job works.
        const Answer next = preview(good, 4 + (m_keySerial % 3) * 2);
        QVERIFY2(TestMedia::sameTint(TestMedia::readNumberedFrame(next.image).tint, TintA),
                 qPrintable(input));
    }
    QVERIFY(frames > 0);
    ::unlink(raw.constData());
}

void TestThumbnailer::processLevel()
{
    const QString video = numbered(QStringLiteral("a.mp4"), 20, TintA);
    const QString child = qEnvironmentVariable("ZORVI_THUMBNAILER_CHILD");
    QVERIFY2(QFile::exists(child), "ZORVI_THUMBNAILER_CHILD");
    const auto run = [&](const QString &mode, bool off, QByteArray &err) {
        QTemporaryDir home;
        QProcess process;
        QProcessEnvironment env = TestMedia::isolatedEnvironment(home.path());
        if (off)
            env.insert(QStringLiteral("ZORVIPLAYER_NO_THUMBS"), QStringLiteral("1"));
        QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        process.setProcessEnvironment(env);
        process.start(child, {mode, video});
        if (!process.waitForFinished(WaitMs * 3))
            process.kill();
        err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
                       ? QString::fromUtf8(process.readAllStandardOutput()).trimmed()
                       : QStringLiteral("exit %1").arg(process.exitCode());
    };
    QByteArray err;
    // Switched off: library requests fail at once, previews get nothing,
    // and neither an engine nor a file is made.
    QCOMPARE(run(QStringLiteral("off"), true, err),
             QStringLiteral("ready-null=2 ready-image=0 previews=0 engine=0 files=0"));
    // Quitting frees everything in order: a clean exit and a clean log.
    QCOMPARE(run(QStringLiteral("teardown"), false, err),
             QStringLiteral("ready-null=0 ready-image=2 previews=1 engine=0 files=2"));
    const QStringList logged =
            QString::fromUtf8(err).split('\n').filter(QRegularExpression("^log: "));
    QVERIFY2(logged.isEmpty(), qPrintable(logged.join('\n')));
}

QTEST_MAIN(TestThumbnailer)
#include "tst_thumbnailer.moc"
