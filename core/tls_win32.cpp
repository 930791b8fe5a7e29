// TLS sessions over Schannel (SSPI). Schannel works on buffers: this file
// moves the bytes between them and the socket with the socket layer's bounded
// waits. The server's certificate is checked here with crypt32 (chain to a
// trusted root, validity, host name), not by Schannel: some systems' Schannel
// checks nothing, so it is told to leave the check to its caller.
#define SECURITY_WIN32
#include "core/os.h"

#include <windows.h>

#include <schannel.h>
#include <security.h>
#include <stdlib.h>
#include <string.h>
#include <wincrypt.h>
#include <winsock.h>

struct OsTls {
    OsSocket s;
    CredHandle cred;
    CtxtHandle ctx;
    bool has_ctx;
    char *target; // the name sent to the server, or null for an address
    SecPkgContext_StreamSizes sizes;
    char *in; // bytes received and not yet decrypted: in_len of in_cap
    size_t in_len, in_cap;
    char *plain; // decrypted bytes not yet handed out: plain_len from plain_at
    size_t plain_at, plain_len;
    char *record; // room to encrypt one record in
    bool closed;  // the server ended the session
};

namespace
{

const uint32_t CLOSE_WAIT_MS = 1000;
const size_t HANDSHAKE_BUFFER_MAX = 1 << 18; // a server's handshake flight beyond this is refused
const DWORD REQUEST_FLAGS = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                            ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

uint32_t time_left(uint32_t start, uint32_t timeout_ms)
{
    uint32_t spent = os_tick_count() - start;
    return spent < timeout_ms ? timeout_ms - spent : 0;
}

int send_all(OsTls *t, const char *data, size_t length, uint32_t start, uint32_t timeout_ms)
{
    while (length > 0) {
        uint32_t left = time_left(start, timeout_ms);
        int n = left ? os_socket_send(t->s, data, length, left) : -1;
        if (n <= 0) return 0;
        data += n;
        length -= (size_t) n;
    }
    return 1;
}

// Sends a token that Schannel made, and releases it. 1 when it all went out
// (or there was none).
int send_token(OsTls *t, SecBuffer *token, uint32_t start, uint32_t timeout_ms)
{
    if (!token->pvBuffer) return 1;
    int ok = send_all(t, (const char *) token->pvBuffer, token->cbBuffer, start, timeout_ms);
    FreeContextBuffer(token->pvBuffer);
    token->pvBuffer = nullptr;
    return ok;
}

// Receives more bytes after those held, growing the buffer up to limit. A
// byte count or an OS_RECV_* result; OS_RECV_ERROR when the buffer is full.
int receive_more(OsTls *t, size_t limit, uint32_t start, uint32_t timeout_ms)
{
    if (t->in_len == t->in_cap) {
        if (t->in_cap >= limit) return OS_RECV_ERROR;
        char *bigger = (char *) realloc(t->in, t->in_cap * 2);
        if (!bigger) return OS_RECV_ERROR;
        t->in = bigger;
        t->in_cap *= 2;
    }
    uint32_t left = time_left(start, timeout_ms);
    if (left == 0) return OS_RECV_TIMED_OUT;
    int n = os_socket_recv(t->s, t->in + t->in_len, t->in_cap - t->in_len, left);
    if (n > 0) t->in_len += (size_t) n;
    return n;
}

// Keeps only the bytes that Schannel left over (an extra buffer), at the
// start of the input.
void keep_extra(OsTls *t, const SecBuffer *buffers, int count)
{
    size_t extra = 0;
    for (int i = 0; i < count; i++)
        if (buffers[i].BufferType == SECBUFFER_EXTRA) extra = buffers[i].cbBuffer;
    if (extra > t->in_len) extra = 0;
    memmove(t->in, t->in + t->in_len - extra, extra);
    t->in_len = extra;
}

// Drives the handshake on from the input held until Schannel calls it done.
// 1 on success, 0 on failure or time-out.
int continue_handshake(OsTls *t, bool need_more, uint32_t start, uint32_t timeout_ms)
{
    bool retried = false;
    for (;;) {
        if (need_more && receive_more(t, HANDSHAKE_BUFFER_MAX, start, timeout_ms) <= 0) return 0;
        SecBuffer in[2] = {{(ULONG) t->in_len, SECBUFFER_TOKEN, t->in},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc in_desc = {SECBUFFER_VERSION, 2, in};
        SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, &out};
        ULONG attributes;
        SECURITY_STATUS st =
            InitializeSecurityContextA(&t->cred, &t->ctx, t->target, REQUEST_FLAGS, 0, 0, &in_desc,
                                       0, nullptr, &out_desc, &attributes, nullptr);
        if (st == SEC_E_INCOMPLETE_MESSAGE) {
            need_more = true;
            continue;
        }
        // A failure may come with an alert for the server: send it too.
        if (!send_token(t, &out, start, timeout_ms)) return 0;
        if (st == SEC_I_INCOMPLETE_CREDENTIALS && !retried) {
            // The server asks who the client is: go on as nobody.
            retried = true;
            need_more = false;
            continue;
        }
        if (st != SEC_E_OK && st != SEC_I_CONTINUE_NEEDED) return 0;
        keep_extra(t, in, 2);
        if (st == SEC_E_OK) return 1;
        need_more = t->in_len == 0;
    }
}

// 1 when the server's certificate chains to a trusted root for server
// authentication, is valid today and is issued for host.
int certificate_trusted(OsTls *t, const char *host)
{
    PCCERT_CONTEXT cert = nullptr;
    if (QueryContextAttributesA(&t->ctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK ||
        !cert)
        return 0;
    int ok = 0;
    LPSTR usages[] = {(LPSTR) szOID_PKIX_KP_SERVER_AUTH, (LPSTR) szOID_SERVER_GATED_CRYPTO,
                      (LPSTR) szOID_SGC_NETSCAPE};
    CERT_CHAIN_PARA chain_para;
    memset(&chain_para, 0, sizeof chain_para);
    chain_para.cbSize = sizeof chain_para;
    chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chain_para.RequestedUsage.Usage.cUsageIdentifier = 3;
    chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    int wide_len = MultiByteToWideChar(CP_ACP, 0, host, -1, nullptr, 0);
    WCHAR *name = wide_len > 0 ? (WCHAR *) malloc((size_t) wide_len * sizeof(WCHAR)) : nullptr;
    if (name && MultiByteToWideChar(CP_ACP, 0, host, -1, name, wide_len) > 0 &&
        CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &chain_para, 0, nullptr,
                                &chain)) {
        HTTPSPolicyCallbackData https;
        memset(&https, 0, sizeof https);
        https.cbStruct = sizeof https;
        https.dwAuthType = AUTHTYPE_SERVER;
        https.pwszServerName = name;
        CERT_CHAIN_POLICY_PARA policy;
        memset(&policy, 0, sizeof policy);
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &https;
        CERT_CHAIN_POLICY_STATUS status;
        memset(&status, 0, sizeof status);
        status.cbSize = sizeof status;
        ok = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
             status.dwError == 0;
        CertFreeCertificateChain(chain);
    }
    free(name);
    CertFreeCertificateContext(cert);
    return ok;
}

void free_session(OsTls *t)
{
    if (t->has_ctx) DeleteSecurityContext(&t->ctx);
    FreeCredentialsHandle(&t->cred);
    free(t->target);
    free(t->in);
    free(t->plain);
    free(t->record);
    free(t);
}

// The first handshake: credentials, the client's hello, the server's answer
// and the certificate check. 1 on success.
int start_session(OsTls *t, const char *host, uint32_t start, uint32_t timeout_ms)
{
    SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, &out};
    ULONG attributes;
    SECURITY_STATUS st =
        InitializeSecurityContextA(&t->cred, nullptr, t->target, REQUEST_FLAGS, 0, 0, nullptr, 0,
                                   &t->ctx, &out_desc, &attributes, nullptr);
    if (st != SEC_I_CONTINUE_NEEDED) {
        if (out.pvBuffer) FreeContextBuffer(out.pvBuffer);
        return 0;
    }
    t->has_ctx = true;
    if (!send_token(t, &out, start, timeout_ms)) return 0;
    if (!continue_handshake(t, true, start, timeout_ms)) return 0;
    if (!certificate_trusted(t, host)) return 0;
    if (QueryContextAttributesA(&t->ctx, SECPKG_ATTR_STREAM_SIZES, &t->sizes) != SEC_E_OK) return 0;
    size_t record = t->sizes.cbHeader + t->sizes.cbMaximumMessage + t->sizes.cbTrailer;
    t->record = (char *) malloc(record);
    if (t->in_cap < record) {
        char *bigger = (char *) realloc(t->in, record);
        if (!bigger) return 0;
        t->in = bigger;
        t->in_cap = record;
    }
    t->plain = (char *) malloc(t->in_cap);
    return t->record && t->plain;
}

} // namespace

