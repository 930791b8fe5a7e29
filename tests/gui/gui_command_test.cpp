// The commands: which are enabled for which selection (menus, toolbar),
// Save, Import, Export through the file dialogs and the scope chooser,
// Delete with its question, Mark Visited, Copy URL, Quit and the help file.
#include "gui_harness.h"

#include <time.h>

#include "core/os.h"
#include "res/resource.h"
#include "store/bookmark.h"

static const unsigned T1 = 1600000000, T2 = 1650000000;

static std::string clipboard_text(void)
{
    std::string text;
    if (!OpenClipboard(NULL)) return "(not opened)";
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) text = (const char *) GlobalLock(data);
    if (data) GlobalUnlock(data);
    CloseClipboard();
    return text;
}

// ---- The command-state rule and Delete ---------------------------------------

// The situations the rule is asked in: the items selected (display order),
// their visit and modification, a check cycle running.
static const struct Situation {
    std::vector<int> selected;
    uint32_t visit, modified;
    bool checking;
} SITUATIONS[] = {
    /* a */ {{}, T1, T2, false},
    /* b */ {{0}, T1, T2, false},            // modified after the visit
    /* c */ {{0}, T1 - 1, T1, false},        // by one second
    /* d */ {{0}, T2, T2, false},            // visited at the modification
    /* e */ {{0}, DATE_NONE, T2, false},     // never visited: the sentinel is later
    /* f */ {{0}, T1, DATE_NONE, false},     // never checked
    /* g */ {{0}, T1, DATE_CHECKING, false}, // being checked
    /* h */ {{0, 1}, T1, T2, false},
    /* i */ {{1, 2}, T1, T2, true}, // a check cycle runs
    /* j */ {{}, T1, T2, false},    // no Bookmarks left
};

// The ids enabled in every situation: the test prefix has a browser, so Add
// and Fast Add too.
static const int ALWAYS[] = {
    IDM_QUIT,      IDM_CONTENTS,   IDM_ABOUT,    IDM_OPTIONS,          IDM_IMPORT, IDM_SAVE,
    IDM_WHATS_NEW, IDM_DICTIONARY, IDM_FAST_ADD, IDM_IMPORT_FAVORITES, IDM_ADD};

// The others' states in the situations a to j: '+' enabled.
static const struct {
    int id;
    const char *states;
} RULE[] = {
    {IDM_DELETE, "-++++++++-"},        {IDM_PROPERTIES, "-++++++---"},
    {IDM_OPEN, "-++++++---"},          {IDM_COPY_URL, "-++++++---"},
    {IDM_EXPORT, "+++++++++-"},        {IDM_MARK_VISITED, "-++-------"},
    {IDM_STOP_CHECKING, "--------+-"}, {40009, "----------"}, // no command
};

// Every menu item (after its menu has been opened) and every toolbar button
// (after an idle pass) is enabled exactly when the rule says so.
static void expect_menus_and_toolbar_follow_the_rule(AppState *app)
{
    HWND frame = (HWND) app->main_window, bar = (HWND) app->tool_bar;
    HMENU menus = GetMenu(frame);
    for (int m = 0; m < GetMenuItemCount(menus); m++) {
        HMENU menu = GetSubMenu(menus, m);
        SendMessageA(frame, WM_INITMENUPOPUP, (WPARAM) menu, MAKELPARAM(m, FALSE));
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            int id = (int) GetMenuItemID(menu, i);
            if (id <= 0) continue; // separators
            bool on = command_state(app, id) & CMD_ENABLED;
            EXPECT_EQ(on, !(GetMenuState(menu, (UINT) i, MF_BYPOSITION) & MF_GRAYED)) << id;
        }
    }
    for (int i = 0; i < (int) SendMessageA(bar, TB_BUTTONCOUNT, 0, 0); i++) {
        TBBUTTON b;
        SendMessageA(bar, TB_GETBUTTON, (WPARAM) i, (LPARAM) &b);
        if (b.fsStyle & TBSTYLE_SEP) continue;
        bool on = command_state(app, b.idCommand) & CMD_ENABLED;
        EXPECT_EQ(on, (b.fsState & TBSTATE_ENABLED) != 0) << b.idCommand;
    }
}

