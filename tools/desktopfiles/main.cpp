// Build-time helper for the files a Linux desktop needs to offer the player:
// the icon pictures rendered from the application logo, the desktop entry with
// MIME types taken from the player's own suffix lists, and a MIME package for
// suffixes the system's MIME database does not know.
//
//   zorvi-desktopfiles icons <logo.svg> <icon theme folder> <size>...
//   zorvi-desktopfiles desktop-entry <template> <output>
//   zorvi-desktopfiles mime-package <output>
//   zorvi-desktopfiles mime-types

#include "library/MediaMimeTypes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "zorvi-desktopfiles: %s\n", qPrintable(text));
    return 1;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Unchanged output keeps its time stamp, so nothing downstream rebuilds.
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes)
        return true;
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

int renderIcons(const QString &svgPath, const QString &themeDir, const QStringList &sizes)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        return fail(QStringLiteral("not a valid SVG: %1").arg(svgPath));
    for (const QString &text : sizes) {
        bool ok = false;
        const int sizePx = text.toInt(&ok);
        if (!ok || sizePx <= 0)
            return fail(QStringLiteral("bad icon size: %1").arg(text));
        QImage image(sizePx, sizePx, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, sizePx, sizePx));
        painter.end();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(sizePx);
        QDir().mkpath(dir);
        if (!image.save(dir + QStringLiteral("/zorvi-player.png"), "PNG"))
            return fail(QStringLiteral("could not write %1").arg(dir));
    }
    return 0;
}

int writeDesktopEntry(const QString &templatePath, const QString &output)
{
    QFile in(templatePath);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(templatePath));
    QByteArray text = in.readAll();
    if (!text.contains("@MIME_TYPES@"))
        return fail(QStringLiteral("no @MIME_TYPES@ in %1").arg(templatePath));
    text.replace("@MIME_TYPES@", (mediaMimeTypes().join(QLatin1Char(';')) + ';').toUtf8());
    return writeFile(output, text) ? 0 : fail(QStringLiteral("cannot write %1").arg(output));
}

} // namespace

int main(int argc, char **argv)
{
    // Painting into an image needs no screen nor a GUI application.
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("icons") && args.size() >= 4)
        return renderIcons(args.at(1), args.at(2), args.mid(3));
    if (command == QLatin1String("desktop-entry") && args.size() == 3)
        return writeDesktopEntry(args.at(1), args.at(2));
    if (command == QLatin1String("mime-package") && args.size() == 2) {
        return writeFile(args.at(1), ownMimePackage())
                       ? 0
                       : fail(QStringLiteral("cannot write %1").arg(args.at(1)));
    }
    if (command == QLatin1String("mime-types") && args.size() == 1) {
        QTextStream(stdout) << mediaMimeTypes().join(QLatin1Char('\n')) << '\n';
        return 0;
    }
    return fail(QStringLiteral("usage: icons <svg> <dir> <size>... | desktop-entry <in> <out> | "
                               "mime-package <out> | mime-types"));
}
