// The tests' TLS host natively.
#include "tests/helpers/tls_host.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "core/os.h"

intptr_t tls_host_spawn(const std::string &program, const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    argv.push_back((char *) program.c_str());
    for (const std::string &a : args)
        argv.push_back((char *) a.c_str());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), nullptr) != 0) return -1;
    return pid;
}

void tls_host_reap(intptr_t process)
{
    if (process == -1) return;
    kill((pid_t) process, SIGTERM);
    waitpid((pid_t) process, nullptr, 0);
}

int tls_host_trust_test_ca(const std::string &path)
{
    return os_tls_trust_file(path.c_str());
}
