#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How a downloaded update is installed on this operating system.
//
// Windows: the package is the Inno Setup installer, started silently.
// Linux: the package is the AppImage itself. Running from an AppImage in a
// folder the user can write to, installing copies the verified file over the
// running one (the old inode stays valid for this process) and, when asked,
// starts the new one. Run any other way (a distribution package, a build
// tree), the program cannot replace itself and updates are only offered.
namespace UpdateInstall {

// The manifest's key for this platform's package: "windows" or "linux".
QString platformKey();
// What a package URL must end in, compared without letter case.
QString packageSuffix();
// The package's file name in the updates folder.
QString packageFileName(const QString &version);

// Whether the program can replace itself with a downloaded package.
bool canInstall();

// The installer's command line, in order: the silent switches, /DIR= and
// /LOG= with native separators, /ZORVIAUTORESTART=1 only with autoRestart.
QStringList windowsArguments(const QString &programDir, const QString &logPath, bool autoRestart);

// Installs the package at file, whose verified size and lower-case hex
// SHA-256 are given; with autoRestart the new program is started. True when
// installed (and started when asked). On Linux the bytes that land are
// hashed as they are copied and must match, so a file changed after its
// verification never replaces the program.
bool install(const QString &file, qint64 size, const QByteArray &sha256Hex, bool autoRestart);

} // namespace UpdateInstall
