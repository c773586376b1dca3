#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
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

TEST_F(WindowObjectTest, NewObjectsCountReferencesFromOne) {
    auto* window = new RecordingWindow;
    EXPECT_EQ(window->notify(AddRef, 0), 2);
    EXPECT_EQ(window->notify(AddRef, 0), 3);
    EXPECT_EQ(window->notify(Release, 0), 2);
    EXPECT_EQ(window->notify(Release, 0), 1);
    EXPECT_TRUE(RecordingWindow::alive(window));
    EXPECT_EQ(window->notify(Release, 0), 0);
    EXPECT_FALSE(RecordingWindow::alive(window));

    auto* dialog = new RecordingDialog;
    EXPECT_EQ(dialog->notify(Release, 0), 0);
    EXPECT_FALSE(RecordingDialog::alive(dialog));
}

// A default button id set through callDefault is kept only by the dialog
// manager's procedure; the plain window procedure answers 0.
TEST_F(WindowObjectTest, CallDefaultReachesDefWindowProcOrForADialogObjectDefDlgProc) {
    for (bool dialog : {false, true}) {
        SCOPED_TRACE(dialog ? "dialog" : "window");
        const HWND window = plainDialog();
        ASSERT_NE(window, nullptr);
        WindowObject* object = dialog ? new DialogObject : new WindowObject;
        object->callDefault(window, DM_SETDEFID, 77, 0);
        EXPECT_EQ(object->callDefault(window, DM_GETDEFID, 0, 0), dialog ? MAKELRESULT(77, DC_HASDEFID) : 0);
        object->notify(Release, 0);
        DestroyWindow(window);
    }
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

TEST_F(WindowObjectTest, AttachOnADialogObjectLeavesTheCountAndAModalDetachDeletes) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new RecordingDialog;
    EXPECT_EQ(object->notify(Attach, reinterpret_cast<LONG_PTR>(window)), 1);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_EQ(object->codes, (std::vector<int>{Attach, AddRef, Release}));
    EXPECT_FALSE(registered(object));
    EXPECT_EQ(object->notify(Detach, WM_NCDESTROY), 0);
    EXPECT_FALSE(RecordingDialog::alive(object));
    DestroyWindow(window);
}

TEST_F(WindowObjectTest, SetModelessTakesTheWindowsReferenceAndRegistersOnce) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new RecordingDialog;
    object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
    EXPECT_EQ(object->notify(SetModeless, 0), 0);
    EXPECT_FALSE(object->modeless);
    EXPECT_EQ(object->refCount, 1);
    EXPECT_TRUE(loop.windows.empty());
    object->codes.clear();

    // A repeated request must not leave a second reference or list entry behind.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(object->notify(SetModeless, 1), 0);
        EXPECT_TRUE(object->modeless);
        EXPECT_EQ(object->refCount, 2);
        EXPECT_EQ(loop.windows.size(), 1u);
        EXPECT_TRUE(registered(object));
    }
    EXPECT_EQ(object->codes, (std::vector<int>{SetModeless, AddRef, SetModeless}));

    EXPECT_EQ(object->notify(Detach, WM_NCDESTROY), 1);
    EXPECT_FALSE(registered(object));
    EXPECT_EQ(object->notify(Release, 0), 0);
    DestroyWindow(window);
}

TEST_F(WindowObjectTest, OtherCodesAnswerZeroAndChangeNothing) {
    const HWND window = plainDialog();
    ASSERT_NE(window, nullptr);
    const struct {
        bool dialog;
        int code;
    } cases[] = {{false, SetModeless}, {false, PreTranslate}, {false, Handled}, {false, MsgFilter}, {false, 0},
        {false, 9}, {false, -1}, {true, 0}, {true, Handled}, {true, MsgFilter}, {true, 9}, {true, -5}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "dialog " << sample.dialog << " code " << sample.code);
        WindowObject* object = sample.dialog ? static_cast<WindowObject*>(new DialogObject) : new WindowObject;
        object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
        const int count = object->refCount;
        MSG message = {window, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
        EXPECT_EQ(object->notify(sample.code, reinterpret_cast<LONG_PTR>(&message)), 0);
        EXPECT_EQ(object->refCount, count);
        EXPECT_EQ(object->hwnd, window);
        EXPECT_TRUE(loop.windows.empty());
        object->notify(Detach, 0);
        if (!sample.dialog) {
            object->notify(Release, 0);
        }
    }
    DestroyWindow(window);
}

TEST_F(WindowObjectTest, PreTranslateOnADialogAnswersHandledForItsOwnKeysOnly) {
    const HWND window = plainDialog();
    const HWND other = plainDialog();
    ASSERT_NE(window, nullptr);
    auto* object = new DialogObject;
    object->notify(AddRef, 0);
    MSG ownKey = {window, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&ownKey)), 0);

    object->notify(Attach, reinterpret_cast<LONG_PTR>(window));
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&ownKey)), Handled);
    MSG otherKey = {other, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&otherKey)), 0);

    object->notify(Detach, 0);
    EXPECT_EQ(object->notify(PreTranslate, reinterpret_cast<LONG_PTR>(&ownKey)), 0);
    object->notify(Release, 0);
    DestroyWindow(window);
    DestroyWindow(other);
}

MSG lastDefaultCall;

LRESULT CALLBACK recordingDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    lastDefaultCall = {window, message, wParam, lParam, 0, {0, 0}};
    return 1234;
}

TEST_F(WindowObjectTest, CallDefaultForwardsToTheDefaultProcedure) {
    auto* object = new WindowObject;
    object->defaultProc = recordingDefault;
    const HWND window = reinterpret_cast<HWND>(0x1230);
    EXPECT_EQ(object->callDefault(window, WM_USER + 5, 6, 7), 1234);
    EXPECT_EQ(lastDefaultCall.hwnd, window);
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
