#include "app/InstanceLock.h"

#include <QDir>

#include <unistd.h>

TInstanceLock::TInstanceLock(const QString& name) : Name_(name) {}

QString TInstanceLock::LockFileName(const QString& name)
{
    return QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(getuid())
           + QStringLiteral(".lock");
}

bool TInstanceLock::Acquire()
{
    if (Held())
        return true;
    Lock_ = std::make_unique<QLockFile>(LockFileName(Name_));
    // Age alone must never make a lock stale: the first copy may run for
    // days. A lock is taken over only when its process is gone.
    Lock_->setStaleLockTime(0);
    return Lock_->tryLock(0);
}

void TInstanceLock::Release()
{
    if (Lock_)
        Lock_->unlock();
    Lock_.reset();
}
