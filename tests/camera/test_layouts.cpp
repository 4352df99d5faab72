// The records passed to the vendors' libraries: size and every field the
// layers read or write, at the offsets the vendors' headers give on x86_64
// Linux. A record of another layout would be misread by us or overrun by the
// library.
#include "platform/cameras/gxapi.h"
#include "platform/cameras/mvsapi.h"
#include "platform/cameras/mvsdk.h"
#include "platform/cameras/ueyeapi.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Field {
    const char* name;
    size_t offset; // ours
    size_t expected;
};

struct Record {
    const char* name;
    size_t size;
    size_t expectedSize;
    size_t align;
    size_t expectedAlign;
    std::vector<Field> fields;
};

#define REC(T, SIZE, ALIGN) #T, sizeof(T), SIZE, alignof(T), ALIGN
#define F(T, member, at) Field{#member, offsetof(T, member), at}

} // namespace

TEST(VendorRecords, SizesAndFieldOffsetsAreTheVendors)
{
    using namespace gx;
    using namespace ueye;
    using namespace mindvision;
    using namespace mvs;
    const Record records[] = {
        // Daheng Galaxy
        {REC(GX_DEVICE_BASE_INFO, 672, 4),
         {F(GX_DEVICE_BASE_INFO, szModelName, 32), F(GX_DEVICE_BASE_INFO, szSN, 64),
          F(GX_DEVICE_BASE_INFO, szDisplayName, 96), F(GX_DEVICE_BASE_INFO, szDeviceID, 228),
          F(GX_DEVICE_BASE_INFO, accessStatus, 364), F(GX_DEVICE_BASE_INFO, deviceClass, 368)}},
        {REC(GX_OPEN_PARAM, 16, 8),
         {F(GX_OPEN_PARAM, pszContent, 0), F(GX_OPEN_PARAM, openMode, 8), F(GX_OPEN_PARAM, accessMode, 12)}},
        {REC(GX_FRAME_DATA, 64, 8),
         {F(GX_FRAME_DATA, nStatus, 0), F(GX_FRAME_DATA, pImgBuf, 8), F(GX_FRAME_DATA, nWidth, 16),
          F(GX_FRAME_DATA, nHeight, 20), F(GX_FRAME_DATA, nPixelFormat, 24), F(GX_FRAME_DATA, nImgSize, 28),
          F(GX_FRAME_DATA, nFrameID, 32), F(GX_FRAME_DATA, nTimestamp, 40), F(GX_FRAME_DATA, nOffsetX, 48),
          F(GX_FRAME_DATA, nOffsetY, 52)}},
        {REC(GX_FLOAT_RANGE, 64, 8),
         {F(GX_FLOAT_RANGE, dMin, 0), F(GX_FLOAT_RANGE, dMax, 8), F(GX_FLOAT_RANGE, dInc, 16),
          F(GX_FLOAT_RANGE, szUnit, 24), F(GX_FLOAT_RANGE, bIncIsValid, 32)}},
        // IDS uEye
        {REC(BOARDINFO, 64, 1),
         {F(BOARDINFO, SerNo, 0), F(BOARDINFO, ID, 12), F(BOARDINFO, Version, 32), F(BOARDINFO, Date, 42),
          F(BOARDINFO, Select, 54), F(BOARDINFO, Type, 55)}},
        {REC(SENSORINFO, 80, 4),
         {F(SENSORINFO, SensorID, 0), F(SENSORINFO, strSensorName, 2), F(SENSORINFO, nColorMode, 34),
          F(SENSORINFO, nMaxWidth, 36), F(SENSORINFO, nMaxHeight, 40), F(SENSORINFO, wPixelSize, 64),
          F(SENSORINFO, nUpperLeftBayerPixel, 66)}},
        {REC(UEYE_CAMERA_INFO, 112, 4),
         {F(UEYE_CAMERA_INFO, dwDeviceID, 4), F(UEYE_CAMERA_INFO, dwInUse, 12), F(UEYE_CAMERA_INFO, SerNo, 16),
          F(UEYE_CAMERA_INFO, Model, 32), F(UEYE_CAMERA_INFO, dwStatus, 48), F(UEYE_CAMERA_INFO, FullModelName, 60)}},
        {REC(UEYE_CAMERA_LIST, 116, 4), {F(UEYE_CAMERA_LIST, dwCount, 0), F(UEYE_CAMERA_LIST, uci, 4)}},
        {REC(IS_RECT, 16, 4),
         {F(IS_RECT, s32X, 0), F(IS_RECT, s32Y, 4), F(IS_RECT, s32Width, 8), F(IS_RECT, s32Height, 12)}},
        // MindVision
        {REC(tSdkCameraDevInfo, 260, 4),
         {F(tSdkCameraDevInfo, acProductName, 32), F(tSdkCameraDevInfo, acDriverVersion, 128),
          F(tSdkCameraDevInfo, acPortType, 192), F(tSdkCameraDevInfo, acSn, 224),
          F(tSdkCameraDevInfo, uInstance, 256)}},
        {REC(tSdkFrameHead, 64, 4),
         {F(tSdkFrameHead, uiMediaType, 0), F(tSdkFrameHead, uBytes, 4), F(tSdkFrameHead, iWidth, 8),
          F(tSdkFrameHead, iHeight, 12), F(tSdkFrameHead, uiTimeStamp, 28)}},
        {REC(tSdkCameraCapbility, 344, 8),
         {F(tSdkCameraCapbility, pImageSizeDesc, 16), F(tSdkCameraCapbility, iImageSizeDesc, 24),
          F(tSdkCameraCapbility, sExposeDesc.uiAnalogGainMin, 196),
          F(tSdkCameraCapbility, sExposeDesc.uiAnalogGainMax, 200),
          F(tSdkCameraCapbility, sResolutionRange.iHeightMax, 216),
          F(tSdkCameraCapbility, sResolutionRange.iWidthMax, 224), F(tSdkCameraCapbility, sGammaRange.iMin, 280),
          F(tSdkCameraCapbility, sGammaRange.iMax, 284), F(tSdkCameraCapbility, sContrastRange, 288),
          F(tSdkCameraCapbility, sSharpnessRange.iMin, 296), F(tSdkCameraCapbility, sSharpnessRange.iMax, 300),
          F(tSdkCameraCapbility, sIspCapacity.bMonoSensor, 304)}},
        // Hikvision MVS
        {REC(MV_CC_DEVICE_INFO, 572, 4),
         {F(MV_CC_DEVICE_INFO, nTLayerType, 12), F(MV_CC_DEVICE_INFO, SpecialInfo, 32),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nCurrentIp, 40),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nCurrentSubNetMask, 44),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.chModelName, 84),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.chSerialNumber, 196),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stGigEInfo.nNetExport, 228),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stUsb3VInfo.chModelName, 172),
          F(MV_CC_DEVICE_INFO, SpecialInfo.stUsb3VInfo.chSerialNumber, 428)}},
        {REC(MV_CC_DEVICE_INFO_LIST, 2056, 8),
         {F(MV_CC_DEVICE_INFO_LIST, nDeviceNum, 0), F(MV_CC_DEVICE_INFO_LIST, pDeviceInfo, 8)}},
        {REC(MV_FRAME_OUT_INFO, 56, 8),
         {F(MV_FRAME_OUT_INFO, nWidth, 0), F(MV_FRAME_OUT_INFO, nHeight, 2), F(MV_FRAME_OUT_INFO, enPixelType, 8),
          F(MV_FRAME_OUT_INFO, nFrameNum, 16), F(MV_FRAME_OUT_INFO, nFrameLen, 40)}},
        {REC(MV_CC_PIXEL_CONVERT_PARAM, 72, 8),
         {F(MV_CC_PIXEL_CONVERT_PARAM, nWidth, 0), F(MV_CC_PIXEL_CONVERT_PARAM, nHeight, 2),
          F(MV_CC_PIXEL_CONVERT_PARAM, enSrcPixelType, 8), F(MV_CC_PIXEL_CONVERT_PARAM, pSrcData, 16),
          F(MV_CC_PIXEL_CONVERT_PARAM, nSrcDataLen, 24), F(MV_CC_PIXEL_CONVERT_PARAM, enDstPixelType, 32),
          F(MV_CC_PIXEL_CONVERT_PARAM, pDstBuffer, 40), F(MV_CC_PIXEL_CONVERT_PARAM, nDstLen, 48),
          F(MV_CC_PIXEL_CONVERT_PARAM, nDstBufferSize, 52)}},
        {REC(MVCC_INTVALUE, 32, 4),
         {F(MVCC_INTVALUE, nCurValue, 0), F(MVCC_INTVALUE, nMax, 4), F(MVCC_INTVALUE, nMin, 8)}},
        {REC(MVCC_INTVALUE_EX, 96, 8),
         {F(MVCC_INTVALUE_EX, nCurValue, 0), F(MVCC_INTVALUE_EX, nMax, 8), F(MVCC_INTVALUE_EX, nMin, 16)}},
        {REC(MVCC_FLOATVALUE, 28, 4),
         {F(MVCC_FLOATVALUE, fCurValue, 0), F(MVCC_FLOATVALUE, fMax, 4), F(MVCC_FLOATVALUE, fMin, 8)}},
        {REC(MVCC_STRINGVALUE, 272, 8), {F(MVCC_STRINGVALUE, chCurValue, 0), F(MVCC_STRINGVALUE, nMaxLength, 256)}},
    };
    for (const Record& r : records) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.size, r.expectedSize);
        EXPECT_EQ(r.align, r.expectedAlign);
        for (const Field& f : r.fields)
            EXPECT_EQ(f.offset, f.expected) << f.name;
    }
    // The pixel-type fields are as wide as gcc makes the vendor's enumeration.
    EXPECT_EQ(sizeof(MvGvspPixelType), 8u);
    // Handles and counts of the calls' own parameters.
    EXPECT_EQ(sizeof(HIDS), 4u);
    EXPECT_EQ(sizeof(ueye::ULONG), 4u);
    EXPECT_EQ(sizeof(CameraHandle), 4u);
    EXPECT_EQ(sizeof(GX_STATUS), 4u);
}
