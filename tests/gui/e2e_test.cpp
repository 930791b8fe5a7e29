// The real trovelinks.exe as a process, whose path is the first argument.
#include "gui_harness.h"

#include "res/resource.h"
#include "tests/helpers/http_server.h"

static std::string g_program;

// Starts the program: its process, or null.
static HANDLE start_program(void)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = g_program.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&info) ? info.hProcess : NULL;
}

static DWORD exit_code(HANDLE process, DWORD milliseconds)
{
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process, &code);
    return code;
}

using EndToEnd = Gui;

// Whether the main menu's Stop Checking is enabled when its menu opens.
static bool stop_checking_enabled(HWND window)
{
    HMENU bar = GetMenu(window);
    for (int i = 0; i < GetMenuItemCount(bar); i++) {
        HMENU menu = GetSubMenu(bar, i);
        if (GetMenuState(menu, IDM_STOP_CHECKING, MF_BYCOMMAND) == (UINT) -1) continue;
        SendMessageA(window, WM_INITMENUPOPUP, (WPARAM) menu, MAKELPARAM(i, FALSE));
        return !(GetMenuState(menu, IDM_STOP_CHECKING, MF_BYCOMMAND) & MF_GRAYED);
    }
    return false;
}

// With automatic checking the program checks every Bookmark on the loopback
// server; a second start brings the first forward and exits with 0; closing
// the window ends the program, which saves the dates found.
TEST_F(EndToEnd, OneInstanceThatChecksEveryBookmarkAndSavesWhenClosed)
{
    const int N = 200;
    HttpServer *server = http_server_start();
    ASSERT_TRUE(server != nullptr);
    std::vector<std::string> urls(N);
    std::vector<Entry> entries;
    for (int i = 0; i < N; i++) {
        urls[i] = http_server_url(server, "/" + std::to_string(i));
        entries.push_back({urls[i].c_str(), urls[i].c_str(), "page"});
        http_server_reply(server, "HTTP/1.0 200 OK\r\n"
                                  "Last-Modified: Wed, 01 Jun 2022 00:00:00 GMT\r\n\r\n");
    }
    write_file(file, bookmark_file(entries));
    registry_set_string("tl_file", file.c_str());
    registry_set_dword("auto_check", 1);

    HANDLE first = start_program();
    ASSERT_TRUE(first != NULL) << g_program;
    ASSERT_EQ(WaitForInputIdle(first, 60000), 0u);
    HWND window = FindWindowA("TroveLinksFrame", NULL);
    ASSERT_TRUE(window != NULL);
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(window));
    HANDLE second = start_program();
    ASSERT_TRUE(second != NULL);
    EXPECT_EQ(exit_code(second, 60000), 0u);
    CloseHandle(second);
    EXPECT_FALSE(IsIconic(window)); // brought back
    EXPECT_EQ(FindWindowExA(NULL, window, "TroveLinksFrame", NULL), (HWND) NULL);

    // Every page asked for, then the cycle's end greys Stop Checking in the
    // menu, as the program sets it when the menu opens.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 120000; Sleep(50))
        if (http_server_requests(server).size() >= (size_t) N && !stop_checking_enabled(window))
            break;
    DeleteFileA(file.c_str());
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(exit_code(first, 60000), 1u);
    CloseHandle(first);
    size_t requests = http_server_requests(server).size();
    http_server_stop(server);
    ASSERT_EQ((size_t) N, requests);
    std::string saved = read_file(file);
    size_t dated = 0;
    for (size_t at = 0; (at = saved.find("LAST_MODIFIED=\"1654041600\"", at)) != std::string::npos;)
        dated++, at++;
    EXPECT_EQ(dated, (size_t) N);
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
