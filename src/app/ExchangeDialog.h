#pragma once

#include <cstdint>

namespace quorvel {

enum ExchangeModeValue : std::int32_t {
    ExchangeNone = 0,
    ExchangeSearch = 1,
    ExchangeAssign = 2,
    ExchangePrinterStatus = 3,
};

// A dialog that can own the datagrams arriving on the shared socket. Its
// handler reads exactly one datagram per call.
class ExchangeDialog {
public:
    virtual ~ExchangeDialog() = default;
    virtual void HandleReply() = 0;
};

} // namespace quorvel
