#pragma once

// Names of the engine properties that more than one place reads or writes.
// Spelling them once turns a typo into a compile error.
namespace EngineProperty {

inline constexpr char Path[] = "path";
inline constexpr char Duration[] = "duration";
inline constexpr char MediaTitle[] = "media-title";
inline constexpr char Metadata[] = "metadata";
inline constexpr char TrackList[] = "track-list";
inline constexpr char Volume[] = "volume";
inline constexpr char AudioDelay[] = "audio-delay";
inline constexpr char SubDelay[] = "sub-delay";
inline constexpr char SecondarySubtitle[] = "secondary-sid";
inline constexpr char AudioDevice[] = "audio-device";
inline constexpr char AudioDeviceList[] = "audio-device-list";
inline constexpr char AspectOverride[] = "video-aspect-override";
inline constexpr char PanScan[] = "panscan";
inline constexpr char KeepAspect[] = "keepaspect";
inline constexpr char VideoZoom[] = "video-zoom";
inline constexpr char VideoPanX[] = "video-pan-x";
inline constexpr char VideoPanY[] = "video-pan-y";
inline constexpr char VideoRotate[] = "video-rotate";
inline constexpr char PlaylistCurrentPos[] = "playlist-current-pos";
inline constexpr char Hwdec[] = "hwdec";

} // namespace EngineProperty
