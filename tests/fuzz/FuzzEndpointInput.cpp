// What a peer or an administrator hands the metrics endpoint: the first byte
// picks the request-head reader (over pipelined heads), the web
// configuration's text or an Authorization header.
#include "cli/BasicAuth.h"
#include "cli/HttpRequestHead.h"
#include "cli/WebConfig.h"

#include <cstdint>
#include <cstdlib>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // A heap copy of exactly the input's length, so AddressSanitizer sees any overrun.
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] % 3 == 1) {
        (void)ParseWebConfig(bytes.toStdString(), "/etc/quorvel");
    } else if (data[0] % 3 == 2) {
        (void)ReadBasicCredentials(bytes);
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
