#include "engine/MpvApi.h"

#include "engine/EngineCallRelay.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QLibrary>
#include <QVariantMap>

#include <vector>

MpvApi &mpvApi()
{
    static MpvApi api;
    return api;
}

static QLibrary &mpvLibrary()
{
    static QLibrary library;
    return library;
}

QStringList mpvLibraryCandidates()
{
    const QByteArray forced = qgetenv("ZORVIPLAYER_MPV_LIBRARY");
    if (!forced.isEmpty())
        return {QString::fromLocal8Bit(forced)};
    const QString appDir = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    return {appDir + QStringLiteral("/libmpv-2.dll"), appDir + QStringLiteral("/mpv-2.dll"),
            QStringLiteral("libmpv-2.dll"), QStringLiteral("mpv-2.dll"),
            QStringLiteral("mpv-1.dll")};
#else
    return {appDir + QStringLiteral("/libmpv.so.2"), appDir + QStringLiteral("/libmpv.so"),
            QStringLiteral("libmpv.so.2"), QStringLiteral("libmpv.so.1"),
            QStringLiteral("libmpv.so")};
#endif
}

template<typename Fn>
static bool resolve(Fn &slot, const char *name)
{
    slot = reinterpret_cast<Fn>(mpvLibrary().resolve(name));
    if (!slot)
        mpvApi().errors += QStringLiteral("simbolo ausente: %1\n").arg(QLatin1String(name));
    return slot != nullptr;
}

bool loadMpvApi()
{
    MpvApi &api = mpvApi();
    if (api.ready)
        return true;
    QLibrary &library = mpvLibrary();
    bool loaded = false;
    for (const QString &candidate : mpvLibraryCandidates()) {
        if (candidate.contains(QLatin1Char('/')) && !QFileInfo::exists(candidate))
            continue;
        // A full file name must not get a second suffix appended by the loader.
        library.setFileName(candidate);
        if (library.load()) {
            api.loadedFrom = candidate;
            loaded = true;
            break;
        }
        api.errors += library.errorString() + QLatin1Char('\n');
    }
    if (!loaded)
        return false;

    api.errors.clear();
    bool ok = true;
#define ZORVI_RESOLVE(name) ok = resolve(api.name, #name) && ok
    ZORVI_RESOLVE(mpv_create);
    ZORVI_RESOLVE(mpv_initialize);
    ZORVI_RESOLVE(mpv_terminate_destroy);
    ZORVI_RESOLVE(mpv_set_option_string);
    ZORVI_RESOLVE(mpv_set_property_string);
    ZORVI_RESOLVE(mpv_set_property);
    ZORVI_RESOLVE(mpv_get_property);
    ZORVI_RESOLVE(mpv_get_property_string);
    ZORVI_RESOLVE(mpv_command);
    ZORVI_RESOLVE(mpv_command_async);
    ZORVI_RESOLVE(mpv_observe_property);
    ZORVI_RESOLVE(mpv_wait_event);
    ZORVI_RESOLVE(mpv_set_wakeup_callback);
    ZORVI_RESOLVE(mpv_free);
    ZORVI_RESOLVE(mpv_free_node_contents);
    ZORVI_RESOLVE(mpv_error_string);
    ZORVI_RESOLVE(mpv_request_log_messages);
    ZORVI_RESOLVE(mpv_client_api_version);
    ZORVI_RESOLVE(mpv_render_context_create);
    ZORVI_RESOLVE(mpv_render_context_set_update_callback);
    ZORVI_RESOLVE(mpv_render_context_update);
    ZORVI_RESOLVE(mpv_render_context_render);
    ZORVI_RESOLVE(mpv_render_context_report_swap);
    ZORVI_RESOLVE(mpv_render_context_free);
#undef ZORVI_RESOLVE
    api.mpv_hook_add =
            reinterpret_cast<decltype(api.mpv_hook_add)>(library.resolve("mpv_hook_add"));
    api.mpv_hook_continue =
            reinterpret_cast<decltype(api.mpv_hook_continue)>(library.resolve("mpv_hook_continue"));
    if (!api.mpv_hook_continue)
        api.mpv_hook_add = nullptr;
    api.ready = ok;
    return ok;
}

QString mpvErrorText(int status)
{
    const MpvApi &api = mpvApi();
    if (!api.mpv_error_string)
        return QString::number(status);
    return QString::fromUtf8(api.mpv_error_string(status));
}

QVariant nodeToVariant(const mpv_node *node)
{
    if (!node)
        return {};
    switch (node->format) {
    case MPV_FORMAT_STRING:
    case MPV_FORMAT_OSD_STRING:
        return QString::fromUtf8(node->u.string);
    case MPV_FORMAT_FLAG:
        return bool(node->u.flag);
    case MPV_FORMAT_INT64:
        return qint64(node->u.int64);
    case MPV_FORMAT_DOUBLE:
        return node->u.double_;
    case MPV_FORMAT_NODE_ARRAY: {
        QVariantList list;
        const mpv_node_list *items = node->u.list;
        if (items) {
            list.reserve(items->num);
            for (int i = 0; i < items->num; ++i)
                list.append(nodeToVariant(&items->values[i]));
        }
        return list;
    }
    case MPV_FORMAT_NODE_MAP: {
        QVariantMap map;
        const mpv_node_list *items = node->u.list;
        if (items) {
            for (int i = 0; i < items->num; ++i)
                map.insert(QString::fromUtf8(items->keys[i]), nodeToVariant(&items->values[i]));
        }
        return map;
    }
    default:
        return {};
    }
}

