#pragma once

#include <QSettings>
#include <QString>

#include <cstdint>
#include <memory>

// The workstation's key Software\Tresk\Orbeko. Linux has no registry, so the
// key is an INI file for organisation "Tresk", application "Orbeko" in the
// user's configuration folder; XDG_CONFIG_HOME moves it. The file is the key:
// it exists exactly when the key does.
class TRegistryKey
{
public:
    // Where the key lives now; worked out afresh on every call so that a
    // changed XDG_CONFIG_HOME takes effect at once.
    static QString FileName();

    // Opens the key; with create a missing key (and its folder) is made.
    // Null when the key is missing and create is false, or cannot be made.
    static std::unique_ptr<TRegistryKey> Open(bool create);

    // False when the value is missing or is not a 32-bit integer (signed or
    // unsigned); value is then left alone.
    bool ReadInteger(const QString& name, uint32_t& value) const;
    // False when the value is missing or is not a single text.
    bool ReadText(const QString& name, QString& value) const;

    // Each write goes to the file at once; false when it could not be stored.
    bool WriteInteger(const QString& name, uint32_t value);
    bool WriteText(const QString& name, const QString& value);
    bool DeleteValue(const QString& name);

private:
    explicit TRegistryKey(const QString& fileName);
    bool Commit();

    QSettings Settings_;
};
