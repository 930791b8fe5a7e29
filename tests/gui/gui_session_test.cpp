// Options in the registry, the bookmark file at start-up and exit, the
// geometry kept at destroy, the end of the Windows session and the guard for
// a file that cannot be read.
#include "gui_harness.h"
#include "app/registry.h"
#include "core/os.h"

static const char *EXE = "C:\\Programs\\Trovelinks\\trovelinks.exe";

// The Options as the registry holds them: the defaults without a key; a
// switch stored as any other number than 0 read as 1; a value of the wrong
// type and a path that does not fit skipped; written back with the program's
// version, and read again.
TEST_F(Gui, OptionsInTheRegistry)
{
    Options o;
    options_load(&o, EXE);
    EXPECT_EQ(o.partial_match + o.backup + o.tooltips, 3u);
    EXPECT_EQ(o.case_sens + o.auto_launch + o.auto_rescan + o.auto_check + o.implied_or, 0u);
    EXPECT_EQ(o.status_timer, 15);
    EXPECT_EQ(o.col_width_0, 200);
    EXPECT_EQ(o.col_width_1, 300);
    EXPECT_EQ(o.frame_x, FRAME_DEFAULT);
    EXPECT_EQ(o.frame_height, FRAME_DEFAULT);
    EXPECT_STREQ(o.tl_file, "C:\\Programs\\Trovelinks\\tl.htm");

    registry_set_dword("auto_check", 5);
    registry_set_dword("partial_match", 0);
    registry_set_dword("status_timer", 0);
    registry_set_dword("col_width_0", 120);
    registry_set_string("backup", "0"); // wrong type
    registry_set_dword("tl_file", 1);   // wrong type
    options_load(&o, EXE);
    EXPECT_EQ(o.auto_check, 1u);
    EXPECT_EQ(o.partial_match, 0u);
    EXPECT_EQ(o.backup, 1u);
    EXPECT_EQ(o.status_timer, 0);
    EXPECT_EQ(o.col_width_0, 120);
    EXPECT_STREQ(o.tl_file, "C:\\Programs\\Trovelinks\\tl.htm");
    for (size_t length : {259, 260}) {
        registry_set_string("tl_file", std::string(length, 'a').c_str());
        options_load(&o, EXE);
        EXPECT_EQ(std::string(o.tl_file),
                  length == 259 ? std::string(259, 'a') : "C:\\Programs\\Trovelinks\\tl.htm");
    }

    o.auto_check = 3;
    strcpy(o.tl_file, "D:\\b\\mine.htm");
    o.frame_x = 10;
    ASSERT_EQ(options_save(&o), 1);
    DWORD value = 0;
    ASSERT_TRUE(registry_get_dword("Properties", "auto_check", &value));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(registry_get_dword("Version", "version", &value));
    EXPECT_EQ(value, 101u);
    ASSERT_TRUE(registry_get_dword("Version", "build", &value));
    EXPECT_EQ(value, 20u);
    Options back;
    options_load(&back, EXE);
    EXPECT_STREQ(back.tl_file, "D:\\b\\mine.htm");
    EXPECT_EQ(back.frame_x, 10);
}

TEST_F(Gui, GeometryMustFitTheWorkArea)
{
    Options o;
    options_init(&o, EXE);
    o.frame_x = 100, o.frame_width = 700, o.frame_y = 0, o.frame_height = 600;
    options_check_geometry(&o, 800, 600);
    EXPECT_EQ(o.frame_width, 700);
    o.frame_width = 701;
    options_check_geometry(&o, 800, 600);
    EXPECT_EQ(o.frame_x, FRAME_DEFAULT);
    EXPECT_EQ(o.frame_y, FRAME_DEFAULT);
    EXPECT_EQ(o.frame_width, FRAME_DEFAULT);
    EXPECT_EQ(o.frame_height, FRAME_DEFAULT);
    o.col_width_0 = 600, o.col_width_1 = 300;
    options_check_geometry(&o, 800, 600);
    EXPECT_EQ(o.col_width_0, 200);
    EXPECT_EQ(o.col_width_1, 300);

    // Through the registry, against the real work area.
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    registry_set_dword("frame_x", 0);
    registry_set_dword("frame_y", 0);
    registry_set_dword("frame_width", (DWORD) (work.right - work.left + 1));
    registry_set_dword("frame_height", 100);
    options_load(&o, EXE);
    EXPECT_EQ(o.frame_width, FRAME_DEFAULT);
    registry_set_dword("frame_width", 300);
    options_load(&o, EXE);
    EXPECT_EQ(o.frame_width, 300);
}

TEST_F(Gui, ExitStoresGeometryAndColumnWidths)
{
    start(bookmark_file({{"http://a.example/", "A", ""}}).c_str());
    HWND frame = (HWND) app->main_window;
    MoveWindow(frame, 30, 40, 500, 400, TRUE);
    SendMessageA((HWND) app->list_view, LVM_SETCOLUMNWIDTH, 0, 150);
    pump();
    stop();
    DWORD x = 0, y = 0, w = 0, h = 0, c0 = 0;
    registry_get_dword("Properties", "frame_x", &x);
    registry_get_dword("Properties", "frame_y", &y);
    registry_get_dword("Properties", "frame_width", &w);
    registry_get_dword("Properties", "frame_height", &h);
    registry_get_dword("Properties", "col_width_0", &c0);
    EXPECT_EQ((int) x, 30);
    EXPECT_EQ((int) y, 40);
    EXPECT_EQ((int) w, 500);
    EXPECT_EQ((int) h, 400);
    EXPECT_EQ((int) c0, 150);
}

