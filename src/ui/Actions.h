#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;

// The one registry of user commands. Menus, the tray and context menus look
// actions up by id; the settings page edits their key sequences, which are
// kept under "shortcuts/<id>" in the settings file.
class Actions : public QObject
{
public:
    static Actions *instance();

    // Creates and registers an action. The stored key sequence wins over
    // defaultKey when its setting exists (an empty text means no shortcut).
    // The handler runs while context lives; without a context it is dropped.
    QAction *add(const QString &id, const QString &label, const QString &iconName,
                 const QKeySequence &defaultKey, QObject *context, std::function<void()> handler,
                 const QString &category);
    // The same with the registry itself as the context, for handlers that
    // reach nothing but the registry's own lifetime.
    QAction *add(const QString &id, const QString &label, const QString &iconName,
                 const QKeySequence &defaultKey, std::function<void()> handler,
                 const QString &category);
    QAction *action(const QString &id) const;
    QList<QAction *> all() const;
    QStringList ids() const { return m_order; }
    QKeySequence defaultShortcut(const QString &id) const { return m_defaults.value(id); }
    QString category(const QString &id) const { return m_categories.value(id); }

    // Applies sequence and stores it; the default removes the setting.
    void setShortcut(const QString &id, const QKeySequence &sequence);
    void resetAll();
    // The shortcut editor's assignment: any other action holding the same
    // sequence loses it, and notify receives the toast text for each one.
    void assignShortcut(const QString &id, const QKeySequence &sequence,
                        const std::function<void(const QString &)> &notify);

    static QString settingsKey(const QString &id);
    // An action's label as shown, without the escaping its menu text needs.
    static QString plainText(const QAction *action);

    // Category labels in the interface language.
    static QString playbackCategory();
    static QString audioCategory();
    static QString videoCategory();
    static QString subtitleCategory();
    static QString generalCategory();

private:
    explicit Actions(QObject *parent);

    QHash<QString, QAction *> m_actions;
    QHash<QString, QKeySequence> m_defaults;
    QHash<QString, QString> m_categories;
    QStringList m_order;
};

// Reads a stored portable key text; text that does not parse gives an empty
// sequence rather than a half-recognised one.
QKeySequence parseStoredShortcut(const QString &text);
