#pragma once

namespace quorvel {

class CNetDisplay;

// Makes the device list known to assistive technology as a list whose rows
// are the boards; installed once per process.
void InstallNetDisplayAccessibility();

// Tells assistive technology that the list's selection, its focused row, changed.
void NotifyListSelection(CNetDisplay& list);

} // namespace quorvel
