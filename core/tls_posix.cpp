// TLS sessions over OpenSSL. The session talks to memory buffers, and this
// file moves the bytes between them and the socket with the socket layer's
// bounded waits, so that every step keeps to its caller's time-out.
#include "core/os.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <stdlib.h>

struct OsTls {
    OsSocket s;
    SSL *ssl; // owns both memory buffers
    BIO *in;  // bytes from the server, not yet taken by the session
    BIO *out; // bytes from the session, not yet sent
};

namespace
{

const uint32_t CLOSE_WAIT_MS = 1000;

// One context for every session: it holds the trusted authorities, which take
// milliseconds to load. Made on first use, never freed.
SSL_CTX *shared_context(void)
{
    static SSL_CTX *ctx = [] {
        SSL_CTX *c = SSL_CTX_new(TLS_client_method());
        if (c) {
            SSL_CTX_set_min_proto_version(c, TLS1_2_VERSION);
            SSL_CTX_set_default_verify_paths(c);
            SSL_CTX_set_verify(c, SSL_VERIFY_PEER, nullptr);
        }
        return c;
    }();
    return ctx;
}

uint32_t time_left(uint32_t start, uint32_t timeout_ms)
{
    uint32_t spent = os_tick_count() - start;
    return spent < timeout_ms ? timeout_ms - spent : 0;
}

// Sends whatever the session has written. 1 when all of it went out before
// the deadline, 0 otherwise.
int flush_out(OsTls *t, uint32_t start, uint32_t timeout_ms)
{
    char buf[4096];
    int n;
    while ((n = BIO_read(t->out, buf, sizeof buf)) > 0) {
        for (int done = 0; done < n;) {
            uint32_t left = time_left(start, timeout_ms);
            int sent = left ? os_socket_send(t->s, buf + done, (size_t) (n - done), left) : -1;
            if (sent <= 0) return 0;
            done += sent;
        }
    }
    return 1;
}

// Hands the session the next bytes from the server. A byte count, or an
// OS_RECV_* result.
int fill_in(OsTls *t, uint32_t start, uint32_t timeout_ms)
{
    char buf[4096];
    uint32_t left = time_left(start, timeout_ms);
    if (left == 0) return OS_RECV_TIMED_OUT;
    int n = os_socket_recv(t->s, buf, sizeof buf, left);
    if (n > 0) BIO_write(t->in, buf, n);
    return n;
}

void free_session(OsTls *t)
{
    SSL_free(t->ssl);
    free(t);
    ERR_clear_error(); // the thread's error queue holds nothing for later
}

} // namespace

OsTls *os_tls_open(OsSocket s, const char *host, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    SSL_CTX *ctx = shared_context();
    if (!ctx) return nullptr;
    OsTls *t = (OsTls *) malloc(sizeof(OsTls));
    if (!t) return nullptr;
    *t = OsTls{s, SSL_new(ctx), BIO_new(BIO_s_mem()), BIO_new(BIO_s_mem())};
    if (!t->ssl || !t->in || !t->out) {
        BIO_free(t->in);
        BIO_free(t->out);
        SSL_free(t->ssl);
        free(t);
        return nullptr;
    }
    SSL_set_bio(t->ssl, t->in, t->out);
    SSL_set_connect_state(t->ssl);

    // An address (as the lookup takes one) is checked against the
    // certificate's addresses and never sent as a name.
    int named;
    if (inet_addr(host) != INADDR_NONE)
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(t->ssl), host);
    else
        named = SSL_set_tlsext_host_name(t->ssl, host) && SSL_set1_host(t->ssl, host);
    if (!named) {
        free_session(t);
        return nullptr;
    }

    for (;;) {
        int r = SSL_do_handshake(t->ssl);
        if (!flush_out(t, start, timeout_ms)) break;
        if (r == 1) return t;
        if (SSL_get_error(t->ssl, r) != SSL_ERROR_WANT_READ) break;
        if (fill_in(t, start, timeout_ms) <= 0) break;
    }
    free_session(t);
    return nullptr;
}

int os_tls_send(OsTls *tls, const void *data, size_t length, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    if (length > INT32_MAX) return -1;
    if (length > 0 && SSL_write(tls->ssl, data, (int) length) != (int) length) return -1;
    return flush_out(tls, start, timeout_ms) ? (int) length : -1;
}

int os_tls_recv(OsTls *tls, void *buffer, size_t size, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    if (size > INT32_MAX) size = INT32_MAX;
    for (;;) {
        int n = SSL_read(tls->ssl, buffer, (int) size);
        if (n > 0) return n;
        int err = SSL_get_error(tls->ssl, n);
        if (err == SSL_ERROR_ZERO_RETURN) return OS_RECV_CLOSED;
        if (err != SSL_ERROR_WANT_READ) return OS_RECV_ERROR;
        // The session may have answered something (a key update).
        if (!flush_out(tls, start, timeout_ms)) return OS_RECV_ERROR;
        int got = fill_in(tls, start, timeout_ms);
        if (got <= 0) return got;
    }
}

void os_tls_close(OsTls *tls)
{
    if (!tls) return;
    SSL_shutdown(tls->ssl);
    flush_out(tls, os_tick_count(), CLOSE_WAIT_MS);
    free_session(tls);
}

int os_tls_trust_file(const char *path)
{
    SSL_CTX *ctx = shared_context();
    return ctx && SSL_CTX_load_verify_locations(ctx, path, nullptr) == 1 ? 1 : 0;
}
