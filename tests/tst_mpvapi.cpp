#include "engine/MpvApi.h"

#include <QtTest>

#include <cstring>

class tst_MpvApi final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void candidatesKeepTheOrder()
    {
        qunsetenv("ZORVIPLAYER_MPV_LIBRARY");
        const QString appDir = QCoreApplication::applicationDirPath();
        QCOMPARE(mpvLibraryCandidates(),
                 (QStringList{appDir + "/libmpv.so.2", appDir + "/libmpv.so", "libmpv.so.2",
                              "libmpv.so.1", "libmpv.so"}));
        qputenv("ZORVIPLAYER_MPV_LIBRARY", "/opt/mpv/libmpv.so.2");
        QCOMPARE(mpvLibraryCandidates(), QStringList{"/opt/mpv/libmpv.so.2"});
        qunsetenv("ZORVIPLAYER_MPV_LIBRARY");
    }

    // Runs first: the table loads once per process.
    void missingEntryPointsAreListed()
    {
        const QByteArray fake = qgetenv("ZORVI_FAKE_MPV");
        QVERIFY(!fake.isEmpty());
        qputenv("ZORVIPLAYER_MPV_LIBRARY", fake);
        QVERIFY(!loadMpvApi());
        const MpvApi &api = mpvApi();
        QVERIFY(!api.ready);
        QCOMPARE(api.loadedFrom, QString::fromLocal8Bit(fake));
        const QStringList lines = api.errors.split('\n', Qt::SkipEmptyParts);
        const QStringList expected{"mpv_set_option_string",
                                   "mpv_set_property_string",
                                   "mpv_set_property",
                                   "mpv_get_property",
                                   "mpv_get_property_string",
                                   "mpv_command",
                                   "mpv_command_async",
                                   "mpv_observe_property",
                                   "mpv_wait_event",
                                   "mpv_set_wakeup_callback",
                                   "mpv_free",
                                   "mpv_free_node_contents",
                                   "mpv_error_string",
                                   "mpv_request_log_messages",
                                   "mpv_render_context_create",
                                   "mpv_render_context_set_update_callback",
                                   "mpv_render_context_update",
                                   "mpv_render_context_render",
                                   "mpv_render_context_report_swap",
                                   "mpv_render_context_free"};
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(lines[i], "simbolo ausente: " + expected[i]);
        QVERIFY(api.mpv_create);
        QVERIFY(!api.mpv_free);
        // Hooks are optional: their absence is neither listed nor fatal.
        QVERIFY(!api.mpv_hook_add && !api.mpv_hook_continue);
    }

    void unloadableNameGivesOneLineEach()
    {
        qputenv("ZORVIPLAYER_MPV_LIBRARY", "libzorvi-missing-engine.so");
        mpvApi().errors.clear();
        QVERIFY(!loadMpvApi());
        const QStringList lines = mpvApi().errors.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].contains("libzorvi-missing-engine.so"));
    }

    void realEngineLoads()
    {
        qunsetenv("ZORVIPLAYER_MPV_LIBRARY");
        QVERIFY2(loadMpvApi(), qPrintable(mpvApi().errors));
        QVERIFY(mpvApi().ready);
        QVERIFY(mpvApi().errors.isEmpty());
        QCOMPARE(mpvApi().loadedFrom, QStringLiteral("libmpv.so.2"));
        QVERIFY(mpvApi().mpv_client_api_version() >= 0x20000);
        QVERIFY(mpvApi().mpv_hook_add && mpvApi().mpv_hook_continue);
        // A second call is answered from the table.
        qputenv("ZORVIPLAYER_MPV_LIBRARY", "libzorvi-missing-engine.so");
        QVERIFY(loadMpvApi());
        qunsetenv("ZORVIPLAYER_MPV_LIBRARY");
    }

    void wrappersOnANullHandle()
    {
        mpv_handle *const none = nullptr;
        QCOMPARE(getPropertyDouble(none, "volume", 42.5), 42.5);
        QCOMPARE(getPropertyFlag(none, "pause", true), true);
        QCOMPARE(getPropertyInt(none, "playlist-pos", -7), qint64(-7));
        QVERIFY(!getPropertyNode(none, "track-list").isValid());
        QVERIFY(getPropertyString(none, "path").isNull());
        QCOMPARE(setOption(none, "vo", "null"), -1);
        QCOMPARE(setPropertyString(none, "pause", "yes"), -1);
        QCOMPARE(setPropertyDouble(none, "volume", 1), -1);
        QCOMPARE(setPropertyFlag(none, "pause", true), -1);
        QCOMPARE(setPropertyInt(none, "playlist-pos", 1), -1);
        QCOMPARE(runCommand(none, {"stop"}), -1);
        QCOMPARE(runCommandAsync(none, {"stop"}, 3), -1);
    }

    void wrappersOnARealEngine()
    {
        QVERIFY(loadMpvApi());
        const MpvApi &api = mpvApi();
        mpv_handle *handle = api.mpv_create();
        QVERIFY(handle);
        QCOMPARE(setOption(handle, "vo", "null"), 0);
        QVERIFY(setOption(handle, "no-such-option-here", "1") < 0);
        QCOMPARE(setOption(handle, "ao", "null"), 0);
        QCOMPARE(api.mpv_initialize(handle), 0);
        QCOMPARE(setPropertyDouble(handle, "volume", 55), 0);
        QCOMPARE(getPropertyDouble(handle, "volume", -1), 55.0);
        QCOMPARE(setPropertyFlag(handle, "pause", true), 0);
        QCOMPARE(getPropertyFlag(handle, "pause", false), true);
        QCOMPARE(setPropertyString(handle, "speed", "1.5"), 0);
        QCOMPARE(getPropertyString(handle, "speed"), QStringLiteral("1.500000"));
        QVERIFY(getPropertyString(handle, "no-such-property").isEmpty());
        QCOMPARE(getPropertyDouble(handle, "no-such-property", 9.5), 9.5);
        QCOMPARE(getPropertyInt(handle, "playlist-count", -1), qint64(0));
        QCOMPARE(getPropertyNode(handle, "playlist").toList().size(), 0);
        QVERIFY(getPropertyNode(handle, "options/vo").isValid());
        QVERIFY(runCommand(handle, {"no-such-command"}) < 0);
        QCOMPARE(runCommand(handle, {"set", "mute", "yes"}), 0);
        QCOMPARE(getPropertyFlag(handle, "mute", false), true);
        api.mpv_terminate_destroy(handle);
    }

    void nodesConvertRecursively()
    {
        char key0[] = "title", key1[] = "list", key2[] = "odd";
        char text[] = "ação";
        mpv_node inner[3];
        inner[0].format = MPV_FORMAT_INT64;
        inner[0].u.int64 = 7;
        inner[1].format = MPV_FORMAT_DOUBLE;
        inner[1].u.double_ = 2.5;
        inner[2].format = MPV_FORMAT_FLAG;
        inner[2].u.flag = 1;
        mpv_node_list innerList{3, inner, nullptr};
        mpv_node values[3];
        values[0].format = MPV_FORMAT_STRING;
        values[0].u.string = text;
        values[1].format = MPV_FORMAT_NODE_ARRAY;
        values[1].u.list = &innerList;
        values[2].format = MPV_FORMAT_BYTE_ARRAY;
        values[2].u.ba = nullptr;
        char *keys[3] = {key0, key1, key2};
        mpv_node_list mapList{3, values, keys};
        mpv_node root;
        root.format = MPV_FORMAT_NODE_MAP;
        root.u.list = &mapList;

        const QVariantMap map = nodeToVariant(&root).toMap();
        QCOMPARE(map.size(), 3);
        QCOMPARE(map.value("title").toString(), QStringLiteral("ação"));
        const QVariantList list = map.value("list").toList();
        QCOMPARE(list.size(), 3);
        QCOMPARE(list[0].typeId(), QMetaType::LongLong);
        QCOMPARE(list[0].toLongLong(), 7);
        QCOMPARE(list[1].toDouble(), 2.5);
        QCOMPARE(list[2].typeId(), QMetaType::Bool);
        QVERIFY(map.contains("odd"));
        QVERIFY(!map.value("odd").isValid());
        QVERIFY(!nodeToVariant(nullptr).isValid());
        mpv_node none;
        none.format = MPV_FORMAT_NONE;
        QVERIFY(!nodeToVariant(&none).isValid());
    }
};

QTEST_GUILESS_MAIN(tst_MpvApi)
#include "tst_mpvapi.moc"
