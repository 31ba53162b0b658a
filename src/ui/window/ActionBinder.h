#pragma once

#include <QHash>
#include <QPointer>
#include <QStringList>

#include <functional>

class Actions;
class QObject;

// Registers the commands of the action table with their handlers. Each
// handler runs in the context of the object that owns it: once that object is
// gone, triggering the action does nothing instead of reaching freed memory.
class ActionBinder
{
public:
    explicit ActionBinder(Actions *registry);

    void bind(const char *id, QObject *context, std::function<void()> handler);
    // Registers every command of the table, in its order, and returns the ids
    // that got no handler.
    QStringList apply();

private:
    struct Binding
    {
        QPointer<QObject> context;
        std::function<void()> handler;
    };

    Actions *m_registry;
    QHash<QString, Binding> m_bindings;
};
