#pragma once

#include "protocol/DeviceRecord.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvel {

enum SortMode : std::int32_t {
    SortByLeftColumn = 0,
    SortByRightColumn = 1,
    SortByIpAddress = 2,
    Unsorted = 3,
};

// What the table asks of whatever shows it. Without a view both are no-ops.
class DeviceTableView {
public:
    virtual ~DeviceTableView() = default;
    virtual void UpdateScrollBar() = 0; // ends by calling SortAndRedraw
    virtual void RequestRedraw() = 0;
};

// The discovered boards in display order, with the selection, the sort mode
// and the display flags. The order after any sort is exactly that of a
// stable bubble sort by the mode's key, reached in O(n log n) or better.
class DeviceTable {
public:
    void setView(DeviceTableView* view) { m_view = view; }
    DeviceTableView* view() const { return m_view; }

    bool AddRecord(const DeviceRecord& record);
    bool AddRecord(DeviceRecord&& record);
    // Appends without telling the view yet. A burst of thousands of replies
    // would otherwise lay the list out and sort it once per board, though
    // nothing is painted before the burst ends. ShowAppendedRecords tells the
    // view once for all of them; so does any other change that updates it.
    void AppendRecord(DeviceRecord&& record);
    void ShowAppendedRecords();
    bool hasUnshownRecords() const { return m_unshown; }
    void Clear();
    void SortAndRedraw();

    bool HasSelection() const { return selectedIndex != -1; }
    std::uint32_t GetRecordCount() const { return static_cast<std::uint32_t>(records.size()); }
    bool GetMacAt(std::uint32_t index, MacAddress& mac) const;
    bool GetSelectedMac(MacAddress& mac) const;
    bool GetSelectedIp(Ipv4Address& ip) const;
    // The selected board as a value, for an exchange about it.
    std::optional<DeviceRecord> selectedRecord() const;
    // Where the selected board answered; 0 when unknown or nothing is selected.
    unsigned GetSelectedInterfaceIndex() const;

    // Sets the selection from a click: an index past the last record clears it.
    void selectIndex(std::int64_t index);

    const std::vector<DeviceRecord>& recordList() const { return records; }

    std::int32_t selectedIndex = -1;
    std::int32_t sortMode = Unsorted;
    bool showMac = true;
    bool showLeftColumn = true;
    bool showRightColumn = true;

private:
    void sortRecords();
    const DeviceRecord* selected() const;
    template <typename Field> bool copySelected(Field DeviceRecord::*field, Field& out) const;
    void updateScrollBar();

    std::vector<DeviceRecord> records;
    DeviceTableView* m_view = nullptr;
    bool m_unshown = false; // records appended since the view was last told
};

// Compares two records by the key of a sorted mode; -1, 0 or 1.
int CompareSortKeys(std::int32_t sortMode, const DeviceRecord& a, const DeviceRecord& b);

// The address key: the fourth octet weighs most.
std::uint32_t IpSortKey(const DeviceRecord& record);

// The "Add Entry" test record; each call advances the process-wide counter
// 1, 2, 255, 0, 1, ...
DeviceRecord NextTestRecord();

} // namespace quorvel
