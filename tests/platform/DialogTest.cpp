#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/DialogInput.h"
#include "platform/Dialogs.h"
#include "platform/PlatformFaults.h"
#include "platform/Resources.h"
#include "support/DialogScript.h"
#include "support/PlatformReset.h"
#include "support/TerminalSession.h"

namespace {
// What a test dialog procedure saw; one procedure serves every test through this record.
struct ProcLog {
    std::vector<UINT> messages;
    std::vector<WORD> commands;          // low words of WM_COMMAND
    std::vector<WORD> notifications;     // high words of WM_COMMAND
    std::vector<UINT> checkedAtCommand;  // IsDlgButtonChecked of the commanding control
    WPARAM initWParam = 0;
    LPARAM initLParam = 0;
    bool handleClose = true;  // WM_CLOSE ends with 1002 and returns TRUE
    bool endOnCancel = true;  // IDCANCEL ends with IDCANCEL
    int openOptionsOn = 0;    // a command id that opens dialog 105 over this one
    INT_PTR nestedResult = 0;
};
ProcLog* gLog = nullptr;

INT_PTR TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ProcLog& log = *gLog;
    log.messages.push_back(message);
    if (message == WM_INITDIALOG) {
        log.initWParam = wParam;
        log.initLParam = lParam;
        return TRUE;
    }
    if (message == WM_COMMAND) {
        WORD id = LOWORD(wParam);
        log.commands.push_back(id);
        log.notifications.push_back(HIWORD(wParam));
        log.checkedAtCommand.push_back(IsDlgButtonChecked(window, id));
        if (id == IDOK) EndDialog(window, IDOK);
        if (id == IDCANCEL && log.endOnCancel) EndDialog(window, IDCANCEL);
        if (log.openOptionsOn != 0 && id == log.openOptionsOn) {
            log.nestedResult = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), window, TestProc, 7);
        }
        return TRUE;
    }
    if (message == WM_CLOSE && log.handleClose) {
        EndDialog(window, 1002);
        return TRUE;
    }
    return FALSE;
}

class DialogTest : public ::testing::Test {
protected:
    DialogTest() { gLog = &log; }
    ~DialogTest() override { gLog = nullptr; }

    INT_PTR Run(INT templateId, LPARAM parameter = 0) {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, TestProc, parameter);
    }

    PlatformReset platform;
    ProcLog log;
};

size_t Count(const std::vector<UINT>& messages, UINT message) {
    size_t n = 0;
    for (UINT m : messages) n += m == message ? 1 : 0;
    return n;
}
}  // namespace

TEST_F(DialogTest, OptionsTemplateBuildsItsControlsInPixels) {
    struct Expected {
        INT id;
        bool visible;
        bool enabled;
        RECT pixels;  // client pixels: x * 6 / 4, y * 13 / 8, rounded half away from zero
    };
    DialogScript script;
    script.Inspect([](HWND dialog) {
        const Expected table[] = {
            // clang-format off
            {IDOK,            true,  true,  {107, 125, 182, 148}},
            {IDCANCEL,        true,  true,  {194, 125, 269, 148}},
            {IDC_MOTION_BLUR, true,  true,  {23,  94,  167, 111}},
            {IDC_LENS_FLARE,  false, false, {23,  117, 96,  133}},
            {IDC_BLOOM,       true,  true,  {188, 94,  240, 111}},
            {IDC_SMOKE,       false, false, {188, 117, 245, 133}},
            {IDC_RESOLUTION,  true,  true,  {122, 33,  252, 115}},
            // clang-format on
        };
        RECT dialogRect{};
        ASSERT_TRUE(GetWindowRect(dialog, &dialogRect));
        for (const Expected& e : table) {
            HWND control = GetDlgItem(dialog, e.id);
            ASSERT_NE(control, nullptr) << e.id;
            EXPECT_EQ(IsWindowVisible(control) != FALSE, e.visible) << e.id;
            EXPECT_EQ(IsWindowEnabled(control) != FALSE, e.enabled) << e.id;
            RECT r{};
            ASSERT_TRUE(GetWindowRect(control, &r));
            // Screen rectangle = dialog corner + caption frame (1 left, 21 top) + client position.
            EXPECT_EQ(r.left - dialogRect.left - 1, e.pixels.left) << e.id;
            EXPECT_EQ(r.top - dialogRect.top - 21, e.pixels.top) << e.id;
            EXPECT_EQ(r.right - r.left, e.pixels.right - e.pixels.left) << e.id;
            EXPECT_EQ(r.bottom - r.top, e.pixels.bottom - e.pixels.top) << e.id;
        }
        RECT client{};
        ASSERT_TRUE(GetClientRect(dialog, &client));
        EXPECT_EQ(client.right, 279);   // 186 units
        EXPECT_EQ(client.bottom, 159);  // 98 units
        char caption[32];
        EXPECT_EQ(GetWindowTextA(dialog, caption, sizeof(caption)), 7);
        EXPECT_STREQ(caption, "Options");
    });
    Run(IDD_OPTIONS);
}

