#include "ui/ExistenceCheck.h"

#include "engine/MediaPaths.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent>

namespace {

// Its own threads: a check stuck on a dead mount must not hold up the
// library scan, which uses the global pool.
QThreadPool &checkPool()
{
    static QThreadPool *pool = [] {
        auto *created = new QThreadPool(QCoreApplication::instance());
        created->setMaxThreadCount(2);
        return created;
    }();
    return *pool;
}

} // namespace

ExistenceCheck::ExistenceCheck(QObject *parent)
    : QObject(parent)
{}

QSet<QString> ExistenceCheck::missingOf(const QStringList &paths)
{
    QSet<QString> missing;
    for (const QString &path : paths) {
        if (isNetworkSource(path))
            continue;
        if (!QFileInfo(path).isFile())
            missing.insert(path);
    }
    return missing;
}

void ExistenceCheck::check(const QStringList &paths)
{
    const quint64 generation = ++m_generation;
    auto *watcher = new QFutureWatcher<QSet<QString>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation == m_generation)
            Q_EMIT answered(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&checkPool(), &ExistenceCheck::missingOf, paths));
}
