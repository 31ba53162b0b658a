#include "LogCapture.h"
#include "app/AppSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Preferences as the player reads and writes them: a hand-edited config.ini
// read through the validated readers, and writes that reach the file at once.
class tst_Settings final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QByteArray m_written;

    QString configPath() const { return dataDir() + QStringLiteral("/config.ini"); }

    // The value a reader gives, as text.
    static QString read(const QString &reader, const QString &key)
    {
        if (reader == QLatin1String("bool"))
            return settingBool(key, true) ? QStringLiteral("true") : QStringLiteral("false");
        if (reader == QLatin1String("int"))
            return QString::number(settingInt(key, 5, 1, 600));
        if (reader == QLatin1String("real"))
            return QString::number(settingReal(key, 2.5, 0, 10));
        if (reader == QLatin1String("choice"))
            return settingChoice(key, QStringLiteral("play"),
                                 {QStringLiteral("play"), QStringLiteral("queue")});
        return settingText(key, QStringLiteral("default"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("orvandel"));
        QCoreApplication::setApplicationName(QStringLiteral("ZorviPlayer-tst-settings"));
        QVERIFY(dataDir().startsWith(m_home.path()));
        // Written by hand before the settings are first opened, with the
        // mistakes people make when they edit it.
        m_written = QByteArrayLiteral(
                "[t]\n"
                "intWord=abc\nintZero=0\nintHuge=100000\nintGood= 12 \nintFraction=1.5\n"
                "realNan=nan\nrealNegative=-1\nrealMinus3=-3\nrealOverflow=1e400\nrealInf=inf\n"
                "realGood=0.1\n"
                "boolNo=no\nboolBanana=banana\nboolOn=ON\nboolOne=1\nboolFalse=False\n"
                "boolEmpty=\n"
                "choiceUpper=QUEUE\nchoiceGood=queue\nchoiceList=play,queue\n"
                "textList=pt,por,pt-BR\ntextQuoted=\"en, eng\"\ntextPlain=latin1\n"
                "duplicate=1\nduplicate=2\n"
                "quote=\"unterminated\n"
                "nul=a\0b\n"
                "[general]\nlanguage=en\n");
        m_written.append(QByteArray(5 * 1024 * 1024, '['));
        m_written.append("\n[u]\nafter=7\n");
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(m_written) == m_written.size());
    }

    void readers_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("logged");
        auto row = [](const char *reader, const char *key, const char *value, bool logged) {
            QTest::newRow(key) << QString::fromLatin1(reader) << QStringLiteral("t/") + key
                               << QString::fromUtf8(value) << logged;
        };
        row("int", "intWord", "5", true);
        row("int", "intZero", "5", true);
        row("int", "intHuge", "5", true);
        row("int", "intGood", "12", false);
        row("int", "intFraction", "5", true);
        row("int", "intMissing", "5", false);
        row("real", "realNan", "2.5", true);
        row("real", "realNegative", "2.5", true);
        row("real", "realMinus3", "2.5", true);
        row("real", "realOverflow", "2.5", true);
        row("real", "realInf", "2.5", true);
        row("real", "realGood", "0.1", false);
        row("bool", "boolNo", "false", false);
        row("bool", "boolBanana", "true", true);
        row("bool", "boolOn", "true", false);
        row("bool", "boolOne", "true", false);
        row("bool", "boolFalse", "false", false);
        row("bool", "boolEmpty", "true", true);
        row("choice", "choiceUpper", "play", true);
        row("choice", "choiceGood", "queue", false);
        row("choice", "choiceList", "play", true);
        row("text", "textList", "pt,por,pt-BR", false);
        row("text", "textQuoted", "en, eng", false);
        row("text", "textPlain", "latin1", false);
        row("text", "textMissing", "default", false);
    }

    // Each reader gives the valid value or its default, and logs an invalid
    // value once however often it is read.
    void readers()
    {
        QFETCH(QString, reader);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, logged);
        LogCapture log;
        QCOMPARE(read(reader, key), value);
        QCOMPARE(read(reader, key), value);
        const QString line = QStringLiteral("configuracao invalida: %1 = ").arg(key);
        QCOMPARE(log.matching(line).size(), logged ? 1 : 0);
    }

    // Damage elsewhere in the file costs nothing more than its own lines,
    // and reading never writes.
    void damagedFile()
    {
        QVERIFY(QStringList({"1", "2"}).contains(settingText(QStringLiteral("t/duplicate"))));
        settingText(QStringLiteral("t/quote"));
        settingText(QStringLiteral("t/nul"));
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), m_written);
    }

    // A write reaches the file at once and replaces an invalid value;
    // "general/..." keys land in the one section the next run reads.
    void writes()
    {
        QVERIFY(setSettingValue(QStringLiteral("t/intWord"), 30));
        QVERIFY(setSettingValue(QStringLiteral("general/checkUpdates"), false));
        QCOMPARE(settingInt(QStringLiteral("t/intWord"), 5, 1, 600), 30);
        QSettings reader(configPath(), QSettings::IniFormat);
        QCOMPARE(reader.value(QStringLiteral("t/intWord")).toString(), QStringLiteral("30"));
        QCOMPARE(reader.value(QStringLiteral("General/checkUpdates")).toString(),
                 QStringLiteral("false"));
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        // The toolkit's spelling of the section it reads back as "General".
        QCOMPARE(text.count("[%General]"), 1);
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
