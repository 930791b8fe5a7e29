// The dialogs, driven by the clicker: Properties through Add and Properties,
// Options, About, the folder chooser and the Keyword Dictionary.
#include <algorithm>

#include "gui_harness.h"
#include "core/mem.h"
#include "core/os.h"
#include "res/resource.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static const char PROPERTIES_CAPTION[] = "Trovelink Properties";
static const char DUPLICATE_CAPTION[] = "Duplicate Trovelink Found";
static const char OPTIONS_CAPTION[] = "Trovelink Options";

static void click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Fills the Properties dialog's boxes (null: left as it is).
static DialogClicker::Action fill(const char *title, const char *url, const char *keywords)
{
    return [=](HWND d) {
        if (title) SetDlgItemTextA(d, IDC_TITLE, title);
        if (url) SetDlgItemTextA(d, IDC_URL, url);
        if (keywords) SetDlgItemTextA(d, IDC_KEYWORDS, keywords);
    };
}

// The Properties dialog's boxes, joined by "|".
static std::string boxes(HWND d)
{
    return item_text(d, IDC_TITLE) + "|" + item_text(d, IDC_URL) + "|" + item_text(d, IDC_KEYWORDS);
}

// ---- Properties and Add ------------------------------------------------------------

TEST_F(Gui, PropertiesRefusesATitleOfSpacesThenStoresTheEdit)
{
    start(three().c_str());
    select({0});
    Bookmark *a = item(0);
    std::string stored;
    {
        DialogClicker clicker;
        clicker.answer(PROPERTIES_CAPTION, IDOK, fill("  \t ", "http://new.example/", "other"));
        // Still open after the message, nothing stored; its own URL asks nothing.
        clicker.answer(PROPERTIES_CAPTION, IDOK, [&](HWND d) {
            stored = std::string(a->title) + "|" + a->url;
            fill(" A chess club ", "http://a.example/", "tactics puzzles")(d);
        });
        command(IDM_PROPERTIES);
        EXPECT_EQ(
            clicker.texts(),
            (std::vector<std::string>{PROPERTIES_CAPTION, "Please enter a title for this Trovelink",
                                      PROPERTIES_CAPTION}));
    }
    EXPECT_EQ(stored, "A chess|http://a.example/");
    EXPECT_EQ(column(0)[0], "A chess club");
    type("tactics");
    EXPECT_EQ(column(0), std::vector<std::string>{"A chess club"});
    clear_box();
    type("openings");
    EXPECT_EQ(list_count(app), 0);
}

TEST_F(Gui, PropertiesAsksBeforeTakingAnotherBookmarksUrl)
{
    start(three().c_str());
    select({0});
    std::string question;
    {
        DialogClicker clicker;
        clicker.answer(PROPERTIES_CAPTION, IDOK, fill(nullptr, "HTTP://B.EXAMPLE/", nullptr));
        clicker.answer(DUPLICATE_CAPTION, IDNO, [&](HWND d) { question = dialog_text(d); });
        clicker.answer(PROPERTIES_CAPTION, IDCANCEL); // No keeps the dialog open
        command(IDM_PROPERTIES);
        EXPECT_EQ(clicker.pending(), 0);
    }
    EXPECT_EQ(question, "A Trovelink with the same URL already exists:\n\nB chess\n"
                        "http://b.example/\n\nDo you want to replace it?");
    EXPECT_EQ(app->bookmarks->count, 3u);
    EXPECT_STREQ(item(0)->url, "http://a.example/");
    {
        DialogClicker clicker;
        clicker.answer(PROPERTIES_CAPTION, IDOK, fill(nullptr, "HTTP://B.EXAMPLE/", nullptr));
        clicker.answer(DUPLICATE_CAPTION, IDYES);
        command(IDM_PROPERTIES);
    }
    EXPECT_EQ(app->bookmarks->count, 2u);
    EXPECT_EQ(column(0), (std::vector<std::string>{"A chess", "C cooking"}));
    EXPECT_STREQ(find_bookmark_by_url(app, "http://b.example/")->title, "A chess");
    EXPECT_EQ(find_bookmark_by_url(app, "http://a.example/"), nullptr);
    type("endgames");
    EXPECT_EQ(list_count(app), 0);
}

