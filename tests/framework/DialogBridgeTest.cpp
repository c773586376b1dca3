#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>
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

bool holds(const MessageLoop* loop, const void* object) {
    return loop != nullptr && std::find(loop->windows.begin(), loop->windows.end(), object) != loop->windows.end();
}

class Probe : public Tracked<DialogObject> {
public:
    int windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        record.lastMessage = message;
        if (message == WM_INITDIALOG) {
            record.countAtInit = refCount;
            record.modelessAtInit = modeless;
            record.userSlotAtInit = GetWindowLongPtrA(window, DWLP_USER);
            record.procSlotAtInit = GetWindowLongPtrA(window, DWLP_DLGPROC);
            record.registeredAtInit = holds(probeLoop, this);
            if (onInit) {
                onInit(window);
            }
        } else if (message == WM_DESTROY && quitOnDestroy) {
            PostQuitMessage(0);
        } else if (message == WM_NCDESTROY) {
            record.countAtNcDestroy = refCount;
            lastWindow = window;
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

    static HWND modeless(DLGPROC procedure) {
        return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), shape(), nullptr, procedure, 0);
    }

    static Probe* boundProbe(HWND window) {
        return static_cast<Probe*>(reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, DWLP_USER)));
    }

    // Destroys a bound modeless dialog and drops its creator's reference: nothing may be left.
    static void closeBound(HWND window) {
        Probe* object = boundProbe(window);
        DestroyWindow(window);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->notify(Release, 0), 0);
        EXPECT_EQ(Probe::count(), 0u);
    }
};

// Buttons and keys (Enter, Escape) end a modal dialog with the button's id; the
// object dies inside WM_NCDESTROY after the window is unbound.
TEST_F(DialogBridgeTest, ModalDialogEndsWithTheButtonIdAndDeletesItsObjectAtNcDestroy) {
    const struct {
        WPARAM command; // 0: press the key instead
        WPARAM key;
        INT_PTR result;
    } cases[] = {{MAKEWPARAM(IDOK, 0), 0, IDOK}, {MAKEWPARAM(IDCANCEL, BN_CLICKED), 0, IDCANCEL},
        {MAKEWPARAM(IDOK, 0x1234), 0, IDOK}, {MAKEWPARAM(IDCANCEL, 0xFFFF), 0, IDCANCEL}, {0, VK_RETURN, IDOK},
        {0, VK_ESCAPE, IDCANCEL}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "command " << sample.command << " key " << sample.key);
        record = ProbeRecord();
        onInit = [&sample](HWND window) {
            if (sample.command != 0) {
                PostMessageA(window, WM_COMMAND, sample.command, 0);
            } else {
                PostMessageA(GetDlgItem(window, IDOK), WM_KEYDOWN, sample.key, 1);
            }
        };
        QuitTimer watchdog;
        EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), shape(), nullptr, startDialogProc<Probe, false>,
                      0),
            sample.result);
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
}

TEST_F(DialogBridgeTest, ModelessDialogLivesUntilTheCreatorReleasesAfterOkDestroyedIt) {
    const HWND window = modeless(startDialogProc<Probe, true>);
    ASSERT_NE(window, nullptr);
    Probe* object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(record.countAtInit, 2);
    EXPECT_TRUE(record.modelessAtInit);
    EXPECT_TRUE(record.registeredAtInit);
    EXPECT_EQ(object->hwnd, window);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_DLGPROC), procValue(boundDialogProc));

    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(window));
    ASSERT_TRUE(Probe::alive(object));
    EXPECT_EQ(object->refCount, 1);
    EXPECT_EQ(object->hwnd, nullptr);
    EXPECT_FALSE(holds(&loop, object));

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
    EXPECT_TRUE(holds(&loop, object));

    DestroyWindow(window);
    EXPECT_TRUE(record.deleted);
    EXPECT_TRUE(record.windowExistedAtDelete);
    EXPECT_EQ(record.userSlotAtDelete, 0);
    EXPECT_EQ(record.procSlotAtDelete, procValue(deadDialogProc));
    EXPECT_TRUE(loop.windows.empty());
}

// The key reaches the dialog through pre-translation, which destroys it while
// the loop still holds its reference: it dies when the pass ends, not before.
TEST_F(DialogBridgeTest, ModelessKeyDestroysTheDialogDuringPreTranslation) {
    quitOnDestroy = true;
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        SCOPED_TRACE(testing::Message() << "key " << key);
        record = ProbeRecord();
        const HWND window = modeless(startDialogProc<Probe, true>);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(boundProbe(window)->notify(Release, 0), 1);
        PostMessageA(GetDlgItem(window, IDOK), WM_KEYDOWN, key, 1);

        QuitTimer watchdog;
        EXPECT_EQ(loop.runLoop(), 0);
        EXPECT_FALSE(watchdog.fired());
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(record.countAtNcDestroy, 2);
        EXPECT_TRUE(record.deleted);
        EXPECT_FALSE(record.windowExistedAtDelete);
        EXPECT_TRUE(loop.windows.empty());
    }
}

enum class Failure { BadAlloc, OtherException, Null };

int failuresLeft = 0;
Failure failure = Failure::Null;
std::vector<std::pair<UINT, INT_PTR>> unboundAnswers;

