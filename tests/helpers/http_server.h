// A scripted HTTP server on 127.0.0.1 for the probe's tests, in both builds.
// It runs in a thread of the test program and serves one connection at a
// time: it reads the request up to its empty line, records it, and plays the
// next step of its script on that connection. Connections beyond the script
// are closed without a word. Nothing leaves the machine.
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
// Ends the thread (a connection held silent is dropped) and frees the server.
void http_server_stop(HttpServer *server);

uint16_t http_server_port(const HttpServer *server);
// "http://127.0.0.1:PORT" followed by path.
std::string http_server_url(const HttpServer *server, const std::string &path);

// Script steps, played in the order they were added.
// Sends the parts one by one, pausing between them so that each arrives as a
// segment of its own, then closes.
void http_server_reply(HttpServer *server, const std::vector<std::string> &parts);
void http_server_reply(HttpServer *server, const std::string &text);
// Closes without answering.
void http_server_close(HttpServer *server);
// Answers nothing and keeps the connection open until the client closes it.
void http_server_silent(HttpServer *server);

// The requests received so far, in order, byte for byte.
std::vector<std::string> http_server_requests(HttpServer *server);

#endif
