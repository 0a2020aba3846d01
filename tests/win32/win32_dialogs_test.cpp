// The system's own dialogs as the front end shows them: message boxes and the file-open dialog,
// answered from another thread as a user would.

#include <windows.h>
// After windows.h, which they build on.
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/note_update_form.h"
#include "win32_ui_fixture.h"

namespace penwick::win32 {
namespace {

using test_support::Win32UiTest;

// Answers the first message box that shows up with the given button, from another thread, and
// says which buttons it had.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer)
        : thread_([this, answer] {
              for (int i = 0; i < 200 && !box_; ++i) {
                  Sleep(50);
                  HWND box = FindWindowW(L"#32770", nullptr);
                  if (box == nullptr) continue;
                  hadYes_ = GetDlgItem(box, IDYES) != nullptr;
                  hadOk_ = GetDlgItem(box, IDOK) != nullptr;
                  wchar_t title[64] = {};
                  GetWindowTextW(box, title, 64);
                  title_ = title;
                  box_ = true;
                  PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
              }
          }) {}
    ~BoxAnswerer() { join(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    std::atomic<bool> box_{false};
    bool hadYes_ = false, hadOk_ = false;
    std::wstring title_;

private:
    std::thread thread_;
};

TEST_F(Win32UiTest, MessageBoxesAreTheSystemsOwn) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    {
        BoxAnswerer answerer(IDNO);
        EXPECT_EQ(ui_.messageBox(u"Write 3 notes?", ui::MessageStyle::InformationYesNo, u"Penwick"),
                  ui::MessageAnswer::No);
        answerer.join();
        EXPECT_TRUE(answerer.hadYes_);
        EXPECT_FALSE(answerer.hadOk_);
    }
    {
        BoxAnswerer answerer(IDOK);
        EXPECT_EQ(ui_.messageBox(u"Finished", ui::MessageStyle::InformationOk, u""),
                  ui::MessageAnswer::Ok);
        answerer.join();
        EXPECT_TRUE(answerer.hadOk_);
        EXPECT_EQ(answerer.title_, L"Penwick") << "a box without a title bears the program's name";
    }
}

// Answers the file-open dialog from another thread: reads where it opened and what it filters,
// then picks a file there (or cancels when no name is given).
class FileDialogAnswerer {
public:
    explicit FileDialogAnswerer(std::wstring pick)
        : thread_([this, pick] {
              for (int i = 0; i < 200; ++i) {
                  Sleep(50);
                  HWND dialog = FindWindowW(L"#32770", L"Attach File");
                  if (dialog == nullptr) continue;
                  Sleep(300);  // let it fill its folder view
                  // The name box of the Explorer-style dialog is the combo box cmb13.
                  wchar_t folder[MAX_PATH] = {};
                  SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH,
                               reinterpret_cast<LPARAM>(folder));
                  folder_ = folder;
                  wchar_t filter[128] = {};
                  GetWindowTextW(GetDlgItem(dialog, cmb1), filter, 128);
                  filter_ = filter;
                  if (pick.empty()) {
                      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                  } else {
                      SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13,
                                   reinterpret_cast<LPARAM>(pick.c_str()));
                      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                  }
                  return;
              }
          }) {}
    ~FileDialogAnswerer() { join(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    std::wstring folder_, filter_;

private:
    std::thread thread_;
};

TEST_F(Win32UiTest, TheFileDialogOpensInTheFolderAskedForWithTheFilterGiven) {
    ui::Window& main = ui_.create(app::noteUpdateDescription(), mainSink_);
    main.show();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = temp;
    if (folder.back() == L'\\') folder.pop_back();
    const std::wstring file = folder + L"\\penwick-offer.txt";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const ui::FileDialogRequest request{u"Attach File", u"All Files (*.*)|*.*",
                                        std::u16string(folder.begin(), folder.end())};
    {
        FileDialogAnswerer answerer(L"penwick-offer.txt");
        const auto chosen = ui_.openFile(request, &main);
        answerer.join();
        EXPECT_EQ(answerer.folder_, folder);
        EXPECT_EQ(answerer.filter_, L"All Files (*.*)");
        ASSERT_TRUE(chosen);
        EXPECT_EQ(*chosen, std::u16string(file.begin(), file.end())) << "the full path";
    }
    {
        FileDialogAnswerer answerer(L"");
        EXPECT_FALSE(ui_.openFile(request, &main)) << "cancelled";
    }
    DeleteFileW(file.c_str());
}

}  // namespace
}  // namespace penwick::win32
