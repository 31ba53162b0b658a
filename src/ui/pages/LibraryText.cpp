#include "ui/pages/LibraryText.h"

#include <QFileInfo>
#include <QTextDocument>

namespace LibraryText {

QString folderName(const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? folder : name;
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 Mebibyte = 1024 * 1024;
    constexpr qint64 Gibibyte = 1024 * Mebibyte;
    if (bytes <= 0)
        return {};
    if (bytes <= Gibibyte)
        return QStringLiteral("%1 MB").arg(bytes / Mebibyte);
    return QStringLiteral("%1 GB").arg(
            QString::number(static_cast<double>(bytes) / static_cast<double>(Gibibyte), 'f', 1));
}

QString plainToolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(text.toHtmlEscaped());
}

} // namespace LibraryText
