// The board protocol without a port: frame bytes, the decoder's
// resynchronisation (also fuzzed), the poll schedule and the bit rules of
// outputs and inputs.
#include "boardsim.h"
#include "monitor/ioframes.h"
#include "params/wizardpara.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace ioframe;

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

// Every frame the decoder gives for the stream fed in one go.
std::vector<QByteArray> decodeAll(FrameDecoder& d, const QByteArray& stream)
{
    d.append(stream.constData(), stream.size());
    std::vector<QByteArray> out;
    BoardFrame f;
    while (d.next(f))
        out.push_back(BoardSim::boardFrame(f.cmd, f.data));
    return out;
}

} // namespace

TEST(IoFrames, SumAndHostFrameBytes)
{
    EXPECT_EQ(calcLRC(nullptr, 0), 0);
    const uchar wrap[] = {0xFF, 0x02};
    EXPECT_EQ(calcLRC(wrap, 2), 0x01);

    EXPECT_EQ(hostFrame(CmdPoll, 0), bytes({0x5F, 0x02, 0x00, 0x00, 0x61, 0xF5}));
    EXPECT_EQ(hostFrame(CmdSetOutputs, 0x1234), bytes({0x5F, 0x01, 0x34, 0x12, 0xA6, 0xF5}));
    EXPECT_EQ(hostFrame(CmdTemp8to15, 0), bytes({0x5F, 0x04, 0x00, 0x00, 0x63, 0xF5}));
    // The simulator frames on its own; both sides must agree.
    EXPECT_EQ(hostFrame(CmdSetOutputs, 0x1FF), BoardSim::hostFrameBytes(1, 0x1FF));
}

TEST(IoFrames, ReportFieldsAreUnpacked)
{
    FrameDecoder d;
    // Inputs 0x2A5, outputs 0x1C3, in the layout of the board.
    const auto frames = decodeAll(d, BoardSim::inputReport(0x2A5, 0x1C3));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], bytes({0x5F, 0x02, 0xA5, 0x02, 0xC3, 0x01, 0xCC, 0xF5}));
    d.append(frames[0].constData(), 8);
    BoardFrame f;
    ASSERT_TRUE(d.next(f));
    EXPECT_EQ(f.inputs(), 0x2A5);
    EXPECT_EQ(f.outputs(), 0x1C3);
    const BoardFrame t{3, {0x78, 0x56, 0x34, 0x12}};
    EXPECT_EQ(t.word(), 0x12345678u);
}

