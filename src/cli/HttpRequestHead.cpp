#include "HttpRequestHead.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

namespace {

bool isTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("!#$%&'*+-.^_`|~", c));
}

bool isToken(QByteArrayView text) {
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (!isTokenChar(c))
            return false;
    return true;
}

// Visible ASCII but '#': a fragment never reaches a server.
bool isTarget(QByteArrayView text) {
    for (char c : text)
        if (c < 0x21 || c > 0x7e || c == '#')
            return false;
    return true;
}

// Anything but control characters (a tab is allowed).
bool isFieldValue(QByteArrayView text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f)
            return false;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

bool sameName(QByteArrayView a, const char* b) {
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// Whether a comma-separated header value lists `token`.
bool listHas(QByteArrayView list, const char* token) {
    while (!list.isEmpty()) {
        const qsizetype comma = list.indexOf(',');
        if (sameName(trimmed(list.first(comma < 0 ? list.size() : comma)), token))
            return true;
        list = comma < 0 ? QByteArrayView() : list.sliced(comma + 1);
    }
    return false;
}

HttpHeadReading bad(int status, const char* problem) {
    HttpHeadReading reading;
    reading.state = HttpHeadReading::State::Bad;
    reading.status = status;
    reading.problem = problem;
    return reading;
}

} // namespace

HttpHeadReading ReadHttpRequestHead(QByteArrayView bytes) {
    qsizetype at = 0;
    // Empty lines before a request line are allowed (RFC 9112, 2.2).
    while (at < bytes.size() && (bytes[at] == '\n' || bytes.sliced(at).startsWith("\r\n")))
        at += bytes[at] == '\n' ? 1 : 2;

    // The next line without its CR LF (or bare LF); empty once the bytes end.
    bool requestLine = true;
    std::optional<HttpHeadReading> stop;
    const auto nextLine = [&]() -> std::optional<QByteArrayView> {
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0 || end + 1 > kHttpHeadBytes) {
            if (end >= 0 || bytes.size() >= kHttpHeadBytes)
                stop = requestLine ? bad(414, "the request line is too long")
                                   : bad(431, "the request's head is too long");
            else
                stop = HttpHeadReading();
            return std::nullopt;
        }
        QByteArrayView line = bytes.sliced(at, end - at);
        at = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.contains('\r')) {
            stop = bad(400, "a bare CR in the request's head");
            return std::nullopt;
        }
        return line;
    };

    const auto first = nextLine();
    if (!first)
        return *stop;
    requestLine = false;
    const qsizetype space1 = first->indexOf(' ');
    const qsizetype space2 = space1 < 0 ? -1 : first->indexOf(' ', space1 + 1);
    if (space2 < 0 || first->indexOf(' ', space2 + 1) >= 0)
        return bad(400, "a malformed request line");
    const QByteArrayView method = first->first(space1);
    const QByteArrayView target = first->sliced(space1 + 1, space2 - space1 - 1);
    const QByteArrayView version = first->sliced(space2 + 1);
    if (!isToken(method) || target.isEmpty())
        return bad(400, "a malformed request line");
    if (version.size() != 8 || !version.startsWith("HTTP/") || version[6] != '.' ||
        version[5] < '0' || version[5] > '9' || version[7] < '0' || version[7] > '9')
        return bad(400, "a malformed HTTP version");
    if (version[5] != '1')
        return bad(505, "only HTTP/1.0 and HTTP/1.1 are served");
    const bool http10 = version[7] == '0';

    HttpHeadReading reading;
    int hosts = 0;
    bool close = false, keepAlive = false;
    while (true) {
        const auto line = nextLine();
        if (!line)
            return *stop;
        if (line->isEmpty())
            break;
        if (line->front() == ' ' || line->front() == '\t')
            return bad(400, "a folded header line");
        const qsizetype colon = line->indexOf(':');
        const QByteArrayView name = line->first(colon < 0 ? 0 : colon);
        const QByteArrayView value =
            colon < 0 ? QByteArrayView() : trimmed(line->sliced(colon + 1));
        if (!isToken(name) || !isFieldValue(value))
            return bad(400, "a malformed header line");
        if (sameName(name, "host")) {
            ++hosts;
        } else if (sameName(name, "connection")) {
            close = close || listHas(value, "close");
            keepAlive = keepAlive || listHas(value, "keep-alive");
        } else if (sameName(name, "content-length")) {
            if (value.isEmpty() || !std::all_of(value.begin(), value.end(),
                                                [](char c) { return c >= '0' && c <= '9'; }))
                return bad(400, "a malformed Content-Length");
            if (std::any_of(value.begin(), value.end(), [](char c) { return c != '0'; }))
                return bad(413, "a request body is not accepted");
        } else if (sameName(name, "transfer-encoding")) {
            return bad(413, "a request body is not accepted");
        } else if (sameName(name, "authorization")) {
            if (reading.request.authorization)
                return bad(400, "more than one Authorization header");
            reading.request.authorization = value.toByteArray();
        } else if (sameName(name, "x-prometheus-scrape-timeout-seconds")) {
            if (reading.request.scrapeTimeout)
                return bad(400, "more than one X-Prometheus-Scrape-Timeout-Seconds header");
            reading.request.scrapeTimeout = value.toByteArray();
        }
    }
    if (hosts > 1 || (!http10 && hosts == 0))
        return bad(400, "an HTTP/1.1 request needs one Host header");
    if (method != "GET" && method != "HEAD")
        return bad(405, "only GET and HEAD are served");
    if (target.front() != '/' || !isTarget(target))
        return bad(400, "the request's target is not a path");

    const qsizetype question = target.indexOf('?');
    reading.request.head = method == "HEAD";
    reading.request.path = target.first(question < 0 ? target.size() : question).toByteArray();
    reading.request.query = question < 0 ? QByteArray() : target.sliced(question + 1).toByteArray();
    reading.request.keepAlive = !close && (!http10 || keepAlive);
    reading.state = HttpHeadReading::State::Complete;
    reading.length = at;
    return reading;
}

} // namespace quorvel
