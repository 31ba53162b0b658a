// Fuzzes the updater's manifest and package rules. Besides crashes it
// checks what every accepted package must be: https on the manifest's host
// and port, no query, fragment or user, a decoded path under the downloads
// folder without "..", backslash or NUL, a size in range, a 64-digit hex
// digest and a full version.
#include "platform/UpdateInstall.h"
#include "update/UpdateManifest.h"

#include <QJsonValue>
#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QUrl manifestUrl(
            QStringLiteral("https://updates.example:8443/downloads/apps/zorvi-player/update.json"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const UpdateManifest manifest = parseManifest(bytes);
    require(!manifest.valid || isVersion(manifest.version));
    const QUrl url = installerUrl(manifest.package, manifestUrl);
    if (!isValidPackage(manifest.package, manifest.version, manifestUrl))
        return 0;

    require(url.scheme() == QLatin1String("https"));
    require(url.host() == manifestUrl.host() && url.port(443) == 8443);
    require(!url.hasQuery() && !url.hasFragment() && url.userInfo().isEmpty());
    const QString path = QUrl::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    require(path.startsWith(packagePathPrefix()));
    require(path.endsWith(UpdateInstall::packageSuffix(), Qt::CaseInsensitive));
    require(!path.contains(QLatin1Char('\\')) && !path.contains(QChar(0)));
    for (const QString &segment : path.split(QLatin1Char('/')))
        require(segment != QLatin1String(".."));
    const qint64 packageSize = manifest.package.value(QStringLiteral("size")).toInteger();
    require(packageSize >= 1 && packageSize <= MaxPackageBytes);
    static const QRegularExpression hex(
            QRegularExpression::anchoredPattern(QStringLiteral("[0-9a-fA-F]{64}")));
    require(hex.match(manifest.package.value(QStringLiteral("sha256")).toString()).hasMatch());
    static const QRegularExpression version(
            QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+\\.[0-9]+\\.[0-9]+")));
    require(version.match(manifest.version).hasMatch());
    return 0;
}
