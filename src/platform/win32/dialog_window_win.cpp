// Dialogs with the system's controls. The dialog comes from an in-memory template that holds only
// the frame, the caption and the system's dialog font; the controls are created while it
// initialises. The dialog manager gives the modal loop, the disabled owner and the dialog keys.
// Containers are windows of a small class of this library that pass their children's commands
// on to the dialog and let Tab enter them (WS_EX_CONTROLPARENT). The library's manifest (resource
// 2) is activated around the whole run, so that the controls are those of comctl32 version 6.
#include "platform/dialog_window.h"
#include "platform/win32/scoped_handles_win.h"
#include "platform/win32/window_class_win.h"
#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <mutex>
#include <string>

namespace platform {
namespace {

constexpr UINT kRunHookMessage = WM_APP + 0x31;
/// Posted after the dialog manager moved the focus: the default button gets its frame back.
constexpr UINT kRestoreDefaultMessage = WM_APP + 0x32;
constexpr int kComboDropDownHeight = 200;
constexpr int kUpDownIdOffset = 0x1000;
const wchar_t* const kFrameProp = L"AggGroupFrame";
const wchar_t* const kUpDownProp = L"AggUpDown";
const wchar_t* const kKindProp = L"AggKind";
const wchar_t* const kCentredProp = L"AggCentred";
// What a dialog run that failed inside a toolkit event ends with.
constexpr INT_PTR kFailedRun = -2;

std::mutex gHookLock;
ModalRunHook gHook;

HWND Wnd(ControlHandle h) {
  return reinterpret_cast<HWND>(h);
}

ControlKind KindOf(HWND h) {
  return static_cast<ControlKind>(reinterpret_cast<uintptr_t>(::GetPropW(h, kKindProp)) - 1);
}

bool HasKind(HWND h) {
  return ::GetPropW(h, kKindProp) != nullptr;
}

// The activation context of the library's manifest for the life of a dialog run; nothing when the
// module has none (a test program, for instance), so the system's default controls are used.
class ManifestScope {
public:
  ManifestScope() {
    ACTCTXW ctx{};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = ThisModule();
    ctx.lpResourceName = MAKEINTRESOURCEW(2);
    context_ = ::CreateActCtxW(&ctx);
    if (context_ != INVALID_HANDLE_VALUE && !::ActivateActCtx(context_, &cookie_)) {
      ::ReleaseActCtx(context_);
      context_ = INVALID_HANDLE_VALUE;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);
  }
  ~ManifestScope() {
    if (context_ == INVALID_HANDLE_VALUE)
      return;
    ::DeactivateActCtx(0, cookie_);
    ::ReleaseActCtx(context_);
  }
  ManifestScope(const ManifestScope&) = delete;
  ManifestScope& operator=(const ManifestScope&) = delete;

private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

// Containers hand their children's notifications to the dialog.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_COMMAND:
  case WM_NOTIFY:
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLORBTN:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX:
  case WM_VSCROLL:
  case WM_HSCROLL:
    return ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
  default:
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// One class name per loaded copy of the library: a library's classes outlive its unloading.
const wchar_t* ContainerClass() {
  static std::wstring name;
  static std::once_flag once;
  std::call_once(once, [] {
    name = L"AggDialogContainer" + std::to_wstring(reinterpret_cast<uintptr_t>(ThisModule()));
    WNDCLASSW wc{};
    wc.lpfnWndProc = &ContainerProc;
    wc.hInstance = ThisModule();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = name.c_str();
    ::RegisterClassW(&wc);
  });
  return name.c_str();
}

struct DialogState {
  DialogEvents* events = nullptr;
  DialogDesign design;
  ModalRunHook hook;
  std::exception_ptr failure;
  bool ended = false;
  /// The button Enter presses, 0 for none.
  int defaultId = 0;
  /// The dialog font in the character set the design asks for; freed after the run.
  HFONT font = nullptr;
};

DialogState* StateOf(HWND dialog) {
  return reinterpret_cast<DialogState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

// Runs a toolkit event; a failure ends the dialog and is raised again once the run is over (it
// must not cross the system's frames).
template <class Fn> void Guard(HWND dialog, DialogState* state, Fn fn) {
  if (!state || state->failure)
    return;
  try {
    fn();
  } catch (...) {
    state->failure = std::current_exception();
    if (!state->ended) {
      state->ended = true;
      ::EndDialog(dialog, kFailedRun);
    }
  }
}

DWORD DialogStyle(const DialogDesign& design) {
  DWORD style = DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU |
                WS_CLIPCHILDREN;
  if (design.sizeable)
    style |= WS_THICKFRAME;
  if (design.helpButton)
    style |= DS_CONTEXTHELP;
  return style;
}

DWORD DialogExStyle(const DialogDesign& design) {
  DWORD style = WS_EX_CONTROLPARENT | (design.helpButton ? WS_EX_CONTEXTHELP : 0);
  // A mirrored dialog mirrors its controls too: they inherit the layout.
  if (design.biDiMode == 1 || design.biDiMode == 2)
    style |= WS_EX_LAYOUTRTL;
  else if (design.biDiMode == 3)
    style |= WS_EX_RTLREADING;
  return style;
}

// The dialog font in the design's character set, made before the controls exist: they take the
// dialog's font (WM_GETFONT, answered with this one) when they are created.
void ApplyCharset(HWND dialog, DialogState& state) {
  if (state.design.charset == DEFAULT_CHARSET)
    return;
  LOGFONTW font{};
  auto current = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  if (!current || ::GetObjectW(current, sizeof font, &font) == 0)
    return;
  font.lfCharSet = state.design.charset;
  state.font = ::CreateFontIndirectW(&font);
}

// DLGTEMPLATE, no menu, the default class, the caption, then the font: 8 points "MS Shell Dlg".
std::vector<WORD> MakeTemplate(const DialogDesign& design) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* head = reinterpret_cast<DLGTEMPLATE*>(t.data());
  head->style = DialogStyle(design);
  head->dwExtendedStyle = DialogExStyle(design);
  t.push_back(0); // menu
  t.push_back(0); // class
  for (char16_t c : design.caption)
    t.push_back(static_cast<WORD>(c));
  t.push_back(0);
  t.push_back(static_cast<WORD>(design.fontSize > 0 ? design.fontSize : 8));
  for (const wchar_t* f = L"MS Shell Dlg"; *f; ++f)
    t.push_back(static_cast<WORD>(*f));
  t.push_back(0);
  return t;
}

void PlaceVerticallyCentred(HWND label, const ControlRect& r) {
  int offset = 0;
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(label)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(::GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
  if (const ScopedWindowDc owner(label); HDC dc = owner.Dc()) {
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT box{0, 0, r.width, 0};
    ::DrawTextW(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK);
    ::SelectObject(dc, old);
    offset = std::max(0, (r.height - static_cast<int>(box.bottom)) / 2);
  }
  ::MoveWindow(label, r.left, r.top + offset, r.width, r.height - offset, TRUE);
}

// Moves a control; each kind keeps its own shape inside the bounds.
void Place(HWND h, const ControlRect& r) {
  switch (KindOf(h)) {
  case ControlKind::Bevel:
    ::MoveWindow(h, r.left, r.top + std::max(r.height - 2, 0), r.width, 2, TRUE);
    break;
  case ControlKind::ComboBox:
    ::MoveWindow(h, r.left, r.top, r.width, r.height + kComboDropDownHeight, TRUE);
    break;
  case ControlKind::Label:
    if (::GetPropW(h, kCentredProp))
      PlaceVerticallyCentred(h, r);
    else
      ::MoveWindow(h, r.left, r.top, r.width, r.height, TRUE);
    break;
  case ControlKind::GroupBox:
    ::MoveWindow(h, r.left, r.top, r.width, r.height, TRUE);
    if (HWND frame = static_cast<HWND>(::GetPropW(h, kFrameProp)))
      ::MoveWindow(frame, 0, 0, r.width, r.height, TRUE);
    break;
  case ControlKind::SpinEdit:
    ::MoveWindow(h, r.left, r.top, r.width, r.height, TRUE);
    if (HWND updown = static_cast<HWND>(::GetPropW(h, kUpDownProp)))
      ::SendMessageW(updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(h), 0);
    break;
  default:
    ::MoveWindow(h, r.left, r.top, r.width, r.height, TRUE);
    break;
  }
}

HWND MakeChild(HWND parent, const wchar_t* cls, const std::u16string& text, DWORD style,
               DWORD exStyle, int id) {
  return ::CreateWindowExW(exStyle, cls, reinterpret_cast<const wchar_t*>(text.c_str()),
                           WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(),
                           nullptr);
}

HWND DialogOf(HWND control) {
  HWND top = ::GetAncestor(control, GA_ROOT);
  return top ? top : control;
}

void SetFont(HWND control) {
  HWND dialog = DialogOf(control);
  ::SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(::SendMessageW(dialog, WM_GETFONT, 0, 0)),
                 FALSE);
}

// The control with identifier Id anywhere in Dialog (GetDlgItem finds only direct children).
HWND FindControl(HWND dialog, int id) {
  struct Search {
    int id;
    HWND found;
  } s{id, nullptr};
  ::EnumChildWindows(
      dialog,
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (::GetDlgCtrlID(h) != s->id || !HasKind(h))
          return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// The default button's frame. The dialog manager looks for the default button among the
// dialog's direct children only, so a button inside a container loses the frame whenever the
// focus moves; it gets it back here, unless another push button has the focus (and the frame).
void RestoreDefaultFrame(HWND dialog, const DialogState& state) {
  HWND button = state.defaultId ? FindControl(dialog, state.defaultId) : nullptr;
  if (!button)
    return;
  HWND focus = ::GetFocus();
  if (focus && focus != button && HasKind(focus) && KindOf(focus) == ControlKind::Button)
    return;
  ::SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = StateOf(dialog);
  switch (message) {
  case WM_INITDIALOG: {
    state = reinterpret_cast<DialogState*>(lParam);
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    const ControlRect& b = state->design.bounds;
    ::SetWindowPos(dialog, nullptr, b.left, b.top, b.width, b.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyCharset(dialog, *state);
    Guard(dialog, state, [&] {
      state->events->Created(reinterpret_cast<ControlHandle>(dialog));
      state->events->Resized(reinterpret_cast<ControlHandle>(dialog));
    });
    if (state->hook)
      ::PostMessageW(dialog, kRunHookMessage, 0, 0);
    return FALSE; // the toolkit has set the focus
  }
  case kRunHookMessage:
    Guard(dialog, state, [&] {
      state->hook(reinterpret_cast<ControlHandle>(dialog));
      if (!state->ended)
        state->events->CancelRequested(reinterpret_cast<ControlHandle>(dialog), true);
    });
    if (state && !state->ended) {
      state->ended = true;
      ::EndDialog(dialog, 2);
    }
    return TRUE;
  case WM_SIZE:
    Guard(dialog, state, [&] { state->events->Resized(reinterpret_cast<ControlHandle>(dialog)); });
    return TRUE;
  case WM_GETFONT:
    if (!state || !state->font)
      return FALSE;
    ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(state->font));
    return TRUE;
  case WM_NEXTDLGCTL:
    ::PostMessageW(dialog, kRestoreDefaultMessage, 0, 0);
    return FALSE; // the dialog manager moves the focus
  case kRestoreDefaultMessage:
    if (state)
      RestoreDefaultFrame(dialog, *state);
    return TRUE;
  case WM_GETMINMAXINFO:
    if (state && !state->failure) {
      int32_t minW = 0, minH = 0, maxW = 0, maxH = 0;
      state->events->SizeLimits(minW, minH, maxW, maxH);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (minW > 0)
        info->ptMinTrackSize.x = minW;
      if (minH > 0)
        info->ptMinTrackSize.y = minH;
      if (maxW > 0)
        info->ptMaxTrackSize.x = maxW;
      if (maxH > 0)
        info->ptMaxTrackSize.y = maxH;
      return TRUE;
    }
    return FALSE;
  case WM_COMMAND: {
    const int id = LOWORD(wParam);
    if (id == IDCANCEL && lParam == 0) {
      Guard(dialog, state, [&] {
        state->events->CancelRequested(reinterpret_cast<ControlHandle>(dialog), false);
      });
      return TRUE;
    }
    HWND control = reinterpret_cast<HWND>(lParam);
    if (HIWORD(wParam) == BN_CLICKED && control && HasKind(control) &&
        KindOf(control) == ControlKind::Button)
      Guard(dialog, state,
            [&] { state->events->Clicked(reinterpret_cast<ControlHandle>(dialog), id); });
    return TRUE;
  }
  case WM_CLOSE:
    Guard(dialog, state,
          [&] { state->events->CancelRequested(reinterpret_cast<ControlHandle>(dialog), true); });
    return TRUE;
  case WM_HELP: {
    // Sent for F1 and for the caption bar's help button; a control passes it on to the dialog.
    const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
    const int32_t id = info && info->iContextType == HELPINFO_WINDOW ? info->iCtrlId : 0;
    Guard(dialog, state,
          [&] { state->events->HelpRequested(reinterpret_cast<ControlHandle>(dialog), id); });
    return TRUE;
  }
  case WM_DESTROY:
    Guard(dialog, state,
          [&] { state->events->Destroying(reinterpret_cast<ControlHandle>(dialog)); });
    return FALSE;
  default:
    return FALSE;
  }
}

} // namespace

ModalRunHook SetModalRunHook(ModalRunHook hook) {
  std::lock_guard lock(gHookLock);
  ModalRunHook before = std::move(gHook);
  gHook = std::move(hook);
  return before;
}

void DialogFrameSize(const DialogDesign& design, int32_t& width, int32_t& height) {
  RECT r{0, 0, 0, 0};
  ::AdjustWindowRectEx(&r, DialogStyle(design), FALSE, DialogExStyle(design));
  width = r.right - r.left;
  height = r.bottom - r.top;
}

int32_t RunModalDialog(const DialogDesign& design, DialogEvents& events) {
  DialogState state;
  state.events = &events;
  state.design = design;
  {
    std::lock_guard lock(gHookLock);
    state.hook = gHook;
  }
  ManifestScope manifest;
  ContainerClass();
  std::vector<WORD> tmpl = MakeTemplate(design);
  HWND owner = design.owner && ::IsWindow(reinterpret_cast<HWND>(design.owner))
                   ? reinterpret_cast<HWND>(design.owner)
                   : nullptr;
  const INT_PTR result =
      ::DialogBoxIndirectParamW(ThisModule(), reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()), owner,
                                &DialogProc, reinterpret_cast<LPARAM>(&state));
  if (state.font)
    ::DeleteObject(state.font);
  if (state.failure)
    std::rethrow_exception(state.failure);
  return result < 0 ? -1 : static_cast<int32_t>(result);
}

void EndModalDialog(ControlHandle dialog, int32_t result) {
  HWND h = Wnd(dialog);
  if (DialogState* state = StateOf(h)) {
    if (state->ended)
      return;
    state->ended = true;
  }
  ::EndDialog(h, result);
}

void RequestDialogClose(ControlHandle dialog) noexcept {
  // Posted, never sent: the caller may hold locks the dialog's thread waits for.
  ::PostMessageW(Wnd(dialog), WM_CLOSE, 0, 0);
}

ControlHandle CreateDialogControl(ControlHandle parent, const ControlDesign& design) {
  HWND p = Wnd(parent);
  const DWORD visible = design.visible ? WS_VISIBLE : 0;
  const DWORD tab = design.tabStop ? WS_TABSTOP : 0;
  HWND h = nullptr;
  switch (design.kind) {
  case ControlKind::Panel:
    h = MakeChild(p, ContainerClass(), u"", visible, WS_EX_CONTROLPARENT, design.id);
    break;
  case ControlKind::GroupBox: {
    h = MakeChild(p, ContainerClass(), u"", visible, WS_EX_CONTROLPARENT, design.id);
    if (h) {
      // The titled frame lies under the container's other children.
      HWND frame = MakeChild(h, L"BUTTON", design.text, WS_VISIBLE | BS_GROUPBOX, 0, -1);
      ::SetPropW(h, kFrameProp, frame);
      SetFont(frame);
    }
    break;
  }
  case ControlKind::Bevel:
    h = MakeChild(p, L"STATIC", u"", (design.lineAtBottom ? visible | SS_ETCHEDHORZ : 0), 0,
                  design.id);
    break;
  case ControlKind::Label:
    h = MakeChild(p, L"STATIC", design.text,
                  visible | (design.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP), 0, design.id);
    if (h && design.centreVertically)
      ::SetPropW(h, kCentredProp, reinterpret_cast<HANDLE>(1));
    break;
  case ControlKind::Button:
    // The default button carries the style itself: the dialog manager's DM_SETDEFID does not
    // reach a button inside a container window.
    h = MakeChild(p, L"BUTTON", design.text,
                  visible | tab | (design.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                  design.id);
    break;
  case ControlKind::ComboBox:
    h = MakeChild(p, L"COMBOBOX", u"",
                  visible | tab | WS_VSCROLL |
                      (design.dropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL),
                  0, design.id);
    break;
  case ControlKind::Edit:
    h = MakeChild(p, L"EDIT", design.text, visible | tab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                  design.id);
    break;
  case ControlKind::SpinEdit: {
    h = MakeChild(p, L"EDIT", design.text, visible | tab | ES_AUTOHSCROLL | ES_NUMBER,
                  WS_EX_CLIENTEDGE, design.id);
    if (h) {
      HWND updown =
          MakeChild(p, UPDOWN_CLASSW, u"",
                    visible | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                    design.id + kUpDownIdOffset);
      ::SetPropW(h, kUpDownProp, updown);
      if (updown) {
        ::SendMessageW(updown, UDM_SETRANGE32, static_cast<WPARAM>(INT_MIN), INT_MAX);
        ::SendMessageW(updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(h), 0);
      }
    }
    break;
  }
  case ControlKind::CheckBox:
    h = MakeChild(p, L"BUTTON", design.text,
                  visible | tab | BS_AUTOCHECKBOX | (design.wordWrap ? BS_MULTILINE : 0), 0,
                  design.id);
    break;
  }
  if (!h)
    return 0;
  // New children go below their siblings: a group box's titled frame is kept below the controls
  // inside it, which it would otherwise paint over.
  if (HWND frame = static_cast<HWND>(::GetPropW(p, kFrameProp)))
    ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetPropW(h, kKindProp, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(design.kind) + 1));
  SetFont(h);
  Place(h, design.bounds);
  if (design.kind == ControlKind::SpinEdit)
    ::SetWindowTextW(h, reinterpret_cast<const wchar_t*>(design.text.c_str()));
  return reinterpret_cast<ControlHandle>(h);
}

void SetControlBounds(ControlHandle control, const ControlRect& bounds) {
  HWND h = Wnd(control);
  if (!HasKind(h)) {
    ::SetWindowPos(h, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  Place(h, bounds);
}

ControlRect ControlBounds(ControlHandle control) {
  HWND h = Wnd(control);
  RECT r{};
  ::GetWindowRect(h, &r);
  if (HasKind(h))
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ClientSize(ControlHandle control, int32_t& width, int32_t& height) {
  RECT r{};
  ::GetClientRect(Wnd(control), &r);
  width = r.right;
  height = r.bottom;
}

void SetControlText(ControlHandle control, std::u16string_view text) {
  HWND h = Wnd(control);
  if (HWND frame = static_cast<HWND>(::GetPropW(h, kFrameProp)))
    h = frame;
  const std::u16string copy(text);
  // A drop-down list has no edit: WM_SETTEXT would be refused, the text is chosen by selection.
  if (HasKind(h) && KindOf(h) == ControlKind::ComboBox &&
      (::GetWindowLongW(h, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) {
    const LRESULT index = ::SendMessageW(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(copy.c_str()));
    ::SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index == CB_ERR ? -1 : index), 0);
    return;
  }
  ::SetWindowTextW(h, reinterpret_cast<const wchar_t*>(copy.c_str()));
}

std::u16string ControlText(ControlHandle control) {
  HWND h = Wnd(control);
  if (HWND frame = static_cast<HWND>(::GetPropW(h, kFrameProp)))
    h = frame;
  std::u16string text(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, u'\0');
  const int n =
      ::GetWindowTextW(h, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

void SetControlVisible(ControlHandle control, bool visible) {
  ::ShowWindow(Wnd(control), visible ? SW_SHOWNA : SW_HIDE);
}

void SetControlChecked(ControlHandle control, bool checked) {
  ::SendMessageW(Wnd(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool ControlChecked(ControlHandle control) {
  return ::SendMessageW(Wnd(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetComboItems(ControlHandle control, const std::vector<std::u16string>& items) {
  HWND h = Wnd(control);
  ::SendMessageW(h, CB_RESETCONTENT, 0, 0);
  for (const std::u16string& item : items)
    ::SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int32_t ComboItemIndex(ControlHandle control) {
  return static_cast<int32_t>(::SendMessageW(Wnd(control), CB_GETCURSEL, 0, 0));
}

void SetComboItemIndex(ControlHandle control, int32_t index) {
  ::SendMessageW(Wnd(control), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int32_t WrappedTextHeight(ControlHandle label, int32_t width) {
  HWND h = Wnd(label);
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  const ScopedWindowDc owner(h);
  HDC dc = owner.Dc();
  if (!dc)
    return 0;
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(h, WM_GETFONT, 0, 0)));
  RECT box{0, 0, width, 0};
  ::DrawTextW(dc, text.c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
  ::SelectObject(dc, old);
  return box.bottom;
}

bool DialogMirrored(ControlHandle dialog) {
  return (::GetWindowLongW(Wnd(dialog), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

uint8_t DialogFontCharset(ControlHandle dialog) {
  LOGFONTW font{};
  auto current = reinterpret_cast<HFONT>(::SendMessageW(Wnd(dialog), WM_GETFONT, 0, 0));
  if (!current || ::GetObjectW(current, sizeof font, &font) == 0)
    return DEFAULT_CHARSET;
  return font.lfCharSet;
}

void SetDefaultButton(ControlHandle dialog, int32_t id) {
  ::SendMessageW(Wnd(dialog), DM_SETDEFID, static_cast<WPARAM>(id), 0);
  if (DialogState* state = StateOf(Wnd(dialog))) {
    state->defaultId = id;
    RestoreDefaultFrame(Wnd(dialog), *state);
  }
}

void FocusControl(ControlHandle control) {
  HWND h = Wnd(control);
  ::SendMessageW(DialogOf(h), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h), TRUE);
}

bool SystemVirtualDesktopRect(ControlRect& rect) {
  const int w = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int h = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0)
    return false;
  rect = {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN), w, h};
  return true;
}

bool SystemWindowScreenRect(uintptr_t window, ControlRect& rect) {
  HWND h = reinterpret_cast<HWND>(window);
  RECT r{};
  if (!h || !::IsWindow(h) || !::GetWindowRect(h, &r))
    return false;
  rect = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  return true;
}

bool SystemMonitorNearCursorRect(ControlRect& rect) {
  POINT p{};
  if (!::GetCursorPos(&p))
    return false;
  HMONITOR monitor = ::MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!monitor || !::GetMonitorInfoW(monitor, &info))
    return false;
  const RECT& r = info.rcMonitor;
  rect = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  return true;
}

} // namespace platform
