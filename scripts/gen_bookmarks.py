#!/usr/bin/env python3
"""Writes a large bookmark file to stdout, for the benchmarks and the tests.

usage: gen_bookmarks.py [--style own|browser] --count N [--seed S] > file.htm

  own      the program's own bookmark file: its fixed header, one entry of
           three lines (CR LF) per Bookmark with the keyword line the program
           keeps, texts encoded as the program writes them, its footer. Every
           URL once.
  browser  a browser export (LF, UTF-8): the toolbar folder, nested folders
           with headings and some with descriptions, the other-bookmarks
           folder, indented <DD> descriptions (a few over several lines),
           icon, tag and keyword attributes, entities, UTF-8 titles,
           bookmarklets and browser-internal URLs, and some URLs twice (half
           of them in other letter case, the rest with a later ADD_DATE).

N is the number of anchors. The same arguments give the same bytes: only
random.Random(seed).random() is drawn from, whose sequence Python keeps, and
nothing depends on the order of a set or on string hashing.

Words come from a vocabulary of N / 4 words (at least 300): common English
words near the top, made-up words of one to three syllables below them. The
word of rank k is drawn with a weight of 1 / (k + 3), falling off as word
frequencies do in natural text: a few words stand in thousands of titles,
most in a handful. The keywords that owners type come from a small set of
tags. Words the benchmarks search for have fixed ranks, whatever the seed,
so that each query finds what its benchmark means it to: a most frequent
word, common topics, a moderately common word, rare ones.
"""
import argparse
import bisect
import itertools
import sys

# The benchmarks' query words and their ranks (0 is the most frequent).
PINNED = (
    ("munwebzan", 0),
    ("news", 2),
    ("data", 5),
    ("web", 7),
    ("net", 9),
    ("code", 12),
    ("map", 17),
    ("art", 23),
    ("lab", 31),
    ("cook", 45),
    ("chess", 140),
    ("linwebtorthro", 3500),
    ("zzz", 12000),
)

COMMON = """
weather music travel garden photo market marine recipe science history sport
film book library forum blog guide tutorial review shop game school city train
bike sail bird star tool linux design health money bank job house family video
radio museum theatre poetry novel river mountain island forest ocean coffee tea
bread wine cheese fruit garden kitchen recipe football tennis cricket golf
running climbing fishing camping hiking skiing physics chemistry biology maths
astronomy geology economics politics election law court tax insurance mortgage
rent flat hotel flight airport ticket timetable bus tram ferry harbour tide
wind rain snow storm forecast calendar event concert festival exhibition
gallery painting drawing sculpture camera lens print paper pen ink font
keyboard mouse screen laptop phone tablet printer network server cloud backup
security password privacy email chat podcast stream archive wiki manual faq
support download update release version patch bug issue report review rating
price deal sale discount coupon gift toy puzzle crossword quiz lesson course
exam grade student teacher university college research paper journal article
magazine newspaper column editorial interview letter diary memoir biography
language grammar dictionary translation french german spanish italian latin
greek japanese chinese russian arabic dutch swedish polish market marine
marathon march mark marble mars marketing married atlas archive article
airport album animal answer apple energy engine english estate orchestra
office online opera organic outdoor island image index internet
""".split()

# The keywords people type themselves: a small set, used again and again.
TAGS = ("news", "code", "map", "data", "web", "net", "lab", "cook", "art", "chess", "music",
        "travel", "work", "todo", "read", "later", "ref", "fun")
STOP = ("the", "a", "of", "and", "for", "in", "on", "to", "my", "with", "home", "page",
        "from", "by", "about", "www")
# The program's stop words: these are not keywords of an imported title.
PROGRAM_STOP = set("""a about as src welcome latest an and by com for from ftp had have home
in of on page pub the then to txt with site www http my""".split())

UTF8 = ("café", "Zürich", "naïve", "São Paulo", "Kraków", "Malmö", "Ærøskøbing", "東京",
        "Москва", "crème brûlée", "señor", "Ελλάδα", "Ångström", "Düsseldorf", "smørrebrød")
