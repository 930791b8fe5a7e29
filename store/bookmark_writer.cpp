// The bookmark file writer, the safe write and the save with its backup.
#include "store/bookmark_writer.h"

#include <stdio.h>
#include <string.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "core/vstr.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "store/html_text.h"

static const char FILE_HEADER[] = "<HTML><HEAD>\r\n"
                                  "<!DOCTYPE Velorix-Trovelinks-file-1>\r\n"
                                  "<!-- This is an automatically generated file.\r\n"
                                  "It will be read and overwritten.\r\n"
                                  "Do Not Edit! -->\r\n"
                                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                                  "charset=UTF-8\">\r\n"
                                  "<TITLE>Trovelinks</TITLE>\r\n"
                                  "</HEAD>\r\n"
                                  "<BODY>\r\n"
                                  "<H1>Trovelinks</H1>\r\n"
                                  "<DL><p>\r\n"
                                  "\r\n";
static const char FILE_FOOTER[] = "</DL><p>\r\n"
                                  "</BODY>\n";

// NAME="value" and a space, the value in unsigned decimal.
static void append_date(vstr *out, const char *name, uint32_t date)
{
    char text[32];
    char *p = text + sizeof text;
    *--p = ' ';
    *--p = '"';
    do
        *--p = (char) ('0' + date % 10);
    while (date /= 10);
    *--p = '"';
    *--p = '=';
    vstrAppend(out, name);
    vstrAppendPrimative(out, p, (uint32_t) (text + sizeof text - p));
}

static void append_entry(vstr *out, const Bookmark *b)
{
    vstrAppend(out, "<DT><A HREF=\"");
    append_html_text(out, b->url);
    vstrAppend(out, "\" ");
    append_date(out, "ADD_DATE", b->addDate);
    if (date_is_time(b->lastVisit)) append_date(out, "LAST_VISIT", b->lastVisit);
    if (date_is_time(b->lastModified)) append_date(out, "LAST_MODIFIED", b->lastModified);
    vstrAppend(out, ">");
    append_html_text(out, b->title);
    vstrAppend(out, "</A>\r\n<DD>");
    // The keyword text as keyword_list_text gives it (the texts separated by
    // single spaces), appended straight from the list: a file of 100,000
    // Bookmarks is written without 100,000 temporary strings.
    for (uint32_t i = 0; i < b->keywords->entries->count; i++) {
        if (i) vstrAppendCh(out, ' ');
        append_html_text(out, vec_at<KeywordEntry>(b->keywords->entries, i)->text);
    }
    vstrAppend(out, "\r\n\r\n");
}

// Builds the file text for the Bookmarks of v into out. With a file given,
// the text goes to the file whenever out holds a megabyte, and out is
// reused: a save of 100,000 Bookmarks keeps one small buffer warm instead
// of touching the whole text's worth of new memory. 0 when a write failed.
static int produce_image(const vec *v, vstr *out, OsFile file)
{
    const uint32_t chunk = 1u << 20;
    vstrAppend(out, FILE_HEADER);
    for (uint32_t i = 0; i < v->count; i++) {
        append_entry(out, vec_at<Bookmark>(v, i));
        if (file != OS_NO_FILE && out->length >= chunk) {
            if (!os_file_write(file, out->data, out->length)) return 0;
            out->length = 0;
        }
    }
    vstrAppend(out, FILE_FOOTER);
    return file == OS_NO_FILE || os_file_write(file, out->data, out->length);
}

char *bookmark_file_image(const vec *v)
{
    // Room for a typical file at once rather than a string of doublings
    // (an entry is some 120 bytes of markup and dates, url, title and
    // keywords); pages never written to cost no memory.
    uint64_t estimate = sizeof FILE_HEADER + sizeof FILE_FOOTER + 256ull * v->count;
    vstr out;
    vstrInit(&out);
    vstrGrow(&out, (uint32_t) (estimate < (64u << 20) ? estimate : (64u << 20)));
    produce_image(v, &out, OS_NO_FILE);
    return vstrDetach(&out);
}

