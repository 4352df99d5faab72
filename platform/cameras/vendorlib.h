#pragma once
// A vendor's shared library, opened on first use. The library is used only
// when it exports every call its layer needs: one that lacks a call (another
// SDK generation, a damaged install) is not used at all, with the reason
// logged once, instead of failing one call at a time behind the driver's
// back. A missing library is remembered, so later calls cost one check.
// Symbols are looked up by name and called through our own declarations,
// which follow the vendor headers exactly.
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace camsdk {

class VendorLibrary {
public:
    // fileNames: tried in order. required: the calls the layer makes; all
    // must be exported. optional: calls only some versions have.
    VendorLibrary(std::initializer_list<const char*> fileNames, std::initializer_list<const char*> required,
                  std::initializer_list<const char*> optional = {});
    ~VendorLibrary();
    // Opened and complete.
    bool usable();
    // Why the library is not used ("" when it is).
    std::string reason();
    // What a layer's Usable() answers: true with the simulator on or the
    // library usable; otherwise *why (when asked) is the reason, a text
    // that stays valid for the program's life.
    bool usableOrSimulated(bool simulated, const char** why);
    // A required or optional call; null unless the library is usable (or
    // for an optional call the library does not have).
    void* symbol(const char* name);
    template <typename F>
    F function(const char* name) { return reinterpret_cast<F>(symbol(name)); }

private:
    void load();
    std::once_flag once_;
    std::vector<std::string> names_;
    std::vector<std::string> required_;
    std::vector<std::string> optional_;
    void* handle_ = nullptr;
    bool complete_ = false;
    std::string reason_;
};

// Status every layer returns when neither a usable vendor library nor the
// simulator is there.
constexpr int kNotAvailable = -1001;

} // namespace camsdk

// Inside a layer function: forwards to the vendor library when it is usable.
// The pointer type is our declaration of the call, so its parameters are the
// vendor's.
#define CAMSDK_FORWARD(lib, fn, ...)                                                   \
    do {                                                                               \
        static const auto real_ = (lib).function<decltype(&fn)>(#fn);                  \
        if (real_)                                                                     \
            return real_(__VA_ARGS__);                                                 \
    } while (0)
