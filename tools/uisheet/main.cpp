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
    if ((mode != QLatin1String("icons") && mode != QLatin1String("controls")) || out.isEmpty()) {
        std::fputs("usage: zorvi-uisheet icons|controls <out.png> [zoom]\n", stderr);
        return 2;
    }

    QImage image = mode == QLatin1String("icons") ? renderIconSheet() : renderControlsSheet();
    if (zoom > 1)
        image = image.scaled(image.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (image.isNull() || !image.save(out, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s %dx%d\n", qPrintable(out), image.width(), image.height());
    return 0;
}
