// The dialog stand-in: dialogs and controls are records in a process-wide table with their bounds
// and state; nothing is drawn. A modal run creates the dialog, lets the toolkit build its
// controls, reports the first size and then hands the dialog to the installed hook, which acts as
// the user.
#include "platform/dialog_window.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace platform {
namespace {

// The frame of a sizeable dialog with a caption, as a system at 96 pixels per inch draws it.
constexpr int32_t kFrameWidth = 16;
constexpr int32_t kFrameHeight = 39;

struct Record {
  ControlKind kind = ControlKind::Panel;
  bool dialog = false;
  ControlHandle parent = 0;
  int32_t id = 0;
  ControlRect bounds;
  std::u16string text;
  bool visible = true;
  bool checked = false;
  std::vector<std::u16string> items;
  int32_t itemIndex = -1;
  bool dropDownList = false;
  // Dialogs only.
  DialogEvents* events = nullptr;
  uint8_t charset = 1;
  uint8_t biDiMode = 0;
  bool ended = false;
  int32_t result = 0;
  int32_t defaultId = 0;
  ControlHandle focus = 0;
};

std::mutex gLock;
std::map<ControlHandle, Record> gRecords;
ControlHandle gNext = 0x1000;
ModalRunHook gHook;

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

Record* Find(ControlHandle handle) {
  auto it = gRecords.find(handle);
  return it == gRecords.end() ? nullptr : &it->second;
}

ControlHandle Add(Record record) {
  std::lock_guard lock(gLock);
  ControlHandle handle = gNext++;
  gRecords.emplace(handle, std::move(record));
  return handle;
}

void RemoveTree(ControlHandle handle) {
  std::lock_guard lock(gLock);
  std::vector<ControlHandle> doomed{handle};
  for (std::size_t i = 0; i < doomed.size(); ++i)
    for (auto& [h, r] : gRecords)
      if (r.parent == doomed[i])
        doomed.push_back(h);
  for (ControlHandle h : doomed)
    gRecords.erase(h);
}

// Applies Fn to the record of Handle under the lock; nothing for an unknown handle.
template <class Fn> void With(ControlHandle handle, Fn fn) {
  std::lock_guard lock(gLock);
  if (Record* r = Find(handle))
    fn(*r);
}

} // namespace

ModalRunHook SetModalRunHook(ModalRunHook hook) {
  std::lock_guard lock(gLock);
  return std::exchange(gHook, std::move(hook));
}

void DialogFrameSize(const DialogDesign&, int32_t& width, int32_t& height) {
  width = kFrameWidth;
  height = kFrameHeight;
}

int32_t RunModalDialog(const DialogDesign& design, DialogEvents& events) {
  Record record;
  record.dialog = true;
  record.bounds = design.bounds;
  record.text = design.caption;
  record.events = &events;
  record.charset = design.charset;
  record.biDiMode = design.biDiMode;
  const ControlHandle dialog = Add(std::move(record));
  ModalRunHook hook;
  {
    std::lock_guard lock(gLock);
    hook = gHook;
  }
  int32_t result = 2;
  try {
    events.Created(dialog);
    events.Resized(dialog);
    bool ended = false;
    With(dialog, [&](Record& r) { ended = r.ended; });
    if (!ended && hook)
      hook(dialog);
    // A run the hook left open is closed with the close box, as a user leaving it would.
    With(dialog, [&](Record& r) { ended = r.ended; });
    if (!ended)
      events.CancelRequested(dialog, true);
    With(dialog, [&](Record& r) {
      if (r.ended)
        result = r.result;
    });
    events.Destroying(dialog);
  } catch (...) {
    RemoveTree(dialog);
    throw;
  }
  RemoveTree(dialog);
  return result;
}

void RequestDialogClose(ControlHandle) noexcept {}

bool DialogMirrored(ControlHandle dialog) {
  bool mirrored = false;
  With(dialog, [&](Record& r) { mirrored = r.biDiMode == 1 || r.biDiMode == 2; });
  return mirrored;
}

uint8_t DialogFontCharset(ControlHandle dialog) {
  uint8_t charset = 1;
  With(dialog, [&](Record& r) { charset = r.charset; });
  return charset;
}

void EndModalDialog(ControlHandle dialog, int32_t result) {
  With(dialog, [&](Record& r) {
    if (r.dialog && !r.ended) {
      r.ended = true;
      r.result = result;
    }
  });
}

ControlHandle CreateDialogControl(ControlHandle parent, const ControlDesign& design) {
  {
    std::lock_guard lock(gLock);
    if (!Find(parent))
      return 0;
  }
  Record record;
  record.kind = design.kind;
  record.parent = parent;
  record.id = design.id;
  record.bounds = design.bounds;
  record.text = design.text;
  record.visible = design.visible;
  record.dropDownList = design.dropDownList;
  if (record.dropDownList)
    record.text.clear();
  return Add(std::move(record));
}

