#include "LogCapture.h"

#include <QMutexLocker>

LogCapture *LogCapture::s_current = nullptr;

LogCapture::LogCapture(bool forward)
    : m_forward(forward)
{
    s_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    s_current = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (LogCapture *capture = s_current) {
        {
            QMutexLocker lock(&capture->m_mutex);
            capture->m_lines.append(message);
        }
        if (capture->m_forward && capture->m_previous)
            capture->m_previous(type, context, message);
    }
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

QStringList LogCapture::matching(const QString &text) const
{
    return lines().filter(text);
}

void LogCapture::clear()
{
    QMutexLocker lock(&m_mutex);
    m_lines.clear();
}
