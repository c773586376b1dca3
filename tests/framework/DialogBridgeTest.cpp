#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <new>
#include <ostream>
#include <utility>
#include <vector>

#include "AnsiText.h"
#include "DialogBridge.h"
#include "DialogTemplate.h"
#include "FrameworkFixture.h"
#include "QuitTimer.h"
#include "Tracked.h"

namespace {

// What a Probe saw of its own life.
struct ProbeRecord {
    int countAtInit = -1;
    bool modelessAtInit = false;
    LONG_PTR userSlotAtInit = 0;
    LONG_PTR procSlotAtInit = 0;
    bool registeredAtInit = false;
    int countAtNcDestroy = -1;
    UINT lastMessage = 0;
    bool deleted = false;
    BOOL windowExistedAtDelete = FALSE;
    LONG_PTR userSlotAtDelete = -1;
    LONG_PTR procSlotAtDelete = 0;
};

ProbeRecord record;
std::function<void(HWND)> onInit;
bool quitOnDestroy = false;
const MessageLoop* probeLoop = nullptr;

class Probe : public Tracked<DialogObject> {
public:
    int windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        record.lastMessage = message;
        switch (message) {
        case WM_INITDIALOG:
            record.countAtInit = refCount;
            record.modelessAtInit = modeless;
            record.userSlotAtInit = GetWindowLongPtrA(window, DWLP_USER);
            record.procSlotAtInit = GetWindowLongPtrA(window, DWLP_DLGPROC);
            record.registeredAtInit =
                probeLoop != nullptr &&
                std::find(probeLoop->windows.begin(), probeLoop->windows.end(), this) != probeLoop->windows.end();
            if (onInit) {
                onInit(window);
            }
            break;
        case WM_DESTROY:
            if (quitOnDestroy) {
                PostQuitMessage(0);
            }
            break;
        case WM_NCDESTROY:
            record.countAtNcDestroy = refCount;
            lastWindow = window;
            break;
        }
        return DialogObject::windowProc(window, message, wParam, lParam);
    }

    ~Probe() override {
        record.deleted = true;
        record.windowExistedAtDelete = IsWindow(lastWindow);
        if (record.windowExistedAtDelete) {
            record.userSlotAtDelete = GetWindowLongPtrA(lastWindow, DWLP_USER);
            record.procSlotAtDelete = GetWindowLongPtrA(lastWindow, DWLP_DLGPROC);
        }
    }

private:
    HWND lastWindow = nullptr;
};

LONG_PTR procValue(DLGPROC procedure) {
    return reinterpret_cast<LONG_PTR>(procedure);
}

class DialogBridgeTest : public FrameworkFixture {
protected:
    DialogBridgeTest() {
        record = ProbeRecord();
        onInit = nullptr;
        quitOnDestroy = false;
        probeLoop = &loop;
    }
    ~DialogBridgeTest() override {
        onInit = nullptr;
        probeLoop = nullptr;
    }

    static const DLGTEMPLATE* shape() {
        static const DialogTemplate dialog = [] {
            DialogTemplate made(WS_POPUP | WS_CAPTION, "bridge", 120, 50);
            made.control(0x0080, IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 5, 40, 14, "OK");
            made.control(0x0080, IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 50, 5, 40, 14, "Cancel");
            return made;
        }();
        return dialog.get();
    }

    static INT_PTR modal(DLGPROC procedure) {
        return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), shape(), nullptr, procedure, 0);
    }

    static HWND modeless(DLGPROC procedure) {
        return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), shape(), nullptr, procedure, 0);
    }

    static Probe* boundProbe(HWND window) {
        return static_cast<Probe*>(reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, DWLP_USER)));
    }

    bool registered(const void* object) const {
        return std::find(loop.windows.begin(), loop.windows.end(), object) != loop.windows.end();
    }
};

struct CommandCase {
    const char* name;
    WPARAM command;
    INT_PTR result;
};

void PrintTo(const CommandCase& value, std::ostream* out) {
    *out << value.name;
}


class ModalCommandTest : public DialogBridgeTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(ModalCommandTest, EndsWithTheButtonIdAndDeletesTheObjectInsideNcDestroy) {
    const WPARAM command = GetParam().command;
    onInit = [command](HWND window) { PostMessageA(window, WM_COMMAND, command, 0); };
    QuitTimer watchdog;
    EXPECT_EQ(modal(startDialogProc<Probe, false>), GetParam().result);
    EXPECT_FALSE(watchdog.fired());

