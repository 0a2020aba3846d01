#include "linux/ini_settings.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::linux_platform {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class IniSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "penwick-ini-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        root_ = templ;
    }
    void TearDown() override {
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root_);
    }
    fs::path root_;
};

TEST_F(IniSettingsTest, EveryCharacterCodeRoundTripsAcrossInstances) {
    std::u16string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char16_t>(c);
    // Beyond the single-byte range: a pair, a lone surrogate, the replacement character.
    const std::u16string wide = u"\u20AC\U0001F58A\xD800x\uFFFD";
    {
        IniSettings store(root_.string());
        store.save(u"penwick", u"Settings", u"ALL", all);
        store.save(u"penwick", u"Settings", u"WIDE", wide);
        for (int c = 0; c < 256; ++c)
            store.save(u"penwick", u"Codes", decimal(c),
                       std::u16string(1, static_cast<char16_t>(c)));
    }
    const IniSettings fresh(root_.string());
    EXPECT_EQ(fresh.get(u"penwick", u"Settings", u"ALL", u"?"), all);
    EXPECT_EQ(fresh.get(u"penwick", u"Settings", u"WIDE", u"?"), wide);
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(fresh.get(u"penwick", u"Codes", decimal(c), u"?"),
                  std::u16string(1, static_cast<char16_t>(c)))
            << "code " << c;
    }
}

TEST_F(IniSettingsTest, NamesWithIniSyntaxAndEmptyNamesAreOrdinary) {
    IniSettings store(root_.string());
    store.save(u"penwick", u"", u"USER", u"root section");
    store.save(u"penwick", u"a]b[c", u"k=e;y#", u"=value=");
    store.save(u"penwick", u"contacts.dbf", u"", u"empty key");
    store.save(u"penwick", u"Contacts.dbf", u"USER", u"other case");
    EXPECT_EQ(store.get(u"penwick", u"", u"USER", u"?"), u"root section");
    EXPECT_EQ(store.get(u"penwick", u"a]b[c", u"k=e;y#", u"?"), u"=value=");
    EXPECT_EQ(store.get(u"penwick", u"contacts.dbf", u"", u"?"), u"empty key");
    EXPECT_EQ(store.get(u"penwick", u"contacts.dbf", u"USER", u"none"), u"none");
    EXPECT_EQ(store.get(u"penwick", u"Contacts.dbf", u"USER", u"?"), u"other case");
}

TEST_F(IniSettingsTest, MissingValuesGiveTheDefault) {
    IniSettings store(root_.string());
    EXPECT_EQ(store.get(u"penwick", u"Settings", u"FilePath", u"/home/pat"), u"/home/pat");
    store.save(u"penwick", u"Settings", u"Other", u"x");
    EXPECT_EQ(store.get(u"penwick", u"Settings", u"FilePath", u""), u"");
    EXPECT_EQ(store.get(u"penwick", u"Nowhere", u"Other", u"d"), u"d");
    store.save(u"penwick", u"Settings", u"Other", u"");
    EXPECT_EQ(store.get(u"penwick", u"Settings", u"Other", u"d"), u"")
        << "an empty value is a value";
}

