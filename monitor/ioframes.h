#pragma once
// The IO board's serial protocol and the bit rules of its inputs and outputs,
// kept free of ports and threads so that every byte can be tested alone.
//
// Host frame (6 bytes):  5F cmd lo hi sum F5        sum = bytes 0..3
// Board frame (8 bytes): 5F cmd d0 d1 d2 d3 sum F5  sum = bytes 0..5
#include <QByteArray>
#include <QtGlobal>
#include <cstdint>

class WizardPara;

// 8-bit sum of len bytes; 0 for none. The checksum of both directions.
uchar calcLRC(const uchar* data, unsigned short len);

namespace ioframe {

constexpr uchar kHead = 0x5F;
constexpr uchar kTail = 0xF5;
constexpr int kHostFrameLen = 6;
constexpr int kBoardFrameLen = 8;

enum Command : uchar {
    CmdSetOutputs = 1, // value = output word
    CmdPoll = 2,       // answered by an input and output report
    CmdTemp0to7 = 3,   // answered by eight temperature reports
    CmdTemp8to15 = 4,
};

constexpr int kOutputs = 9; // outputs 0..8
constexpr int kInputs = 8;  // inputs 0..7 reach the cycle
constexpr int kWordMask = 0x3FF; // ten bits travel on the line
constexpr int kTemperatures = 16;

QByteArray hostFrame(int cmd, int value);

struct BoardFrame {
    uchar cmd = 0;
    uchar data[4] = {0, 0, 0, 0};

    int inputs() const { return data[0] | ((data[1] & 0x03) << 8); }
    int outputs() const { return data[2] | ((data[3] & 0x03) << 8); }
    // The little-endian word of a temperature report, bit for bit.
    quint32 word() const
    {
        return quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 | quint32(data[3]) << 24;
    }
};

// Collects the board's bytes and cuts frames out of them. A position that
// does not hold a whole valid frame costs one byte, so the decoder finds the
// next frame after any garbage, torn frame or wrong sum.
class FrameDecoder {
public:
    static constexpr int kCapacity = 1024;

    // Room left; a reader should take no more than this from the port so
    // nothing is lost.
    int freeSpace() const { return kCapacity - fill_; }
    int buffered() const { return fill_ - start_; }
    // Appends what fits; returns the number of bytes that did not fit and
    // were dropped.
    int append(const char* bytes, int count);
    // The next valid frame of the buffer, or false once fewer than a frame's
    // bytes remain (they wait for the next append).
    bool next(BoardFrame& frame);

    quint64 skippedBytes() const { return skipped_; }
    quint64 droppedBytes() const { return dropped_; }
    void clear();

private:
    void compact();

    uchar buf_[kCapacity];
    int start_ = 0;
    int fill_ = 0;
    quint64 skipped_ = 0;
    quint64 dropped_ = 0;
};

// Which command each pass sends: a poll every pass, and every 210 passes the
// two temperature reads (at passes 200 and 210), each setting where the eight
// reports that answer it are stored.
class PollSchedule {
public:
    static constexpr int kFirstTempPass = 200;
    static constexpr int kSecondTempPass = 210;

    // Command of this pass; when it is a temperature read, *tempIndex is set
    // to the slot of its first report.
    int next(int* tempIndex);

private:
    int counter_ = 0;
};

// The output shadow word after output n is set (on nonzero) or cleared: the
// output's polarity is XORed in, and an output whose function output 3
// carries writes bit 3 instead. Words outside 0..8 leave the word unchanged.
int setOutputBit(int word, int n, int on, const WizardPara& p);
// The bit that carries output n (3 when output 3 backs it up, else n).
int outputCarrierBit(int n, const WizardPara& p);
// Whether output n is active in the word (carrier bit, polarity removed).
bool outputActive(int word, int n, const WizardPara& p);

// The input word as the cycle sees it: per-input inversion, then input 3
// standing in for input 0, 1 or 2 when so configured.
int effectiveInputs(int raw, const WizardPara& p);

} // namespace ioframe
