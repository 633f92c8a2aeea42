#pragma once

#include "core/net/UdpSocket.h"

namespace quorvel {

// The window's shared socket: the core's batched, per-interface UDP socket,
// under the name the application object has always given it.
class CMySocket : public UdpSocket {};

} // namespace quorvel
