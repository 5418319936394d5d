#include "sample_classes.h"

#include "rtl/form_resource.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

const rtl::EnumType kSampleColorType("TSampleColor", {"scRed", "scGreen", "scBlue"});
const rtl::EnumType kSampleOptionType("TSampleOption", {"soFirst", "soSecond", "soThird"});
std::vector<std::string> gSampleLog;

const rtl::MetaClass& TSampleFont::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TSampleFont, TPersistent>("TSampleFont")
                                         .Integer("Size", &TSampleFont::size, &TSampleFont::size)
                                         .LString("Name", &TSampleFont::name, &TSampleFont::name);
  return meta;
}

TSampleItem::~TSampleItem() {
  gSampleLog.push_back("free " + Name());
}

void TSampleItem::SetCaption(const std::string& caption) {
  caption_ = caption;
  captionSetWhileLoading = IsLoading();
}

void TSampleItem::SetBuddy(TSampleItem* buddy) {
  if (buddy_)
    RemoveFreeNotification(buddy_);
  buddy_ = buddy;
  if (buddy_)
    FreeNotification(buddy_);
}

void TSampleItem::Loaded() {
  gSampleLog.push_back("loaded " + Name());
}

void TSampleItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == buddy_)
    buddy_ = nullptr;
}

const rtl::MetaClass& TSampleItem::StaticClass() {
  using T = TSampleItem;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TSampleItem")
          .LString("Caption", &T::Caption, &T::SetCaption)
          .Integer("Count", &T::count, &T::count)
          .Default(0)
          .Int64("Big", &T::big, &T::big)
          .Default(0)
          .Float("Ratio", &T::ratio, &T::ratio)
          .Float("Version", &T::version, &T::version)
          .WString("Hint", &T::hint, &T::hint)
          .Boolean("Enabled", &T::enabled, &T::enabled)
          .Default(true)
          .Enumeration("Color", kSampleColorType, &T::color, &T::color)
          .Default(scRed)
          .Set("Options", kSampleOptionType, &T::options, &T::options)
          .Default(0)
          .Char("Mark", &T::mark, &T::mark)
          .Default('-')
          .Variant("Extra", &T::extra, &T::extra)
          .Object("Buddy", &T::Buddy, &T::SetBuddy)
          .Object("Font", &T::Font)
          .Integer("Serial", &T::Serial)
          .Method("OnChange", &T::OnChange);
  return meta;
}

const rtl::MetaClass& TSamplePanel::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TSamplePanel, TSampleItem>("TSamplePanel")
          .Integer("Columns", &TSamplePanel::columns, &TSamplePanel::columns)
          .Default(1)
          .Method("OnCount", &TSamplePanel::OnCount);
  return meta;
}

const rtl::MetaClass& TSampleHolder::StaticClass() {
  using T = TSampleHolder;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TSampleHolder")
          .Custom(
              "InternalVer", [](T& h, const rtl::FormValue& v) { h.version = v.integer; },
              [](const T&, rtl::FormValue& v) {
                v = rtl::FormValue::OfInteger(2);
                return true;
              })
          .Custom(
              "StrData", [](T& h, const rtl::FormValue& v) { h.lines = v.AnsiItems(); },
              [](const T& h, rtl::FormValue& v) {
                v = rtl::FormValue::OfAnsiList(h.lines);
                return !h.lines.empty();
              });
  return meta;
}

void TSampleModule::ModuleChange(TObject* sender) {
  auto* c = dynamic_cast<TComponent*>(sender);
  calls.push_back("change " + (c ? c->Name() : std::string("?")));
}

void TSampleModule::ModuleCount(TObject*, int32_t& result) {
  result = 42;
}

void TSampleModule::Loaded() {
  gSampleLog.push_back("loaded " + Name());
}

void TSampleModule::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (component->Owner() == this || operation == opRemove)
    calls.push_back((operation == opInsert ? "insert " : "remove ") + component->Name());
}

const rtl::MetaClass& TSampleModule::StaticClass() {
  using T = TSampleModule;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TSampleModule")
          .LString("Description", &T::description, &T::description)
          .Float("MinVersion", &T::minVersion, &T::minVersion)
          .Set("ModuleType", kSampleOptionType, &T::moduleType, &T::moduleType)
          .Default(0)
          .Boolean("IsMultiThreadSupported", &T::multiThread, &T::multiThread)
          .Default(false)
          .Method("OnLoad", &T::OnLoad)
          .Handler("ModuleChange", &T::ModuleChange)
          .Handler("ModuleCount", &T::ModuleCount)
          .Field("Main", &T::Main);
  return meta;
}

TSampleFrame::TSampleFrame(TComponent* owner) : TSampleModule(owner) {
  (new TSampleItem(this))->SetName("Header");
}

const rtl::MetaClass& TSampleFrame::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TSampleFrame, TSampleModule>("TSampleFrame");
  return meta;
}

void RegisterSampleClasses() {
  static const bool registered = [] {
    rtl::RegisterClass<TSampleItem>();
    rtl::RegisterClass<TSamplePanel>();
    rtl::RegisterClass<TSampleHolder>();
    rtl::RegisterClass<TSampleModule>();
    rtl::RegisterClass<TComponent>();
    return true;
  }();
  (void)registered;
}
