// The GUI test harness.
#include "gui_harness.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/os.h"
#include "res/resource.h"

static const char PROPERTIES[] = "Software\\Velorix\\Trovelinks\\Format 1\\Properties";

DialogClicker::DialogClicker(int button) : button_(button), thread_([this] { run(); }) {}

DialogClicker::~DialogClicker()
{
    stop_ = true;
    thread_.join();
}

void DialogClicker::answer(const char *caption, int button, Action action)
{
    std::lock_guard<std::mutex> hold(lock_);
    answers_.push_back({caption, button, action});
}

std::vector<std::string> DialogClicker::texts()
{
    std::lock_guard<std::mutex> hold(lock_);
    return texts_;
}

int DialogClicker::pending()
{
    std::lock_guard<std::mutex> hold(lock_);
    return (int) answers_.size();
}

std::string window_text(HWND window)
{
    char text[1024] = "";
    if (window) GetWindowTextA(window, text, sizeof text);
    return text;
}

// The topmost visible dialog of this process, or null.
static HWND find_dialog(void)
{
    for (HWND w = NULL; (w = FindWindowExA(NULL, w, "#32770", NULL)) != NULL;) {
        DWORD process;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(w)) return w;
    }
    return NULL;
}

std::string dialog_text(HWND dialog)
{
    std::string all;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[32];
        GetClassNameA(c, name, sizeof name);
        std::string text = window_text(c);
        if (lstrcmpiA(name, "Static") == 0 && !text.empty()) all += (all.empty() ? "" : "|") + text;
    }
    return all;
}

std::string item_text(HWND dialog, int id)
{
    return window_text(GetDlgItem(dialog, id));
}

DialogClicker::Action typed(std::string path)
{
    return [path](HWND dialog) {
        Sleep(300); // the file dialog fills its folder view first
        // The combo box of newer systems, else the edit box of the older layout.
        HWND box = GetDlgItem(dialog, 0x47c); // cmb13
        SetWindowTextA(box ? box : GetDlgItem(dialog, 0x480), path.c_str());
    };
}

DialogClicker::Action chosen(int radio)
{
    return [radio](HWND dialog) {
        CheckRadioButton(dialog, IDC_SCOPE_ALL, IDC_SCOPE_SELECTED, radio);
    };
}

void DialogClicker::respond(HWND dialog, const std::string &caption)
{
    std::unique_lock<std::mutex> hold(lock_);
    bool have = !answers_.empty() && answers_[0].caption == caption;
    Answer a = have ? answers_[0] : Answer{caption, IDCANCEL, nullptr};
    if (have) answers_.erase(answers_.begin());
    hold.unlock();
    std::string text = caption;
    for (int radio : {IDC_SCOPE_ALL, IDC_SCOPE_SELECTED})
        if (GetDlgItem(dialog, radio)) text += "|" + item_text(dialog, radio);
    if (caption == "Trovelinks") text = dialog_text(dialog); // a message box
    hold.lock();
    texts_.push_back(text);
    hold.unlock();
    if (a.action) a.action(dialog);
    if (caption == "Trovelinks") a.button = button_;
    if (a.button) PostMessageA(dialog, WM_COMMAND, (WPARAM) a.button, 0);
}

void DialogClicker::run()
{
    for (; !stop_; Sleep(20)) {
        HWND dialog = find_dialog();
        if (!dialog) continue;
        Sleep(50); // let the box finish drawing its texts
        respond(dialog, window_text(dialog));
        // Until it is gone or a dialog of its own has come up over it.
        while (!stop_ && find_dialog() == dialog)
            Sleep(20);
    }
}

// A clicker action that waits until the folder browser has selected the
// folder path, as it does once it is up. Under load Wine's browser
// sometimes misses a folder made a moment ago; after two seconds the action
// asks for it once more.
DialogClicker::Action wait_for_selection(std::string path)
{
    return [path](HWND dialog) {
        std::string name = path.substr(path.find_last_of('\\') + 1);
        HWND tree = FindWindowExA(dialog, NULL, "SysTreeView32", NULL);
        for (int waited = 0; tree && waited < 10000; waited += 50) {
            char text[MAX_PATH] = "";
            TVITEMA item = {};
            item.mask = TVIF_TEXT;
            item.hItem = TreeView_GetSelection(tree);
            item.pszText = text;
            item.cchTextMax = sizeof text;
            if (item.hItem && TreeView_GetItem(tree, &item) && lstrcmpiA(text, name.c_str()) == 0)
                return;
            if (waited == 2000)
                SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, (LPARAM) path.c_str());
            Sleep(50);
        }
    };
}

void registry_clear(void)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Velorix");
}

void registry_set_dword(const char *name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, PROPERTIES, name, REG_DWORD, &value, sizeof value);
}

void registry_set_string(const char *name, const char *value, const char *key)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, key ? key : PROPERTIES, name, REG_SZ, value,
                    (DWORD) strlen(value) + 1);
}

