#include "app/AppSettings.h"
#include "engine/EngineProperties.h"
#include "engine/MpvApi.h"
#include "engine/PlayerCore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QList<TrackInfo> PlayerCore::tracksOfType(const QString &kind) const
{
    QList<TrackInfo> result;
    for (const TrackInfo &track : m_tracks) {
        if (track.type == kind && !track.albumart)
            result.append(track);
    }
    return result;
}

static QByteArray selectionProperty(const QString &kind)
{
    if (kind == QLatin1String("video"))
        return "vid";
    if (kind == QLatin1String("audio"))
        return "aid";
    return "sid";
}

void PlayerCore::selectTrack(const QString &kind, qint64 id)
{
    setPropertyString(m_handle, selectionProperty(kind),
                      id < 1 ? QStringLiteral("no") : QString::number(id));
}

void PlayerCore::cycleTrack(const QString &kind)
{
    QString property = QStringLiteral("sub");
    if (kind == QLatin1String("audio"))
        property = QStringLiteral("audio");
    else if (kind == QLatin1String("video"))
        property = QStringLiteral("video");
    runCommand(m_handle, {QStringLiteral("cycle"), property});
}

qint64 PlayerCore::secondarySubtitle() const
{
    // "no" and an empty text both read as 0.
    return getPropertyString(m_handle, EngineProperty::SecondarySubtitle).toLongLong();
}

void PlayerCore::setSecondarySubtitle(qint64 id)
{
    setPropertyString(m_handle, EngineProperty::SecondarySubtitle,
                      id <= 0 ? QStringLiteral("no") : QString::number(id));
}

void PlayerCore::addSubtitle(const QString &path)
{
    runCommand(m_handle, {QStringLiteral("sub-add"), path, QStringLiteral("select")});
}

double PlayerCore::subDelay() const
{
    return getPropertyDouble(m_handle, EngineProperty::SubDelay);
}

void PlayerCore::setSubDelay(double seconds)
{
    setPropertyDouble(m_handle, EngineProperty::SubDelay, seconds);
}

void PlayerCore::setAspectOverride(const QString &ratio, double panScan, bool keepAspect)
{
    setPropertyString(m_handle, EngineProperty::PanScan, QString::number(panScan));
    setPropertyString(m_handle, EngineProperty::KeepAspect,
                      keepAspect ? QStringLiteral("yes") : QStringLiteral("no"));
    setPropertyString(m_handle, EngineProperty::AspectOverride, ratio);
}

void PlayerCore::setVideoZoom(double log2Zoom)
{
    setPropertyDouble(m_handle, EngineProperty::VideoZoom, log2Zoom);
}

void PlayerCore::resetVideoPan()
{
    setPropertyString(m_handle, EngineProperty::VideoPanX, QStringLiteral("0"));
    setPropertyString(m_handle, EngineProperty::VideoPanY, QStringLiteral("0"));
}

void PlayerCore::setVideoRotation(int degrees)
{
    setPropertyInt(m_handle, EngineProperty::VideoRotate, degrees);
}

namespace {

void addRow(QString &html, const QString &label, const QString &value)
{
    if (value.isEmpty())
        return;
    html += QStringLiteral(
                    "<tr><td style='color:#a8b5c7;padding-right:16px'>%1</td><td>%2</td></tr>")
                    .arg(label, value.toHtmlEscaped());
}

QString kbps(qint64 bitsPerSecond)
{
    return QStringLiteral("%1 kbps").arg(bitsPerSecond / 1000);
}

} // namespace

