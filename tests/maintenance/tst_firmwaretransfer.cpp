// The firmware transfer without a module: whole-file checks, the address
// texts, and the states driven by scripted report sequences. A script is
// "S<status>" (module status report), "K<command>/<status>" (special status
// report), "T" (a countdown second), "A<ms>" (clock moves), "N" (start
// again), each hexadecimal and optionally "*<repeat>". The log it yields is
// "M<control>" (hex), "C<command>" and "R<record number>".
#include "CorePromptRecorder.h"
#include "FirmwareRecords.h"

#include <FirmwareTransfer.h>
#include <SRecordFile.h>

#include <QTemporaryDir>
#include <QtTest>

using FirmwareRecords::record;

class TestFirmwareTransfer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray &content)
    {
        const QString name = m_dir.filePath(QStringLiteral("f%1.hex").arg(++m_files));
        QFile file(name);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return name;
    }
    int m_files = 0;

private slots:
    void fileCheck_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error"); // after "line "; empty: good
        const QByteArray good = record(1, 0x100, "\x01\x02");
        QTest::newRow("blank lines skipped") << "\n" + good + "\r\n  \n" + record(9, 0, "") + "\n\n"
                                             << QString();
        QTest::newRow("bad checksum")
            << good + "\n\n" + record(1, 0, "ab", true) << "3 has the checksum";
        QTest::newRow("odd length") << good + "\n" + good + "0\n"
                                    << "2 has an odd number";
        QTest::newRow("not hex") << record(1, 0, "a").replace(5, 1, "G")
                                 << "1 holds the character 'G'";
        QTest::newRow("binary") << QByteArray::fromHex("7f454c4602010a") << "1 holds binary data";
        QTest::newRow("no type") << QByteArray("S4030000FC") << "1 does not start";
        QTest::newRow("count") << QByteArray("S1040000FB") << "1 announces 4 bytes but holds 3";
        QTest::newRow("empty") << QByteArray("\n \n") << "holds no S-records";
    }
    void fileCheck()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        const QString name = write(content);
        const SRecordFile file = SRecordFile::read(name);
        QCOMPARE(file.ok(), error.isEmpty());
        if (error.isEmpty()) {
            QCOMPARE(file.records().size(), 2);
            QCOMPARE(file.records().at(0).endPosition, 1 + record(1, 0x100, "\x01\x02").size() + 2);
        } else {
            QVERIFY2(file.error().startsWith("HEX file " + name), qPrintable(file.error()));
            QVERIFY2(file.error().contains(error), qPrintable(file.error()));
            QVERIFY(file.records().isEmpty());
        }
    }

    void addressTexts_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("paged");
        QTest::addColumn<QString>("colon");
        QTest::newRow("S2 paged") << record(2, 0x0E8000, "\x11") << "3A:8000"
                                  << "0E:8000";
        QTest::newRow("S2 low") << record(2, 0x004000, "\x11") << "00:4000"
                                << "00:4000";
        QTest::newRow("S1") << record(1, 0x1234, "\xAB") << "00:34AB"
                            << "12:34AB";
        QTest::newRow("short, not hex") << QByteArray("S2xxG") << "00:0000"
                                        << "G:";
    }
    void addressTexts()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, paged);
        QFETCH(QString, colon);
        QCOMPARE(FirmwareTransfer::pagedAddressText(line, true), "Burning: " + paged);
        QCOMPARE(FirmwareTransfer::colonAddressText(line, false), "Comparing: " + colon);
    }

    void reports_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("shown");
        const QString toCompare = "S40 K0/80 T*5 S40 K4/81 ", toBurn = "S40 K0/80 T*5 S40 K3/81 ";
        // A whole compare runs through the window in tests/app.
        QTest::newRow("compare error")
            << 29 << false << toCompare + "K4/81 K4/96 K1/81"
            << "M5 C14 C4 M5 C4 R1 C1" << 12
            << QStringList {"warning: Compare Error: Programs in Controller and HEX fileare not "
                            "identical!"};
        QTest::newRow("write, class 20, to the end")
            << 20 << true
            << toBurn + "K3/81 K1/84 K2/84 K1/81 K5/81 K5/81 K2/84 K1/81 K2/84 K1/81 K6/84 T*20"
            << "M5 C14 C3 M5 C3 R1 C1 R2 C1 C5 C5 R1 C1 R2 C1 C6 C7" << 0 << QStringList();
        QTest::newRow("checksum errors 2, ok, 2: resent")
            << 29 << true
            << toBurn + "K3/81 K2/92 K1/81 K2/92 K1/81 K2/84 K1/81 K2/92 K1/81 K2/92 K1/81"
            << "M5 C14 C3 M5 C3 R1 C1 R1 C1 R1 C1 R2 C1 R2 C1 R2" << 6 << QStringList();
        QTest::newRow("3 checksum errors in a row, then a fresh start")
            << 29 << true << toBurn + "K3/81 K2/84 K1/81 K2/92*3 N " + toBurn + "K3/81"
            << "M5 C14 C3 M5 C3 R1 C1 R2 C1 C1 C1 M5 C14 C3 M5 C3 R1" << 6
            << QStringList {"warning: 3 Checksum Errors while transmitting HEX File. Giving Up!"};
        QTest::newRow("acknowledge timeout") << 29 << true << toBurn + "K3/81 K2/81*51"
                                             << "M5 C14 C3 M5 C3 R1 C1 R1" << 6 << QStringList();
        QTest::newRow("no progress for 60 s")
            << 29 << true << "S0 AEA5F S0 A1 S0 S0"
            << "M5 M5" << 12
            << QStringList {"warning: No HEX line was accepted and the update did not advance "
                            "for 60 seconds. Giving Up!"};
    }
    void reports()
    {
        QFETCH(int, deviceClass);
        QFETCH(bool, write);
        QFETCH(QString, script);
        QFETCH(QString, log);
        QFETCH(int, state);
        QFETCH(QStringList, shown);

        const QList<QByteArray> records {record(0, 0, "norv 2.5.0.1"), record(1, 0x10, "ab")};
        const QString name = this->write(records.join("\n\n") + "\n");
        FirmwareTransfer transfer;
        CorePromptRecorder prompt;
        qint64 now = 0;
        transfer.setClock([&now] { return now; });
        transfer.setPrompt(&prompt);
        transfer.updateDeviceClass(quint16(deviceClass));
        QStringList out;
        connect(&transfer, &FirmwareTransfer::setModuleControl,
                [&](quint16 c) { out << "M" + QString::number(c, 16); });
        connect(&transfer, &FirmwareTransfer::setSpecialControl,
                [&](quint32 c) { out << "C" + QString::number(c); });
        connect(&transfer, &FirmwareTransfer::sendHexLine,
                [&](const QByteArray &r) { out << "R" + QString::number(records.indexOf(r) + 1); });

        QVERIFY(transfer.start(name, write));
        for (const QString &step : script.split(' ')) {
            const QStringList repeat = step.mid(1).split('*');
            const QStringList words = repeat.at(0).split('/');
            for (int i = 0; i < (repeat.size() > 1 ? repeat.at(1).toInt() : 1); ++i) {
                const quint32 a = words.at(0).toUInt(nullptr, 16);
                switch (step.at(0).toLatin1()) {
                case 'S':
                    transfer.updateModuleStatus(7, a);
                    break;
                case 'K':
                    transfer.updateModuleSpecialControlStatus(7, a,
                                                              words.at(1).toUInt(nullptr, 16));
                    break;
                case 'T':
                    transfer.timeout();
                    break;
                case 'A':
                    now += a;
                    break;
                case 'N':
                    QVERIFY(transfer.start(name, write));
                    break;
                }
            }
        }
        QCOMPARE(out.join(' '), log);
        QCOMPARE(transfer.state(), state);
        QVERIFY(prompt.shown.isEmpty()); // never inside a report
        QCoreApplication::processEvents();
        QCOMPARE(prompt.shown, shown);
    }
};

QTEST_GUILESS_MAIN(TestFirmwareTransfer)
#include "tst_firmwaretransfer.moc"