DialogObject* flakyFactory() {
    if (failuresLeft > 0) {
        --failuresLeft;
        if (failure == Failure::BadAlloc) {
            throw std::bad_alloc();
        }
        if (failure == Failure::OtherException) {
            throw 42;
        }
        return nullptr;
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

// A creation that keeps failing leaves the window unbound, answering only
// WM_INITDIALOG (TRUE); the first message after the failures end binds.
TEST_F(DialogBridgeTest, FailedCreationStaysUnboundAndALaterMessageBinds) {
    for (Failure kind : {Failure::BadAlloc, Failure::OtherException, Failure::Null}) {
        SCOPED_TRACE(testing::Message() << "failure " << static_cast<int>(kind));
        record = ProbeRecord();
        failure = kind;
        failuresLeft = 1000;
        HWND window = modeless(flakyStart);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetWindowLongPtrA(window, DWLP_DLGPROC), procValue(flakyStart));
        EXPECT_EQ(GetWindowLongPtrA(window, DWLP_USER), 0);

        unboundAnswers.clear();
        SendMessageA(window, WM_USER, 0, 0);
        SendMessageA(window, WM_INITDIALOG, 0, 0);
        EXPECT_EQ(unboundAnswers, (std::vector<std::pair<UINT, INT_PTR>>{{WM_USER, FALSE}, {WM_INITDIALOG, TRUE}}));
        EXPECT_EQ(Probe::count(), 0u);

        failuresLeft = 0;
        SendMessageA(window, WM_USER + 1, 0, 0);
        Probe* object = boundProbe(window);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(record.lastMessage, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(GetWindowLongPtrA(window, DWLP_DLGPROC), procValue(boundDialogProc));
        EXPECT_EQ(object->refCount, 2);
        EXPECT_TRUE(holds(&loop, object));
        closeBound(window);

        // Failing only once, the window binds on a later creation message.
        failuresLeft = 1;
        unboundAnswers.clear();
        window = modeless(flakyStart);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(unboundAnswers.size(), 1u);
        EXPECT_EQ(unboundAnswers[0].second, unboundAnswers[0].first == WM_INITDIALOG ? TRUE : FALSE);
        SendMessageA(window, WM_USER, 0, 0);
        EXPECT_EQ(Probe::count(), 1u);
        closeBound(window);
    }
}

int constructorThrowsLeft = 0;
bool attachThrows = false;

// Throws once from its constructor or right after its Attach, as told.
class FragileProbe : public Probe {
public:
    FragileProbe() {
        if (constructorThrowsLeft > 0) {
            --constructorThrowsLeft;
            throw std::bad_alloc();
        }
    }
    int notify(int code, LONG_PTR data) override {
        const int result = Probe::notify(code, data);
        if (code == Attach && attachThrows) {
            attachThrows = false;
            throw std::bad_alloc();
        }
        return result;
    }
};

// A throwing constructor leaves no object and a later message binds one; an
// object whose Attach throws stays bound.
TEST_F(DialogBridgeTest, ThrowingObjectsLeaveNoStrayObject) {
    for (bool inConstructor : {true, false}) {
        SCOPED_TRACE(inConstructor ? "constructor" : "attach");
        constructorThrowsLeft = inConstructor ? 1 : 0;
        attachThrows = !inConstructor;
        const HWND window = modeless(startDialogProc<FragileProbe, true>);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(constructorThrowsLeft, 0);
        EXPECT_FALSE(attachThrows);
        Probe* early = boundProbe(window);
        SendMessageA(window, WM_USER, 0, 0);
        Probe* object = boundProbe(window);
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(inConstructor || early == object);
        EXPECT_EQ(Probe::count(), 1u);
        EXPECT_EQ(object->hwnd, window);
        EXPECT_EQ(object->refCount, 2);
        closeBound(window);
    }
}

UINT throwOn = 0;

class ThrowingProbe : public Probe {
public:
    int windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        const int result = Probe::windowProc(window, message, wParam, lParam);
        if (message == throwOn) {
            throw std::runtime_error("windowProc");
        }
        return result;
    }
};

// No exception leaves the bridge: the message is answered 0 (WM_INITDIALOG
// would be TRUE), and one thrown at WM_NCDESTROY still unbinds the window and
// drops the window's reference, here the last one.
TEST_F(DialogBridgeTest, ExceptionFromWindowProcIsAnsweredZeroAndTheWindowStillUnbinds) {
    const HWND window = modeless(startDialogProc<ThrowingProbe, true>);
    ASSERT_NE(window, nullptr);
    Probe* object = boundProbe(window);
    ASSERT_NE(object, nullptr);
    throwOn = WM_INITDIALOG;
    EXPECT_EQ(boundDialogProc(window, WM_INITDIALOG, 0, 0), 0);
    EXPECT_EQ(boundProbe(window), object);

    EXPECT_EQ(object->notify(Release, 0), 1);
    throwOn = WM_NCDESTROY;
    DestroyWindow(window);
    throwOn = 0;
    EXPECT_TRUE(record.deleted);
    EXPECT_EQ(record.userSlotAtDelete, 0);
    EXPECT_EQ(record.procSlotAtDelete, procValue(deadDialogProc));
    EXPECT_EQ(Probe::count(), 0u);
    EXPECT_TRUE(loop.windows.empty());
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
    for (UINT message : {WM_INITDIALOG, WM_COMMAND, WM_USER, WM_NCDESTROY}) {
        EXPECT_EQ(boundDialogProc(window, message, IDOK, 0), 0) << message;
        EXPECT_EQ(deadDialogProc(window, message, IDOK, 0), 0) << message;
    }
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST_F(DialogBridgeTest, TemplatesAreFoundByIdWhateverTheirLanguage) {
    EXPECT_EQ(loadDialogTemplate(201), nullptr);
    const DLGTEMPLATE* found = loadDialogTemplate(200);
    ASSERT_NE(found, nullptr);
    const HWND window =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), found, nullptr, startDialogProc<Probe, true>, 0);
    ASSERT_NE(window, nullptr);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), ansiText("テンプレート"));
    EXPECT_NE(GetDlgItem(window, IDOK), nullptr);
    closeBound(window);
}

} // namespace
