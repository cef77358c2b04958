// The toolkit's Win32 port: windows of exact client sizes around the frame their style
// asks for, real controls for the gadgets, their events, the keyboard among them, the
// bound callback's place in front of the toolkit's own handling, the event wait with and
// without a timeout, and failure lines in the debug output.
#include "debug_output.h"
#include "text_utf.h"
#include "toolkit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t DemoStyle = TK_WINDOW_CAPTION | TK_WINDOW_SYSTEM_MENU | TK_WINDOW_MINIMIZE_BOX;

class Window : public ::testing::Test {
protected:
  static void SetUpTestSuite() { TkInit(); }
  void TearDown() override {
    for (int64_t number : {0, 1, 2}) TkCloseWindow(number);
    TkBindWindowCallback(nullptr, TK_ANY);
    while (TkWindowEvent(0) != 0) {
    }
  }
};

LONG_PTR Style(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The control a gadget is, found at its rectangle's top left corner.
HWND ControlOf(int64_t window, int64_t gadget) {
  RECT rect{};
  if (!TkGadgetRect(gadget, &rect)) return nullptr;
  POINT corner{rect.left + 1, rect.top + 1};
  return ChildWindowFromPointEx(TkWindowHandle(window), corner, CWP_SKIPINVISIBLE);
}

TEST_F(Window, ClientSizeIsExactAndTheFrameFollowsTheStyle) {
  ASSERT_EQ(TkOpenWindow(0, 0, 0, 800, 600, "Main \xE2\x80\x94 wide text", DemoStyle | TK_WINDOW_SCREEN_CENTERED), 0);
  ASSERT_EQ(TkOpenWindow(1, 120, 80, 210, 61, "Settings", DemoStyle), 1);
  HWND main = TkWindowHandle(0), settings = TkWindowHandle(1);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_EQ(TkWindowWidth(1), 210);
  EXPECT_EQ(TkWindowHeight(1), 61);
  RECT outer{0, 0, 210, 61};
  AdjustWindowRectEx(&outer, DemoStyle, FALSE, 0);
  EXPECT_EQ(TkWindowWidth(1, 0), outer.right - outer.left);
  EXPECT_EQ(TkWindowHeight(1, 0), outer.bottom - outer.top);
  EXPECT_EQ(TkWindowX(1), 120);
  EXPECT_EQ(TkWindowY(1), 80);
  // The styles are the flags' upper bits: no sizing border, no maximise box.
  EXPECT_EQ(Style(main) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  wchar_t title[64] = {};
  GetWindowTextW(main, title, 64);
  EXPECT_EQ(std::wstring(title), L"Main \x2014 wide text");
  EXPECT_EQ(TkWindowTitle(0), "Main \xE2\x80\x94 wide text");
  TkStickyWindow(1, 1);
  EXPECT_TRUE(GetWindowLongPtrW(settings, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(TkWindowX(1), 120);
  TkStickyWindow(1, 0);
  EXPECT_FALSE(GetWindowLongPtrW(settings, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Window, GadgetsAreRealControlsInTheDialogFont) {
  ASSERT_EQ(TkOpenWindow(1, 0, 0, 210, 61, "Settings", DemoStyle), 1);
  int64_t label = TkTextGadget(TK_ANY, 5, 7, 80, 20, "Frame Rate:");
  ASSERT_EQ(TkOptionGadget(3, 75, 5, 50, 20, "30 fps"), 3);
  ASSERT_EQ(TkOptionGadget(4, 125, 5, 50, 20, "60 fps"), 4);
  ASSERT_EQ(TkStringGadget(5, 105, 35, 100, 20, "10", TK_STRING_NUMERIC), 5);
  HWND text = ControlOf(1, label), first = ControlOf(1, 3), second = ControlOf(1, 4), field = ControlOf(1, 5);
  EXPECT_EQ(ClassOf(text), L"Static");
  EXPECT_EQ(ClassOf(first), L"Button");
  EXPECT_EQ(ClassOf(field), L"Edit");
  EXPECT_EQ(Style(first) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  EXPECT_EQ(Style(second) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  // One group: it starts at the first option and ends before the field.
  EXPECT_TRUE(Style(first) & WS_GROUP);
  EXPECT_FALSE(Style(second) & WS_GROUP);
  EXPECT_TRUE(Style(field) & WS_GROUP);
  EXPECT_TRUE(Style(field) & ES_NUMBER);
  RECT rect{};
  ASSERT_TRUE(TkGadgetRect(5, &rect));
  EXPECT_EQ(rect.left, 105);
  EXPECT_EQ(rect.top, 35);
  EXPECT_EQ(rect.right, 205);
  EXPECT_EQ(rect.bottom, 55);
  for (HWND control : {text, first, field}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "the bitmap system font";
    LOGFONTW face{};
    ASSERT_NE(GetObjectW(font, sizeof face, &face), 0);
    EXPECT_NE(std::wstring(face.lfFaceName), L"System");
  }
}

TEST_F(Window, ClicksAndEditsAreGadgetEventsAndCodeSelectionIsSilent) {
  ASSERT_EQ(TkOpenWindow(1, 0, 0, 210, 61, "Settings", DemoStyle), 1);
  TkOptionGadget(3, 75, 5, 50, 20, "30 fps");
  TkOptionGadget(4, 125, 5, 50, 20, "60 fps");
  TkSetGadgetState(3, 1);
  TkStringGadget(5, 105, 35, 100, 20, "10", TK_STRING_NUMERIC);
  while (TkWindowEvent(0) != 0) {
  }
  TkSetGadgetState(4, 1);
  EXPECT_EQ(TkGetGadgetState(3), 0);
  EXPECT_EQ(TkGetGadgetState(4), 1);
  EXPECT_EQ(TkWindowEvent(0), 0) << "a selection from code is no click";

  SendMessageW(ControlOf(1, 3), BM_CLICK, 0, 0);
  EXPECT_EQ(TkWindowEvent(1000), TK_EVENT_GADGET);
  EXPECT_EQ(TkEventWindow(), 1);
  EXPECT_EQ(TkEventGadget(), 3);
  EXPECT_EQ(TkGetGadgetState(3), 1);
  EXPECT_EQ(TkGetGadgetState(4), 0);

  HWND field = ControlOf(1, 5);
  SendMessageW(field, EM_SETSEL, 0, -1);
  for (wchar_t key : std::wstring(L"4x2")) SendMessageW(field, WM_CHAR, key, 0);
  EXPECT_EQ(TkGetGadgetText(5), "42");
  EXPECT_EQ(TkWindowEvent(1000), TK_EVENT_GADGET);
  EXPECT_EQ(TkEventGadget(), 5);
  TkSetGadgetText(5, "10000");
  EXPECT_EQ(TkGetGadgetText(5), "10000");
}

// The demo's Settings window, made as the demo makes it: "60 fps" ends up selected.
void OpenSettings() {
  ASSERT_EQ(TkOpenWindow(1, 0, 0, 210, 61, "Settings", DemoStyle), 1);
  TkTextGadget(TK_ANY, 5, 7, 80, 20, "Frame Rate:");
  TkOptionGadget(3, 75, 5, 50, 20, "30 fps");
  TkOptionGadget(4, 125, 5, 50, 20, "60 fps");
  TkSetGadgetState(3, 1);
  TkTextGadget(TK_ANY, 5, 37, 100, 20, "Number of Balls:");
  TkStringGadget(5, 105, 35, 100, 20, "10", TK_STRING_NUMERIC);
  TkSetGadgetState(4, 1);
  while (TkWindowEvent(0) != 0) {
  }
}

// A key pressed on the focused control, through the toolkit's event loop, which runs
// until the queue is empty; returns the event it gave, or 0.
int Press(UINT key, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  int event = TkWindowEvent(0);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  return event;
}

TEST_F(Window, TheKeyboardMovesBetweenGadgetsAsInADialogAndArrowsClickOptions) {
  ASSERT_EQ(TkOpenWindow(0, 300, 0, 100, 100, "Main", DemoStyle), 0);
  OpenSettings();
  EXPECT_EQ(GetFocus(), ControlOf(1, 4)) << "the focus starts on the selected option";
  struct Step {
    UINT key;
    bool shift;
    int64_t focus;    // the gadget focused after the key
    int64_t selected; // the option selected after it
    int64_t event;    // the gadget of the event it gave; 0 for none
  } steps[] = {
      {VK_TAB, false, 5, 4, 0}, {VK_TAB, true, 4, 4, 0},  {VK_LEFT, false, 3, 3, 3},
      {VK_TAB, false, 5, 3, 0}, {VK_TAB, true, 3, 3, 0},  {VK_DOWN, false, 4, 4, 4},
      {VK_TAB, false, 5, 4, 0}, {VK_TAB, false, 4, 4, 0}, {VK_RETURN, false, 4, 4, 0},
  };
  for (const Step &step : steps) {
    SCOPED_TRACE(testing::Message() << "key " << step.key << (step.shift ? " with Shift" : ""));
    int event = Press(step.key, step.shift);
    EXPECT_EQ(event, step.event ? TK_EVENT_GADGET : 0);
    if (event) {
      EXPECT_EQ(TkEventGadget(), step.event);
    }
    EXPECT_EQ(GetFocus(), ControlOf(1, step.focus));
    EXPECT_EQ(TkGetGadgetState(step.selected), 1);
    EXPECT_EQ(TkGetGadgetState(step.selected == 3 ? 4 : 3), 0);
  }
  Press(VK_TAB, false);
  SetActiveWindow(TkWindowHandle(0));
  SetActiveWindow(TkWindowHandle(1));
  EXPECT_EQ(GetFocus(), ControlOf(1, 5)) << "the focus comes back to where it was";
  EXPECT_EQ(TkWindowEvent(0), 0);
}

void SetClipboardText(const std::wstring &text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  ASSERT_NE(data, nullptr);
  memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
}

TEST_F(Window, DigitsOnlyFieldsRefuseAPasteThatIsNotAllDigits) {
  ASSERT_EQ(TkOpenWindow(1, 0, 0, 210, 61, "Settings", DemoStyle), 1);
  TkStringGadget(5, 105, 5, 100, 20, "", TK_STRING_NUMERIC);
  TkStringGadget(6, 105, 35, 100, 20, "", 0);
  struct Paste {
    int64_t field;
    const wchar_t *clipboard;
    bool key; // Ctrl+V rather than the Paste command
    const char *text;
  } pastes[] = {
      {5, L"abc", false, "10"}, {5, L"12a", true, "10"}, {5, L"-5", false, "10"}, {5, L"250\r\n", true, "10"},
      {5, L"250", false, "250"}, {5, L"7", true, "7"},   {6, L"abc", false, "abc"},
  };
  for (const Paste &paste : pastes) {
    SCOPED_TRACE(testing::Message() << paste.field << ": " << TkWideToUtf8(paste.clipboard));
    TkSetGadgetText(paste.field, "10");
    while (TkWindowEvent(0) != 0) {
    }
    HWND field = ControlOf(1, paste.field);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SetClipboardText(paste.clipboard);
    SendMessageW(field, paste.key ? WM_CHAR : WM_PASTE, paste.key ? 0x16 : 0, 0);
    EXPECT_EQ(TkGetGadgetText(paste.field), paste.text);
    bool refused = std::string(paste.text) == "10";
    EXPECT_EQ(TkWindowEvent(0), refused ? 0 : TK_EVENT_GADGET);
    DWORD from = 9, to = 9;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    if (refused) {
      EXPECT_EQ(to - from, 2u) << "the selection stays";
    }
  }
}

int64_t KeepOpen(HWND, UINT message, WPARAM, LPARAM) { return message == WM_CLOSE ? 0 : TK_DEFAULT_CALLBACK_RESULT; }

TEST_F(Window, TheCallbackComesFirstAndCloseRequestsBecomeEvents) {
  ASSERT_EQ(TkOpenWindow(0, 0, 0, 100, 100, "Main", DemoStyle), 0);
  ASSERT_EQ(TkOpenWindow(1, 0, 0, 100, 100, "Other", DemoStyle), 1);
  TkBindWindowCallback(KeepOpen, 0);
  SendMessageW(TkWindowHandle(0), WM_CLOSE, 0, 0);
  EXPECT_EQ(TkWindowEvent(100), 0) << "the callback answered the close request";
  PostMessageW(TkWindowHandle(1), WM_CLOSE, 0, 0);
  EXPECT_EQ(TkWaitWindowEvent(), TK_EVENT_CLOSE_WINDOW);
  EXPECT_EQ(TkEventWindow(), 1);
  EXPECT_TRUE(TkIsWindow(1)) << "the program decides what a close request means";
  TkCloseWindow(1);
  EXPECT_FALSE(TkIsWindow(1));
  EXPECT_EQ(TkWindowHandle(1), nullptr);
}

std::vector<std::string> DebugMessages;
void KeepDebugMessage(const std::string &message) { DebugMessages.push_back(message); }

// A program without a console has no standard error to show: each failure line goes to
// the debug output as well, as one message without its line end.
TEST(Report, FailureLinesGoToStandardErrorAndToTheDebugOutput) {
  DebugMessages.clear();
  CaptureDebugOutput(KeepDebugMessage);
  testing::internal::CaptureStderr();
  EXPECT_EQ(TkLoadImage(TK_ANY, "no such folder\\missing.png"), 0);
  const std::string errors = testing::internal::GetCapturedStderr();
  CaptureDebugOutput(nullptr);
  EXPECT_NE(errors.find("missing.png"), std::string::npos) << errors;
  ASSERT_EQ(DebugMessages.size(), 1u);
  EXPECT_EQ(DebugMessages[0] + "\n", errors);
}

} // namespace
