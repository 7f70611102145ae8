// The part of the GDI+ flat interface the editor draws with, declared as the
// system's gdiplus.dll exports it: opaque objects, status answers (0 = Ok).
#pragma once

#include <windows.h>

#include <objidl.h>

namespace platform::gdiplus {

struct GpImage {};
struct GpBitmap : GpImage {};
struct GpGraphics {};
struct GpImageAttributes {};
struct GpBrush {};
struct GpSolidFill : GpBrush {};

using Status = int;
using Argb = DWORD;
constexpr Status kOk = 0;

struct StartupInput {
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};

struct ColorMatrix {
    float m[5][5];
};

constexpr int kPixelFormat32bppArgb = 0x26200A;
constexpr int kInterpolationModeLowQuality = 1;
constexpr int kUnitPixel = 2;
constexpr int kPixelOffsetModeNone = 3;
constexpr int kSmoothingModeNone = 3;
constexpr int kCombineModeReplace = 0;
constexpr int kColorAdjustTypeDefault = 0;
constexpr int kColorMatrixFlagsDefault = 0;

extern "C" {
Status WINAPI GdiplusStartup(ULONG_PTR* token, const StartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);

Status WINAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
Status WINAPI GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
Status WINAPI GdipDeleteGraphics(GpGraphics* graphics);
Status WINAPI GdipSetInterpolationMode(GpGraphics* graphics, int mode);
Status WINAPI GdipSetPageUnit(GpGraphics* graphics, int unit);
Status WINAPI GdipSetPixelOffsetMode(GpGraphics* graphics, int mode);
Status WINAPI GdipSetSmoothingMode(GpGraphics* graphics, int mode);
Status WINAPI GdipSetClipRectI(GpGraphics* graphics, INT x, INT y, INT width, INT height, int combineMode);
Status WINAPI GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, INT destinationX, INT destinationY,
                                     INT destinationWidth, INT destinationHeight, INT sourceX, INT sourceY,
                                     INT sourceWidth, INT sourceHeight, int sourceUnit,
                                     const GpImageAttributes* attributes, void* abortCallback, void* callbackData);
Status WINAPI GdipFillRectangleI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height);

Status WINAPI GdipCreateBitmapFromStreamICM(IStream* stream, GpBitmap** bitmap);
Status WINAPI GdipCreateBitmapFromResource(HINSTANCE module, const WCHAR* name, GpBitmap** bitmap);
Status WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, int format, BYTE* scan0,
                                        GpBitmap** bitmap);
Status WINAPI GdipDisposeImage(GpImage* image);
Status WINAPI GdipGetImageWidth(GpImage* image, UINT* width);
Status WINAPI GdipGetImageHeight(GpImage* image, UINT* height);
Status WINAPI GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, Argb* color);

Status WINAPI GdipCreateImageAttributes(GpImageAttributes** attributes);
Status WINAPI GdipSetImageAttributesColorMatrix(GpImageAttributes* attributes, int adjustType, BOOL enable,
                                                const ColorMatrix* colors, const ColorMatrix* grays, int flags);
Status WINAPI GdipDisposeImageAttributes(GpImageAttributes* attributes);

Status WINAPI GdipCreateSolidFill(Argb color, GpSolidFill** brush);
Status WINAPI GdipDeleteBrush(GpBrush* brush);
}

}  // namespace platform::gdiplus
