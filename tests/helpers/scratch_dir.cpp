// The scratch folder of a test.
#include "scratch_dir.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/os.h"

static void make_folder(const std::string &path)
{
#ifdef _WIN32
    CreateDirectoryA(path.c_str(), NULL);
#else
    mkdir(path.c_str(), 0777);
#endif
}

static void remove_folder(const std::string &path)
{
#ifdef _WIN32
    RemoveDirectoryA(path.c_str());
#else
    rmdir(path.c_str());
#endif
}

// Whether path is a link, which goes without its target's content.
static bool is_link(const std::string &path)
{
#ifdef _WIN32
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
#endif
}

// Removes everything inside the folder path (with its separator).
static void empty_folder(const std::string &path)
{
    OsDir *dir = os_dir_open(path.c_str());
    if (!dir) return;
    OsDirEntry e;
    while (os_dir_next(dir, &e)) {
        if (strcmp(e.name, ".") == 0 || strcmp(e.name, "..") == 0) continue;
        std::string entry = path + e.name;
        if (!e.is_folder) {
            os_file_remove(entry.c_str());
        } else if (is_link(entry)) {
            if (!os_file_remove(entry.c_str())) remove_folder(entry); // a folder link on Windows
        } else {
            empty_folder(entry + OS_PATH_SEPARATOR);
            remove_folder(entry);
        }
    }
    os_dir_close(dir);
}

#ifdef _WIN32
// Under Wine, which makes no links itself: a link in the file system below,
// made by the system's ln at the link's unix path. False elsewhere.
typedef LONG(WINAPI *Spawn)(char *const *, int);

static Spawn wine_spawn(void)
{
    return (Spawn) (void (*)(void)) GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                   "__wine_unix_spawnvp");
}

static bool wine_symlink(const std::string &path, const std::string &target, std::string *link_path)
{
    typedef char *(CDECL * UnixName)(LPCWSTR);
    UnixName unix_name = (UnixName) (void (*)(void)) GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    Spawn spawn = wine_spawn();
    size_t cut = path.find_last_of('\\');
    if (!unix_name || !spawn || cut == std::string::npos) return false;
    char full[MAX_PATH];
    WCHAR wide[MAX_PATH];
    if (!GetFullPathNameA(path.substr(0, cut).c_str(), MAX_PATH, full, NULL) ||
        !MultiByteToWideChar(CP_ACP, 0, full, -1, wide, MAX_PATH))
        return false;
    char *folder = unix_name(wide);
    if (!folder) return false;
    *link_path = std::string(folder) + "/" + path.substr(cut + 1);
    HeapFree(GetProcessHeap(), 0, folder);
    std::string ln = "/bin/ln", s = "-s", t = target;
    char *argv[] = {&ln[0], &s[0], &t[0], &(*link_path)[0], nullptr};
    return spawn(argv, 1) == 0 && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
#endif

ScratchDir::ScratchDir(const std::string &name)
{
    path_ = "scratch-" + name;
    make_folder(path_);
    path_ += OS_PATH_SEPARATOR;
    empty_folder(path_);
}

ScratchDir::~ScratchDir()
{
#ifdef _WIN32
    // Wine shows the links it did not make as plain folders: they go first.
    for (std::string &link : wine_links_) {
        std::string rm = "/bin/rm";
        char *argv[] = {&rm[0], &link[0], nullptr};
        wine_spawn()(argv, 1);
    }
#endif
    empty_folder(path_);
    remove_folder(path_.substr(0, path_.size() - 1));
}

std::string ScratchDir::full(const std::string &relative) const
{
    std::string p = path_ + relative;
    for (char &c : p)
        if (c == '/') c = OS_PATH_SEPARATOR;
    return p;
}

std::string ScratchDir::folder(const std::string &relative)
{
    std::string p = full(relative);
    for (size_t at = path_.size(); at <= p.size(); at++)
        if (at == p.size() || p[at] == OS_PATH_SEPARATOR) make_folder(p.substr(0, at));
    return p;
}

std::string ScratchDir::put(const std::string &relative, const std::string &text)
{
    size_t slash = relative.rfind('/');
    if (slash != std::string::npos) folder(relative.substr(0, slash));
    std::string p = full(relative);
    OsFile f = os_file_create(p.c_str());
    if (f != OS_NO_FILE) {
        os_file_write(f, text.data(), text.size());
        os_file_close(f);
    }
    return p;
}

bool ScratchDir::link(const std::string &relative, const std::string &target)
{
    std::string p = full(relative), t = target;
    for (char &c : t)
        if (c == '/') c = OS_PATH_SEPARATOR;
#ifdef _WIN32
    typedef BOOLEAN(WINAPI * CreateLink)(LPCSTR, LPCSTR, DWORD);
    CreateLink create = (CreateLink) (void (*)(void)) GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA");
    if (create && create(p.c_str(), t.c_str(), 1 /* a folder */) && is_link(p)) return true;
    std::string unix_path;
    if (!wine_symlink(p, target, &unix_path)) return false;
    wine_links_.push_back(unix_path);
    return true;
#else
    return symlink(t.c_str(), p.c_str()) == 0;
#endif
}
