// The tests' TLS host on Windows, where the tests run under Wine: Wine starts
// a native program as its own process, and Windows programs trust what the
// current user's Root store holds (in the test prefix only).
#include "tests/helpers/tls_host.h"

#include <windows.h>

#include <wincrypt.h>

#include <fstream>
#include <sstream>

int tls_host_spawn(const std::string &program, const std::string &args)
{
    std::string line = program + " " + args;
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}

int tls_host_trust_test_ca(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream pem;
    pem << file.rdbuf();
    std::string text = pem.str();
    BYTE der[8192]; // the test CA's certificate takes about 1.3 KB
    DWORD size = sizeof der;
    if (text.empty() ||
        !CryptStringToBinaryA(text.c_str(), (DWORD) text.size(), CRYPT_STRING_BASE64HEADER, der,
                              &size, nullptr, nullptr))
        return 0;
    // The prefix's store is shared with test programs running at the same
    // time, whose additions of the same certificate can make one fail: tries
    // a moment apart, for up to five seconds on a loaded machine.
    for (int attempt = 0; attempt < 20; attempt++, Sleep(250))
        if (CertAddEncodedCertificateToSystemStoreA("Root", der, size)) return 1;
    return 0;
}
