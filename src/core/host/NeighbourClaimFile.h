#pragma once

#include "core/host/NeighbourClaims.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace quorvel {

// This process's claims on the host's neighbour table, in a file of its own
// under the runtime directory (/run/quorvel as root, else
// $XDG_RUNTIME_DIR/quorvel): written before an entry is added and again once
// it is removed, so that a later run can clean up after one that was killed.
class NeighbourClaimFile {
public:
    NeighbourClaimFile();
    ~NeighbourClaimFile();
    NeighbourClaimFile(const NeighbourClaimFile&) = delete;
    NeighbourClaimFile& operator=(const NeighbourClaimFile&) = delete;

    void claim(const NeighbourClaim& entry);
    void release(const NeighbourClaim& entry);

    // Removes the entries that runs gone since left behind, one line each on
    // `writeLine`; see AbandonedEntries for what may go.
    void removeAbandoned(const std::function<void(const QString&)>& writeLine);

private:
    // Made on first use when `create`; otherwise none until it exists.
    const std::optional<QString>& directory(bool create);
    QString ownPath();
    void write();

    bool m_resolved = false;
    std::optional<QString> m_directory; // none: nowhere safe to keep it
    ClaimOwner m_owner;
    std::vector<NeighbourClaim> m_claims; // one per claim() not yet released
};

} // namespace quorvel
