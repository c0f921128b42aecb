#pragma once

#include <QByteArray>

#include <optional>

// Sets an environment variable for its lifetime, then puts back the former
// value, or removes the variable when it had none.
class TEnvOverride
{
public:
    TEnvOverride(const char* name, const QByteArray& value) : Name_(name)
    {
        if (qEnvironmentVariableIsSet(name))
            Former_ = qgetenv(name);
        qputenv(name, value);
    }
    ~TEnvOverride()
    {
        if (Former_)
            qputenv(Name_, *Former_);
        else
            qunsetenv(Name_);
    }
    TEnvOverride(const TEnvOverride&) = delete;
    TEnvOverride& operator=(const TEnvOverride&) = delete;

private:
    const char* Name_;
    std::optional<QByteArray> Former_;
};
