#include "library/ScanJournal.h"

#include "platform/FileSystemCalls.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

#include <atomic>
#include <cstring>

namespace {

// Layout of the record: state byte, size, time, path length, path bytes.
constexpr qsizetype RecordBytes = 8192;
constexpr qsizetype PathOffset = 32;
constexpr char Idle = 0;
constexpr char Reading = 1;
constexpr char Crashed = 2;

std::atomic<char *> watchedRecord{nullptr};

// Runs inside a fatal-signal handler: one byte written, nothing else.
void markCrashed()
{
    char *record = watchedRecord.load();
    if (record && record[0] == Reading)
        record[0] = Crashed;
}

} // namespace

ScanJournal::ScanJournal(const QString &folder)
    : m_skipFile(folder + QStringLiteral("/scan-skip.txt"))
{
    m_record = FileSystemCalls::mapSharedFile(
            FileSystemCalls::nativePath(folder + QStringLiteral("/scan-journal.bin")), RecordBytes);
    QFile file(m_skipFile);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QList<QByteArray> parts = file.readLine().trimmed().split('\t');
            if (parts.size() == 3)
                m_skip.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(parts[2])),
                              {parts[0].toLongLong(), parts[1].toLongLong()});
        }
    }
}

ScanJournal::~ScanJournal()
{
    unwatchThisThread();
    if (m_record)
        m_record[0] = Idle;
    FileSystemCalls::unmapSharedFile(m_record, RecordBytes);
}

QString ScanJournal::recoverCrash()
{
    if (!m_record || m_record[0] == Idle)
        return {};
    const char state = m_record[0];
    m_record[0] = Idle;
    if (state != Crashed)
        return {};
    qint64 size = 0;
    qint64 mtimeMs = 0;
    qint32 length = 0;
    std::memcpy(&size, m_record + 8, sizeof size);
    std::memcpy(&mtimeMs, m_record + 16, sizeof mtimeMs);
    std::memcpy(&length, m_record + 24, sizeof length);
    if (length <= 0 || length > RecordBytes - PathOffset)
        return {};
    const QString path = FileSystemCalls::textPath(QByteArray(m_record + PathOffset, length));
    if (path.isEmpty())
        return {};
    m_skip.insert(path, {size, mtimeMs});
    saveSkipList();
    return path;
}

bool ScanJournal::shouldSkip(const QString &path, qint64 size, qint64 mtimeMs)
{
    const auto it = m_skip.constFind(path);
    if (it == m_skip.cend())
        return false;
    if (it->size == size && it->mtimeMs == mtimeMs)
        return true;
    m_skip.erase(it);
    saveSkipList();
    return false;
}

void ScanJournal::beginRead(const QByteArray &nativePath, qint64 size, qint64 mtimeMs)
{
    if (!m_record)
        return;
    const qint32 length = qint32(qMin<qsizetype>(nativePath.size(), RecordBytes - PathOffset));
    std::memcpy(m_record + 8, &size, sizeof size);
    std::memcpy(m_record + 16, &mtimeMs, sizeof mtimeMs);
    std::memcpy(m_record + 24, &length, sizeof length);
    std::memcpy(m_record + PathOffset, nativePath.constData(), size_t(length));
    // The state goes last: the record is whole before it counts.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    m_record[0] = Reading;
}

void ScanJournal::endRead()
{
    if (m_record)
        m_record[0] = Idle;
}

void ScanJournal::watchThisThread()
{
    FileSystemCalls::installFatalSignalHook(&markCrashed);
    watchedRecord.store(m_record);
    FileSystemCalls::watchFatalSignalsOnThisThread();
}

void ScanJournal::unwatchThisThread()
{
    char *expected = m_record;
    watchedRecord.compare_exchange_strong(expected, nullptr);
    FileSystemCalls::unwatchFatalSignalsOnThisThread();
}

void ScanJournal::saveSkipList() const
{
    QSaveFile file(m_skipFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (auto it = m_skip.cbegin(); it != m_skip.cend(); ++it)
        file.write(QByteArray::number(it->size) + '\t' + QByteArray::number(it->mtimeMs) + '\t' +
                   it.key().toUtf8().toPercentEncoding() + '\n');
    if (!file.commit())
        qWarning() << "lista de arquivos ignorados nao gravada";
}
