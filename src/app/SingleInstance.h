#pragma once

#include <QStringList>

#include <functional>

class QLocalServer;
class QObject;

// "ZorviPlayer-" + USERNAME, else USER, else "user".
QString localServerName();

// Where the channel of that name lives. On Linux a socket in a folder only
// this user can enter: the runtime folder (XDG_RUNTIME_DIR) when it is
// private, else the "run" folder in the data folder; empty (no channel) when
// neither is private. Elsewhere the name itself.
QString instanceChannelPath(const QString &serverName);

// Client side of the hand-over: sends the arguments to a running instance.
// Returns true when an instance accepted the connection within 400 ms (the
// caller then exits with 0), false when this process must start normally.
bool handOverToRunningInstance(const QString &serverName, const QStringList &arguments);

// The wire format: the arguments joined by line feeds, UTF-8.
QByteArray encodeHandOver(const QStringList &arguments);
// Splits a received message at line feeds, dropping empty parts.
QStringList decodeHandOver(const QByteArray &bytes);

// Receiving side: every connection of the server delivers its list once the
// peer disconnects (an empty list too).
void serveHandOvers(QLocalServer *server, std::function<void(const QStringList &)> deliver);

// Creates and listens on the local server at instanceChannelPath; removes a
// stale one first. A failure to listen is logged. On Linux only the current
// user may connect.
QLocalServer *startInstanceServer(const QString &serverName, QObject *parent = nullptr);
