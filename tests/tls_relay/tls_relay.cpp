// The TLS front of the tests' loopback HTTP server: a small native program
// (OpenSSL) that the test starts, natively and from under Wine alike, since
// Wine's Schannel has no server side. It ends TLS on two loopback ports, one
// with a certificate that the test CA issued for "localhost" and one with a
// self-signed one, and relays each connection in plain text to the scripted
// server, which thus plays the same script over TLS as without.
//
//   tls_relay CERT_DIR CONTROL_PORT BACKEND_PORT
//
// It connects to CONTROL_PORT on 127.0.0.1, writes its two ports there
// ("TRUSTED UNTRUSTED\n") and ends when that connection closes or sends a
// byte. Per connection it tells the scripted server the name that the client
// sent for virtual hosting, in a line "TLS name" followed by an empty line,
// and goes on with the handshake when the answer is "go", or holds the
// handshake silent when it is anything else. Serves one connection at a time;
// every wait is bounded.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace
{

const int WAIT_MS = 10000; // the longest any single wait lasts
int control = -1;
int backend_port;
int backend = -1; // the scripted server's side of the connection being relayed

int listen_loopback(int *port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (fd < 0 || bind(fd, (sockaddr *) &sa, sizeof sa) != 0 || listen(fd, 16) != 0 ||
        getsockname(fd, (sockaddr *) &sa, &len) != 0)
        exit(2);
    *port = ntohs(sa.sin_port);
    return fd;
}

int connect_loopback(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons((uint16_t) port);
    if (fd >= 0 && connect(fd, (sockaddr *) &sa, sizeof sa) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

void set_timeouts(int fd)
{
    timeval tv = {WAIT_MS / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Waits until one of fds (up to 3, -1 for none) can be read. Its index, or -1
// after WAIT_MS. Anything on the control connection ends the program.
int wait_readable(int a, int b)
{
    pollfd p[3] = {{control, POLLIN, 0}, {a, POLLIN, 0}, {b, POLLIN, 0}};
    if (poll(p, 3, WAIT_MS) <= 0) return -1;
    if (p[0].revents) exit(0);
    if (p[1].revents) return 1;
    if (p[2].revents) return 2;
    return -1;
}

// Ends a connection with a reset instead of an orderly close.
void reset(int fd)
{
    linger l = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(fd);
}

// During the handshake, once the client's hello is in: tells the scripted
// server the name and asks whether to go on.
int on_hello(SSL *ssl, int *, void *)
{
    const char *name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
    backend = connect_loopback(backend_port);
    if (backend < 0) return SSL_TLSEXT_ERR_ALERT_FATAL;
    set_timeouts(backend);
    std::string hello = std::string("TLS ") + (name ? name : "") + "\r\n\r\n";
    char answer[8] = {};
    if (send(backend, hello.data(), hello.size(), MSG_NOSIGNAL) != (ssize_t) hello.size() ||
        recv(backend, answer, sizeof answer - 1, 0) <= 0)
        return SSL_TLSEXT_ERR_ALERT_FATAL;
    if (strncmp(answer, "go", 2) == 0) return SSL_TLSEXT_ERR_OK;
    // Stalled: the client hears nothing until it gives up.
    wait_readable(SSL_get_fd(ssl), -1);
    return SSL_TLSEXT_ERR_ALERT_FATAL;
}

// Reads the client's request up to its empty line and hands it on.
bool relay_request(SSL *ssl)
{
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos &&
           request.find("\n\n") == std::string::npos && request.size() < 65536) {
        int n = SSL_read(ssl, buf, sizeof buf);
        if (n <= 0) return false;
        request.append(buf, (size_t) n);
    }
    return send(backend, request.data(), request.size(), MSG_NOSIGNAL) == (ssize_t) request.size();
}

// Hands the scripted server's reply on until one side closes; a reset from
// the server is passed on as a reset.
void relay_reply(SSL *ssl, int client)
{
    char buf[16384];
    for (;;) {
        int ready = wait_readable(backend, client);
        if (ready < 0) break;
        if (ready == 2) { // the client: its close, or data nobody asked for
            if (SSL_read(ssl, buf, sizeof buf) <= 0) break;
            continue;
        }
        ssize_t n = recv(backend, buf, sizeof buf, 0);
        if (n < 0) {
            reset(client);
            return;
        }
        if (n == 0) {
            SSL_shutdown(ssl);
            break;
        }
        if (SSL_write(ssl, buf, (int) n) <= 0) break;
    }
    close(client);
}

void serve(SSL_CTX *ctx, int client)
{
    set_timeouts(client);
    SSL *ssl = SSL_new(ctx);
    SSL_set_fd(ssl, client);
    if (SSL_accept(ssl) == 1 && relay_request(ssl))
        relay_reply(ssl, client);
    else
        close(client);
    SSL_free(ssl);
    if (backend >= 0) close(backend);
    backend = -1;
    ERR_clear_error();
}

SSL_CTX *context(const std::string &dir, const char *name)
{
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx ||
        SSL_CTX_use_certificate_file(ctx, (dir + "/" + name + ".pem").c_str(), SSL_FILETYPE_PEM) !=
            1 ||
        SSL_CTX_use_PrivateKey_file(ctx, (dir + "/" + name + ".key").c_str(), SSL_FILETYPE_PEM) !=
            1)
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
    control = connect_loopback(atoi(argv[2]));
    if (control < 0) return 2;
    int ports[2];
    int listeners[2] = {listen_loopback(&ports[0]), listen_loopback(&ports[1])};
    std::string line = std::to_string(ports[0]) + " " + std::to_string(ports[1]) + "\n";
    if (send(control, line.data(), line.size(), MSG_NOSIGNAL) != (ssize_t) line.size()) return 2;
    for (;;) {
        int ready = wait_readable(listeners[0], listeners[1]);
        if (ready < 0) continue;
        int client = accept(listeners[ready - 1], nullptr, nullptr);
        if (client >= 0) serve(contexts[ready - 1], client);
    }
}
