#include "monitor/led.h"
#include "platform/paneldevice.h"
#include "testenv.h"

namespace {
class Led : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::PanelDevice::setInstance(&device);
        led::reset();
        OpenLedDevice();
    }
    void TearDown() override
    {
        platform::PanelDevice::setInstance(nullptr);
        gfLED = -1;
    }
    platform::RecordingPanelDevice device;
};
} // namespace

TEST_F(Led, BitsAreSetOneAtATimeFromAllOn)
{
    LEDOnOff(6, 0);
    LEDOnOff(5, 2); // only the lowest bit counts
    LEDOnOff(6, 1);
    LEDOnOff(9, 0); // no such LED
    EXPECT_EQ(device.requests(), (QList<unsigned long>{0x5A0180BFUL, 0x5A01809FUL, 0x5A0180DFUL}));
    EXPECT_EQ(LedByte(), 0xDF);
}

TEST_F(Led, BacklightRequestsRepeatAndTheFlagFollows)
{
    LCDOnOff(0);
    LCDOnOff(0);
    EXPECT_EQ(gScreenOff, 1);
    LCDOnOff(1);
    EXPECT_EQ(gScreenOff, 0);
    EXPECT_EQ(device.requests(), (QList<unsigned long>{0x5A018A00UL, 0x5A018A00UL, 0x5A018B00UL}));
}

TEST_F(Led, WithoutTheDeviceOnlyTheStateChanges)
{
    device.ledPresent = false;
    OpenLedDevice();
    LCDOnOff(0);
    LEDOnOff(7, 0);
    EXPECT_TRUE(device.requests().isEmpty());
    EXPECT_EQ(gScreenOff, 1);
    EXPECT_EQ(LedByte(), 0x7F);
}

TEST(PanelDevice, RealDeviceResolvesUnderTheSystemRootAndGrantsNoPrivilege)
{
    platform::PanelDevice real;
    EXPECT_LT(real.openLed(), 0) << "the test root has no /dev/led";
    EXPECT_FALSE(real.requestIoPrivilege());
}
