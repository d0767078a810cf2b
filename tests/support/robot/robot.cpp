#include "robot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace robot {
namespace {

// Control ids of the system message box: its text and its icon.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 0x0440;
constexpr DWORD kPollMs = 20;
constexpr UINT kSendTimeoutMs = 5000;

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR *result) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               result ? result : &ignored) != 0;
}

struct Search {
    const char *className;
    const char *caption;
    DWORD processId;
    bool boxOnly;
    HWND found;
};

bool Matches(HWND window, const Search &s) {
    if (!IsWindowVisible(window)) return false;
    if (s.processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != s.processId) return false;
    }
    if (s.className && ClassOf(window) != s.className) return false;
    if (s.caption) {
        char text[512] = "";
        GetWindowTextA(window, text, sizeof text);
        if (std::strcmp(text, s.caption) != 0) return false;
    }
    return !s.boxOnly || IsMessageBox(window);
}

BOOL CALLBACK SearchOne(HWND window, LPARAM param) {
    Search *s = reinterpret_cast<Search *>(param);
    if (!Matches(window, *s)) return TRUE;
    s->found = window;
    return FALSE;
}

// The one poll loop of the robot: true as soon as the condition holds, false
// when it still does not after timeoutMs.
bool Poll(const std::function<bool()> &condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);  // the poll interval: nothing signals these conditions
    }
}

HWND Find(Search s, DWORD timeoutMs) {
    Poll(
        [&s] {
            s.found = nullptr;
            EnumWindows(SearchOne, reinterpret_cast<LPARAM>(&s));
            return s.found != nullptr;
        },
        timeoutMs);
    return s.found;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND> *>(param)->push_back(window);
    return TRUE;
}

const char *ButtonName(int id) {
    switch (id) {
        case IDOK:
            return "OK";
        case IDCANCEL:
            return "Cancel";
        case IDABORT:
            return "Abort";
        case IDRETRY:
            return "Retry";
        case IDIGNORE:
            return "Ignore";
        case IDYES:
            return "Yes";
        case IDNO:
            return "No";
        case IDTRYAGAIN:
            return "Try Again";
        case IDCONTINUE:
            return "Continue";
        case IDHELP:
            return "Help";
    }
    return "?";
}

const char *IconName(UINT icon) {
    switch (icon) {
        case MB_ICONWARNING:
            return "warning";
        case MB_ICONINFORMATION:
            return "information";
        case MB_ICONQUESTION:
            return "question";
        case MB_ICONERROR:
            return "error";
    }
    return "none";
}

// Unix path of a variable set by the test session, as a Windows path (Wine
// shows the host's root as drive Z:).
std::string SessionFolder(const char *variable) {
    const char *unix = std::getenv(variable);
    if (!unix || !*unix) return "";
    std::string path = "Z:";
    for (const char *p = unix; *p; ++p) path += (*p == '/') ? '\\' : *p;
    return path;
}

const struct {
    LPCSTR id;
    UINT flag;
} kSystemIcons[] = {{IDI_EXCLAMATION, MB_ICONWARNING},
                    {IDI_ASTERISK, MB_ICONINFORMATION},
                    {IDI_QUESTION, MB_ICONQUESTION},
                    {IDI_HAND, MB_ICONERROR}};

// Top-down 32-bit pixels of a w x h area.
struct Pixels {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    DWORD *bits = nullptr;
    Pixels(int w, int h) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        void *p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<DWORD *>(p);
        if (bitmap) old = SelectObject(dc, bitmap);
    }
    ~Pixels() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
};

bool Close(DWORD a, DWORD b) {
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8)
        d += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    return d < 48;
}

// Which system icon the control shows, read from the screen and compared
// with each system icon drawn on the same background; 0 when none fits.
UINT IconOnScreen(HWND control) {
    RECT r;
    if (!GetWindowRect(control, &r)) return 0;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || w > 256 || h > 256) return 0;
    Pixels shown(w, h);
    if (!shown.bits) return 0;
    HDC screen = GetDC(nullptr);
    BOOL copied = BitBlt(shown.dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    if (!copied) return 0;
    UINT best = 0;
    int bestMatches = 0;
    for (const auto &i : kSystemIcons) {
        Pixels drawn(w, h);
        if (!drawn.bits) return 0;
        for (int k = 0; k < w * h; ++k) drawn.bits[k] = shown.bits[0];  // the background
        DrawIconEx(drawn.dc, 0, 0, LoadIconA(nullptr, i.id), 0, 0, 0, nullptr, DI_NORMAL);
        GdiFlush();
        int matches = 0;
        for (int k = 0; k < w * h; ++k) matches += Close(drawn.bits[k], shown.bits[k]);
        if (matches > bestMatches) {
            bestMatches = matches;
            best = i.flag;
        }
    }
    // The background alone matches much; the picture must match nearly all.
    return bestMatches * 100 >= w * h * 95 ? best : 0;
}

}  // namespace

