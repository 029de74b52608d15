// The profile file's rules without a module: value forms, name rules, the
// reader's conversions and defaults, the load log, and the writer's fresh file.
#include <ProfileFile.h>
#include <ProfileFormat.h>
#include <ProfileReader.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace ProfileFormat;

class TestProfileFormat : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString &name, const QString &text)
    {
        QFile out(m_dir.filePath(name));
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(text.toLatin1());
        return out.fileName();
    }

private slots:
    void forms_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hex4") << hex4(4) << "0x0004";
        QTest::newRow("hex4 grows past four digits") << hex4(0x12345) << "0x12345";
        QTest::newRow("hex8") << hex8(0xABC) << "0x00000ABC";
        QTest::newRow("three decimals") << fixed3(-500) << "-500.000";
        QTest::newRow("six decimals") << fixed6(0.0005f) << "0.000500";
        QTest::newRow("log hex") << logHex(0xAB, 4) << "00ab";
        QTest::newRow("log g") << logG(1234567.0) << "1.23457e+06";
        QTest::newRow("name gets .txt") << withExtension("/p/a") << "/p/a.txt";
        QTest::newRow(".TXT stays") << withExtension("/p/b.TXT") << "/p/b.TXT";
        QTest::newRow("proposed name") << proposedName("/p", 4711) << "/p/4711.txt";
    }
    void forms()
    {
        QFETCH(QString, actual);
        QTEST(actual, "expected");
    }

    // Items: module control, event channel mask, ADC samples, filter, both
    // ramp speeds | channel 0 control and set voltage | the last channel's.
    void reader_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("warning");
        QString twelve;
        for (int ch = 0; ch < 12; ++ch)
            twelve += QStringLiteral("[Channel%1]\nControl=0x0800\nVoltageSet=100\n").arg(ch);
        QTest::newRow("missing keys take the defaults")
            << "[Module]\nControl=0x0004\n[Channel0]\nVoltageSet=12.5\n"
            << 1 << "4 0 500 64 1 50 | 0 12.5 | 0 12.5" << QString();
        QTest::newRow("auto base, low 16 bits of the module control, unsigned words")
            << "[Module]\nControl=0x12345\nEventChannelMask=0xFFFFFFFF\nAdcSamples=010\n"
               "DigitalFilter=0X10\n[Channel0]\nControl=0xFFFFFFFF\nVoltageSet=10\n"
            << 1 << "9029 4294967295 8 16 1 50 | 4294967295 10 | 4294967295 10" << QString();
        QTest::newRow("12-channel profile into a 16-channel module")
            << "[Module]\nVoltageRampSpeed=2.5\n" + twelve << 16
            << "0 0 500 64 2.5 50 | 2048 100 | 0 0" << QString();
        QTest::newRow("unparsable values take the defaults")
            << "[Module]\nAdcSamples=fast\nCurrentRampSpeed=nan\n[Channel0]\nControl=-1\n"
               "VoltageSet=1,5\n"
            << 1 << "0 0 500 64 1 50 | 0 0 | 0 0"
            << "Warning: p.txt, line 2: Module.AdcSamples \"fast\" is not a number; the value "
               "above is used instead.";
    }
    void reader()
    {
        QFETCH(QString, text);
        QFETCH(int, channels);
        QFETCH(QString, warning);
        const ProfileLoad load = ProfileReader::read(file("p.txt", text), channels);
        QVERIFY(load.ok);
        const ProfileModuleRecord &m = load.record.module;
        const ProfileChannelRecord &a = load.record.channels[0],
                                   &b = load.record.channels[size_t(channels - 1)];
        QStringList items;
        for (double v : {double(m.control), double(m.eventChannelMask), double(m.adcSamples),
                         double(m.digitalFilter), double(m.voltageRampSpeed),
                         double(m.currentRampSpeed), -1.0, double(a.control), double(a.voltageSet),
                         -1.0, double(b.control), double(b.voltageSet)})
            items << (v < 0 ? QStringLiteral("|") : QString::number(v, 'g', 10));
        QTEST(items.join(' '), "items");
        const QStringList warnings = load.log.filter(QStringLiteral("Warning:"));
        QCOMPARE(warnings.value(0), warning);
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 4);
    }

    void loadLogAndRefusal()
    {
        const QString path
            = file("log.txt", "[Module]\nControl=4\n[Channel0]\nCurrentMaxSet=0.5\n");
        const QStringList log = ProfileReader::read(path, 1).log;
        QCOMPARE(log.size(), 21);
        QCOMPARE(log.at(0), "Using profile from file " + path + "\n");
        QCOMPARE(log.at(1), "Module.Control\t\t0x0004");
        QCOMPARE(log.at(3), "Module.EventChannelMask\t\t0x00000000");
        QCOMPARE(log.at(9), "Module.CurrentRampSpeed (%)\t50");
        QCOMPARE(log.at(10), QString());
        QCOMPARE(log.at(20), "Channel0.CurrentMaxSet (A)\t0.0005");
        // A file that is no profile would write zeros into the module.
        const ProfileLoad refused = ProfileReader::read(file("notes.txt", "just notes\n"), 1);
        QVERIFY(!refused.ok);
        QVERIFY(refused.error.contains(m_dir.filePath("notes.txt")));
    }

    void writerReplacesTheWholeFile()
    {
        ProfileSnapshot snapshot {{"Module", {{"Control", "0x0004"}}}};
        for (int ch = 0; ch < 24; ++ch)
            snapshot.append({QStringLiteral("Channel%1").arg(ch), {{"VoltageSet", "1.000"}}});
        const QString path = m_dir.filePath("replaced.txt");
        QString error;
        QVERIFY(ProfileFile::write(path, snapshot, &error));
        QVERIFY(ProfileFile::write(path, snapshot.mid(0, 13), &error));
        const QStringList sections = QSettings(path, QSettings::IniFormat).childGroups();
        QCOMPARE(sections.size(), 13);
        QVERIFY(!sections.contains("Channel12"));
        // Under a regular file nothing can be created; over a folder nothing
        // can be renamed. Neither leaves a temporary file behind.
        QVERIFY(QDir(m_dir.path()).mkdir("folder.txt"));
        for (const char *name : {"replaced.txt/p.txt", "folder.txt"}) {
            error.clear();
            QVERIFY(!ProfileFile::write(m_dir.filePath(QLatin1String(name)), snapshot, &error));
            QVERIFY(!error.isEmpty());
        }
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(".txt."), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestProfileFormat)
#include "tst_profileformat.moc"
