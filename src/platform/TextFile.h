#pragma once
// Small text files of one line (the user data file). On disk they are GBK,
// or UTF-8 when they start with a BOM; in memory UTF-8.

#include "platform/FileAccess.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tmx7 {

// Reads the first line: the bytes up to the first LF (a CR before it
// dropped), then up to the first NUL, converted to UTF-8. A first line of
// more than `maxBytes` bytes is refused (EFBIG) rather than cut, so that
// saving it again cannot lose its end. An empty file gives an empty line.
FileResult ReadFirstLine(const std::string& path, std::size_t maxBytes, std::string& line);

// Replaces the file with `text` exactly (no line end added), atomically (see
// WriteFileAtomic). An existing UTF-8 BOM file stays UTF-8; anything else is
// written as GBK.
FileResult WriteTextFile(const std::string& path, std::string_view text);

// Creates the file with `text` (GBK) only when no file of that name exists;
// an existing file is never touched. The new file appears complete or not at
// all. `created` tells whether this call made it.
FileResult CreateTextFileIfMissing(const std::string& path, std::string_view text,
                                   bool* created = nullptr);

} // namespace tmx7
