#include "update/UpdateManifest.h"

#include "app/Version.h"
#include "platform/UpdateInstall.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>
#include <QStringList>

namespace {

const QString AppName = QStringLiteral("zorvi-player");

// Whole-text matches: a pattern ending in "$" would also accept a final
// newline.
const QRegularExpression &versionPattern()
{
    static const QRegularExpression pattern(
            QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+\\.[0-9]+\\.[0-9]+")));
    return pattern;
}

const QRegularExpression &digestPattern()
{
    static const QRegularExpression pattern(
            QRegularExpression::anchoredPattern(QStringLiteral("[a-fA-F0-9]{64}")));
    return pattern;
}

// Compares two runs of ASCII digits as numbers of any length.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

QString currentVersion()
{
    return QStringLiteral(ZORVI_VERSION);
}

QString packagePathPrefix()
{
    return QStringLiteral("/downloads/apps/zorvi-player/");
}

bool isVersion(const QString &text)
{
    return versionPattern().match(text).hasMatch();
}

bool isNewer(const QString &candidate, const QString &current)
{
    if (!isVersion(candidate) || !isVersion(current))
        return false;
    const QStringList a = candidate.split(QLatin1Char('.'));
    const QStringList b = current.split(QLatin1Char('.'));
    for (int i = 0; i < 3; ++i) {
        const int order = compareNumbers(a.at(i), b.at(i));
        if (order != 0)
            return order > 0;
    }
    return false;
}

UpdateManifest parseManifest(const QByteArray &bytes)
{
    UpdateManifest manifest;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject root = document.isObject() ? document.object() : QJsonObject();
    manifest.package = root.value(UpdateInstall::platformKey()).toObject();
    const QJsonValue version = manifest.package.value(QStringLiteral("version"));
    manifest.version = version.isString() ? version.toString()
                                          : root.value(QStringLiteral("version")).toString();
    manifest.notes = root.value(QStringLiteral("notes")).toString();
    const QJsonValue app = root.value(QStringLiteral("app"));
    manifest.valid = error.error == QJsonParseError::NoError && isVersion(manifest.version) &&
                     app.isString() && app.toString() == AppName;
    return manifest;
}

QUrl installerUrl(const QJsonObject &package, const QUrl &manifestUrl)
{
    const QJsonValue release = package.value(QStringLiteral("releaseUrl"));
    const QString text = release.isString() ? release.toString()
                                            : package.value(QStringLiteral("url")).toString();
    return manifestUrl.resolved(QUrl(text));
}

bool isValidPackageUrl(const QUrl &url, const QUrl &manifestUrl)
{
    if (!url.isValid() || url.scheme() != QLatin1String("https") ||
        url.host() != manifestUrl.host() || url.host().isEmpty())
        return false;
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return false;
    if (url.port(443) != manifestUrl.port(443))
        return false;
    // Decode first, then judge: an encoded slash or dot could otherwise
    // pass the prefix test and mean another place to the server.
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    const QByteArray lowered = encoded.toLower();
    if (lowered.contains("%2f") || lowered.contains("%5c") || lowered.contains("%00"))
        return false;
    const QString path = QUrl::fromPercentEncoding(encoded);
    if (path.contains(QLatin1Char('\\')) || path.contains(QChar(0)))
        return false;
    const QStringList segments = path.split(QLatin1Char('/'));
    for (const QString &segment : segments) {
        if (segment == QLatin1String("..") || segment == QLatin1String("."))
            return false;
    }
    const QString prefix = packagePathPrefix();
    const QString suffix = UpdateInstall::packageSuffix();
    return path.startsWith(prefix) && path.size() > prefix.size() + suffix.size() &&
           path.endsWith(suffix, Qt::CaseInsensitive);
}

bool isValidPackage(const QJsonObject &package, const QString &version, const QUrl &manifestUrl)
{
    if (!isVersion(version) || !isValidPackageUrl(installerUrl(package, manifestUrl), manifestUrl))
        return false;
    const QJsonValue size = package.value(QStringLiteral("size"));
    const qint64 bytes = size.isDouble() ? size.toInteger(0) : 0;
    if (bytes < 1 || bytes > MaxPackageBytes)
        return false;
    const QJsonValue digest = package.value(QStringLiteral("sha256"));
    return digest.isString() && digestPattern().match(digest.toString()).hasMatch();
}
