#pragma once

#include "CrateConfig.h"

#include <QByteArray>
#include <QString>

class QJsonObject;
class QJsonValue;

/// Reads a crate description (JSON) into a CrateConfig.
///
/// Strict on purpose: an unknown key, a wrong type or a value out of range is
/// an error naming the file, the key and what was expected, because a typo that
/// silently fell back to a default would make a test pass for the wrong reason.
class CrateDescription
{
public:
    /// Reads the file at `path`; false and a readable `error` when it is unusable.
    static bool load(const QString &path, CrateConfig *config, QString *error);
    /// Parses JSON text; `fileName` only appears in error texts.
    static bool parse(const QByteArray &json, const QString &fileName, CrateConfig *config,
                      QString *error);

private:
    explicit CrateDescription(const QString &fileName);

    bool parseCrate(const QJsonObject &root, CrateConfig *config);
    bool parseModule(const QJsonObject &object, const QString &where, ModuleConfig *module);
    bool parseFaults(const QJsonObject &object, const QString &where, ModuleConfig *module);
    bool checkKeys(const QJsonObject &object, const QString &where, const QStringList &allowed);
    bool readNumber(const QJsonValue &value, const QString &key, double min, double max,
                    double *out);
    bool readInteger(const QJsonValue &value, const QString &key, double min, double max,
                     long long *out, bool hexTextAllowed = false);
    bool readBool(const QJsonValue &value, const QString &key, bool *out);
    bool readBytes(const QJsonValue &value, const QString &key, std::array<std::uint8_t, 4> *out);
    bool fail(const QString &key, const QString &message);

    QString m_fileName;
    QString m_error;
};
