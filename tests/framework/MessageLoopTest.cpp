#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "DialogBridge.h"
#include "DialogTemplate.h"
#include "FrameworkFixture.h"
#include "QuitTimer.h"
#include "Tracked.h"

namespace {

std::vector<std::string> journal;

// A window object that writes "<name><code>" to the journal for every notify
// and answers PreTranslate and MsgFilter as told.
class Tracer : public Tracked<WindowObject> {
public:
    explicit Tracer(char name) : name(name) {}

    int notify(int code, LONG_PTR data) override {
        journal.push_back(std::string(1, name) + std::to_string(code));
        const MSG* message = reinterpret_cast<const MSG*>(data);
        if (code == PreTranslate) {
            if (onPreTranslate) {
                onPreTranslate();
            }
            return message->message == handles ? Handled : 0;
        }
        if (code == MsgFilter) {
            lastFiltered = *message;
            if (endsDialogOn != 0 && message->message == endsDialogOn) {
                EndDialog(message->hwnd, 5);
                return 1;
            }
            return filterAnswer;
        }
        return WindowObject::notify(code, data);
    }

    char name;
    UINT handles = 0;
    UINT endsDialogOn = 0;
    int filterAnswer = 0;
    MSG lastFiltered = {};
    std::function<void()> onPreTranslate;
};

std::vector<UINT> received;

LRESULT CALLBACK receivingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_USER) {
        received.push_back(message);
    }
    if (message == WM_USER) {
        PostQuitMessage(static_cast<int>(wParam));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND receivingWindow() {
    static const ATOM windowClass = [] {
        WNDCLASSA description = {};
        description.lpfnWndProc = receivingWindowProc;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = "LoopReceiver";
        return RegisterClassA(&description);
    }();
    return CreateWindowExA(0, MAKEINTATOM(windowClass), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
        GetModuleHandleA(nullptr), nullptr);
}

const DLGTEMPLATE* dialogShape() {
    static const DialogTemplate dialog = [] {
        DialogTemplate made(WS_POPUP | WS_CAPTION, "loop", 100, 40);
        made.control(0x0080, IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 5, 40, 14, "OK");
        return made;
    }();
    return dialog.get();
}

using TrackedDialog = Tracked<DialogObject>;

HWND createModeless() {
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogShape(), nullptr,
        startDialogProc<TrackedDialog, true>, 0);
}

DialogObject* boundObject(HWND window) {
    return reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, DWLP_USER));
}

bool holds(const std::list<WindowObject*>& windows, const void* object) {
    return std::find(windows.begin(), windows.end(), object) != windows.end();
}

class MessageLoopTest : public FrameworkFixture {
protected:
    MessageLoopTest() {
        journal.clear();
        received.clear();
    }
};

TEST_F(MessageLoopTest, LoopsRegisterNewestFirstAndLeaveOnDestruction) {
    EXPECT_EQ(loop.threadId, GetCurrentThreadId());
    EXPECT_NE(loop.hook, nullptr);
    EXPECT_EQ(loop.runProgram(SW_SHOWNORMAL), 0);
    ASSERT_EQ(application.loops.size(), 1u);
    EXPECT_EQ(application.findLoop(GetCurrentThreadId()), &loop);
    {
        MessageLoop newer;
        EXPECT_EQ(application.loops.front(), &newer);
        EXPECT_EQ(application.loops.size(), 2u);
        EXPECT_EQ(application.findLoop(GetCurrentThreadId()), &newer);
    }
    EXPECT_EQ(application.loops.size(), 1u);
    EXPECT_EQ(application.findLoop(GetCurrentThreadId()), &loop);
    EXPECT_EQ(application.findLoop(GetCurrentThreadId() + 1), nullptr);
}

// Unhandled messages are translated (the key yields WM_CHAR) and dispatched; a
// message a window object handles is neither. The loop returns the quit code.
TEST_F(MessageLoopTest, RunLoopDispatchesUnhandledMessagesAndReturnsTheQuitCode) {
    const struct {
        int exitCode;
        bool handled;
        std::vector<UINT> received;
    } cases[] = {{0, false, {WM_KEYDOWN, WM_USER, WM_CHAR}}, {1, false, {WM_KEYDOWN, WM_USER, WM_CHAR}},
        {-3, false, {WM_KEYDOWN, WM_USER, WM_CHAR}}, {7, true, {WM_USER}}};
    const HWND window = receivingWindow();
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "exit code " << sample.exitCode);
        received.clear();
        auto* tracer = new Tracer('A');
        tracer->handles = sample.handled ? WM_KEYDOWN : 0;
        loop.addWindow(tracer);
        PostMessageA(window, WM_KEYDOWN, 'A', 1);
        PostMessageA(window, WM_USER, static_cast<WPARAM>(sample.exitCode), 0);
        QuitTimer watchdog;
        EXPECT_EQ(loop.runLoop(), sample.exitCode);
        EXPECT_FALSE(watchdog.fired());
        EXPECT_EQ(received, sample.received);
        EXPECT_EQ(tracer->refCount, 1);
        loop.removeWindow(tracer);
        tracer->notify(Release, 0);
    }
    DestroyWindow(window);
}

