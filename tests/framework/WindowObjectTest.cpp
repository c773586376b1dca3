#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "DialogBridge.h"
#include "DialogObject.h"
#include "DialogTemplate.h"
#include "FrameworkFixture.h"
#include "Tracked.h"

namespace {

// Records every notify code it receives, nested calls included.
template <class Base>
class Recording : public Tracked<Base> {
public:
    int notify(int code, LONG_PTR data) override {
        codes.push_back(code);
        return Base::notify(code, data);
    }
    std::vector<int> codes;
};

using RecordingWindow = Recording<WindowObject>;
using RecordingDialog = Recording<DialogObject>;

class WindowObjectTest : public FrameworkFixture {
protected:
    // A dialog window that no object is bound to, owned by this thread.
    HWND plainDialog() {
        static const DialogTemplate shape(WS_POPUP, "plain", 60, 30);
        return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), shape.get(), nullptr, deadDialogProc, 0);
    }

    bool registered(const WindowObject* object) const {
        return std::find(loop.windows.begin(), loop.windows.end(), object) != loop.windows.end();
    }
};

TEST_F(WindowObjectTest, ConstructionGivesCountOneNoWindowAndTheDefaultProcedures) {
    auto* window = new WindowObject;
    EXPECT_EQ(window->refCount, 1);
    EXPECT_EQ(window->hwnd, nullptr);
    EXPECT_EQ(window->defaultProc, reinterpret_cast<WNDPROC>(DefWindowProcA));
    EXPECT_EQ(window->notify(Release, 0), 0);

    auto* dialog = new DialogObject;
    EXPECT_EQ(dialog->refCount, 1);
    EXPECT_EQ(dialog->hwnd, nullptr);
    EXPECT_FALSE(dialog->modeless);
    EXPECT_EQ(dialog->defaultProc, reinterpret_cast<WNDPROC>(DefDlgProcA));
    EXPECT_EQ(dialog->notify(Release, 0), 0);
}

TEST_F(WindowObjectTest, AddRefAndReleaseCountAndTheLastReleaseDeletes) {
    auto* object = new RecordingWindow;
    EXPECT_EQ(object->notify(AddRef, 0), 2);
    EXPECT_EQ(object->notify(AddRef, 0), 3);
    EXPECT_EQ(object->notify(Release, 0), 2);
    EXPECT_EQ(object->notify(Release, 0), 1);
    EXPECT_TRUE(RecordingWindow::alive(object));
    EXPECT_EQ(object->notify(Release, 0), 0);
    EXPECT_FALSE(RecordingWindow::alive(object));
}

TEST_F(WindowObjectTest, AttachOnAWindowObjectTakesAReferenceAndDetachDropsIt) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new RecordingWindow;
    EXPECT_EQ(object->notify(Attach, reinterpret_cast<LONG_PTR>(window)), 2);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_EQ(object->codes, (std::vector<int>{Attach, AddRef}));
    object->codes.clear();
    EXPECT_EQ(object->notify(Detach, WM_NCDESTROY), 1);
    EXPECT_EQ(object->hwnd, nullptr);
    EXPECT_EQ(object->codes, (std::vector<int>{Detach, Release}));
    EXPECT_EQ(object->notify(Release, 0), 0);
    DestroyWindow(window);
}

TEST_F(WindowObjectTest, AttachOnADialogObjectLeavesTheCountUnchanged) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new RecordingDialog;
    EXPECT_EQ(object->notify(Attach, reinterpret_cast<LONG_PTR>(window)), 1);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_EQ(object->codes, (std::vector<int>{Attach, AddRef, Release}));
    EXPECT_FALSE(registered(object));
    object->codes.clear();
    // A modal dialog's Detach drops the last reference.
    EXPECT_EQ(object->notify(Detach, WM_NCDESTROY), 0);
    EXPECT_FALSE(RecordingDialog::alive(object));
    DestroyWindow(window);
}

TEST_F(WindowObjectTest, SetModelessTakesTheWindowsReferenceAndRegistersOnce) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new RecordingDialog;
    object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
    object->codes.clear();

    EXPECT_EQ(object->notify(SetModeless, 1), 0);
    EXPECT_TRUE(object->modeless);
    EXPECT_EQ(object->refCount, 2);
    EXPECT_EQ(object->codes, (std::vector<int>{SetModeless, AddRef}));
    EXPECT_EQ(loop.windows.size(), 1u);
    EXPECT_TRUE(registered(object));

    // A repeated request must not leave a second reference or list entry behind.
    EXPECT_EQ(object->notify(SetModeless, 1), 0);
    EXPECT_EQ(object->refCount, 2);
    EXPECT_EQ(loop.windows.size(), 1u);

    EXPECT_EQ(object->notify(Detach, WM_NCDESTROY), 1);
    EXPECT_FALSE(registered(object));
    EXPECT_TRUE(object->modeless);
    EXPECT_EQ(object->notify(Release, 0), 0);
    DestroyWindow(window);
}