OsTls *os_tls_open(OsSocket s, const char *host, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    OsTls *t = (OsTls *) calloc(1, sizeof(OsTls));
    if (!t) return nullptr;
    t->s = s;
    t->in_cap = 1 << 14;
    t->in = (char *) malloc(t->in_cap);
    if (inet_addr(host) == INADDR_NONE) t->target = _strdup(host);

    SCHANNEL_CRED cred;
    memset(&cred, 0, sizeof cred);
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
    if (AcquireCredentialsHandleA(nullptr, (SEC_CHAR *) UNISP_NAME_A, SECPKG_CRED_OUTBOUND, nullptr,
                                  &cred, nullptr, nullptr, &t->cred, nullptr) != SEC_E_OK) {
        free(t->in);
        free(t->target);
        free(t);
        return nullptr;
    }
    if (!t->in || !start_session(t, host, start, timeout_ms)) {
        free_session(t);
        return nullptr;
    }
    return t;
}

int os_tls_send(OsTls *tls, const void *data, size_t length, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    if (length > 0x7FFFFFFF) return -1;
    const char *bytes = (const char *) data;
    const SecPkgContext_StreamSizes &z = tls->sizes;
    for (size_t done = 0; done < length;) {
        size_t n = length - done < z.cbMaximumMessage ? length - done : z.cbMaximumMessage;
        char *body = tls->record + z.cbHeader;
        memcpy(body, bytes + done, n);
        SecBuffer b[4] = {{z.cbHeader, SECBUFFER_STREAM_HEADER, tls->record},
                          {(ULONG) n, SECBUFFER_DATA, body},
                          {z.cbTrailer, SECBUFFER_STREAM_TRAILER, body + n},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, b};
        if (EncryptMessage(&tls->ctx, 0, &desc, 0) != SEC_E_OK) return -1;
        size_t total = b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer;
        if (!send_all(tls, tls->record, total, start, timeout_ms)) return -1;
        done += n;
    }
    return (int) length;
}

