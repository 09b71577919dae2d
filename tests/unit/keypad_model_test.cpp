// The simulated keypad controller as the host and keypadctl see it.
#include <gtest/gtest.h>

#include <memory>

#include "drivers/KeypadCommand.h"
#include "drivers/KeypadModel.h"

using namespace keypad;

namespace {

class KeypadModelTest : public ::testing::Test {
protected:
    void SetUp() override { model.Initialise(Profile::Extended); }

    std::optional<uint8_t> read(uint16_t r, uint16_t address = kKeypadSlaveAddress) {
        SmbRequest request{0, address, r, 0, 0xFFFFFFFF};
        if (!model.Read(request, ++now)) {
            EXPECT_EQ(request.data, 0xFFFFFFFFu) << "a failed read leaves the data alone";
            return std::nullopt;
        }
        EXPECT_LE(request.data, 0xFFu) << "upper bytes of a read value are zero";
        return static_cast<uint8_t>(request.data);
    }
    bool write(uint16_t r, uint32_t data, uint16_t address = kKeypadSlaveAddress) {
        return model.Write(SmbRequest{0, address, r, 0, data}, ++now);
    }
    std::optional<uint8_t> line() {
        uint8_t level = 0xEE;
        return model.ReadInputLine(level, ++now) ? std::optional(level) : std::nullopt;
    }
    std::string lastLine() const {
        return FormatLogEntry(model.EntriesAfter(model.LastSeq() - 1).at(0));
    }