TEST_F(Gui, AddStoresANewRecordOnlyAfterOkAndReplacesADuplicateOnYes)
{
    std::string before = three();
    start(before.c_str());
    auto keyword_count = [&] {
        vec *words = keyword_index_words(app->keyword_index);
        uint32_t n = words->count;
        vec_destroy(words);
        return n;
    };
    uint32_t keywords = keyword_count();
    std::string shown, added;
    {
        DialogClicker clicker;
        clicker.answer(PROPERTIES_CAPTION, IDCANCEL, [&](HWND d) {
            shown = boxes(d) + "|" + item_text(d, IDC_LAST_VISIT) + "|" +
                    item_text(d, IDC_LAST_MODIFIED);
            added = item_text(d, IDC_ADD_DATE);
        });
        command(IDM_ADD);
    }
    EXPECT_EQ(shown, "|||?|?");            // the browser gave no page; never visited nor checked
    EXPECT_EQ(added.size(), 25u) << added; // ctime's «Sun Nov 06 08:49:37 1994» and a line feed
    EXPECT_EQ(app->bookmarks->count, 3u);
    EXPECT_EQ(keyword_count(), keywords);
    EXPECT_EQ(read_file(file), before);
    {
        DialogClicker clicker;
        clicker.answer(PROPERTIES_CAPTION, IDOK,
                       fill("Go Rules", "http://go.example/", "baduk weiqi"));
        clicker.answer(PROPERTIES_CAPTION, IDOK, fill("A again", "HTTP://A.EXAMPLE/", "again"));
        clicker.answer(DUPLICATE_CAPTION, IDYES);
        command(IDM_ADD);
        command(IDM_ADD);
        EXPECT_EQ(clicker.pending(), 0);
    }
    EXPECT_EQ(app->bookmarks->count, 4u);
    EXPECT_EQ(column(0), (std::vector<std::string>{"A again", "B chess", "C cooking", "Go Rules"}));
    EXPECT_STREQ(find_bookmark_by_url(app, "http://a.example/")->title, "A again");
    type("weiqi | openings");
    EXPECT_EQ(column(1), std::vector<std::string>{"http://go.example/"});
}

// ---- Options ---------------------------------------------------------------------------

// A check box of the Options dialog and the field it is bound to.
struct Bound {
    int id;
    unsigned (*get)(const Options &);
    void (*set)(Options &, unsigned);
};
#define BOUND(field, id)                                                                           \
    {                                                                                              \
        id, [](const Options &o) -> unsigned { return o.field; },                                  \
            [](Options &o, unsigned v) { o.field = v; }                                            \
    }
static const Bound BOXES[] = {
    BOUND(partial_match, IDC_PARTIAL_MATCH),
    BOUND(case_sens, IDC_CASE_SENS),
    BOUND(backup, IDC_BACKUP),
    BOUND(tooltips, IDC_TOOLTIPS),
    BOUND(auto_launch, IDC_AUTO_LAUNCH),
    BOUND(auto_rescan, IDC_AUTO_RESCAN),
    BOUND(auto_check, IDC_AUTO_CHECK),
};

