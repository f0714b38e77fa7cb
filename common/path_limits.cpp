#include "common/path_limits.h"

#include "common/narrow_text.h"

bool FitsPathLimit(std::string_view path) {
  // No character takes less than a byte: a short path needs no count.
  return path.size() <= kMaxPathLength || CountCharacters(path) <= kMaxPathLength;
}
