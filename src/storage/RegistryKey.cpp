#include "storage/RegistryKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

QString TRegistryKey::FileName()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Tresk/Orbeko.conf");
}

std::unique_ptr<TRegistryKey> TRegistryKey::Open(bool create)
{
    const QString fileName = FileName();
    const QFileInfo info(fileName);
    if (!info.isFile()) {
        if (!create || info.exists())
            return nullptr;
        if (!QDir().mkpath(info.absolutePath()))
            return nullptr;
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return nullptr;
    }
    return std::unique_ptr<TRegistryKey>(new TRegistryKey(fileName));
}

TRegistryKey::TRegistryKey(const QString& fileName)
    : Settings_(fileName, QSettings::IniFormat)
{
}

bool TRegistryKey::ReadInteger(const QString& name, uint32_t& value) const
{
    const QVariant stored = Settings_.value(name);
    if (stored.typeId() != QMetaType::QString)
        return false;
    bool ok = false;
    const qlonglong number = stored.toString().trimmed().toLongLong(&ok, 10);
    if (!ok || number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<uint32_t>::max())
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool TRegistryKey::ReadText(const QString& name, QString& value) const
{
    const QVariant stored = Settings_.value(name);
    if (stored.typeId() != QMetaType::QString)
        return false;
    value = stored.toString();
    return true;
}

bool TRegistryKey::WriteInteger(const QString& name, uint32_t value)
{
    Settings_.setValue(name, QString::number(value));
    return Commit();
}

bool TRegistryKey::WriteText(const QString& name, const QString& value)
{
    Settings_.setValue(name, value);
    return Commit();
}

bool TRegistryKey::DeleteValue(const QString& name)
{
    Settings_.remove(name);
    return Commit();
}

// QSettings writes lazily and reports a failed write only through status(),
// so every change is flushed and checked before it counts as stored.
bool TRegistryKey::Commit()
{
    Settings_.sync();
    return Settings_.status() == QSettings::NoError;
}
