// Exports a playlist of generated entries with writeM3u and exits 0 when it
// reported success, 1 otherwise. With a third argument the process may write
// at most that many bytes per file (RLIMIT_FSIZE, SIGXFSZ ignored), so the
// write fails part-way through.
#include "playlists/PlaylistFiles.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <csignal>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    if (argc > 3) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = QByteArray(argv[3]).toULongLong();
        const rlimit size{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &size) != 0)
            return 3;
    }
    QStringList paths;
    const int count = QByteArray(argv[2]).toInt();
    for (int i = 0; i < count; ++i)
        paths.append(QStringLiteral("/music/Artist %1/Album/%1 - Song title.flac").arg(i));
    return writeM3u(QString::fromLocal8Bit(argv[1]), paths) ? 0 : 1;
}