ONSETS = ("", "", "", "") + tuple("b bl br c ch cr d dr f fl g gl gr h j k kl l m n p pl pr r s sc sh sk sl sp st t th tr v w y z".split())
VOWELS = "a e i o u a e o i ai ou ee oo ea".split()
CODAS = ("", "", "", "", "n", "r", "s", "t", "l", "m", "nd", "st", "ck", "x", "ng")
TLDS = ("com", "com", "com", "org", "net", "de", "fr", "uk", "io", "edu", "nl", "jp")
FOLDER_NAMES = ("Reading", "Work", "Projects", "Later", "Reference", "Shopping", "Travel",
                "Tools", "Misc", "Archive", "Imported")
BOOKMARKLETS = (
    "javascript:location.href='https://share.example.com/?u='+encodeURIComponent(location.href)",
    "javascript:(function(){var s=String(getSelection());if(s.length>0)open('https://words.example.org/?q='+s)})()",
    "javascript:void(document.body.style.zoom=1.5)",
)
INTERNAL = ("about:config", "about:preferences#privacy", "chrome://settings/", "chrome://flags/",
            "place:sort=8&maxResults=10", "place:type=6&sort=14&maxResults=10", "about:blank")
ICON = ("data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAAK0lEQVR4nGNk"
        "YPj/n4EBAQGBgYGBgYGBgYGBgYGBgYGBgYGBgYGBgYGBgQAAgPMBAXtqf1YAAAAASUVORK5CYII=")
BASE_DATE = 1_100_000_000
LAST_DATE = 1_740_000_000


class Draw:
    """The generator's randomness: everything comes from random()."""

    def __init__(self, seed):
        import random
        self.random = random.Random(seed).random

    def below(self, n):
        return min(int(self.random() * n), n - 1)

    def chance(self, p):
        return self.random() < p

    def pick(self, seq):
        return seq[self.below(len(seq))]


class Vocabulary:
    def __init__(self, draw, size):
        self.draw = draw
        taken = set(PROGRAM_STOP) | set(STOP) | {w for w, _ in PINNED}
        words = []
        for w in COMMON:
            if w not in taken:
                taken.add(w)
                words.append(w)
        common = len(words)
        made = size - len(PINNED) - len(words)
        while made > 0:
            w = "".join(self.syllable() for _ in range(1 + draw.below(2) + draw.below(2)))
            if len(w) >= 3 and w not in taken:
                taken.add(w)
                words.append(w)
                made -= 1
        # The common words somewhere among the first ranks, the made-up ones
        # anywhere; then the pinned words at their ranks.
        top = min(3000, size)
        keyed = [((draw.random() * (top if i < common else size)), i, w)
                 for i, w in enumerate(words)]
        keyed.sort()
        self.words = [w for _, _, w in keyed]
        for w, rank in PINNED:
            self.words.insert(min(rank, len(self.words)), w)
        self.cumulative = list(itertools.accumulate(1.0 / (k + 3) for k in range(len(self.words))))

    def syllable(self):
        d = self.draw
        return d.pick(ONSETS) + d.pick(VOWELS) + d.pick(CODAS)

    def word(self):
        at = bisect.bisect_right(self.cumulative, self.draw.random() * self.cumulative[-1])
        return self.words[min(at, len(self.words) - 1)]


def cased(draw, w):
    r = draw.random()
    if r < 0.35:
        return w.capitalize()
    if r < 0.37:
        return w.upper()
    return w


