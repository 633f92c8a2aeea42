#include "cli/HttpRequestHead.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// "more" for an incomplete head, the status of a bad one, else what is kept of it.
std::string summary(const HttpHeadReading& r) {
    if (r.state != HttpHeadReading::State::Complete)
        return r.state == HttpHeadReading::State::Bad ? std::to_string(r.status) : "more";
    const HttpRequestHead& h = r.request;
    return (h.head ? "HEAD " : "GET ") + h.path.toStdString() + "?" + h.query.toStdString() +
           (h.keepAlive ? " keep" : " close") +
           (h.authorization ? " auth=" + h.authorization->toStdString() : "") +
           (h.scrapeTimeout ? " timeout=" + h.scrapeTimeout->toStdString() : "") + " " +
           std::to_string(r.length);
}

} // namespace

TEST(HttpRequestHead, goodMalformedIncompleteAndTooLong) {
    const QByteArray get = "GET /metrics HTTP/1.1\r\nHost: m\r\n";
    const QByteArray pad(kHttpHeadBytes, 'a');
    const struct {
        QByteArray bytes;
        std::string summary;
    } cases[] = {
        {get + "\r\n", "GET /metrics? keep 34"},
        {get + "\r\nGET / HTTP/1.1\r\n", "GET /metrics? keep 34"}, // the next one left for later
        {"HEAD / HTTP/1.1\r\nhost: m\r\nConnection: Keep-Alive, Close\r\n\r\n", "HEAD /? close 59"},
        {"GET /probe?target=198.18.0.20 HTTP/1.1\r\nHost: m\r\nAUTHORIZATION: Basic eDp5\r\n"
         "X-Prometheus-Scrape-Timeout-Seconds:  9.5 \r\nContent-Length: 00\r\nX: \t\x80\r\n\r\n",
         "GET /probe?target=198.18.0.20 keep auth=Basic eDp5 timeout=9.5 149"},
        {"GET / HTTP/1.0\r\n\r\n", "GET /? close 18"},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", "GET /? keep 42"},
        {"GET / HTTP/1.9\r\nHost: m\r\n\r\n", "GET /? keep 27"},
        {"\r\n\nGET /?a HTTP/1.1\nHost: m\n\n", "GET /?a keep 29"}, // empty lines first, bare LFs
        {"", "more"},
        {"GET /metr", "more"},
        {get, "more"},
        {"\r\n\r\n", "more"},
        {"GET  / HTTP/1.1\r\nHost: m\r\n\r\n", "400"},
        {"G(T / HTTP/1.1\r\nHost: m\r\n\r\n", "400"},
        {"GET / HTTX/1.1\r\nHost: m\r\n\r\n", "400"},
        {"GET / HTTP/1.10\r\nHost: m\r\n\r\n", "400"},
        {"GET / HTTP/2.0\r\nHost: m\r\n\r\n", "505"},
        {"GET / HTTP/1.1\r\n\r\n", "400"},
        {get + "Host: n\r\n\r\n", "400"},
        {"GET http://m/metrics HTTP/1.1\r\nHost: m\r\n\r\n", "400"},
        {"GET /metrics#top HTTP/1.1\r\nHost: m\r\n\r\n", "400"},
        {"GET /\x7f HTTP/1.1\r\nHost: m\r\n\r\n", "400"},
        {get + " folded\r\n\r\n", "400"},
        {get + "X-Name : v\r\n\r\n", "400"},
        {get + "no colon\r\n\r\n", "400"},
        {get + "X-Name: a\x01z\r\n\r\n", "400"},
        {get + "X-Name: a\rz\r\n\r\n", "400"},
        {get + "Content-Length: -0\r\n\r\n", "400"},
        {get + "Authorization: a\r\nAuthorization: b\r\n\r\n", "400"},
        {get + "X-Prometheus-Scrape-Timeout-Seconds: 1\r\n"
               "X-Prometheus-Scrape-Timeout-Seconds: 2\r\n\r\n",
         "400"},
        {get + "Content-Length: 5\r\n\r\n", "413"},
        {get + "Transfer-Encoding: chunked\r\n\r\n", "413"},
        {"POST /metrics HTTP/1.1\r\nHost: m\r\nContent-Length: 0\r\n\r\n", "405"},
        {"GET /" + pad, "414"},
        {"GET /" + pad + " HTTP/1.1\r\nHost: m\r\n\r\n", "414"},
        {QByteArray(kHttpHeadBytes + 10, '\n'), "414"},
        {get + "X-Pad: " + pad, "431"},
        {get + "X-Pad: " + pad + "\r\n\r\n", "431"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(summary(ReadHttpRequestHead(c.bytes)), c.summary) << c.bytes.left(60).constData();
}
