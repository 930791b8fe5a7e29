// A scripted HTTP server on 127.0.0.1 for the probe's tests, in both builds.
// It runs in a thread of the test program and serves one connection at a
// time (or several, each on a thread, when told to): it reads the request up
// to its empty line, records it, and plays the reply routed to its path or
// the next step of its script on that connection. Connections beyond the script
// are closed without a word. With its TLS front started, https connections
// play the same script. Nothing leaves the machine.
#ifndef TL_TESTS_HELPERS_HTTP_SERVER_H
#define TL_TESTS_HELPERS_HTTP_SERVER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct HttpServer;

// A server listening on a free loopback port, its thread running. Null when
// no socket could be had.
HttpServer *http_server_start(void);
// Ends the thread (a connection held silent is dropped), the TLS front, and
// frees the server.
void http_server_stop(HttpServer *server);
// Starts the TLS front (tests/tls_relay) and makes this process trust the
// test CA. 1 on success, 0 when the front did not start.
int http_server_start_tls(HttpServer *server);

uint16_t http_server_port(const HttpServer *server);
// "http://127.0.0.1:PORT" followed by path.
std::string http_server_url(const HttpServer *server, const std::string &path);
// "https://HOST:PORT" followed by path, for the TLS front's port whose
// certificate the test CA issued for "localhost", or (trusted false) the one
// whose certificate for "localhost" is self-signed.
std::string http_server_tls_url(const HttpServer *server, const std::string &host,
                                const std::string &path, bool trusted = true);

// Script steps, played in the order they were added.
// Sends the parts one by one, pausing between them so that each arrives as a
// segment of its own, then closes.
void http_server_reply(HttpServer *server, const std::vector<std::string> &parts);
void http_server_reply(HttpServer *server, const std::string &text);
// Closes without answering.
void http_server_close(HttpServer *server);
// Answers nothing and keeps the connection open until the client closes it.
void http_server_silent(HttpServer *server);
// Sends the parts as http_server_reply does, then resets the connection.
void http_server_reset(HttpServer *server, const std::vector<std::string> &parts);
// Over TLS: stops the handshake after the client's hello, silent until the
// client gives up. Without TLS: as http_server_silent.
void http_server_stall_handshake(HttpServer *server);

// Routes, for clients that send requests at once: a request for path (as the
// request line names it) gets reply, every time, instead of the next step of
// the script.
void http_server_route(HttpServer *server, const std::string &path, const std::string &reply);
// From now on serves up to handlers connections at once, each on a thread of
// its own, and holds every reply for delay_ms after its request arrived.
void http_server_concurrent(HttpServer *server, int handlers, uint32_t delay_ms);
// The most requests held at once so far (from their arrival until their
// reply starts): of those whose Host header names host (without the port),
// or of all for "".
int http_server_max_at_once(HttpServer *server, const std::string &host = "");

// The requests received so far, in order, byte for byte.
std::vector<std::string> http_server_requests(HttpServer *server);
// The names that TLS clients sent for virtual hosting, one per connection in
// order, "" for a client that sent none.
std::vector<std::string> http_server_tls_names(HttpServer *server);

#endif
