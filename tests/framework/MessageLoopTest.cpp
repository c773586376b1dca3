#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <ostream>
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
        if (code == PreTranslate) {
            const MSG* message = reinterpret_cast<const MSG*>(data);
            if (onPreTranslate) {
                onPreTranslate();
            }
            return message->message == handles ? Handled : 0;
        }
        if (code == MsgFilter) {
            lastFiltered = *reinterpret_cast<const MSG*>(data);
            return filterAnswer;
        }
        return WindowObject::notify(code, data);
    }

    char name;
    UINT handles = 0;
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
    MessageLoopTest() { journal.clear(); received.clear(); }
};

TEST_F(MessageLoopTest, LoopsRegisterNewestFirstAndLeaveOnDestruction) {
    EXPECT_EQ(loop.threadId, GetCurrentThreadId());
    EXPECT_NE(loop.hook, nullptr);
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

TEST_F(MessageLoopTest, BaseProgramBodyDoesNothing) {
    EXPECT_EQ(loop.runProgram(SW_SHOWNORMAL), 0);
}

class RunLoopExitTest : public MessageLoopTest, public ::testing::WithParamInterface<int> {};

TEST_P(RunLoopExitTest, ReturnsTheCodeGivenToPostQuitMessage) {
    const HWND window = receivingWindow();
    PostMessageA(window, WM_USER, static_cast<WPARAM>(GetParam()), 0);
    QuitTimer watchdog;
    EXPECT_EQ(loop.runLoop(), GetParam());
    EXPECT_FALSE(watchdog.fired());
    EXPECT_EQ(received, std::vector<UINT>{WM_USER});
    DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(Codes, RunLoopExitTest, ::testing::Values(0, 1, 7, -3));

TEST_F(MessageLoopTest, WithoutDialogsEveryMessageIsTranslatedAndDispatched) {
    const HWND window = receivingWindow();
    PostMessageA(window, WM_KEYDOWN, 'A', 1);
    PostMessageA(window, WM_USER, 0, 0);
    QuitTimer watchdog;
    EXPECT_EQ(loop.runLoop(), 0);
    EXPECT_EQ(received, (std::vector<UINT>{WM_KEYDOWN, WM_USER, WM_CHAR}));
    DestroyWindow(window);
}

TEST_F(MessageLoopTest, HandledMessageIsNeitherTranslatedNorDispatched) {
    const HWND window = receivingWindow();
    auto* tracer = new Tracer('A');
    tracer->handles = WM_KEYDOWN;
    loop.addWindow(tracer);
    PostMessageA(window, WM_KEYDOWN, 'A', 1);
    PostMessageA(window, WM_USER, 0, 0);
    QuitTimer watchdog;
    EXPECT_EQ(loop.runLoop(), 0);
    EXPECT_EQ(received, std::vector<UINT>{WM_USER});
    EXPECT_EQ(tracer->refCount, 1);
    loop.removeWindow(tracer);
    tracer->notify(Release, 0);
    DestroyWindow(window);
}

struct OrderCase {
    const char* name;
    int handledBy; // index in the list, -1 for none
    std::vector<std::string> journal;
};

void PrintTo(const OrderCase& value, std::ostream* out) {
    *out << value.name;
}


class PreTranslateOrderTest : public MessageLoopTest, public ::testing::WithParamInterface<OrderCase> {};

// C, B, A registered in that order ask C first; references are taken for the
// whole list and given back whether or not an object was asked.
TEST_P(PreTranslateOrderTest, AsksNewestFirstAndStopsAtHandled) {
    Tracer* objects[] = {new Tracer('A'), new Tracer('B'), new Tracer('C')};
    for (Tracer* object : objects) {
        loop.addWindow(object);
    }
    if (GetParam().handledBy >= 0) {
        objects[2 - GetParam().handledBy]->handles = WM_KEYDOWN;
    }
    journal.clear();
    MSG message = {nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(loop.preTranslate(&message), GetParam().handledBy >= 0);
    EXPECT_EQ(journal, GetParam().journal);
    for (Tracer* object : objects) {
        EXPECT_EQ(object->refCount, 1);
        loop.removeWindow(object);
        object->notify(Release, 0);
    }
    EXPECT_EQ(Tracer::count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, PreTranslateOrderTest,
    ::testing::Values(OrderCase{"None", -1, {"C1", "B1", "A1", "C6", "B6", "A6", "C2", "B2", "A2"}},
                      OrderCase{"Newest", 0, {"C1", "B1", "A1", "C6", "C2", "B2", "A2"}},
                      OrderCase{"Middle", 1, {"C1", "B1", "A1", "C6", "B6", "C2", "B2", "A2"}},
                      OrderCase{"Oldest", 2, {"C1", "B1", "A1", "C6", "B6", "A6", "C2", "B2", "A2"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return info.param.name; });

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

LRESULT CALLBACK outerHook(int code, WPARAM wParam, LPARAM lParam);
std::vector<int> outerCodes;
HHOOK outerHandle = nullptr;

LRESULT CALLBACK outerHook(int code, WPARAM wParam, LPARAM lParam) {
    outerCodes.push_back(code);
    if (code < 0) {
        return 1;
    }
    return CallNextHookEx(outerHandle, code, wParam, lParam);
}

struct HookCase {
    const char* name;
    int code;
    int filterAnswer; // -1: no filter registered
    BOOL filtered;
    std::vector<int> outerCodes;
    std::vector<std::string> journal;
};

void PrintTo(const HookCase& value, std::ostream* out) {
    *out << value.name;
}


class HookCodeTest : public MessageLoopTest, public ::testing::WithParamInterface<HookCase> {};

// A hook installed before the loop's is the next one in the chain.
TEST_P(HookCodeTest, CodesReachTheFiltersOrTheNextHookAsDesigned) {
    outerCodes.clear();
    outerHandle = SetWindowsHookExA(WH_MSGFILTER, outerHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(outerHandle, nullptr);
    Tracer* filter = nullptr;
    {
        MessageLoop inner;
        if (GetParam().filterAnswer >= 0) {
            filter = new Tracer('F');
            filter->filterAnswer = GetParam().filterAnswer;
            inner.filters.push_front(filter);
        }
        MSG message = {nullptr, WM_USER + 3, 4, 5, 0, {0, 0}};
        journal.clear();
        EXPECT_EQ(CallMsgFilterA(&message, GetParam().code) != FALSE, GetParam().filtered != FALSE);
        EXPECT_EQ(outerCodes, GetParam().outerCodes);
        EXPECT_EQ(journal, GetParam().journal);
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

INSTANTIATE_TEST_SUITE_P(
    Codes, HookCodeTest,
    ::testing::Values(HookCase{"PositiveIsAnsweredAtOnce", MSGF_MENU, 3, FALSE, {}, {}},
                      HookCase{"MessageBoxCodeIsAnsweredAtOnce", MSGF_MESSAGEBOX, 3, FALSE, {}, {}},
                      HookCase{"NegativeGoesToTheNextHook", -1, 3, TRUE, {-1}, {}},
                      HookCase{"DialogBoxWithoutFilters", MSGF_DIALOGBOX, -1, FALSE, {}, {}},
                      HookCase{"DialogBoxFilterAnswers", MSGF_DIALOGBOX, 3, TRUE, {}, {"F1", "F8", "F2"}},
                      HookCase{"DialogBoxFilterDeclines", MSGF_DIALOGBOX, 0, FALSE, {}, {"F1", "F8", "F2"}}),
    [](const ::testing::TestParamInfo<HookCase>& info) { return info.param.name; });

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
// to the filters; this one ends the dialog when it sees the marker message.
TEST_F(MessageLoopTest, ModalDialogMessagesReachTheFiltersThroughTheHook) {
    struct Ender : Tracer {
        Ender() : Tracer('E') {}
        int notify(int code, LONG_PTR data) override {
            if (code == MsgFilter) {
                const MSG* message = reinterpret_cast<const MSG*>(data);
                if (message->message == WM_USER + 7) {
                    EndDialog(message->hwnd, 5);
                    return 1;
                }
            }
            return Tracer::notify(code, data);
        }
    };
    auto* ender = new Ender;
    auto* filter = new Tracer('F');
    loop.filters = {filter, ender};
    QuitTimer watchdog;
    const INT_PTR result =
        DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialogShape(), nullptr, postMarkerOnInit, 0);
    EXPECT_EQ(result, 5);
    EXPECT_FALSE(watchdog.fired());
    EXPECT_NE(std::count(journal.begin(), journal.end(), "F8"), 0);
    loop.filters.clear();
    ender->notify(Release, 0);
    filter->notify(Release, 0);
}

struct ThreadView {
    bool ownLoopHeldDialog = false;
    std::size_t ownLoopSize = 99;
    int countWhileOpen = 0;
    bool deletedAtTheEnd = false;
    int exitCode = 0;
};

ThreadView runDialogOnThread(bool withLoop) {
    ThreadView view;
    std::thread worker([&view, withLoop] {
        MessageLoop* own = withLoop ? new MessageLoop : nullptr;
        const HWND window = createModeless();
        DialogObject* object = boundObject(window);
        if (object == nullptr) {
            delete own;
            return;
        }
        if (own != nullptr) {
            view.ownLoopHeldDialog = holds(own->windows, object);
            view.ownLoopSize = own->windows.size();
        }
        view.countWhileOpen = object->refCount;
        DestroyWindow(window);
        object->notify(Release, 0);
        view.deletedAtTheEnd = !TrackedDialog::alive(object);
        if (own != nullptr) {
            PostQuitMessage(4);
            QuitTimer watchdog;
            view.exitCode = own->runLoop();
            delete own;
        }
    });
    worker.join();
    return view;
}

TEST_F(MessageLoopTest, DialogOnASecondThreadJoinsThatThreadsLoopOnly) {
    const ThreadView view = runDialogOnThread(true);
    EXPECT_TRUE(view.ownLoopHeldDialog);
    EXPECT_EQ(view.ownLoopSize, 1u);
    EXPECT_EQ(view.countWhileOpen, 2);
    EXPECT_TRUE(view.deletedAtTheEnd);
    EXPECT_EQ(view.exitCode, 4);
    EXPECT_TRUE(loop.windows.empty());
    EXPECT_EQ(application.loops.size(), 1u);
}

TEST_F(MessageLoopTest, DialogOnAThreadWithoutLoopIsNeverPreTranslatedButStillReleased) {
    const ThreadView view = runDialogOnThread(false);
    EXPECT_EQ(view.countWhileOpen, 2);
    EXPECT_TRUE(view.deletedAtTheEnd);
    EXPECT_TRUE(loop.windows.empty());
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
