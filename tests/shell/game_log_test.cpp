#include <regex>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/shell/shell_fixture.h"

using k3dtest::ReadWholeFile;
using k3dtest::TempDir;
using k3dtest::WriteWholeFile;

namespace {

std::string FileText(const std::string& path) {
    std::string text;
    ReadWholeFile(path, &text);
    return text;
}

} // namespace

TEST(GameLog, CreatingTheLogEmptiesTheFile) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.file("log.txt"), "left over from the last run\n"));
    GameLog log(dir.file("log.txt").c_str());
    EXPECT_EQ(FileText(dir.file("log.txt")), "");
    EXPECT_EQ(log.level, 2);
}

TEST(GameLog, LineHasTimestampThreadTypeAndMessage) {
    TempDir dir;
    GameLog log(dir.file("log.txt").c_str());
    testing::internal::CaptureStdout();
    EXPECT_TRUE(log.write(LOG_INFO, "SYSTEM Exit Game\n"));
    log.write(LOG_WARNING, "second\n");
    const std::string out = testing::internal::GetCapturedStdout();

    const std::string text = FileText(dir.file("log.txt"));
    const std::regex line("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} - \\[threadId=(\\d+)\\]\\t- "
                          "info\\tSYSTEM Exit Game\\n"
                          "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} - \\[threadId=\\d+\\]\\t- "
                          "warning\\tsecond\\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, line)) << text;
    EXPECT_EQ(std::stoi(match[1]), (int)syscall(SYS_gettid));
    // The same lines go to standard output.
    EXPECT_EQ(out, text);
}

TEST(GameLog, LevelFilterAndRefusedLevels) {
    TempDir dir;
    GameLog log(dir.file("log.txt").c_str());
    EXPECT_FALSE(log.setLevel(3));
    EXPECT_FALSE(log.setLevel(-1));
    EXPECT_EQ(log.level, 2);

    ASSERT_TRUE(log.setLevel(0));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(log.write(LOG_INFO, "info at level 0\n"));
    EXPECT_TRUE(log.write(LOG_DEBUG, "debug at level 0\n"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(FileText(dir.file("log.txt")), "");
    log.write(LOG_FATAL, "a\n");
    log.write(LOG_WARNING, "b\n");

    ASSERT_TRUE(log.setLevel(1));
    log.write(LOG_INFO, "c\n");
    log.write(LOG_DEBUG, "not at level 1\n");
    ASSERT_TRUE(log.setLevel(2));
    log.write(LOG_DEBUG, "d\n");
    // An unknown type is never written.
    log.write(7, "no such type\n");

    const std::string text = FileText(dir.file("log.txt"));
    EXPECT_NE(text.find("\t- fatal\ta\n"), std::string::npos);
    EXPECT_NE(text.find("\t- warning\tb\n"), std::string::npos);
    EXPECT_NE(text.find("\t- info\tc\n"), std::string::npos);
    EXPECT_NE(text.find("\t- debug\td\n"), std::string::npos);
    EXPECT_EQ(text.find("level"), std::string::npos);
    EXPECT_EQ(text.find("no such type"), std::string::npos);
}

TEST(GameLog, PercentSignsAreWrittenUnchanged) {
    shelltest::LogCapture capture;
    testing::internal::CaptureStdout();
    MainLog->write(LOG_INFO, "100% %s %d %n\n");
    logTagged("SYSTEM", "50%d done");
    logf(MainLog, "%s\n", "a %s inside");
    testing::internal::GetCapturedStdout();
    const std::string text = capture.text();
    EXPECT_NE(text.find("\t- info\t100% %s %d %n\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\t- info\tSYSTEM 50%d done\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\t- info\ta %s inside\n"), std::string::npos) << text;
    // Without a log object nothing happens (and nothing crashes).
    logf(nullptr, "%d\n", 1);
}

TEST(GameLog, LongMessagesAreCutNotOverrun) {
    shelltest::LogCapture capture;
    const std::string longText(9000, 'x');
    testing::internal::CaptureStdout();
    logf(MainLog, "%s", longText.c_str());
    MainLog->write(LOG_INFO, longText.c_str());
    testing::internal::GetCapturedStdout();
    const std::string text = capture.text();
    // Each line holds at most 4999 characters of the message.
    size_t first = text.find('x');
    ASSERT_NE(first, std::string::npos);
    size_t run = text.find_first_not_of('x', first) - first;
    EXPECT_EQ(run, 4999u);
}

TEST(GameLog, UnwritableFileStillCopiesToStandardOutput) {
    GameLog log("/nonexistent-dir/log.txt");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(log.write(LOG_INFO, "still seen\n"));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("\t- info\tstill seen\n"),
              std::string::npos);
}
