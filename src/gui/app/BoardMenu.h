#pragma once

class QMenu;
class QWidget;

namespace quorvel {

class CQuorvelDlg;

// The menu of a board in the list: the main window's commands on the selected
// board, through the very handlers (and refusals) of its buttons, hidden ones
// included, and the export of the whole list. Each action is named
// "boardMenu.<command>" so that tests find it.
QMenu* CreateBoardMenu(CQuorvelDlg& window, QWidget* parent);

} // namespace quorvel
