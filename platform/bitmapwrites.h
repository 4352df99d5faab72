#pragma once
// Every write of a template or ignore-point bitmap (and every save that
// writes the region tables together with bitmaps) is bracketed by a Scope,
// so that a parameter-group backup, copying off the GUI thread, can tell
// whether what it copied stayed unchanged while it copied, and copy again
// when not. The writers never wait for a backup.

namespace bitmapwrites {

class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// Writes begun so far, and those under way now (any thread).
unsigned long long begun();
int active();

} // namespace bitmapwrites
