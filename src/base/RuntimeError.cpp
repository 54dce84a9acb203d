#include "base/RuntimeError.h"

#include <new>
#include <utility>

#include "base/NumberText.h"

namespace base {

RuntimeError::RuntimeError(int number, std::wstring message)
    : number_(number), message_(std::move(message)) {}

RuntimeError::RuntimeError(int number) : RuntimeError(number, StandardMessage(number)) {}

std::wstring RuntimeError::StandardMessage(int number) {
  switch (number) {
    case kInvalidCall:
      return L"无效的过程调用或参数";
    case kOverflow:
      return L"溢出";
    case kOutOfMemory:
      return L"内存不足";
    case kObjectNotSet:
      return L"对象变量或 With 块变量未设置";
    default:
      return L"应用程序定义的错误或对象定义的错误";
  }
}

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
  return L"运行时错误 '" + DecimalText(error.number()) + L"':\n\n" + error.message();
}

}  // namespace base
