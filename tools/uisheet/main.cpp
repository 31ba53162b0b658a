#include "Sheets.h"
#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    applyTheme(app);
    QApplication::setWindowIcon(appIcon());

    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    const QString out = args.value(2);
    const int zoom = args.value(3).toInt();
    const QStringList modes{QStringLiteral("icons"), QStringLiteral("controls"),
                            QStringLiteral("cards")};
    if (!modes.contains(mode) || out.isEmpty()) {
        std::fputs("usage: zorvi-uisheet icons|controls|cards <out.png> [zoom]\n", stderr);
        return 2;
    }

    QImage image = mode == QLatin1String("icons")      ? renderIconSheet()
                   : mode == QLatin1String("controls") ? renderControlsSheet()
                                                       : renderCardSheet();
    if (zoom > 1)
        image = image.scaled(image.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (image.isNull() || !image.save(out, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s %dx%d\n", qPrintable(out), image.width(), image.height());
    return 0;
}
