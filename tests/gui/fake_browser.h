// A stand-in web browser for the browser link's tests, and the registered
// http handler that points at it. Nothing real is started or reached.
#ifndef TL_TESTS_GUI_FAKE_BROWSER_H
#define TL_TESTS_GUI_FAKE_BROWSER_H

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

// A DDE server on a thread of its own serving service with the topics
// "WWW_Version", open_topic and "WWW_GetWindowInfo". It answers the
// window-information request with reply (its bytes as given: without a zero
// unless reply holds one) and shows a top-level window titled title. One at
// a time per process.
class FakeBrowser
{
public:
    FakeBrowser(const char *service, const char *open_topic, const std::string &reply,
                const char *title, bool minimized = false, const char *log = nullptr);
    ~FakeBrowser();
    // "topic|item" for every request received, in order; "connect|topic" for
    // every conversation offered.
    std::vector<std::string> received();
    HWND window() { return window_; }

private:
    static DWORD WINAPI run(void *self);
    static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                     HSZ item, HDDEDATA data, ULONG_PTR, ULONG_PTR);
    void record(const std::string &entry);
    std::string service_, open_topic_, reply_, title_, log_;
    bool minimized_;
    DWORD instance_ = 0, thread_id_ = 0;
    HANDLE thread_ = NULL, ready_ = NULL;
    HWND window_ = NULL;
    std::mutex lock_;
    std::vector<std::string> received_;
};

// Sets the machine's http handler (the command, ddeexec\Application and
// ddeexec\Topic keys under HKEY_LOCAL_MACHINE's http\shell\open; null leaves
// a value out) and puts back what was there when it goes.
class HttpHandler
{
public:
    HttpHandler(const char *command, const char *service = nullptr, const char *topic = nullptr);
    ~HttpHandler();

private:
    bool had_[3];
    std::string old_[3];
};

// The fake browser program beside the test program, quoted, followed by
// arguments: "record LOG" logs its arguments; "serve LOG SERVICE TOPIC
// DELAY" also serves as a FakeBrowser after DELAY ms, logging what it
// receives, for a few seconds.
std::string fake_browser_command(const std::string &arguments);
// The lines of the log at path once it has at least count lines, or what it
// has after ten seconds.
std::vector<std::string> wait_for_log(const std::string &path, size_t count);

#endif
