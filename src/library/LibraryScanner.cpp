#include "library/LibraryScanner.h"

#include "library/Database.h"
#include "library/MediaFiles.h"
#include "library/MediaTags.h"
#include "library/ScanJournal.h"
#include "platform/FileSystemCalls.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr int MaxLogLines = 20;

QSet<QByteArray> suffixSet(const QStringList &list)
{
    QSet<QByteArray> set;
    for (const QString &suffix : list)
        set.insert(suffix.toLatin1());
    return set;
}

// The lower-cased text after the last dot of a file name.
QByteArray nameSuffix(const QByteArray &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot + 1).toLower();
}

QString cleanFolder(const QString &folder)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

} // namespace

LibraryScanner::LibraryScanner(Input input, const std::atomic_bool &cancel)
    : m_input(std::move(input))
    , m_cancel(cancel)
{}

LibraryScanner::~LibraryScanner() = default;

ScanResult LibraryScanner::scanFolders()
{
    QElapsedTimer timer;
    timer.start();
    if (!m_input.databaseFile.isEmpty()) {
        const QList<LibraryFile> files = Database::libraryFilesFrom(m_input.databaseFile);
        m_known.reserve(files.size());
        for (const LibraryFile &file : files)
            m_known.insert(file.path, file);
    }
    std::unique_ptr<ScanJournal> journal;
    if (!m_input.journalFolder.isEmpty()) {
        journal = std::make_unique<ScanJournal>(m_input.journalFolder);
        const QString crashed = journal->recoverCrash();
        if (!crashed.isEmpty())
            qWarning().noquote() << "leitor de tags falhou em" << crashed << "- arquivo ignorado";
        journal->watchThisThread();
        m_journal = journal.get();
    }
    scanKind(m_input.audioFolders, true);
    scanKind(m_input.videoFolders, false);
    m_journal = nullptr;
    journal.reset();
    m_result.cancelled = m_cancel.load();
    if (!m_result.cancelled)
        findMissing();
    m_result.workerMs = timer.elapsed();
    return std::move(m_result);
}

void LibraryScanner::scanKind(const QStringList &folders, bool audio)
{
    for (const QString &configured : folders) {
        if (m_cancel.load(std::memory_order_relaxed))
            return;
        const QString root = cleanFolder(configured);
        const QByteArray native = FileSystemCalls::nativePath(root);
        const auto status = FileSystemCalls::statPath(native);
        if (!status || !status->directory || !FileSystemCalls::canRead(native, true))
            continue;
        (audio ? m_result.audioFolders : m_result.videoFolders).append(configured);
        walk(root, audio);
    }
}

void LibraryScanner::walk(const QString &root, bool audio)
{
    static const QSet<QByteArray> audioSuffixes = suffixSet(audioExtensions());
    static const QSet<QByteArray> videoSuffixes = suffixSet(videoExtensions());
    const QSet<QByteArray> &suffixes = audio ? audioSuffixes : videoSuffixes;
    const auto wanted = [&suffixes](const QByteArray &name) {
        return suffixes.contains(nameSuffix(name));
    };

    QList<Pending> stack{{FileSystemCalls::nativePath(root), root}};
    QList<FileSystemCalls::DirectoryEntry> entries;
    while (!stack.isEmpty() && !m_cancel.load(std::memory_order_relaxed)) {
        const Pending folder = stack.takeLast();
        entries.clear();
        // Folders we may not list, or whose path is too long, end there.
        if (!FileSystemCalls::listDirectory(folder.native, wanted, entries))
            continue;
        const QString prefix = folder.text.endsWith(QLatin1Char('/'))
                                       ? folder.text
                                       : folder.text + QLatin1Char('/');
        const QByteArray nativePrefix =
                folder.native.endsWith('/') ? folder.native : folder.native + '/';
        bool badName = false;
        qsizetype firstChild = stack.size();
        for (const FileSystemCalls::DirectoryEntry &entry : std::as_const(entries)) {
            if (m_cancel.load(std::memory_order_relaxed))
                return;
            const QString name = FileSystemCalls::textPath(entry.name);
            if (name.isEmpty()) {
                badName = true;
                continue;
            }
            if (entry.directory)
                stack.append({nativePrefix + entry.name, prefix + name});
            else
                takeFile(prefix + name, nativePrefix, entry, audio);
        }
        // Subfolders in listing order.
        std::reverse(stack.begin() + firstChild, stack.end());
        if (badName)
            logLimited(QStringLiteral("nome de arquivo invalido ignorado em ") + folder.text);
    }
}

void LibraryScanner::takeFile(const QString &path, const QByteArray &nativeFolder,
                              const FileSystemCalls::DirectoryEntry &entry, bool audio)
{
    const qint64 size = entry.size;
    const qint64 mtimeMs = entry.mtimeMs;
    QSet<QString> &found = audio ? m_result.foundAudio : m_result.foundVideo;
    const qsizetype before = found.size();
    found.insert(path);
    // Nested library folders reach a file twice; it counts once.
    if (found.size() == before)
        return;
    const auto known = m_known.constFind(path);
    if (known != m_known.cend() && known->size == size && known->mtimeMs == mtimeMs)
        return;
    if (!audio) {
        m_result.items.append(MediaTags::fileRecord(path));
        return;
    }
    if (m_journal && m_journal->shouldSkip(path, size, mtimeMs)) {
        logLimited(QStringLiteral("arquivo ignorado apos falha do leitor: ") + path);
        MediaRecord record = MediaTags::fileRecord(path);
        m_result.items.append(record);
        return;
    }
    if (m_journal)
        m_journal->beginRead(nativeFolder + entry.name, size, mtimeMs);
    m_result.items.append(MediaTags::readMetadata(path));
    if (m_journal)
        m_journal->endRead();
}

void LibraryScanner::findMissing()
{
    for (auto it = m_known.cbegin(); it != m_known.cend(); ++it) {
        const bool audio = it->kind == QLatin1String("audio");
        if (!audio && it->kind != QLatin1String("video"))
            continue;
        if ((audio ? m_result.foundAudio : m_result.foundVideo).contains(it.key()))
            continue;
        for (const QString &folder : audio ? m_result.audioFolders : m_result.videoFolders) {
            if (isUnderFolder(it.key(), folder)) {
                m_result.missing.append(it.key());
                break;
            }
        }
    }
}

void LibraryScanner::logLimited(const QString &line)
{
    if (m_logLines < MaxLogLines)
        qWarning().noquote() << line;
    else if (m_logLines == MaxLogLines)
        qWarning() << "mais avisos da varredura omitidos";
    ++m_logLines;
}
