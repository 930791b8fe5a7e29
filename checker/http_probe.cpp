// The HTTP probe. One request is one new connection, over TLS for an https
// URL (the handshake counts against the connect time-out): the request text
// goes out whole, then the reply is read until its header block ends (an empty
// line), the server closes, 2,047 bytes are held or the time-out runs out;
// the rest of the reply is never read. A check judges the status line of the
// reply, follows redirects and reads the Last-Modified date.
#include "checker/http_probe.h"

#include <stdio.h>
#include <string.h>

#include "checker/patterns.h"
#include "checker/url_date.h"
#include "core/mem.h"
#include "core/regex.h"
#include "core/vstr.h"
#include "store/bookmark.h"

namespace
{

// The program identity that the User-Agent header names: version 101 reads
// "10.1", followed by the build number and letter.
const unsigned PROGRAM_VERSION = 101;
const unsigned BUILD_NUMBER = 20;
const char BUILD_LETTER[] = "m";

// The request: request line, User-Agent, Host (the URL's host, with the port
// when it is not the scheme's default), empty line; every line ends in CR LF.
// Held in a growable string so that a long path goes out whole.
void build_request(vstr *out, const char *method, const UrlParts *url)
{
    char text[64];
    vstrAppend(out, method);
    vstrAppendCh(out, ' ');
    vstrAppend(out, url->path ? url->path : "/");
    vstrAppend(out, " HTTP/1.0\r\n");
    snprintf(text, sizeof text, "User-Agent: Velorix Trovelinks v%u.%u.%u%s\r\n",
             PROGRAM_VERSION / 10, PROGRAM_VERSION % 10, BUILD_NUMBER, BUILD_LETTER);
    vstrAppend(out, text);
    vstrAppend(out, "Host: ");
    vstrAppend(out, url->host);
    if (url->port != default_port(url->scheme)) {
        snprintf(text, sizeof text, ":%u", (unsigned) url->port);
        vstrAppend(out, text);
    }
    vstrAppend(out, "\r\n\r\n");
}

// One connection: the socket, and its TLS session for an https URL.
struct Link {
    const ProbeContext *ctx;
    OsSocket s;
    OsTls *tls; // null for plain HTTP
};

int link_send(const Link *link, const char *data, uint32_t length, uint32_t timeout_ms)
{
    const ProbeNet &net = link->ctx->net;
    return link->tls ? net.tls_send(link->tls, data, length, timeout_ms)
                     : net.send(link->s, data, length, timeout_ms);
}

int link_recv(const Link *link, char *buffer, uint32_t size, uint32_t timeout_ms)
{
    const ProbeNet &net = link->ctx->net;
    return link->tls ? net.tls_recv(link->tls, buffer, size, timeout_ms)
                     : net.recv(link->s, buffer, size, timeout_ms);
}

int send_whole(const Link *link, const char *data, uint32_t length)
{
    while (length > 0) {
        int n = link_send(link, data, length, link->ctx->receive_timeout_ms);
        if (n <= 0 || (uint32_t) n > length) return 0;
        data += n;
        length -= (uint32_t) n;
    }
    return 1;
}

// 1 when the held bytes contain the empty line that ends a header block
// (CR LF CR LF, or bare line feeds), looking from offset from on.
int header_ends(const char *buf, uint32_t from, uint32_t held)
{
    for (uint32_t i = from; i + 1 < held; i++) {
        if (buf[i] != '\n') continue;
        if (buf[i + 1] == '\n') return 1;
        if (buf[i + 1] == '\r' && i + 2 < held && buf[i + 2] == '\n') return 1;
    }
    return 0;
}

// Receives into the zeroed buffer until the header block is complete, the
// server closes, PROBE_REPLY_SIZE - 1 bytes are held, an error, or the
// receive time-out has passed in all. PROBE_CLOSED when the server closed
// before sending a byte, else PROBE_OK with whatever is held.
int receive_header(const Link *link, char *buf)
{
    const ProbeContext *ctx = link->ctx;
    uint32_t held = 0;
    uint32_t start = os_tick_count();
    int got;
    for (;;) {
        uint32_t spent = os_tick_count() - start;
        if (spent >= ctx->receive_timeout_ms) {
            got = OS_RECV_TIMED_OUT;
            break;
        }
        got = link_recv(link, buf + held, PROBE_REPLY_SIZE - 1 - held,
                        ctx->receive_timeout_ms - spent);
        if (got <= 0) break;
        uint32_t from = held > 2 ? held - 2 : 0;
        held += (uint32_t) got;
        if (held >= PROBE_REPLY_SIZE - 1 || header_ends(buf, from, held)) break;
    }
    return held == 0 && got == OS_RECV_CLOSED ? PROBE_CLOSED : PROBE_OK;
}

// The request over one connection to the split URL. Fills buf on PROBE_OK.
int exchange(const ProbeContext *ctx, const char *method, const UrlParts *url, char *buf)
{
    bool secure = url->scheme == SCHEME_HTTPS;
    if (url->scheme != SCHEME_NONE && url->scheme != SCHEME_HTTP && !secure) return PROBE_NOT_HTTP;
    uint32_t address;
    if (!ctx->net.resolve(url->host, &address)) return PROBE_BAD_URL;
    Link link = {ctx, ctx->net.open(), nullptr};
    if (link.s == OS_SOCKET_NONE) return PROBE_NOT_SENT;

    int code;
    uint32_t start = os_tick_count();
    if (!ctx->net.connect(link.s, address, url->port, ctx->connect_timeout_ms)) {
        code = PROBE_NO_CONNECTION;
    } else if (secure) {
        uint32_t spent = os_tick_count() - start;
        uint32_t left = spent < ctx->connect_timeout_ms ? ctx->connect_timeout_ms - spent : 0;
        link.tls = ctx->net.tls_open(link.s, url->host, left);
        code = link.tls ? PROBE_OK : PROBE_NO_CONNECTION;
    } else {
        code = PROBE_OK;
    }
    if (code == PROBE_OK) {
        vstr request;
        vstrInit(&request);
        build_request(&request, method, url);
        if (!send_whole(&link, request.data, request.length))
            code = PROBE_NOT_SENT;
        else
            code = receive_header(&link, buf);
        vstrClear(&request);
    }
    if (link.tls) ctx->net.tls_close(link.tls);
    ctx->net.close(link.s);
    return code;
}

// A heap copy of text cut to PROBE_URL_MAX characters.
char *copy_url(const char *text)
{
    size_t n = strlen(text);
    if (n > PROBE_URL_MAX) n = PROBE_URL_MAX;
    char *out = (char *) memAlloc(n + 1);
    memcpy(out, text, n);
    out[n] = 0;
    return out;
}

// The URL that a redirect reply sends the check to, resolved against the
// URL that was requested and cut to PROBE_URL_MAX characters; null when the
// reply has no Location header line (or its pattern cannot be compiled).
char *redirect_target(const char *reply, const char *requested)
{
    const regex_t *re = checker_pattern(PATTERN_LOCATION);
    regmatch_t m[3];
    if (!re || regexec(re, reply, 3, m, 0) != 0) return nullptr;
    // Group 2 is the value.
    size_t n = (size_t) (m[2].rm_eo - m[2].rm_so);
    char *value = (char *) memAlloc(n + 1);
    memcpy(value, reply + m[2].rm_so, n);
    value[n] = 0;
    char *resolved = resolve_url(requested, value);
    memFree(value);
    char *target = copy_url(resolved);
    memFree(resolved);
    return target;
}

// What one reply says: a final result, or (with *next set) a redirect.
uint32_t judge_reply(const regex_t *status, const char *reply, const char *requested, char **next)
{
    regmatch_t m[4];
    *next = nullptr;
    if (regexec(status, reply, 4, m, 0) != 0)
        return strncmp(reply, "<HTML>", 6) == 0 ? DATE_NONE : DATE_FAILED;
    switch (match_number(reply, m[3])) {
    case 200: return parse_last_modified(reply);
    case 301:
    case 302: *next = redirect_target(reply, requested); return DATE_FAILED;
    default: return DATE_NONE;
    }
}

ProbeContext standard_context()
{
    ProbeContext ctx;
    probe_context_init(&ctx);
    return ctx;
}

} // namespace

