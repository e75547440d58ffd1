#include "link/start_up.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>
#include <utility>

#include "link/fault.h"
#include "link/tick_timer.h"
#include "platform/text_file.h"

namespace tarvos::link {
namespace {

constexpr std::string_view kDeviceName = "UsbI2cIo";
constexpr uint32_t kIoPortConfig = 0x000F00FC;
constexpr uint32_t kHardwareIdMask = 0xFC;
constexpr uint8_t kCorvidId = 0x00;
constexpr uint8_t kFennixId = 0x04;
constexpr uint8_t kSalvoId = 0x08;

constexpr int kSalvoStartUpTicks = 18;
constexpr int kSynthResetTicks = 5;

// Device grid columns.
constexpr std::size_t kInstanceColumn = 0;
constexpr std::size_t kHandleColumn = 1;
constexpr std::size_t kModelColumn = 2;
constexpr std::size_t kSerialColumn = 3;

std::string Decimal(int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

void IdentifyAdapter(AdapterAccess& access, uint8_t instance, int32_t handle, Search search,
                     const IdentifyHooks& hooks) {
  const bool start_up = search == Search::StartUp;
  const std::size_t serial_chars = start_up ? kStartUpSerialChars : kEnumerationSerialChars;
  AdapterLink& link = access.Link();
  screen::Screen& screen = access.Screen();
  platform::AdapterLibrary& library = access.Library();

  screen.devices.Set(instance, kInstanceColumn, Decimal(instance));
  screen.devices.Set(instance, kHandleColumn, Decimal(handle));
  uint32_t value = 0;
  if (!library.ConfigIoPorts(handle, kIoPortConfig) || !library.ReadIoPorts(handle, value)) {
    return;
  }
  // Only bits 2 to 7 say what the adapter belongs to; the others carry live inputs.
  const auto id = static_cast<uint8_t>(value & kHardwareIdMask);
  if (id == kCorvidId || id == kFennixId) {
    link.SynthInstance = instance;
    link.SynthHandle = handle;
    const auto serial = access.ReadSerialNumber(handle, serial_chars);
    if (!serial) access.ReportFault(FaultCode::SerialNumberNotFound, Unit::Synthesiser);
    link.ModelName = id == kCorvidId ? "Corvid" : "Fennix";
    screen.devices.Set(instance, kSerialColumn, serial.value_or(""));
    screen.devices.Set(instance, kModelColumn, link.ModelName);
  } else if (id == kSalvoId) {
    link.SalvoInstance = instance;
    if (start_up) link.SalvoPresent = true;
    link.SalvoHandle = handle;
    const auto serial = access.ReadSerialNumber(handle, serial_chars);
    if (!serial) access.ReportFault(FaultCode::SerialNumberNotFound, Unit::Salvo);
    screen.devices.Set(instance, kSerialColumn, serial.value_or(""));
    screen.devices.Set(instance, kModelColumn, "Salvo");
    if (hooks.LoadSalvoSettings) hooks.LoadSalvoSettings();
  }
  if (start_up) screen.caption = std::string(kCaptionPrefix) + link.ModelName;
}

namespace {

void InitialiseSalvo(AdapterAccess& access, CommandSet& commands) {
  AdapterLink& link = access.Link();
  if (link.SalvoHandle == 0) {
    link.SalvoPresent = false;
    return;
  }
  access.ReadSalvoReplies();
  link.SalvoPresent = true;
  access.SendSalvo("03,30,00,04");
  access.TickWait(kSalvoStartUpTicks, true);
  access.SendSalvo("03,20,00,04");
  access.ReadSalvoReplies();
  // Its level command goes to whatever synthesiser the search found, not yet set up.
  commands.SelectAmplifier(kNoAmplifier);
  access.SendSalvo("03,21,00,04");
  access.ReadSalvoReplies();
}

void InitialiseSynth(AdapterAccess& access, const IdentifyHooks& hooks) {
  AdapterLink& link = access.Link();
  if (link.SynthHandle == 0) {
    link.SynthPresent = false;
    return;
  }
  access.SendSynth("03,31,00,04");
  access.TickWait(kSynthResetTicks, true);
  access.SendSynth("03,20,00,04");
  access.ReadSynthReplies();
  link.SynthPresent = true;
  access.SendSynth("03,3E,A5,04");
  if (hooks.UpdateLamps) hooks.UpdateLamps();
}

}  // namespace

void IdentifyAdapters(AdapterAccess& access, CommandSet& commands, const IdentifyHooks& hooks) {
  AdapterLink& link = access.Link();
  access.Screen().devices.Clear(1, kLastDeviceInstance, kInstanceColumn, kSerialColumn);
  link.OutputImage = 0;
  link.SynthHandle = 0;

  for (int i = 0; i <= kLastDeviceInstance; ++i) {
    const auto instance = static_cast<uint8_t>(i);
    const int32_t handle = access.Library().OpenDeviceInstance(kDeviceName, instance);
    // A handle of 0 means no device everywhere else in the program, so it is not
    // identified either: an adapter behind it could never be written to.
    if (handle > 0) IdentifyAdapter(access, instance, handle, Search::StartUp, hooks);
    access.TickWait(1, true);
  }

  InitialiseSalvo(access, commands);
  InitialiseSynth(access, hooks);
}

void EnumerateAdapters(AdapterAccess& access, CommandSet& commands, const IdentifyHooks& hooks,
                       uint16_t delay_ticks, const std::function<void(uint8_t)>& show_instance) {
  AdapterLink& link = access.Link();
  access.Library().Reconnect();
  for (int i = 0; i <= kLastEnumeratedInstance; ++i) {
    const auto instance = static_cast<uint8_t>(i);
    if (show_instance) show_instance(instance);
    const int32_t handle = access.Library().OpenDeviceInstance(kDeviceName, instance);
    if (handle > 0) IdentifyAdapter(access, instance, handle, Search::Enumeration, hooks);
    access.TickWait(delay_ticks, true);
  }

  if (link.SalvoHandle != 0) {
    link.SalvoPresent = true;
    access.SendSalvo("03,20,00,04");
    access.ReadSalvoReplies();
    commands.SelectAmplifier(kAmplifier1);
  } else {
    link.SalvoPresent = false;
  }

  if (link.SynthHandle != 0) {
    access.SendSynth("03,31,00,04");
    access.TickWait(kSynthResetTicks, true);
    access.SendSynth("03,20,00,04");
    access.ReadSynthReplies();
    link.SynthPresent = true;
    access.Screen().caption = std::string(kCaptionPrefix) + link.ModelName;
    access.SendSynth("03,3E,A5,04");
    if (hooks.UpdateLamps) hooks.UpdateLamps();
  } else {
    link.SynthPresent = false;
  }
}

}  // namespace tarvos::link
