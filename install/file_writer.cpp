#include "install/file_writer.h"

bool WriteBytesToFile(const std::string& path,
                      const std::vector<std::uint8_t>& bytes,
                      ExistingFile existing) {
  PendingFile pending(path, existing);
  if (!pending) return false;
  std::uint32_t written = 0;
  const bool complete =
      bytes.empty() ||
      (platform::WriteToFile(pending.File(), bytes.data(),
                             static_cast<std::uint32_t>(bytes.size()),
                             written) &&
       written == bytes.size());
  return complete && pending.Close() && pending.MoveIntoPlace();
}
