#pragma once
// A vendor's shared library, opened on first use. A missing library is
// remembered, so later calls cost one check. Symbols are looked up by name and
// called through our own declarations of the calls.
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace camsdk {

class VendorLibrary {
public:
    VendorLibrary(std::initializer_list<const char*> fileNames);
    ~VendorLibrary();
    bool loaded();
    void* symbol(const char* name);
    template <typename F>
    F function(const char* name) { return reinterpret_cast<F>(symbol(name)); }

private:
    void load();
    std::once_flag once_;
    std::vector<std::string> names_;
    void* handle_ = nullptr;
};

// Status every layer returns when neither the vendor library nor the
// simulator is there.
constexpr int kNotAvailable = -1001;

} // namespace camsdk

// Inside a layer function: forwards to the vendor library when it has the symbol.
#define CAMSDK_FORWARD(lib, fn, ...)                                                   \
    do {                                                                               \
        static const auto real_ = (lib).function<decltype(&fn)>(#fn);                  \
        if (real_)                                                                     \
            return real_(__VA_ARGS__);                                                 \
    } while (0)
