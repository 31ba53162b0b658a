#include "app/ToolkitTranslation.h"

#include "app/AppSettings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installToolkitTranslation(QCoreApplication &app)
{
    if (uiEnglish)
        return true; // the toolkit's texts are English already
    auto *translator = new QTranslator(&app);
    // Installed copies of the toolkit keep their catalogues in one place; a
    // deployed player carries them in a "translations" folder beside it.
    for (const QString &folder :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(QStringLiteral("qtbase_pt_BR"), folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
    }
    qWarning() << "traducao do Qt nao encontrada";
    delete translator;
    return false;
}
