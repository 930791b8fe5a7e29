// A scripted HTTP server on 127.0.0.1 for the tests of the probe, in both
// builds. It serves one connection at a time (or several, when told to), each
// on a thread of the test program: it reads the request up to its empty
// line, records it, and plays the reply routed to its path or else the next
// step of its script. Connections beyond the script are closed without a
// word. With its TLS front started, https connections play the same script.
#ifndef TL_TESTS_HELPERS_HTTP_SERVER_H
#define TL_TESTS_HELPERS_HTTP_SERVER_H

#include <stdint.h>

#include <string>
#include <vector>

struct HttpServer;

// A server on a free loopback port, its thread running; null without a socket.
HttpServer *http_server_start(void);
// Ends the threads and the TLS front, and frees the server.
void http_server_stop(HttpServer *server);
// Starts the TLS front (tests/tls_relay) and makes this process trust the
// test CA. 1 on success, 0 when the front did not start.
int http_server_start_tls(HttpServer *server);

uint16_t http_server_port(const HttpServer *server);
// "http://127.0.0.1:PORT" followed by path.
std::string http_server_url(const HttpServer *server, const std::string &path);
// "https://HOST:PORT" followed by path: the port of the TLS front whose
// certificate for "localhost" the test CA issued, or (trusted false) a
// self-signed one.
std::string http_server_tls_url(const HttpServer *server, const std::string &host,
                                const std::string &path, bool trusted = true);

// How a step ends once its parts are sent: closed; reset; held silent until
// the client closes.
enum HttpEnd { HTTP_CLOSE, HTTP_RESET, HTTP_SILENT };

// Adds a step to the script: the parts are sent one by one with a pause
// between them, so that each arrives as a segment of its own.
void http_server_reply(HttpServer *server, const std::vector<std::string> &parts,
                       HttpEnd end = HTTP_CLOSE);
inline void http_server_reply(HttpServer *server, const std::string &text)
{
    http_server_reply(server, std::vector<std::string>{text});
}

// A request for path (as its request line names it) gets reply, every time,
// instead of the next step of the script.
void http_server_route(HttpServer *server, const std::string &path, const std::string &reply);
// From now on serves up to handlers connections at once, and holds every
// reply for delay_ms after its request arrived.
void http_server_concurrent(HttpServer *server, int handlers, uint32_t delay_ms);
// The most requests held at once so far (between arrival and reply) of those
// whose Host header names host (without the port), or of all for "".
int http_server_max_at_once(HttpServer *server, const std::string &host = "");

// The requests received so far, in order, byte for byte.
std::vector<std::string> http_server_requests(HttpServer *server);
// The names that TLS clients sent for virtual hosting, one per connection,
// "" for a client that sent none.
std::vector<std::string> http_server_tls_names(HttpServer *server);

#endif
