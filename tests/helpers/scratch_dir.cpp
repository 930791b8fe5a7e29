// The scratch folder of a test.
#include "scratch_dir.h"

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "core/os.h"

namespace fs = std::filesystem;

#ifdef _WIN32
// Runs argv as a program of the system below Wine; false where there is none.
static bool wine_run(std::vector<std::string> argv)
{
    typedef LONG(WINAPI * Spawn)(char *const *, int);
    Spawn spawn = (Spawn) (void (*)(void)) GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                          "__wine_unix_spawnvp");
    std::vector<char *> args;
    for (std::string &a : argv)
        args.push_back(&a[0]);
    args.push_back(nullptr);
    return spawn && spawn(args.data(), 1) == 0;
}

// The unix path of an existing file or folder under Wine, or "".
static std::string unix_path(const std::string &path)
{
    typedef char *(CDECL * UnixName)(LPCWSTR);
    UnixName unix_name = (UnixName) (void (*)(void)) GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    std::wstring wide = fs::absolute(path).wstring();
    char *name = unix_name ? unix_name(wide.c_str()) : nullptr;
    std::string s = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return s;
}
#endif

// Removes the folder at path and all in it, never walking into a link.
static void remove_tree(const std::string &path)
{
#ifdef _WIN32
    // Below Wine the system's rm takes links as links and paths of any length.
    std::string unix = unix_path(path);
    if (!unix.empty() && wine_run({"/bin/rm", "-rf", unix})) return;
#endif
    std::error_code ec;
    fs::remove_all(path, ec);
}

ScratchDir::ScratchDir(const std::string &name) : path_("scratch-" + name)
{
    remove_tree(path_);
    fs::create_directories(path_);
    path_ += OS_PATH_SEPARATOR;
}

ScratchDir::~ScratchDir()
{
#ifdef _WIN32
    for (const std::string &link : links_)
        RemoveDirectoryA(link.c_str());
#endif
    remove_tree(path_.substr(0, path_.size() - 1));
}

std::string ScratchDir::full(const std::string &relative) const
{
    return fs::path(path_ + relative).make_preferred().string();
}

std::string ScratchDir::folder(const std::string &relative)
{
    std::string p = full(relative);
    fs::create_directories(p);
    return p;
}

std::string ScratchDir::put(const std::string &relative, const std::string &text)
{
    std::string p = full(relative);
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p;
}

bool ScratchDir::link(const std::string &relative, const std::string &target)
{
    std::string p = full(relative);
#ifdef _WIN32
    typedef BOOLEAN(WINAPI * CreateLink)(LPCSTR, LPCSTR, DWORD);
    CreateLink create = (CreateLink) (void (*)(void)) GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA");
    std::string t = fs::path(target).make_preferred().string();
    if (create && create(p.c_str(), t.c_str(), 1 /* a folder */) &&
        (GetFileAttributesA(p.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
        links_.push_back(p);
        return true;
    }
    // Wine may make none itself: the system's ln makes one below it.
    std::string folder = unix_path(fs::path(p).parent_path().string());
    return !folder.empty() &&
           wine_run({"/bin/ln", "-s", target, folder + "/" + fs::path(p).filename().string()}) &&
           GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code ec;
    fs::create_directory_symlink(target, p, ec);
    return !ec;
#endif
}