TEST_F(DialogTest, InitDialogCarriesTheFocusControlAndTheParameter) {
    DialogScript script;
    HWND focus = nullptr;
    script.Inspect([&focus](HWND dialog) { focus = GetDlgItem(dialog, IDC_PLAY_FULLSCREEN); });
    EXPECT_EQ(Run(IDD_LAUNCHER, 1234), 1002);  // the exhausted script closes the dialog
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.front(), WM_INITDIALOG);
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(log.initWParam, reinterpret_cast<WPARAM>(focus));  // the first tab stop
    EXPECT_EQ(log.initLParam, 1234);
    EXPECT_EQ(PlatformDialogs::OpenDialogCount(), 0);
}

TEST_F(DialogTest, AutomaticCheckBoxTogglesBeforeItsCommand) {
    DialogScript script{"Bloom", "bloom", "MOTION BLUR"};
    Run(IDD_OPTIONS);
    ASSERT_EQ(log.commands, (std::vector<WORD>{IDC_BLOOM, IDC_BLOOM, IDC_MOTION_BLUR}));
    EXPECT_EQ(log.checkedAtCommand, (std::vector<UINT>{BST_CHECKED, BST_UNCHECKED, BST_CHECKED}));
    EXPECT_EQ(log.notifications, (std::vector<WORD>{BN_CLICKED, BN_CLICKED, BN_CLICKED}));
}

TEST_F(DialogTest, HiddenDisabledUnknownAndStaticControlsRefuseWithANotice) {
    DialogScript script;
    script.Then("Lens Flare").Inspect([](HWND dialog) { EnableWindow(GetDlgItem(dialog, IDC_BLOOM), FALSE); });
    script.Then("Bloom").Then("Video").Then("Screen Resolution").Then("Turbo").Then("   ").Then("Cancel");
    EXPECT_EQ(Run(IDD_OPTIONS), IDCANCEL);
    EXPECT_EQ(log.commands, (std::vector<WORD>{IDCANCEL}));
    EXPECT_EQ(script.Notices(), (std::vector<std::string>{
                                    "\"Lens Flare\" is not available.",
                                    "\"Bloom\" is not available.",
                                    "\"Video\" cannot be clicked.",
                                    "\"Screen Resolution\" cannot be clicked.",
                                    "There is no \"Turbo\" here.",
                                }));
}

TEST_F(DialogTest, ComboBoxKeepsItemsDataAndSelection) {
    DialogScript script;
    script.Inspect([](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_SETCURSEL, 0, 0), CB_ERR);  // no items yet
        EXPECT_EQ(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1024 x 768 x 32")), 0);
        EXPECT_EQ(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1280 x 1024 x 32")), 1);
        EXPECT_EQ(SendMessageA(list, CB_SETITEMDATA, 1, 77), 0);
        EXPECT_EQ(SendMessageA(list, CB_SETITEMDATA, 2, 5), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, 1, 0), 77);
        EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, 0, 0), 0);
        EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(-1), 0), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_SETCURSEL, 1, 0), 1);
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
        EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR);
        char text[32];
        EXPECT_EQ(SendMessageA(list, CB_GETLBTEXTLEN, 1, 0), 16);
        EXPECT_EQ(SendMessageA(list, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 16);
        EXPECT_STREQ(text, "1280 x 1024 x 32");
    });
    script.Then("1280 X 1024 x 32").Inspect([](HWND dialog) {
        EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_RESOLUTION), CB_GETCURSEL, 0, 0), 1);
    });
    script.Then("OK");
    EXPECT_EQ(Run(IDD_OPTIONS), IDOK);
    EXPECT_EQ(log.commands, (std::vector<WORD>{IDC_RESOLUTION, IDOK}));
    EXPECT_EQ(log.notifications, (std::vector<WORD>{CBN_SELCHANGE, BN_CLICKED}));
}

