// Small component classes that exercise every kind of published property, events, fields,
// custom-streamed values and parent nesting.
#pragma once

#include "rtl/component.h"
#include "rtl/published.h"
#include "rtl/published_event.h"
#include "rtl/variant.h"

#include <string>
#include <vector>

enum TSampleColor { scRed, scGreen, scBlue };
extern const rtl::EnumType kSampleColorType;
/// Elements of the Options set: bit 0 soFirst, bit 1 soSecond, bit 2 soThird.
extern const rtl::EnumType kSampleOptionType;

using TSampleNotify = rtl::Event<void(TObject* Sender)>;
using TSampleCount = rtl::Event<void(TObject* Sender, int32_t& Result)>;

/// What the samples report: destructions, Loaded calls, notifications.
extern std::vector<std::string> gSampleLog;

class TSampleFont : public TPersistent {
public:
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int32_t size = 8;
  std::string name = "Tahoma";
};

class TSampleItem : public TComponent {
public:
  explicit TSampleItem(TComponent* owner) : TComponent(owner) {}
  ~TSampleItem() override;
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TSampleItem* Buddy() const { return buddy_; }
  void SetBuddy(TSampleItem* buddy);
  TSampleFont* Font() const { return const_cast<TSampleFont*>(&font_); }
  int32_t Serial() const { return 7; }

  TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(TComponent* parent) override { parent_ = parent; }

  int32_t count = 0;
  int64_t big = 0;
  double ratio = 0;
  float version = 0;
  std::u16string hint;
  bool enabled = true;
  TSampleColor color = scRed;
  uint32_t options = 0;
  char mark = '-';
  rtl::Variant extra;
  TSampleNotify OnChange;
  /// Whether the caption was set while the component was being loaded.
  bool captionSetWhileLoading = false;

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::string caption_;
  TSampleItem* buddy_ = nullptr;
  TComponent* parent_ = nullptr;
  TSampleFont font_;
};

class TSamplePanel : public TSampleItem {
public:
  explicit TSamplePanel(TComponent* owner) : TSampleItem(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int32_t columns = 1;
  TSampleCount OnCount;
};

/// Streams its version and lines itself, as the string holder does.
class TSampleHolder : public TComponent {
public:
  explicit TSampleHolder(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  int64_t version = 0;
  std::vector<std::string> lines;
};

/// A form root: handlers for events, a field that tracks the component named "Main".
class TSampleModule : public TComponent {
public:
  explicit TSampleModule(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  void ModuleChange(TObject* sender);
  void ModuleCount(TObject* sender, int32_t& result);

  std::string description;
  float minVersion = 0;
  uint32_t moduleType = 0;
  bool multiThread = false;
  TSampleNotify OnLoad;
  TSampleItem* Main = nullptr;
  std::vector<std::string> calls;

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
};

/// A root whose constructor creates the component "Header" that forms fill with "inherited".
class TSampleFrame : public TSampleModule {
public:
  explicit TSampleFrame(TComponent* owner);
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
};

/// Registers the sample classes once.
void RegisterSampleClasses();