void probe_context_init(ProbeContext *ctx)
{
    ctx->connect_timeout_ms = PROBE_CONNECT_TIMEOUT_MS;
    ctx->receive_timeout_ms = PROBE_RECEIVE_TIMEOUT_MS;
    ctx->net.resolve = os_net_resolve;
    ctx->net.open = os_socket_open;
    ctx->net.connect = os_socket_connect;
    ctx->net.send = os_socket_send;
    ctx->net.recv = os_socket_recv;
    ctx->net.close = os_socket_close;
    ctx->net.tls_open = os_tls_open;
    ctx->net.tls_send = os_tls_send;
    ctx->net.tls_recv = os_tls_recv;
    ctx->net.tls_close = os_tls_close;
}

int probe_request(const ProbeContext *ctx, const char *method, const char *url, char **reply)
{
    *reply = nullptr;
    UrlParts parts;
    if (!split_url(url, &parts)) return PROBE_BAD_URL;
    char *buf = (char *) memAlloc(PROBE_REPLY_SIZE);
    memset(buf, 0, PROBE_REPLY_SIZE);
    int code = exchange(ctx, method, &parts, buf);
    free_url_parts(&parts);
    if (code == PROBE_OK)
        *reply = buf;
    else
        memFree(buf);
    return code;
}

uint32_t probe_check_url(const ProbeContext *ctx, const char *url)
{
    const regex_t *status = checker_pattern(PATTERN_STATUS);
    if (!status) return DATE_FAILED;
    char *current = copy_url(url);
    uint32_t result = DATE_FAILED; // also when every allowed HEAD was redirected
    for (int pass = 0; pass < PROBE_MAX_HEAD; pass++) {
        char *reply;
        int code = probe_request(ctx, "HEAD", current, &reply);
        if (code == PROBE_CLOSED) {
            code = probe_request(ctx, "GET", current, &reply);
            if (code != PROBE_OK) {
                result = DATE_NONE;
                break;
            }
        }
        if (code == PROBE_BAD_URL || code == PROBE_NO_CONNECTION) {
            result = DATE_FAILED;
            break;
        }
        if (code != PROBE_OK) {
            result = DATE_NONE;
            break;
        }
        char *next;
        result = judge_reply(status, reply, current, &next);
        memFree(reply);
        if (!next) break;
        memFree(current);
        current = next;
        result = DATE_FAILED;
    }
    memFree(current);
    return result;
}

int http_request(const char *method, const char *url, char **reply)
{
    ProbeContext ctx = standard_context();
    return probe_request(&ctx, method, url, reply);
}

uint32_t check_url(const char *url)
{
    ProbeContext ctx = standard_context();
    return probe_check_url(&ctx, url);
}
