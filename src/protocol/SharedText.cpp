#include "SharedText.h"

#include <ostream>

namespace quorvel {

std::ostream& operator<<(std::ostream& out, const SharedText& text) {
    return out << text.str();
}

} // namespace quorvel
