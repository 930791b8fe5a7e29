// The dialogs, driven by the clicker one after another on one window: the
// Keyword Dictionary, Properties (Add's dialog is the browser tests'), About
// and Options.
#include "gui_harness.h"

#include <iterator>
#include <sstream>

#include "res/resource.h"
#include "session/options_text.h"
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

// The Dictionary's count, case box and words as one line each, as it opens
// and after each of clicks clicks of its case box; closed with its close box.
static Texts open_dictionary(AppState *app, int clicks)
{
    Texts views;
    DialogClicker clicker;
    clicker.answer("Keyword Dictionary", 0, [&](HWND d) {
        HWND list = GetDlgItem(d, IDC_WORD_LIST);
        for (int i = 0; i <= clicks; i++) {
            if (i) click(d, IDC_WORD_CASE);
            views.push_back(item_text(d, IDC_WORD_COUNT) +
                            (IsDlgButtonChecked(d, IDC_WORD_CASE) ? "|case:" : ":"));
            for (int k = 0; k < (int) SendMessageA(list, LB_GETCOUNT, 0, 0); k++) {
                char text[300] = "";
                SendMessageA(list, LB_GETTEXT, (WPARAM) k, (LPARAM) text);
                views.back() += std::string(" ") + text;
            }
        }
        PostMessageA(d, WM_CLOSE, 0, 0);
    });
    on_command(app, IDM_DICTIONARY, NULL, 0);
    return views;
}

// A check box of the Options dialog and the name of the field it is bound to.
static const struct {
    int id;
    const char *name;
} BOXES[] = {{IDC_PARTIAL_MATCH, "partial_match"},
             {IDC_CASE_SENS, "case_sens"},
             {IDC_BACKUP, "backup"},
             {IDC_TOOLTIPS, "tooltips"},
             {IDC_AUTO_LAUNCH, "auto_launch"},
             {IDC_AUTO_RESCAN, "auto_rescan"},
             {IDC_AUTO_CHECK, "auto_check"}};

static WNDPROC g_tip_proc;
static int g_tip_active;

// Notes how the tooltip control was last switched.
static LRESULT CALLBACK tip_spy(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == TTM_ACTIVATE) g_tip_active = (int) wparam;
    return CallWindowProcA(g_tip_proc, window, message, wparam, lparam);
}

