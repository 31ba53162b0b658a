#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

// Records every message while it exists and, unless told otherwise, still
// forwards it to the previous handler. Only one may exist at a time.
class LogCapture
{
public:
    explicit LogCapture(bool forward = true);
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    // Lines containing the text.
    QStringList matching(const QString &text) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    static LogCapture *s_current;
    QtMessageHandler m_previous = nullptr;
    bool m_forward = true;
    mutable QMutex m_mutex;
    QStringList m_lines;
};