int os_tls_recv(OsTls *tls, void *buffer, size_t size, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    bool need_more = tls->in_len == 0;
    for (;;) {
        if (tls->plain_len > 0) {
            size_t n = size < tls->plain_len ? size : tls->plain_len;
            if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
            memcpy(buffer, tls->plain + tls->plain_at, n);
            tls->plain_at += n;
            tls->plain_len -= n;
            return (int) n;
        }
        if (tls->closed) return OS_RECV_CLOSED;
        if (need_more) {
            int got = receive_more(tls, tls->in_cap, start, timeout_ms);
            if (got <= 0) return got;
        }
        SecBuffer b[4] = {{(ULONG) tls->in_len, SECBUFFER_DATA, tls->in},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, b};
        SECURITY_STATUS st = DecryptMessage(&tls->ctx, &desc, 0, nullptr);
        if (st == SEC_E_INCOMPLETE_MESSAGE) {
            need_more = true;
            continue;
        }
        if (st == SEC_I_CONTEXT_EXPIRED) {
            tls->closed = true;
            continue;
        }
        if (st != SEC_E_OK && st != SEC_I_RENEGOTIATE) return OS_RECV_ERROR;
        // The data lies inside the input, which the extra bytes will
        // overwrite: copy it out first. An empty record (some systems
        // report the server's close this way) only leads on to the next.
        for (int i = 0; i < 4; i++) {
            if (b[i].BufferType != SECBUFFER_DATA || b[i].cbBuffer > tls->in_cap) continue;
            memcpy(tls->plain, b[i].pvBuffer, b[i].cbBuffer);
            tls->plain_at = 0;
            tls->plain_len = b[i].cbBuffer;
        }
        keep_extra(tls, b, 4);
        // The server began a new handshake (or, in TLS 1.3, sent a ticket).
        if (st == SEC_I_RENEGOTIATE && !continue_handshake(tls, false, start, timeout_ms))
            return OS_RECV_ERROR;
        need_more = tls->in_len == 0;
    }
}

void os_tls_close(OsTls *tls)
{
    if (!tls) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control = {sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc control_desc = {SECBUFFER_VERSION, 1, &control};
    if (ApplyControlToken(&tls->ctx, &control_desc) == SEC_E_OK) {
        SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc out_desc = {SECBUFFER_VERSION, 1, &out};
        ULONG attributes;
        InitializeSecurityContextA(&tls->cred, &tls->ctx, tls->target, REQUEST_FLAGS, 0, 0, nullptr,
                                   0, nullptr, &out_desc, &attributes, nullptr);
        send_token(tls, &out, os_tick_count(), CLOSE_WAIT_MS);
    }
    free_session(tls);
}

int os_tls_trust_file(const char *)
{
    return 0;
}
