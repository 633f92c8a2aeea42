#pragma once

#include "core/host/SearchExplanation.h"
#include "core/exchange/SearchSettings.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class QMenu;
class QWidget;

namespace quorvel {

class CQuorvelApp;
class CQuorvelDlg;
class SearchExchange;

// One summary line of what differs from the defaults, empty when nothing does.
QString SearchSettingsSummary(const SearchSettings& settings);

// Around one search of the window: the settings applied to the socket and
// the exchange before it, the explanation after it, shown when it found
// nothing.
class SearchRun {
public:
    SearchRun(CQuorvelApp& app, SearchExchange& exchange);
    // The search has ended, with this many boards listed.
    void finished(CQuorvelDlg& window, std::size_t boardsFound);

private:
    CQuorvelApp& m_app;
    SearchSettings m_settings;
    std::optional<std::uint64_t> m_martiansBefore;
};

// The last search's explanation, if a search has run.
const std::optional<SearchExplanation>& LastSearchExplanation();

// The board menu's entries and the shortcut that reach the search settings
// and the explanation, and the marker that shows settings off the defaults.
void InstallSearchOptions(CQuorvelDlg& window);
// "boardMenu.searchSettings" and "boardMenu.whyMissing".
void AddSearchOptionEntries(QMenu& menu, CQuorvelDlg& window);
void OpenSearchSettings(CQuorvelDlg& window);
void ShowWhyBoardsAreMissing(QWidget* parent);

} // namespace quorvel
