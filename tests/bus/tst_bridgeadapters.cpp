// Both adapters against the real library loader: each row starts busprobe in a
// child process with a chosen library search path, so the outcome depends on
// exactly which bridge library the loader finds.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What a row puts into the library search path.
enum Libraries {
    None,
    Incomplete, // a CAEN stand-in lacking only CAENVME_SetTimeout
    Simulated, // the stand-ins of the build
    NoBridge, // the same, told that no bridge is plugged in
    VendorLinuxName, // the CAEN stand-in as libCAENVME.so
    SingleCycles, // a CAEN stand-in without CAENVME_MultiRead
    BesideProgram // none on the path, the VM-USB stand-in beside a copy of busprobe
};

bool copyInto(const QString &dir, const QString &name, const QString &as = {})
{
    return QFile::copy(QStringLiteral(NORV_BIN_DIR "/") + name,
                       QDir(dir).filePath(as.isEmpty() ? name : as));
}

} // namespace

class TestBridgeAdapters : public QObject
{
    Q_OBJECT

private slots:
    void probe_data();
    void probe();
};

// Each expected line is a regular expression for one whole line of what busprobe wrote
// ("key: value" on stdout, the adapter's complaints on stderr).
void TestBridgeAdapters::probe_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("libraries");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("exitCode");
    auto row = [](const char *name, const char *args, Libraries libraries,
                  const QStringList &expected, int exitCode = 0) {
        QTest::newRow(name) << args << int(libraries) << expected << exitCode;
    };

    // The probe reads the vendor id "norv" of both modules around 0xFFF0, where nothing
    // answers, and writes to 0xFFF0: each cycle's status comes through, and a batch
    // gives each word and status as the single cycles do, in one transfer where the
    // library can.
    const QString noCaen = "status: Not connected to CAEN VME library!";
    const QString unconnected = "single: 0/-3 0/-3 0/-3 0/-3 0/-3";
    const QString vendorIds = "6e6f/0 7276/0 0/-1 6e6f/0 7276/0";
    row("V1718, no library", "v1718", None,
        {"name: CAEN V1718", "connected: no", "error: .+", noCaen, unconnected, "write: -3"});
    row("V1718, library incomplete", "v1718", Incomplete,
        {"error: Error while loading shared library 'CAENVMElib'", noCaen, "connected: no",
         unconnected});
    row("V1718, simulated crate", "v1718", Simulated,
        {"connected: yes", "error: ", "status: CAEN VME library version .+", "write: -1",
         "single: " + vendorIds, "batch: " + vendorIds + " failed", "one transfer: yes"});
    row("V1718, library without batches", "v1718", SingleCycles,
        {"connected: yes", "batch: " + vendorIds + " failed", "one transfer: no"});
    row("V1718, vendor's Linux file name", "v1718", VendorLinuxName,
        {"connected: yes", "single: 6e6f/0 .*"});
    row("V1718, no bridge", "v1718", NoBridge, {"connected: no", "error: ", unconnected});
    row("VM-USB, no library is fatal", "vmusb", None,
        {"norv VME Control: Error while loading shared library 'libxxusb' or one "
         "of it's dependencies!\n\nProgram will be terminated\\."},
        1);
    row("VM-USB, no bridge", "vmusb", NoBridge,
        {"name: Wiener VM-USB", "connected: no", "error: No VM-USB controller number 0 found!",
         "status: Not connected to Wiener XXUSB library!", "single: 0/-1 0/-1 0/-1 0/-1 0/-1",
         "write: -1"});
    // The library's status is a positive count; a failed cycle comes back negative
    // (sign-extended from 16 bits).
    const QString vmUsbIds
        = "6e6f/[1-9]\\d* 7276/[1-9]\\d* 0/-[1-9]\\d* 6e6f/[1-9]\\d* 7276/[1-9]\\d*";
    row("VM-USB, simulated crate", "vmusb", Simulated,
        {"connected: yes", "status: Connected to VME controller Wiener VM0042\\.",
         "write: -[1-9][0-9]*", "single: " + vmUsbIds, "batch: " + vmUsbIds + " failed",
         "one transfer: no"});
    // How the installed program starts on the simulated crate.
    row("VM-USB, stand-in beside the program", "vmusb", BesideProgram, {"connected: yes"});
}

void TestBridgeAdapters::probe()
{
    QFETCH(QString, args);
    QFETCH(int, libraries);
    QFETCH(QStringList, expected);
    QFETCH(int, exitCode);

    QTemporaryDir dir, empty;
    QString program = QStringLiteral(BUSPROBE_PATH);
    QString searchPath = libraries == BesideProgram ? empty.path() : dir.path();
    if (libraries == Incomplete) {
        searchPath = QStringLiteral(NORV_SIM_INCOMPLETE_DIR);
    } else if (libraries == SingleCycles) {
        searchPath = QStringLiteral(NORV_SIM_SINGLE_CYCLES_DIR) + QLatin1Char(':') + NORV_BIN_DIR;
    } else if (libraries == Simulated || libraries == NoBridge) {
        searchPath = QStringLiteral(NORV_BIN_DIR);
    } else if (libraries == VendorLinuxName) {
        QVERIFY(copyInto(dir.path(), "libCAENVMElib.so", "libCAENVME.so"));
        QVERIFY(copyInto(dir.path(), "libnorvsim.so"));
    } else if (libraries == BesideProgram) {
        program = dir.filePath("busprobe");
        QVERIFY(QFile::copy(QStringLiteral(BUSPROBE_PATH), program));
        QVERIFY(QFile::setPermissions(program, QFile::permissions(QStringLiteral(BUSPROBE_PATH))));
        QVERIFY(copyInto(dir.path(), "libxxusb.so"));
        QVERIFY(copyInto(dir.path(), "libnorvsim.so"));
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys()) {
        if (key.startsWith(QLatin1String("NORV_SIM_")))
            env.remove(key);
    }
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), searchPath);
    if (libraries == NoBridge)
        env.insert(QStringLiteral("NORV_SIM_NO_BRIDGE"), QStringLiteral("1"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args.split(' '));
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString output = QString::fromLocal8Bit(process.readAll());
    QVERIFY2(process.exitCode() == exitCode, qPrintable(output));
    for (const QString &line : expected) {
        const QRegularExpression pattern('^' + line + '$', QRegularExpression::MultilineOption);
        QVERIFY2(pattern.match(output).hasMatch(), qPrintable(line + "\n  not in\n" + output));
    }
}

QTEST_GUILESS_MAIN(TestBridgeAdapters)
#include "tst_bridgeadapters.moc"
