#include "AssignDatagrams.h"

#include "ByteReader.h"

#include <algorithm>

namespace quorvel {

std::array<std::uint8_t, kAssignRequestSize> BuildAssignRequest(const AssignParameters& params,
                                                                std::uint16_t randomNumber) {
    std::array<std::uint8_t, kAssignRequestSize> request{};
    request[0] = AssignRequestType;
    request[1] = params.useDhcp ? 1 : 0;
    request[2] = static_cast<std::uint8_t>(randomNumber >> 8);
    request[3] = static_cast<std::uint8_t>(randomNumber & 0xFF);
    std::copy(std::begin(params.ip), std::end(params.ip), request.begin() + 4);
    std::copy(std::begin(params.subnetMask), std::end(params.subnetMask), request.begin() + 8);
    std::copy(std::begin(params.gateway), std::end(params.gateway), request.begin() + 12);
    std::copy(std::begin(params.mac), std::end(params.mac), request.begin() + 16);
    return request;
}

const char* AssignResultText(std::uint8_t result) {
    switch (result) {
    case MacNotRecognized:
        return "Failure -- Device did not recognize MAC address";
    case Programmed:
        return "Success -- Device Programmed";
    case UnknownError:
        return "Failure -- Unknown Error";
    default:
        return nullptr;
    }
}

AssignClassification ClassifyAssignDatagram(const ReadBytes& datagram,
                                            std::optional<std::uint16_t> outstanding) {
    if (!datagram)
        return {AssignDatagramKind::ReadError, 0};
    const ByteReader reader(*datagram);
    if (reader.size() != kAssignReplySize || reader.u8(0) != AssignReplyType || !outstanding ||
        reader.u16be(2) != *outstanding)
        return {AssignDatagramKind::NotReply, 0};
    return {AssignDatagramKind::Reply, reader.u8(1)};
}

} // namespace quorvel
