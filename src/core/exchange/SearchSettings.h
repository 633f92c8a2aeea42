#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace quorvel {

// Where the window searches, kept with QSettings between runs. The defaults
// are every usable interface, the limited broadcast only, and a port the
// system picks.
struct SearchSettings {
    QStringList interfaces; // empty: all
    QStringList targets;    // IPv4 addresses asked besides the broadcast
    std::uint16_t localPort = 0;

    bool isDefault() const { return interfaces.isEmpty() && targets.isEmpty() && localPort == 0; }
    bool operator==(const SearchSettings&) const = default;

    static SearchSettings load();
    void save() const;
};

// Whether an empty search's explanation opens by itself ("don't show again").
bool ExplainEmptySearches();
void SetExplainEmptySearches(bool on);

} // namespace quorvel
