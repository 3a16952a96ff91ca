#pragma once
// Application result codes: 0 is success; the fatal ones travel in AppException.
#include <cstdint>

namespace brivonel::error {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kModelDialogCancelled = 1000;
constexpr std::int32_t kMotionDialogCancelled = 1001;
constexpr std::int32_t kFileNotFound = 1002;
constexpr std::int32_t kModelDataInvalid = 1003;
constexpr std::int32_t kMotionDataInvalid = 1004;
constexpr std::int32_t kDevice = 1100;
constexpr std::int32_t kDxgi = 1101;
constexpr std::int32_t kBuffers = 1102;
constexpr std::int32_t kShaders = 1103;
constexpr std::int32_t kTextures = 1104;
constexpr std::int32_t kDirect2D = 1105;
constexpr std::int32_t kPresent = 1200;
constexpr std::int32_t kNoValue = 1201;
constexpr std::int32_t kSkipFrame = 1202;
constexpr std::int32_t kLoadFailed = 1203;

}  // namespace brivonel::error