    EXPECT_EQ(record.countAtInit, 1);
    EXPECT_FALSE(record.modelessAtInit);
    EXPECT_NE(record.userSlotAtInit, 0);
    EXPECT_EQ(record.procSlotAtInit, procValue(boundDialogProc));
    EXPECT_FALSE(record.registeredAtInit);
    EXPECT_EQ(record.countAtNcDestroy, 1);
    EXPECT_TRUE(record.deleted);
    EXPECT_TRUE(record.windowExistedAtDelete);
    EXPECT_EQ(record.userSlotAtDelete, 0);
    EXPECT_EQ(record.procSlotAtDelete, procValue(deadDialogProc));
    EXPECT_EQ(Probe::count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Commands, ModalCommandTest,
                         ::testing::Values(CommandCase{"Ok", MAKEWPARAM(IDOK, 0), IDOK},
                                           CommandCase{"CancelClicked", MAKEWPARAM(IDCANCEL, BN_CLICKED), IDCANCEL},
                                           CommandCase{"OkAnyCode", MAKEWPARAM(IDOK, 0x1234), IDOK},
                                           CommandCase{"CancelAnyCode", MAKEWPARAM(IDCANCEL, 0xFFFF), IDCANCEL}),
                         [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

struct KeyCase {
    const char* name;
    WPARAM key;
    INT_PTR result;
};

void PrintTo(const KeyCase& value, std::ostream* out) {
    *out << value.name;
}


class ModalKeyTest : public DialogBridgeTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ModalKeyTest, EnterAndEscapeEndTheDialog) {
    const WPARAM key = GetParam().key;
    onInit = [key](HWND window) { PostMessageA(GetDlgItem(window, IDOK), WM_KEYDOWN, key, 1); };
    QuitTimer watchdog;
    EXPECT_EQ(modal(startDialogProc<Probe, false>), GetParam().result);
    EXPECT_FALSE(watchdog.fired());
    EXPECT_TRUE(record.deleted);
}

INSTANTIATE_TEST_SUITE_P(Keys, ModalKeyTest,
                         ::testing::Values(KeyCase{"Enter", VK_RETURN, IDOK}, KeyCase{"Escape", VK_ESCAPE, IDCANCEL}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

TEST_F(DialogBridgeTest, ModelessDialogLivesUntilTheCreatorReleasesAfterTheWindowIsGone) {
    const HWND window = modeless(startDialogProc<Probe, true>);
    ASSERT_NE(window, nullptr);
    Probe* object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(record.countAtInit, 2);
    EXPECT_TRUE(record.modelessAtInit);
    EXPECT_TRUE(record.registeredAtInit);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_DLGPROC), procValue(boundDialogProc));

    DestroyWindow(window);
    ASSERT_TRUE(Probe::alive(object));
    EXPECT_EQ(object->refCount, 1);
    EXPECT_EQ(object->hwnd, nullptr);
    EXPECT_FALSE(registered(object));

    EXPECT_EQ(object->notify(Release, 0), 0);
    EXPECT_TRUE(record.deleted);
    EXPECT_FALSE(record.windowExistedAtDelete);
}

TEST_F(DialogBridgeTest, ModelessDialogReleasedFirstIsDeletedAtNcDestroy) {
    const HWND window = modeless(startDialogProc<Probe, true>);
    ASSERT_NE(window, nullptr);
    Probe* object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->notify(Release, 0), 1);
    EXPECT_TRUE(Probe::alive(object));
    EXPECT_TRUE(registered(object));

    DestroyWindow(window);
    EXPECT_TRUE(record.deleted);
    EXPECT_TRUE(record.windowExistedAtDelete);
    EXPECT_EQ(record.userSlotAtDelete, 0);
    EXPECT_EQ(record.procSlotAtDelete, procValue(deadDialogProc));
    EXPECT_TRUE(loop.windows.empty());
}

TEST_F(DialogBridgeTest, ModelessOkCommandDestroysTheWindow) {
    const HWND window = modeless(startDialogProc<Probe, true>);
    ASSERT_NE(window, nullptr);
    Probe* object = boundProbe(window);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(window));
    ASSERT_TRUE(Probe::alive(object));
    EXPECT_EQ(object->refCount, 1);
    object->notify(Release, 0);
}

