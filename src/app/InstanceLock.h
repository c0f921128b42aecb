#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Lets one copy of Orbeko run per account on a workstation: a lock file
// named after the program and the account in the system's temporary
// folder, which every account shares, so that two people logged in on one
// machine each run their own copy. A copy that died leaves a lock that the
// next start takes over.
class TInstanceLock
{
public:
    explicit TInstanceLock(const QString& name = QStringLiteral("Orbeko"));

    // False when another living copy holds the lock.
    bool Acquire();
    bool Held() const { return Lock_ && Lock_->isLocked(); }
    void Release();

    static QString LockFileName(const QString& name);

private:
    QString Name_;
    std::unique_ptr<QLockFile> Lock_;
};
