// Splitting URLs, resolving redirect targets and reading Last-Modified dates
// (on any machine time zone).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <string>

#include "checker/url_date.h"
#include "core/mem.h"
#include "store/bookmark.h"
#include "tests/helpers/checker_cases.h"

#ifdef _WIN32
#include <windows.h>
#endif

TEST(SplitUrl, SchemesHostsPortsAndPaths)
{
    for (const SplitCase &c : SPLIT_CASES) {
        SCOPED_TRACE(c.url);
        UrlParts p;
        p.host = (char *) "stale";
        ASSERT_EQ(c.ok, split_url(c.url, &p));
        EXPECT_EQ(c.scheme, p.scheme);
        EXPECT_EQ(c.port, p.port);
        EXPECT_STREQ(c.host, p.host);
        EXPECT_STREQ(c.path, p.path);
        free_url_parts(&p);
    }
    UrlParts p;
    EXPECT_EQ(0, split_url(nullptr, &p));
    EXPECT_EQ(nullptr, p.host);
}

TEST(ResolveUrl, RedirectTargetsAgainstTheRequestedUrl)
{
    for (const ResolveCase &c : RESOLVE_CASES) {
        char *got = resolve_url(c.base, c.reference);
        EXPECT_STREQ(c.want, got) << c.base << " + " << c.reference;
        memFree(got);
    }
}

namespace
{

uint32_t date_of(const char *header)
{
    return parse_last_modified(reply_with(header).c_str());
}

// Sets the C library's time zone for this process (null: none set).
void set_zone(const char *zone)
{
#ifdef _WIN32
    _putenv_s("TZ", zone ? zone : ""); // an empty value removes it
    _tzset();
#else
    zone ? setenv("TZ", zone, 1) : unsetenv("TZ");
    tzset();
#endif
}

} // namespace

// Every form and range in the machine's zone and in far ones: the header's
// fields are GMT. A second CTest run starts the tests in a far zone; under
// Wine the system's zone is the one that the process starting it had.
TEST(DateParse, FormsRangesAndRollOverInAnyZone)
{
    const char *env = getenv("TZ");
    std::string was = env ? env : "";
#ifdef _WIN32
    TIME_ZONE_INFORMATION tz;
    ASSERT_NE(TIME_ZONE_ID_INVALID, GetTimeZoneInformation(&tz));
    EXPECT_EQ(was == "Pacific/Kiritimati" ? -840 : tz.Bias, tz.Bias);
    const char *zones[] = {env ? was.c_str() : nullptr, "XYZ-14", "ABC+12", "NPT-5:45"};
#else
    const char *zones[] = {env ? was.c_str() : nullptr, "Pacific/Kiritimati", "Pacific/Pago_Pago",
                           "Asia/Kathmandu", "XYZ-14ABC,M3.5.0,M10.5.0/3"};
#endif
    for (const char *zone : zones) {
        set_zone(zone);
        for (const DateCase &c : DATE_CASES)
            EXPECT_EQ(c.want, date_of(c.header)) << c.header << " in " << (zone ? zone : "UTC");
    }
    set_zone(env ? was.c_str() : nullptr);
}

#ifndef _WIN32
// Against the C library's own GMT conversion over dates and out-of-range
// fields of every kind.
TEST(DateParse, AgreesWithTimegm)
{
    srand(6);
    const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 5000; i++) {
        struct tm tm = {};
        tm.tm_mday = rand() % 40, tm.tm_mon = rand() % 12, tm.tm_year = 60 + rand() % 150;
        tm.tm_hour = rand() % 30, tm.tm_min = rand() % 70, tm.tm_sec = rand() % 70;
        char header[96];
        snprintf(header, sizeof header, "Last-Modified: Xxx, %d %s %d %d:%d:%d GMT", tm.tm_mday,
                 months[tm.tm_mon], 1900 + tm.tm_year, tm.tm_hour, tm.tm_min, tm.tm_sec);
        time_t t = timegm(&tm);
        ASSERT_EQ(t < 0 || t >= (time_t) DATE_CHECKING ? DATE_NONE : (uint32_t) t, date_of(header))
            << header;
    }
}
#endif
