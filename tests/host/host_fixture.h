// A small host: loads the real library once per test binary and builds call records byte by
// byte at the documented offsets.
#pragma once

#include "host_list.h"
#include "plugin_library.h"
#include "zet_plugin_abi.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

/// A call record written field by field at its documented offsets (52 bytes in a 32-bit process;
/// in a 64-bit one the Params and Data pointers widen to 8 bytes and the later offsets move).
class RecordBytes {
public:
  RecordBytes() { Put32(0, ZET_RECORD_TAG); }
  PPluginCallRec Rec() { return reinterpret_cast<PPluginCallRec>(bytes_.data()); }

  RecordBytes& Tag(uint32_t v) { return Put32(0, v); }
  RecordBytes& Action(int8_t v) { return Put8(4, static_cast<uint8_t>(v)); }
  RecordBytes& Handle(uint32_t v) { return Put32(5, v); }
  RecordBytes& Index(uint32_t v) { return Put32(9, v); }
  RecordBytes& Types(uint8_t v) { return Put8(21, v); }
  RecordBytes& Params(const void* p) { return PutPtr(22, reinterpret_cast<uintptr_t>(p)); }
  RecordBytes& Input(uint8_t kind, uintptr_t data, int32_t size = 0) {
    Put32(30, static_cast<uint32_t>(size));
    Put8(34, kind);
    return PutPtr(35, data);
  }
  RecordBytes& Output(uint8_t kind, uintptr_t data, int32_t size = 0) {
    Put32(43, static_cast<uint32_t>(size));
    Put8(47, kind);
    return PutPtr(48, data);
  }
  uint32_t InputReserved() const { return Get32(26); }
  int32_t InputSize() const { return static_cast<int32_t>(Get32(30)); }
  uint8_t InputKind() const { return bytes_[At(34)]; }
  uintptr_t InputData() const { return GetPtr(35); }
  uint32_t OutputReserved() const { return Get32(39); }
  int32_t OutputSize() const { return static_cast<int32_t>(Get32(43)); }
  uint8_t OutputKind() const { return bytes_[At(47)]; }
  uintptr_t OutputData() const { return GetPtr(48); }

private:
  static constexpr std::size_t kExtra = sizeof(void*) - 4;
  /// The offset of a field given by its 32-bit offset.
  static constexpr std::size_t At(std::size_t off32) {
    return off32 <= 22 ? off32 : off32 <= 35 ? off32 + kExtra : off32 + 2 * kExtra;
  }
  RecordBytes& Put8(std::size_t off32, uint8_t v) {
    bytes_[At(off32)] = v;
    return *this;
  }
  RecordBytes& Put32(std::size_t off32, uint32_t v) {
    std::memcpy(bytes_.data() + At(off32), &v, 4);
    return *this;
  }
  RecordBytes& PutPtr(std::size_t off32, uintptr_t v) {
    std::memcpy(bytes_.data() + At(off32), &v, sizeof v);
    return *this;
  }
  uint32_t Get32(std::size_t off32) const {
    uint32_t v;
    std::memcpy(&v, bytes_.data() + At(off32), 4);
    return v;
  }
  uintptr_t GetPtr(std::size_t off32) const {
    uintptr_t v;
    std::memcpy(&v, bytes_.data() + At(off32), sizeof v);
    return v;
  }
  alignas(8) std::array<uint8_t, sizeof(TPluginCallRec)> bytes_{};
};
static_assert(sizeof(TPluginCallRec) == 52 + 3 * (sizeof(void*) - 4), "record size");

/// The library's exports, resolved once.
struct Exports {
  PFN_GetPluginIntfVersion GetPluginIntfVersion;
  PFN_GetModuleInfo GetModuleInfo;
  PFN_GetAppMinVersion GetAppMinVersion;
  PFN_GetModuleDescription GetModuleDescription;
  PFN_GetModuleType GetModuleType;
  PFN_MultiThreadSupport MultiThreadSupport;
  PFN_GetCustomCommands GetCustomCommands;
  PFN_ExecutePluginCommand ExecutePluginCommand;
  PFN_ShowOptionsDialog ShowOptionsDialog;
  PFN_ProcessData ProcessData;
  PFN_GetData GetData;
  PFN_GetEvents GetEvents;
  PFN_GetLogEx GetLogEx;
  void(ZET_CALL* madTraceProcess)();
};

/// The loaded library, shared by the tests of one binary.
class HostTest : public ::testing::Test {
public:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  static hostkit::PluginLibrary& Library();
  static const Exports& X();
  /// A module handle no other test uses.
  static uint32_t FreshHandle();
};

/// A test whose instances keep their settings in an INI file of its own: the file's name is new
/// for every test, and at the end every instance the test loaded is unloaded with that file,
/// released, and the file removed.
class IniFileHostTest : public HostTest {
protected:
  void SetUp() override;
  void TearDown() override;
  /// Writes the section [Common] of the file.
  void WriteIni(const std::string& common);
  /// LOAD with the file on a new handle (unloaded at the end), then SET-ITEMS with Items when
  /// it is given.
  uint32_t LoadWithItems(const char* items = nullptr);
  /// Unloads and releases the instance at the end of the test.
  void Track(uint32_t handle) { handles_.push_back(handle); }

  std::filesystem::path ini_;

private:
  std::vector<uint32_t> handles_;
};
