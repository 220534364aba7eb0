// The device back ends with a stand-in board: what it is told after a write that failed,
// and at a Start right after a close that gave up.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "driver/driver.h"
#include "tavo/backends/device_writer.h"

namespace tavo {
namespace {

// Open once at a time, as a COM port. Its first Show of `failing` ends in `failure`, the
// next `lostWrites` fail as on a board gone; the all-off at the close takes `closeMs`.
// With `fakeClock` the writer's clock reads `clock`, and a try to open moves it by `tryMs`.
struct Board final : CReporter {
    std::mutex mutex;
    std::vector<std::pair<int, bool>> shows; // value, every line
    int failing = -1;
    DWORD failure = ERROR_TIMEOUT;
    DWORD closeMs = 0;
    std::vector<std::string> notes;
    std::atomic<int> open{0}, opened{0}, lostWrites{0}, tries{0};
    std::atomic<bool> away{false}, fakeClock{false};
    std::atomic<ULONGLONG> clock{0}, tryMs{0};
    std::vector<std::wstring> failures;

    DWORD Show(std::uint8_t value, bool all) {
        std::unique_lock lock(mutex);
        shows.emplace_back(value, all);
        if (value == failing) {
            failing = -1;
            return failure;
        }
        if (lostWrites > 0 && lostWrites--) return ERROR_DEVICE_NOT_CONNECTED;
        const bool closing = value == 0 && all && shows.size() > 1;
        lock.unlock();
        if (closing) Sleep(closeMs);
        return 0;
    }
    bool Saw(int value, bool all) {
        const std::lock_guard lock(mutex);
        return std::ranges::count(shows, std::pair(value, all)) > 0;
    }
    bool Closed() {
        return kivdrv::WaitUntil([&] { return open == 0; });
    }
    long Noted(std::string_view part) {
        const std::lock_guard lock(mutex);
        return std::ranges::count_if(notes, [&](const auto& n) { return n.find(part) != n.npos; });
    }
    void TraceNote(std::string_view text) override {
        const std::lock_guard lock(mutex);
        notes.emplace_back(text);
    }
    void PortNote(std::uint32_t, std::wstring) override {}
    void Failure(std::wstring_view what) override {
        const std::lock_guard lock(mutex);
        failures.emplace_back(what);
    }
};

// Connects `board` when it is not open already.
class CBoardSource final : public CDeviceSource {
public:
    explicit CBoardSource(Board& board) : m_board(board) {}

    std::unique_ptr<CDevice> Connect(CReporter&) override {
        struct Handle final : CDevice {
            Board& board;
            explicit Handle(Board& b) : board(b) {
                ++board.open;
                ++board.opened;
            }
            ~Handle() override { --board.open; }
            DWORD Show(std::uint8_t value, bool all) override { return board.Show(value, all); }
            std::string Name() const override { return "board"; }
        };
        ++m_board.tries;
        m_board.clock += m_board.tryMs;
        return m_board.open || m_board.away ? nullptr : std::make_unique<Handle>(m_board);
    }
    ULONGLONG Now() const override {
        return m_board.fakeClock ? m_board.clock.load() : GetTickCount64();
    }

private:
    Board& m_board;
};

struct CBoardBackend final : CDeviceBackend {
    explicit CBoardBackend(Board& board)
        : CDeviceBackend(std::make_shared<CBoardSource>(board), board) {}
};

const PortRef kPort{1, 0x378, 0};

// A frame that timed out, or one failed report: the board is kept (not opened again), and
// since relay boards hear no keep-alive, the value is sent again with every line.
TEST(DeviceBackend, AValueWhoseWriteFailedIsSentAgainWithEveryLine) {
    for (const DWORD failure : {DWORD(ERROR_TIMEOUT), DWORD(ERROR_GEN_FAILURE)}) {
        Board board;
        board.failing = 5;
        board.failure = failure;
        CBoardBackend backend(board);
        backend.Open(kPort);
        backend.Write(kPort, 5);
        EXPECT_TRUE(kivdrv::WaitUntil([&] { return board.Saw(5, true); })) << failure;
        backend.Close(kPort);
        EXPECT_TRUE(board.Closed());
        EXPECT_EQ(board.opened, 1) << failure;
    }
}

// Gone, then opened three times without taking a row (Wine 10 opens a vanished board):
// back once, when it takes the row.
TEST(DeviceBackend, ABoardThatOpensButTakesNoRowIsNotBack) {
    Board board;
    CBoardBackend backend(board);
    backend.Open(kPort);
    backend.Write(kPort, 1);
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return board.Saw(1, false); }));
    board.lostWrites = 8; // each try writes twice
    backend.Write(kPort, 2);
    ASSERT_TRUE(kivdrv::WaitUntil([&] { return board.Noted("board: back") > 0; }));
    EXPECT_EQ(board.opened, 5) << "back at the open that took the row, not before";
    EXPECT_EQ(board.Noted("opens, but writing fails"), 1);
    EXPECT_EQ(board.failures, std::vector<std::wstring>{L"устройство отключено"}) << "for a check";
    backend.Close(kPort);
    EXPECT_TRUE(board.Closed());
}

// The writer's clock stands still unless the test moves it: a board that dropped is tried
// at once, and a try that took 600 ms is followed by the next one 500 ms after its end.
TEST(DeviceBackend, TriesToOpenAgainStartAtOnceAndAreSpacedFromTheirEnd) {
    Board board;
    board.fakeClock = true;
    CBoardBackend backend(board);
    backend.Open(kPort);
    board.lostWrites = 2;
    backend.Write(kPort, 1);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return board.Noted("board: back") == 1; }));
    board.away = true;
    board.tryMs = 600;
    board.lostWrites = 2;
    backend.Write(kPort, 2);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return board.tries == 3; }));
    EXPECT_FALSE(kivdrv::WaitUntil([&] { return board.tries > 3; }, std::chrono::seconds(1)));
    board.clock += 500;
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return board.tries == 4; }));
    backend.Close(kPort);
}

TEST(DeviceBackend, AStartRightAfterACloseThatGaveUpDrivesTheBoard) {
    Board board;
    board.closeMs = 1500; // longer than the close waits
    {
        CBoardBackend first(board);
        first.Open(kPort);
        first.Close(kPort);
    }
    CBoardBackend second(board);
    second.Open(kPort);
    second.Write(kPort, 2);
    EXPECT_TRUE(kivdrv::WaitUntil([&] { return board.Saw(2, false); }));
    EXPECT_EQ(board.opened, 2);
    second.Close(kPort);
    EXPECT_TRUE(board.Closed());
}

} // namespace
} // namespace tavo