TEST_F(WindowObjectTest, SetModelessFalseTakesNothingAndRegistersNothing) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new RecordingDialog;
    object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
    EXPECT_EQ(object->notify(SetModeless, 0), 0);
    EXPECT_FALSE(object->modeless);
    EXPECT_EQ(object->refCount, 1);
    EXPECT_TRUE(loop.windows.empty());
    EXPECT_EQ(object->notify(Detach, WM_NCDESTROY), 0);
    DestroyWindow(window);
}

// Codes that change nothing: the object's count and window stay as they were.
struct InertCase {
    const char* name;
    bool dialog;
    int code;
};

void PrintTo(const InertCase& value, std::ostream* out) {
    *out << value.name;
}


class InertCodeTest : public WindowObjectTest, public ::testing::WithParamInterface<InertCase> {};

TEST_P(InertCodeTest, AnswersZeroAndChangesNothing) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    WindowObject* object = GetParam().dialog ? static_cast<WindowObject*>(new DialogObject) : new WindowObject;
    object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
    const int count = object->refCount;
    MSG message = {window, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(object->notify(GetParam().code, reinterpret_cast<LONG_PTR>(&message)), 0);
    EXPECT_EQ(object->refCount, count);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_TRUE(loop.windows.empty());
    object->notify(Detach, 0);
    if (!GetParam().dialog) {
        object->notify(Release, 0);
    }
    DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(Codes, InertCodeTest,
                         ::testing::Values(InertCase{"WindowSetModeless", false, SetModeless},
                                           InertCase{"WindowPreTranslate", false, PreTranslate},
                                           InertCase{"WindowHandled", false, Handled},
                                           InertCase{"WindowMsgFilter", false, MsgFilter},
                                           InertCase{"WindowZero", false, 0},
                                           InertCase{"WindowNine", false, 9},
                                           InertCase{"WindowNegative", false, -1},
                                           InertCase{"DialogZero", true, 0},
                                           InertCase{"DialogHandled", true, Handled},
                                           InertCase{"DialogMsgFilter", true, MsgFilter},
                                           InertCase{"DialogNine", true, 9},
                                           InertCase{"DialogNegative", true, -5}),
                         [](const ::testing::TestParamInfo<InertCase>& info) { return info.param.name; });

TEST_F(WindowObjectTest, PreTranslateOnADialogAnswersHandledForItsOwnKeys) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    const HWND other = plainDialog();
    auto* object = new DialogObject;
    object->notify(Attach, reinterpret_cast<LONG_PTR>(window));

    MSG ownKey = {window, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&ownKey)), Handled);
    MSG otherKey = {other, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&otherKey)), 0);

    object->notify(Detach, 0);
    DestroyWindow(window);
    DestroyWindow(other);
}

TEST_F(WindowObjectTest, PreTranslateAfterDetachAnswersZero) {
    auto* object = new DialogObject;
    object->notify(AddRef, 0);
    MSG message = {nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&message)), 0);
    object->notify(Release, 0);
    object->notify(Release, 0);
}

struct DefaultCall {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
DefaultCall lastDefaultCall;

LRESULT CALLBACK recordingDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    lastDefaultCall = {window, message, wParam, lParam};
    return 1234;
}

TEST_F(WindowObjectTest, CallDefaultForwardsToTheDefaultProcedure) {
    auto* object = new WindowObject;
    object->defaultProc = recordingDefault;
    const HWND window = reinterpret_cast<HWND>(0x1230);
    EXPECT_EQ(object->callDefault(window, WM_USER + 5, 6, 7), 1234);
    EXPECT_EQ(lastDefaultCall.window, window);
    EXPECT_EQ(lastDefaultCall.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(lastDefaultCall.wParam, 6u);
    EXPECT_EQ(lastDefaultCall.lParam, 7);
    object->notify(Release, 0);
}

TEST_F(WindowObjectTest, DialogWindowProcAnswersInitAndLeavesOtherCommandsAlone) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new DialogObject;
    EXPECT_EQ(object->windowProc(window, WM_INITDIALOG, 0, 0), TRUE);
    EXPECT_EQ(object->windowProc(window, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), 0), FALSE);
    EXPECT_EQ(object->windowProc(window, WM_COMMAND, MAKEWPARAM(1001, 0), 0), FALSE);
    EXPECT_EQ(object->windowProc(window, WM_PAINT, 0, 0), FALSE);
    EXPECT_TRUE(IsWindow(window));
    object->modeless = true;
    EXPECT_EQ(object->windowProc(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0x1234), 0), TRUE);
    EXPECT_FALSE(IsWindow(window));
    object->notify(Release, 0);
}

} // namespace