def title_of(draw, vocab):
    n = 2 + draw.below(3) + draw.below(4)
    words = []
    for _ in range(n):
        r = draw.random()
        if r < 0.12:
            w = draw.pick(STOP)
            words.append(w.capitalize() if draw.chance(0.3) else w)
        elif r < 0.15:
            words.append(str(1990 + draw.below(36)) if draw.chance(0.7) else str(1 + draw.below(20)))
        else:
            words.append(cased(draw, vocab.word()))
    r = draw.random()
    if r < 0.04:
        words.insert(1 + draw.below(len(words) - 1), "&")
    elif r < 0.07:
        words.insert(draw.below(len(words) + 1), draw.pick(UTF8))
    elif r < 0.08:
        words.append("\u2013 " + draw.pick(UTF8))
    elif r < 0.10:
        words[0] += "'s"
    elif r < 0.11:
        words[-1] = '"' + words[-1] + '"'
    elif r < 0.115:
        words.append("<" + vocab.word() + ">")
    elif r < 0.15:
        words[0] += ":"
    elif r < 0.19:
        words.insert(draw.below(len(words) + 1), "-")
    return " ".join(words)


def url_of(draw, vocab, i):
    scheme = "https" if draw.chance(0.75) else "http"
    if draw.chance(0.005):
        host = "10.%d.%d.%d" % (draw.below(256), draw.below(256), 1 + draw.below(254))
    else:
        host = ("www." if draw.chance(0.5) else "") + vocab.word() + "." + draw.pick(TLDS)
    if draw.chance(0.01):
        host += ":" + draw.pick(("8080", "8000", "8443", "3000"))
    path = "/".join(vocab.word() for _ in range(draw.below(4)))
    if path and draw.chance(0.3):
        path += draw.pick((".html", ".htm", ".php", "/"))
    url = "%s://%s/%s" % (scheme, host, path)
    if draw.chance(0.15):
        url += "?id=%d&page=%d" % (i, 1 + draw.below(50))
    if draw.chance(0.05):
        url += "#" + vocab.word()
    return url


def unique_url(draw, vocab, i, seen):
    url = url_of(draw, vocab, i)
    if url.lower() in seen:
        url += ("&" if "?" in url else "?") + "n=%d" % i
    seen.add(url.lower())
    return url


def dates(draw):
    add = BASE_DATE + draw.below(LAST_DATE - BASE_DATE)
    return add, min(add + draw.below(60_000_000), LAST_DATE)


def tags(draw):
    """One to three of the tags, each once."""
    chosen = []
    for _ in range(1 + draw.below(3)):
        t = draw.pick(TAGS)
        if t not in chosen:
            chosen.append(t)
    return chosen


def keywords_of(title):
    """The keywords an import gives a title: its words (runs of ASCII letters
    and digits, "'s" dropped) without one-letter words and stop words."""
    words, run = [], ""
    for c in title.replace("'s", " ") + " ":
        if c.isascii() and c.isalnum():
            run += c
        else:
            if len(run) > 1 and run.lower() not in PROGRAM_STOP:
                words.append(run)
            run = ""
    return words


