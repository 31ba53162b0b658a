#include "ui/window/ActionBinder.h"

#include "ui/Actions.h"
#include "ui/window/ActionTable.h"

#include <QAction>

ActionBinder::ActionBinder(Actions *registry)
    : m_registry(registry)
{}

void ActionBinder::bind(const char *id, QObject *context, std::function<void()> handler)
{
    m_bindings.insert(QString::fromLatin1(id), {context, std::move(handler)});
}

QStringList ActionBinder::apply()
{
    QStringList unbound;
    for (const ActionSpec &entry : actionTable()) {
        const QString id = QString::fromLatin1(entry.id);
        const Binding binding = m_bindings.value(id);
        if (!binding.handler || !binding.context)
            unbound.append(id);
        QAction *action =
                m_registry->add(id, entry.label(), QString::fromLatin1(entry.iconName), entry.key(),
                                binding.context, binding.handler, entry.categoryLabel());
        action->setCheckable(entry.checkable);
    }
    return unbound;
}
