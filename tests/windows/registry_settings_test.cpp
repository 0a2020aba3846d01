#include "windows/registry_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "util/failure.h"
#include "windows/wide.h"

namespace penwick::windows {
namespace {

constexpr char16_t kApp[] = u"penwick-registry-test";

class RegistrySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { removeApp(); }
    void TearDown() override { removeApp(); }
    void removeApp() {
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       (L"Software\\VB and VBA Program Settings\\" + wide(kApp)).c_str());
    }
    // What Wine's own reg.exe prints for the value: proof that the value sits where classic
    // programs look for it, not just that this class reads back what it wrote.
    static std::string regQuery(const std::string& section, const std::string& key) {
        const std::string command =
            "reg query \"HKCU\\Software\\VB and VBA Program Settings\\penwick-registry-test\\" +
            section + "\" /v " + key + " 2>&1";
        std::string out;
        if (FILE* pipe = _popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
            _pclose(pipe);
        }
        return out;
    }
    RegistrySettings settings_;
};

TEST_F(RegistrySettingsTest, KeepsValuesWhereClassicProgramsKeepThem) {
    settings_.save(kApp, u"CONTACTS.DBF", u"USER", u"Chris Miller");
    const std::string out = regQuery("CONTACTS.DBF", "USER");
    EXPECT_NE(out.find("REG_SZ"), std::string::npos) << out;
    EXPECT_NE(out.find("Chris Miller"), std::string::npos) << out;

    // And a value an earlier version wrote (through the ANSI calls) reads back here.
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\VB and VBA Program Settings\\penwick-registry-test\\Settings", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const char folder[] = "C:\\Docs\\R\xe9sum\xe9s";  // é in Windows-1252
    RegSetValueExA(key, "FilePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   sizeof folder);
    RegCloseKey(key);
    EXPECT_EQ(settings_.get(kApp, u"Settings", u"FilePath", u""), u"C:\\Docs\\R\u00e9sum\u00e9s");
}

TEST_F(RegistrySettingsTest, ReadsBackAnyTextAndGivesTheDefaultForWhatIsMissing) {
    EXPECT_EQ(settings_.get(kApp, u"Settings", u"FilePath", u"none"), u"none");
    settings_.save(kApp, u"Settings", u"Other", u"x");
    EXPECT_EQ(settings_.get(kApp, u"Settings", u"FilePath", u"none"), u"none")
        << "a missing value in an existing section";

    // A scrambled password may hold any character, NUL included, and may be empty.
    const std::u16string scrambled{u'\u0001', u'\0', u'\u00ff', u'\u20ac', u'\r', u'\n'};
    settings_.save(kApp, u"DB.PAD", u"SYS", scrambled);
    EXPECT_EQ(settings_.get(kApp, u"DB.PAD", u"SYS", u""), scrambled);
    settings_.save(kApp, u"DB.PAD", u"SYS", u"");
    EXPECT_EQ(settings_.get(kApp, u"DB.PAD", u"SYS", u"default"), u"");

    const std::u16string longText(5000, u'\u00e9');
    settings_.save(kApp, u"DB.PAD", u"USER", longText);
    EXPECT_EQ(settings_.get(kApp, u"DB.PAD", u"USER", u""), longText);
}

TEST_F(RegistrySettingsTest, TakesAValueOfAnotherTypeAsMissingAndRefusesEmptyNames) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (wide(settings_.sectionKey(kApp, u"S"))).c_str(),
                              0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExW(key, L"K", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(settings_.get(kApp, u"S", u"K", u"default"), u"default");

    for (auto [section, name] : {std::pair{u"", u"K"}, std::pair{u"S", u""}}) {
        try {
            settings_.save(kApp, section, name, u"v");
            ADD_FAILURE() << "an empty name was taken";
        } catch (const Failure& f) {
            EXPECT_EQ(f.number(), err::InvalidCall);
            EXPECT_EQ(f.source(), u"SaveSetting");
        }
    }
}

}  // namespace
}  // namespace penwick::windows
