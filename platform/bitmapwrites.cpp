#include "platform/bitmapwrites.h"

#include <atomic>

namespace bitmapwrites {

namespace {
std::atomic<unsigned long long> gBegun{0};
std::atomic<int> gActive{0};
} // namespace

Scope::Scope()
{
    ++gActive;
    ++gBegun;
}

Scope::~Scope() { --gActive; }

unsigned long long begun() { return gBegun.load(); }

int active() { return gActive.load(); }

} // namespace bitmapwrites
