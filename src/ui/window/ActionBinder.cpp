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
    for (const ActionSpec &spec : actionTable()) {
        const QString id = QString::fromLatin1(spec.id);
        const Binding binding = m_bindings.value(id);
        if (!binding.handler || !binding.context)
            unbound.append(id);
        QAction *action =
                m_registry->add(id, spec.label(), QString::fromLatin1(spec.iconName), spec.key(),
                                binding.context, binding.handler, spec.categoryLabel());
        action->setCheckable(spec.checkable);
    }
    return unbound;
}
