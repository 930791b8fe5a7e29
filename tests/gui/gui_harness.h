// Drives the Windows shell in process: a private folder and Options for each
// test, start-up with a prepared bookmark file, typing into the filter box,
// reading back the list and the status bar, message boxes answered by a
// clicker thread, and shutdown.
#ifndef TL_TESTS_GUI_HARNESS_H
#define TL_TESTS_GUI_HARNESS_H

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/shell.h"

using Texts = std::vector<std::string>;

// Answers the dialogs of this process from a thread of its own. Message
// boxes captioned "Trovelinks" get button (IDOK, IDYES, ...) and their texts
// are kept. Other dialogs are answered by the queued answers, in order, each
// once; their text is their caption (and the scope chooser's radio button
// texts, joined by "|"). A dialog with no answer waiting is cancelled.
// A dialog that stays open under a dialog of its own (a message box, a file
// dialog) is answered again, by the next answer, once that one has gone.
class DialogClicker
{
public:
    // Runs on a dialog in the clicker's thread before its button is pressed,
    // to read or fill its controls.
    using Action = std::function<void(HWND dialog)>;

    explicit DialogClicker(int button = IDOK);
    ~DialogClicker();
    // Queues an answer for the next dialog captioned caption that runs action
    // (when not null), then presses button (0: none; the action leads on by
    // itself, for example to a dialog of the dialog's own).
    void answer(const char *caption, int button, Action action = nullptr);
    std::vector<std::string> texts(); // the texts of the dialogs answered so far
    int pending();                    // answers not used yet
private:
    struct Answer {
        std::string caption;
        int button;
        Action action;
    };
    void run();
    void respond(HWND dialog, const std::string &caption);
    int button_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> texts_;
    std::vector<Answer> answers_;
    std::thread thread_; // last: it starts once the rest is set up
};

// Clicker actions: a file dialog's file name typed in; a radio button of the
// scope chooser checked.
DialogClicker::Action typed(std::string path);
DialogClicker::Action chosen(int radio);
// A clicker action for the folder browser: waits until it has selected the
// folder path (without a separator at the end), as it does once it is up.
DialogClicker::Action wait_for_selection(std::string path);

// The texts of a dialog's static controls, joined by "|" (a message box's
// message among them).
std::string dialog_text(HWND dialog);
// A window's text ("" for no window); a dialog control's text.
std::string window_text(HWND window);
std::string item_text(HWND dialog, int id);

// Options values as the registry holds them; a string value under another
// key of the current user too.
void registry_clear(void);
void registry_set_dword(const char *name, DWORD value);
void registry_set_string(const char *name, const char *value, const char *key = nullptr);
// The values names of the Properties or Version key, each followed by a
// space; "-" for one that is missing or not a number.
std::string registry_dwords(const char *sub_key, const std::vector<const char *> &names);

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &text);
bool file_exists(const std::string &path);

// A bookmark file with one entry per (url, title, keywords) triple.
struct Entry {
    const char *url, *title, *keywords;
    unsigned visit = 0, modified = 0; // 0: not written
};
std::string bookmark_file(const std::vector<Entry> &entries);
// Three Bookmarks whose titles sort as the list shows them: "A chess"
// (keyword openings), "B chess" (endgames), "C cooking" (recipes).
std::string three(void);
// The titles of the entries of a bookmark file, in file order.
std::vector<std::string> titles_in(const std::string &text);

class Gui : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes text (unless null) as the bookmark file, points tl_file at it
    // and starts the shell. Existing registry values stay.
    void start(const char *text);
    // Closes the main window as the user does and shuts down (saves).
    void stop();
    // Handles every waiting message, then runs the idle work once.
    void pump();
    // Types text into the filter box, one character message at a time.
    void type(const std::string &text);
    // Empties the filter box.
    void clear_box();
    std::string part(int index);
    std::vector<std::string> column(int column);
    int image(int index);
    // Selects exactly the items at indices (display order).
    void select(const std::vector<int> &indices);
    // Runs a command as a menu item does, then pumps.
    void command(int id);
    // Presses key (with Ctrl or Alt held when asked) on window, through the
    // same pre-filter and accelerator keys as the main loop.
    void key(HWND window, int vk, bool ctrl = false, bool alt = false);
    // The Bookmark of the list's item index.
    Bookmark *item(int index);

    std::string dir;  // this test's folder, with a separator at the end
    std::string file; // the bookmark file
    AppState *app = nullptr;
};

#endif