std::string registry_dwords(const char *sub_key, const std::vector<const char *> &names)
{
    std::string path = std::string("Software\\Velorix\\Trovelinks\\Format 1\\") + sub_key, all;
    for (const char *name : names) {
        DWORD type = 0, value, size = sizeof value;
        bool ok = RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY, &type, &value,
                               &size) == ERROR_SUCCESS;
        all += (ok && type == REG_DWORD ? std::to_string((int) value) : "-") + " ";
    }
    return all;
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string bookmark_file(const std::vector<Entry> &entries)
{
    std::string text =
        "<HTML><HEAD>\r\n<!DOCTYPE Velorix-Trovelinks-file-1>\r\n<BODY>\r\n<DL><p>\r\n";
    for (const Entry &e : entries) {
        text += std::string("<DT><A HREF=\"") + e.url + "\" ADD_DATE=\"1600000000\" ";
        if (e.visit) text += "LAST_VISIT=\"" + std::to_string(e.visit) + "\" ";
        if (e.modified) text += "LAST_MODIFIED=\"" + std::to_string(e.modified) + "\" ";
        text += std::string(">") + e.title + "</A>\r\n<DD>" + e.keywords + "\r\n\r\n";
    }
    return text + "</DL><p>\r\n</BODY>\n";
}

std::string three(void)
{
    return bookmark_file({{"http://c.example/", "C cooking", "recipes"},
                          {"http://a.example/", "A chess", "openings"},
                          {"http://b.example/", "B chess", "endgames"}});
}

// The titles of the entries of a bookmark file, in file order.
std::vector<std::string> titles_in(const std::string &text)
{
    std::vector<std::string> titles;
    for (size_t at = text.find("\" >"); at != std::string::npos; at = text.find("\" >", at)) {
        at += 3;
        titles.push_back(text.substr(at, text.find("</A>", at) - at));
    }
    return titles;
}

void Gui::SetUp()
{
    char temp[MAX_PATH], name[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetTempFileNameA(temp, "tlg", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, NULL);
    dir = std::string(name) + "\\";
    file = dir + "tl.htm";
    registry_clear();
    if (OpenClipboard(NULL)) { // Add takes a URL found there
        EmptyClipboard();
        CloseClipboard();
    }
}

void Gui::TearDown()
{
    if (app) stop();
    os_file_set_fault_hook(nullptr);
    registry_clear();
    std::error_code error; // a folder that cannot go stays behind
    std::filesystem::remove_all(dir.substr(0, dir.size() - 1), error);
}

void Gui::start(const char *text)
{
    if (text) write_file(file, text);
    registry_set_string("tl_file", file.c_str());
    g_accelerators = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    app = tl_startup(GetModuleHandleA(NULL));
    ASSERT_NE(app, nullptr);
    pump();
}

void Gui::stop()
{
    if (app->main_window) SendMessageA((HWND) app->main_window, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) break;
        DispatchMessageA(&msg);
    }
    tl_shutdown(app);
    app = nullptr;
}

void Gui::pump()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (pre_filter(app, &msg) || !app->main_window) continue;
        if (g_accelerators && TranslateAcceleratorW((HWND) app->main_window, g_accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    idle_work(app);
}

void Gui::type(const std::string &text)
{
    for (char c : text) {
        SendMessageA((HWND) app->filter_edit, WM_CHAR, (WPARAM) (unsigned char) c, 1);
        pump();
    }
}

void Gui::clear_box()
{
    SetWindowTextA((HWND) app->filter_edit, "");
    pump();
}

std::string Gui::part(int index)
{
    char text[512] = "";
    SendMessageA((HWND) app->status_bar, SB_GETTEXTA, (WPARAM) index, (LPARAM) text);
    return text;
}

std::vector<std::string> Gui::column(int column)
{
    std::vector<std::string> texts;
    int n = list_count(app);
    for (int i = 0; i < n; i++) {
        char text[512] = "";
        ListView_GetItemText((HWND) app->list_view, i, column, text, sizeof text);
        texts.push_back(text);
    }
    return texts;
}

int Gui::image(int index)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    ListView_GetItem((HWND) app->list_view, &item);
    return item.iImage;
}

void Gui::select(const std::vector<int> &indices)
{
    list_deselect_all(app);
    for (int i : indices)
        ListView_SetItemState((HWND) app->list_view, i, LVIS_SELECTED, LVIS_SELECTED);
    pump();
}

void Gui::command(int id)
{
    on_command(app, id, NULL, 0);
    pump();
}

void Gui::key(HWND window, int vk, bool ctrl, bool alt)
{
    BYTE keys[256], held[256];
    GetKeyboardState(keys);
    memcpy(held, keys, sizeof held);
    if (ctrl) held[VK_CONTROL] = held[VK_LCONTROL] = 0x80;
    if (alt) held[VK_MENU] = held[VK_LMENU] = 0x80;
    SetKeyboardState(held);
    UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN, up = alt ? WM_SYSKEYUP : WM_KEYUP;
    LPARAM context = alt ? (1 << 29) : 0;
    PostMessageA(window, down, (WPARAM) vk, 1 | context);
    pump();
    PostMessageA(window, up, (WPARAM) vk, (LPARAM) (0xC0000001u | (DWORD) context));
    pump();
    SetKeyboardState(keys);
}

Bookmark *Gui::item(int index)
{
    return list_bookmark(app, index);
}