TEST(IoFrames, DecoderResynchronises)
{
    const QByteArray a = BoardSim::inputReport(0x001, 0x004);
    const QByteArray b = BoardSim::inputReport(0x002, 0x000);
    const uchar d4[4] = {1, 2, 3, 4};
    struct Case {
        const char* name;
        QByteArray stream;
        std::vector<QByteArray> frames;
        quint64 skipped;
    };
    const Case cases[] = {
        {"garbage first", bytes({0x00, 0xF5, 0x5F, 0x5F, 0x02, 0x13}) + a, {a}, 6},
        {"torn frame first", a.left(5) + b, {b}, 5},
        {"head then frame", bytes({0x5F}) + a, {a}, 1},
        {"wrong sum", BoardSim::boardFrame(2, d4, BoardSim::Fault::WrongSum) + a, {a}, 8},
        {"missing end", BoardSim::boardFrame(2, d4, BoardSim::Fault::MissingEnd) + a, {a}, 8},
        {"two frames", a + b, {a, b}, 0},
        {"other command kept for the caller", BoardSim::boardFrame(7, d4) + a, {BoardSim::boardFrame(7, d4), a}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameDecoder d;
        EXPECT_EQ(decodeAll(d, c.stream), c.frames);
        EXPECT_EQ(d.skippedBytes(), c.skipped);
        EXPECT_EQ(d.buffered(), 0);
    }
}

TEST(IoFrames, DecoderWaitsForTheRestOfAFrame)
{
    const QByteArray a = BoardSim::inputReport(0x155, 0x0AA);
    FrameDecoder d;
    BoardFrame f;
    for (int i = 0; i < a.size() - 1; ++i) {
        d.append(a.constData() + i, 1);
        EXPECT_FALSE(d.next(f)) << "after byte " << i;
    }
    d.append(a.constData() + a.size() - 1, 1);
    ASSERT_TRUE(d.next(f));
    EXPECT_EQ(f.inputs(), 0x155);
    EXPECT_FALSE(d.next(f));
    EXPECT_EQ(d.skippedBytes(), 0u);
}

TEST(IoFrames, DecoderKeepsOnlyWhatFits)
{
    FrameDecoder d;
    const QByteArray junk(FrameDecoder::kCapacity + 100, char(0x5F));
    EXPECT_EQ(d.append(junk.constData(), junk.size()), 100);
    EXPECT_EQ(d.freeSpace(), 0);
    BoardFrame f;
    EXPECT_FALSE(d.next(f));
    EXPECT_EQ(d.buffered(), 7); // less than a frame waits for more
    const QByteArray a = BoardSim::inputReport(3, 0);
    d.append(a.constData(), a.size());
    ASSERT_TRUE(d.next(f));
    EXPECT_EQ(f.inputs(), 3);
}

// A seeded stream of valid frames among junk that looks like frames (heads,
// ends, torn frames, wrong sums), fed in random pieces. The decoder must give
// exactly what a plain scan of the whole stream finds, every accepted frame
// must be whole and summed, and the planted frames must be among them.
TEST(IoFrames, DecoderFuzz)
{
    auto validAt = [](const QByteArray& s, int i) {
        const auto* p = reinterpret_cast<const uchar*>(s.constData()) + i;
        return p[0] == 0x5F && p[7] == 0xF5 && p[6] == calcLRC(p, 6);
    };
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto rnd = [&](int n) { return int(rng() % unsigned(n)); };
        QByteArray stream;
        std::vector<int> planted;
        while (stream.size() < 150000) {
            uchar data[4] = {uchar(rnd(256)), uchar(rnd(256)), uchar(rnd(256)), uchar(rnd(256))};
            const int cmd = rnd(6);
            switch (rnd(6)) {
            case 0: // plain noise
                for (int i = rnd(20); i > 0; --i)
                    stream.append(char(rnd(256)));
                break;
            case 1: // heads and ends
                for (int i = rnd(12); i > 0; --i)
                    stream.append(char(rnd(2) ? 0x5F : 0xF5));
                break;
            case 2: // a torn frame
                stream += BoardSim::boardFrame(cmd, data).left(1 + rnd(7));
                break;
            case 3:
                stream += BoardSim::boardFrame(cmd, data, rnd(2) ? BoardSim::Fault::WrongSum
                                                                 : BoardSim::Fault::MissingEnd);
                break;
            default:
                planted.push_back(stream.size());
                stream += BoardSim::boardFrame(cmd, data);
                break;
            }
        }

        std::vector<QByteArray> expected;
        std::vector<int> found;
        for (int i = 0; i + 8 <= stream.size();) {
            if (validAt(stream, i)) {
                expected.push_back(stream.mid(i, 8));
                found.push_back(i);
                i += 8;
            } else {
                ++i;
            }
        }
        // A planted frame may only be lost to a window that is itself a valid
        // frame by chance and overlaps it (the protocol cannot tell them apart).
        int lost = 0;
        for (int at : planted) {
            if (std::binary_search(found.begin(), found.end(), at))
                continue;
            const auto before = std::lower_bound(found.begin(), found.end(), at);
            ASSERT_TRUE(before != found.begin() && *(before - 1) > at - 8) << "planted frame lost at " << at;
            ++lost;
        }
        EXPECT_LT(lost * 1000, int(planted.size()));

        FrameDecoder d;
        std::vector<QByteArray> got;
        for (int pos = 0; pos < stream.size();) {
            const int n = qMin(qMin(1 + rnd(300), d.freeSpace()), stream.size() - pos);
            ASSERT_EQ(d.append(stream.constData() + pos, n), 0);
            pos += n;
            BoardFrame f;
            while (d.next(f)) {
                got.push_back(BoardSim::boardFrame(f.cmd, f.data));
                ASSERT_TRUE(validAt(got.back(), 0));
            }
        }
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected);
    }
}

