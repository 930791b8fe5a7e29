// Options in the registry, the bookmark file at start-up and exit, the
// geometry kept at destroy, the end of the Windows session and the guard for
// a file that cannot be read.
#include "gui_harness.h"
#include "app/registry.h"
#include "core/os.h"
#include "session/options_text.h"

static const char *EXE = "C:\\Programs\\Trovelinks\\trovelinks.exe";
static const std::string BESIDE = "C:\\Programs\\Trovelinks\\tl.htm";

// Every field of the Options, each followed by a space.
static std::string fields(const Options &o)
{
    std::string text;
    char value[TL_PATH_MAX + 16];
    for (const char *const *name = OPTION_NAMES; *name; name++) {
        option_get(&o, *name, value, sizeof value);
        text += std::string(value) + " ";
    }
    return text;
}

// Each kind of stored value read (a switch's number taken as on, a value
// of the wrong type skipped), the geometry held against the real work area,
// and every field written back with the program's version.
TEST_F(Gui, OptionsInTheRegistry)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    registry_set_dword("auto_check", 5);
    registry_set_dword("partial_match", 0);
    registry_set_dword("col_width_0", 120);
    registry_set_string("case_sens", "yes"); // wrong type, a DWORD's size
    registry_set_dword("tl_file", 1);        // wrong type
    registry_set_dword("frame_x", 0);
    registry_set_dword("frame_y", 0);
    registry_set_dword("frame_height", 100);
    registry_set_dword("frame_width", work.right - work.left + 1);
    Options o;
    options_load(&o, EXE);
    const std::string unplaced = std::to_string(FRAME_DEFAULT) + " ";
    EXPECT_EQ(fields(o), "0 0 0 0 1 0 1 1 15 120 300 " + unplaced + unplaced + unplaced + unplaced +
                             BESIDE + " ");
    registry_set_dword("frame_width", 300);
    registry_set_string("tl_file", "D:\\b\\mine.htm");
    options_load(&o, EXE);
    EXPECT_EQ(o.frame_width, 300);
    EXPECT_STREQ(o.tl_file, "D:\\b\\mine.htm");

    o.auto_check = 3;
    o.frame_x = 10;
    ASSERT_EQ(options_save(&o), 1);
    EXPECT_EQ(registry_dwords("Properties", {"auto_check"}) +
                  registry_dwords("Version", {"version", "build"}),
              "1 101 20 ");
    Options back;
    options_load(&back, EXE);
    EXPECT_EQ(fields(back), fields(o));
}

// The end of the Windows session saves the file and the Options. The exit
// stores the frame's place and size and the first column's width, those of
// the restored window when it is closed minimized.
TEST_F(Gui, TheSessionsEndAndTheExitSave)
{
    start(three().c_str());
    DeleteFileA(file.c_str());
    registry_clear();
    SendMessageA((HWND) app->main_window, WM_ENDSESSION, TRUE, 0);
    EXPECT_NE(read_file(file).find("http://a.example/"), std::string::npos);
    EXPECT_EQ(registry_dwords("Version", {"version"}), "101 ");
    HWND frame = (HWND) app->main_window;
    MoveWindow(frame, 30, 40, 500, 400, TRUE);
    SendMessageA((HWND) app->list_view, LVM_SETCOLUMNWIDTH, 0, 150);
    pump();
    ShowWindow(frame, SW_MINIMIZE);
    pump();
    stop();
    EXPECT_EQ(registry_dwords("Properties",
                              {"frame_x", "frame_y", "frame_width", "frame_height", "col_width_0"}),
              "30 40 500 400 150 ");
}

static int refuse_a_column_width(const char *name)
{
    return strcmp(name, "col_width_1") == 0;
}

// Without a file the list is empty and the file is created at exit; the
// program's own layout without entries is read as it is, silently. An
// Option that cannot be written is reported.
TEST_F(Gui, NoFileStartsEmptyAndIsCreatedAtExit)
{
    DialogClicker clicker;
    for (int round = 0; round < 2; round++) {
        start(nullptr);
        EXPECT_EQ(part(1), "No Trovelinks");
        reg_set_write_fault_hook(round ? refuse_a_column_width : nullptr);
        stop();
        reg_set_write_fault_hook(nullptr);
        EXPECT_NE(read_file(file).find("</DL><p>\r\n</BODY>\n"), std::string::npos);
    }
    EXPECT_EQ(clicker.texts(), Texts{"Unable to save Options to Windows Registry"});
    EXPECT_FALSE(file_exists(file + ".unread"));
}

static int refuse_renames(OsFileOp op, const char *)
{
    return op == OS_FILE_RENAME;
}

// A file that cannot be read at start-up is moved aside under the first free
// name by the save, which fails rather than overwrite it when it cannot be
// moved.
TEST_F(Gui, AFileThatCannotBeReadIsNeverOverwritten)
{
    std::string precious = bookmark_file({{"http://keep.example/", "Keep", ""}});
    const std::string unread = "Unable to read Trovelinks from file\n\n" + file;
    write_file(file + ".unread", "an earlier one");
    for (bool moved : {false, true}) {
        write_file(file, precious);
        HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        DialogClicker clicker;
        start(nullptr);
        EXPECT_EQ(list_count(app), 0);
        CloseHandle(lock);
        os_file_set_fault_hook(moved ? nullptr : refuse_renames);
        stop();
        os_file_set_fault_hook(nullptr);
        std::vector<std::string> texts = {unread};
        if (!moved) texts.push_back("Unable to write Trovelinks to file\n\n" + file);
        EXPECT_EQ(clicker.texts(), texts);
        EXPECT_EQ(read_file(file) == precious, !moved);
    }
    EXPECT_EQ(read_file(file + ".unread1"), precious);
    EXPECT_EQ(read_file(file + ".unread"), "an earlier one");
    EXPECT_NE(read_file(file).find("</BODY>"), std::string::npos);
}