TEST_F(IniSettingsTest, FileAndFolderAreTheUsersOnlyAndNoTemporaryIsLeft) {
    ::umask(0);  // the store must not rely on the caller's umask
    IniSettings store(root_.string());
    store.save(u"penwick", u"Settings", u"FilePath", u"/tmp");
    ::umask(022);
    const std::string file = store.filePath(u"penwick");
    EXPECT_EQ(file, (root_ / "penwick" / "penwick.ini").string());
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((root_ / "penwick").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((file + ".lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(root_ / "penwick")) ++entries;
    EXPECT_EQ(entries, 2) << "the file and its lock file only";
}

TEST_F(IniSettingsTest, SaveReplacesTheFileByRename) {
    IniSettings store(root_.string());
    store.save(u"penwick", u"Settings", u"A", u"1");
    const std::string file = store.filePath(u"penwick");
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    store.save(u"penwick", u"Settings", u"B", u"2");
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    // A new file took the old one's name: a reader never sees a half-written file.
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(store.get(u"penwick", u"Settings", u"A", u"?"), u"1");
    EXPECT_EQ(store.get(u"penwick", u"Settings", u"B", u"?"), u"2");
}

TEST_F(IniSettingsTest, FileIsPlainTextWithOneLinePerValue) {
    IniSettings store(root_.string());
    store.save(u"penwick", u"Settings", u"Note", u"line one\r\nline two\\end");
    std::ifstream in(store.filePath(u"penwick"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "[Settings]\nNote=line one\\x0D\\x0Aline two\\\\end\n");
}

TEST_F(IniSettingsTest, FailedWriteIsAFailureAndKeepsTheOldValue) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    IniSettings store(root_.string());
    store.save(u"penwick", u"Settings", u"A", u"old");
    fs::permissions(root_ / "penwick", fs::perms::owner_read | fs::perms::owner_exec);
    try {
        store.save(u"penwick", u"Settings", u"A", u"new");
        ADD_FAILURE() << "the save did not fail";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::PermissionDenied);
        EXPECT_NE(toUtf8(f.description()).find("penwick.ini"), std::string::npos);
    }
    EXPECT_EQ(store.get(u"penwick", u"Settings", u"A", u"?"), u"old");
}

// A file that cannot be used is kept as it stands, reported once, and the program goes on
// with defaults and with the values it saves meanwhile.
TEST_F(IniSettingsTest, AFileThatCannotBeUsedIsKeptReportedOnceAndLeftAlone) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const std::vector<Case> cases = {
        {"a folder", [](const fs::path& p) { fs::create_directories(p / "inside"); }},
        {"not INI text", [](const fs::path& p) { std::ofstream(p) << "[Settings]\nFilePath\n"; }},
        {"binary", [](const fs::path& p) { std::ofstream(p) << std::string("A=1\0\x01\x02", 6); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root_ / "penwick");
        fs::create_directories(root_ / "penwick");
        const fs::path file = root_ / "penwick" / "penwick.ini";
        c.make(file);
        const auto before = fs::is_directory(file) ? std::string("folder") : readText(file);

        std::vector<std::string> warnings;
        IniSettings store(root_.string(), [&](const std::string& w) { warnings.push_back(w); });
        EXPECT_EQ(store.get(u"penwick", u"Settings", u"FilePath", u"default"), u"default");
        store.save(u"penwick", u"Settings", u"FilePath", u"/new");
        EXPECT_EQ(store.get(u"penwick", u"Settings", u"FilePath", u"default"), u"/new");
        EXPECT_EQ(store.get(u"penwick", u"Settings", u"Other", u"d"), u"d");

        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find(file.string()), std::string::npos) << warnings[0];
        const auto after = fs::is_directory(file) ? std::string("folder") : readText(file);
        EXPECT_EQ(after, before) << "the file was changed";
        int entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(root_ / "penwick")) ++entries;
        EXPECT_EQ(entries, 2) << "the file and its lock file only";
    }
}

// Processes saving at once each read, change and write under the lock: no value is lost.
// "P3", "K12": appended, not prefixed, which GCC 12 at -O2 misreads as an overlapping copy.
std::u16string keyName(char16_t letter, int number) {
    std::u16string name(1, letter);
    name += decimal(number);
    return name;
}

TEST_F(IniSettingsTest, ConcurrentSavesFromSeveralProcessesKeepEveryValue) {
    constexpr int kProcesses = 4, kValues = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            IniSettings store(root_.string(), [](const std::string&) {});
            for (int v = 0; v < kValues; ++v) {
                store.save(u"penwick", keyName(u'P', p), keyName(u'K', v), decimal(v));
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const IniSettings store(root_.string());
    for (int p = 0; p < kProcesses; ++p) {
        for (int v = 0; v < kValues; ++v) {
            EXPECT_EQ(store.get(u"penwick", keyName(u'P', p), keyName(u'K', v), u"lost"),
                      decimal(v));
        }
    }
}

TEST_F(IniSettingsTest, UnwritableFolderChainIsAFailure) {
    std::ofstream(root_ / "blocker") << "x";  // a file where a folder should be
    IniSettings store((root_ / "blocker").string());
    try {
        store.save(u"penwick", u"Settings", u"A", u"x");
        ADD_FAILURE() << "the save did not fail";
    } catch (const Failure& f) {
        EXPECT_TRUE(f.number() == err::PathFileAccessError || f.number() == err::PermissionDenied)
            << f.number();
    }
}

TEST(IniSettingsFolder, FollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(IniSettings().filePath(u"penwick"), "/somewhere/config/penwick/penwick.ini");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the standard says
    setenv("HOME", "/home/pat", 1);
    EXPECT_EQ(IniSettings().filePath(u"penwick"), "/home/pat/.config/penwick/penwick.ini");
    unsetenv("HOME");  // e.g. a service: the password database knows the home folder
    const passwd* pw = getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(IniSettings().filePath(u"penwick"),
              std::string(pw->pw_dir) + "/.config/penwick/penwick.ini");
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace penwick::linux_platform
