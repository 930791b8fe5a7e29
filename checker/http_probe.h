// The HTTP probe: asks a web server, over a TCP connection (with TLS for an
// https URL) and HTTP/1.0, whether and when the page of one URL was last
// modified. It runs on the
// checker thread, one check at a time, and blocks for as long as the network
// takes, within its time-outs. The socket layer must have been started
// (os_net_start) on Windows.
#ifndef TL_CHECKER_HTTP_PROBE_H
#define TL_CHECKER_HTTP_PROBE_H

#include <stddef.h>
#include <stdint.h>

#include "core/os.h"

// Result codes of http_request.
const int PROBE_OK = 0;            // request sent, reply received (maybe empty); buffer handed over
const int PROBE_BAD_URL = 1;       // the URL did not split, or its host name did not resolve
const int PROBE_NO_CONNECTION = 2; // the connection could not be made in time, or (https) its
                                   // TLS handshake failed or the certificate was refused
const int PROBE_NOT_SENT = 3;      // no socket could be created, or the request was not sent whole
const int PROBE_NOT_HTTP = 4;      // the URL's scheme is neither absent nor http nor https
const int PROBE_CLOSED = 5;        // the server closed the connection without sending anything

const uint32_t PROBE_REPLY_SIZE = 2048; // reply buffer: at most 2047 bytes, always terminated
const uint32_t PROBE_URL_MAX = 2047;    // a longer URL or redirect target is cut to this
const int PROBE_MAX_HEAD = 5;           // HEAD requests per check: the first and four redirects
const uint32_t PROBE_CONNECT_TIMEOUT_MS = 15000; // to make a connection, TLS handshake included
const uint32_t PROBE_RECEIVE_TIMEOUT_MS = 20000; // to receive a reply's header, in all

// The network operations a probe uses, with the meanings of their os.h
// namesakes. probe_context_init puts in the platform's; tests replace single
// ones to make a step fail or behave as a slow network would.
struct ProbeNet {
    int (*resolve)(const char *host, uint32_t *address); // os_net_resolve
    OsSocket (*open)(void);                              // os_socket_open
    int (*connect)(OsSocket s, uint32_t address, uint16_t port, uint32_t timeout_ms);
    int (*send)(OsSocket s, const void *data, size_t length, uint32_t timeout_ms);
    int (*recv)(OsSocket s, void *buffer, size_t size, uint32_t timeout_ms);
    void (*close)(OsSocket s);
    OsTls *(*tls_open)(OsSocket s, const char *host, uint32_t timeout_ms); // os_tls_open
    int (*tls_send)(OsTls *tls, const void *data, size_t length, uint32_t timeout_ms);
    int (*tls_recv)(OsTls *tls, void *buffer, size_t size, uint32_t timeout_ms);
    void (*tls_close)(OsTls *tls);
};

struct ProbeContext {
    uint32_t connect_timeout_ms; // longest wait for a connection and its TLS handshake
    uint32_t receive_timeout_ms; // longest wait for a reply's header (and for room to send)
    ProbeNet net;                // the operations used
};

// The context of every real check: the platform's operations and the
// standard time-outs.
void probe_context_init(ProbeContext *ctx);

// One request with method ("HEAD" or "GET") for url over one new connection.
// Returns a PROBE_* code; on PROBE_OK *reply is a PROBE_REPLY_SIZE-byte heap
// buffer holding the start of the reply up to the end of its header block
// (at most 2047 bytes, zero-terminated, empty after a receive error or
// time-out) that the caller releases with memFree; otherwise *reply is null.
int probe_request(const ProbeContext *ctx, const char *method, const char *url, char **reply);
// Checks url (the caller keeps it): HEAD, GET when the server closes without
// a word, up to four redirects. Returns the page's Last-Modified time,
// DATE_NONE when the server answered without a usable date, or DATE_FAILED
// when the server could not be reached or did not speak HTTP, or a pattern
// that the check needs cannot be compiled.
uint32_t probe_check_url(const ProbeContext *ctx, const char *url);

// probe_request and probe_check_url in the context of every real check.
int http_request(const char *method, const char *url, char **reply);
uint32_t check_url(const char *url);

#endif
