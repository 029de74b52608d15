// Both adapters against the real library loader: each case starts busprobe in
// a child process with a chosen library search path, so the outcome depends
// on exactly which bridge library the loader finds.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct ProbeResult
{
    int exitCode = -1;
    QMap<QString, QString> lines;
    QString stdErr;
};

ProbeResult runProbe(const QString &program, const QStringList &args, const QString &libraryPath,
                     const QStringList &extraEnv = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys()) {
        if (key.startsWith(QLatin1String("NORV_SIM_")))
            env.remove(key);
    }
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
    for (const QString &assignment : extraEnv)
        env.insert(assignment.section(QLatin1Char('='), 0, 0),
                   assignment.section(QLatin1Char('='), 1));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProbeResult result;
    if (!process.waitForFinished(30000)) {
        process.kill();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QStringList out = QString::fromLocal8Bit(process.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : out)
        result.lines.insert(line.section(QStringLiteral(": "), 0, 0),
                            line.section(QStringLiteral(": "), 1));
    result.stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

QString probe()
{
    return QStringLiteral(BUSPROBE_PATH);
}

bool copyInto(const QString &source, const QString &dir, const QString &name)
{
    return QFile::copy(source, QDir(dir).filePath(name));
}

} // namespace

class TestBridgeAdapters : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_empty;