double getPropertyDouble(mpv_handle *const &handle, const QByteArray &name, double fallback)
{
    if (!handle)
        return fallback;
    double value = 0;
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_get_property(handle, name.constData(), MPV_FORMAT_DOUBLE, &value);
    });
    if (status < 0)
        return fallback;
    return value;
}

bool getPropertyFlag(mpv_handle *const &handle, const QByteArray &name, bool fallback)
{
    if (!handle)
        return fallback;
    int value = 0;
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_get_property(handle, name.constData(), MPV_FORMAT_FLAG, &value);
    });
    if (status < 0)
        return fallback;
    return value != 0;
}

qint64 getPropertyInt(mpv_handle *const &handle, const QByteArray &name, qint64 fallback)
{
    if (!handle)
        return fallback;
    int64_t value = 0;
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_get_property(handle, name.constData(), MPV_FORMAT_INT64, &value);
    });
    if (status < 0)
        return fallback;
    return value;
}

QVariant getPropertyNode(mpv_handle *const &handle, const QByteArray &name)
{
    if (!handle)
        return {};
    QVariant value;
    EngineCallRelay::run([&] {
        mpv_node node;
        if (mpvApi().mpv_get_property(handle, name.constData(), MPV_FORMAT_NODE, &node) < 0)
            return;
        value = nodeToVariant(&node);
        mpvApi().mpv_free_node_contents(&node);
    });
    return value;
}

QString getPropertyString(mpv_handle *const &handle, const QByteArray &name)
{
    if (!handle)
        return {};
    QString value;
    EngineCallRelay::run([&] {
        char *text = mpvApi().mpv_get_property_string(handle, name.constData());
        if (!text)
            return;
        value = QString::fromUtf8(text);
        mpvApi().mpv_free(text);
    });
    return value;
}

int setOption(mpv_handle *const &handle, const QByteArray &name, const QString &value)
{
    if (!handle)
        return -1;
    const int status =
            mpvApi().mpv_set_option_string(handle, name.constData(), value.toUtf8().constData());
    if (status < 0)
        qWarning() << "mpv opcao recusada" << name << value << mpvErrorText(status);
    return status;
}

int setPropertyString(mpv_handle *const &handle, const QByteArray &name, const QString &value)
{
    if (!handle)
        return -1;
    const QByteArray text = value.toUtf8();
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_set_property_string(handle, name.constData(), text.constData());
    });
    return status;
}

int setPropertyDouble(mpv_handle *const &handle, const QByteArray &name, double value)
{
    if (!handle)
        return -1;
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_set_property(handle, name.constData(), MPV_FORMAT_DOUBLE, &value);
    });
    return status;
}

int setPropertyFlag(mpv_handle *const &handle, const QByteArray &name, bool value)
{
    if (!handle)
        return -1;
    int flag = value ? 1 : 0;
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_set_property(handle, name.constData(), MPV_FORMAT_FLAG, &flag);
    });
    return status;
}

int setPropertyInt(mpv_handle *const &handle, const QByteArray &name, qint64 value)
{
    if (!handle)
        return -1;
    int64_t number = value;
    int status = -1;
    EngineCallRelay::run([&] {
        status = mpvApi().mpv_set_property(handle, name.constData(), MPV_FORMAT_INT64, &number);
    });
    return status;
}

// Holds the UTF-8 copies alive for the duration of one engine command.
class CommandArgs
{
public:
    explicit CommandArgs(const QStringList &args)
    {
        m_bytes.reserve(args.size());
        for (const QString &arg : args)
            m_bytes.push_back(arg.toUtf8());
        for (const QByteArray &bytes : m_bytes)
            m_pointers.push_back(bytes.constData());
        m_pointers.push_back(nullptr);
    }
    const char **data() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<const char *> m_pointers;
};

static void logCommandFailure(const QStringList &args, int status)
{
    if (status < 0)
        qWarning() << "mpv comando falhou" << args << mpvErrorText(status);
}

int runCommandQuietly(mpv_handle *const &handle, const QStringList &args)
{
    if (!handle)
        return -1;
    CommandArgs argv(args);
    int status = -1;
    EngineCallRelay::run([&] { status = mpvApi().mpv_command(handle, argv.data()); });
    return status;
}

int runCommand(mpv_handle *const &handle, const QStringList &args)
{
    const int status = runCommandQuietly(handle, args);
    logCommandFailure(args, status);
    return status;
}

int runCommandAsync(mpv_handle *const &handle, const QStringList &args, quint64 replyId)
{
    if (!handle)
        return -1;
    CommandArgs argv(args);
    const int status = mpvApi().mpv_command_async(handle, replyId, argv.data());
    logCommandFailure(args, status);
    return status;
}
