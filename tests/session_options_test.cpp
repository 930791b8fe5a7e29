// The Options as name=value text: the registry store's rules over lines.
#include <string>

#include <gtest/gtest.h>

#include "core/mem.h"
#include "session/options_text.h"

namespace
{

std::string text_of(const Options &o)
{
    char *t = options_to_text(&o);
    std::string s = t;
    memFree(t);
    return s;
}

std::string get(const Options &o, const char *name)
{
    char value[TL_PATH_MAX + 16];
    return option_get(&o, name, value, sizeof value) ? value : "?";
}

TEST(OptionsText, LinesFollowTheRegistryRules)
{
    const std::string long_path(TL_PATH_MAX, 'x');
    struct Case {
        std::string text;
        int taken;
        const char *name, *value; // the field afterwards
    } cases[] = {
        {"auto_check=5\n", 1, "auto_check", "1"},
        {"backup=0\r\n", 1, "backup", "0"},
        {"status_timer=-3", 1, "status_timer", "-3"},
        {"frame_x=4294967295\n", 1, "frame_x", "-1"},
        {"tl_file=/home/u/b.htm\n", 1, "tl_file", "/home/u/b.htm"},
        {"tl_file=" + long_path + "\n", 0, "tl_file", "/data/tl.htm"},
        {"# case_sens=1\nbogus=1\ncase_sens=yes\ncase_sens\n\n", 0, "case_sens", "0"},
        {"status_timer=99999999999\nstatus_timer=\n", 0, "status_timer", "15"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        Options o;
        options_init(&o, "/data/x");
        EXPECT_EQ(c.taken, options_from_text(&o, c.text.c_str()));
        EXPECT_EQ(c.value, get(o, c.name));
    }
}

TEST(OptionsText, WrittenTextReadsBack)
{
    Options o, back;
    options_init(&o, "/data/x");
    options_init(&back, "/other/x");
    std::string defaults;
    for (const char *const *name = OPTION_NAMES; *name; name++)
        defaults += get(o, *name) + " ";
    EXPECT_EQ(defaults, "1 0 0 0 1 0 0 1 15 200 300 -2147483648 -2147483648 -2147483648 "
                        "-2147483648 /data/tl.htm ");
    ASSERT_EQ(OPTION_SET, option_set(&o, "implied_or", "1"));
    ASSERT_EQ(OPTION_SET, option_set(&o, "col_width_1", "640"));
    std::string text = text_of(o);
    EXPECT_NE(std::string::npos, text.find("version=101\nbuild=20\n"));
    EXPECT_EQ(16, options_from_text(&back, text.c_str()));
    EXPECT_EQ(text, text_of(back));
}

// A frame reaching beyond an 800 x 600 work area, or columns wider than
// it, go back to the defaults.
TEST(Options, GeometryMustFitTheWorkArea)
{
    struct {
        int32_t y, width, column_1;
        bool frame_kept, columns_kept;
    } cases[] = {{0, 700, 300, true, true}, {0, 701, 301, false, false}, {1, 700, 0, false, true}};
    for (const auto &c : cases) {
        Options o;
        options_init(&o, "/data/x");
        o.frame_x = 100, o.frame_y = c.y, o.frame_width = c.width, o.frame_height = 600;
        o.col_width_0 = 500, o.col_width_1 = c.column_1;
        options_check_geometry(&o, 800, 600);
        EXPECT_EQ(o.frame_width, c.frame_kept ? c.width : FRAME_DEFAULT) << c.width << c.y;
        EXPECT_EQ(o.col_width_0 + o.col_width_1, c.columns_kept ? 500 + c.column_1 : 500);
    }
}

} // namespace
