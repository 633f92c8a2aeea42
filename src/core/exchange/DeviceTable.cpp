#include "core/exchange/DeviceTable.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace quorvel {

namespace {

bool isSortedMode(std::int32_t mode) {
    return mode == SortByLeftColumn || mode == SortByRightColumn || mode == SortByIpAddress;
}

template <typename T> int compare(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

int compareTimes(std::uint32_t days1, std::uint8_t h1, std::uint8_t m1, std::uint8_t s1,
                 std::uint32_t days2, std::uint8_t h2, std::uint8_t m2, std::uint8_t s2) {
    if (int c = compare(days1, days2))
        return c;
    if (int c = compare(h1, h2))
        return c;
    if (int c = compare(m1, m2))
        return c;
    return compare(s1, s2);
}

} // namespace

std::uint32_t IpSortKey(const DeviceRecord& r) {
    return std::uint32_t(r.ip[0]) | std::uint32_t(r.ip[1]) << 8 | std::uint32_t(r.ip[2]) << 16 |
           std::uint32_t(r.ip[3]) << 24;
}

int CompareSortKeys(std::int32_t sortMode, const DeviceRecord& a, const DeviceRecord& b) {
    switch (sortMode) {
    case SortByLeftColumn:
        return compareTimes(a.leftDays, a.leftHours, a.leftMinutes, a.leftSeconds, b.leftDays,
                            b.leftHours, b.leftMinutes, b.leftSeconds);
    case SortByRightColumn:
        return compareTimes(a.rightDays, a.rightHours, a.rightMinutes, a.rightSeconds, b.rightDays,
                            b.rightHours, b.rightMinutes, b.rightSeconds);
    case SortByIpAddress:
        return compare(IpSortKey(a), IpSortKey(b));
    default:
        return 0;
    }
}

bool DeviceTable::AddRecord(const DeviceRecord& record) {
    return AddRecord(DeviceRecord(record));
}

bool DeviceTable::AddRecord(DeviceRecord&& record) {
    records.push_back(std::move(record));
    updateScrollBar();
    return true;
}

void DeviceTable::AppendRecord(DeviceRecord&& record) {
    records.push_back(std::move(record));
    m_unshown = true;
}

void DeviceTable::ShowAppendedRecords() {
    if (m_unshown)
        updateScrollBar();
}

void DeviceTable::Clear() {
    records.clear();
    records.shrink_to_fit();
    selectedIndex = -1;
    updateScrollBar();
}

void DeviceTable::updateScrollBar() {
    m_unshown = false;
    // The list sets its scroll range from the count first, then has the table
    // sort and asks for one repaint; a test without a list still sorts.
    if (m_view)
        m_view->UpdateScrollBar();
    else
        SortAndRedraw();
}

void DeviceTable::SortAndRedraw() {
    sortRecords();
    if (m_view)
        m_view->RequestRedraw();
}

void DeviceTable::sortRecords() {
    if (!isSortedMode(sortMode) || records.size() < 2)
        return;
    const auto greater = [this](const DeviceRecord& a, const DeviceRecord& b) {
        return CompareSortKeys(sortMode, a, b) > 0;
    };
    const std::size_t n = records.size();
    // The usual case: everything sorted but the record just appended. A bubble
    // sort carries it left past every strictly greater neighbour, which is an
    // upper-bound insertion.
    std::size_t firstUnsorted = n;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (greater(records[i], records[i + 1])) {
            firstUnsorted = i + 1;
            break;
        }
    }
    if (firstUnsorted == n)
        return;
    if (firstUnsorted == n - 1) {
        const auto less = [this](const DeviceRecord& a, const DeviceRecord& b) {
            return CompareSortKeys(sortMode, a, b) < 0;
        };
        const auto target = static_cast<std::size_t>(
            std::upper_bound(records.begin(), records.end() - 1, records.back(), less) -
            records.begin());
        // One move per record passed; std::rotate swaps, three moves each.
        DeviceRecord last = std::move(records.back());
        std::move_backward(records.begin() + static_cast<std::ptrdiff_t>(target), records.end() - 1,
                           records.end());
        records[target] = std::move(last);
        if (selectedIndex >= 0) {
            const auto sel = static_cast<std::size_t>(selectedIndex);
            if (sel == n - 1)
                selectedIndex = static_cast<std::int32_t>(target);
            else if (sel >= target)
                selectedIndex = static_cast<std::int32_t>(sel + 1);
        }
        return;
    }
    // General case: a stable sort gives the bubble sort's order.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return CompareSortKeys(sortMode, records[a], records[b]) < 0;
    });
    std::vector<DeviceRecord> sorted;
    sorted.reserve(n);
    std::int32_t newSelection = -1;
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<std::int64_t>(order[i]) == selectedIndex)
            newSelection = static_cast<std::int32_t>(i);
        sorted.push_back(std::move(records[order[i]]));
    }
    records = std::move(sorted);
    if (selectedIndex >= 0)
        selectedIndex = newSelection;
}

bool DeviceTable::GetMacAt(std::uint32_t index, MacAddress& mac) const {
    if (index >= records.size())
        return false;
    mac = records[index].mac;
    return true;
}

const DeviceRecord* DeviceTable::selected() const {
    if (selectedIndex < 0 || static_cast<std::size_t>(selectedIndex) >= records.size())
        return nullptr;
    return &records[static_cast<std::size_t>(selectedIndex)];
}

template <typename Field>
bool DeviceTable::copySelected(Field DeviceRecord::*field, Field& out) const {
    const DeviceRecord* r = selected();
    if (!r)
        return false;
    out = r->*field;
    return true;
}

bool DeviceTable::GetSelectedMac(MacAddress& mac) const {
    return copySelected(&DeviceRecord::mac, mac);
}

bool DeviceTable::GetSelectedIp(Ipv4Address& ip) const {
    return copySelected(&DeviceRecord::ip, ip);
}

std::optional<DeviceRecord> DeviceTable::selectedRecord() const {
    const DeviceRecord* r = selected();
    return r ? std::optional<DeviceRecord>(*r) : std::nullopt;
}

unsigned DeviceTable::GetSelectedInterfaceIndex() const {
    const DeviceRecord* r = selected();
    return r ? r->interfaceIndex : 0;
}

void DeviceTable::selectIndex(std::int64_t index) {
    selectedIndex = index >= 0 && static_cast<std::uint64_t>(index) < records.size()
                        ? static_cast<std::int32_t>(index)
                        : -1;
}

DeviceRecord NextTestRecord() {
    static std::uint8_t counter = 0;
    ++counter;
    if (counter == 3)
        counter = 255;
    DeviceRecord r;
    r.staticAddress = counter;
    r.leftDays = 5;
    r.leftHours = 20;
    r.leftMinutes = 15;
    r.leftSeconds = 21;
    r.rightDays = 1;
    r.rightHours = 0;
    r.rightMinutes = 0;
    r.rightSeconds = 3;
    r.mac.fill(25);
    r.ip = r.subnetMask = r.gateway = {25, 25, 255, 25};
    // Requests to a test record go to the default board port.
    r.replyPort = 3040;
    r.name = "Unknown Device";
    r.description = "Unknown Description";
    r.leftLabel = "Event1:";
    r.rightLabel = "Event2:";
    return r;
}

} // namespace quorvel
