#pragma once

namespace quorvel {

// Maps the face names the windows ask for ("宋体", "Tahoma", "MS Shell Dlg")
// onto faces Debian has, so Chinese text renders instead of boxes.
void InstallFontSubstitutions();

} // namespace quorvel
