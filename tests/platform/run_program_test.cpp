// Outside programs run without a shell: exit codes, output into the log,
// arguments taken literally, failures to start or to end.

#include "platform/run_program.h"

#include <gtest/gtest.h>

#include "support/work_dir.h"

namespace {

TEST(SettingsUpdateRunProgram, RunsWithoutAShellAndReportsTheEnd) {
    struct Case {
        std::vector<std::string> argv;
        int code;
        const char* output;  // in the log
        bool reason;         // a reason is given
    } cases[] = {
        {{"sh", "-c", "echo out; echo err >&2; exit 3"}, 3, "out\nerr\n", false},
        {{"printf", "%s", "a.dfu; touch hacked"}, 0, "a.dfu; touch hacked", false},
        {{"ks-no-such-program"}, -1, "", true},
        {{"sh", "-c", "kill -9 $$"}, -1, "", true},
        {{}, -1, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.empty() ? "empty" : c.argv.back());
        testwd::WorkDir dir;
        std::string reason;
        EXPECT_EQ(platform::runProgram(c.argv, "out.log", &reason), c.code);
        EXPECT_EQ(!reason.empty(), c.reason) << reason;
        EXPECT_EQ(testwd::readFile("out.log"), c.output);
        EXPECT_FALSE(std::filesystem::exists("hacked"));
    }
}

}  // namespace