// Creates a new file beside path for the text that is to replace it; its
// name goes to name. OS_NO_FILE when none can be created.
static OsFile create_temporary(const char *path, vstr *name)
{
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        vstrSet(name, path);
        char suffix[16] = ".tmp";
        if (attempt) snprintf(suffix, sizeof suffix, ".%u.tmp", attempt);
        vstrAppend(name, suffix);
        OsFile f = os_file_create_new(name->data);
        if (f != OS_NO_FILE) return f;
        // Only a name in use is worth another try; anything else (a missing
        // or read-only folder) fails every name alike.
        if (!os_file_exists(name->data)) break;
    }
    return OS_NO_FILE;
}

// What goes into a file: a text, or the image of a list of Bookmarks.
struct FileContent {
    const char *text; // written as it is unless null
    const vec *bookmarks;
};

static int write_content(OsFile f, const FileContent *content)
{
    if (content->text) return os_file_write(f, content->text, strlen(content->text));
    vstr buffer;
    vstrInit(&buffer);
    vstrGrow(&buffer, (1u << 20) + 4096);
    int ok = produce_image(content->bookmarks, &buffer, f);
    vstrClear(&buffer);
    return ok;
}

// Writes content as the file at path through a temporary file. With backup
// (a name) the previous file is renamed to it, without replacing, just
// before the new one takes its place; when that last step fails it is
// renamed back. On failure left (when given) learns what stays on disk
// besides path.
static int write_replacing(const char *path, const FileContent *content, const char *backup,
                           SaveLeftovers *left)
{
    if (!path || !*path) return 0;
    vstr temporary;
    vstrInit(&temporary);
    OsFile f = create_temporary(path, &temporary);
    if (f == OS_NO_FILE) {
        vstrClear(&temporary);
        return 0;
    }
    int ok = write_content(f, content) && os_file_flush(f);
    ok = os_file_close(f) && ok;
    if (ok) {
        int backed_up = backup && os_file_rename(path, backup);
        ok = os_file_replace(temporary.data, path);
        // Should the backup not go back, it alone holds the previous file.
        if (!ok && backed_up && !os_file_rename(backup, path) && left)
            left->previous = dupstr(backup);
    }
    if (!ok && os_file_exists(temporary.data) && !os_file_remove(temporary.data) && left)
        left->temporary = dupstr(temporary.data);
    vstrClear(&temporary);
    return ok;
}

int write_whole_file(const char *path, const char *text)
{
    FileContent content = {text, nullptr};
    return write_replacing(path, &content, nullptr, nullptr);
}

int save_bookmark_file(AppState *app, SaveLeftovers *left)
{
    const char *path = app->options.tl_file;
    vstr backup;
    vstrInit(&backup);
    if (app->options.backup) {
        vstrSet(&backup, path);
        vstrAppend(&backup, ".bak");
    }
    FileContent content = {nullptr, app->bookmarks};
    int ok = write_replacing(path, &content, backup.data, left);
    vstrClear(&backup);
    return ok;
}

// Appends format with its one %s replaced by argument.
static void append_format(vstr *out, const char *format, const char *argument)
{
    vstr part;
    vstrInit(&part);
    vstrSet(&part, format);
    vstrSub(&part, "%s", argument);
    vstrAppendPrimative(out, part.data, part.length);
    vstrClear(&part);
}

char *save_failure_text(const char *path, const SaveLeftovers *left)
{
    vstr text;
    vstrInit(&text);
    append_format(&text, SAVE_FAILED_FORMAT, path);
    if (left && left->previous) append_format(&text, SAVE_PREVIOUS_KEPT_FORMAT, left->previous);
    if (left && left->temporary) append_format(&text, SAVE_TEMPORARY_LEFT_FORMAT, left->temporary);
    return vstrDetach(&text);
}

void save_leftovers_clear(SaveLeftovers *left)
{
    memFree(left->previous);
    memFree(left->temporary);
    left->previous = nullptr;
    left->temporary = nullptr;
}

int export_bookmarks_to(const vec *v, const char *path)
{
    FileContent content = {nullptr, v};
    return write_replacing(path, &content, nullptr, nullptr);
}
