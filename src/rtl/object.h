// The root of the library's object classes. Objects that lists own, components and containers
// derive from it so that an owning list can free any of them.
#pragma once

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};
