// The real trovelinks.exe as a process: its window appears, a second start
// brings the first forward and exits with 0, and closing the window saves the
// bookmark file; Enter on an item opens it through the http handler. The
// program's path is the first argument.
#include "fake_browser.h"
#include "gui_harness.h"

static std::string g_program;

static HWND wait_for_window(DWORD milliseconds)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 100) {
        HWND window = FindWindowA("TroveLinksFrame", NULL);
        if (window) return window;
        Sleep(100);
    }
    return NULL;
}

static HANDLE start_program(void)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::string command = "\"" + g_program + "\"";
    if (!CreateProcessA(g_program.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

static DWORD exit_code(HANDLE process, DWORD milliseconds)
{
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process, &code);
    return code;
}

class EndToEnd : public Gui
{
};

TEST_F(EndToEnd, OneInstanceThatSavesWhenClosed)
{
    std::string original = bookmark_file(
        {{"http://a.example/", "Alpha", "first"}, {"http://b.example/", "Beta", "second"}});
    write_file(file, original);
    registry_set_string("tl_file", file.c_str());
    std::string log = dir + "browser.log";
    HttpHandler handler(fake_browser_command("record \"" + log + "\" \"%1\"").c_str());

    HANDLE first = start_program();
    ASSERT_TRUE(first != NULL) << g_program;
    HWND window = wait_for_window(60000);
    ASSERT_TRUE(window != NULL);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(owner, GetProcessId(first));
    ShowWindow(window, SW_MINIMIZE);
    bool minimized = IsIconic(window);

    HANDLE second = start_program();
    ASSERT_TRUE(second != NULL);
    EXPECT_EQ(exit_code(second, 60000), 0u);
    CloseHandle(second);
    if (minimized) {
        EXPECT_FALSE(IsIconic(window)); // brought back
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(FindWindowExA(NULL, window, "TroveLinksFrame", NULL), (HWND) NULL);

    // Home selects the first item (Alpha), Enter opens it.
    HWND list = FindWindowExA(window, NULL, "SysListView32", NULL);
    PostMessageA(list, WM_KEYDOWN, VK_HOME, 1);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(wait_for_log(log, 1), std::vector<std::string>{"args|http://a.example/"});

    // Closing the window as the user does ends the program, which saves.
    DeleteFileA(file.c_str());
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exit_code(first, 60000), 1u);
    CloseHandle(first);
    std::string saved = read_file(file);
    EXPECT_NE(saved.find("HREF=\"http://a.example/\""), std::string::npos);
    EXPECT_NE(saved.find("<DD>second\r\n"), std::string::npos);
    DWORD version = 0;
    EXPECT_TRUE(registry_get_dword("Version", "version", &version));
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: e2e_tests PATH-OF-trovelinks.exe\n");
        return 2;
    }
    g_program = argv[1];
    if (!g_program.empty() && g_program[0] == '/') { // a Unix path given to Wine
        for (char &c : g_program)
            if (c == '/') c = '\\';
        g_program = "Z:" + g_program;
    }
    return RUN_ALL_TESTS();
}
