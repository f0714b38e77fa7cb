#pragma once

// Results of the directory layer: 0, bytes produced, or one of these.
namespace zip_result {
inline constexpr int kOk = 0;
inline constexpr int kInputError = -1;
inline constexpr int kEndOfList = -100;
inline constexpr int kNoEntry = -102;
inline constexpr int kBadArchive = -103;
inline constexpr int kNoMemory = -104;
inline constexpr int kCrcMismatch = -105;
inline constexpr int kBadPassword = -106;
}  // namespace zip_result
