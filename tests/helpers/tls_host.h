// What the tests' TLS front needs from the system, natively and on Windows:
// starting the relay program, and trusting the test CA.
#ifndef TL_TESTS_HELPERS_TLS_HOST_H
#define TL_TESTS_HELPERS_TLS_HOST_H

#include <string>

// Starts program (a native program, also from under Wine) with args in the
// background, as a process that nobody waits for: it ends by itself when its
// control connection closes. 1 when it was started.
int tls_host_spawn(const std::string &program, const std::string &args);
// Makes TLS sessions trust the CA in the PEM file at path: natively this
// process's (os_tls_trust_file), on Windows those of every program in the
// test prefix (the current user's Root store). 1 on success.
int tls_host_trust_test_ca(const std::string &path);

#endif