def program_text(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def browser_text(s):
    return program_text(s).replace("'", "&#39;")


def own_file(draw, vocab, count):
    out = ["<HTML><HEAD>\r\n<!DOCTYPE Velorix-Trovelinks-file-1>\r\n"
           "<!-- This is an automatically generated file.\r\nIt will be read and overwritten.\r\n"
           "Do Not Edit! -->\r\n<TITLE>Trovelinks</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
           "<H1>Trovelinks</H1>\r\n<DL><p>\r\n\r\n"]
    seen = set()
    for i in range(count):
        url = unique_url(draw, vocab, i, seen)
        title = title_of(draw, vocab)
        keywords = keywords_of(title)
        # Some Bookmarks carry keywords that their owner typed.
        if draw.chance(0.25):
            keywords += tags(draw)
        add, later = dates(draw)
        attrs = 'ADD_DATE="%d" ' % add
        if draw.chance(0.6):
            attrs += 'LAST_VISIT="%d" ' % later
        if draw.chance(0.4):
            attrs += 'LAST_MODIFIED="%d" ' % min(add + draw.below(60_000_000), LAST_DATE)
        out.append('<DT><A HREF="%s" %s>%s</A>\r\n<DD>%s\r\n\r\n'
                   % (program_text(url), attrs, program_text(title), " ".join(dict.fromkeys(keywords))))
    out.append("</DL><p>\r\n</BODY>\n")
    return out


def browser_file(draw, vocab, count):
    out = ["<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!-- This is an automatically generated file.\n"
           "     It will be read and overwritten.\n     DO NOT EDIT! -->\n"
           '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">\n'
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n"]
    seen, urls = set(), []

    def folder(depth, name, flag=""):
        add, later = dates(draw)
        pad = "    " * depth
        out.append('%s<DT><H3 ADD_DATE="%d" LAST_MODIFIED="%d"%s>%s</H3>\n'
                   % (pad, add, later, flag, browser_text(name)))
        if draw.chance(0.2):
            out.append("%s<DD>%s\n" % (pad, browser_text(title_of(draw, vocab))))
        out.append(pad + "<DL><p>\n")

    def entry(depth, i):
        add, later = dates(draw)
        r = draw.random()
        if urls and r < 0.02:
            url, first = draw.pick(urls)
            if draw.chance(0.5):
                url = url.upper()
            else:
                add = min(first + 1 + draw.below(30_000_000), LAST_DATE)
                later = max(later, add)
        elif r < 0.022:
            url = draw.pick(BOOKMARKLETS)
        elif r < 0.024:
            url = draw.pick(INTERNAL)
        else:
            url = unique_url(draw, vocab, i, seen)
            urls.append((url, add))
        attrs = 'ADD_DATE="%d" LAST_MODIFIED="%d"' % (add, later)
        if draw.chance(0.05) and url.lower().startswith("http"):
            site = "/".join(url.split("/")[:3])
            attrs += ' ICON_URI="%s/favicon.ico"' % browser_text(site)
        if draw.chance(0.03):
            attrs += ' ICON="%s"' % ICON
        if draw.chance(0.03):
            attrs += ' TAGS="%s"' % ",".join(tags(draw))
        if draw.chance(0.005):
            attrs += ' SHORTCUTURL="%s"' % vocab.word()
        pad = "    " * depth
        out.append('%s<DT><A HREF="%s" %s>%s</A>\n'
                   % (pad, browser_text(url).replace("&#39;", "'"), attrs,
                      browser_text(title_of(draw, vocab))))
        r = draw.random()
        if r < 0.01:
            out.append("%s<DD>%s\n%s\n" % (pad, browser_text(title_of(draw, vocab)),
                                           browser_text(title_of(draw, vocab))))
        elif r < 0.1:
            out.append("%s<DD>%s\n" % (pad, browser_text(title_of(draw, vocab))))

    toolbar = max(1, count // 100)
    other = count // 20
    i = 0

    def fill(base, n):
        nonlocal i
        depth = base
        for _ in range(n):
            r = draw.random()
            if r < 0.03 and depth < base + 5:
                folder(depth, draw.pick(FOLDER_NAMES) if draw.chance(0.3)
                       else vocab.word().capitalize())
                depth += 1
            elif r < 0.06 and depth > base:
                depth -= 1
                out.append("    " * depth + "</DL><p>\n")
            elif r < 0.07:
                out.append("    " * depth + "<HR>\n")
            entry(depth, i)
            i += 1
        while depth > base:
            depth -= 1
            out.append("    " * depth + "</DL><p>\n")

    folder(1, "Bookmarks Toolbar", ' PERSONAL_TOOLBAR_FOLDER="true"')
    fill(2, toolbar)
    out.append("    </DL><p>\n")
    fill(1, count - toolbar - other)
    if other:
        folder(1, "Other Bookmarks", ' UNFILED_BOOKMARKS_FOLDER="true"')
        fill(2, other)
        out.append("    </DL><p>\n")
    out.append("</DL>\n")
    return out


def main():
    ap = argparse.ArgumentParser(description="Writes a generated bookmark file to stdout.")
    ap.add_argument("--style", choices=("own", "browser"), default="browser")
    ap.add_argument("--count", type=int, required=True)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    draw = Draw(a.seed)
    vocab = Vocabulary(draw, max(300, a.count // 4))
    parts = (own_file if a.style == "own" else browser_file)(draw, vocab, a.count)
    sys.stdout.buffer.write("".join(parts).encode("utf-8"))


if __name__ == "__main__":
    main()
