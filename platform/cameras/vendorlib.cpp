#include "platform/cameras/vendorlib.h"

#include <dlfcn.h>

namespace camsdk {

VendorLibrary::VendorLibrary(std::initializer_list<const char*> fileNames)
{
    for (const char* n : fileNames)
        names_.emplace_back(n);
}

VendorLibrary::~VendorLibrary() = default; // the library stays mapped until exit

void VendorLibrary::load()
{
    for (const std::string& n : names_) {
        handle_ = dlopen(n.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_)
            return;
    }
}

bool VendorLibrary::loaded()
{
    std::call_once(once_, [this] { load(); });
    return handle_ != nullptr;
}

void* VendorLibrary::symbol(const char* name)
{
    if (!loaded())
        return nullptr;
    return dlsym(handle_, name);
}

} // namespace camsdk
