// The VM-USB adapter's fatal path through the program's handler: a missing
// bridge library is shown as a critical message box, then the process ends
// with exit code 1. Runs fatalprobe as a child process so the exit can be seen.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestFatalErrorBox : public QObject
{
    Q_OBJECT

private slots:
    void missingLibraryIsShownThenExits_data();
    void missingLibraryIsShownThenExits();

private:
    QTemporaryDir m_dir;
};

void TestFatalErrorBox::missingLibraryIsShownThenExits_data()
{
    QTest::addColumn<QString>("libraryPath");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // a pattern
    // fatalprobe's own folder has no stand-in bridge library.
    QTest::newRow("missing") << QString() << 1
                             << "^critical\tnorv VME Control\tError while loading shared library "
                                "'[^']*xxusb[^']*' or one of it's dependencies!\\\\n\\\\nProgram "
                                "will be terminated.\n$";
    QTest::newRow("found") << QStringLiteral(NORV_BIN_DIR) << 0 << "^constructed\t2\n$";
}

void TestFatalErrorBox::missingLibraryIsShownThenExits()
{
    QFETCH(QString, libraryPath);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys()) {
        if (key.startsWith(QLatin1String("NORV_SIM_")) || key == QLatin1String("LD_LIBRARY_PATH"))
            env.remove(key);
    }
    if (!libraryPath.isEmpty())
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(FATALPROBE_PATH), {m_dir.path()});
    QVERIFY(process.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY2(QRegularExpression(output).match(out).hasMatch(), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestFatalErrorBox)
#include "tst_fatalerrorbox.moc"
