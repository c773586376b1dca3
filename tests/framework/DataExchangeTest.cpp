#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "AnsiText.h"
#include "Application.h"
#include "BoxWatcher.h"
#include "DialogBridge.h"
#include "DialogTemplate.h"
#include "MessageLoop.h"
#include "QuitTimer.h"

namespace {

enum : int {
    Edit = 100,
    Combo = 101,
    Check = 102,
    HiddenEdit = 103,
    LowerCaseEdit = 104,
    MixedCaseEdit = 105,
    List = 106,
    Button = 107,
    Missing = 999,
};

const char* const caption = "データ入力";

// One visible dialog for the whole suite: hiding a window under Xvfb without a
// window manager costs Wine seconds.
class DataExchangeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        application = new Application(GetModuleHandleA(nullptr), false);
        loop = new MessageLoop;
        static const DialogTemplate shape = [] {
            DialogTemplate made(WS_POPUP | WS_CAPTION | WS_VISIBLE, caption, 200, 120);
            made.control(0x0081, Edit, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 120, 12);
            made.control(0x0085, Combo, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL, 5, 20, 120, 60);
            made.control(0x0080, Check, WS_VISIBLE | WS_TABSTOP | BS_AUTO3STATE, 5, 35, 60, 12, "check");
            made.control(0x0081, HiddenEdit, WS_BORDER | ES_AUTOHSCROLL, 5, 50, 120, 12);
            made.control("edit", LowerCaseEdit, WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 5, 65, 120, 12);
            made.control("Edit", MixedCaseEdit, WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 5, 80, 120, 12);
            made.control(0x0083, List, WS_VISIBLE | WS_BORDER | WS_TABSTOP, 130, 5, 60, 40);
            made.control(0x0080, Button, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 130, 50, 60, 14, "button");
            return made;
        }();
        dialogWindow = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), shape.get(), nullptr,
            startDialogProc<DialogObject, true>, 0);
        dialog = reinterpret_cast<DialogObject*>(GetWindowLongPtrA(dialogWindow, DWLP_USER));
    }

    static void TearDownTestSuite() {
        DestroyWindow(dialogWindow);
        if (dialog != nullptr) {
            dialog->notify(Release, 0);
        }
        delete loop;
        delete application;
    }

    void SetUp() override {
        ASSERT_NE(dialog, nullptr);
        SetFocus(GetDlgItem(dialogWindow, Button));
    }

    static HWND item(int id) { return GetDlgItem(dialogWindow, id); }

    static HWND comboEdit() { return FindWindowExA(item(Combo), nullptr, "Edit", nullptr); }

    static HWND focused() { return GetFocus(); }

    static inline Application* application = nullptr;
    static inline MessageLoop* loop = nullptr;
    static inline HWND dialogWindow = nullptr;
    static inline DialogObject* dialog = nullptr;
};

std::string repeated(const char* piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::string tooLongText(unsigned capacity) {
    return ansiText(("文字列が長すぎます。( " + std::to_string(capacity) + " 文字未満で入力して下さい)").c_str());
}

TEST_F(DataExchangeTest, ReadingRefusesTextThatDoesNotFitWithTheWarningAndSelectsIt) {
    const struct {
        int control;
        unsigned capacity;
        std::string text; // UTF-8
        bool accepted;
    } cases[] = {{Edit, 260, std::string(259, 'x'), true}, {Edit, 260, std::string(260, 'x'), false},
        {Edit, 260, std::string(400, 'y'), false}, {Edit, 260, repeated("あ", 129) + "a", true},
        {Edit, 260, repeated("あ", 130), false}, {Edit, 10, "aaaaaaaaaあ", false}, {Combo, 8, "abcdefgh", false},
        {Combo, 8, "abcdefg", true}, {Edit, 0, std::string(300, 'z'), true}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "control " << sample.control << " capacity " << sample.capacity << " text "
                                        << sample.text);
        SetFocus(item(Button));
        const std::string text = ansiText(sample.text.c_str());
        SetDlgItemTextA(dialogWindow, sample.control, text.c_str());
        std::unique_ptr<char[]> buffer(new char[sample.capacity + 1]);
        std::memset(buffer.get(), '#', sample.capacity + 1);
        QuitTimer watchdog;
        BoxWatcher watcher(IDOK, sample.accepted ? 1000 : 10000);
        EXPECT_EQ(dialog->exchangeText(true, sample.control, buffer.get(), sample.capacity), sample.accepted);
        const SeenBox box = watcher.result();
        EXPECT_FALSE(watchdog.fired());
        EXPECT_EQ(box.found, !sample.accepted);
        if (sample.accepted) {
            EXPECT_EQ(std::string(buffer.get()), sample.capacity == 0 ? std::string() : text);
            EXPECT_EQ(focused(), item(Button));
            continue;
        }
        EXPECT_LT(std::strlen(buffer.get()), sample.capacity);
        EXPECT_EQ(text.compare(0, std::strlen(buffer.get()), buffer.get()), 0);
        EXPECT_EQ(box.text, tooLongText(sample.capacity));
        EXPECT_EQ(box.caption, ansiText(caption));
        EXPECT_EQ(box.owner, dialogWindow);
        EXPECT_EQ(box.icon, BoxIcon::Warning);

        const HWND field = sample.control == Combo ? comboEdit() : item(sample.control);
        EXPECT_EQ(focused(), field);
        DWORD start = 99;
        DWORD end = 0;
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        // All of the text is selected; Wine's controls count characters, ANSI controls bytes.
        EXPECT_TRUE(end == static_cast<DWORD>(GetWindowTextLengthW(field))
            || end == static_cast<DWORD>(GetWindowTextLengthA(field)))
            << end;
    }
}

