#pragma once

#include <QtGlobal>

class QNetworkReply;

// Aborts reply (it then finishes with OperationCanceledError) as soon as more
// than maxBytes wait unread or announced, or when deadlineMs have passed since
// now, whatever the pace of the data. The read buffer is bounded as well, so
// an endless body never piles up in memory.
void limitReply(QNetworkReply *reply, qint64 maxBytes, int deadlineMs);
