#include "dialog_fit.h"

#ifdef _WIN32

#include <algorithm>

namespace {

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end()); // enough to name a control in a message
}

/// The room the text of H needs: wrapped at Width, or on one line when Width is 0.
SIZE TextExtent(HWND h, const std::wstring& text, int width) {
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(h, WM_GETFONT, 0, 0)));
  RECT box{0, 0, width > 0 ? width : 10000, 0};
  ::DrawTextW(dc, text.c_str(), -1, &box,
              DT_CALCRECT | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE) | DT_EXPANDTABS);
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  return {box.right, box.bottom};
}

} // namespace

std::wstring TextOf(HWND h) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(::GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string Misfit(HWND h) {
  if (!::IsWindowVisible(h))
    return {};
  wchar_t cls[32] = {};
  ::GetClassNameW(h, cls, 32);
  const std::wstring text = TextOf(h);
  RECT client{};
  ::GetClientRect(h, &client);
  const LONG style = ::GetWindowLongW(h, GWL_STYLE);
  std::string misfits;
  auto misfit = [&](const char* what, long needed, long has) {
    misfits += Narrow(cls) + " '" + Narrow(text) + "': " + what + " " + std::to_string(needed) +
               " > " + std::to_string(has) + "\n";
  };
  if (_wcsicmp(cls, L"Static") == 0 && !text.empty()) {
    const SIZE need = TextExtent(h, text, client.right);
    if (need.cy > client.bottom)
      misfit("height", need.cy, client.bottom);
  } else if (_wcsicmp(cls, L"Button") == 0 && !text.empty()) {
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
      if (const SIZE need = TextExtent(h, text, 0); need.cx > client.right - 16)
        misfit("width", need.cx, client.right - 16);
      break;
    case BS_AUTOCHECKBOX:
      if (const SIZE need = TextExtent(h, text, client.right - 20); need.cy > client.bottom)
        misfit("height", need.cy, client.bottom);
      break;
    default:
      if (const SIZE need = TextExtent(h, text, 0); need.cx > client.right - 8)
        misfit("width", need.cx, client.right - 8);
      break;
    }
  }
  // The up-down buttons sit beside their edit; a combo box's window may take its drop-down list
  // in, so only its bottom is left unchecked.
  if (_wcsicmp(cls, L"msctls_updown32") == 0)
    return misfits;
  const bool combo = _wcsicmp(cls, L"ComboBox") == 0;
  HWND parent = ::GetParent(h);
  RECT inner{}, r{};
  ::GetClientRect(parent, &inner);
  ::GetWindowRect(h, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  if (r.left < 0 || r.top < 0 || r.right > inner.right || (!combo && r.bottom > inner.bottom))
    misfit("outside its container, right and bottom",
           std::max(r.right - inner.right, r.bottom - inner.bottom), 0);
  return misfits;
}

#endif
