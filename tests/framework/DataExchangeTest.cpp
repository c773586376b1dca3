#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include "AnsiText.h"
#include "Application.h"
#include "BoxWatcher.h"
#include "DialogBridge.h"
#include "DialogTemplate.h"
#include "FrameworkStrings.h"
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

    static Application* application;
    static MessageLoop* loop;
    static HWND dialogWindow;
    static DialogObject* dialog;
};

Application* DataExchangeTest::application = nullptr;
MessageLoop* DataExchangeTest::loop = nullptr;
HWND DataExchangeTest::dialogWindow = nullptr;
DialogObject* DataExchangeTest::dialog = nullptr;

std::string repeated(const char* piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

struct ReadCase {
    const char* name;
    int control;
    unsigned capacity;
    std::string text; // UTF-8
    bool accepted;
};

void PrintTo(const ReadCase& value, std::ostream* out) {
    *out << value.name;
}


class TextReadTest : public DataExchangeTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(TextReadTest, TextThatDoesNotFitIsRefusedWithTheWarning) {
    const ReadCase& sample = GetParam();
    const std::string text = ansiText(sample.text.c_str());
    SetDlgItemTextA(dialogWindow, sample.control, text.c_str());
    const HWND before = focused();

    std::unique_ptr<char[]> buffer(new char[sample.capacity + 1]);
    std::memset(buffer.get(), '#', sample.capacity + 1);
    QuitTimer watchdog;
    BoxWatcher watcher(IDOK, sample.accepted ? 1000 : 10000);
    const bool result = dialog->exchangeText(true, sample.control, buffer.get(), sample.capacity);
    const SeenBox box = watcher.result();
    EXPECT_FALSE(watchdog.fired());

    EXPECT_EQ(result, sample.accepted);
    EXPECT_EQ(box.found, !sample.accepted);
    if (sample.accepted) {
        EXPECT_EQ(std::string(buffer.get()), sample.capacity == 0 ? std::string() : text);
        EXPECT_EQ(focused(), before);
        return;
    }
    EXPECT_LT(std::strlen(buffer.get()), sample.capacity);
    EXPECT_EQ(text.compare(0, std::strlen(buffer.get()), buffer.get()), 0);
    const std::string expected = "文字列が長すぎます。( " + std::to_string(sample.capacity) + " 文字未満で入力して下さい)";
    EXPECT_EQ(box.text, ansiText(expected.c_str()));
    EXPECT_EQ(box.caption, ansiText(caption));
    EXPECT_EQ(box.owner, dialogWindow);

    const HWND field = sample.control == Combo ? comboEdit() : item(sample.control);
    EXPECT_EQ(focused(), field);
    DWORD start = 99;
    DWORD end = 0;
    SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    // All of the text is selected; Wine's controls count characters, ANSI controls bytes.
    EXPECT_TRUE(end == static_cast<DWORD>(GetWindowTextLengthW(field)) ||
                end == static_cast<DWORD>(GetWindowTextLengthA(field)))
        << end;
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TextReadTest,
    ::testing::Values(ReadCase{"OneBelowCapacity", Edit, 260, std::string(259, 'x'), true},
                      ReadCase{"ExactlyCapacity", Edit, 260, std::string(260, 'x'), false},
                      ReadCase{"FarAboveCapacity", Edit, 260, std::string(400, 'y'), false},
                      ReadCase{"DoubleByteFits", Edit, 260, repeated("あ", 129) + "a", true},
                      ReadCase{"DoubleByteFillsCapacity", Edit, 260, repeated("あ", 130), false},
                      ReadCase{"DoubleByteAcrossTheEnd", Edit, 10, "aaaaaaaaaあ", false},
                      ReadCase{"ComboTooLong", Combo, 8, "abcdefgh", false},
                      ReadCase{"ComboFits", Combo, 8, "abcdefg", true},
                      ReadCase{"NoCapacityNoCheck", Edit, 0, std::string(300, 'z'), true}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST_F(DataExchangeTest, MissingControlReadsEmptyAndSucceeds) {
    char buffer[16] = "stale";
    EXPECT_TRUE(dialog->exchangeText(true, Missing, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

TEST_F(DataExchangeTest, FilledTextReadsBackUnchanged) {
    const std::string text = ansiText("C:\\録音\\テイク 1.wav");
    char buffer[260] = {};
    std::strcpy(buffer, text.c_str());
    EXPECT_TRUE(dialog->exchangeText(false, Edit, buffer, sizeof buffer));
    std::memset(buffer, 0, sizeof buffer);
    EXPECT_TRUE(dialog->exchangeText(true, Edit, buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), text);
}

TEST_F(DataExchangeTest, FillingAMissingControlFails) {
    char buffer[8] = "abc";
    EXPECT_FALSE(dialog->exchangeText(false, Missing, buffer, sizeof buffer));
}

struct LimitCase {
    const char* name;
    int control;
    unsigned capacity;
    LRESULT limit; // after filling; the control starts at 1234
};

void PrintTo(const LimitCase& value, std::ostream* out) {
    *out << value.name;
}


class TextLimitTest : public DataExchangeTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(TextLimitTest, FillingLimitsEditAndComboFieldsWhateverTheCaseOfTheirClass) {
    const LimitCase& sample = GetParam();
    const HWND field = sample.control == Combo ? comboEdit() : item(sample.control);
    ASSERT_NE(field, nullptr);
    SendMessageA(field, EM_LIMITTEXT, 1234, 0);
    char buffer[] = "abc";
    EXPECT_TRUE(dialog->exchangeText(false, sample.control, buffer, sample.capacity));
    EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), sample.limit);
    char text[8] = {};
    GetWindowTextA(field, text, sizeof text);
    EXPECT_STREQ(text, "abc");
}

INSTANTIATE_TEST_SUITE_P(Classes, TextLimitTest,
                         ::testing::Values(LimitCase{"Edit", Edit, 10, 9}, LimitCase{"LowerCase", LowerCaseEdit, 10, 9},
                                           LimitCase{"MixedCase", MixedCaseEdit, 10, 9},
                                           LimitCase{"Combo", Combo, 10, 9}, LimitCase{"FileName", Edit, 260, 259},
                                           LimitCase{"NoCapacity", Edit, 0, 1234},
                                           LimitCase{"ComboNoCapacity", Combo, 0, 1234}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) { return info.param.name; });

TEST_F(DataExchangeTest, OtherControlClassesAreFilledWithoutLimit) {
    char buffer[] = "press";
    EXPECT_TRUE(dialog->exchangeText(false, Button, buffer, 3));
    char text[16] = {};
    GetDlgItemTextA(dialogWindow, Button, text, sizeof text);
    EXPECT_STREQ(text, "press");
}

struct CheckCase {
    const char* name;
    int control;
    UINT state;
    bool flag;
};

void PrintTo(const CheckCase& value, std::ostream* out) {
    *out << value.name;
}


class CheckReadTest : public DataExchangeTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckReadTest, OnlyACheckedBoxReadsTrue) {
    CheckDlgButton(dialogWindow, Check, GetParam().state);
    bool flag = !GetParam().flag;
    EXPECT_TRUE(dialog->exchangeCheck(true, GetParam().control, flag));
    EXPECT_EQ(flag, GetParam().flag);
}

INSTANTIATE_TEST_SUITE_P(States, CheckReadTest,
                         ::testing::Values(CheckCase{"Checked", Check, BST_CHECKED, true},
                                           CheckCase{"Unchecked", Check, BST_UNCHECKED, false},
                                           CheckCase{"Indeterminate", Check, BST_INDETERMINATE, false},
                                           CheckCase{"MissingControl", Missing, BST_CHECKED, false}),
                         [](const ::testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

TEST_F(DataExchangeTest, FillingACheckBoxSetsItsState) {
    CheckDlgButton(dialogWindow, Check, BST_INDETERMINATE);
    bool flag = true;
    EXPECT_TRUE(dialog->exchangeCheck(false, Check, flag));
    EXPECT_EQ(IsDlgButtonChecked(dialogWindow, Check), static_cast<UINT>(BST_CHECKED));
    flag = false;
    EXPECT_TRUE(dialog->exchangeCheck(false, Check, flag));
    EXPECT_EQ(IsDlgButtonChecked(dialogWindow, Check), static_cast<UINT>(BST_UNCHECKED));
}

struct WarningCase {
    const char* name;
    int control;
    bool focusMoves;
};

void PrintTo(const WarningCase& value, std::ostream* out) {
    *out << value.name;
}


class WarningFocusTest : public DataExchangeTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(WarningFocusTest, WarningShowsTheTextAndMovesTheFocusToVisibleControls) {
    const std::string text = ansiText("入力を確かめて下さい");
    const HWND before = focused();
    QuitTimer watchdog;
    BoxWatcher watcher;
    dialog->warnField(GetParam().control, text.c_str());
    const SeenBox box = watcher.result();
    EXPECT_FALSE(watchdog.fired());
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, ansiText(caption));
    EXPECT_EQ(focused(), GetParam().focusMoves ? item(GetParam().control) : before);
}

INSTANTIATE_TEST_SUITE_P(Controls, WarningFocusTest,
                         ::testing::Values(WarningCase{"Edit", Edit, true}, WarningCase{"ListBox", List, true},
                                           WarningCase{"Hidden", HiddenEdit, false},
                                           WarningCase{"Missing", Missing, false}),
                         [](const ::testing::TestParamInfo<WarningCase>& info) { return info.param.name; });

struct PromptCase {
    const char* name;
    UINT stringId;
    const char* text; // UTF-8
};

void PrintTo(const PromptCase& value, std::ostream* out) {
    *out << value.name;
}


class WarningByIdTest : public DataExchangeTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(WarningByIdTest, ShowsTheStringAsStoredOrAnEmptyBox) {
    QuitTimer watchdog;
    BoxWatcher watcher;
    dialog->warnFieldById(Edit, GetParam().stringId);
    const SeenBox box = watcher.result();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, ansiText(GetParam().text));
    EXPECT_EQ(focused(), item(Edit));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, WarningByIdTest,
    ::testing::Values(PromptCase{"Template", IDS_FRAMEWORK_TOO_LONG, "文字列が長すぎます。( %1!u! 文字未満で入力して下さい)"},
                      PromptCase{"MissingString", 999, ""}),
    [](const ::testing::TestParamInfo<PromptCase>& info) { return info.param.name; });

TEST_F(DataExchangeTest, WarningWithoutTextShowsAnEmptyBox) {
    QuitTimer watchdog;
    BoxWatcher watcher;
    dialog->warnField(Edit, nullptr);
    const SeenBox box = watcher.result();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, "");
}

TEST_F(DataExchangeTest, TooLongWarningNamesTheCapacity) {
    QuitTimer watchdog;
    BoxWatcher watcher;
    dialog->warnTooLong(Combo, 4096);
    const SeenBox box = watcher.result();
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, ansiText("文字列が長すぎます。( 4096 文字未満で入力して下さい)"));
    EXPECT_EQ(focused(), comboEdit());
}

} // namespace
