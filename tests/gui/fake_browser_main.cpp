// The fake browser as a program of its own, for the tests that need the
// browser started by its command line or the shell:
//   fake_browser record LOG ARG...                  logs "args|ARG..." and ends
//   fake_browser serve LOG SERVICE TOPIC DELAY ARG...  logs the same, then after
//       DELAY ms serves as a FakeBrowser for five seconds, logging what it gets
#include <stdlib.h>
#include <string.h>

#include <fstream>

#include "fake_browser.h"

int main(int argc, char **argv)
{
    if (argc < 3) return 2;
    std::string line = "args";
    int first = strcmp(argv[1], "serve") == 0 ? 6 : 3;
    for (int i = first; i < argc; i++)
        line += std::string("|") + argv[i];
    std::ofstream(argv[2], std::ios::app) << line << "\n";
    if (first == 3) return 0;
    if (argc < 6) return 2;
    Sleep((DWORD) atoi(argv[5]));
    FakeBrowser browser(argv[3], argv[4], "\"http://late.example/\",\"Late\"", argv[2]);
    Sleep(5000);
    return 0;
}
