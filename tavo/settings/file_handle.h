// An owned kernel file handle: closed on destruction, empty instead of INVALID_HANDLE_VALUE.
#pragma once

#include <windows.h>

#include <memory>

namespace tavo {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using CFileHandle = std::unique_ptr<void, HandleCloser>;

inline CFileHandle AdoptFile(HANDLE h) {
    return CFileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

} // namespace tavo