    std::unique_ptr<KeypadState> state = std::make_unique<KeypadState>();
    KeypadModel model{*state};
    uint64_t now = 1000;
};

TEST_F(KeypadModelTest, KeysChangeTheirRegisterAndFlags) {
    struct Case {
        Key key;
        uint16_t reg;
        uint8_t before;
        uint8_t after;
        uint8_t changeFlags;
    };
    const Case cases[] = {
        {Key::BrightnessUp, reg::kBrightness, 10, 11, change::kBrightness},
        {Key::BrightnessUp, reg::kBrightness, 20, 20, change::kBrightness}, // end of range
        {Key::BrightnessDown, reg::kBrightness, 0, 0, change::kBrightness},
        {Key::VolumeUp, reg::kVolume, 20, 20, change::kVolume},
        {Key::VolumeDown, reg::kVolume, 10, 9, change::kVolume},
        {Key::Mute, reg::kStatus, 0x04, 0x05, 0},
        {Key::Mute, reg::kStatus, 0x05, 0x04, 0},
        {Key::Backlight, reg::kBacklight, 1, 0, 0},
        {Key::Lock, reg::kStatus, 0x04, 0x84, 0},
        {Key::Dimming, reg::kStatus, 0x84, 0x94, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(KeyName(c.key) + std::string(" from ") + std::to_string(c.before));
        model.Reset(Profile::Extended);
        ASSERT_TRUE(model.Set(c.reg, c.before));
        const LogEntry entry = model.PressKey(c.key, ++now);
        EXPECT_EQ(entry.op, 'K');
        EXPECT_EQ(entry.value, c.after);
        EXPECT_EQ(read(c.reg), c.after);
        EXPECT_EQ(read(reg::kChangeValue), c.changeFlags);
    }
}

TEST_F(KeypadModelTest, ChangeFlagsAreReportedOnce) {
    model.PressKey(Key::BrightnessUp, ++now);
    model.PressKey(Key::VolumeDown, ++now);
    EXPECT_EQ(read(reg::kChangeValue), change::kBrightness | change::kVolume);
    EXPECT_EQ(read(reg::kChangeValue), 0);
}

TEST_F(KeypadModelTest, InputLineStaysLowUntilStatusIsRead) {
    EXPECT_EQ(line(), 1);
    model.PressKey(Key::VolumeUp, ++now);
    EXPECT_EQ(line(), 0);
    read(reg::kChangeValue);
    read(reg::kVolume);
    EXPECT_EQ(line(), 0);
    model.FailNextReads(reg::kStatus, 1);
    EXPECT_EQ(read(reg::kStatus), std::nullopt);
    EXPECT_EQ(line(), 0) << "an unanswered status read releases nothing";
    EXPECT_EQ(read(reg::kStatus), status::kExtended);
    EXPECT_EQ(line(), 1);
}

TEST_F(KeypadModelTest, HostWritesLandWithoutEvent) {
    struct Case {
        uint16_t writeReg;
        uint32_t data;
        uint16_t readReg;
        uint8_t expected;
    };
    const Case cases[] = {
        {reg::kBrightnessWrite, 7, reg::kBrightness, 7},
        {reg::kBrightnessWrite, 25, reg::kBrightness, 20}, // clamped to the level range
        {reg::kVolumeWrite, 0, reg::kVolume, 0},
        {reg::kMuteWrite, 0xFF, reg::kStatus, 0x05},
        {reg::kMuteWrite, 0xFE, reg::kStatus, 0x04}, // only bit 0 counts
        {reg::kBacklightWrite, 0, reg::kBacklight, 0},
        {reg::kDimmingWrite, 1, reg::kStatus, 0x14},
        {reg::kLuxWrite, 4, reg::kLux, 4},
        {reg::kLockWrite, 1, reg::kStatus, 0x84},
        {reg::kVolumeWrite, 0x105, reg::kVolume, 5}, // the low byte lands
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("write " + std::to_string(c.writeReg) + " = " + std::to_string(c.data));
        model.Reset(Profile::Extended);
        EXPECT_TRUE(write(c.writeReg, c.data));
        EXPECT_EQ(read(reg::kChangeValue), 0);
        EXPECT_EQ(line(), 1);
        EXPECT_EQ(read(c.readReg), c.expected);
    }
    EXPECT_EQ(model.EntriesAfter(0).at(0).value, 7u) << "W entries keep the whole data word";
}

TEST_F(KeypadModelTest, ProfileDecidesWhichRegistersAnswer) {
    const uint16_t extendedReads[] = {22, 23, 24, 25, 27, 28};
    const uint16_t extendedWrites[] = {20, 21, 32, 33};
    for (const Profile profile : {Profile::Extended, Profile::Basic}) {
        model.Reset(profile);
        const bool extended = profile == Profile::Extended;
        SCOPED_TRACE(extended ? "extended" : "basic");
        EXPECT_EQ(read(reg::kStatus), extended ? status::kExtended : 0);
        EXPECT_EQ(read(reg::kBrightness), 10);
        EXPECT_EQ(read(reg::kVersion), 0x21);
        EXPECT_TRUE(write(reg::kVolumeWrite, 3));
        for (uint16_t r : extendedReads) {
            EXPECT_EQ(read(r).has_value(), extended) << "read " << r;
        }
        for (uint16_t r : extendedWrites) {
            EXPECT_EQ(write(r, 1), extended) << "write " << r;
        }
    }
    model.Reset(Profile::Extended);
    EXPECT_EQ(read(reg::kFunction), 3);
    EXPECT_EQ(read(reg::kLux), 2);
    EXPECT_EQ(read(reg::kBacklight), 1);
}

TEST_F(KeypadModelTest, OnlyTheControllersAddressAndKnownRegistersAnswer) {
    EXPECT_EQ(read(reg::kVolume, 0x69), std::nullopt);
    EXPECT_FALSE(write(reg::kVolumeWrite, 3, 0x00));
    EXPECT_EQ(read(reg::kVolume), 10) << "the refused write did not land";
    EXPECT_EQ(read(26), std::nullopt);
    EXPECT_EQ(read(reg::kVolumeWrite), std::nullopt) << "write register";
    EXPECT_FALSE(write(reg::kVolume, 3)) << "read register";
    EXPECT_FALSE(write(300, 3));
    EXPECT_EQ(lastLine().substr(lastLine().find(" W ")), " W 300 3 fail");
}

TEST_F(KeypadModelTest, RdNumGivesThreeBytesInTurn) {
    EXPECT_EQ(read(reg::kRdNum), 'K');
    model.FailNextReads(reg::kRdNum, 1);
    EXPECT_EQ(read(reg::kRdNum), std::nullopt);
    EXPECT_EQ(read(reg::kRdNum), 0x12) << "a failed read does not advance";
    EXPECT_EQ(read(reg::kRdNum), 0x34);
    EXPECT_EQ(read(reg::kRdNum), 'K');
}

TEST_F(KeypadModelTest, FaultsFailExactlyTheirCount) {
    model.FailNextReads(reg::kVolume, 4);
    model.FailNextWrites(reg::kVolumeWrite, 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(read(reg::kVolume), std::nullopt);
    }
    EXPECT_EQ(read(reg::kVolume), 10) << "fifth attempt";
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(write(reg::kVolumeWrite, 4));
    }
    EXPECT_TRUE(write(reg::kVolumeWrite, 4)) << "sixth attempt";
    EXPECT_TRUE(write(reg::kVolumeWrite, 5));
    EXPECT_FALSE(model.FailNextReads(26, 1));
}

TEST_F(KeypadModelTest, NoAnswerHangAndInputLineFaultsLastUntilCleared) {
    ASSERT_TRUE(model.StopAnswering(reg::kBacklight));
    ASSERT_TRUE(model.Hang(reg::kChangeValue));
    EXPECT_FALSE(model.Hang(26)) << "not a register of the map";
    model.FailInputLine();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(read(reg::kBacklight), std::nullopt);
        EXPECT_EQ(line(), std::nullopt);
        EXPECT_TRUE(model.Hangs(reg::kChangeValue));
    }
    EXPECT_FALSE(model.Hangs(reg::kBacklight));
    model.ClearFaults();
    EXPECT_EQ(read(reg::kBacklight), 1);
    EXPECT_EQ(line(), 1);
    EXPECT_FALSE(model.Hangs(reg::kChangeValue));

