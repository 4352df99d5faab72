#pragma once
// What the settings pages ask of the reporting link: the product and
// reminder lists (answered later by the client) and the reset of the link's
// locally kept statistics.
namespace linkrequests {

// The network switch is on in the live record, the link listens and its
// client is alive: only then is a request sent.
bool linkUp();
// Asks the client for the product list (kind 14) when the link is up.
void askProducts();
// Asks the client for the reminder list (kind 17) when the link is up.
void askReminders();
// Removes the link's statistics and manual-stop files and its picture
// folders, then lets the link reload its records.
void resetStatistics();

} // namespace linkrequests