TEST_F(DialogTest, CloseAndEndOfInputEndTheDialogWhateverTheProcedureDoes) {
    struct Case {
        const char* name;
        bool handleClose;
        bool endOnCancel;
        std::vector<std::string> actions;
        INT_PTR result;
        size_t cancelCommands;
    };
    const Case cases[] = {
        {"typed close, handled", true, true, {"close"}, 1002, 0},
        {"end of input, handled", true, true, {}, 1002, 0},
        {"close unhandled becomes IDCANCEL", false, true, {"Close"}, IDCANCEL, 1},
        {"refused everywhere, input ended", false, false, {}, IDCANCEL, 1},
        {"refused typed close keeps the dialog", false, false, {"close", "OK"}, IDOK, 1},
    };
    for (const Case& c : cases) {
        ProcLog fresh;
        fresh.handleClose = c.handleClose;
        fresh.endOnCancel = c.endOnCancel;
        log = fresh;
        DialogScript script;
        for (const std::string& action : c.actions) script.Then(action);
        EXPECT_EQ(Run(IDD_OPTIONS), c.result) << c.name;
        EXPECT_GE(Count(log.messages, WM_CLOSE), 1u) << c.name;
        size_t cancels = 0;
        for (WORD id : log.commands) cancels += id == IDCANCEL ? 1 : 0;
        EXPECT_EQ(cancels, c.cancelCommands) << c.name;
    }
}

TEST_F(DialogTest, NestedDialogTakesTheInputUntilItEnds) {
    log.openOptionsOn = IDC_OPTIONS;
    DialogScript script{"Options", "Bloom", "Play in windowed mode", "OK", "Exit"};
    script.Inspect([](HWND) { EXPECT_EQ(PlatformDialogs::OpenDialogCount(), 1); });
    INT_PTR result = Run(IDD_LAUNCHER);
    // "Play in windowed mode" is not part of the options dialog: the nested one had the input.
    EXPECT_EQ(script.Notices(), (std::vector<std::string>{"There is no \"Play in windowed mode\" here."}));
    EXPECT_EQ(log.nestedResult, IDOK);
    EXPECT_EQ(log.commands, (std::vector<WORD>{IDC_OPTIONS, IDC_BLOOM, IDOK, IDC_EXIT}));
    EXPECT_EQ(result, 1002);  // Exit does not end this test procedure; the end of input does
    EXPECT_EQ(script.Captions(), (std::vector<std::string>{"", "Options", "Options", "Options", "", ""}));
}

TEST_F(DialogTest, CreationFailuresReturnMinusOne) {
    DialogScript script;
    EXPECT_EQ(Run(999), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, nullptr, 0), -1);
    PlatformFaults::Arm("DialogBoxParamA");
    EXPECT_EQ(Run(IDD_OPTIONS), -1);
    EXPECT_TRUE(log.messages.empty());
}

TEST_F(DialogTest, PlacementCallsAreRecorded) {
    PlatformWindows::SetScreenSize(800, 600);
    DialogScript script;
    script.Inspect([](HWND dialog) {
        PlatformWindows::ClearCalls();
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
        RECT r{};
        GetWindowRect(dialog, &r);
        MoveWindow(dialog, 10, 20, r.right - r.left, r.bottom - r.top, TRUE);
        SetWindowTextA(dialog, "Renamed");
        const auto& calls = PlatformWindows::Calls();
        ASSERT_EQ(calls.size(), 5u);
        EXPECT_EQ(calls[0].function, "GetSystemMetrics");
        EXPECT_EQ(calls[0].arguments, (std::vector<long long>{SM_CXSCREEN}));
        EXPECT_EQ(calls[0].result, 800);
        EXPECT_EQ(calls[2].function, "GetWindowRect");
        EXPECT_EQ(calls[2].arguments, (std::vector<long long>{0, 0, 281, 181}));  // client 279 x 159 + frame
        EXPECT_EQ(calls[3].function, "MoveWindow");
        EXPECT_EQ(calls[3].arguments, (std::vector<long long>{10, 20, 281, 181, TRUE}));
        EXPECT_EQ(calls[4].function, "SetWindowTextA");
        EXPECT_EQ(calls[4].text, "Renamed");
        GetWindowRect(dialog, &r);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.bottom, 201);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 279);
    });
    Run(IDD_OPTIONS);
}

