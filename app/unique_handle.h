// An owned kernel handle (event, mutex, file mapping): closed when its owner goes.
#pragma once
#include <windows.h>

#include <memory>

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
