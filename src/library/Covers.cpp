#include "library/Covers.h"

#include "app/AppSettings.h"
#include "engine/MediaPaths.h"
#include "library/CoverPictures.h"
#include "library/Database.h"
#include "library/Thumbnailer.h"
#include "platform/FileSystemCalls.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <atomic>

namespace {

// Length of the hash that names a cover's cache file.
constexpr int CoverHashChars = 20;
// The width the Thumbnailer renders library thumbnails at.
constexpr int ThumbRenderWidth = 384;
constexpr int CoverJpegQuality = 88;

// Cost in KiB, at least 1.
qint64 imageCost(const QImage &image)
{
    return std::max<qint64>(1, image.sizeInBytes() / 1024);
}

qint64 pixmapCost(const QPixmap &pixmap)
{
    return std::max<qint64>(1, qint64(pixmap.depth()) * pixmap.height() * pixmap.width() / 8192);
}

// The modification time in ms, or -1 when the path is no regular file.
qint64 fileTime(const QString &path)
{
    const auto status = FileSystemCalls::statPath(FileSystemCalls::nativePath(path));
    return status && status->regular ? status->mtimeMs : -1;
}

// A cache folder that cannot be made or written is said once per run: the
// covers then work from memory.
void cacheUnavailable()
{
    static std::atomic_bool said{false};
    if (!said.exchange(true))
        qWarning().noquote() << "capa: cache em disco indisponivel" << Covers::coverFolder();
}

// The square of side x side cut from the centre of image and scaled: cutting
// first bounds the cost of extreme shapes (a 20000 x 20 strip).
QImage squareImage(const QImage &image, int side)
{
    if (image.isNull())
        return {};
    const int cut = std::min(image.width(), image.height());
    const QImage square =
            image.copy((image.width() - cut) / 2, (image.height() - cut) / 2, cut, cut);
    return square.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

Covers *Covers::instance()
{
    static Covers *const covers = new Covers(QCoreApplication::instance());
    return covers;
}

Covers::Covers(QObject *parent)
    : QObject(parent)
{
    m_images.setMaxCost(ImageCacheKiB);
    m_pixmaps.setMaxCost(PixmapCacheKiB);
    m_pool.setMaxThreadCount(1);
    // The decoders' own checks come first; this bounds what slips past them.
    QImageReader::setAllocationLimit(int(CoverPictures::MaxDecodedBytes / (1024 * 1024)));
    connect(Thumbnailer::instance(), &Thumbnailer::ready, this, &Covers::onThumbnailReady);
    // Queued loads of a fast scroll must not delay quitting.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &Covers::stop);
}

Covers::~Covers()
{
    stop();
    m_pool.waitForDone();
}

void Covers::stop()
{
    const QMutexLocker locker(&m_lock);
    m_stopped = true;
    m_jobs.clear();
    m_pool.clear();
}

quint64 Covers::tasksStarted() const
{
    const QMutexLocker locker(&m_lock);
    return m_tasksStarted;
}

bool Covers::idle() const
{
    const QMutexLocker locker(&m_lock);
    return !m_working && m_jobs.isEmpty();
}

QString Covers::coverFolder()
{
    return dataDir() + QStringLiteral("/covers");
}

QString Covers::coverCacheFile(const QString &path)
{
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1)
                                    .toHex()
                                    .left(CoverHashChars);
    return coverFolder() + QLatin1Char('/') + QString::fromLatin1(hash) + QStringLiteral(".jpg");
}

QPixmap Covers::cover(const QString &path, int size)
{
    if (path.isEmpty() || isNetworkSource(path) || size <= 0)
        return {};
    size = std::min(size, MaxSide);
    const QString key = QStringLiteral("c%1:%2").arg(size).arg(path);
    if (const QPixmap *pixmap = m_pixmaps.object(key))
        return *pixmap;
    if (const QImage *image = m_images.object(path)) {
        const QPixmap pixmap = QPixmap::fromImage(squareImage(*image, size));
        insertPixmap(key, pixmap);
        return pixmap;
    }
    if (!m_pendingCovers.contains(path) && !m_failed.contains(path)) {
        m_pendingCovers.insert(path);
        Job job;
        job.kind = Job::Cover;
        job.path = path;
        job.file = coverCacheFile(path);
        job.width = size;
        enqueue(job);
    }
    return {};
}

QPixmap Covers::videoThumb(const QString &path, int width, double position, const QString &tag)
{
    if (path.isEmpty() || isNetworkSource(path) || width <= 0)
        return {};
    width = std::min(width, MaxSide);
    const QString key = thumbKey(path, tag);
    const QString pixmapKey = QStringLiteral("v%1:%2").arg(width).arg(key);
    if (const QPixmap *pixmap = m_pixmaps.object(pixmapKey))
        return *pixmap;
    if (m_failed.contains(key) || m_thumbLoads.contains(pixmapKey))
        return {};
    if (auto it = m_pendingThumbs.find(key); it != m_pendingThumbs.end()) {
        if (!it->widths.contains(width))
            it->widths.append(width);
        return {};
    }
    // The file is read on the pool: a full grid of thumbnails read here
    // would hold the first paint.
    Job job;
    job.kind = Job::Thumb;
    job.path = path;
    job.file = thumbFile(key);
    job.pixmapKey = pixmapKey;
    job.width = width;
    job.position = position;
    job.ticket = ++m_nextTicket;
    m_thumbLoads.insert(pixmapKey, job.ticket);
    enqueue(job);
    return {};
}

void Covers::refreshVideoThumb(const QString &path, const QString &tag)
{
    const QString key = thumbKey(path, tag);
    QFile::remove(thumbFile(key));
    m_failed.remove(key);
    const QString suffix = QLatin1Char(':') + key;
    const QList<QString> keys = m_pixmaps.keys();
    for (const QString &pixmapKey : keys) {
        if (pixmapKey.endsWith(suffix))
            m_pixmaps.remove(pixmapKey);
    }
    // Reads of the old file still under way no longer count.
    for (auto it = m_thumbLoads.begin(); it != m_thumbLoads.end();) {
        it = it.key().endsWith(suffix) ? m_thumbLoads.erase(it) : std::next(it);
    }
    const QMutexLocker locker(&m_lock);
    m_jobs.removeIf([&suffix](const Job &job) {
        return job.kind == Job::Thumb && job.pixmapKey.endsWith(suffix);
    });
}

void Covers::clearMemory()
{
    m_images.clear();
    m_pixmaps.clear();
    m_failed.clear();
}

void Covers::enqueue(Job job)
{
    const QMutexLocker locker(&m_lock);
    if (m_stopped)
        return;
    m_jobs.append(std::move(job));
    ++m_tasksStarted;
    if (!m_working) {
        m_working = true;
        m_pool.start([this] { work(); });
    }
}

void Covers::work()
{
    for (;;) {
        Job job;
        {
            const QMutexLocker locker(&m_lock);
            if (m_jobs.isEmpty() || m_stopped) {
                m_working = false;
                return;
            }
            job = m_jobs.takeLast();
        }
        const QImage image = job.kind == Job::Cover ? loadCover(job.path, job.file)
                                                    : loadThumb(job.file, job.width);
        // The square of the size asked for is made here too, so the GUI
        // thread only wraps it.
        const QImage square = job.kind == Job::Cover ? squareImage(image, job.width) : QImage();
        QMetaObject::invokeMethod(
                this, [this, job, image, square] { finished(job, image, square); },
                Qt::QueuedConnection);
    }
}

void Covers::finished(const Job &job, const QImage &image, const QImage &square)
{
    if (job.kind == Job::Cover)
        deliverCover(job, image, square);
    else
        deliverThumb(job, image);
}

void Covers::deliverCover(const Job &job, const QImage &image, const QImage &square)
{
    const QString &path = job.path;
    m_pendingCovers.remove(path);
    if (image.isNull()) {
        m_failed.insert(path);
    } else {
        m_images.insert(path, new QImage(image), imageCost(image));
        insertPixmap(QStringLiteral("c%1:%2").arg(job.width).arg(path), QPixmap::fromImage(square));
    }
    Q_EMIT ready(path);
}

void Covers::deliverThumb(const Job &job, const QImage &image)
{
    const auto load = m_thumbLoads.constFind(job.pixmapKey);
    if (load == m_thumbLoads.cend() || *load != job.ticket)
        return; // forgotten by refreshVideoThumb meanwhile
    m_thumbLoads.erase(load);
    if (!image.isNull()) {
        insertPixmap(job.pixmapKey, QPixmap::fromImage(image));
        Q_EMIT ready(job.path);
        return;
    }
    // No file yet (or a broken one): have it rendered.
    const QString key = job.pixmapKey.section(QLatin1Char(':'), 1);
    requestRender(job.path, key, job.width, job.position);
}

void Covers::requestRender(const QString &path, const QString &key, int width, double position)
{
    if (m_failed.contains(key))
        return;
    if (auto it = m_pendingThumbs.find(key); it != m_pendingThumbs.end()) {
        if (!it->widths.contains(width))
            it->widths.append(width);
        return;
    }
    m_pendingThumbs.insert(key, {path, {width}});
    // May answer at once (no engine): the entry above must exist first.
    Thumbnailer::instance()->requestThumbnail(path, position, ThumbRenderWidth, key);
}

void Covers::onThumbnailReady(const QString &key, const QImage &image, double duration)
{
    const auto it = m_pendingThumbs.constFind(key);
    if (it == m_pendingThumbs.cend())
        return;
    const ThumbRequest request = *it;
    m_pendingThumbs.erase(it);
    if (image.isNull()) {
        m_failed.insert(key);
    } else {
        // The picture is at hand: the widths asked for need no file read.
        for (int width : request.widths) {
            const QImage scaled = image.width() == width
                                          ? image
                                          : image.scaledToWidth(width, Qt::SmoothTransformation);
            insertPixmap(QStringLiteral("v%1:%2").arg(width).arg(key), QPixmap::fromImage(scaled));
        }
    }
    if (duration > 0)
        Database::instance()->setDurationIfUnknown(request.path, duration);
    Q_EMIT ready(request.path);
}

void Covers::insertPixmap(const QString &key, const QPixmap &pixmap)
{
    if (!pixmap.isNull())
        m_pixmaps.insert(key, new QPixmap(pixmap), pixmapCost(pixmap));
}

QImage Covers::loadCover(const QString &path, const QString &cacheFile)
{
    const QString cacheFolder = QFileInfo(cacheFile).absolutePath();
    const bool cacheUsable = QDir().mkpath(cacheFolder);
    if (!cacheUsable)
        cacheUnavailable();
    const QString folder = QFileInfo(path).absolutePath();

    QImage cached;
    const qint64 cacheTime = cacheUsable ? fileTime(cacheFile) : -1;
    if (cacheTime >= 0)
        cached = CoverPictures::imageFile(cacheFile); // a broken one is rebuilt
    if (!cached.isNull()) {
        // A retagged file or a new folder picture makes the cache stale; a
        // file that is gone keeps it.
        bool stale = fileTime(path) > cacheTime;
        if (!stale) {
            const QStringList candidates = CoverPictures::folderImageCandidates(folder);
            stale = std::any_of(candidates.begin(), candidates.end(),
                                [cacheTime](const QString &f) { return fileTime(f) > cacheTime; });
        }
        if (!stale)
            return cached;
    }

    bool refused = false;
    QImage found = CoverPictures::embeddedPicture(path, &refused);
    if (found.isNull())
        found = CoverPictures::folderImage(folder, &refused);
    if (found.isNull()) {
        if (refused)
            qWarning().noquote() << "capa: imagem grande demais" << path;
        return cached;
    }
    const QImage image = CoverPictures::normalised(found);
    if (cacheUsable) {
        // Written aside and renamed: a crash never leaves half a JPEG.
        QSaveFile file(cacheFile);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "JPG", CoverJpegQuality) ||
            !file.commit())
            cacheUnavailable();
    }
    return image;
}

QImage Covers::loadThumb(const QString &file, int width)
{
    const QImage image = CoverPictures::imageFile(file);
    if (image.isNull() || image.width() == width)
        return image;
    return image.scaledToWidth(width, Qt::SmoothTransformation);
}