// Each box shows its field and OK stores its click there, and nothing else;
// Cancel and the close box keep every field, whatever was changed. The
// record has no padding: equal bytes are equal fields.
TEST_F(Gui, OptionsCheckBoxesOkCancelAndClose)
{
    start(three().c_str());
    Options o = app->options;
    o.implied_or = 1;
    o.status_timer = 7;
    for (unsigned on : {1u, 0u}) {
        for (const Bound &b : BOXES)
            b.set(o, on);
        Options want = o;
        for (const Bound &b : BOXES)
            b.set(want, 1 - on);
        std::vector<bool> shown;
        DialogClicker clicker;
        clicker.answer(OPTIONS_CAPTION, IDOK, [&](HWND d) {
            for (const Bound &b : BOXES) {
                shown.push_back(item_checked(d, b.id));
                click(d, b.id);
            }
        });
        EXPECT_EQ(options_dialog((HWND) app->main_window, &o), 1);
        EXPECT_EQ(shown, std::vector<bool>(std::size(BOXES), on == 1));
        EXPECT_EQ(memcmp(&o, &want, sizeof o), 0) << on;
    }
    const Options before = o;
    auto change_all = [](HWND d) {
        for (const Bound &b : BOXES)
            click(d, b.id);
        SetDlgItemTextA(d, IDC_TL_FILE, "elsewhere.htm");
    };
    struct {
        int button, result;
        DialogClicker::Action action;
    } cases[] = {
        {IDCANCEL, 2, change_all},
        {0, 1, [&](HWND d) { change_all(d), PostMessageA(d, WM_CLOSE, 0, 0); }},
    };
    for (const auto &c : cases) {
        DialogClicker clicker;
        clicker.answer(OPTIONS_CAPTION, c.button, c.action);
        EXPECT_EQ(options_dialog((HWND) app->main_window, &o), c.result);
        EXPECT_EQ(memcmp(&o, &before, sizeof o), 0) << c.button;
    }
}

TEST_F(Gui, OptionsBrowseFillsTheBoxFromTheFileDialog)
{
    start(three().c_str());
    std::string chosen = dir + "chosen.htm";
    write_file(chosen, "");
    std::string box;
    {
        DialogClicker clicker;
        clicker.answer(OPTIONS_CAPTION, 0,
                       [](HWND d) { PostMessageA(d, WM_COMMAND, IDC_BROWSE, 0); });
        clicker.answer("Trovelink File", IDOK, chosen.c_str());
        clicker.answer(OPTIONS_CAPTION, IDCANCEL, [&](HWND d) { box = item_text(d, IDC_TL_FILE); });
        command(IDM_OPTIONS);
        EXPECT_EQ(clicker.pending(), 0);
    }
    EXPECT_EQ(box, chosen);
    EXPECT_EQ(std::string(app->options.tl_file), file);
}

static WNDPROC g_tip_proc;
static int g_tip_active;

// Notes how the tooltip control was last switched.
static LRESULT CALLBACK tip_spy(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == TTM_ACTIVATE) g_tip_active = (int) wparam;
    return CallWindowProcA(g_tip_proc, window, message, wparam, lparam);
}

TEST_F(Gui, OptionsSwitchTooltipsAndRunTheFilterWhenMatchingChanged)
{
    start(bookmark_file({{"http://a.example/", "A", "Chess"}, {"http://b.example/", "B", "chess"}})
              .c_str());
    HWND tips = (HWND) app->tool_tips;
    ASSERT_TRUE(tips != NULL);
    g_tip_proc = (WNDPROC) SetWindowLongPtrA(tips, GWLP_WNDPROC, (LONG_PTR) tip_spy);
    type("chess");
    ASSERT_EQ(list_count(app), 2);
    struct {
        int box, tooltips;
        bool filtered;
        int shown;
    } steps[] = {
        {IDC_TOOLTIPS, 0, false, 2},
        {IDC_TOOLTIPS, 1, false, 2},
        {IDC_BACKUP, 1, false, 2},
        {IDC_CASE_SENS, 1, true, 1},
    };
    for (const auto &s : steps) {
        status_set_part(app, 0, "marker"); // what a filter run replaces
        g_tip_active = -1;
        {
            DialogClicker clicker;
            clicker.answer(OPTIONS_CAPTION, IDOK, [&](HWND d) { click(d, s.box); });
            command(IDM_OPTIONS);
        }
        EXPECT_EQ(g_tip_active, s.tooltips) << s.box;
        EXPECT_EQ(part(0) != "marker", s.filtered) << s.box;
        EXPECT_EQ(list_count(app), s.shown) << s.box;
    }
    SetWindowLongPtrA(tips, GWLP_WNDPROC, (LONG_PTR) g_tip_proc);
}

