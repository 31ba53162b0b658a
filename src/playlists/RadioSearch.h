#pragma once

#include "library/Records.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

// The pure parts of the radio directory client, free of any network, so that
// tests and fuzzers reach them directly.

// The search request for one mirror: base + "/json/stations/search" with the
// query items name (when text is not blank), countrycode (when not empty),
// hidebroken, order, reverse and limit, in that order. Values are encoded
// byte for byte, "+" included, so that the server reads back exactly text.
QUrl directorySearchUrl(const QString &baseUrl, const QString &text, const QString &countryCode);

// The stations of a directory reply, in reply order. isArray tells whether the
// body was a JSON array at all: an error page or a JSON object is no result,
// while "[]" is a true empty one. Elements without a name or a playable URL
// are dropped; tags holds the subtitle "state · tags · N kbps".
QList<StationRecord> parseDirectoryReply(const QByteArray &bytes, bool *isArray = nullptr);

// The subtitle of a directory entry: the non-empty parts among the state, the
// first three comma-separated tags and "N kbps" joined by " · ".
QString directorySubtitle(const QString &state, const QString &tags, int bitrateKbps);

// True for a network stream the engine may open: http, https, rtmp, rtmps,
// rtsp, rtp, udp, mms, mmsh and srt. The engine's own pseudo-protocols and
// local files are refused, and so are addresses holding control characters.
bool isPlayableStationUrl(const QString &url);

// Keeps the channels with a playable URL, in order; dropped ones are logged.
QList<StationRecord> playableStations(const QList<StationRecord> &stations);

// True for a logo address that may be fetched: http and https only.
bool isFetchableLogoUrl(const QString &url);
