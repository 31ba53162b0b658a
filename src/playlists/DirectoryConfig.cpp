#include "playlists/DirectoryConfig.h"

#include <optional>

namespace {

std::optional<DirectoryConfig> &processConfig()
{
    static std::optional<DirectoryConfig> config;
    return config;
}

} // namespace

DirectoryConfig DirectoryConfig::standard()
{
    DirectoryConfig config;
    // Servers of the public Radio Browser directory, in different places so
    // that one outage rarely takes two of them.
    config.mirrors = {QStringLiteral("https://de1.api.radio-browser.info"),
                      QStringLiteral("https://nl1.api.radio-browser.info"),
                      QStringLiteral("https://at1.api.radio-browser.info"),
                      QStringLiteral("https://de2.api.radio-browser.info")};
    return config;
}

DirectoryConfig DirectoryConfig::current()
{
    return processConfig().value_or(standard());
}

void DirectoryConfig::useForProcess(const DirectoryConfig &config)
{
    processConfig() = config;
}