TEST_F(Gui, AWindowClosedMinimizedComesBackOnScreen)
{
    start(bookmark_file({{"http://a.example/", "A", ""}}).c_str());
    HWND frame = (HWND) app->main_window;
    MoveWindow(frame, 60, 70, 520, 380, TRUE);
    pump();
    ShowWindow(frame, SW_MINIMIZE);
    pump();
    if (!IsIconic(frame)) GTEST_SKIP() << "this display does not minimize windows";
    stop();
    DWORD x = 0, w = 0;
    registry_get_dword("Properties", "frame_x", &x);
    registry_get_dword("Properties", "frame_width", &w);
    EXPECT_EQ((int) x, 60);
    EXPECT_EQ((int) w, 520);
}

TEST_F(Gui, NoFileStartsEmptyAndIsCreatedAtExit)
{
    start(nullptr);
    EXPECT_EQ(list_count(app), 0);
    EXPECT_EQ(part(1), "No Trovelinks");
    stop();
    EXPECT_NE(read_file(file).find("</DL><p>\r\n</BODY>\n"), std::string::npos);
}

static int refuse_a_column_width(const char *name)
{
    return strcmp(name, "col_width_1") == 0;
}

TEST_F(Gui, AnOptionThatCannotBeWrittenIsReported)
{
    start(nullptr);
    reg_set_write_fault_hook(refuse_a_column_width);
    DialogClicker clicker;
    stop();
    reg_set_write_fault_hook(nullptr);
    EXPECT_EQ(clicker.texts(),
              std::vector<std::string>{"Unable to save Options to Windows Registry"});
}

TEST_F(Gui, TheEndOfTheSessionSaves)
{
    start(bookmark_file({{"http://a.example/", "A", ""}}).c_str());
    DeleteFileA(file.c_str());
    registry_clear();
    SendMessageA((HWND) app->main_window, WM_ENDSESSION, TRUE, 0);
    EXPECT_NE(read_file(file).find("http://a.example/"), std::string::npos);
    DWORD version = 0;
    EXPECT_TRUE(registry_get_dword("Version", "version", &version));
    stop();
}

TEST_F(Gui, AFileThatCannotBeReadIsNeverOverwritten)
{
    std::string precious = bookmark_file({{"http://keep.example/", "Keep", ""}});
    write_file(file, precious);
    write_file(file + ".unread", "an earlier one");
    HANDLE lock =
        CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        DialogClicker clicker;
        start(nullptr);
        ASSERT_EQ(clicker.texts().size(), 1u);
        EXPECT_EQ(clicker.texts()[0], "Unable to read Trovelinks from file\n\n" + file);
    }
    EXPECT_EQ(list_count(app), 0);
    CloseHandle(lock);
    stop();
    EXPECT_EQ(read_file(file + ".unread1"), precious);
    EXPECT_EQ(read_file(file + ".unread"), "an earlier one");
    EXPECT_NE(read_file(file).find("</BODY>"), std::string::npos);
}

TEST_F(Gui, AFileWithNothingToReadIsSetAsideUnlessItIsOurs)
{
    const std::string foreign = "%PDF-1.4\r\n<< /Type /Catalog >>\r\nstream <a> </a> endstream";
    {
        DialogClicker clicker;
        start(foreign.c_str());
        EXPECT_EQ(clicker.texts(),
                  std::vector<std::string>{"Unable to read Trovelinks from file\n\n" + file});
    }
    stop();
    EXPECT_EQ(read_file(file + ".unread"), foreign);
    EXPECT_NE(read_file(file).find("</BODY>"), std::string::npos);

    // The program's own layout without entries is simply an empty list.
    DeleteFileA((file + ".unread").c_str());
    {
        DialogClicker clicker;
        start(bookmark_file({}).c_str());
        EXPECT_TRUE(clicker.texts().empty());
    }
    stop();
    EXPECT_FALSE(file_exists(file + ".unread"));
}

static int refuse_renames(OsFileOp op, const char *)
{
    return op == OS_FILE_RENAME;
}

TEST_F(Gui, WhenTheUnreadFileCannotBeMovedTheSaveFails)
{
    std::string precious = bookmark_file({{"http://keep.example/", "Keep", ""}});
    write_file(file, precious);
    HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    DialogClicker clicker;
    start(nullptr);
    CloseHandle(lock);
    os_file_set_fault_hook(refuse_renames);
    stop();
    os_file_set_fault_hook(nullptr);
    std::vector<std::string> texts = clicker.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "Unable to write Trovelinks to file\n\n" + file);
    EXPECT_EQ(read_file(file), precious);
}