class ModelessKeyTest : public DialogBridgeTest, public ::testing::WithParamInterface<KeyCase> {};

// The key reaches the dialog through pre-translation, which destroys it while
// the loop still holds its reference: it dies when the pass ends, not before.
TEST_P(ModelessKeyTest, KeyDestroysTheDialogDuringPreTranslation) {
    const HWND window = modeless(startDialogProc<Probe, true>);
    ASSERT_NE(window, nullptr);
    Probe* object = boundProbe(window);
    EXPECT_EQ(object->notify(Release, 0), 1);
    quitOnDestroy = true;
    PostMessageA(GetDlgItem(window, IDOK), WM_KEYDOWN, GetParam().key, 1);

    QuitTimer watchdog;
    EXPECT_EQ(loop.runLoop(), 0);
    EXPECT_FALSE(watchdog.fired());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(record.countAtNcDestroy, 2);
    EXPECT_TRUE(record.deleted);
    EXPECT_FALSE(record.windowExistedAtDelete);
    EXPECT_TRUE(loop.windows.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, ModelessKeyTest,
                         ::testing::Values(KeyCase{"Enter", VK_RETURN, IDOK}, KeyCase{"Escape", VK_ESCAPE, IDCANCEL}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

enum class Failure { BadAlloc, OtherException, Null };

int failuresLeft = 0;
Failure failure = Failure::Null;
std::vector<std::pair<UINT, INT_PTR>> unboundAnswers;

DialogObject* flakyFactory() {
    if (failuresLeft > 0) {
        --failuresLeft;
        switch (failure) {
        case Failure::BadAlloc:
            throw std::bad_alloc();
        case Failure::OtherException:
            throw 42;
        case Failure::Null:
            return nullptr;
        }
    }
    return new Probe;
}

INT_PTR CALLBACK flakyStart(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool failing = failuresLeft > 0;
    const INT_PTR answer = startDialog(true, flakyFactory, window, message, wParam, lParam);
    if (failing) {
        unboundAnswers.emplace_back(message, answer);
    }
    return answer;
}

struct FailureCase {
    const char* name;
    Failure failure;
};

void PrintTo(const FailureCase& value, std::ostream* out) {
    *out << value.name;
}


class BridgeRetryTest : public DialogBridgeTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BridgeRetryTest, FailedCreationStaysUnboundAndTheNextMessageBinds) {
    failure = GetParam().failure;
    failuresLeft = 1000;
    unboundAnswers.clear();
    const HWND window = modeless(flakyStart);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_DLGPROC), procValue(flakyStart));
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_USER), 0);

    unboundAnswers.clear();
    SendMessageA(window, WM_USER, 0, 0);
    SendMessageA(window, WM_INITDIALOG, 0, 0);
    ASSERT_EQ(unboundAnswers.size(), 2u);
    EXPECT_EQ(unboundAnswers[0], std::make_pair(static_cast<UINT>(WM_USER), static_cast<INT_PTR>(FALSE)));
    EXPECT_EQ(unboundAnswers[1], std::make_pair(static_cast<UINT>(WM_INITDIALOG), static_cast<INT_PTR>(TRUE)));
    EXPECT_EQ(Probe::count(), 0u);

    failuresLeft = 0;
    SendMessageA(window, WM_USER + 1, 0, 0);
    Probe* object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(record.lastMessage, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_DLGPROC), procValue(boundDialogProc));
    EXPECT_EQ(object->refCount, 2);
    EXPECT_TRUE(registered(object));
    DestroyWindow(window);
    object->notify(Release, 0);
    EXPECT_TRUE(record.deleted);
}

