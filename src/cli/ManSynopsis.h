#pragma once

#include <string>

namespace quorvel {

// The man page's SYNOPSIS lines in roff, from each command's synopsis in the
// option table: literal words bold, placeholders italic.
std::string ManSynopsis();

} // namespace quorvel
