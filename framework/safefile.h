// Writing a file so that a failure never destroys the one it replaces. The bytes go to a
// temporary file beside the target ("~kiv" + 8 hex digits + ".tmp"); only a complete
// temporary file takes the target's place. A symbolic link is followed, so its target
// gets the bytes; a target with other hard links or other permissions than a new file
// would get is rewritten in place from the complete temporary file, so it keeps them.
// Errors name the path the caller gave, never the temporary file.
#pragma once
#include "file.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// Writes `path` through `write`, which fills the open temporary file; throws
// CFileException (named `path`) or whatever `write` throws, leaving the old file.
void AfxWriteFileSafely(const std::wstring& path, const std::function<void(CFile&)>& write);
void AfxWriteFileSafely(const std::wstring& path, std::span<const std::uint8_t> bytes);

// True for the names of our temporary files, which a later save removes.
bool AfxIsSaveTempName(const std::wstring& name);
