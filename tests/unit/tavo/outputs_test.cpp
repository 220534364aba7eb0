// The window "Выходы" without Windows: tavo.ini edited in place, and the settings the
// window's ticks and fields stand for.
#include <gtest/gtest.h>

#include "tavo/settings/ini_text.h"
#include "tavo/window/outputs_model.h"

namespace tavo {
namespace {

TEST(IniText, EditsOnlyTheLinesOfTheKeysItChanges) {
    CIniText ini("\xEF\xBB\xBF; my lamps\r\n378,0,0\r\n\r\nbackend = virtual\r\ncolour = red\r\n"
                 "  Universe=3  \r\nlevel = 9\r\nlevel = 10\r\n; backend = e131\r\n# end");
    ini.Set("backend", "serial");
    ini.Set("universe", "4");
    ini.Remove("level");
    ini.Set("serial_port", "COM7");
    EXPECT_EQ(ini.Text(), "\xEF\xBB\xBF; my lamps\r\n378,0,0\r\n\r\nbackend = serial\r\n"
                          "colour = red\r\n  Universe=4  \r\n; backend = e131\r\n# end\r\n"
                          "serial_port = COM7\r\n");
}

TEST(IniText, NewLinesFollowTheFileAndTheLastLineCounts) {
    CIniText lf("lamps = 1\nlevel = 9\nlevel =");
    lf.Set("level", "7");
    lf.Set("channel", "5");
    EXPECT_EQ(lf.Text(), "lamps = 1\nlevel = 9\nlevel = 7\nchannel = 5\n");
    // A new key goes under its commented sample, where uncommenting the sample later would
    // otherwise be overridden unseen; a key set twice is noted.
    CIniText sample("; lamps = 1\n;channel=1\n# the end\n; level = 255");
    sample.Set("channel", "5");
    sample.Set("level", "9");
    EXPECT_EQ(sample.Text(),
              "; lamps = 1\n;channel=1\nchannel = 5\n# the end\n; level = 255\nlevel = 9\n");
    EXPECT_EQ(
        FileSettings("level = 9\nlevel = 7\n").Notes(),
        std::vector<std::string>{"tavo.ini line 2: level again; tavo.ini line 1 no longer counts"});
    for (const std::string start : {"", "\xEF\xBB\xBF"}) {
        CIniText fresh(start);
        fresh.Set("lamps", "1");
        EXPECT_EQ(fresh.Text(), start + "lamps = 1\r\n");
    }
}

// The outputs as the window lists them on a machine with COM3 and COM7 and no driver.
std::vector<OutputRow> Found() {
    return {{.kind = BackendKind::Virtual},
            {.kind = BackendKind::Inpout, .usable = false},
            {.kind = BackendKind::Serial, .value = "COM3"},
            {.kind = BackendKind::Serial, .value = "COM7"},
            {.kind = BackendKind::E131},
            {.kind = BackendKind::ArtNet}};
}

std::vector<bool> Ticks(const std::vector<OutputRow>& rows) {
    std::vector<bool> ticks;
    for (const auto& row : rows)
        ticks.push_back(row.ticked);
    return ticks;
}

TEST(OutputsWindow, TicksWhatTheFileChoosesAndWritesOnlyWhatTheUserChanged) {
    const std::string file = "; boards in the hall\r\nbackend = hidrelay, e131\r\n"
                             "hid_serial = QWERT\r\nuniverse = 7\r\n";
    auto settings = FileSettings(file);
    auto rows = Found();
    TickFromSettings(rows, settings);
    // The board the file names is not there: a row of its own says so.
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[4].kind, BackendKind::HidRelay);
    EXPECT_FALSE(rows[4].usable);
    EXPECT_EQ(Ticks(rows), (std::vector<bool>{0, 0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(TickedNotWorking(rows), L"USB-реле QWERT — не найдено") << "OK asks first";
    auto fields = FieldsFromSettings(settings);
    EXPECT_EQ(fields["serial_baud"], "115200");
    EXPECT_EQ(fields["universe"], "7");

    const auto before = SettingsOf(rows, fields);
    CIniText unchanged(file);
    ApplyChanges(unchanged, before, before, false);
    EXPECT_EQ(unchanged.Text(), file);

    Tick(rows, 2, true);
    Tick(rows, 3, true); // one COM port at a time
    Tick(rows, 4, false);
    fields["serial_protocol"] = "lcus";
    fields["serial_baud"] = DefaultBaud("lcus");
    fields["universe"] = std::string(2, ' ');
    CIniText ini(file);
    ApplyChanges(ini, before, SettingsOf(rows, fields), false);
    EXPECT_EQ(ini.Text(), "; boards in the hall\r\nbackend = serial, e131\r\nhid_serial = QWERT\r\n"
                          "serial_baud = 9600\r\nserial_port = COM7\r\nserial_protocol = lcus\r\n");
}

TEST(OutputsWindow, FoundAgainTheTicksStayAndAPortGoneIsSaid) {
    auto before = Found();
    Tick(before, 3, true); // COM7
    auto rows = Found();
    rows.erase(rows.begin() + 3);
    CarryTicks(before, rows);
    EXPECT_EQ(Ticks(rows), Ticks(before));
    EXPECT_EQ(TickedNotWorking(rows), L" — отключено");
}

TEST(OutputsWindow, TheDefaultIsTheDriverWhenItWorksElseTheLamps) {
    for (const bool driver : {false, true}) {
        auto rows = Found();
        rows[1].usable = driver;
        auto settings = FileSettings("; nothing chosen\n");
        TickFromSettings(rows, settings);
        EXPECT_EQ(Ticks(rows), (std::vector<bool>{!driver, driver, 0, 0, 0, 0}));
    }
}

// OK applies the user's changes to the file as it is then: a line added in Notepad stays,
// and of a key both changed (a clash) the file's value stays if the user says so.
TEST(OutputsWindow, ChangesGoOntoTheFileAsItIsNow) {
    const WindowSettings before{{"universe", "2"}, {"level", "255"}, {"net_target", {}}};
    const WindowSettings after{{"universe", "5"}, {"level", "200"}, {"net_target", "10.0.0.1"}};
    const std::string now = "universe = 3\r\nlevel = 200\r\nchannel = 9\r\n";
    EXPECT_EQ(Clashes("universe = 2\r\n", now, before, after),
              std::vector<std::string>{"universe"});
    CIniText ini(now);
    const std::vector<std::string> keep{"universe"};
    ApplyChanges(ini, before, after, false, keep);
    EXPECT_EQ(ini.Text(), now + "net_target = 10.0.0.1\r\n");
    // The lamps unticked for E1.31, lamps = 1 written meanwhile and kept: it stays.
    const WindowSettings lampsBefore{{"backend", "virtual"}, {"lamps", "1"}};
    const WindowSettings lampsAfter{{"backend", "e131"}, {"lamps", "0"}};
    const auto clashes = Clashes("", "lamps = 1\r\n", lampsBefore, lampsAfter);
    EXPECT_EQ(clashes, std::vector<std::string>{"lamps"});
    CIniText lamps("lamps = 1\r\n");
    ApplyChanges(lamps, lampsBefore, lampsAfter, false, clashes);
    EXPECT_EQ(lamps.Text(), "lamps = 1\r\nbackend = e131\r\n");
}

// Under make run the environment chooses the helper and hides the lamps; a COM port ticked
// goes onto the file's own outputs, so a plain run drives it, with the file's lamps.
TEST(OutputsWindow, OnlyTheUsersEditsReachTheFileNotTheEnvironment) {
    const auto env = [](std::string_view name) -> std::optional<std::string> {
        if (name == "TAVO_BACKEND") return "bridge";
        if (name == "TAVO_BRIDGE") return "127.0.0.1:3780";
        if (name == "TAVO_LAMPS") return "0";
        return std::nullopt;
    };
    auto found = Found();
    found.insert(found.begin() + 2, {.kind = BackendKind::Bridge});
    const std::string file = "; mine\r\nlamps = 1\r\nlevel = 9\r\n";
    auto fileAlone = FileSettings(file);
    CSettings withEnv(env, file);
    const auto onFile = StateOf(found, fileAlone);
    const auto opened = StateOf(found, withEnv);
    EXPECT_EQ(Ticks(opened.rows), (std::vector<bool>{0, 0, 1, 0, 0, 0, 0}));
    auto now = opened;
    Tick(now.rows, 3, true); // COM3
    now.fields["universe"] = "4";
    const auto edited = EditsOnFile(onFile, opened, now);
    CIniText ini(file);
    ApplyChanges(ini, SettingsOf(onFile.rows, onFile.fields),
                 SettingsOf(edited.rows, edited.fields), false);
    EXPECT_EQ(ini.Text(), file + "backend = serial\r\nserial_port = COM3\r\nuniverse = 4\r\n");
}

// The helper's address comes from the environment under make run, and the window checks
// the one it sets as the library takes it.
TEST(OutputsWindow, TheEnvironmentCountsAsItDoesForTheLibrary) {
    const auto env = [](std::string_view name) {
        return name == "TAVO_BRIDGE" ? std::optional<std::string>("127.0.0.1:3780") : std::nullopt;
    };
    auto rows = Found();
    rows.insert(rows.begin() + 2, {.kind = BackendKind::Bridge, .ticked = true});
    EXPECT_TRUE(Problems("", rows, env).empty());
    EXPECT_EQ(Problems("bridge = 10.0.0.1:3780\n", rows).at("bridge"),
              L"нужен адрес вида 127.0.0.1:3780");
}

// The COM port's row tells its setup, "High" read as the library reads it.
TEST(OutputsWindow, TheComPortRowTellsItsSetup) {
    const auto fields = FieldsFromSettings(
        FileSettings("serial_protocol = enttec\nchannel = 5\nlevel = 9\nserial_dtr = High\n"));
    EXPECT_EQ(FoundText({.kind = BackendKind::Serial, .ticked = true}, fields),
              L"DMX USB Pro, канал 5, уровень 9, 115200 бод, DTR и RTS подняты");
}

TEST(OutputsWindow, ProblemsSayWhatIsWrongInTheField) {
    auto rows = Found();
    rows[2].ticked = true; // COM3
    rows[4].ticked = true; // E1.31
    const auto problems =
        Problems("serial_baud = fast\nuniverse = 0\nlevel = 300\nnet_target = 10.0.0\n", rows);
    EXPECT_EQ(problems,
              (std::map<std::string, std::wstring, std::less<>>{
                  {"serial_baud", L"нужно число от 50 до 4000000"},
                  {"universe", L"нужно число от 1 до 63999"},
                  {"level", L"нужно число от 0 до 255"},
                  {"net_target", L"нужен адрес вида 192.168.0.10 или 192.168.0.10:5568"}}));
    rows[4].ticked = false; // universe 0 is Art-Net's
    rows[5].ticked = true;
    EXPECT_FALSE(Problems("universe = 0\n", rows).contains("universe"));
    // A stale key of an output not ticked blocks nothing.
    EXPECT_TRUE(Problems("net_target = hall-node\nserial_dtr = maybe\n", Found()).empty());
    EXPECT_TRUE(Problems("backend = serial\nserial_port = COM7\nlevel = 255\n", rows).empty());
}

} // namespace
} // namespace tavo
