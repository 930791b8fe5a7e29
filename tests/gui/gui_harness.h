// Drives the Windows shell in process: a private folder and Options for each
// test, start-up with a prepared bookmark file, typing into the filter box,
// reading back the list and the status bar, message boxes answered by a
// clicker thread, and shutdown.
#ifndef TL_TESTS_GUI_HARNESS_H
#define TL_TESTS_GUI_HARNESS_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/shell.h"

// Answers message boxes and dialogs captioned "Trovelinks" of this process
// from a thread of its own: presses button (IDOK, IDYES, ...) and keeps
// their texts.
class DialogClicker
{
public:
    explicit DialogClicker(int button = IDOK);
    ~DialogClicker();
    std::vector<std::string> texts(); // the texts of the boxes answered so far
private:
    static DWORD WINAPI run(void *self);
    int button_;
    volatile LONG stop_;
    HANDLE thread_;
    CRITICAL_SECTION lock_;
    std::vector<std::string> texts_;
};

// Options values as the registry holds them.
void registry_clear(void);
void registry_set_dword(const char *name, DWORD value);
void registry_set_string(const char *name, const char *value);
// A value of the Properties or Version key; false when missing.
bool registry_get_dword(const char *sub_key, const char *name, DWORD *value);

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &text);
bool file_exists(const std::string &path);

// A bookmark file with one entry per (url, title, keywords) triple.
struct Entry {
    const char *url, *title, *keywords;
    unsigned visit = 0, modified = 0; // 0: not written
};
std::string bookmark_file(const std::vector<Entry> &entries);

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
    std::string box_text();
    std::string part(int index);
    std::vector<std::string> column(int column);
    int image(int index);

    std::string dir;  // this test's folder, with a separator at the end
    std::string file; // the bookmark file
    AppState *app = nullptr;
};

#endif
