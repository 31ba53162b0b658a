#pragma once

#include <QMap>
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
// language. The same walk then runs in a second process in the other
// language; a text shown identically by both at the same place was left
// untranslated. The report is the result; the run always exits with 0.
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

    // True when text needs a translation at all: it has a word that is not a
    // name, unit or term written the same in both languages.
    static bool needsTranslation(const QString &text);

private:
    void run();
    void auditTree(QWidget *root, const QString &where, const QString &sizeText);
    void auditWidget(QWidget *root, QWidget *widget, const QString &where, const QString &sizeText);
    void recordText(QWidget *root, QWidget *widget, const QString &where, const QString &kind,
                    const QString &text);
    // Runs the walk in the other language and compares what both showed.
    void compareWithOtherLanguage();
    void note(const QString &key, const QString &line);
    bool isMediaText(const QString &text) const;

    QPointer<MainWindow> m_window;
    PlayerCore *m_core = nullptr;
    QString m_reportFile;
    QString m_mediaFile;
    QStringList m_lines;
    QSet<QString> m_seen;
    QStringList m_mediaTexts;
    // Every text shown, by place (where, position in the widget tree, kind),
    // and how each place is described in the report.
    QMap<QString, QString> m_texts;
    QMap<QString, QString> m_placeNames;
    int m_findings = 0;
};
