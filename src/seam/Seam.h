#pragma once

// Which implementation of an interface the program uses now: the real one
// unless a test has put in its own through a TOverride.
template <class TInterface>
class TSeam
{
public:
    static TInterface& Current()
    {
        return Installed() ? *Installed() : TInterface::Real();
    }

    // Puts an implementation in for the guard's lifetime; the one before it
    // comes back when the guard goes, also when an exception passes.
    class TOverride
    {
    public:
        explicit TOverride(TInterface& replacement)
            : Previous_(Installed())
        {
            Installed() = &replacement;
        }
        ~TOverride() { Installed() = Previous_; }
        TOverride(const TOverride&) = delete;
        TOverride& operator=(const TOverride&) = delete;

    private:
        TInterface* const Previous_;
    };

private:
    static TInterface*& Installed()
    {
        static TInterface* installed = nullptr;
        return installed;
    }
};