private slots:
    void v1718WithoutLibrary()
    {
        const ProbeResult r = runProbe(probe(), {"v1718"}, m_empty.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.value("name"), QStringLiteral("CAEN V1718"));
        QCOMPARE(r.lines.value("connected"), QStringLiteral("no"));
        QVERIFY(!r.lines.value("error").isEmpty());
        QCOMPARE(r.lines.value("status"), QStringLiteral("Not connected to CAEN VME library!"));
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x0 -3"));
        QCOMPARE(r.lines.value("write"), QStringLiteral("-3"));
    }

    void v1718RefusesIncompleteLibrary()
    {
        // The stand-in in this folder lacks only CAENVME_SetTimeout, which the
        // adapter never calls but still requires.
        const ProbeResult r = runProbe(probe(), {"v1718"}, QStringLiteral(NORV_SIM_INCOMPLETE_DIR));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.value("error"),
                 QStringLiteral("Error while loading shared library 'CAENVMElib'"));
        QCOMPARE(r.lines.value("status"), QStringLiteral("Not connected to CAEN VME library!"));
        QCOMPARE(r.lines.value("connected"), QStringLiteral("no"));
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x0 -3"));
    }

    void v1718OverSimulatedCrate()
    {
        const ProbeResult r = runProbe(probe(), {"v1718"}, QStringLiteral(NORV_BIN_DIR));
        QCOMPARE(r.lines.value("connected"), QStringLiteral("yes"));
        QCOMPARE(r.lines.value("error"), QString());
        QVERIFY2(r.lines.value("status").startsWith("CAEN VME library version "),
                 qPrintable(r.lines.value("status")));
        // High word of the vendor id "norv" of the module at 0x4000.
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x6e6f 0"));
        // Nothing answers at 0xFFF0: the library's bus error comes through.
        QCOMPARE(r.lines.value("write"), QStringLiteral("-1"));
    }

    void v1718EmptyAddressReadsZero()
    {
        const ProbeResult r = runProbe(probe(), {"v1718", "0xFFF0"}, QStringLiteral(NORV_BIN_DIR));
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x0 -1"));
    }

    void v1718FindsVendorLinuxFileName()
    {
        QTemporaryDir dir;
        QVERIFY(copyInto(QStringLiteral(NORV_BIN_DIR "/libCAENVMElib.so"), dir.path(),
                         "libCAENVME.so"));
        QVERIFY(copyInto(QStringLiteral(NORV_BIN_DIR "/libnorvsim.so"), dir.path(),
                         "libnorvsim.so"));
        const ProbeResult r = runProbe(probe(), {"v1718"}, dir.path());
        QCOMPARE(r.lines.value("connected"), QStringLiteral("yes"));
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x6e6f 0"));
    }

    void v1718WithoutBridge()
    {
        const ProbeResult r = runProbe(probe(), {"v1718"}, QStringLiteral(NORV_BIN_DIR),
                                       {"NORV_SIM_NO_BRIDGE=1"});
        QCOMPARE(r.lines.value("connected"), QStringLiteral("no"));
        QCOMPARE(r.lines.value("error"), QString());
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x0 -3"));
    }

    void vmUsbWithoutLibraryIsFatal()
    {
        const ProbeResult r = runProbe(probe(), {"vmusb"}, m_empty.path());
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.lines.isEmpty());
        QVERIFY2(r.stdErr.contains("norv VME Control: Error while loading shared library "
                                   "'libxxusb' or one of it's dependencies!\n\nProgram will be "
                                   "terminated."),
                 qPrintable(r.stdErr));
    }

    void vmUsbWithoutBridge()
    {
        const ProbeResult r = runProbe(probe(), {"vmusb"}, QStringLiteral(NORV_BIN_DIR),
                                       {"NORV_SIM_NO_BRIDGE=1"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.value("name"), QStringLiteral("Wiener VM-USB"));
        QCOMPARE(r.lines.value("connected"), QStringLiteral("no"));
        QCOMPARE(r.lines.value("error"), QStringLiteral("No VM-USB controller number 0 found!"));
        QCOMPARE(r.lines.value("status"), QStringLiteral("Not connected to Wiener XXUSB library!"));
        QCOMPARE(r.lines.value("read"), QStringLiteral("0x0 -1"));
        QCOMPARE(r.lines.value("write"), QStringLiteral("-1"));
    }

    void vmUsbOverSimulatedCrate()
    {
        const ProbeResult r = runProbe(probe(), {"vmusb"}, QStringLiteral(NORV_BIN_DIR));
        QCOMPARE(r.lines.value("connected"), QStringLiteral("yes"));
        QCOMPARE(r.lines.value("status"), QStringLiteral("Connected to VME controller Wiener VM0042."));
        const QStringList read = r.lines.value("read").split(' ');
        QCOMPARE(read.value(0), QStringLiteral("0x6e6f"));
        QVERIFY2(read.value(1).toInt() > 0, qPrintable(r.lines.value("read")));
        // A failed cycle comes back negative (sign-extended from 16 bits).
        QVERIFY2(r.lines.value("write").toInt() < 0, qPrintable(r.lines.value("write")));
    }

    void vmUsbEmptyAddressReadsZero()
    {
        const ProbeResult r = runProbe(probe(), {"vmusb", "0xFFF0"}, QStringLiteral(NORV_BIN_DIR));
        const QStringList read = r.lines.value("read").split(' ');
        QCOMPARE(read.value(0), QStringLiteral("0x0"));
        QVERIFY(read.value(1).toInt() < 0);
    }

    void standInBesideProgramIsFound()
    {
        // No library path at all: the adapter finds the stand-in in the
        // program's own folder, which is how the installed program starts on
        // the simulated crate.
        QTemporaryDir dir;
        const QString program = QDir(dir.path()).filePath("busprobe");
        QVERIFY(QFile::copy(probe(), program));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(probe())));
        QVERIFY(copyInto(QStringLiteral(NORV_BIN_DIR "/libxxusb.so"), dir.path(), "libxxusb.so"));
        QVERIFY(copyInto(QStringLiteral(NORV_BIN_DIR "/libnorvsim.so"), dir.path(),
                         "libnorvsim.so"));
        const ProbeResult r = runProbe(program, {"vmusb"}, m_empty.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.value("connected"), QStringLiteral("yes"));
    }
};

QTEST_GUILESS_MAIN(TestBridgeAdapters)
#include "tst_bridgeadapters.moc"
