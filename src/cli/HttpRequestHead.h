#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace quorvel {

// What the endpoint keeps of one request's head; every other header is read
// for its form only and forgotten.
struct HttpRequestHead {
    bool head = false;     // HEAD: the answer without its body
    QByteArray path;       // the target up to '?', as sent
    QByteArray query;      // after '?', still percent-encoded
    bool keepAlive = true; // the version's rule, then Connection
    std::optional<QByteArray> authorization;
    std::optional<QByteArray> scrapeTimeout; // X-Prometheus-Scrape-Timeout-Seconds
};

struct HttpHeadReading {
    enum class State { Incomplete, Complete, Bad };
    State state = State::Incomplete;
    qsizetype length = 0; // Complete: the bytes the head took, its blank line included
    HttpRequestHead request;
    int status = 0;           // Bad: the status to answer with, then close
    const char* problem = ""; // Bad: why, for the answer's body
};

// A GET or HEAD request's head at the start of `bytes` (the bytes after it
// are the next request's). A head longer than kHttpHeadBytes, a request with
// a body and anything HTTP/1.1 does not allow are Bad.
inline constexpr qsizetype kHttpHeadBytes = 16 * 1024;
HttpHeadReading ReadHttpRequestHead(QByteArrayView bytes);

} // namespace quorvel
