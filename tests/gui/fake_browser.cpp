// The fake browser and the test http handler.
#include "fake_browser.h"

#include <ddeml.h>
#include <shlwapi.h>

#include <fstream>

static FakeBrowser *g_fake; // the DDE callback has no context of its own

static std::string hsz_text(DWORD instance, HSZ hsz)
{
    char text[512] = "";
    DdeQueryStringA(instance, hsz, text, sizeof text, CP_WINANSI);
    return text;
}

FakeBrowser::FakeBrowser(const char *service, const char *open_topic, const std::string &reply,
                         const std::string &log)
    : service_(service), open_topic_(open_topic), reply_(reply), log_(log)
{
    g_fake = this;
    ready_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    thread_ = CreateThread(NULL, 0, run, this, 0, &thread_id_);
    WaitForSingleObject(ready_, 10000);
}

FakeBrowser::~FakeBrowser()
{
    PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    // Closing the window activates another, maybe one of this thread: its
    // messages are answered meanwhile.
    MSG msg;
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, 10000, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1)
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    CloseHandle(thread_);
    CloseHandle(ready_);
    g_fake = nullptr;
}

HDDEDATA CALLBACK FakeBrowser::callback(UINT type, UINT, HCONV, HSZ topic, HSZ item, HDDEDATA,
                                        ULONG_PTR, ULONG_PTR)
{
    FakeBrowser *self = g_fake;
    std::string name = hsz_text(self->instance_, topic);
    bool known = name == "WWW_Version" || name == "WWW_GetWindowInfo" || name == self->open_topic_;
    if (type == XTYP_CONNECT) {
        std::ofstream(self->log_, std::ios::app) << "connect|" << name << "\n";
        return (HDDEDATA) (UINT_PTR) known;
    }
    if (type != XTYP_REQUEST || !known) return NULL;
    std::ofstream(self->log_, std::ios::app)
        << name << "|" << hsz_text(self->instance_, item) << "\n";
    std::string answer = name == "WWW_GetWindowInfo" ? self->reply_ : std::string("1", 2);
    return DdeCreateDataHandle(self->instance_, (BYTE *) answer.data(), (DWORD) answer.size(), 0,
                               item, CF_TEXT, 0);
}

DWORD WINAPI FakeBrowser::run(void *param)
{
    FakeBrowser *self = (FakeBrowser *) param;
    self->window_ = CreateWindowA("STATIC", "Netscape - [Fake Page] (window)", WS_POPUP, 0, 0, 300,
                                  200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    // A pop-up: without a window manager, unmapping a managed window waits.
    ShowWindow(self->window_, SW_SHOWNOACTIVATE);
    DdeInitializeA(&self->instance_, callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS, 0);
    HSZ service = DdeCreateStringHandleA(self->instance_, self->service_.c_str(), CP_WINANSI);
    DdeNameService(self->instance_, service, NULL, DNS_REGISTER);
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE); // the thread's queue, for WM_QUIT
    SetEvent(self->ready_);
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    DdeNameService(self->instance_, service, NULL, DNS_UNREGISTER);
    DdeFreeStringHandle(self->instance_, service);
    DdeUninitialize(self->instance_);
    DestroyWindow(self->window_);
    return 0;
}

static const char MACHINE[] = "Software\\TrovelinksTestMachine";

HttpHandler::HttpHandler(const char *command, const char *service, const char *topic)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, MACHINE); // a run that ended early left it
    RegCreateKeyA(HKEY_CURRENT_USER, MACHINE, &machine_);
    RegCreateKeyA(machine_, "SOFTWARE\\classes", &classes_);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_);
    const char *keys[3] = {"command", "ddeexec\\Application", "ddeexec\\Topic"};
    const char *values[3] = {command, service, topic};
    for (int i = 0; i < 3; i++)
        if (values[i])
            RegSetKeyValueA(classes_, (std::string("http\\shell\\open\\") + keys[i]).c_str(), NULL,
                            REG_SZ, values[i], (DWORD) strlen(values[i]) + 1);
}

HttpHandler::~HttpHandler()
{
    RegOverridePredefKey(HKEY_CLASSES_ROOT, NULL);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    RegCloseKey(classes_);
    RegCloseKey(machine_);
    SHDeleteKeyA(HKEY_CURRENT_USER, MACHINE);
}

std::string fake_browser_command(const std::string &log)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    PathRemoveFileSpecA(path);
    return std::string("\"") + path + "\\fake_browser.exe\" \"" + log + "\" \"%1\"";
}

std::vector<std::string> wait_for_log(const std::string &path, size_t count)
{
    std::vector<std::string> lines;
    for (int waited = 0; waited <= 10000; waited += 100) {
        lines.clear();
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        if (lines.size() >= count) break;
        Sleep(100);
    }
    return lines;
}
