// What a peer or an administrator hands the metrics endpoint: the first byte
// picks the request-head reader (over pipelined heads), the web
// configuration's text, an Authorization header or a probe's query.
#include "cli/BasicAuth.h"
#include "cli/HttpRequestHead.h"
#include "cli/ProbeQuery.h"
#include "cli/WebConfig.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // A heap copy of exactly the input's length, so AddressSanitizer sees any overrun.
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] % 4 == 1) {
        (void)ParseWebConfig(bytes.toStdString(), "/etc/quorvel");
    } else if (data[0] % 4 == 2) {
        (void)ReadBasicCredentials(bytes);
    } else if (data[0] % 4 == 3) {
        // Whatever it takes must be one host, never a broadcast of a link.
        const std::uint32_t links[] = {0xC61200FF};
        const auto target = ParseProbeQuery(QUrlQuery(QString::fromUtf8(bytes)), links);
        if (const auto* board = std::get_if<ProbeTarget>(&target);
            board && (board->ip == 0 || board->ip == 0xFFFFFFFF || board->ip == links[0] ||
                      (board->ip >> 24) == 127 || (board->ip >> 28) == 14 || board->port == 0))
            std::abort();
    } else {
        for (QByteArrayView rest(bytes);;) {
            const HttpHeadReading r = ReadHttpRequestHead(rest);
            if (r.state != HttpHeadReading::State::Complete)
                break;
            if (r.length <= 0 || r.length > rest.size() || !r.request.path.startsWith('/'))
                std::abort();
            rest = rest.sliced(r.length);
        }
    }
    return 0;
}
