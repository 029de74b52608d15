#pragma once

// Records the signals that one object's own class declares, in the order
// they come: every one whose name starts with a prefix, by its name without
// the prefix, with its arguments.

#include <QHash>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QVariantList>

class SignalRecorder : public QObject
{
    Q_OBJECT

public:
    SignalRecorder(QObject *sender, const QByteArray &prefix)
        : m_prefixLength(int(prefix.size()))
    {
        const QMetaObject *meta = sender->metaObject();
        const QMetaMethod record = metaObject()->method(metaObject()->indexOfSlot("record()"));
        for (int index = meta->methodOffset(); index < meta->methodCount(); ++index) {
            const QMetaMethod method = meta->method(index);
            if (method.methodType() != QMetaMethod::Signal || !method.name().startsWith(prefix))
                continue;
            // Connected first, the spy holds the arguments when record() runs.
            m_spies.insert(index, new QSignalSpy(sender, method));
            connect(sender, method, this, record);
        }
    }
    ~SignalRecorder() override { qDeleteAll(m_spies); }

    const QList<QByteArray> &names() const { return m_names; }
    const QList<QVariantList> &args() const { return m_args; }
    int count(const QByteArray &name) const { return int(m_names.count(name)); }
    /// Every signal as {name, arguments...}.
    QList<QVariantList> calls() const
    {
        QList<QVariantList> calls;
        for (int i = 0; i < m_names.size(); ++i)
            calls << (QVariantList {QString::fromLatin1(m_names.at(i))} + m_args.at(i));
        return calls;
    }
    void clear()
    {
        m_names.clear();
        m_args.clear();
    }

public slots:
    void record()
    {
        m_names << sender()->metaObject()->method(senderSignalIndex()).name().mid(m_prefixLength);
        m_args << m_spies.value(senderSignalIndex())->takeFirst();
    }

private:
    int m_prefixLength;
    QHash<int, QSignalSpy *> m_spies;
    QList<QByteArray> m_names;
    QList<QVariantList> m_args;
};
