// The TLS front of the tests' loopback HTTP server: a small native program
// (OpenSSL) that the tests start natively and from under Wine alike, since
// Wine's Schannel has no server side. It ends TLS on two loopback ports, one
// with the certificate that the test CA issued for "localhost", one with a
// self-signed one, and relays each connection in plain text to the scripted
// server, which thus plays the same script over TLS as without.
//
//   tls_relay CERT_DIR CONTROL_PORT BACKEND_PORT
//
// It connects to CONTROL_PORT, writes its two ports there ("TRUSTED
// UNTRUSTED\n") and ends when that connection closes or sends a byte. For
// each connection it tells the server the name the client sent for virtual
// hosting ("TLS name" and an empty line) and goes on with the handshake once
// the server answers with a byte. One connection at a time; every wait is
// bounded.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace
{

const int WAIT_MS = 10000; // the longest any single wait lasts
int control = -1;
int backend_port;
int backend = -1; // the scripted server's side of the connection being relayed

// A socket bound to (port 0: listening on a free port, told in *port) or
// connected to port on 127.0.0.1; -1 when it cannot connect.
int loopback(int *port, bool listening)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons((uint16_t) *port);
    socklen_t len = sizeof sa;
    if (!listening) {
        if (fd < 0 || connect(fd, (sockaddr *) &sa, sizeof sa) == 0) return fd;
        close(fd);
        return -1;
    }
    if (fd < 0 || bind(fd, (sockaddr *) &sa, sizeof sa) != 0 || listen(fd, 16) != 0 ||
        getsockname(fd, (sockaddr *) &sa, &len) != 0)
        exit(2);
    *port = ntohs(sa.sin_port);
    return fd;
}

void set_timeouts(int fd)
{
    timeval tv = {WAIT_MS / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Waits until a or b (-1 for none) can be read: 1 or 2, or -1 after
// WAIT_MS. Anything on the control connection ends the program.
int wait_readable(int a, int b)
{
    pollfd p[3] = {{control, POLLIN, 0}, {a, POLLIN, 0}, {b, POLLIN, 0}};
    if (poll(p, 3, WAIT_MS) <= 0) return -1;
    if (p[0].revents) exit(0);
    return p[1].revents ? 1 : p[2].revents ? 2 : -1;
}

// During the handshake, once the client's hello is in: tells the scripted
// server the name and waits for its answer.
int on_hello(SSL *ssl, int *, void *)
{
    const char *name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    backend = loopback(&backend_port, false);
    if (backend < 0) return SSL_TLSEXT_ERR_ALERT_FATAL;
    set_timeouts(backend);
    std::string hello = std::string("TLS ") + (name ? name : "") + "\r\n\r\n";
    char answer;
    bool go = send(backend, hello.data(), hello.size(), MSG_NOSIGNAL) == (ssize_t) hello.size() &&
              recv(backend, &answer, 1, 0) == 1;
    return go ? SSL_TLSEXT_ERR_OK : SSL_TLSEXT_ERR_ALERT_FATAL;
}

// Relays between the client and the scripted server until one side closes;
// a reset from the server is passed on as a reset.
void relay(SSL *ssl, int client)
{
    char buf[16384];
    for (int ready; (ready = wait_readable(backend, client)) > 0;) {
        if (ready == 2) { // the client: its request, or its close
            int n = SSL_read(ssl, buf, sizeof buf);
            if (n <= 0 || send(backend, buf, (size_t) n, MSG_NOSIGNAL) != n) break;
            continue;
        }
        ssize_t n = recv(backend, buf, sizeof buf, 0);
        linger l = {1, 0};
        if (n < 0) setsockopt(client, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        if (n == 0) SSL_shutdown(ssl);
        if (n <= 0 || SSL_write(ssl, buf, (int) n) <= 0) break;
    }
}

SSL_CTX *context(const std::string &dir, const std::string &name)
{
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    std::string base = dir + "/" + name;
    if (!ctx || SSL_CTX_use_certificate_file(ctx, (base + ".pem").c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, (base + ".key").c_str(), SSL_FILETYPE_PEM) != 1)
        exit(2);
    SSL_CTX_set_tlsext_servername_callback(ctx, on_hello);
    return ctx;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) return 2;
    // Hold nothing of the parent's: its standard streams may be a test
    // runner's pipes, which must close when the test ends.
    int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; fd++)
        dup2(null, fd);
    closefrom(3);
    signal(SIGPIPE, SIG_IGN);

    SSL_CTX *contexts[2] = {context(argv[1], "localhost"), context(argv[1], "untrusted")};
    backend_port = atoi(argv[3]);
    int control_port = atoi(argv[2]), ports[2] = {0, 0};
    if ((control = loopback(&control_port, false)) < 0) return 2;
    int listeners[2] = {loopback(&ports[0], true), loopback(&ports[1], true)};
    std::string line = std::to_string(ports[0]) + " " + std::to_string(ports[1]) + "\n";
    if (send(control, line.data(), line.size(), MSG_NOSIGNAL) != (ssize_t) line.size()) return 2;
    for (;;) {
        int ready = wait_readable(listeners[0], listeners[1]);
        int client = ready < 0 ? -1 : accept(listeners[ready - 1], nullptr, nullptr);
        if (client < 0) continue;
        set_timeouts(client);
        SSL *ssl = SSL_new(contexts[ready - 1]);
        SSL_set_fd(ssl, client);
        if (SSL_accept(ssl) == 1) relay(ssl, client);
        SSL_free(ssl);
        close(client);
        if (backend >= 0) close(backend), backend = -1;
        ERR_clear_error();
    }
}