// The dialogs one after another on one window. The Keyword Dictionary: each
// word once in lower case, or with the case box every keyword as stored, in
// the list box's order; the box does not change the Options.
//
// Properties: a title of spaces is refused with a message; another
// Bookmark's URL is taken only after Yes to the question, which then deletes
// that one; the Bookmark's own URL asks nothing. About: the build line and
// the dialog's place.
//
// Options: a changed tooltip box switches the tooltips, a changed way of
// matching runs the filter again. Each box shows its field and OK stores its
// click there, and nothing else (the record has no padding: equal bytes are
// equal fields); Cancel, after Browse has filled the file box, and the close
// box keep every field. A chosen file that exists has its Trovelinks taken
// in; one that cannot be read is not overwritten: the save moves it aside.
TEST_F(Gui, DictionaryPropertiesAboutAndOptionsOnOneWindow)
{
    start(bookmark_file({}).c_str());
    EXPECT_EQ(open_dictionary(app, 0), Texts{"0 words:"});
    stop();
    const std::string before =
        bookmark_file({{"http://a.example/", "A chess", "Zebra apple 42 Mango Chess"},
                       {"http://b.example/", "B chess", "7up banana Apple zebra chess"},
                       {"http://c.example/", "C cooking", "kiwi2 Kiwi CHESS"}});
    start(before.c_str());
    const std::string once = "9 words: 42 7up apple banana chess kiwi kiwi2 mango zebra";
    Texts views = open_dictionary(app, 2);
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views, (Texts{once, views[1], once}));
    // Every keyword, in an order that ignores case.
    std::istringstream all(views[1].substr(views[1].find(':') + 1));
    Texts words{std::istream_iterator<std::string>(all), {}};
    EXPECT_EQ(views[1].substr(0, 14) + std::to_string(words.size()), "13 words|case:13");
    for (size_t i = 0; i + 1 < words.size(); i++)
        EXPECT_LE(lstrcmpiA(words[i].c_str(), words[i + 1].c_str()), 0) << words[i];
    EXPECT_EQ(app->options.case_sens, 0u);
    app->options.case_sens = 1;
    EXPECT_EQ(open_dictionary(app, 0)[0].substr(0, 14), "13 words|case:");
    app->options.case_sens = 0;

    select({0});
    std::string stored, question;
    {
        DialogClicker clicker;
        clicker.answer(PROPERTIES_CAPTION, IDOK, fill("  \t ", "HTTP://B.EXAMPLE/", "other"));
        clicker.answer(PROPERTIES_CAPTION, IDOK, [&](HWND d) {
            stored = std::string(item(0)->title) + "|" + item(0)->url;
            fill(" A chess club ", nullptr, "tactics puzzles")(d);
        });
        clicker.answer(DUPLICATE_CAPTION, IDNO, [&](HWND d) { question = dialog_text(d); });
        clicker.answer(PROPERTIES_CAPTION, IDCANCEL); // No keeps the dialog open
        command(IDM_PROPERTIES);
        clicker.answer(PROPERTIES_CAPTION, IDOK,
                       fill(" A chess club ", "HTTP://B.EXAMPLE/", "tactics puzzles"));
        clicker.answer(DUPLICATE_CAPTION, IDYES);
        command(IDM_PROPERTIES);
        clicker.answer(PROPERTIES_CAPTION, IDOK, fill(nullptr, "http://b.example/", nullptr));
        command(IDM_PROPERTIES);
        EXPECT_EQ(clicker.texts(),
                  (Texts{PROPERTIES_CAPTION, "Please enter a title for this Trovelink",
                         PROPERTIES_CAPTION, DUPLICATE_CAPTION, PROPERTIES_CAPTION,
                         PROPERTIES_CAPTION, DUPLICATE_CAPTION, PROPERTIES_CAPTION}));
    }
    EXPECT_EQ(stored, "A chess|http://a.example/");
    EXPECT_EQ(question, "A Trovelink with the same URL already exists:\n\nB chess\n"
                        "http://b.example/\n\nDo you want to replace it?");
    EXPECT_EQ(column(0), (Texts{"A chess club", "C cooking"}));
    EXPECT_EQ(list_first_selected(app), 0); // the other's item went, the selection stays
    EXPECT_EQ(app->bookmarks->count, 2u);
    EXPECT_STREQ(find_bookmark_by_url(app, "http://b.example/")->title, "A chess club");
    EXPECT_EQ(find_bookmark_by_url(app, "http://a.example/"), nullptr);
    for (const char *query : {"tactics", "banana"}) {
        clear_box();
        type(query);
        EXPECT_EQ(list_count(app), query[0] == 't' ? 1 : 0) << query;
    }

    // The build line shows after Ctrl+B, pressed on the box or on its button.
    // The main window near the right edge: the box is centred on it as far as
    // the work area lets it.
    RECT work, r = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos((HWND) app->main_window, NULL, work.right - 150, 100, 400, 300, SWP_NOZORDER);
    const struct {
        bool to_button, ctrl, shown;
    } cases[] = {{true, false, false}, {true, true, true}, {false, true, true}};
    for (const auto &c : cases) {
        BYTE keys[256], held[256];
        GetKeyboardState(keys);
        memcpy(held, keys, sizeof held);
        held[VK_CONTROL] = held[VK_LCONTROL] = c.ctrl ? 0x80 : 0;
        SetKeyboardState(held);
        std::string seen;
        {
            DialogClicker clicker;
            clicker.answer("About Trovelinks", IDOK, [&](HWND d) {
                seen = item_text(d, IDC_VERSION) + "|" + item_text(d, IDC_BUILD) + "|" +
                       std::to_string(IsWindowVisible(GetDlgItem(d, IDC_BUILD)));
                SendMessageA(c.to_button ? GetDlgItem(d, IDOK) : d, WM_KEYDOWN, 'B', 1);
                seen += std::to_string(IsWindowVisible(GetDlgItem(d, IDC_BUILD)));
                seen +=
                    SendDlgItemMessageA(d, IDC_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0) ? "|logo" : "";
                GetWindowRect(d, &r);
            });
            command(IDM_ABOUT);
        }
        SetKeyboardState(keys);
        EXPECT_EQ(seen, std::string("Version 1.01|Build: 20m|0") + (c.shown ? "1" : "0") + "|logo");
        EXPECT_EQ(r.right, work.right);
        EXPECT_NEAR((r.top + r.bottom) / 2, 250, 1);
    }

    HWND tips = (HWND) app->tool_tips;
    g_tip_proc = (WNDPROC) SetWindowLongPtrA(tips, GWLP_WNDPROC, (LONG_PTR) tip_spy);
    auto options = [&](DialogClicker::Action action) {
        DialogClicker clicker;
        clicker.answer(OPTIONS_CAPTION, IDOK, action);
        command(IDM_OPTIONS);
        return clicker.texts();
    };
    clear_box();
    type("chess");
    const struct {
        int box, tooltips;
        bool filtered;
        int shown;
    } steps[] = {
        {IDC_TOOLTIPS, 0, false, 1},
        {IDC_TOOLTIPS, 1, false, 1},
        {IDC_BACKUP, 1, false, 1},
        {IDC_CASE_SENS, 1, true, 0},
    };
    for (const auto &s : steps) {
        status_set_part(app, 0, "marker"); // what a filter run replaces
        g_tip_active = -1;
        options([&](HWND d) { click(d, s.box); });
        EXPECT_EQ(g_tip_active, s.tooltips) << s.box;
        EXPECT_EQ(part(0) != "marker", s.filtered) << s.box;
        EXPECT_EQ(list_count(app), s.shown) << s.box;
    }
    SetWindowLongPtrA(tips, GWLP_WNDPROC, (LONG_PTR) g_tip_proc);
    clear_box();

    Options &o = app->options;
    o.implied_or = 1;
    o.status_timer = 7;
    for (unsigned bit : {1u, 2u, 4u}) { // each box's bits of its row number + 1
        Options want = o;
        std::vector<bool> pattern, shown;
        for (size_t i = 0; i < std::size(BOXES); i++) {
            pattern.push_back((i + 1) & bit);
            option_set(&o, BOXES[i].name, pattern[i] ? "1" : "0");
            option_set(&want, BOXES[i].name, pattern[i] ? "0" : "1");
        }
        options([&](HWND d) {
            for (const auto &b : BOXES) {
                shown.push_back(IsDlgButtonChecked(d, b.id) == BST_CHECKED);
                click(d, b.id);
            }
        });
        EXPECT_EQ(shown, pattern);
        EXPECT_EQ(memcmp(&o, &want, sizeof o), 0) << bit;
    }
    const Options kept = o;
    std::string chosen = dir + "chosen.htm", box;
    write_file(chosen, "");
    auto change_all = [](HWND d) {
        for (const auto &b : BOXES)
            click(d, b.id);
    };
    {
        DialogClicker clicker;
        clicker.answer(OPTIONS_CAPTION, 0, [&](HWND d) {
            change_all(d);
            PostMessageA(d, WM_COMMAND, IDC_BROWSE, 0);
        });
        clicker.answer("Trovelink File", IDOK, typed(chosen));
        clicker.answer(OPTIONS_CAPTION, IDCANCEL, [&](HWND d) { box = item_text(d, IDC_TL_FILE); });
        EXPECT_EQ(options_dialog((HWND) app->main_window, &o), 2);
        EXPECT_EQ(box, chosen);
        EXPECT_EQ(memcmp(&o, &kept, sizeof o), 0);
        clicker.answer(OPTIONS_CAPTION, 0, [&](HWND d) {
            change_all(d);
            SetDlgItemTextA(d, IDC_TL_FILE, "elsewhere.htm");
            PostMessageA(d, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(options_dialog((HWND) app->main_window, &o), 1);
        EXPECT_EQ(memcmp(&o, &kept, sizeof o), 0);
    }

    std::string other = dir + "other.htm", locked = dir + "locked.htm";
    std::string precious = bookmark_file({{"http://k/", "K", ""}});
    write_file(other, bookmark_file({{"HTTP://B.EXAMPLE/", "A elsewhere", "openings"},
                                     {"http://d.example/", "D draughts", "draughts"}}));
    options([&](HWND d) { SetDlgItemTextA(d, IDC_TL_FILE, other.c_str()); });
    EXPECT_EQ(part(0), "1 Trovelinks imported from " + other);
    EXPECT_EQ(column(0), (Texts{"A chess club", "C cooking", "D draughts"}));
    write_file(locked, precious);
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(options([&](HWND d) { SetDlgItemTextA(d, IDC_TL_FILE, locked.c_str()); }),
              (Texts{OPTIONS_CAPTION, "Unable to read Trovelinks from file\n\n" + locked}));
    CloseHandle(lock);
    stop();
    EXPECT_EQ(read_file(locked + ".unread"), precious);
    EXPECT_EQ(titles_in(read_file(locked)).size(), 3u);
    EXPECT_EQ(read_file(file), before);
}
