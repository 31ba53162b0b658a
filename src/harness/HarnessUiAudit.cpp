#include "harness/HarnessUiAudit.h"

#include "app/AppSettings.h"
#include "engine/PlayerCore.h"
#include "harness/HarnessSupport.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

using HarnessSupport::waitFor;
using HarnessSupport::waitMs;

namespace {

QString describe(const QWidget *widget)
{
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty())
        text += QLatin1Char('#') + widget->objectName();
    // The nearest named ancestor tells a reader where to look.
    for (const QWidget *up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (!up->objectName().isEmpty() && !up->objectName().startsWith(QLatin1String("qt_"))) {
            text += QStringLiteral(" in ") + up->objectName();
            break;
        }
    }
    return text;
}

QString plainText(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QString quoted(const QString &text)
{
    QString shown = text.simplified();
    if (shown.size() > 60)
        shown = shown.left(57) + QStringLiteral("...");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

} // namespace

HarnessUiAudit::HarnessUiAudit(MainWindow *window, PlayerCore *core, const QString &reportFile,
                               const QString &mediaFile)
    : QObject(window)
    , m_window(window)
    , m_core(core)
    , m_reportFile(reportFile)
    , m_mediaFile(mediaFile)
{}

void HarnessUiAudit::start(MainWindow *window, PlayerCore *core, const QString &reportFile,
                           const QString &mediaFile)
{
    auto *audit = new HarnessUiAudit(window, core, reportFile, mediaFile);
    QTimer::singleShot(0, audit, [audit] { audit->run(); });
}

bool HarnessUiAudit::looksLikeOtherLanguage(const QString &text, bool english)
{
    // Whole words only: short common words of each language that the other
    // one does not use.
    static const QRegularExpression portuguese(
            QStringLiteral("\\b(não|nao|você|voce|reprodução|música|músicas|vídeo|vídeos|"
                           "configurações|pasta|pastas|arquivo|arquivos|abrir|tocar|tocando|"
                           "fila|sair|buscar|limpar|salvar|nenhum|nenhuma|sem|para|com|"
                           "uma|da|dos|das|ao|os|adicionar|remover|recentes|"
                           "rádio|rádios|legenda|legendas|início|próxima|anterior|"
                           "tempo|agora|aqui|esta|este|ou|mais|menos)\\b"),
            QRegularExpression::CaseInsensitiveOption |
                    QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression accents(QStringLiteral("[ãõçáéíóúâêôàÃÕÇÁÉÍÓÚÂÊÔÀ]"));
    static const QRegularExpression englishWords(
            QStringLiteral("\\b(the|and|of|with|your|you|open|settings|search|nothing|empty|"
                           "add|remove|folder|folders|file|files|recent|next|previous|"
                           "play|pause|stop|queue|now|here|this|or|more|less|clear|save|"
                           "music|videos|none)\\b"),
            QRegularExpression::CaseInsensitiveOption |
                    QRegularExpression::UseUnicodePropertiesOption);
    if (english)
        return portuguese.match(text).hasMatch() || accents.match(text).hasMatch();
    return englishWords.match(text).hasMatch();
}

bool HarnessUiAudit::isMediaText(const QString &text) const
{
    // Titles, artists and file names come from the media, not from the
    // interface, and may be in any language.
    for (const QString &value : m_mediaTexts)
        if (!value.isEmpty() && text.contains(value, Qt::CaseInsensitive))
            return true;
    return false;
}

bool HarnessUiAudit::needsTranslation(const QString &text)
{
    // Names and terms both interfaces write alike.
    static const QSet<QString> shared = {
            QStringLiteral("zorvi"),     QStringLiteral("player"),   QStringLiteral("playlist"),
            QStringLiteral("playlists"), QStringLiteral("mini"),     QStringLiteral("pip"),
            QStringLiteral("ok"),        QStringLiteral("normal"),   QStringLiteral("volume"),
            QStringLiteral("zoom"),      QStringLiteral("a"),        QStringLiteral("b"),
            QStringLiteral("x"),         QStringLiteral("s"),        QStringLiteral("ms"),
            QStringLiteral("min"),       QStringLiteral("h"),        QStringLiteral("db"),
            QStringLiteral("hz"),        QStringLiteral("khz"),      QStringLiteral("kbps"),
            QStringLiteral("fps"),       QStringLiteral("url"),      QStringLiteral("http"),
            QStringLiteral("https"),     QStringLiteral("rtmp"),     QStringLiteral("rtsp"),
            QStringLiteral("m3u"),       QStringLiteral("m3u8"),     QStringLiteral("pls"),
            QStringLiteral("iptv"),      QStringLiteral("tv"),       QStringLiteral("lrc"),
            QStringLiteral("mpv"),       QStringLiteral("libmpv"),   QStringLiteral("hdr"),
            QStringLiteral("gpu"),       QStringLiteral("opengl"),   QStringLiteral("stereo"),
            QStringLiteral("mono"),      QStringLiteral("online"),   QStringLiteral("podcast"),
            QStringLiteral("podcasts"),  QStringLiteral("orvandel"), QStringLiteral("com"),
            QStringLiteral("br"),        QStringLiteral("www"),      QStringLiteral("qt"),
            QStringLiteral("k")};
    // Colour codes such as "#FFFFFF" read the same in every language.
    static const QRegularExpression colourCode(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (colourCode.match(text).hasMatch())
        return false;
    static const QRegularExpression word(QStringLiteral("[\\p{L}]+"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    for (auto it = word.globalMatch(text); it.hasNext();) {
        if (!shared.contains(it.next().captured().toLower()))
            return true;
    }
    return false;
}

void HarnessUiAudit::recordText(QWidget *root, QWidget *widget, const QString &where,
                                const QString &kind, const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    // The place is the widget's position in the tree, which is the same in
    // both languages; names are not, and most widgets have none.
    QStringList steps;
    for (QWidget *at = widget; at && at != root; at = at->parentWidget()) {
        const QObject *parent = at->parent();
        int index = 0;
        if (parent) {
            for (const QObject *child : parent->children()) {
                if (child == at)
                    break;
                index += child->isWidgetType();
            }
        }
        steps.prepend(QString::number(index));
    }
    const QString key =
            where + QLatin1Char('|') + steps.join(QLatin1Char('.')) + QLatin1Char('|') + kind;
    m_texts.insert(key, text.simplified());
    m_placeNames.insert(key, describe(widget));
}

void HarnessUiAudit::compareWithOtherLanguage()
{
    const QString english = QStringLiteral("en");
    const QString other = uiEnglish ? QStringLiteral("pt") : english;
    const QString otherName = uiEnglish ? QStringLiteral("Portuguese") : QStringLiteral("English");
    QTemporaryDir scratch;
    const QString peerReport = scratch.filePath(QStringLiteral("report.txt"));
    const QString peerTexts = scratch.filePath(QStringLiteral("texts.txt"));
    QProcess peer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZORVIPLAYER_HARNESS_LANGUAGE"), other);
    env.insert(QStringLiteral("ZORVIPLAYER_AUDIT_TEXTS"), peerTexts);
    peer.setProcessEnvironment(env);
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.setStandardOutputFile(QProcess::nullDevice());
    peer.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--ui-audit"), peerReport, m_mediaFile});
    // The window stays responsive while the other run walks its own.
    waitFor([&] { return peer.state() == QProcess::NotRunning; }, 300000);
    if (peer.state() != QProcess::NotRunning) {
        peer.kill();
        peer.waitForFinished(5000);
    }

    QFile texts(peerTexts);
    QFile report(peerReport);
    if (!texts.open(QIODevice::ReadOnly | QIODevice::Text) ||
        !report.open(QIODevice::ReadOnly | QIODevice::Text)) {
        HarnessSupport::reportLine(m_lines,
                                   QStringLiteral("# the %1 run gave no result").arg(otherName));
        return;
    }

    // Its own findings: clipping and language slips differ between the two.
    HarnessSupport::reportLine(
            m_lines, QStringLiteral("# the same walk in the %1 interface:").arg(otherName));
    const QStringList peerLines =
            QString::fromUtf8(report.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : peerLines) {
        if (line.startsWith(QLatin1String("# "))) {
            // Its notes (a dialog that did not open, media that did not load)
            // matter; its heading and count do not.
            if (!line.startsWith(QLatin1String("# interface audit")) &&
                !line.endsWith(QLatin1String("finding(s)")))
                HarnessSupport::reportLine(m_lines,
                                           QStringLiteral("# [%1] ").arg(otherName) + line.mid(2));
            continue;
        }
        // Findings that do not depend on the language were already noted.
        if (m_lines.contains(line))
            continue;
        QString tagged = line;
        // "kind  where..." becomes "kind  [English] where..."
        tagged.insert(9, QStringLiteral("[%1] ").arg(otherName));
        note(QStringLiteral("peer|") + line, tagged);
    }

    HarnessSupport::reportLine(m_lines, QStringLiteral("# texts shown alike in both languages:"));
    const QStringList entries =
            QString::fromUtf8(texts.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int places = 0;
    for (const QString &entry : entries) {
        const int tab = entry.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        const QString key = entry.left(tab);
        const QString text = entry.mid(tab + 1);
        places += m_texts.contains(key);
        if (m_texts.value(key) != text || !needsTranslation(text) || isMediaText(text))
            continue;
        const QString where = key.section(QLatin1Char('|'), 0, 0);
        const QString kind = key.section(QLatin1Char('|'), -1);
        note(QStringLiteral("same|") + text,
             QStringLiteral("language %1: %2 shows %3 %4 in both languages")
                     .arg(where, m_placeNames.value(key),
                          kind == QLatin1String("tip")     ? QStringLiteral("the tool tip")
                          : kind == QLatin1String("title") ? QStringLiteral("the title")
                                                           : QStringLiteral("the text"),
                          quoted(text)));
    }
    // Shows that the two walks met: texts from both runs at the same places.
    HarnessSupport::reportLine(
            m_lines, QStringLiteral("# %1 texts compared at the same places").arg(places));
}

void HarnessUiAudit::note(const QString &key, const QString &line)
{
    if (m_seen.contains(key))
        return;
    m_seen.insert(key);
    ++m_findings;
    HarnessSupport::reportLine(m_lines, line);
}

void HarnessUiAudit::auditWidget(QWidget *root, QWidget *widget, const QString &where,
                                 const QString &sizeText)
{
    const QString id = describe(widget);
    QString text;
    int needPx = 0;
    int havePx = 0;

    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        text = button->text();
        text.remove(QLatin1Char('&'));
        const bool iconOnly = text.trimmed().isEmpty() && !button->icon().isNull();
        if (iconOnly && button->toolTip().isEmpty() && button->accessibleName().isEmpty())
            note(QStringLiteral("name|") + id,
                 QStringLiteral(
                         "unnamed  %1: icon-only %2 has neither accessible name nor tool tip")
                         .arg(where, id));
        if (!text.isEmpty()) {
            // The size hint includes icon, padding and style-sheet margins.
            needPx = button->sizeHint().width();
            havePx = button->width();
        }
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        text = plainText(label->text());
        // With a buddy, "&" marks the shortcut letter and is not drawn.
        if (label->buddy())
            text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (!text.isEmpty() && !label->wordWrap() && !text.contains(QLatin1Char('\n'))) {
            needPx = label->fontMetrics().horizontalAdvance(text);
            havePx = label->contentsRect().width() - 2 * label->margin();
        }
    } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
        text = group->title();
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        text = edit->placeholderText();
    }
    recordText(root, widget, where, QStringLiteral("text"), text);
    recordText(root, widget, where, QStringLiteral("tip"), plainText(widget->toolTip()));

    if (needPx > 0 && havePx > 0 && needPx > havePx + 1)
        note(QStringLiteral("clip|%1|%2|%3").arg(sizeText, id, text),
             QStringLiteral("clipped  %1 at %2: %3 %4 needs %5 px, has %6 px")
                     .arg(where, sizeText, id, quoted(text))
                     .arg(needPx)
                     .arg(havePx));

    const QString tip = widget->toolTip();
    for (const QString &shown : {text, plainText(tip)}) {
        if (shown.trimmed().isEmpty() || isMediaText(shown))
            continue;
        if (looksLikeOtherLanguage(shown, uiEnglish))
            note(QStringLiteral("lang|") + shown,
                 QStringLiteral("language %1: %2 shows %3 in a %4 interface")
                         .arg(where, id, quoted(shown),
                              uiEnglish ? QStringLiteral("English")
                                        : QStringLiteral("Portuguese")));
    }
}

void HarnessUiAudit::auditTree(QWidget *root, const QString &where, const QString &sizeText)
{
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(root) || widget->width() <= 0)
            continue;
        if (widget->objectName().startsWith(QLatin1String("qt_")))
            continue; // the toolkit's own scroll-bar and viewport parts
        // The clear and action buttons inside a line edit belong to it; the
        // edit is what a person reaches and what carries the name.
        if (qobject_cast<QLineEdit *>(widget->parentWidget()))
            continue;
        auditWidget(root, widget, where, sizeText);
    }
}

void HarnessUiAudit::run()
{
    HarnessSupport::reportLine(m_lines, QStringLiteral("# interface audit, %1 interface, media %2")
                                                .arg(uiEnglish ? QStringLiteral("English")
                                                               : QStringLiteral("Portuguese"),
                                                     m_mediaFile));
    HarnessSupport::useToolkitDialogs();
    const QFileInfo media(m_mediaFile);
    m_mediaTexts << media.completeBaseName() << media.fileName() << media.dir().dirName();
    if (media.isFile()) {
        const QString path = media.absoluteFilePath();
        m_window->playPaths({path}, 0);
        const bool loaded = waitFor(
                [&] {
                    return m_core->duration() > 0 &&
                           QFileInfo(m_core->currentPath()).absoluteFilePath() == path;
                },
                15000);
        if (!loaded)
            HarnessSupport::reportLine(m_lines, QStringLiteral("# media did not load"));
        waitMs(500);
        m_core->setPaused(true);
        m_mediaTexts << m_core->mediaTitle();
        const QVariantMap tags = m_core->metadata();
        for (auto it = tags.cbegin(); it != tags.cend(); ++it)
            m_mediaTexts << it.value().toString();
    } else {
        HarnessSupport::reportLine(m_lines, QStringLiteral("# media file missing: ") + m_mediaFile);
    }
    m_mediaTexts.removeAll(QString());

    const QStringList pages = {QStringLiteral("home"),     QStringLiteral("videos"),
                               QStringLiteral("music"),    QStringLiteral("playlists"),
                               QStringLiteral("recents"),  QStringLiteral("radios"),
                               QStringLiteral("settings"), QStringLiteral("player")};
    const QList<QSize> sizes = {QSize(1320, 820), QSize(800, 600)};
    for (const QSize &size : sizes) {
        m_window->showNormal();
        m_window->resize(size);
        waitFor([&] { return m_window->size() == size; }, 2000);
        const QString sizeText = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        if (m_window->size() != size)
            HarnessSupport::reportLine(m_lines, QStringLiteral("# window is %1x%2 instead of %3")
                                                        .arg(m_window->width())
                                                        .arg(m_window->height())
                                                        .arg(sizeText));
        for (const QString &page : pages) {
            m_window->navigate(page);
            waitMs(300);
            auditTree(m_window, QStringLiteral("page ") + page, sizeText);
        }
    }

    m_window->showNormal();
    m_window->resize(1320, 820);
    m_window->navigate(QStringLiteral("player"));
    for (const HarnessSupport::DialogCommand &command : HarnessSupport::dialogCommands(m_window)) {
        const QString where = QStringLiteral("dialog ") + command.name;
        const QString title = HarnessSupport::withModalDialog(command.open, [&](QWidget *dialog) {
            auditTree(dialog, where,
                      QStringLiteral("%1x%2").arg(dialog->width()).arg(dialog->height()));
            const QString dialogTitle = dialog->windowTitle();
            recordText(dialog, dialog, where, QStringLiteral("title"), dialogTitle);
            if (!dialogTitle.isEmpty() && looksLikeOtherLanguage(dialogTitle, uiEnglish))
                note(QStringLiteral("lang|") + dialogTitle,
                     QStringLiteral("language %1: title %2").arg(where, quoted(dialogTitle)));
        });
        if (title.isEmpty())
            HarnessSupport::reportLine(
                    m_lines, QStringLiteral("# \"%1\" opened no dialog").arg(command.name));
    }

    // A run started by another audit hands its texts back; the first run
    // compares.
    const QString textsFile = qEnvironmentVariable("ZORVIPLAYER_AUDIT_TEXTS");
    if (textsFile.isEmpty()) {
        m_core->stop();
        compareWithOtherLanguage();
    } else {
        QStringList entries;
        for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it)
            entries << it.key() + QLatin1Char('\t') + it.value();
        HarnessSupport::writeReport(textsFile, entries);
    }

    HarnessSupport::reportLine(m_lines, QStringLiteral("# %1 finding(s)").arg(m_findings));
    HarnessSupport::writeReport(m_reportFile, m_lines);
    m_core->stop();
    QCoreApplication::exit(0);
}
