#pragma once

#include <QIcon>

namespace quorvel {

// The icon resource with this id; a null icon when there is none.
QIcon LoadIconResource(int id);

} // namespace quorvel
