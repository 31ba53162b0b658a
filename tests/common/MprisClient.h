#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Real D-Bus clients (playerctl, gdbus) talking to this process's media
// controls. Every call keeps the caller's event loop running until the client
// is done, so that the object under test can answer it.
namespace MprisClient {

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QString out; // trimmed standard output
    QString err; // trimmed standard error
};

Run run(const QString &program, const QStringList &args, int timeoutMs = 20000);

// The bus name suffix of this process's player: "zorviplayer", or its
// per-process instance name when another player held the well-known one.
QString playerName();

Run playerctl(const QStringList &args);
// gdbus call on /org/mpris/MediaPlayer2; the output is the reply in GVariant
// text, for example "(<'Playing'>,)".
Run gdbusCall(const QString &method, const QStringList &args = {});
Run getProperty(const QString &interface, const QString &name);

inline const QString RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString BusPrefix = QStringLiteral("org.mpris.MediaPlayer2.");

// Records the player's signals as `gdbus monitor` prints them.
class Monitor
{
public:
    Monitor();
    ~Monitor();
    // True once the client watches the player.
    bool ready();
    QString text();
    void clear();

private:
    QProcess m_process;
    QString m_text;
};

} // namespace MprisClient
