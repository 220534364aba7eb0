// The framework's exceptions. Handlers let them fly; the window procedure's boundary and
// the application's loop catch them and report them in a standard box (AfxReportException).
#pragma once
#include <windows.h>

#include <exception>
#include <string>

class CException : public std::exception {
public:
    const char* what() const noexcept override { return "framework exception"; }
    // The Russian text shown to the user.
    virtual std::wstring GetErrorMessage() const;
};

class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };
    CFileException(Cause cause, LONG osError, std::wstring fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}
    // Maps a Win32 error code to a cause.
    static Cause OsErrorToCause(LONG osError);
    // Throws for the calling thread's last error.
    [[noreturn]] static void ThrowOsError(LONG osError, const std::wstring& fileName);
    std::wstring GetErrorMessage() const override;

    Cause m_cause;
    LONG m_lOsError;
    std::wstring m_strFileName;
};

class CArchiveException : public CException {
public:
    enum Cause {
        none,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema
    };
    explicit CArchiveException(Cause cause, std::wstring fileName = {})
        : m_cause(cause), m_strFileName(std::move(fileName)) {}
    std::wstring GetErrorMessage() const override;

    Cause m_cause;
    std::wstring m_strFileName;
};

class CMemoryException : public CException {
public:
    std::wstring GetErrorMessage() const override;
};

// Thrown after the user has already been told (data exchange); reported silently.
class CUserException : public CException {
public:
    std::wstring GetErrorMessage() const override { return {}; }
};

// The Russian text for any exception: the framework's own, std::bad_alloc (memory) or others.
std::wstring AfxExceptionText(const std::exception_ptr& e);
// Shows the exception in a standard error box (nothing for CUserException).
void AfxReportException(const std::exception_ptr& e);
