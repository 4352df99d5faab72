#include "monitor/ioframes.h"

#include "params/wizardpara.h"

#include <cstring>

uchar calcLRC(const uchar* data, unsigned short len)
{
    uchar sum = 0;
    for (unsigned short i = 0; i < len; ++i)
        sum = uchar(sum + data[i]);
    return sum;
}

namespace ioframe {

QByteArray hostFrame(int cmd, int value)
{
    uchar f[kHostFrameLen] = {kHead, uchar(cmd), uchar(value & 0xFF), uchar((value >> 8) & 0xFF), 0, kTail};
    f[4] = calcLRC(f, 4);
    return QByteArray(reinterpret_cast<const char*>(f), kHostFrameLen);
}

int FrameDecoder::append(const char* bytes, int count)
{
    if (count <= 0)
        return 0;
    if (fill_ + count > kCapacity)
        compact();
    const int take = qMin(count, kCapacity - fill_);
    std::memcpy(buf_ + fill_, bytes, size_t(take));
    fill_ += take;
    dropped_ += quint64(count - take);
    return count - take;
}

bool FrameDecoder::next(BoardFrame& frame)
{
    while (fill_ - start_ >= kBoardFrameLen) {
        const uchar* f = buf_ + start_;
        if (f[0] == kHead && f[7] == kTail && f[6] == calcLRC(f, 6)) {
            frame.cmd = f[1];
            std::memcpy(frame.data, f + 2, 4);
            start_ += kBoardFrameLen;
            return true;
        }
        ++start_;
        ++skipped_;
    }
    compact();
    return false;
}

void FrameDecoder::compact()
{
    if (start_ == 0)
        return;
    std::memmove(buf_, buf_ + start_, size_t(fill_ - start_));
    fill_ -= start_;
    start_ = 0;
}

void FrameDecoder::clear()
{
    start_ = fill_ = 0;
}

int PollSchedule::next(int* tempIndex)
{
    ++counter_;
    if (counter_ == kFirstTempPass) {
        *tempIndex = 0;
        return CmdTemp0to7;
    }
    if (counter_ == kSecondTempPass) {
        *tempIndex = 8;
        counter_ = 0;
        return CmdTemp8to15;
    }
    return CmdPoll;
}

int outputCarrierBit(int n, const WizardPara& p)
{
    return p.enable_mold_backup != 0 && p.enable_mold_backup == n + 1 ? 3 : n;
}

int setOutputBit(int word, int n, int on, const WizardPara& p)
{
    if (n < 0 || n >= kOutputs)
        return word;
    const bool level = (on != 0) != (p.output_initial_state[n] != 0);
    const int bit = 1 << outputCarrierBit(n, p);
    return level ? (word | bit) : (word & ~bit);
}

bool outputActive(int word, int n, const WizardPara& p)
{
    if (n < 0 || n >= kOutputs)
        return false;
    const bool level = (word >> outputCarrierBit(n, p)) & 1;
    return level != (p.output_initial_state[n] != 0);
}

int effectiveInputs(int raw, const WizardPara& p)
{
    int word = raw;
    for (int i = 0; i < kInputs; ++i)
        if (p.input_inverted[i] != 0)
            word ^= 1 << i;
    const int use = p.enable_output_thimble_pulse;
    if (use != 0) {
        const int target = use == 1 ? 0 : use == 2 ? 1 : 2;
        word = (word & ~(1 << target)) | (((word >> 3) & 1) << target);
    }
    return word;
}

} // namespace ioframe
