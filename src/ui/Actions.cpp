#include "ui/Actions.h"

#include "app/AppSettings.h"
#include "ui/Icons.h"
#include "ui/UiText.h"

#include <QAction>
#include <QCoreApplication>
#include <QSettings>

Actions::Actions(QObject *parent)
    : QObject(parent)
{}

Actions *Actions::instance()
{
    static Actions *registry = new Actions(QCoreApplication::instance());
    return registry;
}

QString Actions::settingsKey(const QString &id)
{
    return QStringLiteral("shortcuts/") + id;
}

QKeySequence parseStoredShortcut(const QString &text)
{
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    for (int i = 0; i < sequence.count(); ++i) {
        if (sequence[i].key() == Qt::Key_unknown)
            return {};
    }
    return sequence;
}

QString Actions::plainText(const QAction *action)
{
    return QString(action->text()).replace(QLatin1String("&&"), QLatin1String("&"));
}

QAction *Actions::add(const QString &id, const QString &label, const QString &iconName,
                      const QKeySequence &defaultKey, std::function<void()> handler,
                      const QString &category)
{
    return add(id, label, iconName, defaultKey, this, std::move(handler), category);
}

QAction *Actions::add(const QString &id, const QString &label, const QString &iconName,
                      const QKeySequence &defaultKey, QObject *context,
                      std::function<void()> handler, const QString &category)
{
    // Menus read "&" as a shortcut marker: "Radio & TV" must show it.
    auto *action = new QAction(escapeAmpersands(label), this);
    action->setObjectName(id);
    if (!iconName.isEmpty())
        action->setIcon(icon(iconName));
    action->setShortcutContext(Qt::WindowShortcut);

    const QString key = settingsKey(id);
    QSettings &settings = appSettings();
    if (settings.contains(key))
        action->setShortcut(parseStoredShortcut(settings.value(key).toString()));
    else
        action->setShortcut(defaultKey);

    if (handler && context)
        connect(action, &QAction::triggered, context,
                [handler = std::move(handler)] { handler(); });

    // A second registration of the same id (a new main window) replaces the
    // first, whose handler would act on a window that is gone, and keeps its
    // place in the order.
    if (QAction *old = m_actions.value(id))
        delete old;
    else
        m_order.append(id);
    m_actions.insert(id, action);
    m_defaults.insert(id, defaultKey);
    m_categories.insert(id, category);
    return action;
}

QAction *Actions::action(const QString &id) const
{
    return m_actions.value(id);
}

QList<QAction *> Actions::all() const
{
    QList<QAction *> list;
    list.reserve(m_order.size());
    for (const QString &id : m_order)
        list.append(m_actions.value(id));
    return list;
}

void Actions::setShortcut(const QString &id, const QKeySequence &sequence)
{
    QAction *action = m_actions.value(id);
    if (!action)
        return;
    action->setShortcut(sequence);
    QSettings &settings = appSettings();
    if (sequence == m_defaults.value(id))
        settings.remove(settingsKey(id));
    else
        settings.setValue(settingsKey(id), sequence.toString(QKeySequence::PortableText));
}

void Actions::resetAll()
{
    for (const QString &id : std::as_const(m_order))
        setShortcut(id, m_defaults.value(id));
}

void Actions::assignShortcut(const QString &id, const QKeySequence &sequence,
                             const std::function<void(const QString &)> &notify)
{
    if (!sequence.isEmpty()) {
        for (const QString &other : std::as_const(m_order)) {
            if (other == id)
                continue;
            QAction *action = m_actions.value(other);
            if (action->shortcut() != sequence)
                continue;
            if (notify) {
                const QString label = plainText(action);
                notify(uiText(QStringLiteral("Shortcut was used by \"%1\" — reassigned"),
                              QStringLiteral("Atalho já usado em \"%1\" — trocado"))
                               .arg(label));
            }
            setShortcut(other, QKeySequence());
        }
    }
    setShortcut(id, sequence);
}

QString Actions::playbackCategory()
{
    return uiText(QStringLiteral("Playback"), QStringLiteral("Reprodução"));
}

QString Actions::audioCategory()
{
    return uiText(QStringLiteral("Audio"), QStringLiteral("Áudio"));
}

QString Actions::videoCategory()
{
    return uiText(QStringLiteral("Video"), QStringLiteral("Vídeo"));
}

QString Actions::subtitleCategory()
{
    return uiText(QStringLiteral("Subtitle"), QStringLiteral("Legenda"));
}

QString Actions::generalCategory()
{
    return uiText(QStringLiteral("General"), QStringLiteral("Geral"));
}
