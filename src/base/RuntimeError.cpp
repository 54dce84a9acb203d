#include "base/RuntimeError.h"

#include <new>
#include <utility>

#include "base/NumberText.h"

namespace base {
namespace {

// The standard messages, made at start-up and shared by every error that carries one.
const std::wstring kInvalidCallMessage = L"无效的过程调用或参数";
const std::wstring kOverflowMessage = L"溢出";
const std::wstring kOutOfMemoryMessage = L"内存不足";
const std::wstring kFileNotFoundMessage = L"文件未找到";
const std::wstring kObjectNotSetMessage = L"对象变量或 With 块变量未设置";
const std::wstring kOtherMessage = L"应用程序定义的错误或对象定义的错误";

const std::wstring& StandardMessage(int number) noexcept {
  switch (number) {
    case RuntimeError::kInvalidCall:
      return kInvalidCallMessage;
    case RuntimeError::kOverflow:
      return kOverflowMessage;
    case RuntimeError::kOutOfMemory:
      return kOutOfMemoryMessage;
    case RuntimeError::kFileNotFound:
      return kFileNotFoundMessage;
    case RuntimeError::kObjectNotSet:
      return kObjectNotSetMessage;
    default:
      return kOtherMessage;
  }
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
  return L"运行时错误 '" + DecimalText(error.number()) + L"':\n\n" + error.message();
}

}  // namespace base
