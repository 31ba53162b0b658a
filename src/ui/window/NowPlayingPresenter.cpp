#include "ui/window/NowPlayingPresenter.h"

#include "engine/PlayerCore.h"
#include "library/Covers.h"
#include "library/Database.h"
#include "library/MediaFiles.h"
#include "ui/UiText.h"
#include "ui/bars/ControlBar.h"
#include "ui/pages/NowPlaying.h"
#include "ui/window/MediaControlsBridge.h"
#include "ui/window/NowPlayingText.h"
#include "ui/window/PlaybackSession.h"

#include <QPixmap>
#include <QWidget>

namespace {

constexpr int CoverArtSize = 512;
constexpr int VideoArtWidth = 384;
// 15 % into the video.
constexpr double VideoArtPosition = -0.15;

} // namespace

NowPlayingPresenter::NowPlayingPresenter(QWidget *window, PlayerCore *core,
                                         PlaybackSession *session, Database *database,
                                         ControlBar *bar, NowPlaying *view, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_core(core)
    , m_session(session)
    , m_database(database)
    , m_bar(bar)
    , m_view(view)
{
    // A cover or thumbnail that was still loading arrives here.
    connect(Covers::instance(), &Covers::ready, this, [this](const QString &path) {
        if (!path.isEmpty() && path == m_session->currentPath())
            refresh();
    });
}

void NowPlayingPresenter::setMediaControls(MediaControlsBridge *bridge)
{
    m_mediaControls = bridge;
}

void NowPlayingPresenter::refresh()
{
    m_session->adoptEnginePath();
    const QString path = m_session->currentPath();
    if (path.isEmpty())
        return;
    const NowPlayingText text = NowPlayingText::describe(m_core, m_database, path);
    const bool video = m_core->hasVideo() || isVideoFile(path);
    // Null until loaded; Covers::ready then brings us back here.
    const QPixmap art = isVideoFile(path) ? Covers::instance()->videoThumb(path, VideoArtWidth,
                                                                           VideoArtPosition,
                                                                           QStringLiteral("lib"))
                                          : Covers::instance()->cover(path, CoverArtSize);
    m_bar->setNowPlaying(text.title, text.subtitle.isEmpty() ? text.album : text.subtitle, art,
                         video);
    refreshFavorite();
    m_view->setTrack(path, text.title, text.subtitle, text.album, art);
    m_window->setWindowTitle(text.title + QStringLiteral(" — Zorvi Player"));
    if (m_mediaControls)
        m_mediaControls->publish(text, path);
}

void NowPlayingPresenter::refreshFavorite()
{
    const QString path = m_session->currentPath();
    m_bar->setFavoriteState(!path.isEmpty() && m_database->isFavorite(path), !path.isEmpty());
}

void NowPlayingPresenter::clear()
{
    m_bar->setNowPlaying(tr2("Nothing playing", "Nada tocando"), QString(), QPixmap());
    m_bar->setFavoriteState(false, false);
    m_window->setWindowTitle(QStringLiteral("Zorvi Player"));
}

void NowPlayingPresenter::toggleFavorite()
{
    const QString path = m_session->currentPath();
    if (path.isEmpty())
        return;
    const bool on = !m_database->isFavorite(path);
    m_database->setFavorite(path, on);
    m_bar->setFavoriteState(on, true);
    Q_EMIT toast(on ? tr2("Added to favorites", "Adicionado aos favoritos")
                    : tr2("Removed from favorites", "Removido dos favoritos"));
}
