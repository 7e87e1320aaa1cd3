// Outside programs run without a shell: exit codes, output into the log,
// arguments taken literally, failures to start or to end.

#include "platform/run_program.h"

#include <gtest/gtest.h>

#include "support/work_dir.h"

TEST(SettingsUpdateRunProgram, RunsWithoutAShellAndReportsTheEnd) {
    struct Case {
        std::vector<std::string> argv;
        int code;
        const char* output;  // in the log; a reason is given for -1 only
    } cases[] = {{{"sh", "-c", "echo out; echo err >&2; exit 3"}, 3, "out\nerr\n"},
                 {{"printf", "%s", "a.dfu; touch hacked"}, 0, "a.dfu; touch hacked"},
                 {{"ks-no-such-program"}, -1, ""}, {{"sh", "-c", "kill -9 $$"}, -1, ""}, {{}, -1, ""}};
    for (const Case& c : cases) {
        testwd::WorkDir dir;
        std::string reason;
        EXPECT_EQ(platform::runProgram(c.argv, "out.log", &reason), c.code);
        EXPECT_EQ(reason.empty(), c.code >= 0) << reason;
        EXPECT_EQ(testwd::readFile("out.log"), c.output);
        EXPECT_FALSE(std::filesystem::exists("hacked"));
    }
}
