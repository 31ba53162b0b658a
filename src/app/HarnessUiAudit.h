#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

class MainWindow;
class PlayerCore;
class QWidget;

// Loads a media file, walks every page and dialog at two window sizes and
// reports, one line each: controls a person could not identify without
// seeing them (icon-only buttons without accessible name or tool tip), texts
// clipped by their widget, and texts that look like the other interface
// language. The report is the result; the run always exits with 0.
class HarnessUiAudit : public QObject
{
    Q_OBJECT

public:
    HarnessUiAudit(MainWindow *window, PlayerCore *core, const QString &reportFile,
                   const QString &mediaFile);

    static void start(MainWindow *window, PlayerCore *core, const QString &reportFile,
                      const QString &mediaFile);

    // True when text, shown in the interface language, looks like the other
    // language (Portuguese words or accents in English, English words in
    // Portuguese).
    static bool looksLikeOtherLanguage(const QString &text, bool english);

private:
    void run();
    void auditTree(QWidget *root, const QString &where, const QString &sizeText);
    void auditWidget(QWidget *widget, const QString &where, const QString &sizeText);
    void note(const QString &key, const QString &line);
    bool isMediaText(const QString &text) const;

    QPointer<MainWindow> m_window;
    PlayerCore *m_core = nullptr;
    QString m_reportFile;
    QString m_mediaFile;
    QStringList m_lines;
    QSet<QString> m_seen;
    QStringList m_mediaTexts;
    int m_findings = 0;
};
