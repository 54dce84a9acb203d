#pragma once

#include <exception>
#include <memory>
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

  // The error with a message of its own; making it may raise std::bad_alloc.
  RuntimeError(int number, std::wstring message);
  // The error with the standard message for its number ("溢出" for 6), or a generic one. It
  // allocates nothing, so running out of memory can be reported too.
  explicit RuntimeError(int number) noexcept;
  // Copies share the message, which never changes, so that copying raises nothing, as with
  // std::runtime_error. There is no move: it would leave an error without a message.
  RuntimeError(const RuntimeError&) noexcept = default;
  RuntimeError& operator=(const RuntimeError&) noexcept = default;

  int number() const noexcept { return number_; }
  const std::wstring& message() const noexcept { return *message_; }
  const char* what() const noexcept override { return "run-time error"; }

 private:
  int number_;
  std::shared_ptr<const std::wstring> message_;  // never null
};

// Converts whatever is in flight to a RuntimeError, for catch (...) at a boundary that
// Windows owns: the error itself, error 7 where memory ran out, else error 5. It allocates
// nothing. Call only from inside a catch block.
RuntimeError CurrentErrorAsRuntimeError() noexcept;

// The text of the report box: "运行时错误 '6':\n\n溢出".
std::wstring FormatReport(const RuntimeError& error);

}  // namespace base