// C, B, A registered in that order ask C first; references are taken for the
// whole list and given back whether or not an object was asked.
TEST_F(MessageLoopTest, PreTranslateAsksNewestFirstAndStopsAtHandled) {
    const struct {
        int handledBy; // index from the newest, -1 for none
        std::vector<std::string> journal;
    } cases[] = {{-1, {"C1", "B1", "A1", "C6", "B6", "A6", "C2", "B2", "A2"}},
        {0, {"C1", "B1", "A1", "C6", "C2", "B2", "A2"}}, {1, {"C1", "B1", "A1", "C6", "B6", "C2", "B2", "A2"}},
        {2, {"C1", "B1", "A1", "C6", "B6", "A6", "C2", "B2", "A2"}}};
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "handled by " << sample.handledBy);
        Tracer* objects[] = {new Tracer('A'), new Tracer('B'), new Tracer('C')};
        for (Tracer* object : objects) {
            loop.addWindow(object);
        }
        if (sample.handledBy >= 0) {
            objects[2 - sample.handledBy]->handles = WM_KEYDOWN;
        }
        journal.clear();
        MSG message = {nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
        EXPECT_EQ(loop.preTranslate(&message), sample.handledBy >= 0);
        EXPECT_EQ(journal, sample.journal);
        for (Tracer* object : objects) {
            EXPECT_EQ(object->refCount, 1);
            loop.removeWindow(object);
            object->notify(Release, 0);
        }
        EXPECT_EQ(Tracer::count(), 0u);
    }
}

TEST_F(MessageLoopTest, ObjectDroppedDuringThePassLivesUntilThePassEnds) {
    auto* older = new Tracer('A');
    auto* newer = new Tracer('B');
    loop.addWindow(older);
    loop.addWindow(newer);
    // The newer one unregisters both and drops its last reference while asked.
    newer->onPreTranslate = [&] {
        loop.removeWindow(newer);
        loop.removeWindow(older);
        newer->notify(Release, 0);
    };
    MSG message = {nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    journal.clear();
    EXPECT_FALSE(loop.preTranslate(&message));
    EXPECT_EQ(journal, (std::vector<std::string>{"B1", "A1", "B6", "B2", "A6", "B2", "A2"}));
    EXPECT_FALSE(Tracer::alive(newer));
    EXPECT_TRUE(Tracer::alive(older));
    EXPECT_TRUE(loop.windows.empty());
    older->notify(Release, 0);
}

std::vector<int> outerCodes;
HHOOK outerHandle = nullptr;

LRESULT CALLBACK outerHook(int code, WPARAM wParam, LPARAM lParam) {
    outerCodes.push_back(code);
    return code < 0 ? 1 : CallNextHookEx(outerHandle, code, wParam, lParam);
}

// A hook installed before the loop's is the next one in the chain.
TEST_F(MessageLoopTest, HookCodesReachTheFiltersOrTheNextHook) {
    const struct {
        int code;
        int filterAnswer; // -1: no filter registered
        bool filtered;
        std::vector<int> outerCodes;
        std::vector<std::string> journal;
    } cases[] = {{MSGF_MENU, 3, false, {}, {}}, {MSGF_MESSAGEBOX, 3, false, {}, {}}, {-1, 3, true, {-1}, {}},
        {MSGF_DIALOGBOX, -1, false, {}, {}}, {MSGF_DIALOGBOX, 3, true, {}, {"F1", "F8", "F2"}},
        {MSGF_DIALOGBOX, 0, false, {}, {"F1", "F8", "F2"}}};
    outerHandle = SetWindowsHookExA(WH_MSGFILTER, outerHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(outerHandle, nullptr);
    for (const auto& sample : cases) {
        SCOPED_TRACE(testing::Message() << "code " << sample.code << " answer " << sample.filterAnswer);
        outerCodes.clear();
        journal.clear();
        MessageLoop inner;
        Tracer* filter = nullptr;
        if (sample.filterAnswer >= 0) {
            filter = new Tracer('F');
            filter->filterAnswer = sample.filterAnswer;
            inner.filters.push_front(filter);
        }
        MSG message = {nullptr, WM_USER + 3, 4, 5, 0, {0, 0}};
        EXPECT_EQ(CallMsgFilterA(&message, sample.code) != FALSE, sample.filtered);
        EXPECT_EQ(outerCodes, sample.outerCodes);
        EXPECT_EQ(journal, sample.journal);
        if (filter != nullptr) {
            EXPECT_EQ(filter->refCount, 1);
            if (!journal.empty()) {
                EXPECT_EQ(filter->lastFiltered.message, static_cast<UINT>(WM_USER + 3));
                EXPECT_EQ(filter->lastFiltered.lParam, 5);
            }
            filter->notify(Release, 0);
        }
    }
    UnhookWindowsHookEx(outerHandle);
}

TEST_F(MessageLoopTest, FiltersAreAskedFrontToBackUntilOneAnswers) {
    auto* declines = new Tracer('A');
    auto* answers = new Tracer('B');
    auto* notAsked = new Tracer('C');
    answers->filterAnswer = 9;
    loop.filters = {declines, answers, notAsked};
    MSG message = {nullptr, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(msgFilterHook(MSGF_DIALOGBOX, 0, reinterpret_cast<LPARAM>(&message)), 9);
    EXPECT_EQ(journal, (std::vector<std::string>{"A1", "B1", "C1", "A8", "B8", "A2", "B2", "C2"}));
    EXPECT_EQ(msgFilterHook(MSGF_MENU, 0, reinterpret_cast<LPARAM>(&message)), 0);
    EXPECT_EQ(journal.size(), 8u);
    loop.filters.clear();
    for (Tracer* object : {declines, answers, notAsked}) {
        object->notify(Release, 0);
    }
}

INT_PTR CALLBACK postMarkerOnInit(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        PostMessageA(window, WM_USER + 7, 0, 0);
        return TRUE;
    }
    return FALSE;
}

// While a modal dialog runs its own loop, the thread's hook hands its messages
// to the filters; the second one ends the dialog when it sees the marker.
TEST_F(MessageLoopTest, ModalDialogMessagesReachTheFiltersThroughTheHook) {
    auto* filter = new Tracer('F');
    auto* ender = new Tracer('E');
    ender->endsDialogOn = WM_USER + 7;
    loop.filters = {filter, ender};
    QuitTimer watchdog;
    EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialogShape(), nullptr, postMarkerOnInit, 0), 5);
    EXPECT_FALSE(watchdog.fired());
    EXPECT_NE(std::count(journal.begin(), journal.end(), "F8"), 0);
    loop.filters.clear();
    ender->notify(Release, 0);
    filter->notify(Release, 0);
}

