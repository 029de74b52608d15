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
    void missingLibraryIsShownThenExits();
    void withTheLibraryTheWindowStarts();

private:
    QProcess *start(const QString &libraryPath);
    QTemporaryDir m_dir;
};

QProcess *TestFatalErrorBox::start(const QString &libraryPath)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys()) {
        if (key.startsWith(QLatin1String("NORV_SIM_")))
            env.remove(key);
    }
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    if (!libraryPath.isEmpty())
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    auto *process = new QProcess(this);
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(FATALPROBE_PATH), {m_dir.path()});
    return process;
}

void TestFatalErrorBox::missingLibraryIsShownThenExits()
{
    // fatalprobe's own folder has no stand-in and the loader path is empty.
    QProcess *process = start(QString());
    QVERIFY(process->waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());

    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 1);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    const QStringList fields = lines.first().split(QLatin1Char('\t'));
    QCOMPARE(fields.size(), 3);
    QCOMPARE(fields.at(0), QStringLiteral("critical"));
    QCOMPARE(fields.at(1), QStringLiteral("norv VME Control"));
    QVERIFY2(fields.at(2).startsWith(QLatin1String("Error while loading shared library '")),
             qPrintable(fields.at(2)));
    QVERIFY2(fields.at(2).contains(QLatin1String("xxusb")), qPrintable(fields.at(2)));
    QVERIFY2(fields.at(2).endsWith(
                 QLatin1String("' or one of it's dependencies!\\n\\nProgram will be terminated.")),
             qPrintable(fields.at(2)));
}

void TestFatalErrorBox::withTheLibraryTheWindowStarts()
{
    QProcess *process = start(QStringLiteral(NORV_BIN_DIR));
    QVERIFY(process->waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(out, QStringLiteral("constructed\t2\n"));
}

QTEST_GUILESS_MAIN(TestFatalErrorBox)
#include "tst_fatalerrorbox.moc"
