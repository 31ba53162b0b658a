#pragma once

#include <QColor>
#include <QImage>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Helpers shared by the tests: media generated with ffmpeg at test time and
// access to the built player executable.
namespace TestMedia {

// Runs ffmpeg quietly with the given arguments; true on exit code 0.
bool ffmpeg(const QStringList &args);

// A sine tone of the given length. The suffix of the path picks the container.
// Extra arguments (for example "-metadata", "title=x") go before the output.
QString tone(const QString &path, double seconds, const QStringList &extra = {});

// A video of a solid colour (an ffmpeg colour name or 0xRRGGBB).
QString solidVideo(const QString &path, double seconds, const QString &color = "red",
                   int width = 320, int height = 240);

// An MP3 tone with an embedded cover picture (a video stream flagged as
// attached picture), titled and tagged with the given title.
QString mp3WithCover(const QString &path, double seconds, const QString &title = "Cover song");

// A Matroska file with a small video track, two audio tracks and one
// subtitle track: audio 1 stereo AAC titled "Commentary" in "eng", audio 2
// mono MP3 in "por" without title, subtitle titled "Forced" in "por".
QString mkvWithTracks(const QString &path, double seconds);

// An H.264 video whose every frame shows its number as a row of 16 blocks
// along the top (block 0 white, block 15 black, blocks 1-14 the bits of the
// frame number, lowest first) over a solid tint of the given colour. Drawn
// at 64x36 and scaled up without smoothing; a keyframe every keyframeSeconds
// exactly. Extra arguments go before the output (for example rotation).
QString numberedVideo(const QString &path, double seconds, const QColor &tint,
                      double keyframeSeconds = 2, int width = 640, int height = 360,
                      const QStringList &extra = {});
constexpr int NumberedFps = 25;

// What a picture of numberedVideo shows: the frame number (-1 when the
// blocks cannot be read, for example flipped or not there) and the tint.
struct NumberedFrame
{
    int frame = -1;
    QColor tint;
};
NumberedFrame readNumberedFrame(const QImage &image);
// Whether two colours match within the tolerance of a lossy round trip.
bool sameTint(const QColor &a, const QColor &b, int tolerance = 40);

// A file that no demuxer recognises (random bytes under the given name).
QString corruptFile(const QString &path, int bytes = 4096);

// The player executable built next to the tests.
QString playerExecutable();

// An environment whose data folder and runtime folder ("runtime") are inside
// the given directory and whose single-instance channel is private to this
// test run.
QProcessEnvironment isolatedEnvironment(const QString &home);

} // namespace TestMedia