// The rule in the situations a to i, the menus' texts and help texts; then
// Delete. Twelve Bookmarks "Title 00" ... "Title 11" at http://n00.example/
// ... and two more. The question names the first ten titles in display
// order; No keeps everything. With nothing selected the Delete key and
// Ctrl+D ask nothing; with Yes the Bookmarks leave the list and the
// BookmarkList (the index's part is the store's tests'). Deleting the last
// one leaves situation j.
TEST_F(Gui, CommandStateRuleAndDelete)
{
    std::vector<Entry> entries = {{"http://keep.example/", "Keep me", "kept"},
                                  {"http://only.example/", "Only one", "solitary"}};
    Texts texts;
    texts.reserve(24);       // keeps the c_str()s in place
    std::vector<int> titles; // the list sorts by title: Keep me, Only one, Title 00 ...
    std::string ten, following = "Are you sure you wish to delete the following ";
    for (int i = 0; i < 12; i++) {
        texts.push_back("http://n" + std::to_string(100 + i).substr(1) + ".example/");
        texts.push_back("Title " + std::to_string(100 + i).substr(1));
        entries.push_back({texts[2 * i].c_str(), texts[2 * i + 1].c_str(), "numbered"});
        titles.push_back(i + 2);
        if (i < 10) ten += texts.back() + "\n";
    }
    start(bookmark_file(entries).c_str());
    auto expect_rule = [&](size_t k) {
        const Situation &s = SITUATIONS[k];
        SCOPED_TRACE(std::string("situation ") + (char) ('a' + k));
        for (int i : s.selected) {
            item(i)->lastVisit = s.visit;
            item(i)->lastModified = s.modified;
        }
        app->check_active = s.checking;
        select(s.selected); // pumps, which ends with the idle work
        for (const auto &r : RULE)
            EXPECT_EQ(r.states[k] == '+' ? CMD_ENABLED : CMD_DISABLED, command_state(app, r.id))
                << "id " << r.id;
        for (int id : ALWAYS)
            EXPECT_EQ(CMD_ENABLED, command_state(app, id)) << "id " << id;
        expect_menus_and_toolbar_follow_the_rule(app);
    };
    for (size_t k = 0; k + 1 < std::size(SITUATIONS); k++)
        expect_rule(k);
    app->check_active = 0;

    // The menu texts promise the keys that work; the highlighted item's help
    // text goes across the status bar until the menu loop ends; a toolbar
    // button's tooltip is its command's help text.
    HWND frame = (HWND) app->main_window, bar = (HWND) app->status_bar;
    char text[256] = "";
    GetMenuStringA(GetMenu(frame), IDM_PROPERTIES, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Properties...\tAlt+Enter");
    SendMessageA(frame, WM_MENUSELECT, MAKEWPARAM(IDM_SAVE, MF_STRING), (LPARAM) GetMenu(frame));
    EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(part(0), "Save Trovelinks to default HTML file"); // the simple part reads as 0
    SendMessageA(frame, WM_EXITMENULOOP, 0, 0);
    EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    NMTTDISPINFOA tip = {};
    tip.hdr.hwndFrom = (HWND) app->tool_tips;
    tip.hdr.idFrom = IDM_DELETE;
    tip.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(frame, WM_NOTIFY, 0, (LPARAM) &tip);
    LoadStringA(tip.hinst, (UINT) (UINT_PTR) tip.lpszText, text, sizeof text);
    EXPECT_STREQ(text, "Delete Selected Trovelinks");

    const struct {
        std::vector<int> selection;
        std::string question;
    } cases[] = {
        {{5}, "Are you sure you wish to delete this Trovelink?\n\nTitle 03\nhttp://n03.example/"},
        {{11, 10, 9, 8, 7, 6, 5, 4, 3, 2}, following + "10 Trovelinks?\n\n" + ten},
        {titles, following + "12 Trovelinks?\n\n" + ten + "and others..."},
    };
    // The message box may show the text's trailing line end or drop it.
    auto trimmed = [](std::string s) { return s.substr(0, s.find_last_not_of('\n') + 1); };
    for (const auto &c : cases) {
        select(c.selection);
        DialogClicker clicker(IDNO);
        command(IDM_DELETE);
        ASSERT_EQ(clicker.texts().size(), 1u);
        EXPECT_EQ(trimmed(clicker.texts()[0]), trimmed(c.question));
        EXPECT_EQ(list_selected_count(app), (int) c.selection.size()); // No keeps it
    }
    HWND list = (HWND) app->list_view;
    SetFocus(list);
    DialogClicker clicker(IDYES);
    select({});
    key(list, VK_DELETE);
    key(list, 'D', true);
    EXPECT_TRUE(clicker.texts().empty());
    select(titles);
    key((HWND) app->filter_edit, 'D', true);
    select({1});
    key(list, VK_DELETE);
    EXPECT_EQ(clicker.texts().size(), 2u);
    EXPECT_EQ(column(0), Texts{"Keep me"});
    EXPECT_EQ(app->bookmarks->count, 1u);
    EXPECT_EQ(part(1), "1 Trovelink");
    select({0});
    key(list, VK_DELETE);
    EXPECT_EQ(app->bookmarks->count, 0u);
    expect_rule(std::size(SITUATIONS) - 1);
}

// ---- Save, Import, Export ----------------------------------------------------------

static int refuse_replace(OsFileOp op, const char *)
{
    return op == OS_FILE_REPLACE || op == OS_FILE_RENAME;
}

// Nothing selected: Export writes everything without asking. Else the scope
// chooser: the selection in display order, or everything (in BookmarkList
// order, as the save writes it). Cancel there asks for no file; a failed
// write says so (that it keeps the file is the store's tests'). Then Mark
// Visited and Copy URL. The import itself is tested on its own
// (store_file_reader_test); here the file dialog, the status text, the
// filter run afterwards, a file that cannot be read, and Cancel. Then a Save
// that fails says so; Quit destroys the window, and the exit saves.
TEST_F(Gui, ExportMarkVisitedCopyUrlImportAFailedSaveAndQuit)
{
    const std::string out = dir + "out.htm";
    start(three().c_str());
    const std::string chooser =
        "Export Trovelinks|Export &all Trovelinks|Export &selected Trovelinks";
    Texts all;
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        all.push_back(vec_at<Bookmark>(app->bookmarks, i)->title);
    list_sort(app, 1); // by URL the list shows a, b, c
    const struct {
        std::vector<int> selection;
        int scope; // the chooser's answer; 0: not asked
        Texts titles;
        const char *status;
    } cases[] = {
        {{}, 0, all, "3 Trovelinks exported to "},
        {{2, 0}, IDC_SCOPE_SELECTED, {"A chess", "C cooking"}, "2 Trovelinks exported to "},
        {{1}, IDC_SCOPE_SELECTED, {"B chess"}, "1 Trovelink exported to "},
        {{1}, IDC_SCOPE_ALL, all, "3 Trovelinks exported to "},
    };
    for (const auto &c : cases) {
        select(c.selection);
        DialogClicker clicker;
        if (c.scope) clicker.answer("Export Trovelinks", IDOK, chosen(c.scope));
        clicker.answer("Export Trovelinks", IDOK, typed(out));
        command(IDM_EXPORT);
        EXPECT_EQ(clicker.texts()[0], c.scope ? chooser : "Export Trovelinks");
        EXPECT_EQ(titles_in(read_file(out)), c.titles);
        EXPECT_EQ(part(0), c.status + out);
    }
    DialogClicker clicker;
    clicker.answer("Export Trovelinks", IDCANCEL);
    command(IDM_EXPORT);
    select({});
    clicker.answer("Export Trovelinks", IDOK, typed(out));
    os_file_set_fault_hook(refuse_replace);
    command(IDM_EXPORT);
    os_file_set_fault_hook(nullptr);

    // Mark Visited dates the selected item's visit now, or at its modification
    // when that is later; Ctrl+C in the filter box copies the one selected URL.
    uint32_t now = (uint32_t) time(nullptr), later = now + 100000;
    for (int i = 0; i < 3; i++)
        item(i)->lastVisit = T1, item(i)->lastModified = T2;
    item(2)->lastModified = later;
    select({0});
    EXPECT_EQ(image(0), 2);
    command(IDM_MARK_VISITED);
    select({2});
    command(IDM_MARK_VISITED);
    EXPECT_GE(item(0)->lastVisit, now);
    EXPECT_EQ(item(1)->lastVisit, T1);
    EXPECT_EQ(item(2)->lastVisit, later);
    EXPECT_EQ(image(0) + image(2), 0);
    HWND box = (HWND) app->filter_edit;
    SetFocus(box);
    type("openings | endgames");
    SendMessageA(box, EM_SETSEL, 0, -1); // the box's own text selected too
    copy_url_to_clipboard((HWND) app->main_window, "before");
    select({0, 1}); // two: nothing is copied
    key(box, 'C', true);
    EXPECT_EQ(clipboard_text(), "before");
    select({1});
    key(box, 'C', true);
    EXPECT_EQ(clipboard_text(), "http://b.example/");
    EXPECT_EQ(window_text(box), "openings | endgames");
    select({0});
    command(IDM_COPY_URL);
    EXPECT_EQ(clipboard_text(), "http://a.example/");

    std::string browser = dir + "bookmarks.html", missing = dir + "missing.htm";
    write_file(browser, bookmark_file({{"HTTP://A.EXAMPLE/", "A again", ""},
                                       {"http://knit.example/", "Knitting Patterns", ""}}));
    clear_box();
    type("knit");
    clicker.answer("Import Bookmarks", IDOK, typed(browser));
    clicker.answer("Import Bookmarks", IDOK, typed(missing));
    clicker.answer("Import Bookmarks", IDCANCEL);
    command(IDM_IMPORT);
    EXPECT_EQ(part(0), "1 Trovelinks imported from " + browser);
    EXPECT_EQ(column(0), Texts{"Knitting Patterns"}); // the filter ran
    command(IDM_IMPORT);
    status_message(app, "before");
    command(IDM_IMPORT);
    EXPECT_EQ(part(0), "before");
    app->options.backup = 0;
    os_file_set_fault_hook(refuse_replace);
    command(IDM_SAVE);
    os_file_set_fault_hook(nullptr);
    EXPECT_EQ(clicker.texts(),
              (Texts{chooser, "Export Trovelinks",
                     "Unable to export Trovelinks to specified file\n\n" + out, "Import Bookmarks",
                     "Import Bookmarks", "Unable to import html bookmark file\n\n" + missing,
                     "Import Bookmarks", "Unable to write Trovelinks to file\n\n" + file}));
    write_file(file, "");
    on_command(app, IDM_QUIT, NULL, 0);
    EXPECT_EQ(app->main_window, nullptr);
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        quit |= msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
    stop();
    EXPECT_EQ(titles_in(read_file(file)).size(), 4u);
}

// ---- Help ---------------------------------------------------

// The WinHelp file beside the program when there is one, else the HTML
// page; none for a path that leaves no room for the name.
TEST_F(Gui, HelpIsTheWinHelpFileWhenPresentElseTheHtmlPage)
{
    std::string exe = dir + "trovelinks.exe", deep = "C:\\" + std::string(250, 'x') + "\\t.exe";
    char path[TL_PATH_MAX];
    int winhelp = -1;
    ASSERT_EQ(help_file_for(exe.c_str(), path, &winhelp), 1);
    EXPECT_EQ(std::string(path) + "|" + std::to_string(winhelp), dir + "tlhelp.htm|0");
    write_file(dir + "tl.hlp", "?");
    ASSERT_EQ(help_file_for(exe.c_str(), path, &winhelp), 1);
    EXPECT_EQ(std::string(path) + "|" + std::to_string(winhelp), dir + "tl.hlp|1");
    EXPECT_EQ(help_file_for(deep.c_str(), path, &winhelp), 0);
}
