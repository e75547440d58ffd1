#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tarvos::platform {

// The texts that the platform's own parts give the operator, each with a {name} for each
// part filled in when it is shown. The catalogue of messages (screen/messages.h) lists
// every one of them with what it means.

// Why a file could not be read or written.
inline constexpr std::string_view kFileNotFoundText = "File not found";
inline constexpr std::string_view kPathNotFoundText = "Path not found";
inline constexpr std::string_view kAccessDeniedText = "File access denied";
inline constexpr std::string_view kFileInUseText =
    "File access denied: {path} is in use by another program";
inline constexpr std::string_view kDiskFullText = "Disk full";
inline constexpr std::string_view kTooManyOpenFilesText = "Too many open files";
inline constexpr std::string_view kNameTooLongText = "File name too long";
inline constexpr std::string_view kDiskErrorText = "Disk read/write error";
inline constexpr std::string_view kInvalidNumericInputText = "Invalid numeric input";

// The adapter library and the adapter process that may hold it.
inline constexpr std::string_view kAdapterLibraryNotLoadedText =
    "Cannot load adapter library {path}: {reason}";
inline constexpr std::string_view kAdapterLibraryExportsText =
    "Adapter library {path} does not export {names}";
inline constexpr std::string_view kAdapterProcessExitedText =
    "The adapter process has ended (exit code {code}).";
inline constexpr std::string_view kAdapterProcessSignalledText =
    "The adapter process has ended (signal {number}).";
inline constexpr std::string_view kAdapterProcessNoAnswerText =
    "The adapter process has ended (no answer in {seconds} s).";
inline constexpr std::string_view kAdapterProcessNotStartedText =
    "The adapter process could not be started ({path}).";
inline constexpr std::string_view kAdapterProcessVersionText =
    "The adapter process speaks another version ({version}).";
inline constexpr std::string_view kAdapterProcessBadReplyText =
    "The adapter process sent a reply that does not fit its call.";
inline constexpr std::string_view kAdapterProcessStuckText =
    "The adapter process does not end; unplug the adapters before the next start.";

// The pattern with its {name} parts filled in by the values, in order. A part without a
// value is left empty; values past the parts are ignored.
std::string FillText(std::string_view pattern, std::span<const std::string_view> values);
std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace tarvos::platform
