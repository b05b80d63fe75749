// Passwords are written to the log as the mask only.
#include <gtest/gtest.h>

#include <initializer_list>

#include "core/log_mask.h"

namespace {

struct Case {
    const char* text;
    const char* shown;
};

void ExpectShown(void (*mask)(const char*, char*, size_t), std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        char out[200];
        mask(c.text, out, sizeof out);
        EXPECT_STREQ(out, c.shown) << c.text;
    }
}

}  // namespace

TEST(LogMask, PasswordLines)
{
    ExpectShown(MaskPasswordLine, {
                                      {"PASSWORD secret", "PASSWORD ********"},
                                      {"password  two words ", "password ********"},
                                      {"PassWord\tsecret", "PassWord********"},
                                      {"PASSWORD ", "PASSWORD "},
                                      {"PASSWORD", "PASSWORD"},
                                      {"PASSWOR secret", "PASSWOR secret"},
                                      {"ACTION reboot", "ACTION reboot"},
                                      {"", ""},
                                  });
}

TEST(LogMask, CommandLines)
{
    ExpectShown(MaskCommandLine,
                {
                    {"haltall.exe -service -remote_pswd secret -quiet",
                     "haltall.exe -service -remote_pswd ******** -quiet"},
                    {"\"C:\\x y\\haltall.exe\" reboot -remote pc -password \"two words\" -force",
                     "\"C:\\x y\\haltall.exe\" reboot -remote pc -password ******** -force"},
                    {"h -password 'it''s' -q", "h -password ******** -q"},
                    {"h -password ab\"c d\"e -q", "h -password ******** -q"},
                    {"h \"-password\"  x", "h \"-password\"  ********"},
                    {"h -password \"never closed -q", "h -password ********"},
                    {"h -password", "h -password"},
                    {"h -msg Don't -password secret", "h -msg Don't -password ********"},
                    {"h\t-remote_pswd\tp\t-password q", "h\t-remote_pswd\t********\t-password ********"},
                    {"h -passwordx secret -Password secret", "h -passwordx secret -Password secret"},
                });
    char small[12];
    MaskCommandLine("h -password secret", small, sizeof small);
    EXPECT_STREQ(small, "h -password");
}
