#pragma once

#include <exception>
#include <string>

namespace base {

// A run-time error as the program reports it: a number and a message. It ends the event
// procedure that raised it (and every procedure that called it) and is reported once, in a
// message box, after which the program keeps running.
class RuntimeError : public std::exception {
 public:
  static constexpr int kInvalidCall = 5;
  static constexpr int kOverflow = 6;
  static constexpr int kOutOfMemory = 7;
  static constexpr int kObjectNotSet = 91;

  RuntimeError(int number, std::wstring message);
  // The error with the standard message for its number.
  explicit RuntimeError(int number);

  int number() const noexcept { return number_; }
  const std::wstring& message() const noexcept { return message_; }
  const char* what() const noexcept override { return "run-time error"; }

  // The standard message for a number ("溢出" for 6), or a generic one.
  static std::wstring StandardMessage(int number);

 private:
  int number_;
  std::wstring message_;
};

// Converts whatever is in flight to a RuntimeError, for catch (...) at a boundary that
// Windows owns. Call only from inside a catch block.
RuntimeError CurrentErrorAsRuntimeError() noexcept;

// The text of the report box: "运行时错误 '6':\n\n溢出".
std::wstring FormatReport(const RuntimeError& error);

}  // namespace base
