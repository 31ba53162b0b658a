#pragma once
// Shared by the video surface tests: generated pictures, waiting, pixel checks.

#include "TestMedia.h"
#include "engine/MpvWidget.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>

namespace VideoSurfaceTest {

// Generated pictures go through 4:2:0 chroma and limited range and back;
// colours come back within a few steps, so this only separates the test
// colours from each other and from black.
constexpr int ColourTolerance = 40;

inline bool near(const QColor &actual, const QColor &expected)
{
    return qAbs(actual.red() - expected.red()) <= ColourTolerance &&
           qAbs(actual.green() - expected.green()) <= ColourTolerance &&
           qAbs(actual.blue() - expected.blue()) <= ColourTolerance;
}

inline QString describe(const QColor &c)
{
    return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(40);
    }
    return true;
}

// Two solid colours side by side (horizontal) or stacked (vertical).
inline QString splitVideo(const QString &path, const QString &first, const QString &second,
                          bool sideBySide, int width, int height, double seconds)
{
    const int w = sideBySide ? width / 2 : width;
    const int h = sideBySide ? height : height / 2;
    const QString part = QStringLiteral("color=c=%1:s=%2x%3:r=25:d=%4");
    const QStringList args{"-f",
                           "lavfi",
                           "-i",
                           part.arg(first).arg(w).arg(h).arg(seconds),
                           "-f",
                           "lavfi",
                           "-i",
                           part.arg(second).arg(w).arg(h).arg(seconds),
                           "-filter_complex",
                           sideBySide ? "hstack" : "vstack",
                           "-pix_fmt",
                           "yuv420p",
                           path};
    return TestMedia::ffmpeg(args) ? path : QString();
}

// A solid colour with a sound track, so that playback goes on when the
// picture has no output.
inline QString colourWithSound(const QString &path, const QString &colour, double seconds)
{
    const QStringList args{
            "-f",        "lavfi",
            "-i",        QStringLiteral("color=c=%1:s=160x120:r=25:d=%2").arg(colour).arg(seconds),
            "-f",        "lavfi",
            "-i",        QStringLiteral("sine=frequency=440:duration=%1").arg(seconds),
            "-pix_fmt",  "yuv420p",
            "-shortest", path};
    return TestMedia::ffmpeg(args) ? path : QString();
}

// A top-level window whose whole area is one video surface.
struct VideoWindow
{
    std::unique_ptr<QWidget> window;
    MpvWidget *video = nullptr;

    VideoWindow(PlayerCore *core, int width, int height)
        : window(std::make_unique<QWidget>())
    {
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        video = new MpvWidget(core, window.get());
        layout->addWidget(video);
        window->resize(width, height);
        window->show();
    }
};

// What the X server shows where the widget is.
inline QImage screenPixels(QWidget *widget)
{
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    return widget->screen()
            ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
            .toImage();
}

inline QColor pixelAt(const QImage &image, double fx, double fy)
{
    return image.pixelColor(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)));
}

inline bool screenCentreBecomes(QWidget *widget, const QColor &colour, QImage *seen = nullptr)
{
    QImage image;
    const bool ok = waitUntil([&] {
        image = screenPixels(widget);
        return near(pixelAt(image, 0.5, 0.5), colour);
    });
    if (seen)
        *seen = image;
    return ok;
}

} // namespace VideoSurfaceTest
