#include "base/RuntimeError.h"

#include <new>
#include <utility>

#include <windows.h>

namespace base {
namespace {

// The standard messages, made at start-up and never destroyed: an error made on a lookup's
// worker while the program ends and its statics go has its message too.
struct Standard {
  int number;
  const std::wstring* message;
};
const Standard kStandardMessages[] = {
    {RuntimeError::kInvalidCall, new std::wstring(L"无效的过程调用或参数")},
    {RuntimeError::kOverflow, new std::wstring(L"溢出")},
    {RuntimeError::kOutOfMemory, new std::wstring(L"内存不足")},
    {RuntimeError::kObjectNotSet, new std::wstring(L"对象变量或 With 块变量未设置")},
};
const std::wstring* const kOtherMessage = new std::wstring(L"应用程序定义的错误或对象定义的错误");

const std::wstring& StandardMessage(int number) noexcept {
  for (const Standard& standard : kStandardMessages) {
    if (standard.number == number) return *standard.message;
  }
  return *kOtherMessage;
}

}  // namespace

RuntimeError::RuntimeError(int number, std::wstring message)
    : number_(number), message_(std::make_shared<const std::wstring>(std::move(message))) {}

// A pointer that owns nothing: the standard messages outlive every error.
RuntimeError::RuntimeError(int number) noexcept
    : number_(number), message_(std::shared_ptr<const std::wstring>(), &StandardMessage(number)) {}

RuntimeError CurrentErrorAsRuntimeError() noexcept {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RuntimeError(RuntimeError::kOutOfMemory);
  } catch (...) {
    return RuntimeError(RuntimeError::kInvalidCall);
  }
}

std::wstring FormatReport(const RuntimeError& error) {
  wchar_t number[16];
  wsprintfW(number, L"%d", error.number());
  return L"运行时错误 '" + (number + (L"':\n\n" + error.message()));
}

}  // namespace base
