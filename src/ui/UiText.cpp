#include "ui/UiText.h"

#include "app/AppSettings.h"

QString tr2(const char *english, const char *portuguese)
{
    return uiText(QString::fromUtf8(english), QString::fromUtf8(portuguese));
}