QString PlayerCore::mediaInfoHtml() const
{
    const bool network = isNetwork();
    QString html = QStringLiteral("<table>");
    addRow(html, uiText(QStringLiteral("File"), QStringLiteral("Arquivo")), m_currentPath);
    addRow(html, uiText(QStringLiteral("Source"), QStringLiteral("Origem")),
           network ? uiText(QStringLiteral("Network / internet"), QStringLiteral("Rede / internet"))
                   : uiText(QStringLiteral("Local file"), QStringLiteral("Arquivo local")));
    addRow(html, uiText(QStringLiteral("Read wait"), QStringLiteral("Espera de leitura")),
           m_buffering ? uiText(QStringLiteral("Yes"), QStringLiteral("Sim"))
                       : uiText(QStringLiteral("No"), QStringLiteral("Não")));
    addRow(html, uiText(QStringLiteral("Read ahead"), QStringLiteral("Dados antecipados")),
           QString::number(getPropertyDouble(m_handle, "demuxer-cache-duration", 0), 'f', 2) +
                   QStringLiteral(" s"));
    addRow(html, uiText(QStringLiteral("Dropped frames"), QStringLiteral("Quadros descartados")),
           QString::number(getPropertyInt(m_handle, "frame-drop-count", 0)));
    addRow(html,
           uiText(QStringLiteral("Decoder drops"),
                  QStringLiteral("Descartados pelo decodificador")),
           QString::number(getPropertyInt(m_handle, "decoder-frame-drop-count", 0)));
    QString title = m_streamTitle;
    if (title.isEmpty())
        title = m_mediaTitle;
    if (title.isEmpty())
        title = QFileInfo(m_currentPath).completeBaseName();
    addRow(html, uiText(QStringLiteral("Title"), QStringLiteral("Título")), title);
    addRow(html, uiText(QStringLiteral("Format"), QStringLiteral("Formato")),
           getPropertyString(m_handle, "file-format"));
    const qint64 size = getPropertyInt(m_handle, "file-size", 0);
    if (size > 0) {
        addRow(html, uiText(QStringLiteral("Size"), QStringLiteral("Tamanho")),
               QStringLiteral("%1 MB").arg(QString::number(size / 1048576.0, 'f', 1)));
    }
    addRow(html, uiText(QStringLiteral("Duration"), QStringLiteral("Duração")),
           formatTime(m_duration));
    if (m_hasVideo) {
        addRow(html, uiText(QStringLiteral("Video"), QStringLiteral("Vídeo")),
               getPropertyString(m_handle, "video-codec"));
        addRow(html, uiText(QStringLiteral("Resolution"), QStringLiteral("Resolução")),
               QStringLiteral("%1 x %2")
                       .arg(getPropertyInt(m_handle, "video-params/w", 0))
                       .arg(getPropertyInt(m_handle, "video-params/h", 0)));
        const double fps = getPropertyDouble(m_handle, "container-fps", 0);
        if (fps > 0) {
            addRow(html, uiText(QStringLiteral("Frame rate"), QStringLiteral("Quadros/s")),
                   QString::number(fps, 'f', 3));
        }
        addRow(html, uiText(QStringLiteral("Color"), QStringLiteral("Cor")),
               getPropertyString(m_handle, "video-params/pixelformat") + QLatin1Char(' ') +
                       getPropertyString(m_handle, "video-params/colormatrix"));
        const qint64 videoBitrate = getPropertyInt(m_handle, "video-bitrate", 0);
        if (videoBitrate > 0) {
            addRow(html, uiText(QStringLiteral("Video bitrate"), QStringLiteral("Taxa de vídeo")),
                   kbps(videoBitrate));
        }
        const QString hwdec = getPropertyString(m_handle, "hwdec-current");
        addRow(html, uiText(QStringLiteral("Decoding"), QStringLiteral("Decodificação")),
               !hwdec.isEmpty() && hwdec != QLatin1String("no")
                       ? uiText(QStringLiteral("GPU ("), QStringLiteral("placa de vídeo (")) +
                                 hwdec + QLatin1Char(')')
                       : uiText(QStringLiteral("CPU"), QStringLiteral("processador")));
    }
    addRow(html, uiText(QStringLiteral("Audio"), QStringLiteral("Áudio")),
           getPropertyString(m_handle, "audio-codec"));
    const qint64 sampleRate = getPropertyInt(m_handle, "audio-params/samplerate", 0);
    if (sampleRate > 0) {
        addRow(html, uiText(QStringLiteral("Sample rate"), QStringLiteral("Amostragem")),
               QStringLiteral("%1 Hz \u00b7 %2 canais")
                       .arg(sampleRate)
                       .arg(getPropertyInt(m_handle, "audio-params/channel-count", 0)));
    }
    const qint64 audioBitrate = getPropertyInt(m_handle, "audio-bitrate", 0);
    if (audioBitrate > 0) {
        addRow(html, uiText(QStringLiteral("Audio bitrate"), QStringLiteral("Taxa de áudio")),
               kbps(audioBitrate));
    }
    html += QStringLiteral("</table>");
    return html;
}

QString PlayerCore::takeScreenshot(bool includeSubtitles)
{
    QString folder = settingValue(QStringLiteral("video/screenshotDir"), QString()).toString();
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
                 QStringLiteral("/Zorvi Player");
    }
    QDir().mkpath(folder);
    const QString name = screenshotFileName(m_currentPath, m_position, QTime::currentTime());
    QString path = folder + QLatin1Char('/') + name;
    // Two shots in the same second at the same position would share the name;
    // the engine overwrites silently, so number the later ones instead.
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = folder + QLatin1Char('/') + name.chopped(4) + QStringLiteral("_%1.png").arg(n);
    }
    const int status = runCommand(
            m_handle, {QStringLiteral("screenshot-to-file"), path,
                       includeSubtitles ? QStringLiteral("subtitles") : QStringLiteral("video")});
    return status < 0 ? QString() : path;
}

void PlayerCore::setHwdec(bool on)
{
    m_hwdecEnabled = on;
    QString mode = QStringLiteral("no");
    if (on)
        mode = m_mirror ? QStringLiteral("auto-copy-safe") : QStringLiteral("auto-safe");
    setPropertyString(m_handle, EngineProperty::Hwdec, mode);
}

void PlayerCore::setMirror(bool on)
{
    m_mirror = on;
    if (on) {
        // Filters need the frames in system memory.
        if (m_hwdecEnabled)
            setPropertyString(m_handle, EngineProperty::Hwdec, QStringLiteral("auto-copy-safe"));
        runCommand(m_handle,
                   {QStringLiteral("vf"), QStringLiteral("add"), QStringLiteral("@mirror:hflip")});
    } else {
        runCommand(m_handle,
                   {QStringLiteral("vf"), QStringLiteral("remove"), QStringLiteral("@mirror")});
        if (m_hwdecEnabled)
            setPropertyString(m_handle, EngineProperty::Hwdec, QStringLiteral("auto-safe"));
    }
}