std::string Describe(const Box &box) {
    std::string s = "box \"" + box.caption + "\" [" + IconName(box.icon) + "] buttons:";
    for (int id : box.buttons) s += std::string(" ") + ButtonName(id);
    s += " text: \"" + box.text + "\"";
    return s;
}

HWND WaitForWindow(const char *className, const char *caption, DWORD timeoutMs, DWORD processId) {
    return Find(Search{className, caption, processId, false, nullptr}, timeoutMs);
}

HWND WaitForBox(const char *caption, DWORD timeoutMs, DWORD processId) {
    return Find(Search{"#32770", caption, processId, true, nullptr}, timeoutMs);
}

bool WaitForClose(HWND window, DWORD timeoutMs) {
    return Poll([window] { return !IsWindow(window); }, timeoutMs);
}

::testing::AssertionResult WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs,
                                     const std::string &what) {
    if (Poll(condition, timeoutMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "still not so after " << timeoutMs << " ms: " << what;
}

bool WaitForIdle(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

bool WaitForPainted(HWND window, DWORD timeoutMs) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return Poll(
        [window] {
            std::vector<HWND> windows(1, window);
            EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&windows));
            for (HWND w : windows)
                if (IsWindowVisible(w) && GetUpdateRect(w, NULL, FALSE)) return false;
            return true;
        },
        timeoutMs);
}

bool IsMessageBox(HWND window) {
    if (ClassOf(window) != "#32770") return false;
    HWND text = GetDlgItem(window, kBoxTextId);
    HWND icon = GetDlgItem(window, kBoxIconId);
    return text && icon && ClassOf(text) == "Static" && ClassOf(icon) == "Static";
}

std::string WindowText(HWND window) {
    if (!window) return "";
    DWORD_PTR length = 0;
    if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length)) return "";
    std::vector<char> buffer(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendWithTimeout(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &copied))
        return "";
    return std::string(buffer.data(), copied);
}

std::string ControlText(HWND dialog, int controlId) { return WindowText(GetDlgItem(dialog, controlId)); }

bool SetControlText(HWND dialog, int controlId, const char *text) {
    HWND control = GetDlgItem(dialog, controlId);
    DWORD_PTR result = 0;
    return control && SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), &result) && result;
}

int CheckState(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    DWORD_PTR state = 0;
    if (!control || !SendWithTimeout(control, BM_GETCHECK, 0, 0, &state)) return -1;
    return static_cast<int>(state);
}

bool IsControlEnabled(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control && IsWindowEnabled(control);
}

bool IsControlVisible(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control && IsWindowVisible(control);
}

bool PressButton(HWND dialog, int buttonId) {
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId))) != 0;
}

