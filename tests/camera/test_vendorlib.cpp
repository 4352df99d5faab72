// The layers reach an installed vendor library through dlopen and the C
// symbol of the call's name; a missing library is reported, not crashed on.
#include "camerafixture.h"

#include "params/geometry.h"
#include "platform/cameras/vendorlib.h"

namespace {

camsdk::VendorLibrary& installed()
{
    static camsdk::VendorLibrary l{{"libno-such-vendor.so", FAKE_VENDOR_LIB}, {"CameraProbeValue"}, {"CameraOptional"}};
    return l;
}

// The same library, but the layer needs a call it does not export.
camsdk::VendorLibrary& incomplete()
{
    static camsdk::VendorLibrary l{{FAKE_VENDOR_LIB}, {"CameraProbeValue", "CameraMissingCall"}};
    return l;
}

camsdk::VendorLibrary& missing()
{
    static camsdk::VendorLibrary l{{"libno-such-vendor.so"}, {"CameraProbeValue"}};
    return l;
}

namespace viaInstalled {
int CameraProbeValue(int x)
{
    CAMSDK_FORWARD(installed(), CameraProbeValue, x);
    return camsdk::kNotAvailable;
}
} // namespace viaInstalled

namespace viaIncomplete {
int CameraProbeValue(int x)
{
    CAMSDK_FORWARD(incomplete(), CameraProbeValue, x);
    return camsdk::kNotAvailable;
}
} // namespace viaIncomplete

namespace viaMissing {
int CameraProbeValue(int x)
{
    CAMSDK_FORWARD(missing(), CameraProbeValue, x);
    return camsdk::kNotAvailable;
}
} // namespace viaMissing

} // namespace

TEST(VendorLibrary, OnlyACompleteLibraryIsCalled)
{
    EXPECT_TRUE(installed().usable());
    EXPECT_EQ(viaInstalled::CameraProbeValue(4), 13);
    EXPECT_EQ(installed().symbol("CameraOptional"), nullptr); // optional and absent
    EXPECT_EQ(installed().symbol("NoSuchCall"), nullptr);     // never declared
    // A library that lacks one call of the layer is not used at all, with the reason.
    EXPECT_FALSE(incomplete().usable());
    EXPECT_EQ(viaIncomplete::CameraProbeValue(4), camsdk::kNotAvailable);
    EXPECT_NE(incomplete().reason().find("CameraMissingCall"), std::string::npos);
    EXPECT_FALSE(missing().usable());
    EXPECT_NE(missing().reason().find("not installed"), std::string::npos);
    EXPECT_EQ(viaMissing::CameraProbeValue(4), camsdk::kNotAvailable);
}

TEST_F(CameraTest, ExposureCorrectionStepsTowardsMidGrey)
{
    auto cam = addCamera(camsdk::Vendor::Hikvision, "SERIAL-AA");
    gCameraID = kCameraHik;
    gFindCamera = 1;
    mvs::MV_CC_EnumDevices(mvs::MV_GIGE_DEVICE | mvs::MV_USB_DEVICE, &gDevList);
    SetImageGeometry(640, 480, false);
    para().expose_time[0] = 30;
    CameraDriver* d = openSlot(0);
    const int rows[][2] = {{131, 29}, {130, 29}, {126, 29}, {125, 30}, {0, 31}};
    for (auto r : rows) {
        d->averageGrey = r[0];
        d->AutoChangeExposeTime();
        EXPECT_EQ(para().expose_time[0], r[1]) << "grey " << r[0];
        EXPECT_EQ(cam->value("ExposureTime"), r[1] * 1000.0);
    }
}