TEST_P(BridgeRetryTest, CreationThatFailsOnlyOnceBindsOnALaterCreationMessage) {
    failure = GetParam().failure;
    failuresLeft = 1;
    unboundAnswers.clear();
    const HWND window = modeless(flakyStart);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(unboundAnswers.size(), 1u);
    EXPECT_EQ(unboundAnswers[0].second, unboundAnswers[0].first == WM_INITDIALOG ? TRUE : FALSE);
    Probe* object = boundProbe(window);
    SendMessageA(window, WM_USER, 0, 0);
    object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Probe::count(), 1u);
    DestroyWindow(window);
    object->notify(Release, 0);
    EXPECT_EQ(Probe::count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Failures, BridgeRetryTest,
                         ::testing::Values(FailureCase{"OutOfMemory", Failure::BadAlloc},
                                           FailureCase{"OtherException", Failure::OtherException},
                                           FailureCase{"NoObject", Failure::Null}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

int constructorThrowsLeft = 0;

class ThrowingProbe : public Probe {
public:
    ThrowingProbe() {
        if (constructorThrowsLeft > 0) {
            --constructorThrowsLeft;
            throw std::bad_alloc();
        }
    }
};

TEST_F(DialogBridgeTest, ThrowingConstructorLeavesNoObjectAndALaterMessageBinds) {
    constructorThrowsLeft = 1;
    const HWND window = modeless(startDialogProc<ThrowingProbe, true>);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(constructorThrowsLeft, 0);
    SendMessageA(window, WM_USER, 0, 0);
    ASSERT_NE(boundProbe(window), nullptr);
    EXPECT_EQ(Probe::count(), 1u);
    Probe* object = boundProbe(window);
    DestroyWindow(window);
    object->notify(Release, 0);
    EXPECT_EQ(Probe::count(), 0u);
}

bool attachThrows = false;

class AttachThrowingProbe : public Probe {
public:
    int notify(int code, LONG_PTR data) override {
        const int result = Probe::notify(code, data);
        if (code == Attach && attachThrows) {
            attachThrows = false;
            throw std::bad_alloc();
        }
        return result;
    }
};

TEST_F(DialogBridgeTest, ObjectWhoseAttachThrowsIsStillBound) {
    attachThrows = true;
    const HWND window = modeless(startDialogProc<AttachThrowingProbe, true>);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(attachThrows);
    Probe* object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Probe::count(), 1u);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_EQ(object->refCount, 2);
    DestroyWindow(window);
    object->notify(Release, 0);
    EXPECT_EQ(Probe::count(), 0u);
}

class RecordingProbe : public Probe {
public:
    int notify(int code, LONG_PTR data) override {
        codes.push_back(code);
        return Probe::notify(code, data);
    }
    std::vector<int> codes;
};

RecordingProbe* presetObject = nullptr;

INT_PTR CALLBACK presetStart(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (GetWindowLongPtrA(window, GWLP_USERDATA) == 0) {
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(presetObject));
    }
    return startDialogProc<Probe, false>(window, message, wParam, lParam);
}

TEST_F(DialogBridgeTest, UserDataObjectIsBoundWithoutAttachAndNeverDetached) {
    presetObject = new RecordingProbe;
    const HWND window = modeless(presetStart);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_USER), reinterpret_cast<LONG_PTR>(presetObject));
    EXPECT_EQ(Probe::count(), 1u);
    EXPECT_EQ(presetObject->codes, std::vector<int>{SetModeless});
    EXPECT_EQ(presetObject->refCount, 1);

    DestroyWindow(window);
    ASSERT_TRUE(Probe::alive(presetObject));
    EXPECT_EQ(presetObject->codes, std::vector<int>{SetModeless});
    EXPECT_EQ(record.countAtNcDestroy, 1);
    EXPECT_EQ(presetObject->notify(Release, 0), 0);
    EXPECT_EQ(Probe::count(), 0u);
}

TEST_F(DialogBridgeTest, BoundProcedureWithoutObjectAndDeadProcedureAnswerZero) {
    const HWND window = modeless(deadDialogProc);
    ASSERT_NE(window, nullptr);
    for (UINT message : {static_cast<UINT>(WM_INITDIALOG), static_cast<UINT>(WM_COMMAND),
                         static_cast<UINT>(WM_USER), static_cast<UINT>(WM_NCDESTROY)}) {
        EXPECT_EQ(boundDialogProc(window, message, IDOK, 0), 0) << message;
        EXPECT_EQ(deadDialogProc(window, message, IDOK, 0), 0) << message;
    }
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST_F(DialogBridgeTest, TemplatesAreFoundByIdWhateverTheirLanguage) {
    const DLGTEMPLATE* found = loadDialogTemplate(200);
    ASSERT_NE(found, nullptr);
    const HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), found, nullptr,
                                                   startDialogProc<Probe, true>, 0);
    ASSERT_NE(window, nullptr);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), ansiText("テンプレート"));
    EXPECT_NE(GetDlgItem(window, IDOK), nullptr);
    Probe* object = boundProbe(window);
    DestroyWindow(window);
    object->notify(Release, 0);

    EXPECT_EQ(loadDialogTemplate(201), nullptr);
}

} // namespace
