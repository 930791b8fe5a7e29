// The tests' TLS host natively.
#include "tests/helpers/tls_host.h"

#include <stdlib.h>

#include "core/os.h"

int tls_host_spawn(const std::string &program, const std::string &args)
{
    return system((program + " " + args + " &").c_str()) == 0;
}

int tls_host_trust_test_ca(const std::string &path)
{
    return os_tls_trust_file(path.c_str());
}
