#include "app/CommandLine.h"

#include "app/Startup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace {

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

// The interface language of the settings file, read only when the file
// exists: asking for help must not create the data folder.
bool settingsSayEnglish()
{
    QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer"));
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                         QStringLiteral("/config.ini");
    if (!QFileInfo::exists(path))
        return false;
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(QStringLiteral("ui/language")).toString() == QLatin1String("en");
}

void printLine(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

} // namespace

QString helpText(bool english)
{
    if (english) {
        return QStringLiteral(
                "Usage: zorvi-player [file | folder | playlist | link]...\n"
                "       zorvi-player --selftest <report> <media> [more media]\n"
                "       zorvi-player --screenshots <out folder> <sample folder>\n"
                "       zorvi-player --ui-audit <report> <media>\n"
                "\n"
                "Plays the given files and folders, playlists (M3U, M3U8, PLS) and links\n"
                "(http, https and other streams). If the player is already running, they\n"
                "are handed to its window.\n"
                "\n"
                "  -h, --help      show this text and exit\n"
                "  --version       show the version and exit\n"
                "  --selftest      play the media and write one ok/FAIL line per check\n"
                "  --screenshots   save a picture of every view\n"
                "  --ui-audit      list unnamed buttons, clipped texts and texts in the\n"
                "                  other language\n"
                "\n"
                "The last three count only as the first argument and use a throw-away\n"
                "data folder.\n");
    }
    return QStringLiteral(
            "Uso: zorvi-player [arquivo | pasta | playlist | link]...\n"
            "     zorvi-player --selftest <relatório> <mídia> [mais mídias]\n"
            "     zorvi-player --screenshots <pasta de saída> <pasta de exemplos>\n"
            "     zorvi-player --ui-audit <relatório> <mídia>\n"
            "\n"
            "Reproduz os arquivos e pastas, playlists (M3U, M3U8, PLS) e links (http,\n"
            "https e outras transmissões) informados. Se o player já estiver aberto,\n"
            "eles vão para a janela dele.\n"
            "\n"
            "  -h, --help      mostra este texto e sai\n"
            "  --version       mostra a versão e sai\n"
            "  --selftest      reproduz as mídias e grava uma linha ok/FAIL por teste\n"
            "  --screenshots   salva uma imagem de cada tela\n"
            "  --ui-audit      lista botões sem nome, textos cortados e textos no outro\n"
            "                  idioma\n"
            "\n"
            "Os três últimos valem só como primeiro argumento e usam uma pasta de dados\n"
            "descartável.\n");
}

bool answerInformationSwitches(int argc, char **argv)
{
    if (hasArgument(argc, argv, "--version")) {
        printLine(QByteArray(VersionLine) + '\n');
        return true;
    }
    if (hasArgument(argc, argv, "--help") || hasArgument(argc, argv, "-h")) {
        printLine(helpText(settingsSayEnglish()).toUtf8());
        return true;
    }
    return false;
}