    model.FailNextReads(reg::kStatus, 3);
    model.Reset(Profile::Extended);
    EXPECT_TRUE(read(reg::kStatus)) << "reset removes faults";
}

TEST_F(KeypadModelTest, LogLinesHaveTheStableForm) {
    now = 5000000;
    read(reg::kStatus);
    read(reg::kBrightness, 0x10);
    write(reg::kLuxWrite, 3);
    line();
    model.FailInputLine();
    line();
    uint8_t driver = 0, library = 0;
    model.ReadVersions(driver, library, ++now);
    model.PressKey(Key::VolumeDown, ++now);
    model.PressKey(Key::Backlight, ++now);

    std::vector<std::string> lines;
    for (const LogEntry& entry : model.EntriesAfter(0)) {
        lines.push_back(FormatLogEntry(entry));
    }
    const std::vector<std::string> expected = {
        "1 5000001 R 18 4 ok",   "2 5000002 R 1 - fail",       "3 5000003 W 32 3 ok",
        "4 5000004 G - 1 ok",    "5 5000005 G - - fail",       "6 5000006 V - 0x1A20 ok",
        "7 5000007 K vol- 9 ok", "8 5000008 K backlight 0 ok",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(driver, 0x1A);
    EXPECT_EQ(library, 0x20);
}

TEST_F(KeypadModelTest, LogKeepsNumberingAndTheNewestEntries) {
    read(reg::kStatus);
    model.Reset(Profile::Basic);
    read(reg::kStatus);
    EXPECT_EQ(model.EntriesAfter(1).at(0).seq, 2u) << "reset keeps the numbering";

    const uint64_t total = kLogCapacity + 10;
    while (model.LastSeq() < total) {
        line();
    }
    const auto all = model.EntriesAfter(0);
    ASSERT_EQ(all.size(), kLogCapacity);
    EXPECT_EQ(all.front().seq, total - kLogCapacity + 1);
    EXPECT_EQ(all.back().seq, total);
    EXPECT_EQ(model.EntriesAfter(total - 3).size(), 3u);
    EXPECT_TRUE(model.EntriesAfter(total).empty());

    model.PressKey(Key::Lock, ++now);
    line();
    EXPECT_EQ(model.FindAfter({'K', std::nullopt}, 0)->seq, total + 1);
    EXPECT_EQ(model.FindAfter({'G', 0}, total + 1)->seq, total + 2);
    EXPECT_FALSE(model.FindAfter({'K', static_cast<uint16_t>(Key::Mute)}, 0));
}

std::vector<std::string_view> words(std::initializer_list<std::string_view> list) {
    return list;
}

TEST(KeypadctlCommand, AcceptsTheVerbsAndRejectsTheRest) {
    const std::vector<std::vector<std::string_view>> good = {
        {"press", "vol+"},
        {"press", "dimming", "3"},
        {"get", "8"},
        {"get", "0x1c"},
        {"set", "27", "7"},
        {"fail", "read", "18", "5"},
        {"fail", "write", "9", "6"},
        {"fail", "noanswer", "23"},
        {"fail", "hang", "28"},
        {"fail", "gpi"},
        {"clear"},
        {"reset"},
        {"reset", "basic"},
        {"log"},
        {"log", "--since", "12"},
        {"seq"},
        {"wait", "W", "9"},
        {"wait", "K", "vol-", "--timeout", "100", "--since", "4"},
        {"wait", "G", "-"},
        {"wait", "R", "any"},
    };
    const std::vector<std::vector<std::string_view>> bad = {
        {},
        {"press"},
        {"press", "vol"},
        {"press", "vol+", "0"},
        {"press", "vol+", "2x"},
        {"get", "26"},
        {"get"},
        {"set", "8", "5"}, // write register
        {"set", "1", "256"},
        {"fail", "read", "18"},
        {"fail", "gpi", "1"},
        {"fail", "noanswer", "99"},
        {"fail", "hang", "26"},
        {"reset", "fast"},
        {"log", "--since"},
        {"log", "--timeout", "5"},
        {"wait", "W"},
        {"wait", "X", "1"},
        {"wait", "K", "18"},
        {"wait", "G", "18"},
        {"wait", "R", "1", "--since", "-1"},
        {"frobnicate"},
    };
    for (const auto& args : good) {
        EXPECT_TRUE(ParseCommand(args)) << args.at(0) << " ...";
    }
    for (const auto& args : bad) {
        EXPECT_FALSE(ParseCommand(args)) << (args.empty() ? "" : args.at(0)) << " ...";
    }
    const auto wait =
        ParseCommand(words({"wait", "K", "vol-", "--since", "4", "--timeout", "100"}));
    EXPECT_EQ(wait->pattern.reg, static_cast<uint16_t>(Key::VolumeDown));
    EXPECT_EQ(wait->afterSeq, 4u);
    EXPECT_EQ(wait->timeoutMs, 100u);
}

TEST(KeypadctlCommand, RunsAgainstTheModel) {
    auto state = std::make_unique<KeypadState>();
    KeypadModel model(*state);
    model.Initialise(Profile::Extended);
    auto run = [&](std::initializer_list<std::string_view> args) {
        return RunCommand(model, *ParseCommand(args), 77);
    };
    EXPECT_EQ(run({"press", "vol+", "2"}), "1 77 K vol+ 11 ok\n2 77 K vol+ 12 ok\n");
    EXPECT_EQ(run({"get", "2"}), "12\n");
    EXPECT_EQ(run({"set", "28", "0xff"}), "");
    EXPECT_EQ(run({"get", "28"}), "255\n");
    EXPECT_EQ(run({"log", "--since", "1"}), "2 77 K vol+ 12 ok\n");
    EXPECT_EQ(run({"seq"}), "2\n");
    run({"reset", "basic"});
    EXPECT_EQ(run({"get", "18"}), "0\n");
}

} // namespace
