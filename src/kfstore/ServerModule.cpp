#include "kfstore/ServerModule.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <dlfcn.h>

namespace {

std::string LoaderError()
{
    const char* error = dlerror();
    return error ? error : "unknown error";
}

std::string ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

}  // namespace

void TServerModule::TCloser::operator()(void* handle) const
{
    dlclose(handle);
}

TServerModule::TServerModule(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        // Local, so its copies of the store's common parts stay its own;
        // never deleted, so that its code outlives every file it made.
        std::unique_ptr<void, TCloser> handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
        if (!handle) {
            Failure_ += LoaderError() + '\n';
            continue;
        }
        dlerror();
        const auto factory = reinterpret_cast<decltype(&OrbekoServerHome)>(dlsym(handle.get(), "OrbekoServerHome"));
        if (!factory) {
            Failure_ += LoaderError() + '\n';
            continue;
        }
        Handle_ = std::move(handle);
        Home_ = factory();
        Failure_.clear();
        return;
    }
}

std::vector<std::string> TServerModule::Paths()
{
    if (const char* path = std::getenv(PathVariable); path && *path)
        return {path};
    std::vector<std::string> paths;
    if (const std::string folder = ExecutableFolder(); !folder.empty())
        paths.push_back(folder + '/' + FileName);
    paths.push_back(std::string(ORBEKO_MODULE_DIR) + '/' + FileName);
    return paths;
}
