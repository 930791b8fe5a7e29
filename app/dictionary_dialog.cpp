// The Keyword Dictionary: every keyword of the index in a sorted list box,
// either as stored or each word once in lower case, with their number. It
// changes nothing, not even case_sens.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/shell.h"
#include "core/mem.h"
#include "search/dictionary_words.h"
#include "search/keyword_index.h"
#include "res/resource.h"

// The dialog's argument, kept in its user data.
struct DictionaryArgs {
    int case_flag;    // initial setting of the check box
    const vec *words; // keyword texts (not owned)
};

// A text with its sort key, for ordering.
struct Keyed {
    const unsigned char *key;
    uint32_t length; // of the key
    uint32_t rank;   // the text's place in the input: ties keep it
    const char *text;
};

static int compare_keyed(const void *a, const void *b)
{
    const Keyed *x = (const Keyed *) a, *y = (const Keyed *) b;
    int c = memcmp(x->key, y->key, x->length < y->length ? x->length : y->length);
    if (c) return c;
    if (x->length != y->length) return x->length < y->length ? -1 : 1;
    return x->rank < y->rank ? -1 : x->rank > y->rank;
}

// Adds the texts of shown to the sorted list box in its own order. They are
// sorted here by the locale's sort keys, which order texts as the box's
// comparison does, and appended at the end: the box neither searches for
// the place of each nor moves the items after it.
static void add_in_list_order(HWND list, const vec *shown)
{
    uint32_t n = shown->count;
    Keyed *keyed = (Keyed *) memAlloc(sizeof(Keyed) * (n ? n : 1));
    size_t capacity = 4096, used = 0;
    unsigned char *keys = (unsigned char *) memAlloc(capacity);
    for (uint32_t i = 0; i < n; i++) {
        const char *text = vec_at<char>(shown, i);
        if (capacity - used < 512) {
            capacity *= 2;
            keys = (unsigned char *) memRealloc(keys, capacity);
        }
        uint32_t length = locale_sort_key(text, keys + used, (uint32_t) (capacity - used));
        if (length > capacity - used) {
            capacity = (used + length) * 2;
            keys = (unsigned char *) memRealloc(keys, capacity);
            length = locale_sort_key(text, keys + used, (uint32_t) (capacity - used));
        }
        keyed[i] = {nullptr, length, i, text};
        used += length;
    }
    for (uint32_t i = 0, at = 0; i < n; at += keyed[i].length, i++)
        keyed[i].key = keys + at;
    qsort(keyed, n, sizeof *keyed, compare_keyed);
    for (uint32_t i = 0; i < n; i++)
        SendMessageA(list, LB_INSERTSTRING, (WPARAM) -1, (LPARAM) keyed[i].text);
    memFree(keys);
    memFree(keyed);
}

void fill_dictionary(HWND dialog, int case_flag, const vec *words)
{
    HWND list = GetDlgItem(dialog, IDC_WORD_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    vec *shown = vec_create();
    char *copies = dictionary_words(words, case_flag, shown);
    size_t bytes = 0;
    for (uint32_t i = 0; i < shown->count; i++)
        bytes += strlen(vec_at<char>(shown, i)) + 1;
    SendMessageA(list, LB_INITSTORAGE, (WPARAM) shown->count, (LPARAM) bytes);
    add_in_list_order(list, shown);
    uint32_t count = shown->count;
    memFree(copies);
    vec_destroy(shown);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    char text[32];
    snprintf(text, sizeof text, "%u words", (unsigned) count);
    SetDlgItemTextA(dialog, IDC_WORD_COUNT, text);
}

static INT_PTR CALLBACK dictionary_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    const DictionaryArgs *args = (const DictionaryArgs *) GetWindowLongPtrA(dialog, GWLP_USERDATA);
    switch (message) {
    case WM_INITDIALOG:
        args = (const DictionaryArgs *) lparam;
        center_window(dialog, GetWindow(dialog, GW_OWNER));
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lparam);
        CheckDlgButton(dialog, IDC_WORD_CASE, args->case_flag ? BST_CHECKED : BST_UNCHECKED);
        fill_dictionary(dialog, args->case_flag, args->words);
        return TRUE;
    case WM_COMMAND:
        // No Cancel: Escape leaves the dialog open.
        if (LOWORD(wparam) == IDOK) {
            EndDialog(dialog, 1);
        } else if (LOWORD(wparam) == IDC_WORD_CASE && HIWORD(wparam) == BN_CLICKED) {
            fill_dictionary(dialog, IsDlgButtonChecked(dialog, IDC_WORD_CASE) == BST_CHECKED,
                            args->words);
        }
        return TRUE;
    case WM_CLOSE: EndDialog(dialog, 1); return TRUE;
    }
    return FALSE;
}

void show_dictionary(HWND owner, int case_flag, const vec *words)
{
    DictionaryArgs args = {case_flag, words};
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_DICTIONARY), owner, dictionary_proc,
                    (LPARAM) &args);
}

void on_dictionary(AppState *app)
{
    vec *words = keyword_index_words(app->keyword_index);
    show_dictionary((HWND) app->main_window, app->options.case_sens, words);
    vec_destroy(words);
}
