#include "ui/Icons.h"

#include <array>

// Inner markup of every built-in icon. The root element supplies the 24 x 24
// view box, stroke "currentColor" 2 wide with round caps and joins, and no fill;
// shapes that must be solid say so themselves.

namespace {

struct IconEntry
{
    const char *name;
    const char *markup;
};

// clang-format off
const std::array<IconEntry, 64> IconTable{{
    {"play", R"svg(<path fill="currentColor" stroke="none" d="M7 4.5v15a1 1 0 0 0 1.5.86l12.5-7.5a1 1 0 0 0 0-1.72L8.5 3.64A1 1 0 0 0 7 4.5z"/>)svg"},
    {"pause", R"svg(<rect x="6" y="4" width="4" height="16" rx="1" fill="currentColor" stroke="none"/><rect x="14" y="4" width="4" height="16" rx="1" fill="currentColor" stroke="none"/>)svg"},
    {"stop", R"svg(<rect x="5.5" y="5.5" width="13" height="13" rx="2" fill="currentColor"/>)svg"},
    {"prev", R"svg(<path d="M18 6v12l-8.5-6z" fill="currentColor"/><path d="M6 5.5v13"/>)svg"},
    {"next", R"svg(<path d="M6 6v12l8.5-6z" fill="currentColor"/><path d="M18 5.5v13"/>)svg"},
    {"back10", R"svg(<path d="M4.7 8.5A8.5 8.5 0 1 0 12 4.5"/><path d="M14.5 2 12 4.5 14.5 7"/><text x="12.5" y="15.5" font-family="Arial" font-weight="bold" font-size="7.5" text-anchor="middle" fill="currentColor" stroke="none">10</text>)svg"},
    {"fwd10", R"svg(<path d="M19.3 8.5A8.5 8.5 0 1 1 12 4.5"/><path d="M9.5 2 12 4.5 9.5 7"/><text x="11.5" y="15.5" font-family="Arial" font-weight="bold" font-size="7.5" text-anchor="middle" fill="currentColor" stroke="none">10</text>)svg"},
    {"shuffle", R"svg(<path d="M3 7h3.5l10 10H21"/><path d="M3 17h3.5l3-3"/><path d="M13.5 10l3-3H21"/><path d="M18 4l3 3-3 3"/><path d="M18 14l3 3-3 3"/>)svg"},
    {"repeat", R"svg(<path d="M4 12v-2a4 4 0 0 1 4-4h12"/><path d="M17 3l3 3-3 3"/><path d="M20 12v2a4 4 0 0 1-4 4H4"/><path d="M7 21l-3-3 3-3"/>)svg"},
    {"repeat-one", R"svg(<path d="M4 12v-2a4 4 0 0 1 4-4h12"/><path d="M17 3l3 3-3 3"/><path d="M20 12v2a4 4 0 0 1-4 4H4"/><path d="M7 21l-3-3 3-3"/><path d="M11 10.5l1.5-1v5" stroke-width="1.6"/>)svg"},
    {"volume", R"svg(<path d="M4 9.5h3L11.5 5.5v13L7 14.5H4z"/><path d="M15.5 9a4.2 4.2 0 0 1 0 6"/><path d="M18.5 6a8.5 8.5 0 0 1 0 12"/>)svg"},
    {"volume-low", R"svg(<path d="M4 9.5h3L11.5 5.5v13L7 14.5H4z"/><path d="M15.5 9a4.2 4.2 0 0 1 0 6"/>)svg"},
    {"volume-x", R"svg(<path d="M4 9.5h3L11.5 5.5v13L7 14.5H4z"/><path d="M15 9l6 6M21 9l-6 6"/>)svg"},
    {"fullscreen", R"svg(<path d="M4 9V4h5"/><path d="M15 4h5v5"/><path d="M20 15v5h-5"/><path d="M9 20H4v-5"/>)svg"},
    {"fullscreen-exit", R"svg(<path d="M9 4v5H4"/><path d="M15 4v5h5"/><path d="M20 15h-5v5"/><path d="M4 15h5v5"/>)svg"},
    {"queue", R"svg(<path d="M3.5 6h14M3.5 11h10M3.5 16h7"/><path d="M15.5 13.5v6l5-3z" fill="currentColor"/>)svg"},
    {"captions", R"svg(<rect x="2.5" y="5" width="19" height="14" rx="3"/><path d="M10.3 10.2a2.3 2.3 0 1 0 0 3.6M16.8 10.2a2.3 2.3 0 1 0 0 3.6" stroke-width="1.7"/>)svg"},
    {"audio", R"svg(<path d="M4 16v-4a8 8 0 0 1 16 0v4"/><rect x="3" y="14" width="4.5" height="6.5" rx="1.5"/><rect x="16.5" y="14" width="4.5" height="6.5" rx="1.5"/>)svg"},
    {"speed", R"svg(<path d="M4.2 18.5A9 9 0 1 1 19.8 18.5"/><path d="M12 14l4-5"/><circle cx="12" cy="14" r="1.6" fill="currentColor" stroke="none"/>)svg"},
    {"eq", R"svg(<path d="M6 4v16M12 4v16M18 4v16"/><path d="M3.5 15h5M9.5 8h5M15.5 13h5"/>)svg"},
    {"more", R"svg(<circle cx="5" cy="12" r="1.6" fill="currentColor" stroke="none"/><circle cx="12" cy="12" r="1.6" fill="currentColor" stroke="none"/><circle cx="19" cy="12" r="1.6" fill="currentColor" stroke="none"/>)svg"},
    {"home", R"svg(<path d="M3 11.5 12 4l9 7.5"/><path d="M5.5 9.5V20h13V9.5"/><path d="M10 20v-5.5h4V20"/>)svg"},
    {"film", R"svg(<rect x="3" y="4" width="18" height="16" rx="2"/><path d="M7.5 4v16M16.5 4v16M3 9h4.5M3 15h4.5M16.5 9H21M16.5 15H21"/>)svg"},
    {"music", R"svg(<path d="M9 17.5V5.5l11-2v12"/><circle cx="6.5" cy="17.5" r="2.5"/><circle cx="17.5" cy="15.5" r="2.5"/>)svg"},
    {"playlist", R"svg(<path d="M3.5 6h12M3.5 11h12M3.5 16h7"/><circle cx="16" cy="18" r="2.5"/><path d="M18.5 18V9.5l2.5-1"/>)svg"},
    {"clock", R"svg(<circle cx="12" cy="12" r="9"/><path d="M12 7v5l3.5 2"/>)svg"},
    {"radio", R"svg(<circle cx="12" cy="12" r="2" fill="currentColor"/><path d="M16.2 7.8a6 6 0 0 1 0 8.4M7.8 16.2a6 6 0 0 1 0-8.4"/><path d="M19.1 4.9a10 10 0 0 1 0 14.2M4.9 19.1a10 10 0 0 1 0-14.2"/>)svg"},
    {"settings", R"svg(<path d="M18.95 10.14L21.48 10.5L21.48 13.5L18.95 13.86A7.2 7.2 0 0 1 18.24 15.6L19.77 17.64L17.64 19.77L15.6 18.24A7.2 7.2 0 0 1 13.86 18.95L13.5 21.48L10.5 21.48L10.14 18.95A7.2 7.2 0 0 1 8.4 18.24L6.36 19.77L4.23 17.64L5.76 15.6A7.2 7.2 0 0 1 5.05 13.86L2.52 13.5L2.52 10.5L5.05 10.14A7.2 7.2 0 0 1 5.76 8.4L4.23 6.36L6.36 4.23L8.4 5.76A7.2 7.2 0 0 1 10.14 5.05L10.5 2.52L13.5 2.52L13.86 5.05A7.2 7.2 0 0 1 15.6 5.76L17.64 4.23L19.77 6.36L18.24 8.4A7.2 7.2 0 0 1 18.95 10.14z"/><circle cx="12" cy="12" r="3"/>)svg"},
    {"folder", R"svg(<path d="M3 7a2 2 0 0 1 2-2h4l2 2.5h8a2 2 0 0 1 2 2V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/>)svg"},
    {"folder-plus", R"svg(<path d="M3 7a2 2 0 0 1 2-2h4l2 2.5h8a2 2 0 0 1 2 2V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/><path d="M12 11v6M9 14h6"/>)svg"},
    {"file", R"svg(<path d="M14 3H7a2 2 0 0 0-2 2v14a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V8z"/><path d="M14 3v5h5"/>)svg"},
    {"link", R"svg(<g transform="rotate(-45 12 12)"><path d="M10 8.5H7a3.5 3.5 0 0 0 0 7h3"/><path d="M14 8.5h3a3.5 3.5 0 0 1 0 7h-3"/><path d="M8.5 12h7"/></g>)svg"},
    {"plus", R"svg(<path d="M12 5v14M5 12h14"/>)svg"},
    {"trash", R"svg(<path d="M4 7h16"/><path d="M9 7V4.5h6V7"/><path d="M6 7l1 13h10l1-13"/><path d="M10 11v5.5M14 11v5.5"/>)svg"},
    {"search", R"svg(<circle cx="10.5" cy="10.5" r="6.5"/><path d="M15.5 15.5 20.5 20.5"/>)svg"},
    {"heart", R"svg(<path d="M12 20s-7.5-4.6-8.8-9.6C2.4 7.2 4.3 4.5 7.3 4.5c2 0 3.6 1.1 4.7 2.8 1.1-1.7 2.7-2.8 4.7-2.8 3 0 4.9 2.7 4.1 5.9C19.5 15.4 12 20 12 20z"/>)svg"},
    {"heart-filled", R"svg(<path fill="currentColor" d="M12 20s-7.5-4.6-8.8-9.6C2.4 7.2 4.3 4.5 7.3 4.5c2 0 3.6 1.1 4.7 2.8 1.1-1.7 2.7-2.8 4.7-2.8 3 0 4.9 2.7 4.1 5.9C19.5 15.4 12 20 12 20z"/>)svg"},
    {"camera", R"svg(<path d="M3 8.5a2 2 0 0 1 2-2h2.5L9 4h6l1.5 2.5H19a2 2 0 0 1 2 2V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/><circle cx="12" cy="13" r="3.5"/>)svg"},
    {"pip", R"svg(<rect x="3" y="5" width="18" height="14" rx="2"/><rect x="12" y="11.5" width="6" height="4.5" rx="1" fill="currentColor" stroke="none"/>)svg"},
    {"image", R"svg(<rect x="3" y="4" width="18" height="16" rx="2"/><circle cx="8.5" cy="9" r="1.5"/><path d="M4 18l5-5.5 4 4 2.5-2.5L20 18"/>)svg"},
    {"x", R"svg(<path d="M6 6l12 12M18 6 6 18"/>)svg"},
    {"check", R"svg(<path d="M4.5 12.5l5 5L19.5 7"/>)svg"},
    {"pin", R"svg(<path d="M8 3.5h8"/><path d="M9.5 3.5V9L6.5 13h11l-3-4V3.5"/><path d="M12 13v7.5"/>)svg"},
    {"download", R"svg(<path d="M12 4v11"/><path d="M7.5 10.5 12 15l4.5-4.5"/><path d="M4 16v3a1.5 1.5 0 0 0 1.5 1.5h13A1.5 1.5 0 0 0 20 19v-3"/>)svg"},
    {"upload", R"svg(<path d="M12 15V4"/><path d="M7.5 8.5 12 4l4.5 4.5"/><path d="M4 16v3a1.5 1.5 0 0 0 1.5 1.5h13A1.5 1.5 0 0 0 20 19v-3"/>)svg"},
    {"edit", R"svg(<path d="M4 20h4L19 9a2.8 2.8 0 0 0-4-4L4 16z"/><path d="M13.5 6.5l4 4"/>)svg"},
    {"refresh", R"svg(<path d="M4 12a8 8 0 0 1 14.93-4"/><path d="M19.63 4.06 18.93 8l-3.76-1.37"/><path d="M20 12a8 8 0 0 1-14.93 4"/><path d="M4.37 19.94 5.07 16l3.76 1.37"/>)svg"},
    {"info", R"svg(<circle cx="12" cy="12" r="9"/><path d="M12 11v5.5"/><circle cx="12" cy="7.8" r="1.2" fill="currentColor" stroke="none"/>)svg"},
    {"tv", R"svg(<rect x="3" y="7" width="18" height="13" rx="2"/><path d="M8 3l4 4 4-4"/>)svg"},
    {"globe", R"svg(<circle cx="12" cy="12" r="9"/><ellipse cx="12" cy="12" rx="4" ry="9"/><path d="M3 12h18"/>)svg"},
    {"ab", R"svg(<rect x="1.5" y="5" width="21" height="14" rx="3"/><text x="12" y="15.6" font-family="Arial" font-weight="bold" font-size="8.5" text-anchor="middle" fill="currentColor" stroke="none">A-B</text>)svg"},
    {"rotate", R"svg(<rect x="3.5" y="10" width="10.5" height="10" rx="1.5"/><path d="M8.5 5.5h5a5 5 0 0 1 5 5V14"/><path d="M16 11.5l2.5 2.5 2.5-2.5"/>)svg"},
    {"mirror", R"svg(<path d="M12 2.5v3.5M12 10v4M12 18v3.5"/><path d="M8.5 6.5v11H3z"/><path d="M15.5 6.5v11H21z" fill="currentColor"/>)svg"},
    {"aspect", R"svg(<rect x="3" y="5" width="18" height="14" rx="2"/><path d="M7 12V9h3M17 12v3h-3"/>)svg"},
    {"mic", R"svg(<rect x="9" y="3" width="6" height="11" rx="3"/><path d="M5.5 11a6.5 6.5 0 0 0 13 0"/><path d="M12 17.5V21M9 21h6"/>)svg"},
    {"mini", R"svg(<path d="M20 4l-6.5 6.5"/><path d="M13.5 6v4.5H18"/><rect x="3" y="13" width="8.5" height="7" rx="1.5"/>)svg"},
    {"chevron-left", R"svg(<path d="M15 5l-7 7 7 7"/>)svg"},
    {"chevron-right", R"svg(<path d="M9 5l7 7-7 7"/>)svg"},
    {"chevron-down", R"svg(<path d="M5 9l7 7 7-7"/>)svg"},
    {"frame", R"svg(<rect x="3" y="4" width="18" height="16" rx="2"/><rect x="7.5" y="8.5" width="9" height="7" rx="1"/><path d="M3 8.5h1.5M3 15.5h1.5M19.5 8.5H21M19.5 15.5H21"/>)svg"},
    {"keyboard", R"svg(<rect x="2.5" y="6" width="19" height="12" rx="2"/><path d="M6.5 10h.01M10 10h.01M14 10h.01M17.5 10h.01M8 14h8"/>)svg"},
    {"sparkles", R"svg(<path d="M10 3l1.8 5.2L17 10l-5.2 1.8L10 17l-1.8-5.2L3 10l5.2-1.8z"/><path d="M18 14.5l.9 2.1 2.1.9-2.1.9-.9 2.1-.9-2.1-2.1-.9 2.1-.9z"/>)svg"},
    {"grid", R"svg(<rect x="4" y="4" width="6.5" height="6.5" rx="1.5"/><rect x="13.5" y="4" width="6.5" height="6.5" rx="1.5"/><rect x="4" y="13.5" width="6.5" height="6.5" rx="1.5"/><rect x="13.5" y="13.5" width="6.5" height="6.5" rx="1.5"/>)svg"},
    {"list", R"svg(<path d="M9 6h11M9 12h11M9 18h11"/><path d="M4.5 6h.01M4.5 12h.01M4.5 18h.01"/>)svg"},
}};
// clang-format on

} // namespace

QStringList iconNames()
{
    QStringList names;
    names.reserve(int(IconTable.size()));
    for (const IconEntry &entry : IconTable)
        names << QLatin1String(entry.name);
    return names;
}

QString iconMarkup(const QString &name)
{
    for (const IconEntry &entry : IconTable) {
        if (name == QLatin1String(entry.name))
            return QString::fromUtf8(entry.markup);
    }
    return {};
}