TEST_F(DataExchangeTest, FilledTextReadsBackUnchangedAndAMissingControlReadsEmpty) {
    const std::string text = ansiText("C:\\録音\\テイク 1.wav");
    char buffer[260] = {};
    std::strcpy(buffer, text.c_str());
    EXPECT_TRUE(dialog->exchangeText(false, Edit, buffer, sizeof buffer));
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_TRUE(dialog->exchangeText(true, Edit, buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), text);

    EXPECT_FALSE(dialog->exchangeText(false, Missing, buffer, sizeof buffer));
    EXPECT_TRUE(dialog->exchangeText(true, Missing, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

// Edit fields and the edit of a combo box (whatever the case of the class
// name) are limited to capacity - 1; other classes are filled unlimited.
TEST_F(DataExchangeTest, FillingLimitsEditAndComboFieldsOnly) {
    const struct {
        int control;
        unsigned capacity;
        LRESULT limit; // the control starts at 1234
    } cases[] = {{Edit, 10, 9}, {LowerCaseEdit, 10, 9}, {MixedCaseEdit, 10, 9}, {Combo, 10, 9}, {Edit, 260, 259},
        {Edit, 0, 1234}, {Combo, 0, 1234}, {Button, 3, 1234}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "control " << sample.control << " capacity " << sample.capacity);
        const HWND field = sample.control == Combo ? comboEdit() : item(sample.control);
        ASSERT_NE(field, nullptr);
        SendMessageA(field, EM_LIMITTEXT, 1234, 0);
        char buffer[] = "abcde";
        EXPECT_TRUE(dialog->exchangeText(false, sample.control, buffer, sample.capacity));
        if (sample.control != Button) {
            EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), sample.limit);
        }
        char text[8] = {};
        GetWindowTextA(field, text, sizeof text);
        EXPECT_STREQ(text, "abcde");
    }
}

TEST_F(DataExchangeTest, OnlyACheckedBoxReadsTrueAndFillingSetsTheState) {
    const struct {
        int control;
        UINT state;
        bool flag;
    } cases[] = {{Check, BST_CHECKED, true}, {Check, BST_UNCHECKED, false}, {Check, BST_INDETERMINATE, false},
        {Missing, BST_CHECKED, false}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "control " << sample.control << " state " << sample.state);
        CheckDlgButton(dialogWindow, Check, sample.state);
        bool flag = !sample.flag;
        EXPECT_TRUE(dialog->exchangeCheck(true, sample.control, flag));
        EXPECT_EQ(flag, sample.flag);
    }
    for (bool flag : {true, false}) {
        CheckDlgButton(dialogWindow, Check, BST_INDETERMINATE);
        EXPECT_TRUE(dialog->exchangeCheck(false, Check, flag));
        EXPECT_EQ(IsDlgButtonChecked(dialogWindow, Check), static_cast<UINT>(flag ? BST_CHECKED : BST_UNCHECKED));
    }
}

// Each warning shows its text in a box captioned like the dialog and moves the
// focus to the control if it is there and visible.
TEST_F(DataExchangeTest, WarningsShowTheirTextAndFocusVisibleControls) {
    const std::string given = ansiText("入力を確かめて下さい");
    const struct {
        int control;
        int kind; // 0: warnField with text, 1: warnField without, 2: warnFieldById, 3: warnTooLong
        UINT value;
        std::string text;
        bool focusMoves;
    } cases[] = {{Edit, 0, 0, given, true}, {List, 0, 0, given, true}, {HiddenEdit, 0, 0, given, false},
        {Missing, 0, 0, given, false}, {Edit, 1, 0, "", true},
        {Edit, 2, 25092, ansiText("文字列が長すぎます。( %1!u! 文字未満で入力して下さい)"), true},
        {Edit, 2, 999, "", true}, {Combo, 3, 4096, tooLongText(4096), true}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "control " << sample.control << " kind " << sample.kind);
        SetFocus(item(Button));
        QuitTimer watchdog;
        BoxWatcher watcher;
        if (sample.kind <= 1) {
            dialog->warnField(sample.control, sample.kind == 0 ? given.c_str() : nullptr);
        } else if (sample.kind == 2) {
            dialog->warnFieldById(sample.control, sample.value);
        } else {
            dialog->warnTooLong(sample.control, sample.value);
        }
        const SeenBox box = watcher.result();
        EXPECT_FALSE(watchdog.fired());
        ASSERT_TRUE(box.found);
        EXPECT_EQ(box.text, sample.text);
        EXPECT_EQ(box.caption, ansiText(caption));
        EXPECT_EQ(box.owner, dialogWindow);
        EXPECT_EQ(box.icon, BoxIcon::Warning);
        const HWND field = sample.control == Combo ? comboEdit() : item(sample.control);
        EXPECT_EQ(focused(), sample.focusMoves ? field : item(Button));
    }
}

} // namespace
