#include "platform/cameras/vendorlib.h"

#include <QDebug>
#include <algorithm>
#include <dlfcn.h>

namespace camsdk {

VendorLibrary::VendorLibrary(std::initializer_list<const char*> fileNames, std::initializer_list<const char*> required,
                             std::initializer_list<const char*> optional)
{
    for (const char* n : fileNames)
        names_.emplace_back(n);
    for (const char* n : required)
        required_.emplace_back(n);
    for (const char* n : optional)
        optional_.emplace_back(n);
}

VendorLibrary::~VendorLibrary() = default; // the library stays mapped until exit

void VendorLibrary::load()
{
    for (const std::string& n : names_) {
        handle_ = dlopen(n.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_)
            break;
    }
    if (!handle_) {
        reason_ = (names_.empty() ? std::string("no library") : names_.front()) + " is not installed";
        return; // the usual case on a machine without this maker's cameras: not worth a warning
    }
    std::string missing;
    for (const std::string& s : required_)
        if (!dlsym(handle_, s.c_str()))
            missing += (missing.empty() ? "" : ", ") + s;
    complete_ = missing.empty();
    if (!complete_) {
        reason_ = names_.front() + " lacks " + missing + ": its cameras are not used";
        qWarning().noquote() << QString::fromStdString(reason_);
    }
}

bool VendorLibrary::usable()
{
    std::call_once(once_, [this] { load(); });
    return complete_;
}

std::string VendorLibrary::reason()
{
    usable();
    return reason_;
}

bool VendorLibrary::usableOrSimulated(bool simulated, const char** why)
{
    if (simulated || usable())
        return true;
    if (why)
        *why = reason_.c_str(); // set once by load(), never changed after
    return false;
}

void* VendorLibrary::symbol(const char* name)
{
    if (!usable())
        return nullptr;
    const bool known = std::find(required_.begin(), required_.end(), name) != required_.end()
        || std::find(optional_.begin(), optional_.end(), name) != optional_.end();
    return known ? dlsym(handle_, name) : nullptr;
}

} // namespace camsdk
