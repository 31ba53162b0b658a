#include "ui/SpeedText.h"

#include "app/AppSettings.h"

QString speedText(double speed)
{
    QString text = QString::number(speed, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!uiEnglish)
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text + QLatin1Char('x');
}