TEST_F(Gui, OptionsChoosingAnExistingFileTakesInItsTrovelinks)
{
    std::string before = three();
    start(before.c_str());
    auto choose = [&](const std::string &path) {
        DialogClicker clicker;
        clicker.answer(OPTIONS_CAPTION, IDOK,
                       [=](HWND d) { SetDlgItemTextA(d, IDC_TL_FILE, path.c_str()); });
        command(IDM_OPTIONS);
        return clicker.texts();
    };
    std::string other = dir + "other.htm";
    write_file(other, bookmark_file({{"HTTP://A.EXAMPLE/", "A elsewhere", "openings"},
                                     {"http://d.example/", "D draughts", "draughts"}}));
    choose(other);
    EXPECT_EQ(app->bookmarks->count, 4u);
    EXPECT_EQ(part(0), "1 Trovelinks imported from " + other);
    type("draughts");
    EXPECT_EQ(column(0), std::vector<std::string>{"D draughts"});
    clear_box();

    // One that cannot be read is not overwritten: the save moves it aside.
    std::string locked = dir + "locked.htm", precious = bookmark_file({{"http://k/", "K", ""}});
    write_file(locked, precious);
    HANDLE lock =
        CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(choose(locked),
              (std::vector<std::string>{OPTIONS_CAPTION,
                                        "Unable to read Trovelinks from file\n\n" + locked}));
    CloseHandle(lock);
    stop();
    EXPECT_EQ(read_file(locked + ".unread"), precious);
    std::string saved = read_file(locked);
    for (const char *url :
         {"http://a.example/", "http://b.example/", "http://c.example/", "http://d.example/"})
        EXPECT_NE(saved.find(url), std::string::npos) << url;
    EXPECT_EQ(read_file(file), before);
}

// ---- About and the folder chooser --------------------------------------------------------

TEST_F(Gui, AboutShowsTheVersionAndTheBuildLineOnlyAfterCtrlB)
{
    start(three().c_str());
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // The main window near the right edge: the box stays inside the work area.
    SetWindowPos((HWND) app->main_window, NULL, work.right - 150, 100, 400, 300, SWP_NOZORDER);
    struct {
        bool to_button, ctrl, shown;
    } cases[] = {{true, false, false}, {true, true, true}, {false, true, true}};
    for (const auto &c : cases) {
        BYTE keys[256], held[256];
        GetKeyboardState(keys);
        memcpy(held, keys, sizeof held);
        held[VK_CONTROL] = held[VK_LCONTROL] = c.ctrl ? 0x80 : 0;
        SetKeyboardState(held);
        std::string texts;
        bool before = true, after = false, logo = false;
        LONG right = 0;
        {
            DialogClicker clicker;
            clicker.answer("About Trovelinks", IDOK, [&](HWND d) {
                texts = item_text(d, IDC_VERSION) + "|" + item_text(d, IDC_BUILD);
                before = IsWindowVisible(GetDlgItem(d, IDC_BUILD));
                SendMessageA(c.to_button ? GetDlgItem(d, IDOK) : d, WM_KEYDOWN, 'B', 1);
                after = IsWindowVisible(GetDlgItem(d, IDC_BUILD));
                logo = SendDlgItemMessageA(d, IDC_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
                RECT r;
                GetWindowRect(d, &r);
                right = r.right;
            });
            command(IDM_ABOUT);
        }
        SetKeyboardState(keys);
        EXPECT_EQ(texts, "Version 1.01|Build: 20m");
        EXPECT_FALSE(before);
        EXPECT_EQ(after, c.shown) << c.to_button << c.ctrl;
        EXPECT_TRUE(logo);
        EXPECT_EQ(right, work.right);
    }
}

TEST_F(Gui, DirPickReturnsThePreselectedFolderOrNothing)
{
    std::string folder = dir.substr(0, dir.size() - 1);
    for (int button : {IDOK, IDCANCEL}) {
        DialogClicker clicker;
        clicker.answer("Browse for Folder", button, wait_for_selection(folder));
        char *path = dir_pick(NULL, "Directory of Favorites", dir.c_str());
        EXPECT_EQ(clicker.pending(), 0);
        if (button == IDOK) {
            ASSERT_TRUE(path != nullptr);
            EXPECT_EQ(lstrcmpiA(path, folder.c_str()), 0) << path;
        } else {
            EXPECT_EQ(path, nullptr);
        }
        memFree(path);
    }
}

// ---- Keyword Dictionary -------------------------------------------------------------------

struct DictionaryView {
    std::vector<std::string> words;
    std::string count;
    bool checked;
};

static DictionaryView read_dictionary(HWND d)
{
    DictionaryView v;
    HWND list = GetDlgItem(d, IDC_WORD_LIST);
    int n = (int) SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char text[300] = "";
        SendMessageA(list, LB_GETTEXT, (WPARAM) i, (LPARAM) text);
        v.words.push_back(text);
    }
    v.count = item_text(d, IDC_WORD_COUNT);
    v.checked = item_checked(d, IDC_WORD_CASE);
    return v;
}

