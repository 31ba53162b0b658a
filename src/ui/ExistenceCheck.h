#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

// Tells which local files no longer exist, off the GUI thread: a stat on an
// unreachable network mount can block for seconds. Each check supersedes the
// ones before it; their answers are dropped. Links are never missing.
class ExistenceCheck : public QObject
{
    Q_OBJECT

public:
    explicit ExistenceCheck(QObject *parent = nullptr);

    // Starts a check of paths; answered follows later on this object's thread.
    void check(const QStringList &paths);
    // Drops the answer of any check still running.
    void cancel() { ++m_generation; }

    // The test itself, for any thread: a folder or anything else that is not
    // a readable regular file counts as missing.
    static QSet<QString> missingOf(const QStringList &paths);

Q_SIGNALS:
    // The paths of the latest check that are missing.
    void answered(const QSet<QString> &missing);

private:
    quint64 m_generation = 0;
};
