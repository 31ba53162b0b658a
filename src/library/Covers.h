#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QThreadPool>

// Pictures for media paths, served without blocking the GUI thread: audio
// covers (a cached JPEG, else the embedded picture, else an image in the
// file's folder, normalised once to a 512 px JPEG on disk) and video
// thumbnails rendered by the Thumbnailer. A request that memory cannot answer
// returns a null pixmap and starts the work; ready(path) follows and the
// caller asks again. Used on the GUI thread only.
class Covers : public QObject
{
    Q_OBJECT

public:
    // Cache bounds in KiB. The pixmap bound holds every cover of a full
    // 4K music grid at twice the card width (about 190 at 416 px): a smaller
    // one evicts covers the same repaint asks for again, and loads never end.
    static constexpr int ImageCacheKiB = 32768;
    static constexpr int PixmapCacheKiB = 131072;
    // Requests above this size are served at it.
    static constexpr int MaxSide = 2048;

    static Covers *instance();
    ~Covers() override;

    // A square cover of size x size pixels, or null (then ready follows
    // unless the path has no cover).
    QPixmap cover(const QString &path, int size);
    // A video thumbnail scaled to width; position as the Thumbnailer reads it
    // (negative: a fraction of the duration), tag names the thumbnail set.
    QPixmap videoThumb(const QString &path, int width, double position, const QString &tag);
    // Forgets the thumbnail of path and tag, so the next request renders it anew.
    void refreshVideoThumb(const QString &path, const QString &tag);

    // The cover cache folder and the JPEG of a path in it. Safe on any thread.
    static QString coverFolder();
    static QString coverCacheFile(const QString &path);

    // Bookkeeping, for the tests and benchmarks: tasks handed to the pool
    // so far, and whether none is waiting or running.
    quint64 tasksStarted() const;
    bool idle() const;
    int cachedImages() const { return int(m_images.size()); }
    int cachedImageKiB() const { return int(m_images.totalCost()); }
    bool hasFailed(const QString &pathOrKey) const { return m_failed.contains(pathOrKey); }
    // Drops the memory caches and the failure marks (not the files).
    void clearMemory();

Q_SIGNALS:
    void ready(QString path);

private:
    explicit Covers(QObject *parent);

    struct Job
    {
        enum Kind { Cover, Thumb } kind = Cover;
        QString path;
        QString file; // the cover cache file, or the thumbnail file
        QString pixmapKey;
        int width = 0; // of the thumbnail; the side of the cover asked for
        double position = 0;
        quint64 ticket = 0;
    };

    // Pool side: the cover of a path through its cache file.
    static QImage loadCover(const QString &path, const QString &cacheFile);
    static QImage loadThumb(const QString &file, int width);

    void enqueue(Job job);
    // The pool's loop: newest job first until none is left.
    void work();
    void finished(const Job &job, const QImage &image, const QImage &square);
    void deliverCover(const Job &job, const QImage &image, const QImage &square);
    void deliverThumb(const Job &job, const QImage &image);
    void onThumbnailReady(const QString &key, const QImage &image, double duration);
    void insertPixmap(const QString &key, const QPixmap &pixmap);
    void requestRender(const QString &path, const QString &key, int width, double position);
    void stop();

    struct ThumbRequest
    {
        QString path;
        QList<int> widths;
    };

    QCache<QString, QImage> m_images;
    QCache<QString, QPixmap> m_pixmaps;
    QSet<QString> m_pendingCovers;
    QSet<QString> m_failed;
    QHash<QString, ThumbRequest> m_pendingThumbs;
    // Thumbnail files being read, by pixmap key, with the ticket of the read.
    QHash<QString, quint64> m_thumbLoads;
    quint64 m_nextTicket = 0;

    // Waiting work, newest last, shared with the pool's one thread under the
    // lock: the newest request runs first, so the pictures on screen after
    // a fast scroll do not wait for those scrolled past, and the thread
    // takes the next job without waiting for the GUI thread.
    mutable QMutex m_lock;
    QList<Job> m_jobs;
    bool m_working = false;
    bool m_stopped = false;
    quint64 m_tasksStarted = 0;
    QThreadPool m_pool;
};