std::vector<int> ButtonIds(HWND dialog) {
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Button" || !IsWindowVisible(child)) continue;
        LONG style = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
        if (style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON) ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

Box ReadBox(HWND window) {
    Box box;
    char caption[512] = "";
    GetWindowTextA(window, caption, sizeof caption);
    box.caption = caption;
    box.text = ControlText(window, kBoxTextId);

    DWORD_PTR icon = 0;
    HWND iconControl = GetDlgItem(window, kBoxIconId);
    if (iconControl && SendWithTimeout(iconControl, STM_GETICON, 0, 0, &icon) && icon) {
        // The box loads the shared system icons: in this process the handles
        // compare equal; another process's box is recognised by its picture.
        for (const auto &i : kSystemIcons)
            if (reinterpret_cast<HICON>(icon) == LoadIconA(nullptr, i.id)) box.icon = i.flag;
        // Until the box has been painted its icon is not on the screen yet.
        Poll(
            [&] {
                box.icon = IconOnScreen(iconControl);
                return box.icon != 0;
            },
            1000);
    }
    // The order in which the box lays its buttons out.
    static const int order[] = {IDYES,    IDNO,     IDOK,       IDABORT,    IDRETRY,
                                IDCANCEL, IDIGNORE, IDTRYAGAIN, IDCONTINUE, IDHELP};
    for (int id : order) {
        HWND button = GetDlgItem(window, id);
        if (button && IsWindowVisible(button)) box.buttons.push_back(id);
    }
    return box;
}

bool Screenshot(const char *name, DWORD timeoutMs) {
    std::string folder = SessionFolder("KOVARA_SCREENSHOTS");
    if (folder.empty()) return false;
    std::string request = folder + "\\" + name + ".request";
    std::string picture = folder + "\\" + name + ".png";
    DeleteFileA(picture.c_str());
    HANDLE file =
        CreateFileA(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    // The session removes the request once the picture is written.
    if (!Poll([&] { return GetFileAttributesA(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, timeoutMs)) {
        DeleteFileA(request.c_str());
        return false;
    }
    return GetFileAttributesA(picture.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Answerer::Answerer(DWORD processId) : process_(processId ? processId : GetCurrentProcessId()) {
    thread_ = std::thread([this] { Run(); });
}

Answerer::~Answerer() { Finish(); }

void Answerer::Answer(int button) {
    std::lock_guard<std::mutex> hold(lock_);
    answers_.push_back(button);
}

void Answerer::OnDialog(const std::string &caption, std::function<void(HWND)> handler) {
    std::lock_guard<std::mutex> hold(lock_);
    handlers_.emplace_back(caption, std::move(handler));
}

std::vector<Box> Answerer::Boxes() {
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
}

size_t Answerer::PendingAnswers() {
    std::lock_guard<std::mutex> hold(lock_);
    return answers_.size();
}

bool Answerer::WaitForBoxes(size_t count, DWORD timeoutMs) {
    return Poll(
        [&] {
            std::lock_guard<std::mutex> hold(lock_);
            return boxes_.size() >= count;
        },
        timeoutMs);
}

void Answerer::Finish() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (finished_) return;
        finished_ = true;
        stop_ = true;
    }
    if (thread_.joinable()) thread_.join();
    for (const std::string &failure : failures_) ADD_FAILURE() << failure;
    if (!answers_.empty()) ADD_FAILURE() << answers_.size() << " expected box(es) never appeared";
}

void Answerer::Run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stop_) return;
            // Forget windows that are gone, so that a reused handle counts again.
            for (auto it = seen_.begin(); it != seen_.end();) it = IsWindow(*it) ? std::next(it) : seen_.erase(it);
        }
        std::vector<HWND> windows;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
        for (HWND window : windows) Visit(window);
        Sleep(kPollMs);  // the watch's round: no event tells of a new window of another thread
    }
}

void Answerer::Visit(HWND window) {
    if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != process_) return;

    char caption[512] = "";
    GetWindowTextA(window, caption, sizeof caption);
    std::function<void(HWND)> handler;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (seen_.count(window)) return;
        seen_.insert(window);
        for (const auto &h : handlers_)
            if (h.first == caption) handler = h.second;
    }
    if (handler) {
        handler(window);
        return;
    }
    if (!IsMessageBox(window)) {
        std::lock_guard<std::mutex> hold(lock_);
        failures_.push_back(std::string("unexpected dialog \"") + caption + "\"");
        PressButton(window, IDCANCEL);
        return;
    }

    Box box = ReadBox(window);
    bool wantPicture = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (answers_.empty()) {
            box.expected = false;
            // The least harmful way out: Cancel, else No, else OK.
            box.answer = box.buttons.empty() ? IDCANCEL : box.buttons.front();
            for (int id : {IDOK, IDNO, IDCANCEL})
                for (int b : box.buttons)
                    if (b == id) box.answer = id;
            failures_.push_back("unexpected " + Describe(box));
            wantPicture = true;
        } else {
            box.answer = answers_.front();
            answers_.erase(answers_.begin());
        }
        boxes_.push_back(box);
    }
    // A picture of what nobody expected, for a person to look at.
    if (wantPicture) {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("unexpected-") + (test ? test->test_suite_name() : "") + "." +
                           (test ? test->name() : "") + "-" + std::to_string(boxes_.size());
        Screenshot(name.c_str());
    }
    PressButton(window, box.answer);
}

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs) { return Poll(condition, timeoutMs); }

std::vector<std::string> BoxTextsFrom(Answerer &answerer, size_t first) {
    std::vector<std::string> texts;
    std::vector<Box> seen = answerer.Boxes();
    for (size_t i = first; i < seen.size(); ++i) texts.push_back(seen[i].text);
    return texts;
}

}  // namespace robot