TEST(IoFrames, PollScheduleReadsTemperaturesEvery210Passes)
{
    PollSchedule s;
    int index = -1;
    for (int round = 0; round < 2; ++round) {
        for (int pass = 1; pass <= 210; ++pass) {
            const int cmd = s.next(&index);
            if (pass == 200) {
                EXPECT_EQ(cmd, CmdTemp0to7);
                EXPECT_EQ(index, 0);
                index = -1;
            } else if (pass == 210) {
                EXPECT_EQ(cmd, CmdTemp8to15);
                EXPECT_EQ(index, 8);
                index = -1;
            } else {
                ASSERT_EQ(cmd, CmdPoll) << "pass " << pass;
                ASSERT_EQ(index, -1);
            }
        }
    }
}

TEST(IoFrames, OutputPolarityAndBackup)
{
    struct Op {
        int n, on;
    };
    struct Case {
        const char* name;
        int polarity[9];
        int backup;
        int start;
        std::vector<Op> ops;
        int word;
    };
    const Case cases[] = {
        {"plain on", {}, 0, 0, {{0, 1}, {8, 1}, {2, 1}}, 0x105},
        {"plain off", {}, 0, 0x1FF, {{4, 0}, {0, 0}}, 0x1EE},
        {"active-low off sets the bit", {0, 0, 1}, 0, 0, {{2, 0}}, 0x004},
        {"active-low on clears it", {0, 0, 1}, 0, 0x004, {{2, 1}}, 0x000},
        {"backup 2 drives bit 3 on", {}, 2, 0x002, {{1, 1}}, 0x00A},
        {"backup 2 leaves bit 1 when off", {}, 2, 0x00A, {{1, 0}}, 0x002},
        {"backup 1 with output 0 active-low", {1}, 1, 0x008, {{0, 1}}, 0x000},
        {"backup 3 still lets output 3 be set", {}, 3, 0, {{3, 1}}, 0x008},
        {"outputs outside 0..8 are ignored", {}, 0, 0x010, {{9, 1}, {-1, 1}, {12, 0}}, 0x010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara p;
        std::copy(std::begin(c.polarity), std::end(c.polarity), p.output_initial_state);
        p.enable_mold_backup = c.backup;
        int word = c.start;
        for (const Op& op : c.ops)
            word = setOutputBit(word, op.n, op.on, p);
        EXPECT_EQ(word, c.word);
    }
}

TEST(IoFrames, OutputActiveFollowsCarrierAndPolarity)
{
    WizardPara p;
    p.output_initial_state[2] = 1;
    EXPECT_TRUE(outputActive(0x000, 2, p));
    EXPECT_FALSE(outputActive(0x004, 2, p));
    p.output_initial_state[2] = 0;
    p.enable_mold_backup = 3;
    EXPECT_TRUE(outputActive(0x008, 2, p));
    EXPECT_FALSE(outputActive(0x004, 2, p));
}

TEST(IoFrames, InputSubstitutionAndInversion)
{
    struct Case {
        int use;
        int inverted; // input whose level is inverted, or -1
        int raw;
        int word;
    };
    const Case cases[] = {
        {0, -1, 0x008, 0x008}, {1, -1, 0x008, 0x009}, {1, -1, 0x001, 0x000}, {2, -1, 0x008, 0x00A},
        {2, -1, 0x002, 0x000}, {3, -1, 0x008, 0x00C}, {7, -1, 0x008, 0x00C}, {-1, -1, 0x008, 0x00C},
        {3, -1, 0x0F3, 0x0F3 & ~0x004}, {0, 0, 0x000, 0x001}, {1, 3, 0x000, 0x009},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "use " << c.use << " raw " << c.raw);
        WizardPara p;
        p.enable_output_thimble_pulse = c.use;
        if (c.inverted >= 0)
            p.input_inverted[c.inverted] = 1;
        EXPECT_EQ(effectiveInputs(c.raw, p), c.word);
    }
}
