#pragma once

#include "kfstore/StoreHome.h"

#include <memory>
#include <string>
#include <vector>

// The one symbol the server home's module exports: its home, made on the
// first call and kept for the life of the program.
extern "C" TStoreHome* OrbekoServerHome();

// The server home, loaded from its module so that a program on a folder
// never maps libpq. The module is never unloaded: files it opened may
// outlive this object during the program's exit.
class TServerModule
{
public:
    static constexpr const char* FileName = "orbeko-server-home.so";
    static constexpr const char* PathVariable = "ORBEKO_SERVER_HOME";

    // Tries each path in turn; the first that loads and has the factory gives the home.
    explicit TServerModule(const std::vector<std::string>& paths);

    // Null when no path held a usable module.
    TStoreHome* Home() const { return Home_; }
    // Why there is no home: each path tried and the loader's reason, one a line.
    const std::string& Failure() const { return Failure_; }

    // Where a program looks: the file ORBEKO_SERVER_HOME names, alone, when
    // it is set; otherwise beside the executable, then the installed library folder.
    static std::vector<std::string> Paths();

private:
    struct TCloser
    {
        void operator()(void* handle) const;
    };

    std::unique_ptr<void, TCloser> Handle_;
    TStoreHome* Home_ = nullptr;
    std::string Failure_;
};