void SetControlBounds(ControlHandle control, const ControlRect& bounds) {
  DialogEvents* resized = nullptr;
  With(control, [&](Record& r) {
    const bool sizeChanged = r.bounds.width != bounds.width || r.bounds.height != bounds.height;
    r.bounds = bounds;
    if (r.dialog && sizeChanged)
      resized = r.events;
  });
  // The system reports a new size of a dialog the way it reports one the user made.
  if (resized)
    resized->Resized(control);
}

ControlRect ControlBounds(ControlHandle control) {
  ControlRect rect;
  With(control, [&](Record& r) { rect = r.bounds; });
  return rect;
}

void ClientSize(ControlHandle control, int32_t& width, int32_t& height) {
  width = height = 0;
  With(control, [&](Record& r) {
    width = r.bounds.width - (r.dialog ? kFrameWidth : 0);
    height = r.bounds.height - (r.dialog ? kFrameHeight : 0);
  });
  width = width < 0 ? 0 : width;
  height = height < 0 ? 0 : height;
}

void SetControlText(ControlHandle control, std::u16string_view text) {
  With(control, [&](Record& r) {
    if (r.kind == ControlKind::ComboBox && r.dropDownList) {
      const auto found = std::find_if(r.items.begin(), r.items.end(), [&](const auto& item) {
        return SameIgnoringCase(item, text);
      });
      r.itemIndex = found == r.items.end() ? -1 : static_cast<int32_t>(found - r.items.begin());
      r.text = found == r.items.end() ? std::u16string() : *found;
      return;
    }
    r.text = std::u16string(text);
    // Typing into a combo box's edit leaves no entry of its list selected.
    if (r.kind == ControlKind::ComboBox)
      r.itemIndex = -1;
  });
}

std::u16string ControlText(ControlHandle control) {
  std::u16string text;
  With(control, [&](Record& r) { text = r.text; });
  return text;
}

void SetControlVisible(ControlHandle control, bool visible) {
  With(control, [&](Record& r) { r.visible = visible; });
}

void SetControlChecked(ControlHandle control, bool checked) {
  With(control, [&](Record& r) { r.checked = checked; });
}

bool ControlChecked(ControlHandle control) {
  bool checked = false;
  With(control, [&](Record& r) { checked = r.checked; });
  return checked;
}

void SetComboItems(ControlHandle control, const std::vector<std::u16string>& items) {
  With(control, [&](Record& r) {
    r.items = items;
    r.itemIndex = -1;
    if (r.dropDownList)
      r.text.clear();
  });
}

int32_t ComboItemIndex(ControlHandle control) {
  int32_t index = -1;
  With(control, [&](Record& r) { index = r.itemIndex; });
  return index;
}

void SetComboItemIndex(ControlHandle control, int32_t index) {
  With(control, [&](Record& r) {
    if (index >= 0 && index < static_cast<int32_t>(r.items.size())) {
      r.itemIndex = index;
      r.text = r.items[static_cast<std::size_t>(index)];
    } else {
      r.itemIndex = -1;
      if (r.dropDownList)
        r.text.clear();
    }
  });
}

int32_t WrappedTextHeight(ControlHandle label, int32_t width) {
  // Without fonts: 6 pixels a character and 13 a line, broken at blanks.
  constexpr int32_t kCharWidth = 6, kLineHeight = 13;
  std::u16string text;
  With(label, [&](Record& r) { text = r.text; });
  if (text.empty())
    return kLineHeight;
  const std::size_t perLine = static_cast<std::size_t>(std::max(width / kCharWidth, 1));
  int32_t lines = 1;
  std::size_t used = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u' ', start);
    if (end == std::u16string::npos)
      end = text.size();
    const std::size_t word = end - start;
    if (used > 0 && used + 1 + word > perLine) {
      ++lines;
      used = word;
    } else {
      used += (used > 0 ? 1 : 0) + word;
    }
    start = end + 1;
  }
  return lines * kLineHeight;
}

void SetDefaultButton(ControlHandle dialog, int32_t id) {
  With(dialog, [&](Record& r) { r.defaultId = id; });
}

void FocusControl(ControlHandle control) {
  ControlHandle dialog = 0;
  {
    std::lock_guard lock(gLock);
    for (ControlHandle h = control; Record* r = Find(h); h = r->parent)
      if (r->dialog) {
        dialog = h;
        break;
      }
  }
  With(dialog, [&](Record& r) { r.focus = control; });
}

bool SystemVirtualDesktopRect(ControlRect& rect) {
  rect = {0, 0, 1024, 768};
  return true;
}

bool SystemWindowScreenRect(uintptr_t, ControlRect&) {
  return false;
}

bool SystemMonitorNearCursorRect(ControlRect& rect) {
  rect = {0, 0, 1024, 768};
  return true;
}

} // namespace platform
