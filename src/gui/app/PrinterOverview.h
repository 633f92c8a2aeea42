#pragma once

class QMenu;

namespace quorvel {

class CQuorvelDlg;
class PrinterOverviewDlg;

// The printer overview of the main window: one at a time, reached by F9 and
// the board menu, fed the boards of every search while it is open.
void InstallPrinterOverview(CQuorvelDlg& window);
// "boardMenu.printerOverview".
void AddPrinterOverviewEntry(QMenu& menu, CQuorvelDlg& window);
// Opens it with the boards listed, or raises the one open.
void OpenPrinterOverview(CQuorvelDlg& window);
// A search has ended: the open overview takes in its boards.
void FeedPrinterOverview(CQuorvelDlg& window);
PrinterOverviewDlg* OpenedPrinterOverview(CQuorvelDlg& window);

} // namespace quorvel
