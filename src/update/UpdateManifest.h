#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>

// The pure decisions of the updater: versions, the manifest and the package
// it offers. No network, no files.

// The running version.
QString currentVersion();

// Three dot-separated runs of ASCII digits, the whole text and nothing else.
bool isVersion(const QString &text);
// Both are versions and candidate is strictly greater, segment by segment,
// as numbers of any length.
bool isNewer(const QString &candidate, const QString &current);

struct UpdateManifest
{
    bool valid = false; // parsed, names this app and offers a version
    QString version;    // the platform package's, else the root's
    QString notes;
    QJsonObject package; // this platform's object, empty when absent
};

UpdateManifest parseManifest(const QByteArray &bytes);

// The package's "releaseUrl" when it is a string, else "url", resolved
// against the manifest's URL.
QUrl installerUrl(const QJsonObject &package, const QUrl &manifestUrl);
// A download URL the updater may fetch for a package listed at manifestUrl:
// https on the manifest's host and port, no user, query or fragment, and a
// decoded path under the downloads folder with the package suffix and no
// "..", backslash, NUL or encoded slash. Redirect targets must pass too.
bool isValidPackageUrl(const QUrl &url, const QUrl &manifestUrl);
// The version, the installer URL, "size" (an integer from 1 to 512 MiB) and
// "sha256" (64 hex digits).
bool isValidPackage(const QJsonObject &package, const QString &version, const QUrl &manifestUrl);

// The path every package lives under.
QString packagePathPrefix();
constexpr qint64 MaxPackageBytes = 512LL * 1024 * 1024;
