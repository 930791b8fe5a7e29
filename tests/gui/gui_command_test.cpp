// The commands: which are enabled for which selection (menus, toolbar,
// keys), Save, Import, Export through the file dialogs and the scope
// chooser, Delete with its question, Mark Visited, Copy URL, Quit, and the
// help file and window helpers.
#include "gui_harness.h"

#include <time.h>

#include "core/os.h"
#include "res/resource.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static const unsigned T1 = 1600000000, T2 = 1650000000;

static std::vector<Entry> numbered(int n)
{
    static std::vector<std::string> texts; // keeps the c_str()s alive
    texts.clear();
    texts.reserve((size_t) n * 2);
    std::vector<Entry> entries;
    for (int i = 0; i < n; i++) {
        char url[64], title[64];
        snprintf(url, sizeof url, "http://n%02d.example/", i);
        snprintf(title, sizeof title, "Title %02d", i);
        texts.push_back(url);
        texts.push_back(title);
    }
    for (int i = 0; i < n; i++)
        entries.push_back({texts[2 * i].c_str(), texts[2 * i + 1].c_str(), "numbered"});
    return entries;
}

static std::string clipboard_text(void)
{
    std::string text;
    if (!OpenClipboard(NULL)) return "(not opened)";
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        const char *bytes = (const char *) GlobalLock(data);
        if (bytes) text = bytes;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

static bool has_keyword(AppState *app, const char *word)
{
    vec *words = keyword_index_words(app->keyword_index);
    bool found = false;
    for (uint32_t i = 0; i < words->count; i++)
        if (strcmp(vec_at<char>(words, i), word) == 0) found = true;
    vec_destroy(words);
    return found;
}

// ---- The command-state rule ---------------------------------------------------

// The situations the rule is asked in: the items selected (display order),
// their visit and modification, an empty list, a check cycle running.
static const struct Situation {
    std::vector<int> selected;
    uint32_t visit, modified;
    bool empty, checking;
} SITUATIONS[] = {
    /* a */ {{}, T1, T2, false, false},
    /* b */ {{0}, T1, T2, false, false},            // modified after the visit
    /* c */ {{0}, T1 - 1, T1, false, false},        // by one second
    /* d */ {{0}, T2, T2, false, false},            // visited at the modification
    /* e */ {{0}, T2, T1, false, false},            // visited after it
    /* f */ {{0}, DATE_NONE, T2, false, false},     // never visited: the sentinel is later
    /* g */ {{0}, T1, DATE_NONE, false, false},     // never checked
    /* h */ {{0}, T1, DATE_FAILED, false, false},   // the check failed
    /* i */ {{0}, T1, DATE_CHECKING, false, false}, // being checked
    /* j */ {{0, 1}, T1, T2, false, false},
    /* k */ {{0, 1, 2}, T1, T2, false, false},
    /* l */ {{}, T1, T2, false, true}, // a check cycle runs
    /* m */ {{1, 2}, T1, T2, false, true},
    /* n */ {{}, T1, T2, true, false}, // no Bookmarks at all
};

// Each id's state in the situations a to n: '+' enabled.
static const char ALWAYS[] = "++++++++++++++", NEVER[] = "--------------",
                  ONE_SELECTED[] = "-++++++++-----";
static const struct {
    int id;
    const char *states;
} RULE[] = {
    {IDM_QUIT, ALWAYS},
    {IDM_CONTENTS, ALWAYS},
    {IDM_ABOUT, ALWAYS},
    {IDM_OPTIONS, ALWAYS},
    {IDM_IMPORT, ALWAYS},
    {IDM_SAVE, ALWAYS},
    {IDM_IMPORT_FAVORITES, ALWAYS},
    {IDM_WHATS_NEW, ALWAYS},
    {IDM_DICTIONARY, ALWAYS},
    {IDM_ADD, ALWAYS}, // the test prefix has a browser
    {IDM_FAST_ADD, ALWAYS},
    //                 abcdefghijklmn
    {IDM_DELETE, "-++++++++++-+-"},
    {IDM_PROPERTIES, ONE_SELECTED},
    {IDM_OPEN, ONE_SELECTED},
    {IDM_COPY_URL, ONE_SELECTED},
    {IDM_EXPORT, "+++++++++++++-"},
    {IDM_MARK_VISITED, "-++-----------"},
    {IDM_STOP_CHECKING, "-----------++-"},
    // Ids of no command.
    {0, NEVER},
    {1, NEVER},
    {39999, NEVER},
    {40006, NEVER},
    {40008, NEVER},
    {40009, NEVER},
    {40017, NEVER},
    {40033, NEVER},
    {65535, NEVER},
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

TEST_F(Gui, CommandStateRuleMenusAndToolbar)
{
    start(three().c_str());
    for (size_t k = 0; k < std::size(SITUATIONS); k++) {
        const Situation &s = SITUATIONS[k];
        SCOPED_TRACE(std::string("situation ") + (char) ('a' + k));
        if (s.empty) {
            stop();
            start(bookmark_file({}).c_str());
        }
        for (int i : s.selected) {
            item(i)->lastVisit = s.visit;
            item(i)->lastModified = s.modified;
        }
        app->check_active = s.checking;
        select(s.selected); // pumps, which ends with the idle work
        for (const auto &r : RULE)
            EXPECT_EQ(r.states[k] == '+' ? CMD_ENABLED : CMD_DISABLED, command_state(app, r.id))
                << "id " << r.id;
        expect_menus_and_toolbar_follow_the_rule(app);
    }
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
    SendMessageA(bar, SB_GETTEXTA, 0, (LPARAM) text); // the simple part reads as part 0
    EXPECT_STREQ(text, "Save Trovelinks to default HTML file");
    SendMessageA(frame, WM_EXITMENULOOP, 0, 0);
    EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    NMTTDISPINFOA tip;
    ZeroMemory(&tip, sizeof tip);
    tip.hdr.hwndFrom = (HWND) app->tool_tips;
    tip.hdr.idFrom = IDM_DELETE;
    tip.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(frame, WM_NOTIFY, 0, (LPARAM) &tip);
    ASSERT_TRUE(tip.hinst != NULL);
    LoadStringA(tip.hinst, (UINT) (UINT_PTR) tip.lpszText, text, sizeof text);
    EXPECT_STREQ(text, "Delete Selected Trovelinks");
}

// ---- Save, Import, Export ----------------------------------------------------------

static int refuse_replace(OsFileOp op, const char *)
{
    return op == OS_FILE_REPLACE || op == OS_FILE_RENAME;
}

TEST_F(Gui, FailedSaveSaysSoAndKeepsTheFile)
{
    std::string before = three();
    start(before.c_str());
    app->options.backup = 0;
    DialogClicker clicker;
    os_file_set_fault_hook(refuse_replace);
    command(IDM_SAVE);
    os_file_set_fault_hook(nullptr);
    EXPECT_EQ(clicker.texts(),
              std::vector<std::string>{"Unable to write Trovelinks to file\n\n" + file});
    EXPECT_EQ(read_file(file), before);
}

// The import itself is tested on its own (store_file_reader_test); here the
// file dialog, the status text, the filter run afterwards (title words
// included), a file that cannot be read, and Cancel.
TEST_F(Gui, ImportThroughTheFileDialog)
{
    start(three().c_str());
    std::string browser = dir + "bookmarks.html", missing = dir + "missing.htm";
    write_file(browser, bookmark_file({{"HTTP://A.EXAMPLE/", "A again", ""},
                                       {"http://knit.example/", "Knitting Patterns", ""}}));
    DialogClicker clicker;
    clicker.answer("Import Bookmarks", IDOK, browser.c_str());
    clicker.answer("Import Bookmarks", IDOK, missing.c_str());
    clicker.answer("Import Bookmarks", IDCANCEL);
    command(IDM_IMPORT);
    EXPECT_EQ(part(0), "1 Trovelinks imported from " + browser);
    EXPECT_EQ(list_count(app), 4); // the filter ran
    type("knit");
    EXPECT_EQ(column(0), std::vector<std::string>{"Knitting Patterns"});
    clear_box();
    command(IDM_IMPORT);
    status_message(app, "before");
    command(IDM_IMPORT);
    EXPECT_EQ(clicker.texts(),
              (std::vector<std::string>{"Import Bookmarks", "Import Bookmarks",
                                        "Unable to import html bookmark file\n\n" + missing,
                                        "Import Bookmarks"}));
    EXPECT_EQ(part(0), "before");
    EXPECT_EQ(app->bookmarks->count, 4u);
}

// The titles of the entries of a bookmark file, in file order.
static std::vector<std::string> titles_in(const std::string &text)
{
    std::vector<std::string> titles;
    for (size_t at = text.find("\" >"); at != std::string::npos; at = text.find("\" >", at)) {
        at += 3;
        titles.push_back(text.substr(at, text.find("</A>", at) - at));
    }
    return titles;
}

// Nothing selected: everything, without asking. Else the scope chooser: the
// selection in display order, or everything (in BookmarkList order, as the
// save writes it). Cancel there asks for no file; a failed write says so
// and keeps the file that was there.
TEST_F(Gui, ExportThroughTheScopeChooserAndTheFileDialog)
{
    start(three().c_str());
    std::string out = dir + "out.htm";
    std::vector<std::string> all;
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        all.push_back(vec_at<Bookmark>(app->bookmarks, i)->title);
    list_sort(app, 1); // by URL the list shows a, b, c
    const struct {
        std::vector<int> selection;
        int scope; // the chooser's answer; 0: not asked
        std::vector<std::string> titles;
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
        if (c.scope) clicker.answer("Export Trovelinks", IDOK, nullptr, c.scope);
        clicker.answer("Export Trovelinks", IDOK, out.c_str());
        command(IDM_EXPORT);
        EXPECT_EQ(clicker.texts().size(), c.scope ? 2u : 1u);
        if (c.scope) {
            EXPECT_EQ(clicker.texts()[0],
                      "Export Trovelinks|Export &all Trovelinks|Export &selected Trovelinks");
        }
        EXPECT_EQ(titles_in(read_file(out)), c.titles);
        EXPECT_EQ(part(0), c.status + out);
    }
    write_file(out, "kept");
    DialogClicker clicker;
    clicker.answer("Export Trovelinks", IDCANCEL, nullptr, IDC_SCOPE_SELECTED);
    command(IDM_EXPORT);
    select({});
    clicker.answer("Export Trovelinks", IDOK, out.c_str());
    os_file_set_fault_hook(refuse_replace);
    command(IDM_EXPORT);
    os_file_set_fault_hook(nullptr);
    EXPECT_EQ(clicker.texts(),
              (std::vector<std::string>{
                  "Export Trovelinks|Export &all Trovelinks|Export &selected Trovelinks",
                  "Export Trovelinks", "Unable to export Trovelinks to specified file\n\n" + out}));
    EXPECT_EQ(read_file(out), "kept");
}

// ---- Delete ------------------------------------------------------------------------

TEST_F(Gui, DeleteAsksWithTitlesAndNoKeepsEverything)
{
    start(bookmark_file(numbered(12)).c_str());
    struct {
        std::vector<int> selection;
        std::string question;
    } cases[] = {
        {{3}, "Are you sure you wish to delete this Trovelink?\n\nTitle 03\nhttp://n03.example/\n"},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         "Are you sure you wish to delete the following 10 Trovelinks?\n\nTitle 00\nTitle "
         "01\nTitle 02\nTitle 03\nTitle 04\nTitle 05\nTitle 06\nTitle 07\nTitle 08\nTitle 09\n"},
        {{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
         "Are you sure you wish to delete the following 12 Trovelinks?\n\nTitle 00\nTitle "
         "01\nTitle 02\nTitle 03\nTitle 04\nTitle 05\nTitle 06\nTitle 07\nTitle 08\nTitle "
         "09\nand others..."},
    };
    for (const auto &c : cases) {
        select(c.selection);
        DialogClicker clicker(IDNO);
        command(IDM_DELETE);
        ASSERT_EQ(clicker.texts().size(), 1u);
        // The message box may show the text's trailing line end or drop it.
        std::string shown = clicker.texts()[0], asked = c.question;
        if (asked.back() == '\n' && shown.size() + 1 == asked.size()) asked.pop_back();
        EXPECT_EQ(shown, asked);
        EXPECT_EQ(list_count(app), 12);
        EXPECT_EQ(list_selected_count(app), (int) c.selection.size());
    }
}

// The Delete key in the list and Ctrl+D anywhere, with nothing selected and
// with Yes: the Bookmarks leave the list, the BookmarkList and the index.
TEST_F(Gui, DeleteKeysAndYesRemoveEverywhere)
{
    std::vector<Entry> entries = numbered(12);
    entries.push_back({"http://keep.example/", "Keep me", "kept"});
    entries.push_back({"http://only.example/", "Only one", "solitary"});
    start(bookmark_file(entries).c_str());
    HWND list = (HWND) app->list_view;
    SetFocus(list);
    DialogClicker clicker(IDYES);
    select({});
    key(list, VK_DELETE);
    key(list, 'D', true);
    EXPECT_TRUE(clicker.texts().empty());
    // The list sorts by title: Keep me, Only one, Title 00 ... Title 11.
    select({1});
    key(list, VK_DELETE);
    std::vector<int> titles;
    for (int i = 1; i < 13; i++)
        titles.push_back(i);
    select(titles);
    key((HWND) app->filter_edit, 'D', true);
    EXPECT_EQ(clicker.texts().size(), 2u);
    EXPECT_EQ(column(0), std::vector<std::string>{"Keep me"});
    ASSERT_EQ(app->bookmarks->count, 1u);
    EXPECT_FALSE(has_keyword(app, "solitary"));
    EXPECT_FALSE(has_keyword(app, "numbered"));
    EXPECT_TRUE(has_keyword(app, "kept"));
    EXPECT_EQ(part(1), "1 Trovelink");
    type("numbered"); // the filter still agrees with what is left
    EXPECT_EQ(list_count(app), 0);
}

TEST_F(Gui, DeletingOneShownBookmarkKeepsTheOthersSelected)
{
    start(three().c_str());
    select({0, 2});
    delete_bookmark_and_item(app, item(1));
    EXPECT_EQ(column(0), (std::vector<std::string>{"A chess", "C cooking"}));
    EXPECT_EQ(list_selected_count(app), 2);
    EXPECT_FALSE(has_keyword(app, "endgames"));
}

// ---- Mark Visited, Copy URL, Quit ------------------------------------------------------

TEST_F(Gui, MarkVisitedSetsTheVisitOfTheSelectedItem)
{
    start(three().c_str());
    uint32_t later = (uint32_t) time(nullptr) + 100000;
    for (int i = 0; i < 3; i++) {
        item(i)->lastVisit = T1;
        item(i)->lastModified = T2;
    }
    item(2)->lastModified = later; // modified in the future: the visit takes its date
    select({0});
    EXPECT_EQ(image(0), 2);
    uint32_t before = (uint32_t) time(nullptr);
    command(IDM_MARK_VISITED);
    EXPECT_GE(item(0)->lastVisit, before);
    EXPECT_EQ(item(1)->lastVisit, T1);
    EXPECT_EQ(image(0), 0);
    select({2});
    command(IDM_MARK_VISITED);
    EXPECT_EQ(item(2)->lastVisit, later);
    EXPECT_EQ(image(2), 0);
}

TEST_F(Gui, CtrlCInTheFilterBoxCopiesTheSelectedUrl)
{
    start(three().c_str());
    HWND box = (HWND) app->filter_edit;
    SetFocus(box);
    type("openings | endgames");
    ASSERT_EQ(list_count(app), 2);
    SendMessageA(box, EM_SETSEL, 0, -1); // the box's own text selected too
    copy_url_to_clipboard((HWND) app->main_window, "before");

    select({0, 1}); // two: nothing is copied
    key(box, 'C', true);
    EXPECT_EQ(clipboard_text(), "before");

    select({1});
    key(box, 'C', true);
    EXPECT_EQ(clipboard_text(), "http://b.example/");
    EXPECT_EQ(box_text(), "openings | endgames");

    select({0});
    command(IDM_COPY_URL);
    EXPECT_EQ(clipboard_text(), "http://a.example/");
}

TEST_F(Gui, QuitDestroysTheWindow)
{
    start(three().c_str());
    on_command(app, IDM_QUIT, NULL, 0);
    EXPECT_EQ(app->main_window, nullptr);
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) quit = true;
    EXPECT_TRUE(quit);
    stop();
    EXPECT_EQ(titles_in(read_file(file)).size(), 3u); // saved at the end
}

// ---- Help and window helpers -------------------------------------------------------------

TEST_F(Gui, HelpIsTheWinHelpFileWhenPresentElseTheHtmlPage)
{
    std::string exe = dir + "trovelinks.exe";
    char path[TL_PATH_MAX];
    int winhelp = -1;
    ASSERT_EQ(help_file_for(exe.c_str(), path, &winhelp), 1);
    EXPECT_EQ(winhelp, 0);
    EXPECT_EQ(std::string(path), dir + "tlhelp.htm");
    write_file(dir + "tl.hlp", "?");
    ASSERT_EQ(help_file_for(exe.c_str(), path, &winhelp), 1);
    EXPECT_EQ(winhelp, 1);
    EXPECT_EQ(std::string(path), dir + "tl.hlp");
    std::string deep = "C:\\" + std::string(250, 'x') + "\\trovelinks.exe";
    EXPECT_EQ(help_file_for(deep.c_str(), path, &winhelp), 0);
}

TEST_F(Gui, CenterWindowStaysInsideTheWorkArea)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HWND reference = CreateWindowExA(0, "STATIC", "", WS_POPUP, work.right - 100, 100, 200, 100,
                                     NULL, NULL, NULL, NULL);
    HWND window =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 120, NULL, NULL, NULL, NULL);
    center_window(window, reference);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right, work.right);
    EXPECT_EQ(rect.top, 150 - 60);
    EXPECT_EQ(rect.right - rect.left, 300);

    center_window(window, NULL);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (work.left + work.right) / 2 - 150);
    EXPECT_EQ(rect.top, (work.top + work.bottom) / 2 - 60);
    DestroyWindow(window);
    DestroyWindow(reference);
}
