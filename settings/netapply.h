#pragma once
// The network steps of the settings window's apply step over the reporting
// link's network sets (editCard, systemCard) and the two parameter records.
#include <QString>

namespace netapply {

// What is wrong with the edited network, as the operator's warning; empty
// when it may be staged (or when there is no link).
QString problem();
// Stages what changed; the flags, 0 when nothing is to be installed.
int stage();
// Installs the staged files of these flags (of the edited set), warns of a
// file that could not be replaced, and restarts the reporting client; false
// when a file could not be replaced.
bool install(int flags);

} // namespace netapply
