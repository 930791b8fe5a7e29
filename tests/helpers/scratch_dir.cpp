// The scratch folder of a test.
#include "scratch_dir.h"

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "core/os.h"

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string &name) : path_("scratch-" + name)
{
    std::error_code ec;
    fs::remove_all(path_, ec);
    fs::create_directories(path_, ec);
    path_ += OS_PATH_SEPARATOR;
}

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

// The unix path of a file under Wine, or "".
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

ScratchDir::~ScratchDir()
{
    // Links go first, so that the removal never walks into what they lead
    // to (Wine shows the links it did not make as plain folders).
    for (const std::string &link : links_) {
#ifdef _WIN32
        if (!RemoveDirectoryA(link.c_str())) wine_run({"/bin/rm", link}); // a unix path
#else
        fs::remove(link);
#endif
    }
    std::error_code ec;
    fs::remove_all(path_.substr(0, path_.size() - 1), ec);
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
    // Wine makes none itself: the system's ln makes one below it.
    std::string folder = unix_path(fs::path(p).parent_path().string());
    std::string link = folder + "/" + fs::path(p).filename().string();
    if (folder.empty() || !wine_run({"/bin/ln", "-s", target, link}) ||
        GetFileAttributesA(p.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    links_.push_back(link);
    return true;
#else
    std::error_code ec;
    fs::create_directory_symlink(target, p, ec);
    if (!ec) links_.push_back(p);
    return !ec;
#endif
}