// The Dictionary as it opens, then after each of clicks clicks of its case
// box; closed with its close box.
static std::vector<DictionaryView> open_dictionary(AppState *app, int clicks)
{
    std::vector<DictionaryView> views;
    DialogClicker clicker;
    clicker.answer("Keyword Dictionary", 0, [&](HWND d) {
        views.push_back(read_dictionary(d));
        for (int i = 0; i < clicks; i++) {
            click(d, IDC_WORD_CASE);
            views.push_back(read_dictionary(d));
        }
        PostMessageA(d, WM_CLOSE, 0, 0);
    });
    on_command(app, IDM_DICTIONARY, NULL, 0);
    return views;
}

TEST_F(Gui, DictionaryShowsEachWordOnceOrEveryKeyword)
{
    start(bookmark_file({}).c_str());
    std::vector<DictionaryView> views = open_dictionary(app, 0);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_TRUE(views[0].words.empty());
    EXPECT_EQ(views[0].count, "0 words");
    stop();

    std::string text = bookmark_file({{"http://a.example/", "A", "Zebra apple 42 Mango Chess"},
                                      {"http://b.example/", "B", "7up banana Apple zebra chess"},
                                      {"http://c.example/", "C", "kiwi2 Kiwi CHESS"}});
    start(text.c_str());
    // Each word once in the order a sorted list box gives them.
    HWND box = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 10, 10,
                               NULL, NULL, NULL, NULL);
    for (const char *w :
         {"zebra", "apple", "42", "mango", "chess", "7up", "banana", "kiwi2", "kiwi"})
        SendMessageA(box, LB_ADDSTRING, 0, (LPARAM) w);
    std::vector<std::string> once;
    for (int i = 0; i < 9; i++) {
        char word[32];
        SendMessageA(box, LB_GETTEXT, (WPARAM) i, (LPARAM) word);
        once.push_back(word);
    }
    DestroyWindow(box);

    views = open_dictionary(app, 2);
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0].words, once);
    EXPECT_EQ(views[0].count, "9 words");
    EXPECT_FALSE(views[0].checked);
    const std::vector<std::string> &all = views[1].words; // every keyword
    EXPECT_EQ(all.size(), 13u);
    EXPECT_EQ(views[1].count, "13 words");
    for (size_t i = 0; i + 1 < all.size(); i++)
        EXPECT_LE(lstrcmpiA(all[i].c_str(), all[i + 1].c_str()), 0) << all[i] << " " << all[i + 1];
    EXPECT_EQ(views[2].words, once);
    EXPECT_EQ(app->options.case_sens, 0u); // the box does not change the Options

    app->options.case_sens = 1;
    views = open_dictionary(app, 0);
    EXPECT_TRUE(views[0].checked);
    EXPECT_EQ(views[0].count, "13 words");
    EXPECT_EQ(read_file(file), text);
}