TEST_F(DialogTest, StaleHandlesAreRefused) {
    HWND stale = nullptr;
    DialogScript script;
    script.Inspect([&stale](HWND dialog) { stale = GetDlgItem(dialog, IDOK); });
    Run(IDD_OPTIONS);
    ASSERT_NE(stale, nullptr);
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_FALSE(SetWindowTextA(stale, "x"));
    EXPECT_FALSE(EndDialog(stale, 1));
    EXPECT_EQ(SendMessageA(stale, BM_CLICK, 0, 0), 0);
    EXPECT_EQ(IsDlgButtonChecked(stale, IDOK), BST_UNCHECKED);
}

TEST_F(DialogTest, DescriptionShowsCaptionStatesAndItems) {
    DialogScript script;
    std::string text;
    script.Inspect([&text](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1024 x 768 x 32"));
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1280 x 1024 x 32"));
        SendMessageA(list, CB_SETCURSEL, 1, 0);
        CheckDlgButton(dialog, IDC_MOTION_BLUR, BST_CHECKED);
        EnableWindow(GetDlgItem(dialog, IDC_MOTION_BLUR), FALSE);
        text = DescribeDialog(dialog);
    });
    Run(IDD_OPTIONS);
    EXPECT_EQ(text,
              "=== Options ===\n"
              "  -- Video --\n"
              "  Screen Resolution\n"
              "  list:\n"
              "    ( ) 1024 x 768 x 32\n"
              "    (*) 1280 x 1024 x 32\n"
              "  [x] Motion Blur (disabled)\n"
              "  [ ] Bloom\n"
              "  [OK]\n"
              "  [Cancel]\n");
}

TEST_F(DialogTest, TerminalShowsTheDialogAndReadsOneActionPerLine) {
    TerminalSession terminal("bloom\nfrobnicate\r\nOK\n");
    EXPECT_EQ(Run(IDD_OPTIONS), IDOK);
    // The input has ended: a second dialog closes at once.
    EXPECT_EQ(Run(IDD_OPTIONS), 1002);
    std::string shown = terminal.Shown();
    EXPECT_EQ(log.commands, (std::vector<WORD>{IDC_BLOOM, IDOK}));
    EXPECT_NE(shown.find("=== Options ===\n"), std::string::npos);
    EXPECT_NE(shown.find("  [ ] Bloom\n"), std::string::npos);
    EXPECT_NE(shown.find("  [x] Bloom\n"), std::string::npos);  // shown again once it changed
    EXPECT_NE(shown.find("> frobnicate\nThere is no \"frobnicate\" here.\n"), std::string::npos);
    EXPECT_EQ(shown.find("Lens Flare"), std::string::npos);  // hidden controls are not shown
}

TEST_F(DialogTest, LineWithAZeroByteMatchesNoControlByItsStart) {
    // A piped line is taken whole: "OK" followed by a zero byte and more is not "OK".
    const char input[] = "OK\0junk\nclose\0x\nCancel\n";
    TerminalSession terminal(std::string(input, sizeof(input) - 1));
    EXPECT_EQ(Run(IDD_OPTIONS), IDCANCEL);
    EXPECT_EQ(log.commands, (std::vector<WORD>{IDCANCEL}));
    EXPECT_EQ(Count(log.messages, WM_CLOSE), 0u);
    // The whole line is shown back, its zero byte made visible.
    EXPECT_NE(terminal.Shown().find("> OK\\0junk\nThere is no \"OK\\0junk\" here.\n"), std::string::npos);
    EXPECT_NE(terminal.Shown().find("> close\\0x\nThere is no \"close\\0x\" here.\n"), std::string::npos);
}
