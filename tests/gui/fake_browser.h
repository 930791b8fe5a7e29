// A stand-in web browser for the browser link's tests, and the registered
// http handler that points at it. Nothing real is started or reached.
#ifndef TL_TESTS_GUI_FAKE_BROWSER_H
#define TL_TESTS_GUI_FAKE_BROWSER_H

#include <windows.h>

#include <string>
#include <vector>

// A DDE server on a thread of its own serving service with the topics
// "WWW_Version", open_topic and "WWW_GetWindowInfo". It answers the
// window-information request with reply (its bytes as given: without a zero
// unless reply holds one), appends "connect|topic" for every conversation
// offered and "topic|item" for every request to the file log, and shows a
// top-level window titled "Netscape - [Fake Page] (window)". One at a time per
// process.
class FakeBrowser
{
public:
    FakeBrowser(const char *service, const char *open_topic, const std::string &reply,
                const std::string &log);
    ~FakeBrowser();
    HWND window() { return window_; }

private:
    static DWORD WINAPI run(void *self);
    static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conversation, HSZ topic,
                                      HSZ item, HDDEDATA data, ULONG_PTR, ULONG_PTR);
    std::string service_, open_topic_, reply_, log_;
    DWORD instance_ = 0, thread_id_ = 0;
    HANDLE thread_ = NULL, ready_ = NULL;
    HWND window_ = NULL;
};

// While it lives, this process sees a machine of its own (the local
// machine's and the classes' keys point into a key of the test's) whose
// http handler is the command, ddeexec\Application and ddeexec\Topic keys
// under http\shell\open (null leaves a value out; no ddeexec key without
// DDE names, as on a machine that never had any). One at a time.
class HttpHandler
{
public:
    HttpHandler(const char *command, const char *service = nullptr, const char *topic = nullptr);
    ~HttpHandler();

private:
    HKEY machine_ = NULL, classes_ = NULL;
};

// An http handler's command that starts the fake browser program beside the
// test program, which appends "args|URL" for the URL it is given (the
// handler's "%1") to the file log and ends.
std::string fake_browser_command(const std::string &log);
// The lines of the log at path once it has at least count lines, or what it
// has after ten seconds (at once for a count of 0).
std::vector<std::string> wait_for_log(const std::string &path, size_t count);

#endif
