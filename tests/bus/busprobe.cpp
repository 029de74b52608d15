// Constructs one bridge adapter in a process of its own and prints what the
// adapter reports, one "key: value" line each. The bus tests start it with
// different library search paths, which a running process cannot change.
//
//   busprobe v1718|vmusb
#include "V1718.h"
#include "VmUsb.h"

#include <QCoreApplication>
#include <QTextStream>
#include <memory>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return 2;
    std::unique_ptr<VmeController> controller;
    if (args.at(1) == QLatin1String("v1718"))
        controller = std::make_unique<V1718>();
    else
        controller = std::make_unique<VmUsb>();

    QTextStream out(stdout);
    out << "name: " << controller->name() << '\n';
    out << "connected: " << (controller->isConnected() ? "yes" : "no") << '\n';
    out << "error: " << controller->errorString() << '\n';
    out << "status: " << controller->statusText() << '\n';
    int writeStatus = 12345;
    controller->write16(0xFFF0, 0x29, 0x1234, &writeStatus);
    out << "write: " << writeStatus << '\n';

    // The vendor id of both modules around an address where nothing answers:
    // as single cycles, then as one batch.
    const QVector<quint32> addresses {0x405C, 0x405E, 0xFFF0, 0x805C, 0x805E};
    QStringList single, batch;
    for (quint32 a : addresses) {
        int status = 0;
        const quint16 w = controller->read16(a, 0x29, &status);
        single << QStringLiteral("%1/%2").arg(w, 0, 16).arg(status);
    }
    QVector<quint16> words;
    QVector<int> errors;
    const int batchStatus = controller->readBatch(addresses, 0x29, &words, &errors);
    for (int i = 0; i < words.size(); ++i)
        batch << QStringLiteral("%1/%2").arg(words.at(i), 0, 16).arg(errors.at(i));
    out << "single: " << single.join(' ') << '\n';
    out << "batch: " << batch.join(' ') << ' ' << (batchStatus != 0 ? "failed" : "ok") << '\n';
    out << "one transfer: " << (controller->batchesReads() ? "yes" : "no") << '\n';
    return 0;
}
