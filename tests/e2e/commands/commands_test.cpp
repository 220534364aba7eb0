// kiv.exe's switches as a script or cron uses them: a copy that plays at launch, /status,
// /stop and /play handed to it with their exit status and line, and the log-on start.
#include <gtest/gtest.h>

#include "frame_session.h"


namespace kivdrv {
namespace {

const std::wstring kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kAlreadyRunning =
    L"Программа уже работает.\nНевозможно запустить вторую\nкопию программы.";

struct Outcome {
    std::optional<DWORD> status;
    std::string out, err; // as written: UTF-8
};

// What the ended program left in the pipe. Never waits: the processes Wine starts for the
// desktop may hold the pipe's other end long after.
std::string ReadAvailable(HANDLE pipe) {
    std::string text;
    char buffer[512];
    DWORD available = 0, n = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    return text;
}

// kiv.exe with `args`, its standard output and error in pipes, waited for.
Outcome RunKiv(std::vector<std::wstring> args) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
    CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    std::wstring line = BuildCommandLine(KivExe(), args);
    PROCESS_INFORMATION pi{};
    Outcome outcome;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
        DWORD code = 0;
        if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(pi.hProcess, &code))
            outcome.status = code;
        else
            TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    outcome.out = ReadAvailable(outRead);
    outcome.err = ReadAvailable(errRead);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return outcome;
}

std::vector<std::uint64_t> Written(const CKivSession& kiv) {
    std::vector<std::uint64_t> values;
    for (const auto& call : Calls(kiv.Trace(), "W_P"))
        values.push_back(call.args.at(1));
    return values;
}

bool Stopped(const CKivSession& kiv) {
    const auto trace = kiv.Trace();
    return !trace.empty() && trace.back().call == "ClosePrt";
}

class Commands : public ::testing::Test {
protected:
    CTempDir work;
    void SetUp() override { ClearKivRegistry(); }
    void TearDown() override { ClearKivRegistry(); }
};

TEST_F(Commands, WithoutARunningCopyNothingOpensAndTheStatusIsTwo) {
    for (const wchar_t* command : {L"/status", L"/stop", L"-PLAY"}) {
        const Outcome outcome = RunKiv({command});
        EXPECT_EQ(outcome.status, 2u) << command;
        EXPECT_EQ(outcome.err, "Программа не запущена.\n");
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_FALSE(FindTopLevelWindow({kKivTitle}));
    EXPECT_EQ(RunKiv({L"/autostart", L"maybe"}).err, "Ключ /autostart ждёт on или off.\n");
}

TEST_F(Commands, PlayAtLaunchThenStatusStopAndPlayFromOutside) {
    ASSERT_TRUE(WriteFileBytes(work / "show.cmb", CmbFile({1, 2, 4})));
    CKivSession kiv(work, L"378,0,0", {(work / "show.cmb").wstring(), L"/play"});
    ASSERT_TRUE(kiv.Frame());
    // Played with no key pressed: the file's rows in order.
    ASSERT_TRUE(WaitUntil([&] { return Written(kiv).size() >= 4; }));
    const auto played = Written(kiv);
    EXPECT_EQ(std::vector<std::uint64_t>(played.begin(), played.begin() + 4),
              (std::vector<std::uint64_t>{1, 2, 4, 1}));

    Outcome status = RunKiv({L"/status"});
    EXPECT_EQ(status.status, 0u);
    EXPECT_TRUE(status.out.starts_with("Играет")) << status.out;
    EXPECT_TRUE(status.out.ends_with("\n") && status.out.find('\n') == status.out.size() - 1);

    EXPECT_EQ(RunKiv({L"-Stop"}).status, 0u);
    EXPECT_TRUE(Stopped(kiv)); // the lines are dark when the command returns
    EXPECT_TRUE(RunKiv({L"/status"}).out.starts_with("Ничего не играет"));
    EXPECT_EQ(RunKiv({L"/stop"}).status, 0u); // nothing to stop is no failure

    // /play takes the road of F4: while it plays, Start is greyed and a second /play
    // changes nothing.
    EXPECT_EQ(RunKiv({L"/play"}).status, 0u);
    EXPECT_TRUE(WaitUntil([&] { return Calls(kiv.Trace(), "OpenPrt").size() == 2; }));
    EXPECT_EQ(RunKiv({L"/play"}).status, 0u);
    EXPECT_EQ(Calls(kiv.Trace(), "OpenPrt").size(), 2u);

    // A second copy without a command is refused as ever.
    CProcess second(KivStart(work.Path()));
    HWND box = WaitForMessageBox(second.Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(ReadMessageBox(box).text, kAlreadyRunning);
    PressButton(box, IDOK);
    EXPECT_EQ(second.Wait(), 0u);
    EXPECT_TRUE(kiv.CloseAndWait());
}

TEST_F(Commands, PlayFileIsRefusedOverEditsAndWhileADialogIsOpen) {
    ASSERT_TRUE(WriteFileBytes(work / "other.cmb", CmbFile({255})));
    CKivSession kiv(work);
    ASSERT_TRUE(kiv.Frame());
    kiv.ClickCell(2, 1);
    ASSERT_TRUE(kiv.WaitForRowPane(2));

    const Outcome refused = RunKiv({L"/play", (work / "other.cmb").wstring()});
    EXPECT_EQ(refused.status, 1u);
    EXPECT_NE(refused.err.find("несохранёнными изменениями"), std::string::npos) << refused.err;
    EXPECT_FALSE(kiv.WaitForBox(1s)); // nothing asked on the program's screen
    EXPECT_TRUE(Calls(kiv.Trace(), "OpenPrt").empty());

    // Inside a dialog's loop the copy still answers: /status goes, /play is refused.
    kiv.Press({VK_F2});
    HWND dialog = kiv.WaitForDialog(kAddRowsTitle);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(RunKiv({L"/status"}).status, 0u);
    EXPECT_EQ(RunKiv({L"/play"}).status, 1u);
    PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    // The edit is still there: closing asks to save it.
    PostMessageW(kiv.Frame(), WM_CLOSE, 0, 0);
    HWND box = kiv.WaitForBox();
    ASSERT_TRUE(box);
    PressButton(box, IDNO);
    EXPECT_EQ(kiv.Process().Wait(), 0u);
}

TEST_F(Commands, AutostartOnAndOffLeaveTheRegistryAsFoundAndTheEntryFindsItsFolder) {
    const auto before = RegValueNames(kRunKey);
    StartOptions from = KivStart(work.Path(), L"378,0,0", {L"/autostart", L"ON"});
    EXPECT_EQ(CProcess(from).Wait(), 0u);
    const auto entry = ReadRegString(kRunKey, L"kiv");
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry, L"\"" + KivExe() + L"\" /workdir \"" + work.Path().wstring() + L"\"");

    // Started as Windows starts the entry, from another folder: the settings are found in its own.
    CTempDir elsewhere;
    CKivSession kiv(elsewhere, L"378,0,0", {L"/workdir", work.Path().wstring()});
    ASSERT_TRUE(kiv.Frame());
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(work / "port.cst").has_value(); }));
    EXPECT_FALSE(ReadFileBytes(elsewhere / "port.cst"));
    EXPECT_TRUE(kiv.CloseAndWait());

    from.args = {L"-autostart", L"off"};
    EXPECT_EQ(CProcess(from).Wait(), 0u);
    EXPECT_EQ(CProcess(from).Wait(), 0u); // already off
    EXPECT_EQ(RegValueNames(kRunKey), before);
    EXPECT_FALSE(FindTopLevelWindow({kKivTitle}));
}

} // namespace
} // namespace kivdrv
