#include "SlotInvoker.h"

#include <QMetaMethod>

QVariant SlotInvoker::call(QObject *object, const QByteArray &name, const QVariantList &args,
                           bool *ok)
{
    if (ok)
        *ok = false;
    if (!object || args.size() > 10)
        return QVariant();

    const QMetaObject *meta = object->metaObject();
    for (int m = 0; m < meta->methodCount(); ++m) {
        const QMetaMethod method = meta->method(m);
        if (method.methodType() != QMetaMethod::Slot || method.name() != name
            || method.parameterCount() != args.size())
            continue;

        QVariantList converted;
        for (int i = 0; i < args.size(); ++i) {
            QVariant v = args.at(i);
            if (!v.convert(method.parameterMetaType(i)))
                return QVariant();
            converted.append(v);
        }
        const QList<QByteArray> typeNames = method.parameterTypes();
        QGenericArgument a[10];
        for (int i = 0; i < converted.size(); ++i)
            a[i] = QGenericArgument(typeNames.at(i).constData(), converted[i].constData());

        QVariant result;
        bool invoked;
        if (method.returnMetaType().id() == QMetaType::Void) {
            invoked = method.invoke(object, Qt::DirectConnection, a[0], a[1], a[2], a[3], a[4],
                                    a[5], a[6], a[7], a[8], a[9]);
        } else {
            result = QVariant(method.returnMetaType());
            invoked = method.invoke(object, Qt::DirectConnection,
                                    QGenericReturnArgument(method.typeName(), result.data()), a[0],
                                    a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9]);
        }
        if (ok)
            *ok = invoked;
        return invoked ? result : QVariant();
    }
    return QVariant();
}
