#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// Writes to standard output and flushes; the first failure is kept.
void WriteOut(std::string_view bytes);
// After the last write: why standard output could not be written (the
// system's reason), or nothing when everything reached it.
std::optional<std::string> OutputFailure();

} // namespace quorvel
