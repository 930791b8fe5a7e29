// What the tests' TLS front needs from the system, natively and on Windows:
// starting the relay program, and trusting the test CA.
#ifndef TL_TESTS_HELPERS_TLS_HOST_H
#define TL_TESTS_HELPERS_TLS_HOST_H

#include <stdint.h>

#include <string>
#include <vector>

// Starts program (a native program, also from under Wine) with args as a
// process of its own. A handle for tls_host_reap, or -1 when it did not start.
intptr_t tls_host_spawn(const std::string &program, const std::vector<std::string> &args);
// Ends the process and collects it natively; on Windows the process ends by
// itself when its control connection closes, and this does nothing.
void tls_host_reap(intptr_t process);
// Makes TLS sessions trust the CA in the PEM file at path: natively this
// process's (os_tls_trust_file), on Windows those of every program in the
// test prefix (the current user's Root store). 1 on success.
int tls_host_trust_test_ca(const std::string &path);

#endif