// A dialog made on a second thread joins that thread's own loop, if it has
// one, never the main thread's; either way its last release deletes it.
TEST_F(MessageLoopTest, DialogOnASecondThreadJoinsOnlyThatThreadsLoop) {
    for (bool withLoop : {true, false}) {
        SCOPED_TRACE(testing::Message() << "with loop " << withLoop);
        bool ownLoopHeldOnlyIt = !withLoop;
        int countWhileOpen = 0;
        bool deleted = false;
        int exitCode = withLoop ? 0 : 4;
        std::thread worker([&] {
            MessageLoop* own = withLoop ? new MessageLoop : nullptr;
            const HWND window = createModeless();
            DialogObject* object = boundObject(window);
            if (object != nullptr) {
                if (own != nullptr) {
                    ownLoopHeldOnlyIt = holds(own->windows, object) && own->windows.size() == 1;
                }
                countWhileOpen = object->refCount;
                DestroyWindow(window);
                object->notify(Release, 0);
                deleted = !TrackedDialog::alive(object);
            }
            if (own != nullptr) {
                PostQuitMessage(4);
                QuitTimer watchdog;
                exitCode = own->runLoop();
                delete own;
            }
        });
        worker.join();
        EXPECT_TRUE(ownLoopHeldOnlyIt);
        EXPECT_EQ(countWhileOpen, 2);
        EXPECT_TRUE(deleted);
        EXPECT_EQ(exitCode, 4);
        EXPECT_TRUE(loop.windows.empty());
        EXPECT_EQ(application.loops.size(), 1u);
    }
}

TEST_F(MessageLoopTest, NewerLoopOnTheSameThreadReceivesRegistrations) {
    const HWND early = createModeless();
    DialogObject* earlyObject = boundObject(early);
    ASSERT_NE(earlyObject, nullptr);
    EXPECT_TRUE(holds(loop.windows, earlyObject));
    {
        MessageLoop newer;
        const HWND late = createModeless();
        DialogObject* lateObject = boundObject(late);
        ASSERT_NE(lateObject, nullptr);
        EXPECT_TRUE(holds(newer.windows, lateObject));
        EXPECT_FALSE(holds(loop.windows, lateObject));

        // Unregistering finds the dialog in the loop that took it.
        DestroyWindow(early);
        EXPECT_FALSE(holds(loop.windows, earlyObject));
        DestroyWindow(late);
        EXPECT_TRUE(newer.windows.empty());
        lateObject->notify(Release, 0);
    }
    earlyObject->notify(Release, 0);
    EXPECT_EQ(TrackedDialog::count(), 0u);
}

} // namespace
