#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <mpv/client.h>
#include <mpv/render.h>

// The engine library is loaded at run time; every call into it goes through
// this table of entry points.
struct MpvApi
{
    decltype(&::mpv_create) mpv_create = nullptr;
    decltype(&::mpv_initialize) mpv_initialize = nullptr;
    decltype(&::mpv_terminate_destroy) mpv_terminate_destroy = nullptr;
    decltype(&::mpv_set_option_string) mpv_set_option_string = nullptr;
    decltype(&::mpv_set_property_string) mpv_set_property_string = nullptr;
    decltype(&::mpv_set_property) mpv_set_property = nullptr;
    decltype(&::mpv_get_property) mpv_get_property = nullptr;
    decltype(&::mpv_get_property_string) mpv_get_property_string = nullptr;
    decltype(&::mpv_command) mpv_command = nullptr;
    decltype(&::mpv_command_async) mpv_command_async = nullptr;
    decltype(&::mpv_observe_property) mpv_observe_property = nullptr;
    decltype(&::mpv_wait_event) mpv_wait_event = nullptr;
    decltype(&::mpv_set_wakeup_callback) mpv_set_wakeup_callback = nullptr;
    decltype(&::mpv_free) mpv_free = nullptr;
    decltype(&::mpv_free_node_contents) mpv_free_node_contents = nullptr;
    decltype(&::mpv_error_string) mpv_error_string = nullptr;
    decltype(&::mpv_request_log_messages) mpv_request_log_messages = nullptr;
    decltype(&::mpv_client_api_version) mpv_client_api_version = nullptr;
    decltype(&::mpv_render_context_create) mpv_render_context_create = nullptr;
    decltype(&::mpv_render_context_set_update_callback) mpv_render_context_set_update_callback =
            nullptr;
    decltype(&::mpv_render_context_update) mpv_render_context_update = nullptr;
    decltype(&::mpv_render_context_render) mpv_render_context_render = nullptr;
    decltype(&::mpv_render_context_report_swap) mpv_render_context_report_swap = nullptr;
    decltype(&::mpv_render_context_free) mpv_render_context_free = nullptr;
    // Optional: older engines lack hooks, and the player only uses them to
    // order its own work before a file opens.
    decltype(&::mpv_hook_add) mpv_hook_add = nullptr;
    decltype(&::mpv_hook_continue) mpv_hook_continue = nullptr;

    bool ready = false;
    QString errors;
    QString loadedFrom;
};

// The process-wide table (never null).
MpvApi &mpvApi();

// Loads the library and resolves every entry point once; returns ready.
bool loadMpvApi();

// The candidate file names in the order they are tried. The environment
// variable ZORVIPLAYER_MPV_LIBRARY replaces the list by that one name.
QStringList mpvLibraryCandidates();

// The engine's error text for a status code.
QString mpvErrorText(int status);

QVariant nodeToVariant(const mpv_node *node);

// Typed wrappers. A null handle makes each a no-op returning its fallback or -1.
double getPropertyDouble(mpv_handle *const &handle, const QByteArray &name, double fallback = 0);
bool getPropertyFlag(mpv_handle *const &handle, const QByteArray &name, bool fallback = false);
qint64 getPropertyInt(mpv_handle *const &handle, const QByteArray &name, qint64 fallback = 0);
QVariant getPropertyNode(mpv_handle *const &handle, const QByteArray &name);
QString getPropertyString(mpv_handle *const &handle, const QByteArray &name);
int setOption(mpv_handle *const &handle, const QByteArray &name, const QString &value);
int setPropertyString(mpv_handle *const &handle, const QByteArray &name, const QString &value);
int setPropertyDouble(mpv_handle *const &handle, const QByteArray &name, double value);
int setPropertyFlag(mpv_handle *const &handle, const QByteArray &name, bool value);
int setPropertyInt(mpv_handle *const &handle, const QByteArray &name, qint64 value);
int runCommand(mpv_handle *const &handle, const QStringList &args);
// The same without the warning, for callers that judge a failure themselves.
int runCommandQuietly(mpv_handle *const &handle, const QStringList &args);
int runCommandAsync(mpv_handle *const &handle, const QStringList &args, quint64 replyId);
