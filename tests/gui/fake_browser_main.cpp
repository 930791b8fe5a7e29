// The fake browser as a program of its own, for the tests that need a
// browser started by its command line or the shell:
//   fake_browser LOG ARG...    appends "args|ARG..." to the file LOG and ends
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2) return 2;
    std::string line = "args";
    for (int i = 2; i < argc; i++)
        line += std::string("|") + argv[i];
    std::ofstream(argv[1], std::ios::app) << line << "\n";
    return 0;
}
